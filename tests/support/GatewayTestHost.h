#pragma once
#include "foundation/IniFileDaten.h"
#include "gateway/GatewayHost.h"
#include "gateway/HttpClient.h"
#include <QList>
#include <functional>

// The main window's part in a gateway request, for tests: a settings record, the HTTP client,
// the news index and the announced version. Installs itself as GatewayHost() for its lifetime.
// The settings start at their defaults with the proxy off and plain http.
class GatewayTestHost : public IGatewayHost {
public:
    GatewayTestHost();
    ~GatewayTestHost() override;

    TIniFileDaten Settings;
    QString IniFileName;              // what GetIniFileName() returns
    int NewsIndex = 0;
    QList<int> LoadNewsCalls;         // every LoadNews(index), in order
    int Major = -1, Minor = -1, Release = -1;
    int VersionSets = 0;              // calls of SetVersionMajor
    int Reloads = 0;                  // calls of ReloadIniFileDaten (re-reads IniFileName when it exists)
    // Runs in LoadNews (for example a news request of its own); none by default.
    std::function<void(int)> OnLoadNews;
    // Runs in ReloadIniFileDaten; none by default.
    std::function<void()> OnReload;

    TIniFileDaten GetIniFileDaten() const override { return Settings; }
    QString GetIniFileName() const override { return IniFileName; }
    void ReloadIniFileDaten() override;
    THttpClient& HttpClient() override;
    int GetNewsIndex() const override { return NewsIndex; }
    void LoadNews(int index) override;
    void SetVersionMajor(int value) override { Major = value; ++VersionSets; }
    void SetVersionMinor(int value) override { Minor = value; }
    void SetVersionRelease(int value) override { Release = value; }

private:
    THttpClient* m_client = nullptr;
    IGatewayHost* m_previous = nullptr;
};
