#include "FakeAccount.h"
#include "FakeGateway.h"
#include "foundation/IniFileDaten.h"
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <csignal>

// The built program, started as a user starts it (in a program directory of its own, offscreen),
// ends on a termination signal as by its close box, and starts again afterwards.
class TestSignale : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void signalEndsProgramAndNextStartWorks_data();
    void signalEndsProgramAndNextStartWorks();
    void signalDuringGatewayRequestEndsAfterIt();

private:
    QString m_program;
};

namespace {

// The program's main thread sleeps in the event loop's poll with our handlers in place: only
// then is the signal one the running program has to handle (before it, the default action
// would end the process, which is not the case under test).
bool idleInEventLoop(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    quint64 caught = 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            caught = line.mid(7).trimmed().toULongLong(nullptr, 16);
    const quint64 wanted = (1ull << (SIGTERM - 1)) | (1ull << (SIGINT - 1)) | (1ull << (SIGHUP - 1));
    if ((caught & wanted) != wanted)
        return false;
    // SIGHUP is caught by our handler alone (the database engine takes SIGINT and SIGTERM at its
    // attach, before it). Where the kernel hides the wait channel, the handler is enough: a
    // signal after its installation is handled once the loop runs.
    QFile wchan(QStringLiteral("/proc/%1/wchan").arg(pid));
    if (!wchan.open(QIODevice::ReadOnly))
        return true;
    const QByteArray where = wchan.readAll().trimmed();
    return where == "0" || where.contains("poll");
}

// Waits until the program idles in its event loop several probes in a row (the splash screen's
// and the start page's work lies behind it).
bool waitUntilRunning(QProcess& p)
{
    QDeadlineTimer deadline(120000);
    int idle = 0;
    while (!deadline.hasExpired() && p.state() == QProcess::Running) {
        idle = idleInEventLoop(p.processId()) ? idle + 1 : 0;
        if (idle >= 5)
            return true;
        QThread::msleep(100);
    }
    return false;
}

} // namespace

void TestSignale::initTestCase()
{
    m_program = QStringLiteral(VORNIX2_BIN_DIR "/vornix2");
    if (!QFile::exists(m_program))
        QSKIP("the program is not built");
}

void TestSignale::signalEndsProgramAndNextStartWorks_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestSignale::signalEndsProgramAndNextStartWorks()
{
    QFETCH(int, signal);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString database = home.filePath(QStringLiteral("VORNIX2.GDB"));
    QVERIFY(QFile::copy(QStringLiteral(VORNIX2_TEMPLATE_DB), database));
    QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner);
    const QString ini = home.filePath(QStringLiteral("Vornix2.ini"));
    TIniFileDaten settings = DefaultIniFileDaten();
    settings.Use_Https = false;
    QVERIFY(SaveIniFileDaten(ini, settings));
    FakeGateway gw;
    FakeAccount account;
    account.Install(gw);
    QVERIFY(gw.Start());
    QTemporaryDir lock;   // a single-instance lock of this run's own

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VORNIX2_HOME"), home.path());
    env.insert(QStringLiteral("VORNIX2_LOCK_DIR"), lock.path());
    env.insert(QStringLiteral("VORNIX2_GATEWAY_HOST"), gw.HostPort());
    env.insert(QStringLiteral("VORNIX2_WEB_HOST"), gw.HostPort());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    // The file as the program finds it: without the layout keys that its close writes.
    auto withoutLayout = [&] {
        QFile f(ini);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        QByteArray kept;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (!line.startsWith("Width_Panel_Left="))
                kept += line + '\n';
        f.close();
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(kept) == kept.size();
    };

    for (int run = 0; run < 2; ++run) {
        QVERIFY(withoutLayout());
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(m_program, {});
        QVERIFY2(p.waitForStarted(30000), qPrintable(p.errorString()));
        QVERIFY2(waitUntilRunning(p), "the program does not reach its event loop");
        // The second start ends by SIGTERM: what matters there is that it was not refused.
        QCOMPARE(::kill(pid_t(p.processId()), run == 0 ? signal : SIGTERM), 0);
        const bool ended = p.waitForFinished(30000);
        if (!ended) {
            p.kill();
            p.waitForFinished(10000);
        }
        QVERIFY2(ended, "the program does not end on the signal");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        // The closing steps ran as after the close box: the settings file holds the layout.
        QFile written(ini);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("Width_Panel_Left="));
    }
    gw.Stop();
}

void TestSignale::signalDuringGatewayRequestEndsAfterIt()
{
    // The start page fetches the account status; the gateway takes its time to answer.
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString database = home.filePath(QStringLiteral("VORNIX2.GDB"));
    QVERIFY(QFile::copy(QStringLiteral(VORNIX2_TEMPLATE_DB), database));
    QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner);
    TIniFileDaten settings = DefaultIniFileDaten();
    settings.Use_Https = false;
    settings.AutoAktualisierung = true;
    settings.Login_Speichern = true;
    settings.Login_Username = QStringLiteral("demo");
    settings.Login_Passwort = QStringLiteral("demo");
    QVERIFY(SaveIniFileDaten(home.filePath(QStringLiteral("Vornix2.ini")), settings));
    FakeGateway gw;
    FakeAccount account;
    account.Install(gw);
    const QString path = QStringLiteral("/smscommand/UserDataDetail.do");
    FakeReply slow = FakeReply::Success(QStringLiteral("UserDataDetail"));
    slow.delayMs = 3000;
    gw.Script(path, slow);
    QVERIFY(gw.Start());
    QTemporaryDir lock;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VORNIX2_HOME"), home.path());
    env.insert(QStringLiteral("VORNIX2_LOCK_DIR"), lock.path());
    env.insert(QStringLiteral("VORNIX2_GATEWAY_HOST"), gw.HostPort());
    env.insert(QStringLiteral("VORNIX2_WEB_HOST"), gw.HostPort());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(m_program, {});
    QVERIFY2(p.waitForStarted(30000), qPrintable(p.errorString()));
    QDeadlineTimer deadline(120000);
    while (gw.Count(path) == 0 && !deadline.hasExpired() && p.state() == QProcess::Running)
        QThread::msleep(20);
    QCOMPARE(gw.Count(path), 1);
    // The request waits for its reply: the signal is taken now and acted on after it.
    QCOMPARE(::kill(pid_t(p.processId()), SIGTERM), 0);
    const bool ended = p.waitForFinished(30000);
    if (!ended) {
        p.kill();
        p.waitForFinished(10000);
    }
    QVERIFY2(ended, "the program does not end after the request");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    gw.Stop();
}

QTEST_GUILESS_MAIN(TestSignale)
#include "tst_signale.moc"
