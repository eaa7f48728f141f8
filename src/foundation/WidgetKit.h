#pragma once
#include <QIcon>
#include <QSize>
#include <QString>

class QDialog;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QToolButton;
class QWidget;

// Text of a UTF-8 literal.
inline QString u(const char* text) { return QString::fromUtf8(text); }

// How a tool button looks; what is left at its default is not set.
struct TToolButtonLook {
    QString text{};
    QString hint{};
    QIcon icon{};
    int iconSize = 20;
    QSize fixedSize{};
    QSize minimumSize{};
    bool autoRaise = false;
    bool checkable = false;
    Qt::ToolButtonStyle style = Qt::ToolButtonIconOnly;
};

// A tool button named `name`; on a tool bar it is added to the bar's end.
QToolButton* NewToolButton(QWidget* parent, const char* name, const TToolButtonLook& look);

// A push button named `name`; `isDefault`: the dialog's default button.
QPushButton* NewPushButton(QWidget* parent, const char* name, const QString& text, bool isDefault = false);
// A dialog's status bar named "StatusBar", without a size grip (the dialogs keep their size).
QStatusBar* NewDialogStatusBar(QWidget* parent);

// Return as on Windows: on a focused push or tool button it presses that button; elsewhere the
// dialog's default button (setDefault), or nothing when the dialog has none. Qt's own rule
// instead presses whichever button last had the focus, or the first one when none is default.
// Esc stays QDialog's reject(), which is Abbrechen in every dialog.
void UseDialogKeys(QDialog* dialog);

// A password edit that hides its characters behind "*" (the style's own mark is a dot).
void SetPasswordStars(QLineEdit* edit);
