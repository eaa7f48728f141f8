#pragma once
#include <QDialog>
#include <QString>
#include <QStringList>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QLabel;

// What the joined send replies of one run report.
struct TSmsVersandStatus {
    int Requests = 0;
    int FailedRequests = 0;
    int Recipients = 0;
    QString Date;                // of the last report
    QString DeliverDate;         // of the last report
    bool Variabel = false;       // the reports name different delivery days
    QString MsgParts;            // of the last report
    QStringList Warnings;        // distinct, in order of first appearance

    // The text of the recipient count field.
    QString AnzahlEmpfaengerText() const;
};

// Reads the replies report by report, in linear time.
TSmsVersandStatus ParseSmsVersandStatus(const QString& rueckgabe);
// The text split into lines at CR, LF or CR LF.
QStringList SplitLines(const QString& text);

// The sending status dialog: what the gateway reported after a successful run.
class TSmsVersandStatusForm : public QDialog {
    Q_OBJECT
public:
    explicit TSmsVersandStatusForm(QWidget* parent = nullptr);
    ~TSmsVersandStatusForm() override;

    void SetRueckgabe(const QString& text) { m_rueckgabe = text; }
    QString GetRueckgabe() const { return m_rueckgabe; }
    // Some reply reports "<result>SUCCESS</result>" (exactly, case-sensitive).
    bool IsSuccess() const;

    // The proposed file name for saving the replies, from today's date.
    static QString ProposedFileName();

public Q_SLOTS:
    void Btn_OKClick();
    void Button_RueckgabeSpeichernClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildFelder();
    // The fields under their captions, the reply and the buttons; the dialog keeps its size.
    void layoutFelder();
    void FormShow();

    QString m_rueckgabe;
    QLabel* Label1;
    QLineEdit* Annahme;
    QLineEdit* Versandzeitpunkt;
    QLineEdit* Nachrichtenteile;
    QLineEdit* AnzahlEmpfaenger;
    QPlainTextEdit* Warnmeldungen;
    QPlainTextEdit* Rueckgabe;
    QPushButton* Btn_OK;
    QPushButton* Button_RueckgabeSpeichern;
};


inline constexpr const char* kMsgDateiExistiert =
    "Die Datei '%1' existiert bereits.\n\rSind Sie sicher, dass Sie diese Datei überschreiben möchten?";
inline constexpr const char* kMsgRueckgabeGespeichert = "Die Gateway-Rückgabe wurde erfolgreich gespeichert.";
