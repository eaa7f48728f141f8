#include "TestProgram.h"
#include "FakeGateway.h"
#include "TestEnv.h"
#include "foundation/IniFileDaten.h"
#include "foundation/WaitCursor.h"
#include "gateway/UpdateForm.h"
#include "gateway/Version.h"
#include "app/HauptForm.h"
#include "app/StartUp.h"
#include "foundation/Settings.h"
#include "gateway/GatewaySession.h"
#include "foundation/Page.h"
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {
FakeReply versionReply(const QString& inner)
{
    return FakeReply::Success("Version", "<VersionInfo>" + inner + "</VersionInfo>");
}

FakeReply versionReply(int major, int minor, int release)
{
    return versionReply(QString("<Major>%1</Major><Minor>%2</Minor><Release>%3</Release>")
                            .arg(major)
                            .arg(minor)
                            .arg(release));
}

// The program against the fake gateway; the main window reached as `form`.
struct Program : TestProgram {
    THauptForm* const form;
    explicit Program(const std::function<void(TIniFileDaten&)>& change = {}) : TestProgram(change), form(Frame()) {}
    void Menu() { Trigger("NachAktualisierungensuchen1"); }
};

// Records the notice when it shows and closes it with the given button.
struct NoticeSeen {
    bool shown = false;
    bool focusOnJa = false;
    QString versionLine;
    QString status;   // the status bar's text while the notice is open
};
void answerNotice(NoticeSeen& seen, const char* button, bool tickBox = false)
{
    OnNextModal([&seen, button, tickBox](QWidget* w) {
        seen.shown = w->objectName() == "UpdateForm";
        seen.status = StatusText::Current();
        seen.versionLine = w->findChild<QLabel*>("Label_Version")->text();
        auto* ja = w->findChild<QPushButton*>("Btn_Ja");
        seen.focusOnJa = w->focusWidget() == ja && ja->isDefault();
        QVERIFY(!w->findChild<QCheckBox*>("KeineWeiterenUpdates")->isChecked());
        if (tickBox)
            w->findChild<QCheckBox*>("KeineWeiterenUpdates")->setChecked(true);
        if (QByteArray(button) == "Escape")
            QTest::keyClick(w, Qt::Key_Escape);
        else if (QByteArray(button) == "Close")
            w->close();   // the window's close button
        else
            w->findChild<QPushButton*>(button)->click();
    });
}
}

class TestVersion : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void comparison_data();
    void comparison();
    void readVersionInfo_data();
    void readVersionInfo();
    void menuCommand_data();
    void menuCommand();
    void incompleteReplyShowsNothing();
    void startWithNoticesOff();
    void startShowsNotice();
    void boxOnNoticeTurnsNoticesOff_data();
    void boxOnNoticeTurnsNoticesOff();
    void closingWithoutTheBoxKeepsNotices();
};

void TestVersion::comparison_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("release");
    QTest::addColumn<bool>("newer");
    QTest::newRow("2.1.1 own") << 2 << 1 << 1 << false;
    QTest::newRow("2.1.0") << 2 << 1 << 0 << false;
    QTest::newRow("2.1.2") << 2 << 1 << 2 << true;
    QTest::newRow("2.2.0") << 2 << 2 << 0 << true;
    QTest::newRow("3.0.0") << 3 << 0 << 0 << true;
    // An older version with a larger part is no update.
    QTest::newRow("2.0.5") << 2 << 0 << 5 << false;
    QTest::newRow("1.9.9") << 1 << 9 << 9 << false;
    QTest::newRow("1.10.10") << 1 << 10 << 10 << false;
    QTest::newRow("0.0.0") << 0 << 0 << 0 << false;
}

void TestVersion::comparison()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, release);
    QFETCH(bool, newer);
    QCOMPARE(IsNewerVersion(major, minor, release), newer);
}

void TestVersion::readVersionInfo_data()
{
    QTest::addColumn<QString>("response");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("release");
    auto info = [](const QString& inner) { return "<Version><VersionInfo>" + inner + "</VersionInfo></Version>"; };
    QTest::newRow("complete") << info("<Major>2</Major><Minor>3</Minor><Release>4</Release>") << true << 2 << 3 << 4;
    QTest::newRow("zeros") << info("<Major>0</Major><Minor>0</Minor><Release>0</Release>") << true << 0 << 0 << 0;
    QTest::newRow("any order") << info("<Release>9</Release><Major>1</Major><Minor>8</Minor>") << true << 1 << 8 << 9;
    QTest::newRow("no release") << info("<Major>3</Major><Minor>0</Minor>") << false << 0 << 0 << 0;
    QTest::newRow("negative") << info("<Major>-1</Major><Minor>0</Minor><Release>0</Release>") << false << 0 << 0 << 0;
    QTest::newRow("not a number") << info("<Major>2</Major><Minor>x</Minor><Release>0</Release>") << false << 0 << 0
                                  << 0;
    QTest::newRow("blank around") << info("<Major> 2</Major><Minor>1</Minor><Release>0</Release>") << false << 0 << 0
                                  << 0;
    QTest::newRow("no VersionInfo") << "<Version><Major>2</Major><Minor>1</Minor><Release>0</Release></Version>"
                                    << false << 0 << 0 << 0;
    QTest::newRow("empty") << "" << false << 0 << 0 << 0;
}

void TestVersion::readVersionInfo()
{
    QFETCH(QString, response);
    QFETCH(bool, found);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, release);
    const std::optional<TVersion> v = ReadVersionInfo(response);
    QCOMPARE(v.has_value(), found);
    if (found)
        QCOMPARE(*v, (TVersion{major, minor, release}));
}

void TestVersion::menuCommand_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("release");
    QTest::addColumn<bool>("notice");
    QTest::newRow("2.1.1") << 2 << 1 << 1 << false;
    QTest::newRow("2.1.2") << 2 << 1 << 2 << true;
    QTest::newRow("2.2.0") << 2 << 2 << 0 << true;
    QTest::newRow("2.0.5") << 2 << 0 << 5 << false;
}

void TestVersion::menuCommand()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, release);
    QFETCH(bool, notice);
    Program p;
    p.Start();
    p.gw.Script("/smscommand/Version.do", versionReply(major, minor, release));
    NoticeSeen seen;
    if (notice)
        answerNotice(seen, "Btn_Nein");
    QString statusAtBox;
    p.msgs.OnMessage([&](const ScriptedMessages::Entry&) { statusAtBox = StatusText::Current(); });
    StatusText::ClearHistory();
    p.Menu();
    QCOMPARE(p.gw.Count("/smscommand/Version.do"), 1);
    // No fields of its own: the version line alone.
    QCOMPARE(p.gw.Last().Body(), QByteArray("version=2105"));
    const QString waiting("Bitte warten... die Versions-Informationen werden vom Server abgerufen.");
    QCOMPARE(StatusText::History(), QStringList({waiting, ""}));
    // Cleared only after the notice or the box has been closed.
    QCOMPARE(notice ? seen.status : statusAtBox, waiting);
    QCOMPARE(p.form->Session().VersionMajor() * 10000 + p.form->Session().VersionMinor() * 100 +
                 p.form->Session().VersionRelease(),
             major * 10000 + minor * 100 + release);
    if (notice) {
        QVERIFY(!ModalTimedOut());
        QVERIFY(seen.shown);
        QCOMPARE(seen.versionLine, QString("Die Version %1.%2.%3 können Sie im Download-Bereich der Webseite "
                                           "herunterladen.").arg(major).arg(minor).arg(release));
        QCOMPARE(p.msgs.Count(), 0);
    } else {
        QCOMPARE(p.msgs.Count(), 1);
        QCOMPARE(p.msgs.Messages().first().kind, Msg::Kind::Information);
        QCOMPARE(p.msgs.Texts().first(), QString("Sie besitzen bereits die aktuellste Version von Vornix2."));
    }
    // The latest version is kept for the next run.
    p.form->close();
    const TIniFileDaten file = LoadIniFileDaten(p.ini);
    QCOMPARE(file.Major * 10000 + file.Minor * 100 + file.Release, major * 10000 + minor * 100 + release);
}

void TestVersion::incompleteReplyShowsNothing()
{
    Program p;
    p.Start();
    p.gw.Script("/smscommand/Version.do", versionReply("<Major>3</Major><Minor>0</Minor>"));
    p.Menu();
    QCOMPARE(p.msgs.Count(), 0);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(p.form->Session().VersionMajor(), 2);
    // A rejected request shows its error box only.
    p.gw.Script("/smscommand/Version.do", FakeReply::Rejection("Version", "050: busy"));
    p.Menu();
    QCOMPARE(p.msgs.Count(), 1);
    QVERIFY(p.msgs.Texts().first().startsWith("Die Versions-Informationen konnten nicht erfolgreich vom Server "
                                              "abgerufen werden."));
}

void TestVersion::startWithNoticesOff()
{
    Program p([](TIniFileDaten& d) {
        d.ShowUpdates = false;
        d.Major = 2;
        d.Minor = 2;
        d.Release = 0;
    });
    p.Start();
    QCOMPARE(p.msgs.Count(), 0);
    QVERIFY(!QApplication::activeModalWidget());
    // Asked for by the user, the notice shows although notices are off.
    p.gw.Script("/smscommand/Version.do", versionReply(2, 2, 0));
    NoticeSeen seen;
    answerNotice(seen, "Btn_Nein");
    p.Menu();
    QVERIFY(seen.shown);
    QVERIFY(seen.versionLine.contains("2.2.0"));
}

void TestVersion::startShowsNotice()
{
    ScopedEnv web("VORNIX2_WEB_HOST", "web.test");
    // Requests go by https here; the download page is http all the same.
    Program p([](TIniFileDaten& d) {
        d.Use_Https = true;
        d.Major = 2;
        d.Minor = 1;
        d.Release = 7;
    });
    OpenedUrls opened;
    NoticeSeen seen;
    answerNotice(seen, "Btn_Ja");
    p.Start();
    QVERIFY(!ModalTimedOut());
    QVERIFY(seen.shown);
    QVERIFY(seen.focusOnJa);
    QCOMPARE(opened.List(), QList<QUrl>({QUrl("http://web.test/deeplink/download")}));
    QVERIFY(seen.versionLine.contains("2.1.7"));
    // The rest of the first show ran after the notice.
    QCOMPARE(p.form->CurrentPage()->objectName(), QString("Panel_Home"));
    QCOMPARE(p.gw.Count(), 0);
}

void TestVersion::boxOnNoticeTurnsNoticesOff_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("opensDownload");
    QTest::newRow("Ja") << "Btn_Ja" << true;
    QTest::newRow("Nein") << "Btn_Nein" << false;
    QTest::newRow("Escape") << "Escape" << false;
    QTest::newRow("window closed") << "Close" << false;
}

void TestVersion::boxOnNoticeTurnsNoticesOff()
{
    QFETCH(QString, button);
    QFETCH(bool, opensDownload);
    ScopedEnv web("VORNIX2_WEB_HOST", "web.test");
    Program p([](TIniFileDaten& d) { d.Use_Https = false; });
    p.Start();
    OpenedUrls opened;
    p.gw.Script("/smscommand/Version.do", versionReply(2, 2, 0));
    NoticeSeen seen;
    const QByteArray name = button.toLatin1();
    answerNotice(seen, name.constData(), true);
    p.Menu();
    QVERIFY(seen.shown);
    QVERIFY(seen.focusOnJa);
    if (opensDownload)
        QCOMPARE(opened.List(), QList<QUrl>({QUrl("http://web.test/deeplink/download")}));
    else
        QVERIFY(opened.List().isEmpty());
    QVERIFY(!LoadIniFileDaten(p.ini).ShowUpdates);
    QFile file(p.ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(file.readAll()).remove('\r').split('\n').contains("ShowUpdates=0"));
    QVERIFY(!p.form->GetSettings().Get().ShowUpdates);
    // The next showing starts with the box cleared (checked when it shows).
    p.gw.Script("/smscommand/Version.do", versionReply(2, 2, 0));
    NoticeSeen again;
    answerNotice(again, "Btn_Nein");
    p.Menu();
    QVERIFY(again.shown);
    // Close keeps it off.
    p.form->close();
    QVERIFY(!LoadIniFileDaten(p.ini).ShowUpdates);
}

void TestVersion::closingWithoutTheBoxKeepsNotices()
{
    Program p;
    p.Start();
    p.gw.Script("/smscommand/Version.do", versionReply(3, 0, 0));
    NoticeSeen seen;
    answerNotice(seen, "Btn_Ja");
    OpenedUrls opened;
    p.Menu();
    QVERIFY(seen.shown);
    QVERIFY(LoadIniFileDaten(p.ini).ShowUpdates);
}

QTEST_MAIN(TestVersion)
#include "tst_version.moc"
