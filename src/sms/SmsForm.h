#pragma once
#include "sms/Recipient.h"
#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QVector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QHBoxLayout;
class QGroupBox;
class QToolButton;
class QWidget;

// The SMS composer: recipients, type, sender, text with automatic fields and templates,
// and the two send commands. It closes with Accepted only after a successful send.
class GatewaySession;
class TSmsVersandStatusForm;
class TEmpfaengerAuswaehlenForm;
class TSmsVersandZeitgesteuertForm;
class TEmpfaengerModel;

class TSmsForm : public QDialog {
    Q_OBJECT
public:
    // `status` shows the gateway's reply after a sending run; `auswahl` is the recipient picker
    // and `zeitgesteuert` asks for the time of a scheduled sending (both outlive the composer).
    TSmsForm(GatewaySession& session, TSmsVersandStatusForm* status, TEmpfaengerAuswaehlenForm& auswahl,
             TSmsVersandZeitgesteuertForm& zeitgesteuert, QWidget* parent = nullptr);
    ~TSmsForm() override;

    // The recipient list; callers fill it before showing the composer.
    void ClearEmpfaenger();
    void ClearWarnzaehler();
    bool AddEmpfaenger(const TRecipient& r);
    bool AddEmpfaengerById(int id);
    // Several contacts in the given order through one prepared statement; the number added.
    int AddEmpfaengerByIds(const QList<int>& ids);
    int AddEmpfaengerByKategorie(int kategorieId);
    const TRecipients& GetEmpfaenger() const { return m_recipients; }
    void RefreshEmpfaengerList();
    void DeleteEmpfaenger(int index);
    void DeleteSelectedEmpfaenger();
    void ShowWarnmeldungen();
    // The contacts chosen in the recipient picker, added after its OK.
    void AddGewaehlteEmpfaenger(const QList<int>& ids);

    // The text as written, every line break as CR LF.
    QString GetSendetext() const;
    // The text with every automatic field filled for recipient `index`.
    QString ReplaceAutomatischeFelder(int index) const;
    void LoadVorlagen();
    bool CheckEingaben();
    // Sends to every recipient (immediately, at `zeitpunkt`, or on birthdays at its time of day).
    void SendSms(bool geburtstag, bool sofort, const QDateTime& zeitpunkt);
    // True while a sending run goes on.
    bool IsSending() const { return m_sending; }

public Q_SLOTS:
    void SmsTypClick();
    void TextSMS_SendetextChange();
    void Button_TextSMS_AutomatischesFeld_InsertClick();
    void TextSMS_AutomatischeFelder_VorschauClick();
    void EmpfaengerClick();
    void Button_TextSMS_Vorlage_InsertClick();
    void Button_Sendetext_AnzahlZeichen_CalculateClick();
    void ToolButton_Senden_JetztClick();
    void ToolButton_Senden_ZeitgesteuertClick();
    void Button_Mobilfunknummer_HinzuClick();
    void ToolButton_Empfaenger_HinzuClick();
    void ToolButton_Empfaenger_LoeschenClick();
    void GewhltenKontakteentfernen1Click();
    void alleentfernen1Click();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHBoxLayout* buildToolBar();
    QGroupBox* buildEmpfaenger();
    QHBoxLayout* buildTypAbsender();
    void buildText();
    QWidget* layoutText();
    void connectHandlers();
    GatewaySession& m_session;
    TSmsVersandStatusForm* m_statusForm;
    TEmpfaengerAuswaehlenForm& m_empfaengerAuswahl;
    TSmsVersandZeitgesteuertForm& m_zeitgesteuertForm;
    void FormShow();
    // A count computed for the previous list no longer holds.
    void EmpfaengerListChanged();
    void showStatus(const QString& text);
    void setRunning(bool running);
    QList<int> selectedRows() const;

    TRecipients m_recipients;
    QVector<int> VorlagenIds;
    bool m_sending = false;
    QList<QPair<QWidget*, bool>> m_enabledBeforeRun;

    QToolButton* ToolButton_Senden_Jetzt;
    QToolButton* ToolButton_Senden_Zeitgesteuert;
    QToolButton* ToolButton_Empfaenger_Hinzu;
    QToolButton* ToolButton_Empfaenger_Loeschen;
    QToolButton* SpeedButton_Empfaenger_Waehlen;
    QLineEdit* Mobilfunknummer;
    QPushButton* Button_Mobilfunknummer_Hinzu;
    QListView* Empfaenger;
    TEmpfaengerModel* m_empfaengerModel;
    QLabel* Gesamtanzahl_Empfaenger;
    QMenu* PopupMenu_Kontakte;
    QComboBox* SmsTyp;
    QLineEdit* Absender;
    QLabel* Panel_Content_Headline;
    QComboBox* TextSMS_Vorlagen;
    QPushButton* Button_TextSMS_Vorlage_Insert;
    QPlainTextEdit* TextSMS_Sendetext;
    QPlainTextEdit* TextSMS_Sendetext_Vorschau;
    QLabel* Sendetext_AnzahlZeichen;
    QPushButton* Button_Sendetext_AnzahlZeichen_Calculate;
    QComboBox* TextSMS_AutomatischeFelder;
    QPushButton* Button_TextSMS_AutomatischesFeld_Insert;
    QCheckBox* TextSMS_AutomatischeFelder_Vorschau;
    QStatusBar* StatusBar;
};

