#pragma once
#include "foundation/IniFileDaten.h"
#include <QString>

class THttpClient;

// What a gateway request needs from the main window: the settings copy, the shared HTTP
// client, the news it holds and the latest announced version. The main window implements it;
// tests can install a small host of their own.
class IGatewayHost {
public:
    virtual ~IGatewayHost() = default;
    virtual TIniFileDaten GetIniFileDaten() const = 0;
    virtual QString GetIniFileName() const = 0;
    virtual void ReloadIniFileDaten() = 0;
    virtual THttpClient& HttpClient() = 0;
    virtual int GetNewsIndex() const = 0;
    virtual void LoadNews(int index) = 0;
    virtual void SetVersionMajor(int value) = 0;
    virtual void SetVersionMinor(int value) = 0;
    virtual void SetVersionRelease(int value) = 0;
};

// The one host of this run (the main window); null until set.
IGatewayHost* GatewayHost();
void SetGatewayHost(IGatewayHost* host);
