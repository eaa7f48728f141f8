#pragma once
#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class Settings;
struct TIniFileDaten;
class THttpClient;
class TLoginForm;

// The news item last fetched from the gateway.
struct TNews {
    int Index = 0;
    QString Headline;
    QString Content;
    QDate ShowUntil;
};

// How a request shows its outcome.
struct TPostOptions {
    bool ShowErrors = true;   // a rejection's box (a transport failure is always shown)
    bool CheckNews = true;    // a newer news index in the reply is announced
};

// What one request brought.
struct TGatewayReply {
    bool Success = false;
    QString Response;         // the whole reply ("" when nothing came)
    QString ErrorText;        // a rejection's error text, kNoConnectionError on a transport failure
};

// The program's line to the gateway: the one HTTP client (its proxy taken from the settings
// whenever they changed), the URL scheme from the live Use_Https at every request, the news
// held and the latest version the gateway announced. Every gateway request runs through Post.
class GatewaySession : public QObject {
    Q_OBJECT
public:
    explicit GatewaySession(Settings& settings, QObject* parent = nullptr);
    ~GatewaySession() override;

    Settings& GetSettings() const { return m_settings; }
    // One request to a command path ("/smscommand/News.do"): the form fields (the version line
    // is added), the reply's root element and the caller's failure message for the box of a
    // rejection. Shows the hourglass while it waits and the boxes of a failure.
    TGatewayReply Post(const QString& path, QStringList fields, const QString& root, const QString& failure,
                       TPostOptions options = {});
    // The full URL of a gateway command path: https or http.
    static QString GatewayUrl(const QString& path, bool https);
    // The client, with the proxy of the settings in force.
    THttpClient& HttpClient();

    // The login dialog of the program (the login rule creates one of its own without it).
    TLoginForm* LoginDialog() const { return m_loginDialog; }
    void SetLoginDialog(TLoginForm* dialog) { m_loginDialog = dialog; }

    const TNews& News() const { return m_news; }
    void SetNews(const TNews& news) { m_news = news; }

    // Version and news as the settings record keeps them between runs (taken back in two
    // steps of the first show: the version check comes between them).
    void RestoreVersion(const TIniFileDaten& rec);
    void RestoreNews(const TIniFileDaten& rec);
    void StoreInto(TIniFileDaten& rec) const;

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
    // A reply announced a version (the update check of the menu waits for it).
    void versionAnnounced(int major, int minor, int release);

private:
    QString Url(const QString& path) const;

    Settings& m_settings;
    std::unique_ptr<THttpClient> m_client;   // created on first use
    bool m_proxyStale = true;
    TLoginForm* m_loginDialog = nullptr;
    TNews m_news;
    int m_versionMajor = 2;
    int m_versionMinor = 1;
    int m_versionRelease = 1;
};
