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
    auto apply = [&](TIniFileDaten& r) {
        r.Login_Speichern = true;
        r.Login_Username = login.Username;
        r.Login_Passwort = login.Passwort;
    };
    IGatewayHost* host = GatewayHost();
    if (!host) {
        apply(rec);
        return true;
    }
    // A copy was taken before the request; the main window's record may have changed since
    // (news and version arrive with every reply). Write the login into what holds now, so that
    // saving the copy does not take those changes back.
    TIniFileDaten current = recIsCopy ? host->GetIniFileDaten() : rec;
    apply(current);
    QString error;
    if (!SaveIniFileDaten(host->GetIniFileName(), current, &error)) {
        // Not stored, in the live record neither: the next command asks again.
        Msg::Error(QStringLiteral("Die Einstellungen konnten nicht gespeichert werden.\n\rFehlermeldung: ") + error);
        return false;
    }
    apply(rec);
    if (recIsCopy)
        host->ReloadIniFileDaten();
    return true;
}
