#include "mainwindow/KontaktePage.h"
#include <QToolBar>

TKontaktePage::TKontaktePage(QWidget* parent) : TPage(parent)
{
    setObjectName(QStringLiteral("Panel_Kontakte"));
    ToolBar_Kontakte = new QToolBar(this);
    ToolBar_Kontakte->setObjectName(QStringLiteral("ToolBar_Kontakte"));
}

QString TKontaktePage::TitleText() const { return QStringLiteral(" Kontakte verwalten"); }
QWidget* TKontaktePage::ToolBar() { return ToolBar_Kontakte; }
