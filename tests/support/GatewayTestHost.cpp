#include "GatewayTestHost.h"
#include <QFile>

GatewayTestHost::GatewayTestHost() : m_previous(GatewayHost())
{
    Settings.Proxy = false;
    Settings.Use_Https = false;
    SetGatewayHost(this);
}

GatewayTestHost::~GatewayTestHost()
{
    SetGatewayHost(m_previous);
    delete m_client;
}

void GatewayTestHost::ReloadIniFileDaten()
{
    ++Reloads;
    // Like the main window: the live record becomes what the file holds.
    if (!IniFileName.isEmpty() && QFile::exists(IniFileName))
        Settings = LoadIniFileDaten(IniFileName);
    if (OnReload)
        OnReload();
}

THttpClient& GatewayTestHost::HttpClient()
{
    // Made on first use, so that VORNIX2_CA_FILE set by a test before its first request counts.
    if (!m_client)
        m_client = new THttpClient;
    return *m_client;
}

void GatewayTestHost::LoadNews(int index)
{
    LoadNewsCalls.append(index);
    if (OnLoadNews)
        OnLoadNews(index);
}
