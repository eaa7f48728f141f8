#pragma once
#include "FakeGateway.h"
#include "TestEnv.h"
#include "foundation/IniFileDaten.h"
#include <QString>
#include <functional>
#include <memory>

class QAction;
class THauptForm;

// The program as its start-up builds it (services, frame, pages, every dialog), over a fresh
// database in a temporary program directory, with a fake gateway on plain http that the
// program is pointed at. A settings file of the defaults (plain http), changed by `settings`,
// is written before the frame is built.
class TestProgram {
public:
    explicit TestProgram(const std::function<void(TIniFileDaten&)>& settings = {});
    virtual ~TestProgram();

    TestDatabase db;
    ScriptedMessages msgs;
    FakeGateway gw;
    QString ini;   // the settings file

    THauptForm* Frame() const { return m_frame.get(); }
    // Shows the main window (its first show reads the settings and switches to the start page).
    void Start();
    // Triggers the menu item of that object name.
    void Trigger(const char* action);
    TIniFileDaten File() const { return LoadIniFileDaten(ini); }

private:
    std::unique_ptr<ScopedEnv> m_host;
    std::unique_ptr<THauptForm> m_frame;
};
