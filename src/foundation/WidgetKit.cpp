#include "foundation/WidgetKit.h"
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

QToolButton* NewToolButton(QWidget* parent, const char* name, const TToolButtonLook& look)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    if (!look.text.isEmpty())
        b->setText(look.text);
    if (!look.hint.isEmpty())
        b->setToolTip(look.hint);
    if (!look.icon.isNull())
        b->setIcon(look.icon);
    b->setIconSize(QSize(look.iconSize, look.iconSize));
    if (look.autoRaise)
        b->setAutoRaise(true);
    if (look.checkable)
        b->setCheckable(true);
    if (look.style != Qt::ToolButtonIconOnly)
        b->setToolButtonStyle(look.style);
    if (look.fixedSize.isValid())
        b->setFixedSize(look.fixedSize);
    if (look.minimumSize.isValid())
        b->setMinimumSize(look.minimumSize);
    if (auto* bar = qobject_cast<QToolBar*>(parent))
        bar->addWidget(b);
    return b;
}

QPushButton* NewPushButton(QWidget* parent, const char* name, const QString& text, bool isDefault)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    if (isDefault)
        b->setDefault(true);
    return b;
}

QStatusBar* NewDialogStatusBar(QWidget* parent)
{
    auto* bar = new QStatusBar(parent);
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    return bar;
}
