#pragma once
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The text of a memo as stored and counted: every line break as CR LF.
QString MemoSendetext(const QPlainTextEdit* memo);
// The count text of a template's text: "Zeichenanzahl abhängig von den automatischen Feldern"
// for a text with automatic fields, else characters and SMS.
QString VorlagenZeichenText(const QString& text);

// Creates or edits one SMS template; also deletes one. One instance for the run.
class TSmsVorlagenEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TSmsVorlagenEditForm(QWidget* parent = nullptr);
    ~TSmsVorlagenEditForm() override;

    // -1 asks for a new template; call before showing.
    void SetVorlagenId(int id) { VorlagenId = id; }
    // The template edited; after OK on a new one, its new id.
    int GetVorlagenId() const { return VorlagenId; }
    // Deletes the template as one unit, without asking; failures are thrown (DbError).
    void DeleteVorlage(int id);

public Q_SLOTS:
    void SmsTyp_Text_SendetextChange();
    void Button_SmsTyp_Text_AutomatischesFeld_InsertClick();
    void Btn_OKClick();
    void Btn_AbbrechenClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    bool CheckEingaben();

    int VorlagenId = -1;
    QLineEdit* Bezeichnung;
    QPlainTextEdit* SmsTyp_Text_Sendetext;
    QLabel* SmsTyp_Text_Sendetext_AnzahlZeichen;
    QComboBox* SmsTyp_Text_AutomatischeFelder;
    QPushButton* Button_SmsTyp_Text_AutomatischesFeld_Insert;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
};
