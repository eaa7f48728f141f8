#pragma once
// A gateway on 127.0.0.1 for tests and trials: scripted replies per path and per call, every
// request recorded. Runs its server in a thread of its own; Stop() joins it.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct FakeRequest {
    std::string method;
    std::string target;                              // as sent; absolute through a proxy
    std::string path;                                // the path part of the target
    std::vector<std::pair<std::string, std::string>> headers;   // by name, as received
    std::string body;                                // raw bytes

    // The first header of that name (case-insensitive); "" when absent.
    QString Header(const QString& name) const;
    bool HasHeader(const QString& name) const;
    QByteArray Body() const { return QByteArray(body.data(), static_cast<qsizetype>(body.size())); }
    // The form fields in order, decoded ("+" blank, "%XX", Windows-1252).
    QList<QPair<QString, QString>> Form() const;
    // The first field of that name; "" when absent.
    QString Field(const QString& name) const;
    bool HasField(const QString& name) const;
};

struct FakeReply {
    enum class Kind { Answer, Close };
    Kind kind = Kind::Answer;
    int status = 200;
    QByteArray body;                                 // sent as it is
    std::string contentType = "text/html";
    std::vector<std::pair<std::string, std::string>> headers;   // more headers of the reply
    int delayMs = 0;

    // A reply text, sent in Windows-1252.
    static FakeReply Xml(const QString& text);
    // "<root><Result>SUCCESS</Result>inner</root>"
    static FakeReply Success(const QString& root, const QString& inner = QString());
    // "<root><Result>ERROR</Result><Error>error</Error></root>"
    static FakeReply Rejection(const QString& root, const QString& error);
    // An HTML page such as a portal or an error page of a web server.
    static FakeReply Html(const QString& text = QString());
    static FakeReply Status(int status);
    // The status line and headers, then the connection is dropped before the body.
    static FakeReply Closed();
    FakeReply After(int ms) const { FakeReply r = *this; r.delayMs = ms; return r; }
    FakeReply WithHeader(const std::string& name, const std::string& value) const
    {
        FakeReply r = *this;
        r.headers.emplace_back(name, value);
        return r;
    }
};

class FakeGateway {
public:
    using Handler = std::function<FakeReply(const FakeRequest&)>;

    FakeGateway();
    ~FakeGateway();
    FakeGateway(const FakeGateway&) = delete;
    FakeGateway& operator=(const FakeGateway&) = delete;

    // Listens on 127.0.0.1 at `port` (0: an ephemeral one). False when it cannot listen.
    bool Start(int port = 0);
    // The same over TLS with the given PEM files.
    bool StartHttps(const QString& certFile, const QString& keyFile, int port = 0);
    void Stop();
    bool IsRunning() const;

    int Port() const { return m_port; }
    bool IsHttps() const { return m_https; }
    QString HostPort() const;                        // "127.0.0.1:port"
    QString Url(const QString& path) const;          // scheme, host, port and path

    // Replies for `path`, one per call in order; when they are used up the default answers.
    void Script(const QString& path, const FakeReply& reply);
    void SetDefault(const QString& path, const FakeReply& reply);
    // Computes the reply for `path` (when neither script nor default is there); "*" for all.
    void SetHandler(const QString& path, Handler handler);
    // An unscripted path answers 404.
    void ClearScripts();

    std::vector<FakeRequest> Requests() const;
    std::vector<FakeRequest> Requests(const QString& path) const;
    int Count(const QString& path = QString()) const;
    FakeRequest Last() const;
    void ClearRequests();

private:
    bool listen(int port);
    struct Impl;
    std::unique_ptr<Impl> d;
    int m_port = 0;
    bool m_https = false;
};

// Sets an environment variable for a scope and restores the old value afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
private:
    QByteArray m_name;
    QByteArray m_old;
    bool m_had;
};

// A self-signed certificate for 127.0.0.1 and localhost, written as PEM files into `dir`
// (`name`.crt and `name`.key). Trust it by pointing VORNIX2_CA_FILE at the .crt.
// `altNames` are the names it is valid for, in OpenSSL's form ("IP:…,DNS:…").
struct FakeCertificate {
    QString CertFile;
    QString KeyFile;
};
bool MakeFakeCertificate(const QString& dir, FakeCertificate& out, const QString& name = QStringLiteral("gateway"),
                         const char* altNames = "IP:127.0.0.1,DNS:localhost");

// Percent-decoding of a form body as the gateway reads it.
QList<QPair<QString, QString>> DecodeForm(const QByteArray& body);
