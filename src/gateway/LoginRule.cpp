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

bool StoreLogin(Settings& settings, const TLogin& login, TIniFileDaten& rec, bool recIsCopy)
{
    if (!login.FromDialog || !login.Speichern)
        return false;
    auto apply = [&](TIniFileDaten& r) {
        r.Login_Speichern = true;
        r.Login_Username = login.Username;
        r.Login_Passwort = login.Passwort;
    };
    // A copy was taken before the request; the live record may have changed since (the
    // request's own login dialog, the settings dialog). Write the login into what holds now,
    // so that saving the copy does not take those changes back.
    TIniFileDaten current = recIsCopy ? settings.Get() : rec;
    apply(current);
    QString error;
    if (!settings.Write(current, &error)) {
        // Not stored, in the live record neither: the next command asks again.
        Settings::ReportSaveError(error);
        return false;
    }
    apply(rec);
    if (recIsCopy)
        settings.Reload();
    return true;
}
