#pragma once
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QVBoxLayout;
class GatewaySession;
class Settings;
struct TLogin;

// The dialog "Userdaten ändern": the account's address, contact numbers, e-mail, password and
// bank account as the service keeps them. Read before it opens, sent back with one update;
// salutation, company, name and the payment variant are shown only.
class TUserdatenForm : public QDialog {
    Q_OBJECT
public:
    TUserdatenForm(Settings& settings, GatewaySession& session, QWidget* parent = nullptr);

    // Fetches the account's data for editing and fills the dialog; true on success. False
    // also when the login dialog was cancelled.
    bool LoadUserdaten();
    // The input checks of OK; the first failing one is shown and focused.
    bool CheckEingaben();
    void SetPasswortEnabled(bool enabled);

    static constexpr const char* kCommand = "/smscommand/UserData.do";
    static constexpr const char* kMsgLesenFehler = "Die Benutzerdaten konnten nicht erfolgreich vom Server abgerufen werden.";
    static constexpr const char* kMsgSendenFehler = "Die Benutzerdaten konnten nicht erfolgreich zum Server übertragen werden.";
    static constexpr const char* kMsgHochladen = "Bitte warten... die Userdaten werden zum Server hochgeladen.";
    static constexpr const char* kMsgPasswortLeer = "Bitte geben Sie ein neues Passwort für Ihren Account ein.";
    static constexpr const char* kMsgPasswortKurz = "Das Passwort muss mindestens 5 Zeichen lang sein.";
    static constexpr const char* kMsgPasswortUngleich =
        "Die Eingaben in den Feldern 'Passwort' und 'Passwort-Kontrolle' stimmen nicht überein.\n\r"
        "Bitte geben Sie das neue Passwort in beide Felder identisch ein.";
    static constexpr const char* kMsgBezahlVariante = "Bitte wählen Sie eine Bezahl-Variante.";
    static constexpr const char* kMsgKreditinstitut = "Bitte geben Sie Ihr Kreditinstitut ein.";
    static constexpr const char* kMsgBankleitzahl = "Bitte geben Sie die Bankleitzahl Ihres Kreditinstituts ein.";
    static constexpr const char* kMsgKontonummer = "Bitte geben Sie Ihre Kontonummer ein.";
    static constexpr const char* kMsgKontoinhaber = "Bitte geben Sie den Kontoinhaber ein.";

public Q_SLOTS:
    void Btn_OKClick();
    void Btn_AbbrechenClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildTopPanel();
    void layoutTopPanel(QVBoxLayout* top);
    void buildBezahlPanels();
    void buildBankPanel();
    void buildButtonPanel();
    void FormShow();
    void CheckBox_PasswortClick();
    void BezahlVarianteChange();
    void showStatus(const QString& text);
    // After an accepted update: the login to keep holds the new password, so that the next
    // command (the Home page's refetch first) logs in with it.
    void keepNewPasswort(const TLogin& login, const QString& passwortNeu);

    Settings& m_settings;
    GatewaySession& m_session;

    QWidget* Panel_Top;
    QLabel* Label1;
    QCheckBox* CheckBox_Passwort;
    QLabel* Label_Passwort;
    QLineEdit* Passwort;
    QLabel* Label_PasswortKontrolle;
    QLineEdit* PasswortKontrolle;
    QComboBox* Anrede;
    QLineEdit* Vorname;
    QLineEdit* Nachname;
    QLineEdit* Firma;
    QLineEdit* Strasse;
    QLineEdit* PLZ;
    QLineEdit* Ort;
    QLineEdit* Land;
    QLineEdit* Email;
    QLineEdit* Mobil;
    QLineEdit* Telefon;
    QLineEdit* Telefax;
    QLabel* Label14;
    QWidget* Panel_BezahlArt;
    QComboBox* BezahlVariante;
    QWidget* Panel_Kreditkarte;
    QWidget* Panel_Bankdaten;
    QLineEdit* Kreditinstitut;
    QLineEdit* Bankleitzahl;
    QLineEdit* Kontonummer;
    QLineEdit* Kontoinhaber;
    QWidget* Panel_Buttons;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
    QStatusBar* StatusBar;
};
