#include "TestEnv.h"
#include "foundation/AboutForm.h"
#include "foundation/DatenModul.h"
#include "foundation/SplashScreenForm.h"
#include "app/StartUp.h"
#include "app/HauptForm.h"
#include "platform/ShellOpen.h"
#include "platform/SingleInstance.h"
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <csignal>

namespace {
const QString kConnectionStart = QStringLiteral("Es konnte keine Verbindung zur Datenbank hergestellt werden.");

// The splash screen while it lives.
QWidget* Splash()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("SplashScreenForm"))
            return w;
    return nullptr;
}

// Runs `action` once the message loop runs (splash released, main window on screen), however long
// the forms take to create; gives up after 30 s by ending the loop, so a test fails instead of hanging.
void WhenRunning(QObject* context, std::function<void()> action)
{
    auto* poll = new QTimer(context);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(poll, &QTimer::timeout, context, [poll, waited, action] {
        // The native window is shown only after the first-show work, which lets timers through.
        const bool running = !Splash() && MainWindow() && MainWindow()->windowHandle()
                             && MainWindow()->windowHandle()->isVisible();
        if (!running && waited.elapsed() < 30000)
            return;
        poll->stop();
        poll->deleteLater();
        if (running)
            action();
        else
            QCoreApplication::exit(99);
    });
    poll->start(20);
}
}

class TestStartUp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondInstanceIsRefused();
    void lockOfKilledRunIsTakenOver();
    void secondProgramShowsMessageAndEnds();
    void missingDatabaseEndsWithoutWindow();
    void failureWhileCreatingFormsEndsWithItsMessage_data();
    void failureWhileCreatingFormsEndsWithItsMessage();
    void normalRunShowsMainWindowAndReleasesLock();
    void aboutBoxShowsVersionAndOpensMail();
    void terminationSignalClosesLikeTheCloseBox();
};

void TestStartUp::secondInstanceIsRefused()
{
    QTemporaryDir dir;
    SingleInstance first(QStringLiteral("Vornix2"), dir.path());
    QVERIFY(first.Acquire());
    SingleInstance second(QStringLiteral("Vornix2"), dir.path());
    QVERIFY(!second.Acquire());
    QVERIFY(second.AnotherInstanceExists());
    first.Release();
    // After the first copy ended, a new one starts.
    SingleInstance third(QStringLiteral("Vornix2"), dir.path());
    QVERIFY(third.Acquire());
}

void TestStartUp::lockOfKilledRunIsTakenOver()
{
    QTemporaryDir dir;
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), dir.path()});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));
    {
        SingleInstance blocked(QStringLiteral("Vornix2"), dir.path());
        QVERIFY(!blocked.Acquire());
    }
    ::kill(static_cast<pid_t>(holder.processId()), SIGKILL);
    QVERIFY(holder.waitForFinished(10000));
    SingleInstance next(QStringLiteral("Vornix2"), dir.path());
    QVERIFY(next.Acquire());
}

void TestStartUp::secondProgramShowsMessageAndEnds()
{
    TestProgramDir programDir;
    SingleInstance running(QStringLiteral("Vornix2"));
    QVERIFY(running.Acquire());
    ScriptedMessages messages;
    QCOMPARE(ProgramMain(*qApp), 0);
    QCOMPARE(messages.Count(), 1);
    QCOMPARE(messages.Messages().first().kind, Msg::Kind::Information);
    QCOMPARE(messages.Texts().first(),
             QStringLiteral("Es ist bereits eine andere Instanz dieser Anwendung geöffnet.\n\r"
                            "Ein mehrfaches Öffnen dieser Anwendung ist nicht möglich."));
    QVERIFY(!MainWindow());
    QVERIFY(!DatenModul);
}

void TestStartUp::missingDatabaseEndsWithoutWindow()
{
    TestProgramDir programDir(false);
    ScriptedMessages messages;
    // The message is not covered by the splash screen.
    bool splashAtMessage = true;
    messages.OnMessage([&](const ScriptedMessages::Entry&) { splashAtMessage = Splash() && Splash()->isVisible(); });
    bool windowShown = false;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&] {
        if (MainWindow() && MainWindow()->isVisible())
            windowShown = true;
    });
    probe.start(1);
    QCOMPARE(ProgramMain(*qApp), 1);
    QCOMPARE(messages.Count(), 1);
    QCOMPARE(messages.Messages().first().kind, Msg::Kind::Error);
    QVERIFY(messages.Texts().first().startsWith(kConnectionStart));
    QVERIFY(!splashAtMessage);
    QVERIFY(!windowShown);
    QVERIFY(!MainWindow());
    QVERIFY(!QFile::exists(programDir.File("Vornix2.ini")));
    // The lock was released: the next start is not refused.
    SingleInstance next(QStringLiteral("Vornix2"));
    QVERIFY(next.Acquire());
}

void TestStartUp::failureWhileCreatingFormsEndsWithItsMessage_data()
{
    QTest::addColumn<bool>("afterConnect");
    QTest::newRow("before the data module") << false;
    QTest::newRow("in a dialog") << true;
}

void TestStartUp::failureWhileCreatingFormsEndsWithItsMessage()
{
    QFETCH(bool, afterConnect);
    TestProgramDir programDir;
    ScriptedMessages messages;
    bool splashAtMessage = true;
    messages.OnMessage([&](const ScriptedMessages::Entry&) { splashAtMessage = Splash() && Splash()->isVisible(); });
    bool splashDuringCreation = false;
    Qt::CursorShape cursorDuringCreation = Qt::ArrowCursor;
    const int rc = ProgramMain(*qApp, [&]() -> bool {
        splashDuringCreation = Splash() && Splash()->isVisible();
        if (QApplication::overrideCursor())
            cursorDuringCreation = QApplication::overrideCursor()->shape();
        CreateHauptForm();
        if (afterConnect) {
            new TDatenModul;
            if (!DatenModul->DataModuleCreate())
                return false;
        }
        throw DbError(QStringLiteral("Fehler beim Anlegen"));
    });
    QCOMPARE(rc, 1);
    QVERIFY(splashDuringCreation);
    QCOMPARE(cursorDuringCreation, Qt::WaitCursor);
    QCOMPARE(messages.Count(), 1);
    QCOMPARE(messages.Messages().first().kind, Msg::Kind::Error);
    QCOMPARE(messages.Texts().first(), QStringLiteral("Fehler beim Anlegen"));
    QVERIFY(!splashAtMessage);
    // Splash released, cursor back, no window, no settings written, lock free.
    QVERIFY(!Splash());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!MainWindow());
    QVERIFY(!DatenModul);
    QVERIFY(!QFile::exists(programDir.File("Vornix2.ini")));
    SingleInstance next(QStringLiteral("Vornix2"));
    QVERIFY(next.Acquire());
}

void TestStartUp::normalRunShowsMainWindowAndReleasesLock()
{
    TestProgramDir programDir;
    ScriptedMessages messages;
    bool seen = false;
    // Once the loop runs the splash is gone; then the user closes the window.
    WhenRunning(this, [&] {
        seen = DatenModul && DatenModul->IsConnected();
        MainWindow()->close();
    });
    QCOMPARE(ProgramMain(*qApp), 0);
    QVERIFY(seen);
    QVERIFY(!MainWindow());
    QVERIFY(!DatenModul);
    SingleInstance next(QStringLiteral("Vornix2"));
    QVERIFY(next.Acquire());
}

void TestStartUp::aboutBoxShowsVersionAndOpensMail()
{
    QList<QUrl> opened;
    ShellOpen::SetHandler([&](const QUrl& url) { opened << url; return true; });
    TAboutForm about;
    QString version;
    OnNextModal([&](QWidget* w) {
        version = w->findChild<QLabel*>("Label_Version")->text();
        auto* mail = w->findChild<QLabel*>("Label22");
        QTest::mouseClick(mail, Qt::LeftButton);
        static_cast<QDialog*>(w)->accept();
    });
    about.exec();
    ShellOpen::SetHandler({});
    QVERIFY(!ModalTimedOut());
    QCOMPARE(about.windowTitle(), QStringLiteral("Info"));
    QCOMPARE(version, QStringLiteral("Version 2.1.1"));
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.first().scheme(), QStringLiteral("mailto"));
}

void TestStartUp::terminationSignalClosesLikeTheCloseBox()
{
    TestProgramDir programDir;
    ScriptedMessages messages;
    bool dialogWasOpen = false;
    WhenRunning(this, [&] {
        // An open dialog is cancelled, then the window closes as by its close box.
        OnNextModal([&](QWidget*) {
            dialogWasOpen = true;
            ::raise(SIGTERM);
        });
        MainWindow()->findChild<TAboutForm*>()->exec();
    });
    QCOMPARE(ProgramMain(*qApp), 0);
    QVERIFY(dialogWasOpen);
    QVERIFY(!MainWindow());
    // The closing steps ran: the settings file holds the layout.
    QFile ini(programDir.File("Vornix2.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("Width_Panel_Left="));
}

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--hold-lock") {
        QCoreApplication app(argc, argv);
        SingleInstance lock(QStringLiteral("Vornix2"), QString::fromLocal8Bit(argv[2]));
        if (!lock.Acquire())
            return 2;
        printf("locked\n");
        fflush(stdout);
        QThread::sleep(60);
        return 0;
    }
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestStartUp test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_startup.moc"
