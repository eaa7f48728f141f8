#pragma once
#include "mainwindow/Page.h"

class QToolBar;

// (Provisional page; its own work replaces it.)
class TKontaktePage : public TPage {
    Q_OBJECT
public:
    explicit TKontaktePage(QWidget* parent = nullptr);
    QString TitleText() const override;
    QWidget* ToolBar() override;

private:
    QToolBar* ToolBar_Kontakte;
};
