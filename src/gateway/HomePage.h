#pragma once
#include "mainwindow/Page.h"

class QToolBar;

// (Provisional page; its own work replaces it.)
class THomePage : public TPage {
    Q_OBJECT
public:
    explicit THomePage(QWidget* parent = nullptr);
    QString TitleText() const override;
    QWidget* ToolBar() override;

private:
    QToolBar* ToolBar_Home;
};
