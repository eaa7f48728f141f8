#pragma once
#include "mainwindow/Page.h"

class QToolBar;

// (Provisional page; its own work replaces it.)
class TSmsPage : public TPage {
    Q_OBJECT
public:
    explicit TSmsPage(QWidget* parent = nullptr);
    QString TitleText() const override;
    QWidget* ToolBar() override;

private:
    QToolBar* ToolBar_SmsVersand;
};
