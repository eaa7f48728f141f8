#include "gateway/HttpClient.h"
#include <QCoreApplication>
#include <QFile>
#include <curl/curl.h>
#include <mutex>

namespace {
void globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct ReplySink {
    QByteArray* body;
    qint64 limit;
    bool tooLarge = false;
};

// Stops the transfer before the body outgrows its limit (curl then fails with a write error).
size_t writeBody(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<ReplySink*>(user);
    const qint64 n = static_cast<qint64>(size * count);
    if (sink->body->size() + n > sink->limit) {
        sink->tooLarge = true;
        return 0;
    }
    sink->body->append(data, static_cast<qsizetype>(n));
    return size * count;
}

// Keeps the last status line, for the message of an HTTP error status.
size_t readHeader(char* data, size_t size, size_t count, void* user)
{
    const QByteArray line(data, static_cast<qsizetype>(size * count));
    if (line.startsWith("HTTP/"))
        *static_cast<QByteArray*>(user) = line.trimmed();
    return size * count;
}

// The bundle curl would use by default, plus the extra CA, as one blob: an extra trusted
// certificate must not replace the system store.
QByteArray caBlob(CURL* curl)
{
    const QByteArray extra = qgetenv("VORNIX2_CA_FILE");
    if (extra.isEmpty())
        return {};
    QByteArray blob;
    char* defaultBundle = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CAINFO, &defaultBundle) == CURLE_OK && defaultBundle) {
        QFile f(QString::fromLocal8Bit(defaultBundle));
        if (f.open(QIODevice::ReadOnly))
            blob = f.readAll();
    }
    QFile f(QString::fromLocal8Bit(extra));
    if (f.open(QIODevice::ReadOnly)) {
        blob.append('\n');
        blob.append(f.readAll());
    }
    return blob;
}

// How long one wait for the transfer's sockets lasts before pending events are let through.
constexpr int kPollMs = 20;

void letEventsThrough()
{
    // The window repaints and timers run; clicks and keys wait, so no second operation starts.
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Clears the busy flag and takes the easy handle out of the multi handle however the wait ends.
struct TransferScope {
    CURLM* multi;
    CURL* easy;
    bool& busy;
    ~TransferScope()
    {
        curl_multi_remove_handle(multi, easy);
        busy = false;
    }
};
}

QString THttpClient::TransportFailureText(int curlCode, const QString& curlText, bool viaProxy,
                                          long proxyStatus)
{
    QString reason;
    if (viaProxy && proxyStatus >= 300) {
        reason = QStringLiteral("Der Proxy-Server hat die Verbindung abgelehnt");
        return reason + QStringLiteral(" (")
            + (curlText.isEmpty() ? QStringLiteral("HTTP %1").arg(proxyStatus) : curlText) + QLatin1Char(')');
    }
    switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_COULDNT_CONNECT:
        reason = viaProxy ? QStringLiteral("Der Proxy-Server ist nicht erreichbar oder hat die Verbindung abgelehnt")
                          : QStringLiteral("Der Server ist nicht erreichbar oder hat die Verbindung abgelehnt");
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        reason = QStringLiteral("Der Server wurde nicht gefunden (unbekannter Rechnername)");
        break;
    case CURLE_COULDNT_RESOLVE_PROXY:
        reason = QStringLiteral("Der Proxy-Server wurde nicht gefunden (unbekannter Rechnername)");
        break;
    case CURLE_OPERATION_TIMEDOUT:
        reason = QStringLiteral("Zeitüberschreitung: der Server antwortet nicht");
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        reason = QStringLiteral("Das Zertifikat des Servers wurde nicht anerkannt");
        break;
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
        reason = QStringLiteral("Die vertrauenswürdigen Zertifikate konnten nicht gelesen werden");
        break;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
        reason = QStringLiteral("Die verschlüsselte Verbindung (TLS) zum Server ist fehlgeschlagen");
        break;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        reason = QStringLiteral("Die Verbindung zum Server wurde unterbrochen");
        break;
    case CURLE_GOT_NOTHING:
        reason = QStringLiteral("Der Server hat die Verbindung ohne Antwort beendet");
        break;
    case CURLE_PARTIAL_FILE:
        reason = QStringLiteral("Die Antwort des Servers kam nicht vollständig an");
        break;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_BAD_CONTENT_ENCODING:
        reason = QStringLiteral("Der Server hat eine ungültige Antwort gesendet");
        break;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        reason = QStringLiteral("Die Adresse des Servers ist ungültig");
        break;
    case CURLE_OUT_OF_MEMORY:
    case CURLE_WRITE_ERROR:
        reason = QStringLiteral("Die Antwort des Servers konnte nicht angenommen werden");
        break;
    default:
        reason = QStringLiteral("Die Übertragung zum Server ist fehlgeschlagen");
        break;
    }
    return curlText.isEmpty() ? reason : reason + QStringLiteral(" (") + curlText + QLatin1Char(')');
}

THttpClient::THttpClient()
{
    globalInit();
    CURL* c = curl_easy_init();
    m_curl = c;
    if (!c)
        return;
    m_multi = curl_multi_init();
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_HTTPAUTH, CURLAUTH_NONE);
    curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, 0L);
    // Certificates are always checked: the login and bank data travel in these requests.
    curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    m_caBlob = caBlob(c);
    if (!m_caBlob.isEmpty()) {
        curl_blob blob{m_caBlob.data(), static_cast<size_t>(m_caBlob.size()), CURL_BLOB_NOCOPY};
        curl_easy_setopt(c, CURLOPT_CAINFO_BLOB, &blob);
    }
    curl_slist* h = nullptr;
    h = curl_slist_append(h, (QByteArray("Content-Type: ") + kContentType).constData());
    h = curl_slist_append(h, (QByteArray("Accept: ") + kAccept).constData());
    // The gateway answers a plain POST; no 100-continue round trip for large batches.
    h = curl_slist_append(h, "Expect:");
    m_headers = h;
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, h);
    applyProxy();
}

THttpClient::~THttpClient()
{
    if (m_multi)
        curl_multi_cleanup(static_cast<CURLM*>(m_multi));
    if (m_curl)
        curl_easy_cleanup(static_cast<CURL*>(m_curl));
    if (m_headers)
        curl_slist_free_all(static_cast<curl_slist*>(m_headers));
}

void THttpClient::SetProxy(const THttpProxy& proxy)
{
    m_proxy = proxy;
    applyProxy();
}

void THttpClient::applyProxy()
{
    CURL* c = static_cast<CURL*>(m_curl);
    if (!c)
        return;
    // An empty proxy also keeps curl from taking one from the environment.
    const bool on = m_proxy.Enabled && !m_proxy.Server.isEmpty();
    // curl would keep the port of an earlier request instead of one out of range.
    m_proxyError.clear();
    if (on && (m_proxy.Port < 0 || m_proxy.Port > 65535))
        m_proxyError = QStringLiteral("Der Proxy-Port %1 ist ungültig").arg(m_proxy.Port);
    const QByteArray server = on ? m_proxy.Server.toUtf8() : QByteArray("");
    curl_easy_setopt(c, CURLOPT_PROXY, server.constData());
    curl_easy_setopt(c, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    curl_easy_setopt(c, CURLOPT_PROXYPORT, on ? static_cast<long>(m_proxy.Port) : 0L);
    // The environment's no_proxy must not decide either.
    curl_easy_setopt(c, CURLOPT_NOPROXY, "");
    if (on && m_proxy.BasicAuthentication) {
        curl_easy_setopt(c, CURLOPT_PROXYAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, m_proxy.Username.toUtf8().constData());
        curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, m_proxy.Passwort.toUtf8().constData());
    } else {
        curl_easy_setopt(c, CURLOPT_PROXYAUTH, CURLAUTH_NONE);
        curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, nullptr);
        curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, nullptr);
    }
}

QByteArray THttpClient::PostForm(const QString& url, const QByteArray& body)
{
    CURL* c = static_cast<CURL*>(m_curl);
    CURLM* multi = static_cast<CURLM*>(m_multi);
    if (!c || !multi)
        throw THttpError(QStringLiteral("Der HTTP-Client steht nicht zur Verfügung"));
    // Events are let through while a request waits: one started from there must not reuse the
    // handle of the one in flight.
    if (m_busy)
        throw THttpError(QStringLiteral("Es läuft bereits eine Anfrage an den Server"));
    if (!m_proxyError.isEmpty())
        throw THttpError(m_proxyError);
    QByteArray reply;
    QByteArray statusLine;
    char errorBuffer[CURL_ERROR_SIZE];
    errorBuffer[0] = '\0';
    const QByteArray urlBytes = url.toUtf8();
    curl_easy_setopt(c, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(c, CURLOPT_COPYPOSTFIELDS, body.constData());
    ReplySink sink{&reply, m_maxReplyBytes};
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    // Less than one byte a second over the stall time ends the transfer.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, m_stallSeconds);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, readHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &statusLine);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
    CURLcode rc = CURLE_OK;
    {
        if (curl_multi_add_handle(multi, c) != CURLM_OK)
            throw THttpError(QStringLiteral("Der HTTP-Client steht nicht zur Verfügung"));
        m_busy = true;
        TransferScope scope{multi, c, m_busy};
        bool done = false;
        while (!done) {
            int running = 0;
            const CURLMcode mc = curl_multi_perform(multi, &running);
            if (mc != CURLM_OK) {
                rc = CURLE_FAILED_INIT;
                break;
            }
            int left = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == c) {
                    rc = msg->data.result;
                    done = true;
                }
            }
            if (done)
                break;
            curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
            letEventsThrough();
        }
    }
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, nullptr);
    const bool viaProxy = m_proxy.Enabled && !m_proxy.Server.isEmpty();
    if (sink.tooLarge)
        throw THttpError(QStringLiteral("Die Antwort des Servers ist größer als %1 Bytes").arg(m_maxReplyBytes));
    if (rc != CURLE_OK) {
        const QString text = errorBuffer[0] ? QString::fromLocal8Bit(errorBuffer).trimmed()
                                            : QString::fromLatin1(curl_easy_strerror(rc));
        long connectCode = 0;
        curl_easy_getinfo(c, CURLINFO_HTTP_CONNECTCODE, &connectCode);
        throw THttpError(TransportFailureText(rc, text, viaProxy, connectCode));
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        const QString line = statusLine.isEmpty() ? QStringLiteral("HTTP %1").arg(status)
                                                  : QString::fromLatin1(statusLine);
        // A proxy that refuses a plain HTTP request answers it itself.
        const QString reason = viaProxy && status == 407
            ? QStringLiteral("Der Proxy-Server hat die Anfrage abgelehnt")
            : QStringLiteral("Der Server meldet einen Fehler");
        throw THttpError(reason + QStringLiteral(" (") + line + QLatin1Char(')'));
    }
    return reply;
}
