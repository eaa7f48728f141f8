#include "gateway/HomePage.h"
#include <QToolBar>

THomePage::THomePage(QWidget* parent) : TPage(parent)
{
    setObjectName(QStringLiteral("Panel_Home"));
    ToolBar_Home = new QToolBar(this);
    ToolBar_Home->setObjectName(QStringLiteral("ToolBar_Home"));
}

QString THomePage::TitleText() const { return QStringLiteral(" Vornix2 - Der Massen-SMS Versender"); }
QWidget* THomePage::ToolBar() { return ToolBar_Home; }
