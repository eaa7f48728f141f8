#include "FakeGateway.h"
#include "TestEnv.h"
#include "foundation/AboutForm.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/EinstellungenForm.h"
#include "foundation/IniFileDaten.h"
#include "app/StartUp.h"
#include "gateway/HomePage.h"
#include "gateway/UpdateForm.h"
#include "foundation/FrameWidgets.h"
#include "app/HauptForm.h"
#include "foundation/Settings.h"
#include "gateway/GatewaySession.h"
#include "contacts/KontaktePage.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QMenu>
#include <QMenuBar>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolBar>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <memory>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The main window with the dialogs it shows, as the program creates them.
struct Frame {
    std::unique_ptr<THauptForm> form{CreateHauptForm()};
    ~Frame()
    {
        if (form && form->isVisible())
            form->close();
    }
    void Start()
    {
        form->show();
        QCoreApplication::processEvents();
    }
    QString Title() const { return form->findChild<QLabel*>("Panel_TopLabel")->text(); }
    QString PageName() const { return form->CurrentPage() ? form->CurrentPage()->objectName() : QString(); }
    QAction* Action(const char* name) const { return form->findChild<QAction*>(QLatin1String(name)); }
};

// A settings file of the given record (dates fixed so that files compare byte for byte).
void writeIni(const QString& path, const std::function<void(TIniFileDaten&)>& change = {})
{
    TIniFileDaten d = DefaultIniFileDaten();
    d.GueltigBis = QDate(2026, 1, 1);
    d.Benutzerdaten_Stand = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    d.Accountstatus_Stand = QDateTime(QDate(2026, 1, 3), QTime(4, 5, 6));
    d.ShowUntil = QDate(2026, 1, 4);
    if (change)
        change(d);
    QVERIFY(SaveIniFileDaten(path, d));
}
}

class TestHauptForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartWithoutSettingsFile();
    void startPage_data();
    void startPage();
    void firstShowStepOrder();
    void firstShowStepsAroundTheStartFetch();
    void pageSwitchOrder();
    void unreadableSettingsFileIsNotOverwritten();
    void failedPrefixStepStillRunsTheRest();
    void firstStartWritesDefaultsBeforeThePrefixes();
    void unwritableSettingsFileStillCloses();
    void firstShowRunsOnce();
    void layoutRoundTrip_data();
    void layoutRoundTrip();
    void wrongLengthWidthListsAreWrittenBackWhole();
    void refreshAfterImport_data();
    void refreshAfterImport();
    void unparsableWidthListKeepsTheRest();
    void menuOpensPages_data();
    void menuOpensPages();
    void prepaidAsksFirst();
    void helpOpensTheHelpFile();
    void infoShowsTheAboutBox();
    void optionenSavesAndTakesTheDialogsRecord();
    void menuHasEveryItem();
    void wheelMovesCurrentRow_data();
    void wheelMovesCurrentRow();
    void sidewaysWheelScrolls();
    void frameGridsTakeTheWheel();
    void iconsBeforeText();
    void multiLineCaption_data();
    void multiLineCaption();
    void reloadKeepsRecordWhenFileUnreadable();
};

void TestHauptForm::firstStartWithoutSettingsFile()
{
    TestDatabase db;
    ScriptedMessages msgs;
    Clock::Set(QDateTime(QDate(2026, 3, 14), QTime(9, 30, 15)));
    const auto resetClock = qScopeGuard([] { Clock::Set(QDateTime()); });
    const QString ini = db.Path() + "/Vornix2.ini";
    QVERIFY(!QFile::exists(ini));
    Frame f;
    f.Start();
    QCOMPARE(msgs.Count(), 0);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(f.form->windowTitle(), QString("Vornix2 - Der professionelle Massen-SMS Versender"));
    QCOMPARE(f.Title(), QString("  Vornix2 - Der Massen-SMS Versender"));
    QCOMPARE(f.PageName(), QString("Panel_Home"));
    QVERIFY(f.form->findChild<QWidget*>("ToolBar_Home")->isVisible());
    QCOMPARE(f.form->GetSettings().FileName(), ini);
    // Written before the prefixes were loaded, with every default.
    QVERIFY(QFile::exists(ini));
    // Byte for byte the file that the defaults make (the clock fixed for the dates in it).
    QTemporaryDir other;
    QVERIFY(SaveIniFileDaten(other.filePath("Vornix2.ini"), DefaultIniFileDaten()));
    QCOMPARE(QString::fromUtf8(readAll(ini)), QString::fromUtf8(readAll(other.filePath("Vornix2.ini"))));
    TIniFileDaten loaded;
    QVERIFY(LoadIniFileDaten(ini, loaded));
    const TIniFileDaten def = DefaultIniFileDaten();
    QCOMPARE(loaded.StartOrdner, def.StartOrdner);
    QCOMPARE(loaded.Widths, def.Widths);
    QCOMPARE(loaded.Widths_Versandprotokoll, def.Widths_Versandprotokoll);
    QCOMPARE(loaded.Widths_Versendete, def.Widths_Versendete);
    QCOMPARE(loaded.Use_Https, def.Use_Https);
    QCOMPARE(loaded.StandardAbsender, def.StandardAbsender);
    QCOMPARE(loaded.ProtokollLimit, def.ProtokollLimit);
    QCOMPARE(loaded.AnzProtokoll, -1);
    QCOMPARE(loaded.ShowUpdates, true);
    QCOMPARE(loaded.Major * 100 + loaded.Minor * 10 + loaded.Release, 211);
    const QByteArray text = readAll(ini);
    for (const char* key : {"StartOrdner=", "Proxy_BasicAuthentication=", "ShowMarketing=", "Widths=",
                            "Widths_Versandprotokoll=", "Height_Panel_LeftTop=", "SortierungVersendete=",
                            "Login_Passwort=", "ProtokollLimit=", "Karteninhaber=", "AutoAktualisierung=",
                            "Content3=", "ShowUntil=", "Release="})
        QVERIFY2(text.contains(key), key);
    QStringList prefixes;
    QSqlQuery q = db.Modul()->Run("SELECT vorwahl FROM laendervorwahlen");
    while (q.next())
        prefixes.append(q.value(0).toString());
    QVERIFY(prefixes.size() > 3);
    QCOMPARE(DatenModul->LaenderVorwahlen(), prefixes);
}

void TestHauptForm::startPage_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("toolBar");
    QTest::newRow("0") << "0" << "Panel_Home" << "Vornix2 - Der Massen-SMS Versender" << "ToolBar_Home";
    QTest::newRow("1") << "1" << "Panel_Kontakte" << "Kontakte verwalten" << "ToolBar_Kontakte";
    QTest::newRow("2") << "2" << "Panel_SMS" << "SMS versenden" << "ToolBar_SmsVersand";
    QTest::newRow("3") << "3" << "Panel_Home" << "Vornix2 - Der Massen-SMS Versender" << "ToolBar_Home";
    QTest::newRow("-1") << "-1" << "Panel_Home" << "Vornix2 - Der Massen-SMS Versender" << "ToolBar_Home";
    QTest::newRow("x") << "x" << "Panel_Home" << "Vornix2 - Der Massen-SMS Versender" << "ToolBar_Home";
}

void TestHauptForm::startPage()
{
    QFETCH(QString, value);
    QFETCH(QString, page);
    QFETCH(QString, title);
    QFETCH(QString, toolBar);
    TestDatabase db;
    ScriptedMessages msgs;
    QFile file(db.Path() + "/Vornix2.ini");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Allgemein]\r\nStartOrdner=" + value.toLatin1() + "\r\n");
    file.close();
    Frame f;
    f.Start();
    QCOMPARE(f.PageName(), page);
    QCOMPARE(f.Title(), "  " + title);
    for (const char* bar : {"ToolBar_Home", "ToolBar_Kontakte", "ToolBar_SmsVersand"})
        QCOMPARE(f.form->findChild<QWidget*>(bar)->isVisible(), toolBar == bar);
    QCOMPARE(f.form->findChild<QWidget*>(page)->isVisible(), true);
    int shown = 0;
    for (const char* p : {"Panel_Home", "Panel_Kontakte", "Panel_SMS"})
        shown += f.form->findChild<QWidget*>(p)->isVisible() ? 1 : 0;
    QCOMPARE(shown, 1);
}

namespace {
// Records the calls the frame makes on a page.
class RecordingPage : public TPage {
public:
    QStringList* log;
    QWidget* bar = new QWidget(this);
    QWidget* visibleAtBefore = nullptr;
    RecordingPage(QStringList* l) : log(l) {}
    QString TitleText() const override { return "  Test"; }
    QWidget* ToolBar() override { return bar; }
    void BeforeSwitch() override { log->append(isVisible() ? "before:visible" : "before:hidden"); }
    void Load() override { log->append(isVisible() ? "load:visible" : "load:hidden"); }
};
}

void TestHauptForm::firstShowStepOrder()
{
    TestDatabase db;
    ScriptedMessages msgs;
    FakeGateway gw;
    QVERIFY(gw.Start());
    ScopedEnv host("VORNIX2_GATEWAY_HOST", gw.HostPort().toLatin1());
    gw.SetDefault("/smscommand/UserDataDetail.do",
                  FakeReply::Success("UserDataDetail", "<PrepaidContingent>5</PrepaidContingent><AccountType>1"
                                                       "</AccountType><CountProtocol>1</CountProtocol>"));
    const QString ini = db.Path() + "/Vornix2.ini";
    writeIni(ini, [](TIniFileDaten& d) {
        d.Use_Https = false;
        d.Login_Speichern = true;
        d.Login_Username = "kunde7";
        d.Login_Passwort = "geheim";
        d.Major = 2;
        d.Minor = 2;
        d.Release = 0;
        d.Index = 7;
        d.ShowUntil = QDate(2099, 1, 1);
        d.AutoAktualisierung = true;
        d.Sortierung = 3;
        d.StartOrdner = 1;
    });
    Frame f;
    auto* box = f.form->findChild<QCheckBox*>("CheckBox_Home_Accountstatus");
    auto* sort = f.form->findChild<QComboBox*>("Kontakte_Sortierung");
    QVERIFY(box && sort);
    // The silent version check (step 5) shows the notice: what ran before it and what not.
    int prefixes = -1, news = -1, requests = -1, sortIndex = -1;
    bool ticked = true;
    QString title = "unset";
    OnNextModal([&](QWidget* w) {
        prefixes = DatenModul->LaenderVorwahlen().size();
        news = f.form->Session().News().Index;
        ticked = box->isChecked();
        requests = gw.Count();
        sortIndex = sort->currentIndex();
        title = f.Title();
        w->findChild<QPushButton*>("Btn_Nein")->click();
    });
    f.Start();
    QVERIFY(!ModalTimedOut());
    QVERIFY(prefixes > 0);    // 4 before 5
    QCOMPARE(news, 0);        // 6 after
    QVERIFY(!ticked);         // 7 after
    QCOMPARE(requests, 0);
    QVERIFY(sortIndex != 3);  // 8 after
    QCOMPARE(title, QString());   // 9 after
    QCOMPARE(f.form->Session().News().Index, 7);
    QVERIFY(box->isChecked());
    QCOMPARE(gw.Count("/smscommand/UserDataDetail.do"), 1);
    QCOMPARE(sort->currentIndex(), 3);
    QCOMPARE(f.Title(), QString("  Kontakte verwalten"));
    QCOMPARE(msgs.Count(), 0);
    // Shown again (restored from minimised): none of it runs again.
    f.form->showMinimized();
    f.form->showNormal();
    QCoreApplication::processEvents();
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(gw.Count(), 1);
    f.form->close();
    gw.Stop();
}

void TestHauptForm::firstShowStepsAroundTheStartFetch()
{
    TestDatabase db;
    ScriptedMessages msgs;
    FakeGateway gw;
    QVERIFY(gw.Start());
    ScopedEnv host("VORNIX2_GATEWAY_HOST", gw.HostPort().toLatin1());
    writeIni(db.Path() + "/Vornix2.ini", [](TIniFileDaten& d) {
        d.Use_Https = false;
        d.Login_Speichern = false;
        d.Index = 7;
        d.ShowUntil = QDate(2099, 1, 1);
        d.AutoAktualisierung = true;
        d.Sortierung = 3;
        d.StartOrdner = 1;
    });
    Frame f;
    auto* box = f.form->findChild<QCheckBox*>("CheckBox_Home_Accountstatus");
    auto* sort = f.form->findChild<QComboBox*>("Kontakte_Sortierung");
    QVERIFY(box && sort);
    // Without a stored login the refresh of step 7 asks for one: what ran before it and what not.
    int news = -1, sortIndex = -1;
    bool ticked = false;
    QString seen, title = "unset";
    OnNextModal([&](QWidget* w) {
        seen = w->objectName();
        news = f.form->Session().News().Index;
        ticked = box->isChecked();
        sortIndex = sort->currentIndex();
        title = f.Title();
        static_cast<QDialog*>(w)->reject();
    });
    f.Start();
    QVERIFY(!ModalTimedOut());
    QCOMPARE(seen, QString("LoginForm"));
    QCOMPARE(news, 7);              // 6 before
    QVERIFY(ticked);                // the box is set before the fetch
    QVERIFY(sortIndex != 3);        // 8 after
    QCOMPARE(title, QString());     // 9 after
    QCOMPARE(gw.Count(), 0);        // cancelled: nothing sent, nothing reported
    QCOMPARE(msgs.Count(), 0);
    QCOMPARE(sort->currentIndex(), 3);
    QCOMPARE(f.Title(), QString("  Kontakte verwalten"));
    f.form->close();
    gw.Stop();
}

void TestHauptForm::pageSwitchOrder()
{
    TestDatabase db;
    ScriptedMessages msgs;
    Frame f;
    f.Start();
    QStringList log;
    auto* page = new RecordingPage(&log);
    f.form->findChild<QStackedWidget*>("Stack_Pages")->addWidget(page);
    f.form->findChild<QStackedWidget*>("Stack_ToolBars")->addWidget(page->ToolBar());
    f.form->ShowPage(page);
    QCOMPARE(log, QStringList({"before:hidden", "load:visible"}));
    QCOMPARE(f.Title(), QString("  Test"));
    QVERIFY(page->bar->isVisible());
    // A click on the page already shown loads it again.
    log.clear();
    f.form->ShowPage(page);
    QCOMPARE(log, QStringList({"before:visible", "load:visible"}));
}

void TestHauptForm::unreadableSettingsFileIsNotOverwritten()
{
    TestDatabase db;
    ScriptedMessages msgs;
    // Even root cannot read a directory as a file.
    const QString ini = db.Path() + "/Vornix2.ini";
    QVERIFY(QDir().mkpath(ini));
    QFile keep(ini + "/keep");
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.close();
    Frame f;
    f.Start();
    QCOMPARE(msgs.Count(), 1);
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Error);
    QVERIFY(msgs.Texts().first().contains("Fehlermeldung: "));
    // The remaining steps ran.
    QVERIFY(!DatenModul->LaenderVorwahlen().isEmpty());
    QCOMPARE(f.PageName(), QString("Panel_Home"));
    msgs.Clear();
    f.form->close();
    // Nothing was written (a write would have failed and been reported).
    QCOMPARE(msgs.Count(), 0);
    QVERIFY(QFileInfo(ini).isDir());
    QVERIFY(QFile::exists(ini + "/keep"));
}

void TestHauptForm::failedPrefixStepStillRunsTheRest()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString ini = db.Path() + "/Vornix2.ini";
    writeIni(ini, [](TIniFileDaten& d) {
        d.Login_Speichern = true;
        d.Login_Username = "kunde7";
        d.Login_Passwort = "geheim";
        d.Index = 9;
        d.Headline = "Neu";
        d.Major = 2;
        d.Minor = 1;
        d.Release = 0;
    });
    db.Exec("DROP TABLE laendervorwahlen");
    Frame f;
    f.Start();
    QCOMPARE(msgs.Count(), 1);
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Error);
    QVERIFY(DatenModul->LaenderVorwahlen().isEmpty());
    // The steps after it still ran.
    QCOMPARE(f.form->Session().News().Index, 9);
    QCOMPARE(f.form->Session().VersionRelease(), 0);
    QCOMPARE(f.PageName(), QString("Panel_Home"));
    f.form->close();
    TIniFileDaten after;
    QVERIFY(LoadIniFileDaten(ini, after));
    QCOMPARE(after.Login_Username, QString("kunde7"));
    QCOMPARE(after.Login_Passwort, QString("geheim"));
    QCOMPARE(after.Index, 9);
    QCOMPARE(after.Release, 0);
}

void TestHauptForm::firstStartWritesDefaultsBeforeThePrefixes()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString ini = db.Path() + "/Vornix2.ini";
    db.Exec("DROP TABLE laendervorwahlen");
    bool writtenAtReport = false;
    msgs.OnMessage([&](const ScriptedMessages::Entry&) { writtenAtReport = QFile::exists(ini); });
    Frame f;
    f.Start();
    // The failing prefix query is reported; the defaults were written before it.
    QCOMPARE(msgs.Count(), 1);
    QVERIFY(writtenAtReport);
    QVERIFY(QFile::exists(ini));
    QCOMPARE(LoadIniFileDaten(ini).ProtokollLimit, DefaultIniFileDaten().ProtokollLimit);
    QCOMPARE(f.PageName(), QString("Panel_Home"));
}

void TestHauptForm::unwritableSettingsFileStillCloses()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString ini = db.Path() + "/Vornix2.ini";
    writeIni(ini);
    Frame f;
    f.Start();
    QCOMPARE(msgs.Count(), 0);
    // The file's place is taken by a directory: no write can succeed (also as root).
    QVERIFY(QFile::remove(ini));
    QVERIFY(QDir().mkpath(ini));
    bool hourglass = true;
    msgs.OnMessage([&](const ScriptedMessages::Entry&) { hourglass = QApplication::overrideCursor() != nullptr; });
    QVERIFY(f.form->close());
    QVERIFY(!hourglass);
    QVERIFY(!f.form->isVisible());
    QCOMPARE(msgs.Count(), 1);
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Error);
    QVERIFY(msgs.Texts().first().startsWith("Die Einstellungen konnten nicht gespeichert werden.\n\rFehlermeldung: "));
}

void TestHauptForm::firstShowRunsOnce()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString ini = db.Path() + "/Vornix2.ini";
    writeIni(ini, [](TIniFileDaten& d) { d.StartOrdner = 2; });
    Frame f;
    f.Start();
    f.form->Button_MainMenu_HomeClick();
    f.form->hide();
    f.form->show();
    f.form->showMinimized();
    f.form->showNormal();
    QCoreApplication::processEvents();
    // A second first show would have gone back to the start page.
    QCOMPARE(f.PageName(), QString("Panel_Home"));
}

void TestHauptForm::layoutRoundTrip_data()
{
    QTest::addColumn<int>("startOrdner");
    // Left-bar buttons clicked after the start.
    QTest::addColumn<QStringList>("visit");
    QTest::newRow("Home") << 0 << QStringList();
    QTest::newRow("Kontakte") << 1 << QStringList();
    QTest::newRow("SMS") << 2 << QStringList();
    QTest::newRow("Kontakte, SMS, Home") << 1 << QStringList({"Button_MainMenu_SMS", "Button_MainMenu_Home"});
    QTest::newRow("Home, SMS, Kontakte") << 0 << QStringList({"Button_MainMenu_SMS", "Button_MainMenu_Kontakte"});
}

void TestHauptForm::layoutRoundTrip()
{
    QFETCH(int, startOrdner);
    QFETCH(QStringList, visit);
    TestDatabase db;
    ScriptedMessages msgs;
    const QString ini = db.Path() + "/Vornix2.ini";
    writeIni(ini, [&](TIniFileDaten& d) {
        d.StartOrdner = startOrdner;
        d.Kontakte_Width_Panel_Left = 233;
        d.Widths = {101, 102, 103, 104, 105};
        d.Widths_Versandprotokoll = {91, 92, 93, 94};
        d.Sortierung = 2;
        d.Height_Panel_LeftTop = 177;
        d.SMS_Width_Panel_Left = 301;
        d.SortierungKontakte = 1;
        d.Widths_Versendete = {81, 82, 83, 84};
        d.SortierungVersendete = 2;
        d.AutoAktualisierung = false;
        d.Index = 4;
        d.Headline = "Kopf";
        d.Content = "Inhalt";
        d.Major = 2;
        d.Minor = 1;
        d.Release = 1;
        d.ShowMarketing = false;
    });
    const QByteArray before = readAll(ini);
    {
        Frame f;
        f.Start();
        for (const QString& button : visit) {
            f.form->findChild<QAbstractButton*>(button)->click();
            QCoreApplication::processEvents();
        }
        QCOMPARE(msgs.Count(), 0);
        f.form->close();
    }
    QCOMPARE(QString::fromUtf8(readAll(ini)), QString::fromUtf8(before));
}

void TestHauptForm::wrongLengthWidthListsAreWrittenBackWhole()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString ini = db.Path() + "/Vornix2.ini";
    writeIni(ini, [](TIniFileDaten& d) {
        d.Widths = {50, 60, 70, 80};
        d.Widths_Versandprotokoll = {1, 2, 3, 4, 5, 6};
        d.Widths_Versendete = {};
        // Indexes the combo boxes lack: no selection, stored as -1.
        d.Sortierung = 9;
        d.SortierungKontakte = 2;
        d.SortierungVersendete = -3;
    });
    Frame f;
    f.Start();
    // The grids keep their design widths.
    auto widths = [&](const char* name) {
        QVector<int> w;
        auto* grid = f.form->findChild<QTableView*>(name);
        for (int i = 0; grid && i < grid->model()->columnCount(); ++i)
            w.append(grid->columnWidth(i));
        return w;
    };
    QCOMPARE(widths("Grid_Kontakte"), QVector<int>({189, 134, 110, 110, 165}));
    QCOMPARE(widths("Grid_Kontakte_Versandprotokoll"), QVector<int>({132, 250, 110, 110}));
    QCOMPARE(widths("Grid_VersendeteSms"), QVector<int>({131, 102, 336, 70}));
    f.form->close();
    TIniFileDaten after;
    QVERIFY(LoadIniFileDaten(ini, after));
    // Design widths, one per column.
    QCOMPARE(after.Widths, QVector<int>({189, 134, 110, 110, 165}));
    QCOMPARE(after.Widths_Versandprotokoll, QVector<int>({132, 250, 110, 110}));
    QCOMPARE(after.Widths_Versendete, QVector<int>({131, 102, 336, 70}));
    QCOMPARE(after.Sortierung, -1);
    QCOMPARE(after.SortierungKontakte, -1);
    QCOMPARE(after.SortierungVersendete, -1);
}

void TestHauptForm::unparsableWidthListKeepsTheRest()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString ini = db.Path() + "/Vornix2.ini";
    writeIni(ini, [](TIniFileDaten& d) {
        d.Login_Speichern = true;
        d.Login_Username = "kunde7";
        d.Widths = {101, 102, 103, 104, 105};
    });
    QByteArray text = readAll(ini);
    QVERIFY(text.contains("Widths=101,102,103,104,105"));
    text.replace("Widths=101,102,103,104,105", "Widths=189,abc,110,110,165");
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    Frame f;
    f.Start();
    QCOMPARE(msgs.Count(), 0);
    QCOMPARE(f.form->GetSettings().Get().Login_Username, QString("kunde7"));
    f.form->close();
    const TIniFileDaten after = LoadIniFileDaten(ini);
    QCOMPARE(after.Login_Username, QString("kunde7"));
    QCOMPARE(after.Widths, QVector<int>({189, 134, 110, 110, 165}));
}

void TestHauptForm::refreshAfterImport_data()
{
    QTest::addColumn<int>("startOrdner");
    QTest::newRow("Home: nothing") << 0;
    QTest::newRow("Kontakte: groups by index, contacts") << 1;
    QTest::newRow("SMS: groups with their counts, contacts") << 2;
}

void TestHauptForm::refreshAfterImport()
{
    QFETCH(int, startOrdner);
    TestDatabase db;
    ScriptedMessages msgs;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'B')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (2, 'D')");
    db.Exec("INSERT INTO kontakte (id, vorname, nachname, mobil) VALUES (1, 'Max', 'Bee', '00491701111')");
    db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (1, 1)");
    writeIni(db.Path() + "/Vornix2.ini", [&](TIniFileDaten& d) { d.StartOrdner = startOrdner; });
    Frame f;
    f.Start();
    auto* kGroups = f.form->findChild<QListWidget*>("ListBox_Kontaktgruppen");
    auto* sGroups = f.form->findChild<QListWidget*>("ListBox_Sms_Kontaktgruppen");
    auto* kGrid = f.form->findChild<QTableView*>("Grid_Kontakte");
    auto* sGrid = f.form->findChild<QTableView*>("Grid_Sms_Kontakte");
    QVERIFY(kGroups && sGroups && kGrid && sGrid);
    // The user picks group "D" (entry 2) on the page shown.
    QListWidget* shown = startOrdner == 1 ? kGroups : startOrdner == 2 ? sGroups : nullptr;
    if (shown) {
        QCOMPARE(shown->count(), 3);
        QTest::mouseClick(shown->viewport(), Qt::LeftButton, {}, shown->visualItemRect(shown->item(2)).center());
        QCOMPARE(shown->currentRow(), 2);
    }
    // The import adds a group that sorts first and a contact in "D".
    db.Exec("INSERT INTO kategorien (id, name) VALUES (3, 'A')");
    db.Exec("INSERT INTO kontakte (id, vorname, nachname, mobil) VALUES (2, 'Eva', 'Dee', '00491702222')");
    db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (2, 2)");
    const int kCount = kGroups->count(), sCount = sGroups->count();
    const int kRows = kGrid->model()->rowCount(), sRows = sGrid->model()->rowCount();
    f.form->RefreshAfterImport(f.form->KontaktePage()->GroupIndex());
    QCOMPARE(msgs.Count(), 0);
    switch (startOrdner) {
    case 0:
        QCOMPARE(kGroups->count(), kCount);
        QCOMPARE(sGroups->count(), sCount);
        QCOMPARE(kGrid->model()->rowCount(), kRows);
        QCOMPARE(sGrid->model()->rowCount(), sRows);
        break;
    case 1:
        // Reselected by index: entry 2 is now "B".
        QCOMPARE(kGroups->count(), 4);
        QCOMPARE(kGroups->currentRow(), 2);
        QVERIFY(kGroups->item(2)->text().startsWith("B"));
        QCOMPARE(kGrid->model()->rowCount(), 1);
        break;
    case 2:
        // The groups and their counts are read again; "D" stays chosen and its contacts are read.
        QCOMPARE(sGroups->count(), 4);
        QCOMPARE(sGroups->currentRow(), 3);
        QVERIFY(sGroups->item(3)->text().startsWith("D (1 Eintrag"));
        QVERIFY(sGroups->item(0)->text().contains("2 Eintr"));
        QCOMPARE(sRows, 0);
        QCOMPARE(sGrid->model()->rowCount(), 1);
        break;
    }
}

void TestHauptForm::menuOpensPages_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("path");
    QTest::newRow("Webseite") << "Vornix2Webseite1" << "/deeplink/website";
    QTest::newRow("Mitgliederbereich") << "Vornix2Mitgliederbereich1" << "/deeplink/memberarea";
    QTest::newRow("Dokumentation") << "Vornix2TechnischeDokumentation1" << "/deeplink/technicaldocumentation";
    QTest::newRow("Neukunde") << "Neukundewerden1" << "/deeplink/register";
}

void TestHauptForm::menuOpensPages()
{
    QFETCH(QString, action);
    QFETCH(QString, path);
    ScopedEnv web("VORNIX2_WEB_HOST", "web.test:8123");
    TestDatabase db;
    ScriptedMessages msgs;
    OpenedUrls opened;
    Frame f;
    f.Start();
    f.Action(action.toLatin1().constData())->trigger();
    QCOMPARE(opened.List().size(), 1);
    QCOMPARE(opened.List().first().toString(), "http://web.test:8123" + path);
    QCOMPARE(msgs.Count(), 0);
}

void TestHauptForm::prepaidAsksFirst()
{
    TestDatabase db;
    ScriptedMessages msgs;
    OpenedUrls opened;
    Frame f;
    f.Start();
    msgs.AnswerNext(false);
    f.Action("Vornix2PrepaidKontingentaufladen1")->trigger();
    QCOMPARE(opened.List().size(), 0);
    msgs.AnswerNext(true);
    f.Action("Vornix2PrepaidKontingentaufladen1")->trigger();
    QCOMPARE(msgs.Count(), 2);
    QCOMPARE(msgs.Messages().at(0).kind, Msg::Kind::Question);
    QCOMPARE(msgs.Texts().at(0), QString("Ihr SMS-Kontingent können Sie im Mitgliederbereich neu aufladen.\n\r"
                                         "Möchten Sie sich jetzt in den Mitgliederbereich einloggen?"));
    QCOMPARE(opened.List().size(), 1);
    QVERIFY(opened.List().first().toString().endsWith("/deeplink/memberarea"));
}

void TestHauptForm::helpOpensTheHelpFile()
{
    TestDatabase db;
    ScriptedMessages msgs;
    OpenedUrls opened(false);   // no viewer: nothing is shown
    QVERIFY(QDir(db.Path()).mkpath("help"));
    QFile page(db.Path() + "/help/index.html");
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();
    Frame f;
    f.Start();
    QAction* help = f.Action("VornixHilfe1");
    QCOMPARE(help->shortcut(), QKeySequence(Qt::Key_F1));
    help->trigger();
    QCOMPARE(opened.List().size(), 1);
    QCOMPARE(opened.List().first(), QUrl::fromLocalFile(db.Path() + "/help/index.html"));
    QCOMPARE(msgs.Count(), 0);
}

void TestHauptForm::infoShowsTheAboutBox()
{
    TestDatabase db;
    ScriptedMessages msgs;
    Frame f;
    f.Start();
    QString seen;
    OnNextModal([&](QWidget* w) {
        seen = w->objectName();
        w->close();
    });
    f.Action("Info1")->trigger();
    QVERIFY(!ModalTimedOut());
    QCOMPARE(seen, QString("AboutForm"));
}

void TestHauptForm::optionenSavesAndTakesTheDialogsRecord()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString ini = db.Path() + "/Vornix2.ini";
    writeIni(ini);
    Frame f;
    f.Start();
    const QByteArray before = readAll(ini);
    OnNextModal([](QWidget* w) {
        w->findChild<QComboBox*>("Allgemein_StartOrdner")->setCurrentIndex(2);
        w->findChild<QPushButton*>("Btn_Abbrechen")->click();
    });
    f.Action("Optionen1")->trigger();
    QVERIFY(!ModalTimedOut());
    QCOMPARE(readAll(ini), before);
    QCOMPARE(f.form->GetSettings().Get().StartOrdner, 0);
    OnNextModal([](QWidget* w) {
        w->findChild<QComboBox*>("Allgemein_StartOrdner")->setCurrentIndex(2);
        w->findChild<QPushButton*>("Btn_OK")->click();
    });
    f.Action("Optionen1")->trigger();
    QVERIFY(!ModalTimedOut());
    QCOMPARE(msgs.Count(), 0);
    QCOMPARE(LoadIniFileDaten(ini).StartOrdner, 2);
    QCOMPARE(f.form->GetSettings().Get().StartOrdner, 2);
}

void TestHauptForm::menuHasEveryItem()
{
    TestDatabase db;
    ScriptedMessages msgs;
    Frame f;
    const QList<QPair<const char*, const char*>> items = {
        {"Kontakte1", "Kontakte aus &CSV-Datei..."},
        {"KontakteausOutlook1", "Kontakte aus &Outlook..."},
        {"KontakteausRelvine1", "Kontakte aus &Relvine..."},
        {"Kontakte2", "&Kontakte als CSV-Datei..."},
        {"SMSProtokollalsCSVDatei1", "SMS-&Protokoll als CSV-Datei..."},
        {"Beenden1", "&Beenden"},
        {"Benutzerdatenndern1", "&Userdaten ändern..."},
        {"SMSVorlagen1", "SMS-&Vorlagen..."},
        {"ImportausVornixKompakt1", "Import aus Vornix &Kompakt..."},
        {"ImportausVornixZenit1", "Import aus Vornix &Zenit..."},
        {"Optionen1", "&Optionen..."},
        {"VornixHilfe1", "Vornix-&Hilfe"},
        {"Neukundewerden1", "&Neukunde werden"},
        {"Vornix2Webseite1", "Vornix2 &Webseite"},
        {"Vornix2Mitgliederbereich1", "Vornix2 &Mitgliederbereich"},
        {"Vornix2PrepaidKontingentaufladen1", "Vornix2 &Prepaid-Kontingent aufladen"},
        {"Vornix2TechnischeDokumentation1", "Vornix2 &Technische Dokumentation"},
        {"NachAktualisierungensuchen1", "&Nach Aktualisierungen &suchen"},
        {"Info1", "&Info"},
    };
    for (const auto& [name, caption] : items) {
        QAction* a = f.Action(name);
        QVERIFY2(a, name);
        QCOMPARE(a->text(), QString::fromUtf8(caption));
    }
    for (const auto& [name, title] : QList<QPair<const char*, const char*>>{
             {"Datei1", "&Datei"}, {"Importieren1", "&Importieren"}, {"Exportieren1", "&Exportieren"},
             {"Extras2", "E&xtras"}, {"N1", "&?"}}) {
        auto* menu = f.form->findChild<QMenu*>(name);
        QVERIFY2(menu, name);
        QCOMPARE(menu->title(), QString::fromUtf8(title));
    }
    // Order and separators ("-"); F1 is the only shortcut.
    QStringList withShortcut;
    auto layout = [&](const char* menu) {
        QStringList names;
        for (QAction* a : f.form->findChild<QMenu*>(menu)->actions()) {
            names.append(a->isSeparator() ? QString("-") : a->menu() ? a->menu()->objectName() : a->objectName());
            if (!a->shortcut().isEmpty())
                withShortcut.append(a->objectName());
        }
        return names;
    };
    QCOMPARE(layout("Datei1"), QStringList({"Importieren1", "Exportieren1", "-", "Beenden1"}));
    QCOMPARE(layout("Importieren1"), QStringList({"Kontakte1", "KontakteausOutlook1", "KontakteausRelvine1"}));
    QCOMPARE(layout("Exportieren1"), QStringList({"Kontakte2", "SMSProtokollalsCSVDatei1"}));
    QCOMPARE(layout("Extras2"), QStringList({"Benutzerdatenndern1", "-", "SMSVorlagen1", "-", "ImportausVornixKompakt1",
                                             "ImportausVornixZenit1", "-", "Optionen1"}));
    QCOMPARE(layout("N1"), QStringList({"VornixHilfe1", "-", "Neukundewerden1", "-", "Vornix2Webseite1",
                                        "Vornix2Mitgliederbereich1", "Vornix2PrepaidKontingentaufladen1",
                                        "Vornix2TechnischeDokumentation1", "-", "NachAktualisierungensuchen1", "-",
                                        "Info1"}));
    QStringList bar;
    for (QAction* a : f.form->menuBar()->actions())
        bar.append(a->menu()->objectName());
    QCOMPARE(bar, QStringList({"Datei1", "Extras2", "N1"}));
    QCOMPARE(withShortcut, QStringList({"VornixHilfe1"}));
    // Beenden closes the window.
    f.Start();
    f.Action("Beenden1")->trigger();
    QVERIFY(!f.form->isVisible());
}

void TestHauptForm::wheelMovesCurrentRow_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("expected");
    QTest::newRow("+120 up one") << 5 << 120 << 4;
    QTest::newRow("+240 up two") << 5 << 240 << 3;
    QTest::newRow("-120 down one") << 5 << -120 << 6;
    QTest::newRow("-60 nothing") << 5 << -60 << 5;
    QTest::newRow("+119 nothing") << 5 << 119 << 5;
    QTest::newRow("+120 at first row") << 0 << 120 << 0;
    QTest::newRow("+240 near first row") << 1 << 240 << 0;
    QTest::newRow("-120 at last row") << 9 << -120 << 9;
}

void TestHauptForm::wheelMovesCurrentRow()
{
    QFETCH(int, start);
    QFETCH(int, delta);
    QFETCH(int, expected);
    QTableView grid;
    QStandardItemModel model(10, 2);
    grid.setModel(&model);
    grid.setSelectionMode(QAbstractItemView::ExtendedSelection);
    InstallGridWheel(&grid);
    InstallGridWheel(&grid);   // a second install changes nothing
    grid.resize(300, 200);
    grid.show();
    grid.setCurrentIndex(model.index(start, 0));
    grid.selectionModel()->select(model.index(7, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const auto selectedBefore = grid.selectionModel()->selectedIndexes();
    const QPointF pos(20, 20);
    QWheelEvent wheel(pos, grid.viewport()->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &wheel);
    QCOMPARE(grid.currentIndex().row(), expected);
    // The selection is not the current row.
    QCOMPARE(grid.selectionModel()->selectedIndexes(), selectedBefore);
}

void TestHauptForm::sidewaysWheelScrolls()
{
    QTableView grid;
    QStandardItemModel model(10, 8);
    grid.setModel(&model);
    InstallGridWheel(&grid);
    grid.resize(200, 200);
    grid.show();
    grid.setCurrentIndex(model.index(3, 0));
    const QPointF pos(20, 20);
    QWheelEvent wheel(pos, grid.viewport()->mapToGlobal(pos), QPoint(), QPoint(-120, 0), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &wheel);
    QCOMPARE(grid.currentIndex().row(), 3);
    QVERIFY(grid.horizontalScrollBar()->value() > 0);
}

void TestHauptForm::frameGridsTakeTheWheel()
{
    TestDatabase db;
    ScriptedMessages msgs;
    Frame f;
    int found = 0;
    for (const char* name : {"Grid_Kontakte", "Grid_Kontakte_Versandprotokoll", "Grid_Sms_Kontakte",
                             "Grid_VersendeteSms"}) {
        if (auto* grid = f.form->findChild<QAbstractItemView*>(name)) {
            ++found;
            QVERIFY2(grid->property("vornix2GridWheel").toBool(), name);
        }
    }
    QCOMPARE(found, 4);
}

void TestHauptForm::iconsBeforeText()
{
    // Row 0: a contact in a group (two icons); row 1: without group (one icon, text after two
    // slots all the same); column 1 is drawn without icons.
    QStandardItemModel model(2, 2);
    model.setItem(0, 0, new QStandardItem(""));
    model.setItem(1, 0, new QStandardItem("WWWW"));
    model.setItem(0, 1, new QStandardItem(""));
    model.setItem(1, 1, new QStandardItem(""));
    QTableView grid;
    grid.setModel(&model);
    grid.setShowGrid(false);
    grid.setItemDelegate(new TIconTextDelegate(
        [](const QModelIndex& i) { return i.row() == 0 ? QVector<int>{Ico_Kontakt, Ico_Gruppe} : QVector<int>{Ico_Kontakt}; },
        2, &grid));
    grid.setColumnWidth(0, 140);
    grid.setColumnWidth(1, 140);
    grid.resize(360, 120);
    grid.show();
    grid.selectionModel()->select(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const QImage img = grid.viewport()->grab().toImage();
    const QColor base = grid.palette().color(QPalette::Base);
    auto inked = [&](int row, int column, int from, int to) {
        const QRect cell = grid.visualRect(model.index(row, column));
        int n = 0;
        for (int x = cell.left() + from; x < cell.left() + to; ++x)
            for (int y = cell.top(); y < cell.top() + kIcoSize && y <= cell.bottom(); ++y) {
                const QColor c = img.pixelColor(x, y);
                if (c != base && c != grid.palette().color(QPalette::Active, QPalette::Highlight)
                    && c != grid.palette().color(QPalette::Inactive, QPalette::Highlight))
                    ++n;
            }
        return n;
    };
    QCOMPARE(TIconTextDelegate::TextOffset(1), 2 + 16 + 4);
    QCOMPARE(TIconTextDelegate::TextOffset(2), 2 + 16 + 4 + 16 + 4);
    QCOMPARE(inked(0, 0, 0, 2), 0);      // the icon starts 2 pixels in
    QVERIFY(inked(0, 0, 2, 18) > 0);     // first icon
    QCOMPARE(inked(0, 0, 18, 22), 0);    // 4 pixels between
    QVERIFY(inked(0, 0, 22, 38) > 0);    // second icon
    QVERIFY(inked(1, 0, 2, 18) > 0);
    QCOMPARE(inked(1, 0, 18, 42), 0);    // no second icon, and no text before both slots
    QVERIFY(inked(1, 0, 42, 100) > 0);   // the text
    QCOMPARE(inked(0, 1, 0, 40), 0);     // other columns: no icons
    // A selected row's cell is filled before the icons are drawn.
    const QRect selected = grid.visualRect(model.index(1, 0));
    const QColor fill = img.pixelColor(selected.left(), selected.top() + 2);
    QVERIFY(fill == grid.palette().color(QPalette::Active, QPalette::Highlight)
            || fill == grid.palette().color(QPalette::Inactive, QPalette::Highlight));
}

void TestHauptForm::multiLineCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no marker") << "Status bei jedem Programmstart" << "Status bei jedem Programmstart";
    QTest::newRow("A marker B") << "A$#13$B" << "A\n\rB";
    QTest::newRow("leading markers") << "$#13$$#13$A$#13$B" << "A\n\rB";
    QTest::newRow("trailing marker") << "A$#13$" << "A";
    QTest::newRow("empty middle piece") << "A$#13$$#13$B" << "A\n\r\n\rB";
    QTest::newRow("two trailing markers") << "A$#13$$#13$" << "A\n\r";
    QTest::newRow("marker only") << "$#13$" << "";
}

void TestHauptForm::multiLineCaption()
{
    QFETCH(QString, caption);
    QFETCH(QString, expected);
    QCOMPARE(MultiLineCaption(caption), expected);
}

void TestHauptForm::reloadKeepsRecordWhenFileUnreadable()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString ini = db.Path() + "/Vornix2.ini";
    writeIni(ini, [](TIniFileDaten& d) { d.Login_Username = "erster"; });
    Frame f;
    f.Start();
    writeIni(ini, [](TIniFileDaten& d) { d.Login_Username = "zweiter"; });
    f.form->GetSettings().Reload();
    QCOMPARE(f.form->GetSettings().Get().Login_Username, QString("zweiter"));
    // The copy handed out does not reach the live record.
    TIniFileDaten copy = f.form->GetSettings().Get();
    copy.Login_Username = "dritter";
    QCOMPARE(f.form->GetSettings().Get().Login_Username, QString("zweiter"));
    QVERIFY(QFile::remove(ini));
    QVERIFY(QDir().mkpath(ini));
    f.form->GetSettings().Reload();
    QCOMPARE(msgs.Count(), 1);
    QCOMPARE(f.form->GetSettings().Get().Login_Username, QString("zweiter"));
    QVERIFY(QDir().rmdir(ini));
}

QTEST_MAIN(TestHauptForm)
#include "tst_hauptform.moc"
