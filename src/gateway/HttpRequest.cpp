#include "gateway/HttpRequest.h"
#include "platform/Cp1252.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "gateway/GatewaySession.h"
#include "gateway/HttpClient.h"
#include "gateway/Xml.h"
#include <QApplication>
#include <QCursor>
#include <QList>
#include <optional>

namespace {
// The default cursor while the outcome is shown: every override cursor (an outer operation's
// hourglass too) is taken off for the guard's lifetime and put back in order afterwards.
class DefaultCursor {
public:
    DefaultCursor()
    {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return;
        while (const QCursor* c = QApplication::overrideCursor()) {
            m_stack.prepend(*c);
            QApplication::restoreOverrideCursor();
        }
    }
    ~DefaultCursor()
    {
        for (const QCursor& c : m_stack)
            QApplication::setOverrideCursor(c);
    }
    DefaultCursor(const DefaultCursor&) = delete;
    DefaultCursor& operator=(const DefaultCursor&) = delete;
private:
    QList<QCursor> m_stack;
};

void appendEncoded(QByteArray& out, const QString& value)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray bytes = Cp1252::Encode(value);
    const qsizetype start = out.size();
    out.resize(start + bytes.size() * 3);
    char* p = out.data() + start;
    for (const char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
            *p++ = ch;
        } else if (b == ' ') {
            *p++ = '+';
        } else {
            *p++ = '%';
            *p++ = hex[b >> 4];
            *p++ = hex[b & 0x0F];
        }
    }
    out.resize(p - out.constData());
}
}

QByteArray FormEncode(const QString& value)
{
    QByteArray out;
    appendEncoded(out, value);
    return out;
}

QByteArray FormBody(const QStringList& lines)
{
    QByteArray body;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (i > 0)
            body.append('&');
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            body.append(Cp1252::Encode(line));
            continue;
        }
        body.append(Cp1252::Encode(line.left(eq)));
        body.append('=');
        appendEncoded(body, line.mid(eq + 1));
    }
    if (lines.size() >= 2)
        body.append('&');
    return body;
}

bool IsLoginError(const QString& text) { return text.contains(QLatin1String(kLoginErrorCode)); }
bool IsAccountLocked(const QString& text) { return text.contains(QLatin1String(kAccountLockedCode)); }

QString GatewayErrorText(const QString& response, const QString& rootTag)
{
    const QString root = XmlElement(response, rootTag);
    if (!root.isEmpty())
        return XmlElement(root, QStringLiteral("Error"));
    const QString list = XmlElement(XmlElement(response, QStringLiteral("Error")), QStringLiteral("ErrorList"));
    TXmlCursor cursor(list);
    QStringList items;
    QString item;
    while (cursor.Next(QStringLiteral("ErrorListItem"), item))
        items.append(item);
    return items.join(QStringLiteral("\n\r"));
}

TReplyEvaluation EvaluateReply(const QString& response, const QString& rootTag, int heldNewsIndex)
{
    TReplyEvaluation e;
    const QString root = XmlElement(response, rootTag);
    const int newsIndex = XmlElementInt(root, QStringLiteral("NewsIndex"), -1);
    if (newsIndex > 0 && newsIndex > heldNewsIndex)
        e.NewerNewsIndex = newsIndex;
    e.Version = ReadVersionInfo(response);
    e.Success = XmlElement(root, QStringLiteral("Result")) == QLatin1String("SUCCESS");
    if (e.Success)
        return e;
    e.ErrorText = GatewayErrorText(response, rootTag);
    if (IsLoginError(e.ErrorText))
        e.Message = TRejectionMessage::Login;
    else if (IsAccountLocked(e.ErrorText))
        e.Message = TRejectionMessage::AccountLocked;
    return e;
}

THttpRequest::THttpRequest(GatewaySession& session, const QString& url, QStringList& params)
    : Session(session), Url(url), Params(&params)
{
}

bool THttpRequest::Execute(const QString& rootTag, const QString& failMessage)
{
    bool result = false;
    std::optional<WaitCursor> hourglass;
    std::optional<DefaultCursor> plain;
    // Any failure on the way: the connection box, whatever ShowErrors says.
    auto noConnection = [&](const QString& message) {
        hourglass.reset();
        if (!plain)
            plain.emplace();
        ErrorText = QLatin1String(kNoConnectionError);
        Msg::Error(QString::fromUtf8(kMsgNoConnection).arg(message));
    };
    hourglass.emplace();
    try {
        Params->append(QStringLiteral("version=%1").arg(kClientVersion));
        Response = Cp1252::Decode(Session.HttpClient().PostForm(Url, FormBody(*Params)));

        const TReplyEvaluation reply = EvaluateReply(Response, rootTag, Session.News().Index);
        if (CheckNews && reply.NewerNewsIndex)
            Session.AnnounceNews(*reply.NewerNewsIndex);
        if (reply.Version)
            Session.AnnounceVersion(reply.Version->Major, reply.Version->Minor, reply.Version->Release);

        hourglass.reset();
        plain.emplace();
        if (reply.Success)
            return true;

        ErrorText = reply.ErrorText;
        if (ShowErrors) {
            switch (reply.Message) {
            case TRejectionMessage::Login:
                Msg::Error(QString::fromUtf8(kMsgLoginError));
                break;
            case TRejectionMessage::AccountLocked:
                Msg::Error(QString::fromUtf8(kMsgAccountLocked));
                break;
            case TRejectionMessage::Gateway:
                Msg::Error(QString::fromUtf8(kMsgGatewayError).arg(failMessage, ErrorText));
                break;
            }
        }
    } catch (const THttpError& e) {
        noConnection(e.Message());
    } catch (const std::exception& e) {
        noConnection(QString::fromLocal8Bit(e.what()));
    }
    return result;
}
