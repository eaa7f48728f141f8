#pragma once
#include <QDialog>
#include <QVector>

class QHBoxLayout;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QStatusBar;
class QToolButton;
class TSmsVorlagenEditForm;

// The window "SMS-Vorlagen": every template by name with the chosen one's type, name and
// text, and the commands to create, edit and delete. One instance for the run.
class TSmsVorlagenForm : public QDialog {
    Q_OBJECT
public:
    // `editForm` creates, edits and deletes the templates.
    explicit TSmsVorlagenForm(TSmsVorlagenEditForm* editForm, QWidget* parent = nullptr);
    ~TSmsVorlagenForm() override;

    void LoadVorlagen();
    // Shows the template `id`; below 0 (or a row gone) the empty state.
    void ShowVorlage(int id);

public Q_SLOTS:
    void ListBox_SmsVorlagenClick();
    void ListBox_SmsVorlagenDblClick();
    void ToolButton_Vorlage_NeuClick();
    void ToolButton_Vorlage_LoeschenClick();
    void SmsTypText_SendetextChange();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QHBoxLayout* buildToolBar();
    QWidget* buildVorlagenListe();
    void buildPopupMenu();
    QWidget* buildVorlage();
    void FormShow();
    // The selected entry's index, -1 with none (the current one need not be selected).
    int selectedIndex() const;
    void showStatus(const QString& text);

    TSmsVorlagenEditForm* m_editForm;
    QVector<int> VorlagenIds;

    QToolButton* ToolButton_Vorlage_Neu;
    QToolButton* ToolButton_Vorlage_Loeschen;
    QListWidget* ListBox_SmsVorlagen;
    QMenu* PopupMenu;
    QLabel* SmsTyp;
    QLabel* VorlagenName;
    QPlainTextEdit* SmsTypText_Sendetext;
    QLabel* SmsTypText_Sendetext_AnzahlZeichen;
    QStatusBar* StatusBar;
};
