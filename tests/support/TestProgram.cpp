#include "TestProgram.h"
#include "app/HauptForm.h"
#include "app/StartUp.h"
#include <QAction>
#include <QCoreApplication>
#include <QtTest>

TestProgram::TestProgram(const std::function<void(TIniFileDaten&)>& settings)
{
    if (!gw.Start())
        qFatal("fake gateway does not start");
    m_host = std::make_unique<ScopedEnv>("VORNIX2_GATEWAY_HOST", gw.HostPort().toLatin1());
    ini = db.Path() + "/Vornix2.ini";
    TIniFileDaten d = DefaultIniFileDaten();
    d.Use_Https = false;
    if (settings)
        settings(d);
    if (!SaveIniFileDaten(ini, d))
        qFatal("settings file cannot be written");
    m_frame.reset(CreateHauptForm());
}

TestProgram::~TestProgram()
{
    if (m_frame && m_frame->isVisible())
        m_frame->close();
    m_frame.reset();
    gw.Stop();
}

void TestProgram::Start()
{
    m_frame->show();
    QCoreApplication::processEvents();
}

void TestProgram::Trigger(const char* action)
{
    auto* a = m_frame->findChild<QAction*>(QLatin1String(action));
    QVERIFY2(a, action);
    a->trigger();
}
