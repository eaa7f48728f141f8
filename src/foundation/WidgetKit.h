#pragma once
#include <QIcon>
#include <QMargins>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QDialog;
class QFrame;
class QGroupBox;
class QHBoxLayout;
class QLabel;
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
    Qt::ArrowType arrow = Qt::NoArrow;
    bool enabled = true;
    bool autoExclusive = false;
    std::optional<Qt::FocusPolicy> focus{};
    QString styleSheet{};
};

// A tool button named `name`; on a tool bar it is added to the bar's end. `iconSize` 0 keeps
// the style's own size (arrow buttons).
QToolButton* NewToolButton(QWidget* parent, const char* name, const TToolButtonLook& look);

// How a label looks; what is left at its default is not set.
struct TLabelLook {
    QWidget* buddy = nullptr;
    bool bold = false;
    bool plainText = false;   // texts of the gateway or the user, never markup
    bool wordWrap = false;
    bool selectable = false;
    int minimumWidth = 0;
    QMargins margins{};   // air around the text, as over a list
    bool autoFill = false;
    const char* styleSheet = nullptr;
};
// A label named `name` (unnamed when null).
QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, const TLabelLook& look = {});
// A bold label: the heading of a section or a list.
QLabel* NewHeading(QWidget* parent, const QString& text, const char* name = nullptr);
// A label that reads as a link: underlined, under a pointing hand, in `color` (none: the
// palette's); OnWidgetClick makes it act.
void ShowAsLink(QLabel* label, const char* color = nullptr);
// A plain-text label shown as a link.
QLabel* NewClickLabel(QWidget* parent, const QString& name, const QString& text, const char* color = "#0000cc");

// A line edit named `name`; `minimumWidth` 0 leaves the width to the layout.
QLineEdit* NewEdit(QWidget* parent, const char* name, int minimumWidth = 0);
QCheckBox* NewCheckBox(QWidget* parent, const char* name, const QString& text);
// A drop-down list (not editable) named `name` holding `items`.
QComboBox* NewDropDown(QWidget* parent, const char* name, const QStringList& items, int minimumWidth = 0);
// A panel with the style's frame, named `name`.
QFrame* NewPanel(QWidget* parent, const char* name);
// A panel under a caption in its frame (a group box), named `name` (unnamed when null).
QGroupBox* NewCaptionedPanel(QWidget* parent, const QString& caption, const char* name = nullptr);

// A push button named `name`; `isDefault`: the dialog's default button.
QPushButton* NewPushButton(QWidget* parent, const char* name, const QString& text, bool isDefault = false);
// A dialog's status bar named "StatusBar", without a size grip (the dialogs keep their size).
QStatusBar* NewDialogStatusBar(QWidget* parent);

// A dialog's "Btn_OK" (its default button) and "Btn_Abbrechen", made in this order.
void NewOkAbbrechen(QWidget* parent, QPushButton*& ok, QPushButton*& abbrechen);
// The row at a dialog's foot: OK and Abbrechen at its right end.
QHBoxLayout* NewOkAbbrechenRow(QPushButton* ok, QPushButton* abbrechen);
// Adds the OK/Abbrechen row and, when given, the status bar under it to `layout`.
void AddOkAbbrechenRow(QBoxLayout* layout, QPushButton* ok, QPushButton* abbrechen, QStatusBar* statusBar = nullptr);

// Where a dialog's status text shows: in its own bar only, or also as the program's status
// text (StatusText), which the main window shows and tests read.
enum class TStatusEcho { BarOnly, AlsoStatusText };
// Shows `text` in the dialog's status bar at once ("" clears it).
void ShowDialogStatus(QStatusBar* bar, const QString& text, TStatusEcho echo = TStatusEcho::AlsoStatusText);

// A dialog's status text for a scope: set at the start (when given), cleared however the scope ends.
class TDialogStatus {
public:
    TDialogStatus(QStatusBar* bar, const QString& text, TStatusEcho echo = TStatusEcho::BarOnly);
    explicit TDialogStatus(QStatusBar* bar, TStatusEcho echo = TStatusEcho::BarOnly);
    ~TDialogStatus();
    TDialogStatus(const TDialogStatus&) = delete;
    TDialogStatus& operator=(const TDialogStatus&) = delete;
    void Show(const QString& text);

private:
    QStatusBar* m_bar;
    TStatusEcho m_echo;
};

// Return as on Windows: on a focused push or tool button it presses that button; elsewhere the
// dialog's default button (setDefault), or nothing when the dialog has none. Qt's own rule
// instead presses whichever button last had the focus, or the first one when none is default.
// Esc stays QDialog's reject(), which is Abbrechen in every dialog.
void UseDialogKeys(QDialog* dialog);

// A password edit that hides its characters behind "*" (the style's own mark is a dot).
void SetPasswordStars(QLineEdit* edit);
