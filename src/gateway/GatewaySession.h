#pragma once
#include <QDate>
#include <QObject>
#include <QString>
#include <memory>

class Settings;
class THttpClient;
class TLoginForm;

// The news item last fetched from the gateway.
struct TNews {
    int Index = 0;
    QString Headline;
    QString Content;
    QDate ShowUntil;
};

// The program's line to the gateway: the one HTTP client (its proxy taken from the settings
// whenever they changed), the URL scheme from Use_Https, the news held and the latest version
// the gateway announced. Every gateway request runs through it.
class GatewaySession : public QObject {
    Q_OBJECT
public:
    explicit GatewaySession(Settings& settings, QObject* parent = nullptr);
    ~GatewaySession() override;

    Settings& GetSettings() const { return m_settings; }
    // The full URL of a command path, http or https as the settings say.
    QString Url(const QString& path) const;
    // The client, with the proxy of the settings in force.
    THttpClient& HttpClient();

    // The login dialog of the program (the login rule creates one of its own without it).
    TLoginForm* LoginDialog() const { return m_loginDialog; }
    void SetLoginDialog(TLoginForm* dialog) { m_loginDialog = dialog; }

    const TNews& News() const { return m_news; }
    void SetNews(const TNews& news) { m_news = news; }

    int VersionMajor() const { return m_versionMajor; }
    int VersionMinor() const { return m_versionMinor; }
    int VersionRelease() const { return m_versionRelease; }
    void SetVersion(int major, int minor, int release);

    // What a reply announced: a news index newer than the one held, and a version (each part
    // 0 or more).
    void AnnounceNews(int index);
    void AnnounceVersion(int major, int minor, int release);

Q_SIGNALS:
    // A reply named a news item newer than the one held; the Home page fetches it.
    void newerNews(int index);
    void versionAnnounced(int major, int minor, int release);

private:
    Settings& m_settings;
    std::unique_ptr<THttpClient> m_client;   // created on first use
    bool m_proxyStale = true;
    TLoginForm* m_loginDialog = nullptr;
    TNews m_news;
    int m_versionMajor = 2;
    int m_versionMinor = 1;
    int m_versionRelease = 1;
};
