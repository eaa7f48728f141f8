#pragma once
#include "foundation/Messages.h"
#include "platform/ShellOpen.h"
#include <QList>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <memory>

class TDatenModul;

// A temporary program directory holding a fresh copy of the template database; the
// program directory points at it for the fixture's lifetime.
class TestProgramDir {
public:
    explicit TestProgramDir(bool withDatabase = true);
    ~TestProgramDir();
    QString Path() const { return m_dir.path(); }
    QString File(const QString& name) const { return m_dir.filePath(name); }
    bool IsValid() const { return m_dir.isValid(); }
private:
    QTemporaryDir m_dir;
};

// A program directory with a connected data module (the global DatenModul).
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();
    TDatenModul* Modul() const { return m_modul.get(); }
    QString Path() const { return m_dir.Path(); }
    // Runs a statement and commits; fails the test on error.
    void Exec(const QString& sql);
    // The first column of the first row as a string ("" when none).
    QString Scalar(const QString& sql);
private:
    TestProgramDir m_dir;
    std::unique_ptr<TDatenModul> m_modul;
};

// Answers every message box instead of the user and records kind and exact text.
class ScriptedMessages {
public:
    struct Entry {
        Msg::Kind kind;
        QString text;
    };
    ScriptedMessages();
    ~ScriptedMessages();
    // Answers for the next questions, in order; when none is queued a question is answered
    // with the default answer (Yes unless changed).
    void AnswerNext(bool yes) { m_answers.append(yes); }
    void SetDefaultAnswer(bool yes) { m_default = yes; }
    // Called for each box before it is answered (e.g. to check the screen).
    void OnMessage(std::function<void(const Entry&)> f) { m_hook = std::move(f); }
    const QList<Entry>& Messages() const { return m_entries; }
    QStringList Texts() const;
    int Count() const { return m_entries.size(); }
    void Clear() { m_entries.clear(); }
private:
    QList<Entry> m_entries;
    QList<bool> m_answers;
    bool m_default = true;
    std::function<void(const Entry&)> m_hook;
};

// Acts on the next modal widget that becomes active (the dialog shown by exec()).
// Queue the action before calling the code that shows the dialog; the action runs inside
// the dialog's event loop. Fails the current test when no modal widget appears in time.
// With required false, a dialog that does not appear is no failure (for tests that check
// that no dialog is shown: the action then counts the unexpected one).
void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs = 10000, bool required = true);
// True when an action queued with OnNextModal timed out (checked by tests that want it).
bool ModalTimedOut();
void ResetModalTimeout();

// Finds a child widget by object name, failing loudly when missing.
template <class T>
T* FindChild(QObject* parent, const QString& name)
{
    T* w = parent ? parent->findChild<T*>(name) : nullptr;
    if (!w)
        qWarning("widget %s not found", qPrintable(name));
    return w;
}

// Records the addresses opened through ShellOpen while it lives (answering `opens`) and gives
// the shell back at its end, also when a check failed on the way.
class OpenedUrls {
public:
    explicit OpenedUrls(bool opens = true)
    {
        ShellOpen::SetHandler([this, opens](const QUrl& url) {
            m_urls.append(url);
            return opens;
        });
    }
    ~OpenedUrls() { ShellOpen::SetHandler({}); }
    OpenedUrls(const OpenedUrls&) = delete;
    OpenedUrls& operator=(const OpenedUrls&) = delete;
    const QList<QUrl>& List() const { return m_urls; }
private:
    QList<QUrl> m_urls;
};
