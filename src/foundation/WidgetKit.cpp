#include "foundation/WidgetKit.h"
#include "foundation/WaitCursor.h"
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
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
    if (look.iconSize > 0)
        b->setIconSize(QSize(look.iconSize, look.iconSize));
    if (look.arrow != Qt::NoArrow)
        b->setArrowType(look.arrow);
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
    if (!look.enabled)
        b->setEnabled(false);
    if (look.autoExclusive)
        b->setAutoExclusive(true);
    if (look.focus)
        b->setFocusPolicy(*look.focus);
    if (!look.styleSheet.isEmpty())
        b->setStyleSheet(look.styleSheet);
    if (auto* bar = qobject_cast<QToolBar*>(parent))
        bar->addWidget(b);
    return b;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, const TLabelLook& look)
{
    auto* l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QLatin1String(name));
    if (look.plainText)
        l->setTextFormat(Qt::PlainText);
    if (look.wordWrap)
        l->setWordWrap(true);
    if (look.selectable)
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (look.minimumWidth > 0)
        l->setMinimumWidth(look.minimumWidth);
    if (look.bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    if (!look.margins.isNull())
        l->setContentsMargins(look.margins);
    if (look.autoFill)
        l->setAutoFillBackground(true);
    if (look.styleSheet)
        l->setStyleSheet(QLatin1String(look.styleSheet));
    if (look.buddy)
        l->setBuddy(look.buddy);
    return l;
}

QLabel* NewHeading(QWidget* parent, const QString& text, const char* name)
{
    return NewLabel(parent, name, text, {.bold = true});
}

void ShowAsLink(QLabel* label, const char* color)
{
    label->setCursor(Qt::PointingHandCursor);
    QFont f = label->font();
    f.setUnderline(true);
    label->setFont(f);
    if (color)
        label->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(color)));
}

QLabel* NewClickLabel(QWidget* parent, const QString& name, const QString& text, const char* color)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    ShowAsLink(l, color);
    return l;
}

QLineEdit* NewEdit(QWidget* parent, const char* name, int minimumWidth)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (minimumWidth > 0)
        e->setMinimumWidth(minimumWidth);
    return e;
}

QCheckBox* NewCheckBox(QWidget* parent, const char* name, const QString& text)
{
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

QComboBox* NewDropDown(QWidget* parent, const char* name, const QStringList& items, int minimumWidth)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    if (minimumWidth > 0)
        c->setMinimumWidth(minimumWidth);
    return c;
}

QFrame* NewPanel(QWidget* parent, const char* name)
{
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameShape(QFrame::StyledPanel);
    return f;
}

QGroupBox* NewCaptionedPanel(QWidget* parent, const QString& caption, const char* name)
{
    auto* box = new QGroupBox(caption, parent);
    if (name)
        box->setObjectName(QLatin1String(name));
    return box;
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

void NewOkAbbrechen(QWidget* parent, QPushButton*& ok, QPushButton*& abbrechen)
{
    ok = NewPushButton(parent, "Btn_OK", QStringLiteral("&OK"), true);
    abbrechen = NewPushButton(parent, "Btn_Abbrechen", QStringLiteral("A&bbrechen"));
}

QHBoxLayout* NewOkAbbrechenRow(QPushButton* ok, QPushButton* abbrechen)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(abbrechen);
    return row;
}

void AddOkAbbrechenRow(QBoxLayout* layout, QPushButton* ok, QPushButton* abbrechen, QStatusBar* statusBar)
{
    layout->addLayout(NewOkAbbrechenRow(ok, abbrechen));
    if (statusBar)
        layout->addWidget(statusBar);
}

void ShowDialogStatus(QStatusBar* bar, const QString& text, TStatusEcho echo)
{
    if (echo == TStatusEcho::AlsoStatusText)
        StatusText::Set(text);
    if (text.isEmpty())
        bar->clearMessage();
    else
        bar->showMessage(text);
    bar->repaint();
}

TDialogStatus::TDialogStatus(QStatusBar* bar, const QString& text, TStatusEcho echo) : m_bar(bar), m_echo(echo)
{
    Show(text);
}

TDialogStatus::TDialogStatus(QStatusBar* bar, TStatusEcho echo) : m_bar(bar), m_echo(echo) {}

TDialogStatus::~TDialogStatus() { ShowDialogStatus(m_bar, QString(""), m_echo); }

void TDialogStatus::Show(const QString& text) { ShowDialogStatus(m_bar, text, m_echo); }

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
