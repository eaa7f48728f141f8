#include "TestSession.h"

TestSession::TestSession() : session(settings)
{
    TIniFileDaten rec = settings.Get();
    rec.Proxy = false;
    rec.Use_Https = false;
    settings.Set(rec);
    QObject::connect(&settings, &Settings::changed, [this] {
        if (!m_editing)
            ++Reloads;
    });
    QObject::connect(&session, &GatewaySession::newerNews, [this](int index) {
        LoadNewsCalls.append(index);
        if (OnLoadNews)
            OnLoadNews(index);
    });
    QObject::connect(&session, &GatewaySession::versionAnnounced, [this](int major, int minor, int release) {
        Major = major;
        Minor = minor;
        Release = release;
        ++VersionSets;
    });
}

void TestSession::Edit(const std::function<void(TIniFileDaten&)>& change)
{
    // The whole change counts as this edit, also what it stores on the way.
    m_editing = true;
    TIniFileDaten rec = settings.Get();
    change(rec);
    settings.Set(rec);
    m_editing = false;
}

void TestSession::SetNewsIndex(int index)
{
    TNews news = session.News();
    news.Index = index;
    session.SetNews(news);
}
