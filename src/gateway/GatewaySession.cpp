#include "gateway/GatewaySession.h"
#include "foundation/Settings.h"
#include "gateway/Hosts.h"
#include "gateway/HttpClient.h"
#include "gateway/HttpRequest.h"

GatewaySession::GatewaySession(Settings& settings, QObject* parent) : QObject(parent), m_settings(settings)
{
    connect(&m_settings, &Settings::changed, this, [this] { m_proxyStale = true; });
}

GatewaySession::~GatewaySession() = default;

QString GatewaySession::GatewayUrl(const QString& path, bool https)
{
    return (https ? QStringLiteral("https://") : QStringLiteral("http://")) + GatewayHostName() + path;
}

QString GatewaySession::Url(const QString& path) const { return GatewayUrl(path, m_settings.Live().Use_Https); }

TGatewayReply GatewaySession::Post(const QString& path, QStringList fields, const QString& root,
                                   const QString& failure, TPostOptions options)
{
    THttpRequest request(*this, Url(path), fields);
    request.SetShowErrors(options.ShowErrors);
    request.SetCheckNews(options.CheckNews);
    TGatewayReply reply;
    reply.Success = request.Execute(root, failure);
    reply.Response = request.GetResponse();
    reply.ErrorText = request.GetError();
    return reply;
}

void GatewaySession::RestoreVersion(const TIniFileDaten& rec) { SetVersion(rec.Major, rec.Minor, rec.Release); }

void GatewaySession::RestoreNews(const TIniFileDaten& rec)
{
    m_news.Index = rec.Index;
    m_news.Headline = rec.Headline;
    m_news.Content = rec.Content;
    m_news.ShowUntil = rec.ShowUntil;
}

void GatewaySession::StoreInto(TIniFileDaten& rec) const
{
    rec.Index = m_news.Index;
    rec.Headline = m_news.Headline;
    rec.Content = m_news.Content;
    rec.ShowUntil = m_news.ShowUntil;
    rec.Major = m_versionMajor;
    rec.Minor = m_versionMinor;
    rec.Release = m_versionRelease;
}

THttpClient& GatewaySession::HttpClient()
{
    if (!m_client)
        m_client = std::make_unique<THttpClient>();
    if (m_proxyStale) {
        const TIniFileDaten& s = m_settings.Live();
        THttpProxy proxy;
        if (s.Proxy) {
            proxy.Enabled = true;
            proxy.Server = s.Proxy_Server;
            proxy.Port = s.Proxy_Port;
            proxy.BasicAuthentication = s.Proxy_BasicAuthentication;
            proxy.Username = s.Proxy_Username;
            proxy.Passwort = s.Proxy_Passwort;
        }
        m_client->SetProxy(proxy);
        m_proxyStale = false;
    }
    return *m_client;
}

void GatewaySession::SetVersion(int major, int minor, int release)
{
    m_versionMajor = major;
    m_versionMinor = minor;
    m_versionRelease = release;
}

void GatewaySession::AnnounceNews(int index)
{
    if (index > 0 && index > m_news.Index)
        Q_EMIT newerNews(index);
}

void GatewaySession::AnnounceVersion(int major, int minor, int release)
{
    if (major < 0 || minor < 0 || release < 0)
        return;
    SetVersion(major, minor, release);
    Q_EMIT versionAnnounced(major, minor, release);
}
