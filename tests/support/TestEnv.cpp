#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "foundation/ProgramDir.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

TestProgramDir::TestProgramDir(bool withDatabase)
{
    if (withDatabase) {
        const QString target = m_dir.filePath(QStringLiteral("VORNIX2.GDB"));
        if (!QFile::copy(QStringLiteral(VORNIX2_TEMPLATE_DB), target))
            qFatal("cannot copy the template database %s", VORNIX2_TEMPLATE_DB);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
    SetProgramDir(m_dir.path());
}

TestProgramDir::~TestProgramDir() { SetProgramDir(QString()); }

TestDatabase::TestDatabase() : m_modul(std::make_unique<TDatenModul>())
{
    QString error;
    if (!m_modul->Connect(&error))
        qFatal("cannot connect the test database: %s", qPrintable(error));
}

TestDatabase::~TestDatabase()
{
    m_modul->DataModuleDestroy();
}

void TestDatabase::Exec(const QString& sql)
{
    try {
        m_modul->Run(sql);
        m_modul->Commit();
    } catch (const DbError& e) {
        qFatal("SQL failed: %s: %s", qPrintable(sql), qPrintable(e.Text()));
    }
}

QString TestDatabase::Scalar(const QString& sql)
{
    try {
        QSqlQuery q = m_modul->Run(sql);
        if (q.next())
            return TDatenModul::TextValue(q.value(0));
    } catch (const DbError& e) {
        qFatal("SQL failed: %s: %s", qPrintable(sql), qPrintable(e.Text()));
    }
    return QString("");
}

ScriptedMessages::ScriptedMessages()
{
    Msg::SetResponder([this](Msg::Kind kind, const QString& text) {
        Entry e{kind, text};
        m_entries.append(e);
        if (m_hook)
            m_hook(e);
        if (!Msg::IsQuestion(kind))
            return true;
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        return m_default;
    });
}

ScriptedMessages::~ScriptedMessages() { Msg::SetResponder({}); }

QStringList ScriptedMessages::Texts() const
{
    QStringList out;
    for (const Entry& e : m_entries)
        out.append(e.text);
    return out;
}

namespace {
bool g_modalTimedOut = false;
}

bool ModalTimedOut() { return g_modalTimedOut; }
void ResetModalTimeout() { g_modalTimedOut = false; }

void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs, bool required)
{
    // Remember what is modal now, so that the action waits for the next one.
    QPointer<QWidget> before = QApplication::activeModalWidget();
    // A watcher belongs to the test that queued it: one left over (a "no dialog" watcher whose
    // test ended first on a slow machine) must not act on the next test's dialog.
    const QByteArray owner = QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag();
    auto* timer = new QTimer(qApp);
    QElapsedTimer waited;
    waited.start();
    auto visibleTicks = std::make_shared<int>(0);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [=]() mutable {
        if (owner != QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag()) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        QWidget* w = QApplication::activeModalWidget();
        // Act once the dialog is active, so that its focus is set (give up waiting after a while:
        // some platforms activate nothing).
        if (w && w != before && w->isVisible() && (w->isActiveWindow() || ++*visibleTicks > 50)) {
            timer->stop();
            timer->deleteLater();
            QPointer<QWidget> dialog = w;
            action(w);
            // A check that failed inside the action left it early: close the dialog, or the
            // test would wait in it until the test runner gives up.
            if (QTest::currentTestFailed() && dialog && dialog->isVisible())
                dialog->close();
            return;
        }
        if (waited.elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            g_modalTimedOut = true;
            if (!required)
                return;
            // Fails the test that is running: the action it queued never ran.
            QTest::qFail(qPrintable(QStringLiteral("no modal dialog appeared within %1 ms").arg(timeoutMs)),
                         __FILE__, __LINE__);
            // Do not hang the test: close whatever modal widget is there.
            if (QWidget* m = QApplication::activeModalWidget())
                m->close();
        }
    });
    timer->start();
}
