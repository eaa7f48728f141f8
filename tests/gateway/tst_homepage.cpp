#include "TestProgram.h"
#include "FakeGateway.h"
#include "TestEnv.h"
#include "foundation/Clock.h"
#include "foundation/IniFileDaten.h"
#include "foundation/WaitCursor.h"
#include "gateway/HomePage.h"
#include "gateway/LoginForm.h"
#include "gateway/UpdateForm.h"
#include "app/HauptForm.h"
#include "app/StartUp.h"
#include "foundation/Settings.h"
#include "gateway/GatewaySession.h"
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// No login stored: the page asks for one.
void ohneLogin(TIniFileDaten& d)
{
    d.Login_Speichern = false;
    d.Login_Username = "";
    d.Login_Passwort = "";
}

// The login dialog filled as a user does, "save" ticked, and OK.
void loginEingeben(QWidget* w)
{
    w->findChild<QLineEdit*>("Username")->setText("neu");
    w->findChild<QLineEdit*>("Passwort")->setText("pw");
    w->findChild<QCheckBox*>("CheckBox_Speichern")->setChecked(true);
    w->findChild<QPushButton*>("Btn_OK")->click();
}

const QString kStatusReply = QStringLiteral(
    "<PrepaidContingent>%1</PrepaidContingent><AccountName>Muster GmbH</AccountName>"
    "<AccountType>%2</AccountType><CountTodo>3</CountTodo><CountProtocol>42</CountProtocol>"
    "<Date>20260305141516</Date>");

const QString kUserReply = QStringLiteral(
    "<Title>Herr</Title><Company>Muster &lt;GmbH&gt;</Company><Prename>Max</Prename><Surname>Muster</Surname>"
    "<Street>Hauptstr. 1</Street><ZipCode>12345</ZipCode><City>Musterstadt</City><Country>Deutschland</Country>"
    "<Phone>0301</Phone><Fax>0302</Fax><Mobile>0170</Mobile><Email>max@muster.example</Email>"
    "<MethodOfPayment>%1</MethodOfPayment>"
    "<BankData><CreditInstitution>Musterbank</CreditInstitution><AccountNumber>987</AccountNumber>"
    "<BankCode>10020030</BankCode><AccountHolder>Max Muster</AccountHolder></BankData>"
    "<CreditCardData><Type>Visa</Type><Number>4111</Number><CheckDigit>123</CheckDigit>"
    "<ValidTo>202811</ValidTo><CardHolder>M. Muster</CardHolder></CreditCardData>"
    "<Date>20260306070809</Date>");

// A program directory with database, a fake gateway on plain http, a stored login and the
// main window; started on demand.
// The program against the fake gateway with a stored login, the clock at 10 March 2026, noon.
struct HomeClock {
    HomeClock() { Clock::Set(QDateTime(QDate(2026, 3, 10), QTime(12, 0, 0))); }
    ~HomeClock() { Clock::Set(QDateTime()); }
};
struct Home : HomeClock, TestProgram {
    THauptForm* const form;
    explicit Home(const std::function<void(TIniFileDaten&)>& change = {})
        : TestProgram([&](TIniFileDaten& d) {
              d.Login_Speichern = true;
              d.Login_Username = "kunde7";
              d.Login_Passwort = "geheim";
              if (change)
                  change(d);
          }),
          form(Frame())
    {
    }
    THomePage* Page() const { return form->HomePage(); }
    QString Text(const char* name) const { return form->findChild<QLabel*>(name)->text(); }
    bool Visible(const char* name) const { return form->findChild<QWidget*>(name)->isVisibleTo(form); }
    void Click(const char* name) { form->findChild<QAbstractButton*>(name)->click(); }
};
}

class TestHomePage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholdersBeforeFirstFetch();
    void accountStatusFetched_data();
    void accountStatusFetched();
    void userDataFetched_data();
    void userDataFetched();
    void failedFetchChangesNeitherPageNorFile();
    void cancelledLoginSendsNothing();
    void dialogLoginIsStoredAfterSuccess();
    void unwritableFileIsReportedOnce();
    void newsFromAnyReply_data();
    void newsFromAnyReply();
    void newsHeldIsNotFetchedAgain();
    void longNewsIsCappedAt100Pixels();
    void newsFitsItsWrappedHeight();
    void autoRefreshAtStart();
    void captionClickTogglesTheBox();
    void hidingTheTipsIsStored();
    void toolButtonsForward();
    void registrationPage();
};

void TestHomePage::placeholdersBeforeFirstFetch()
{
    Home h([](TIniFileDaten& d) {
        d.Login_Speichern = false;
        d.Login_Username = "";
    });
    h.Start();
    QCOMPARE(h.msgs.Count(), 0);
    QCOMPARE(h.Text("Panel_Home_Benutzerdaten_Top"), QString("Userdaten"));
    QCOMPARE(h.Text("Panel_Home_Accountstatus_Top"), QString("Account-Informationen"));
    QCOMPARE(h.Text("Label_Home_Benutzername"), QString("<Nicht hinterlegt>"));
    for (const char* name : {"Label_Home_Anrede", "Label_Home_Mobil", "Label_Home_Kreditinstitut",
                             "Label_Home_Kartentyp", "Label_Home_Pruefziffer", "Label_Home_Accountname",
                             "Label_Home_Kontingent", "Label_Home_TodoSchleife", "Label_Home_BereitsVersendet"})
        QCOMPARE(h.Text(name), QString("<Bitte vom Server abrufen>"));
    QVERIFY(h.Visible("Panel_Benutzerdaten_Kreditkarte"));
    QVERIFY(!h.Visible("Panel_Benutzerdaten_Bank"));
    QVERIFY(h.Visible("Panel_Home_Marketing"));
    QVERIFY(!h.Visible("Panel_Home_News"));
    QCOMPARE(h.gw.Count(), 0);
}

void TestHomePage::accountStatusFetched_data()
{
    QTest::addColumn<QString>("contingent");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("stored");
    QTest::newRow("prepaid 12.6") << "12.6" << 1 << "13 SMS" << 12.6;
    QTest::newRow("comma 12,5 rounds up") << "12,5" << 1 << "13 SMS" << 12.5;
    QTest::newRow("invoice customer") << "7" << 0 << "<Rechnungskunde>" << 7.0;
    QTest::newRow("not a number") << "12a" << 2 << "0 SMS" << 0.0;
    QTest::newRow("thousands separator refused") << "1.234,5" << 1 << "0 SMS" << 0.0;
    // "%0.0f": halves away from zero, not to the even neighbour.
    QTest::newRow("2.5 rounds up") << "2.5" << 1 << "3 SMS" << 2.5;
    QTest::newRow("0,5 rounds up") << "0,5" << 1 << "1 SMS" << 0.5;
    QTest::newRow("-2.5 rounds down") << "-2.5" << 1 << "-3 SMS" << -2.5;
    QTest::newRow("just below a half") << "0.49999999999999994" << 1 << "0 SMS" << 0.49999999999999994;
}

void TestHomePage::accountStatusFetched()
{
    QFETCH(QString, contingent);
    QFETCH(int, type);
    QFETCH(QString, shown);
    QFETCH(double, stored);
    Home h;
    h.Start();
    h.gw.Script("/smscommand/UserDataDetail.do",
                FakeReply::Success("UserDataDetail", kStatusReply.arg(contingent).arg(type)));
    StatusText::ClearHistory();
    h.Click("BitBtn_Status_Abrufen");
    QCOMPARE(h.msgs.Count(), 0);
    QCOMPARE(h.gw.Count("/smscommand/UserDataDetail.do"), 1);
    const FakeRequest req = h.gw.Last();
    QCOMPARE(req.Field("username"), QString("kunde7"));
    QCOMPARE(req.Field("password"), QString("geheim"));
    QCOMPARE(StatusText::History(),
             QStringList({"Bitte warten... die Account-Informationen werden vom Server abgerufen.", ""}));
    QCOMPARE(h.Text("Panel_Home_Accountstatus_Top"), QString("Account-Informationen (Stand: 05.03.2026 14:15:16)"));
    QCOMPARE(h.Text("Label_Home_Benutzername"), QString("kunde7"));
    QCOMPARE(h.Text("Label_Home_Accountname"), QString("Muster GmbH"));
    QCOMPARE(h.Text("Label_Home_Kontingent"), shown);
    QCOMPARE(h.Text("Label_Home_TodoSchleife"), QString("3 SMS"));
    QCOMPARE(h.Text("Label_Home_BereitsVersendet"), QString("42 SMS"));
    const TIniFileDaten file = h.File();
    QCOMPARE(file.Kontingent, stored);
    QCOMPARE(file.AccountType, type);
    QCOMPARE(file.AnzTodo, 3);
    QCOMPARE(file.AnzProtokoll, 42);
    QCOMPARE(file.AccountName, QString("Muster GmbH"));
    QCOMPARE(file.Accountstatus_Stand, QDateTime(QDate(2026, 3, 5), QTime(14, 15, 16)));
}

void TestHomePage::userDataFetched_data()
{
    QTest::addColumn<QString>("payment");
    QTest::addColumn<bool>("bankShown");
    QTest::newRow("PayPal") << "PayPal" << false;
    QTest::newRow("paypal lower case") << "paypal" << true;
    QTest::newRow("Lastschrift") << "Lastschrift" << true;
}

void TestHomePage::userDataFetched()
{
    QFETCH(QString, payment);
    QFETCH(bool, bankShown);
    Home h;
    h.Start();
    h.gw.Script("/smscommand/UserData.do", FakeReply::Success("UserData", kUserReply.arg(payment)));
    StatusText::ClearHistory();
    h.Click("BitBtn_Userdaten_Abrufen");
    QCOMPARE(h.msgs.Count(), 0);
    QCOMPARE(StatusText::History(),
             QStringList({"Bitte warten... die Benutzerdaten werden vom Server abgerufen.", ""}));
    QCOMPARE(h.Text("Panel_Home_Benutzerdaten_Top"), QString("Userdaten (Stand: 06.03.2026 07:08:09)"));
    QCOMPARE(h.Text("Label_Home_Anrede"), QString("Herr"));
    QCOMPARE(h.Text("Label_Home_Firma"), QString("Muster &lt;GmbH&gt;"));   // entities stand as sent
    QCOMPARE(h.Text("Label_Home_Strasse"), QString("Hauptstr. 1"));
    QCOMPARE(h.Text("Label_Home_Email"), QString("max@muster.example"));
    QCOMPARE(h.Text("Label_Home_Mobil"), QString("0170"));
    QCOMPARE(h.Visible("Panel_Benutzerdaten_Bank"), bankShown);
    QVERIFY(!h.Visible("Panel_Benutzerdaten_Kreditkarte"));
    if (bankShown) {
        QCOMPARE(h.Text("Label_Home_Kreditinstitut"), QString("Musterbank"));
        QCOMPARE(h.Text("Label_Home_Bankleitzahl"), QString("10020030"));
    }
    const TIniFileDaten file = h.File();
    QCOMPARE(file.ZahlArt, payment);
    QCOMPARE(file.Kontonummer, QString("987"));
    QCOMPARE(file.Kontoinhaber, QString("Max Muster"));
    QCOMPARE(file.Kartentyp, QString("Visa"));
    QCOMPARE(file.Kartennummer, QString("4111"));
    QCOMPARE(file.Pruefziffer, QString("123"));
    QCOMPARE(file.Karteninhaber, QString("M. Muster"));
    QCOMPARE(file.GueltigBis, QDate(2028, 11, 1));
    QCOMPARE(file.Benutzerdaten_Stand, QDateTime(QDate(2026, 3, 6), QTime(7, 8, 9)));
}

void TestHomePage::failedFetchChangesNeitherPageNorFile()
{
    Home h;
    h.Start();
    const QByteArray before = readAll(h.ini);
    const QString header = h.Text("Panel_Home_Accountstatus_Top");
    h.gw.Script("/smscommand/UserDataDetail.do", FakeReply::Rejection("UserDataDetail", "099: kaputt"));
    h.gw.Script("/smscommand/UserData.do", FakeReply::Status(500));
    h.Click("BitBtn_Status_Abrufen");
    h.Click("BitBtn_Userdaten_Abrufen");
    QCOMPARE(h.msgs.Count(), 2);
    QVERIFY(h.msgs.Texts().at(0).startsWith("Die Account-Informationen konnten nicht erfolgreich vom Server abgerufen "
                                            "werden.\n\rFehlermeldung(en): \n\r099: kaputt."));
    QVERIFY(h.msgs.Texts().at(1).startsWith("Es konnte keine Verbindung zum Server hergestellt werden."));
    QCOMPARE(h.Text("Panel_Home_Accountstatus_Top"), header);
    QCOMPARE(h.Text("Label_Home_Kontingent"), QString("<Bitte vom Server abrufen>"));
    QCOMPARE(h.Text("Panel_Home_Benutzerdaten_Top"), QString("Userdaten"));
    QCOMPARE(readAll(h.ini), before);
}

void TestHomePage::cancelledLoginSendsNothing()
{
    Home h([](TIniFileDaten& d) { d.Login_Speichern = false; });
    h.Start();
    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    QVERIFY(!h.Page()->LoadAccountstatus());
    QVERIFY(!ModalTimedOut());
    QCOMPARE(h.gw.Count(), 0);
    QCOMPARE(h.msgs.Count(), 0);
}

void TestHomePage::dialogLoginIsStoredAfterSuccess()
{
    Home h(ohneLogin);
    h.Start();
    h.gw.Script("/smscommand/UserDataDetail.do", FakeReply::Success("UserDataDetail", kStatusReply.arg("5").arg(1)));
    OnNextModal(loginEingeben);
    QVERIFY(h.Page()->LoadAccountstatus());
    QCOMPARE(h.gw.Last().Field("username"), QString("neu"));
    const TIniFileDaten file = h.File();
    QVERIFY(file.Login_Speichern);
    QCOMPARE(file.Login_Username, QString("neu"));
    QCOMPARE(file.Login_Passwort, QString("pw"));
    QCOMPARE(file.AnzProtokoll, 42);
    QCOMPARE(h.form->GetSettings().Get().Login_Username, QString("neu"));
}

void TestHomePage::unwritableFileIsReportedOnce()
{
    Home h(ohneLogin);
    h.Start();
    // The file's place is taken by a directory: no write can succeed (also as root).
    const QString ini = h.form->GetSettings().FileName();
    QVERIFY(QFile::remove(ini));
    QVERIFY(QDir().mkpath(ini));
    h.gw.Script("/smscommand/UserDataDetail.do", FakeReply::Success("UserDataDetail", kStatusReply.arg("5").arg(1)));
    OnNextModal(loginEingeben);
    QVERIFY(h.Page()->LoadAccountstatus());
    QCOMPARE(h.msgs.Count(), 1);
    QVERIFY(h.msgs.Texts().first().startsWith("Die Einstellungen konnten nicht gespeichert werden.\n\rFehlermeldung: "));
    // The account data hold for this run; the login is asked for again.
    QCOMPARE(h.form->GetSettings().Live().AnzProtokoll, 42);
    QVERIFY(!h.form->GetSettings().Live().Login_Speichern);
    QVERIFY(QDir().rmdir(ini));
}

void TestHomePage::newsFromAnyReply_data()
{
    QTest::addColumn<QString>("showUntil");
    QTest::addColumn<bool>("shown");
    QTest::newRow("last day today") << "20260310" << true;
    QTest::newRow("ended yesterday") << "20260309" << false;
    QTest::newRow("unreadable day is today") << "2026xx10" << true;
}

void TestHomePage::newsFromAnyReply()
{
    QFETCH(QString, showUntil);
    QFETCH(bool, shown);
    Home h;
    h.Start();
    h.gw.Script("/smscommand/UserDataDetail.do",
                FakeReply::Success("UserDataDetail", kStatusReply.arg("1").arg(1) + "<NewsIndex>5</NewsIndex>"));
    // The reply names id 6: that is the id held.
    h.gw.Script("/smscommand/News.do",
                FakeReply::Success("News", "<Id>6</Id><Headline>Neue Tarife</Headline><Content>Ab heute "
                                           "günstiger.</Content><ShowUntil>" + showUntil + "</ShowUntil>"));
    h.Click("BitBtn_Status_Abrufen");
    QCOMPARE(h.msgs.Count(), 0);
    QCOMPARE(h.gw.Count("/smscommand/News.do"), 1);
    QCOMPARE(h.gw.Requests("/smscommand/News.do").front().Field("id"), QString("5"));
    QCOMPARE(h.form->Session().News().Index, 6);
    // Shown from the next time the page is shown: also by a click on the page's own button.
    QVERIFY(!h.Visible("Panel_Home_News"));
    h.Click("Button_MainMenu_Home");
    QCOMPARE(h.Visible("Panel_Home_News"), shown);
    if (shown) {
        QCOMPARE(h.Text("Panel_Home_News_Top"), QString("News: Neue Tarife"));
        QCOMPARE(h.Text("Label_Home_News_Content"), QString("Ab heute günstiger."));
    }
    // Kept for the next run.
    h.form->close();
    const TIniFileDaten file = h.File();
    QCOMPARE(file.Index, 6);
    QCOMPARE(file.Headline, QString("Neue Tarife"));
    const QDate day = QDate::fromString(showUntil, "yyyyMMdd");
    QCOMPARE(file.ShowUntil, day.isValid() ? day : QDate(2026, 3, 10));
}

void TestHomePage::newsHeldIsNotFetchedAgain()
{
    Home h([](TIniFileDaten& d) {
        d.Index = 5;
        d.Headline = "Alt";
        d.ShowUntil = QDate(2026, 3, 11);
    });
    h.Start();
    QVERIFY(h.Visible("Panel_Home_News"));
    h.gw.SetDefault("/smscommand/UserDataDetail.do",
                    FakeReply::Success("UserDataDetail", kStatusReply.arg("1").arg(1) + "<NewsIndex>5</NewsIndex>"));
    h.Click("BitBtn_Status_Abrufen");
    QCOMPARE(h.gw.Count("/smscommand/News.do"), 0);
    // A failed news request changes nothing and shows nothing.
    h.gw.SetDefault("/smscommand/UserDataDetail.do",
                    FakeReply::Success("UserDataDetail", kStatusReply.arg("1").arg(1) + "<NewsIndex>7</NewsIndex>"));
    h.gw.Script("/smscommand/News.do", FakeReply::Rejection("News", "020: no news"));
    h.Click("BitBtn_Status_Abrufen");
    QCOMPARE(h.gw.Count("/smscommand/News.do"), 1);
    QCOMPARE(h.msgs.Count(), 0);
    QCOMPARE(h.form->Session().News().Index, 5);
    QCOMPARE(h.form->Session().News().Headline, QString("Alt"));
}

void TestHomePage::longNewsIsCappedAt100Pixels()
{
    QString longText;
    for (int i = 0; i < 80; ++i)
        longText += QString("Zeile %1 der Nachricht mit etwas mehr Text. ").arg(i);
    Home h([&](TIniFileDaten& d) {
        d.Index = 3;
        d.Headline = "Lang";
        d.Content = longText;
        d.ShowUntil = QDate(2026, 3, 10);
    });
    h.Start();
    auto* panel = h.form->findChild<QFrame*>("Panel_Home_News");
    auto* top = h.form->findChild<QWidget*>("Panel_Home_News_Top");
    auto* bottom = h.form->findChild<QWidget*>("Panel_Home_News_Bottom");
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->height(), 100 + top->sizeHint().height() + bottom->height() + 2 * panel->frameWidth());
    // A short text takes only its own height.
    TNews n = h.form->Session().News();
    n.Content = "Kurz";
    h.form->Session().SetNews(n);
    h.form->Button_MainMenu_HomeClick();
    QVERIFY(panel->height() < 60);
}

void TestHomePage::newsFitsItsWrappedHeight()
{
    QString text;
    for (int i = 0; i < 6; ++i)
        text += QString("Satz %1 der Nachricht, lang genug um umzubrechen. ").arg(i);
    Home h([&](TIniFileDaten& d) {
        d.Index = 3;
        d.Headline = "Mittel";
        d.Content = text;
        d.ShowUntil = QDate(2026, 3, 10);
    });
    h.Start();
    // Fitted before the first layout without pushing the window taller.
    QCOMPARE(h.form->size(), QSize(1004, 716));
    auto* panel = h.form->findChild<QFrame*>("Panel_Home_News");
    auto* label = h.form->findChild<QLabel*>("Label_Home_News_Content");
    auto* viewport = label->parentWidget();
    const int extra = panel->height() - qMin(100, label->heightForWidth(viewport->width()));
    auto contentHeight = [&] { return panel->height() - extra; };
    const int wide = label->heightForWidth(viewport->width());
    QVERIFY(wide < 100);
    QCOMPARE(contentHeight(), wide);
    // A narrower window wraps it onto more lines: the panel grows with it, no line is cut.
    h.form->resize(620, h.form->height());
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    const int narrow = label->heightForWidth(viewport->width());
    QVERIFY(narrow > wide);
    QCOMPARE(contentHeight(), qMin(100, narrow));
}

void TestHomePage::autoRefreshAtStart()
{
    Home h([](TIniFileDaten& d) { d.AutoAktualisierung = true; });
    h.gw.Script("/smscommand/UserDataDetail.do", FakeReply::Success("UserDataDetail", kStatusReply.arg("9").arg(1)));
    h.Start();
    QCOMPARE(h.gw.Count("/smscommand/UserDataDetail.do"), 1);
    auto* box = h.form->findChild<QCheckBox*>("CheckBox_Home_Accountstatus");
    QVERIFY(box->isChecked());
    QCOMPARE(h.Text("Label_Home_Kontingent"), QString("9 SMS"));
    // The box's state is stored at close.
    box->setChecked(false);
    h.form->close();
    QVERIFY(!h.File().AutoAktualisierung);
}

void TestHomePage::captionClickTogglesTheBox()
{
    Home h;
    h.Start();
    auto* box = h.form->findChild<QCheckBox*>("CheckBox_Home_Accountstatus");
    auto* caption = h.form->findChild<QLabel*>("Label_Home_Accountstatus_Caption");
    QCOMPARE(caption->text(), QString("Status bei jedem Programmstart automatisch aktualisieren"));
    QVERIFY(!box->isChecked());
    QTest::mouseClick(caption, Qt::RightButton);
    QVERIFY(!box->isChecked());
    QTest::mouseClick(caption, Qt::LeftButton);
    QVERIFY(box->isChecked());
    QTest::mouseClick(caption, Qt::LeftButton);
    QVERIFY(!box->isChecked());
}

void TestHomePage::hidingTheTipsIsStored()
{
    Home h;
    h.Start();
    QVERIFY(h.Visible("Panel_Home_Marketing"));
    QCOMPARE(h.form->findChild<QWidget*>("BitBtn_Home_Hinweistext")->toolTip(), QString("Blendet den Hinweistext aus"));
    h.Click("BitBtn_Home_Hinweistext");
    QVERIFY(!h.Visible("Panel_Home_Marketing"));
    QVERIFY(!h.File().ShowMarketing);
    QCOMPARE(h.form->CurrentPage(), static_cast<TPage*>(h.Page()));
}

void TestHomePage::toolButtonsForward()
{
    Home h;
    h.Start();
    h.gw.SetDefault("/smscommand/UserDataDetail.do", FakeReply::Success("UserDataDetail", kStatusReply.arg("1").arg(1)));
    h.gw.SetDefault("/smscommand/UserData.do", FakeReply::Success("UserData", kUserReply.arg("PayPal")));
    h.Click("ToolButton_Home_Status_Abrufen");
    h.Click("ToolButton_Home_Userdaten_Abrufen");
    QCOMPARE(h.gw.Count("/smscommand/UserDataDetail.do"), 1);
    QCOMPARE(h.gw.Count("/smscommand/UserData.do"), 1);
    QCOMPARE(h.Text("Label_Home_Vorname"), QString("Max"));
    // Both open the account data dialog once its data are read; cancelled, nothing is sent.
    auto cancel = [](QWidget* w) {
        QCOMPARE(w->objectName(), QString("UserdatenForm"));
        static_cast<QDialog*>(w)->reject();
    };
    OnNextModal(cancel);
    h.Click("ToolButton_Home_Userdaten_Aendern");
    OnNextModal(cancel);
    h.form->findChild<QAction*>("Benutzerdatenndern1")->trigger();
    QVERIFY(!ModalTimedOut());
    QCOMPARE(h.gw.Count("/smscommand/UserData.do"), 3);
    QCOMPARE(h.gw.Count(), 4);
    QCOMPARE(h.msgs.Count(), 0);
}

void TestHomePage::registrationPage()
{
    ScopedEnv web("VORNIX2_WEB_HOST", "web.test");
    Home h;
    h.Start();
    OpenedUrls opened;
    h.Click("ToolButton_Neukunde_Werden");
    QCOMPARE(opened.List(), QList<QUrl>({QUrl("http://web.test/deeplink/register")}));
}

QTEST_MAIN(TestHomePage)
#include "tst_homepage.moc"
