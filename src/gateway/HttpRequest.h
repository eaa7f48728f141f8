#pragma once
#include "gateway/Version.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class GatewaySession;

// The client version sent with every gateway request.
inline constexpr int kClientVersion = 2105;

inline constexpr const char* kNoConnectionError = "000: no connection";
inline constexpr const char* kLoginErrorCode = "010: username and/or password is invalid";
inline constexpr const char* kAccountLockedCode = "012: account is locked";

inline constexpr const char* kMsgLoginError =
    "Ein Benutzer mit den von Ihnen eingegebenen Zugangsdaten existiert nicht.\n\r"
    "Bitte überprüfen Sie die Schreibweise von Username und Passwort - achten Sie dabei auf "
    "Groß-/Kleinschreibung!";
inline constexpr const char* kMsgAccountLocked =
    "Der Account ist gesperrt.\n\rBitte nehmen Sie Kontakt mit dem Support auf.";
// %1 the caller's failure message, %2 the error text.
inline constexpr const char* kMsgGatewayError =
    "%1\n\rFehlermeldung(en): \n\r%2.\n\r\n\rNähere Informationen zu Fehlermeldungen erhalten Sie "
    "in der technischen Dokumentation.";
// %1 the transport's own message.
inline constexpr const char* kMsgNoConnection =
    "Es konnte keine Verbindung zum Server hergestellt werden.\n\rFehlermeldung: %1.";

// One value of a form field as it goes on the wire: Windows-1252 bytes; letters and digits
// stay, a blank becomes "+", every other byte "%XX" (upper-case hex).
QByteArray FormEncode(const QString& value);
// The body of a form: each line "name=value" with the value encoded, joined with "&"; a
// body of two or more lines ends with one more "&".
QByteArray FormBody(const QStringList& lines);

// Case-sensitive substring tests on an error text.
bool IsLoginError(const QString& text);
bool IsAccountLocked(const QString& text);

// The error text of a rejected reply: the root's Error, or, when the root is missing or
// empty, the ErrorListItem texts joined with "\n\r".
QString GatewayErrorText(const QString& response, const QString& rootTag);

// Which box a rejected reply shows.
enum class TRejectionMessage { Login, AccountLocked, Gateway };

// What a reply says, read without showing anything.
struct TReplyEvaluation {
    bool Success = false;
    // The error text of a rejected reply ("" on success).
    QString ErrorText;
    TRejectionMessage Message = TRejectionMessage::Gateway;
    // The root's NewsIndex when it is above 0 and above the one held.
    std::optional<int> NewerNewsIndex;
    std::optional<TVersion> Version;
};
TReplyEvaluation EvaluateReply(const QString& response, const QString& rootTag, int heldNewsIndex);

// One exchange with a full URL through the session's client, news and version: the engine of
// GatewaySession::Post (tests drive it with URLs of their own). The caller owns the parameter
// list; Execute appends the version line to it.
class THttpRequest {
public:
    THttpRequest(GatewaySession& session, const QString& url, QStringList& params);

    void SetShowErrors(bool value) { ShowErrors = value; }
    void SetCheckNews(bool value) { CheckNews = value; }

    // True when the gateway reports success; shows the error boxes otherwise.
    bool Execute(const QString& rootTag, const QString& failMessage);

    QString GetResponse() const { return Response; }
    QString GetError() const { return ErrorText; }

private:
    QString Response;
    QString ErrorText;
    GatewaySession& Session;
    QString Url;
    QStringList* Params;
    bool ShowErrors = true;
    bool CheckNews = true;
};
