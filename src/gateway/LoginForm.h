#pragma once
#include "foundation/IniFileDaten.h"
#include <QDialog>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The dialog "Zugangsdaten eingeben": the service login when none is stored.
class TLoginForm : public QDialog {
    Q_OBJECT
public:
    explicit TLoginForm(QWidget* parent = nullptr);

    QString GetUsername() const;
    QString GetPasswort() const;
    bool IsSpeichern() const;

    static constexpr const char* kMsgUsernameFehlt = "Bitte geben Sie Ihren Vornix2 Benutzernamen ein.";
    static constexpr const char* kMsgPasswortFehlt = "Bitte geben Sie Ihr Vornix2 Passwort ein.";
    static constexpr const char* kRegisterPath = "/deeplink/register";

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void Btn_OKClick();
    void Btn_AbbrechenClick();
    void Label4Click();

    QLabel* Label1;
    QLabel* Label4;
    QLabel* Label2;
    QLineEdit* Username;
    QLabel* Label3;
    QLineEdit* Passwort;
    QCheckBox* CheckBox_Speichern;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
};

class GatewaySession;
class Settings;

// The service login of one operation.
struct TLogin {
    QString Username;
    QString Passwort;
    bool FromDialog = false;   // typed into the dialog, not the stored one
    bool Speichern = false;    // the dialog's box "Zugangsdaten speichern"
};

// The stored login when there is one, else the one typed into the session's login dialog.
// Empty when the dialog was cancelled: the operation then ends silently.
std::optional<TLogin> AcquireLogin(GatewaySession& session, const TIniFileDaten& rec, QWidget* parent = nullptr);

// Call only after the command succeeded. Stores a login typed into the dialog when its box
// was ticked: into the live record and the settings file. True when the login was stored; a
// file that cannot be written is reported, and the login is then not kept.
bool StoreLogin(Settings& settings, const TLogin& login);
