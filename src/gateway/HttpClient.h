#pragma once
#include <QByteArray>
#include <QString>
#include <stdexcept>

// A failure of the transport itself: no connection, name resolution, proxy, TLS, an HTTP
// error status, a connection broken during the reply. Message() says it in German, with the
// library's own text in brackets where it adds a detail.
class THttpError : public std::runtime_error {
public:
    explicit THttpError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& Message() const { return m_message; }
private:
    QString m_message;
};

// The proxy in force for one request. With Enabled off no proxy is used at all, also when the
// environment names one.
struct THttpProxy {
    bool Enabled = false;
    QString Server;
    int Port = 0;
    bool BasicAuthentication = false;
    QString Username;
    QString Passwort;
};

// The one HTTP client of the program: a reused libcurl easy handle with the fixed settings of
// the gateway exchange (form POST, headers, no cookies, no redirects, verified TLS 1.2 or
// later). A request blocks its caller, but the window keeps repainting meanwhile: the transfer
// runs through curl's multi interface while pending events other than user input are let
// through. Used by one request at a time. A stalled or oversized reply fails as a transport
// failure, so that no request can block the program for good.
class THttpClient {
public:
    THttpClient();
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    static constexpr const char* kContentType = "application/x-www-form-urlencoded";
    static constexpr const char* kAccept = "text/html, */*";
    static constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
    static constexpr long kConnectTimeoutSeconds = 30;
    static constexpr long kStallTimeoutSeconds = 60;
    static constexpr qint64 kMaxReplyBytes = qint64(64) * 1024 * 1024;

    // Applied to every following request.
    void SetProxy(const THttpProxy& proxy);
    const THttpProxy& Proxy() const { return m_proxy; }
    // A request that receives nothing for this long fails (tests shorten it).
    void SetStallTimeout(long seconds) { m_stallSeconds = seconds; }
    long StallTimeout() const { return m_stallSeconds; }
    // A reply body larger than this fails (tests lower it).
    void SetMaxReplySize(qint64 bytes) { m_maxReplyBytes = bytes; }
    qint64 MaxReplySize() const { return m_maxReplyBytes; }

    // Posts the already encoded form body; returns the reply body as bytes.
    // Throws THttpError on any transport failure or a status other than 2xx.
    QByteArray PostForm(const QString& url, const QByteArray& body);

    // The German reason of a failed transfer (curl's code, its own text, whether a proxy was in
    // use, the proxy's answer to CONNECT); public for tests.
    static QString TransportFailureText(int curlCode, const QString& curlText, bool viaProxy,
                                        long proxyStatus = 0);

private:
    void applyProxy();
    void* m_curl = nullptr;            // CURL*
    void* m_multi = nullptr;           // CURLM*: holds the connection cache across requests
    bool m_busy = false;
    void* m_headers = nullptr;         // curl_slist*
    THttpProxy m_proxy;
    QString m_proxyError;              // settings curl cannot take; every request fails with it
    QByteArray m_caBlob;               // system bundle plus VORNIX2_CA_FILE, when that is set
    long m_stallSeconds = kStallTimeoutSeconds;
    qint64 m_maxReplyBytes = kMaxReplyBytes;
};
