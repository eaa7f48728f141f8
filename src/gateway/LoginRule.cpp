#include "foundation/Messages.h"
#include "foundation/Settings.h"
#include "gateway/GatewaySession.h"
#include "gateway/LoginForm.h"
#include <memory>

std::optional<TLogin> AcquireLogin(GatewaySession& session, const TIniFileDaten& rec, QWidget* parent)
{
    TLogin login;
    if (rec.Login_Speichern) {
        login.Username = rec.Login_Username;
        login.Passwort = rec.Login_Passwort;
        return login;
    }
    // One dialog for the program; a caller before start-up gets one of its own.
    TLoginForm* form = session.LoginDialog();
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

bool StoreLogin(Settings& settings, const TLogin& login)
{
    if (!login.FromDialog || !login.Speichern)
        return false;
    // Into the record as it holds now (the request's own login dialog or the settings dialog
    // may have changed it); a file that cannot be written keeps it out of the live record
    // too, so that the next command asks again.
    return settings.Edit(
        [&](TIniFileDaten& r) {
            r.Login_Speichern = true;
            r.Login_Username = login.Username;
            r.Login_Passwort = login.Passwort;
        },
        Settings::EditMode::WriteOrDiscard);
}
