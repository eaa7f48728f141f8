#include "sms/SmsPage.h"
#include <QToolBar>

TSmsPage::TSmsPage(QWidget* parent) : TPage(parent)
{
    setObjectName(QStringLiteral("Panel_SMS"));
    ToolBar_SmsVersand = new QToolBar(this);
    ToolBar_SmsVersand->setObjectName(QStringLiteral("ToolBar_SmsVersand"));
}

QString TSmsPage::TitleText() const { return QStringLiteral(" SMS versenden"); }
QWidget* TSmsPage::ToolBar() { return ToolBar_SmsVersand; }
