#pragma once
#include "foundation/IniFileDaten.h"
#include "foundation/Settings.h"
#include "gateway/GatewaySession.h"
#include <QList>
#include <functional>

// A real settings object and gateway session for requests made without the main window. The
// settings start at their defaults with the proxy off and plain http; what replies announce
// (newer news, versions) and every re-read of the settings file are recorded.
class TestSession {
public:
    TestSession();

    Settings settings;
    GatewaySession session;

    // The live record, and a change to it as the settings dialog makes one.
    const TIniFileDaten& Rec() const { return settings.Live(); }
    void Edit(const std::function<void(TIniFileDaten&)>& change);
    // The news index held (as if that item had been fetched).
    void SetNewsIndex(int index);

    QList<int> LoadNewsCalls;         // every newer news index announced, in order
    int Major = -1, Minor = -1, Release = -1;
    int VersionSets = 0;              // versions announced
    int Reloads = 0;                  // the settings record replaced other than by Edit
    // Runs when a newer news item is announced (for example a news request of its own).
    std::function<void(int)> OnLoadNews;

private:
    bool m_editing = false;
};
