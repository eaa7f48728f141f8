#include "foundation/Messages.h"
#include "gateway/GatewayHost.h"
#include "gateway/LoginForm.h"
#include <memory>

std::optional<TLogin> AcquireLogin(const TIniFileDaten& rec, QWidget* parent)
{
    TLogin login;
    if (rec.Login_Speichern) {
        login.Username = rec.Login_Username;
        login.Passwort = rec.Login_Passwort;
        return login;
    }
    // One dialog for the program; a caller before start-up gets one of its own.
    TLoginForm* form = LoginForm;
    std::unique_ptr<TLoginForm> own;
    if (!form) {
        own = std::make_unique<TLoginForm>(parent);
        form = own.get();
    }
    if (form->exec() != QDialog::Accepted)
        return std::nullopt;
    login.Username = form->GetUsername();
    login.Passwort = form->GetPasswort();
    login.FromDialog = true;
    login.Speichern = form->IsSpeichern();
    return login;
}

bool StoreLogin(const TLogin& login, TIniFileDaten& rec, bool recIsCopy)
{
    if (!login.FromDialog || !login.Speichern)
        return false;
    rec.Login_Speichern = true;
    rec.Login_Username = login.Username;
    rec.Login_Passwort = login.Passwort;
    IGatewayHost* host = GatewayHost();
    if (!host)
        return true;
    QString error;
    if (!SaveIniFileDaten(host->GetIniFileName(), rec, &error)) {
        // Not stored: the next command asks again.
        Msg::Error(QStringLiteral("Die Einstellungen konnten nicht gespeichert werden.\n\rFehlermeldung: ") + error);
        return false;
    }
    if (recIsCopy)
        host->ReloadIniFileDaten();
    return true;
}
