#include "FakeGateway.h"
#include "platform/Cp1252.h"
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <QDir>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

// ---- requests -------------------------------------------------------------------------

QList<QPair<QString, QString>> DecodeForm(const QByteArray& body)
{
    auto decode = [](const QByteArray& part) {
        QByteArray out;
        out.reserve(part.size());
        for (qsizetype i = 0; i < part.size(); ++i) {
            const char c = part[i];
            if (c == '+') {
                out.append(' ');
            } else if (c == '%' && i + 2 < part.size() && std::isxdigit(static_cast<unsigned char>(part[i + 1]))
                       && std::isxdigit(static_cast<unsigned char>(part[i + 2]))) {
                out.append(static_cast<char>(part.mid(i + 1, 2).toInt(nullptr, 16)));
                i += 2;
            } else {
                out.append(c);
            }
        }
        return Cp1252::Decode(out);
    };
    QList<QPair<QString, QString>> fields;
    for (const QByteArray& piece : body.split('&')) {
        if (piece.isEmpty())
            continue;
        const qsizetype eq = piece.indexOf('=');
        if (eq < 0)
            fields.append({decode(piece), QString("")});
        else
            fields.append({decode(piece.left(eq)), decode(piece.mid(eq + 1))});
    }
    return fields;
}

QString FakeRequest::Header(const QString& name) const
{
    for (const auto& [key, value] : headers)
        if (QString::fromStdString(key).compare(name, Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size()));
    return QString("");
}

bool FakeRequest::HasHeader(const QString& name) const
{
    for (const auto& h : headers)
        if (QString::fromStdString(h.first).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QList<QPair<QString, QString>> FakeRequest::Form() const { return DecodeForm(Body()); }

QString FakeRequest::Field(const QString& name) const
{
    for (const auto& f : Form())
        if (f.first == name)
            return f.second;
    return QString("");
}

bool FakeRequest::HasField(const QString& name) const
{
    for (const auto& f : Form())
        if (f.first == name)
            return true;
    return false;
}

// ---- replies --------------------------------------------------------------------------

FakeReply FakeReply::Xml(const QString& text)
{
    FakeReply r;
    r.body = Cp1252::Encode(text);
    return r;
}

FakeReply FakeReply::Success(const QString& root, const QString& inner)
{
    return Xml(QLatin1Char('<') + root + QLatin1String("><Result>SUCCESS</Result>") + inner +
               QLatin1String("</") + root + QLatin1Char('>'));
}

FakeReply FakeReply::Rejection(const QString& root, const QString& error)
{
    return Xml(QLatin1Char('<') + root + QLatin1String("><Result>ERROR</Result><Error>") + error +
               QLatin1String("</Error></") + root + QLatin1Char('>'));
}

FakeReply FakeReply::Html(const QString& text)
{
    const QString page = text.isEmpty()
        ? QStringLiteral("<html><head><title>Wartung</title></head><body><h1>Wartungsarbeiten</h1>"
                         "<p>Der Dienst ist in K\u00fcrze wieder erreichbar.</p></body></html>")
        : text;
    return Xml(page);
}

FakeReply FakeReply::Status(int status)
{
    FakeReply r = Html(QStringLiteral("<html><body><h1>Error %1</h1></body></html>").arg(status));
    r.status = status;
    return r;
}

FakeReply FakeReply::Closed()
{
    FakeReply r;
    r.kind = Kind::Close;
    return r;
}

// ---- server ---------------------------------------------------------------------------

namespace {
std::string pathOf(const std::string& target)
{
    // Through a proxy the target is absolute: "http://host:port/path".
    std::string path = target;
    const auto scheme = path.find("://");
    if (scheme != std::string::npos) {
        const auto slash = path.find('/', scheme + 3);
        path = slash == std::string::npos ? std::string("/") : path.substr(slash);
    }
    const auto query = path.find('?');
    if (query != std::string::npos)
        path.resize(query);
    return path;
}

bool isPseudoHeader(const std::string& name)
{
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT";
}
}

struct FakeGateway::Impl {
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    mutable std::mutex mutex;
    std::atomic<bool> stopping{false};
    std::map<std::string, std::deque<FakeReply>> scripts;
    std::map<std::string, FakeReply> defaults;
    std::map<std::string, Handler> handlers;
    std::vector<FakeRequest> requests;

    FakeReply replyFor(const FakeRequest& req)
    {
        Handler handler;
        {
            std::lock_guard<std::mutex> lock(mutex);
            requests.push_back(req);
            auto s = scripts.find(req.path);
            if (s != scripts.end() && !s->second.empty()) {
                FakeReply r = s->second.front();
                s->second.pop_front();
                return r;
            }
            auto d = defaults.find(req.path);
            if (d != defaults.end())
                return d->second;
            auto h = handlers.find(req.path);
            if (h == handlers.end())
                h = handlers.find("*");
            if (h != handlers.end())
                handler = h->second;
        }
        if (handler)
            return handler(req);
        return FakeReply::Status(404);
    }

    void serve(const httplib::Request& hreq, httplib::Response& res, std::string body)
    {
        FakeRequest req;
        req.method = hreq.method;
        req.target = hreq.target;
        req.path = pathOf(hreq.target);
        for (const auto& h : hreq.headers)
            if (!isPseudoHeader(h.first))
                req.headers.emplace_back(h.first, h.second);
        req.body = std::move(body);
        const FakeReply reply = replyFor(req);
        for (int waited = 0; waited < reply.delayMs && !stopping; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        res.status = reply.status;
        for (const auto& [name, value] : reply.headers)
            res.set_header(name, value);
        if (reply.kind == FakeReply::Kind::Close) {
            // Headers go out with a length, then the body never comes: a broken reply.
            res.set_content_provider(
                1024, "text/html", [](size_t, size_t, httplib::DataSink&) { return false; });
            return;
        }
        res.set_content(std::string(reply.body.constData(), static_cast<size_t>(reply.body.size())),
                        reply.contentType);
    }
};

FakeGateway::FakeGateway() : d(std::make_unique<Impl>()) {}

FakeGateway::~FakeGateway() { Stop(); }

bool FakeGateway::Start(int port)
{
    Stop();
    d->server = std::make_unique<httplib::Server>();
    m_https = false;
    return listen(port);
}

bool FakeGateway::StartHttps(const QString& certFile, const QString& keyFile, int port)
{
    Stop();
    auto ssl = std::make_unique<httplib::SSLServer>(certFile.toLocal8Bit().constData(),
                                                    keyFile.toLocal8Bit().constData());
    if (!ssl->is_valid())
        return false;
    d->server = std::move(ssl);
    m_https = true;
    return listen(port);
}

bool FakeGateway::listen(int port)
{
    httplib::Server* s = d->server.get();
    Impl* impl = d.get();
    // Bodies are read through a content reader: the library's own form handling refuses
    // form bodies above 8 KB, and a batch of numbers is far larger.
    auto withBody = [impl](const httplib::Request& req, httplib::Response& res,
                           const httplib::ContentReader& reader) {
        std::string body;
        reader([&](const char* data, size_t len) {
            body.append(data, len);
            return true;
        });
        impl->serve(req, res, std::move(body));
    };
    auto withoutBody = [impl](const httplib::Request& req, httplib::Response& res) {
        impl->serve(req, res, req.body);
    };
    // One request per connection: a kept-alive connection would hold Stop() for seconds.
    s->set_keep_alive_max_count(1);
    s->Post(".*", withBody);
    s->Put(".*", withBody);
    s->Get(".*", withoutBody);
    s->Delete(".*", withoutBody);
    d->stopping = false;
    if (port == 0) {
        m_port = s->bind_to_any_port("127.0.0.1");
    } else {
        m_port = s->bind_to_port("127.0.0.1", port) ? port : -1;
    }
    if (m_port <= 0) {
        d->server.reset();
        m_port = 0;
        return false;
    }
    d->thread = std::thread([s] { s->listen_after_bind(); });
    // Serve only once the accept loop runs, so that Stop() right after Start() is safe.
    for (int i = 0; i < 5000 && !s->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return s->is_running();
}

void FakeGateway::Stop()
{
    if (!d->server)
        return;
    d->stopping = true;
    d->server->stop();
    if (d->thread.joinable())
        d->thread.join();
    d->server.reset();
}

bool FakeGateway::IsRunning() const { return d->server && d->server->is_running(); }

QString FakeGateway::HostPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

QString FakeGateway::Url(const QString& path) const
{
    return (m_https ? QStringLiteral("https://") : QStringLiteral("http://")) + HostPort() + path;
}

void FakeGateway::Script(const QString& path, const FakeReply& reply)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->scripts[path.toStdString()].push_back(reply);
}

void FakeGateway::SetDefault(const QString& path, const FakeReply& reply)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->defaults[path.toStdString()] = reply;
}

void FakeGateway::SetHandler(const QString& path, Handler handler)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->handlers[path.toStdString()] = std::move(handler);
}

void FakeGateway::ClearScripts()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->scripts.clear();
    d->defaults.clear();
    d->handlers.clear();
}

std::vector<FakeRequest> FakeGateway::Requests() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requests;
}

std::vector<FakeRequest> FakeGateway::Requests(const QString& path) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    std::vector<FakeRequest> out;
    const std::string p = path.toStdString();
    for (const auto& r : d->requests)
        if (r.path == p)
            out.push_back(r);
    return out;
}

int FakeGateway::Count(const QString& path) const
{
    if (path.isEmpty()) {
        std::lock_guard<std::mutex> lock(d->mutex);
        return static_cast<int>(d->requests.size());
    }
    return static_cast<int>(Requests(path).size());
}

FakeRequest FakeGateway::Last() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requests.empty() ? FakeRequest{} : d->requests.back();
}

void FakeGateway::ClearRequests()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->requests.clear();
}

// ---- environment ----------------------------------------------------------------------

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value)
    : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
{
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        qputenv(m_name.constData(), m_old);
    else
        qunsetenv(m_name.constData());
}

// ---- certificate ----------------------------------------------------------------------

bool MakeFakeCertificate(const QString& dir, FakeCertificate& out, const QString& name, const char* altNames)
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (!key)
        return false;
    X509* cert = X509_new();
    bool ok = cert != nullptr;
    if (ok) {
        X509_set_version(cert, 2);
        static std::atomic<long> serial{1};
        ASN1_INTEGER_set(X509_get_serialNumber(cert),
                         static_cast<long>(std::time(nullptr) & 0xFFFFFF) * 100 + serial++);
        X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
        X509_gmtime_adj(X509_getm_notAfter(cert), 30L * 24 * 3600);
        X509_set_pubkey(cert, key);
        X509_NAME* subject = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(subject, "O", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("Vornix2 Fake Gateway"), -1, -1, 0);
        X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(cert, subject);
        X509V3_CTX ctx;
        X509V3_set_ctx_nodb(&ctx);
        X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
        const std::pair<int, const char*> exts[] = {
            {NID_basic_constraints, "critical,CA:TRUE"},
            {NID_key_usage, "critical,digitalSignature,keyCertSign"},
            {NID_subject_key_identifier, "hash"},
            {NID_subject_alt_name, altNames},
        };
        for (const auto& [nid, value] : exts) {
            X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
            if (!ext) {
                ok = false;
                break;
            }
            X509_add_ext(cert, ext, -1);
            X509_EXTENSION_free(ext);
        }
        ok = ok && X509_sign(cert, key, EVP_sha256()) > 0;
    }
    if (ok) {
        out.CertFile = QDir(dir).filePath(name + QStringLiteral(".crt"));
        out.KeyFile = QDir(dir).filePath(name + QStringLiteral(".key"));
        FILE* f = std::fopen(out.CertFile.toLocal8Bit().constData(), "wb");
        ok = f && PEM_write_X509(f, cert) == 1;
        if (f)
            std::fclose(f);
        f = ok ? std::fopen(out.KeyFile.toLocal8Bit().constData(), "wb") : nullptr;
        ok = ok && f && PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
        if (f)
            std::fclose(f);
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    return ok;
}
