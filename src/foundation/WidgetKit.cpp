#include "foundation/WidgetKit.h"
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProxyStyle>
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

namespace {
class TDialogKeys : public QObject {
public:
    explicit TDialogKeys(QDialog* dialog) : QObject(dialog), m_dialog(dialog) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_dialog)
            return false;
        if (event->type() == QEvent::Show) {
            // Without auto-default no button takes the default on focus or at show; the default
            // stays the one the dialog names.
            for (QPushButton* b : m_dialog->findChildren<QPushButton*>())
                if (b->window() == m_dialog)
                    b->setAutoDefault(false);
            return false;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        // A key that reached the dialog was left by the focused control.
        QWidget* focus = m_dialog->focusWidget();
        auto* button = qobject_cast<QAbstractButton*>(focus);
        if (button && (qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button))) {
            if (button->isEnabled() && button->isVisible())
                button->click();
            return true;
        }
        for (QPushButton* b : m_dialog->findChildren<QPushButton*>()) {
            if (b->window() == m_dialog && b->isDefault() && b->isVisible()) {
                if (b->isEnabled())
                    b->click();
                return true;
            }
        }
        return true;
    }

private:
    QDialog* m_dialog;
};
}

void UseDialogKeys(QDialog* dialog)
{
    dialog->installEventFilter(new TDialogKeys(dialog));
}

namespace {
class TPasswordStarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
}

void SetPasswordStars(QLineEdit* edit)
{
    auto* style = new TPasswordStarStyle;
    style->setParent(edit);
    edit->setStyle(style);
    edit->setEchoMode(QLineEdit::Password);
}
