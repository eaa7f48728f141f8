#include "FakeAccount.h"
#include "FakeGateway.h"
#include "TestEnv.h"
#include "TestProgram.h"
#include "app/HauptForm.h"
#include "foundation/IniFileDaten.h"
#include "foundation/Settings.h"
#include "foundation/WaitCursor.h"
#include "gateway/HomePage.h"
#include "gateway/UserdatenForm.h"
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QtTest>

namespace {
const QString kUserData = QStringLiteral("/smscommand/UserData.do");
const QString kGeaendert = QStringLiteral("Die Benutzerdaten wurden erfolgreich geändert.");

// The read for editing: %1 the salutation, %2 the payment method.
const QString kUserReply = QStringLiteral(
    "<Title>%1</Title><Company>Muster GmbH</Company><Prename>Max</Prename><Surname>Muster</Surname>"
    "<Street>Hauptstr. 1</Street><ZipCode>12345</ZipCode><City>Musterstadt</City><Country>Deutschland</Country>"
    "<Phone>0301</Phone><Fax>0302</Fax><Mobile>0170</Mobile><Email>max@muster.example</Email>"
    "<MethodOfPayment>%2</MethodOfPayment>"
    "<BankData><CreditInstitution>Musterbank</CreditInstitution><AccountNumber>987</AccountNumber>"
    "<BankCode>10020030</BankCode><AccountHolder>Max Muster</AccountHolder></BankData>"
    "<CreditCardData><Type>Visa</Type><Number>4111</Number></CreditCardData>");

FakeReply userReply(const QString& title = QStringLiteral("Herr"), const QString& payment = QStringLiteral("Lastschrift"))
{
    return FakeReply::Success(QStringLiteral("UserData"), kUserReply.arg(title, payment));
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The program against the fake gateway with the stored login kunde7 / geheim.
struct Program : TestProgram {
    explicit Program(bool storedLogin = true)
        : TestProgram([storedLogin](TIniFileDaten& d) {
              d.Login_Speichern = storedLogin;
              d.Login_Username = storedLogin ? "kunde7" : "";
              d.Login_Passwort = storedLogin ? "geheim" : "";
          })
    {
        Start();
    }
    TUserdatenForm* Form() const { return Frame()->findChild<TUserdatenForm*>("UserdatenForm"); }
    void Aendern() { Frame()->findChild<QAbstractButton*>("BitBtn_Userdaten_Aendern")->click(); }
};

QLineEdit* edit(QWidget* w, const char* name) { return FindChild<QLineEdit>(w, QLatin1String(name)); }
QString text(QWidget* w, const char* name) { return edit(w, name)->text(); }
void click(QWidget* w, const char* name) { FindChild<QAbstractButton>(w, QLatin1String(name))->click(); }

// Ticks the password box and types both passwords.
void newPassword(QWidget* w, const QString& pw, const QString& again)
{
    FindChild<QCheckBox>(w, "CheckBox_Passwort")->setChecked(true);
    edit(w, "Passwort")->setText(pw);
    edit(w, "PasswortKontrolle")->setText(again);
}

// Answers the login dialog.
void login(QWidget* w, const QString& user, const QString& pw, bool save)
{
    edit(w, "Username")->setText(user);
    edit(w, "Passwort")->setText(pw);
    FindChild<QCheckBox>(w, "CheckBox_Speichern")->setChecked(save);
    click(w, "Btn_OK");
}
}

class TestUserdaten : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void loadFillsTheDialog_data();
    void loadFillsTheDialog();
    void payPalDialogIsLower();
    void eachShowStartsWithoutPassword();
    void passwordEditsShowStars();
    void updateBody_data();
    void updateBody();
    void checks_data();
    void checks();
    void rejectedUpdateKeepsTheInput();
    void newPasswordIsTheStoredOne_data();
    void newPasswordIsTheStoredOne();
    void noDialogWithoutData_data();
    void noDialogWithoutData();
    void menuItemOpensIt();
};

void TestUserdaten::loadFillsTheDialog_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("payment");
    QTest::addColumn<QString>("anrede");
    QTest::addColumn<int>("variante");
    QTest::newRow("Herr, direct debit") << "Herr" << "Lastschrift" << "Herr" << 0;
    QTest::newRow("frau in lower case, PayPal") << "frau" << "PayPal" << "Frau" << 1;
    QTest::newRow("unknown title, paypal in lower case") << "Dr." << "paypal" << "" << 0;
}

void TestUserdaten::loadFillsTheDialog()
{
    QFETCH(QString, title);
    QFETCH(QString, payment);
    QFETCH(QString, anrede);
    QFETCH(int, variante);
    Program p;
    const QByteArray ini = readAll(p.ini);
    p.gw.Script(kUserData, userReply(title, payment));
    TUserdatenForm* f = p.Form();
    QVERIFY(f->LoadUserdaten());
    QCOMPARE(p.gw.Last().Body(), QByteArray("username=kunde7&password=geheim&asterisk=0&version=2105&"));
    QCOMPARE(p.msgs.Count(), 0);
    auto* anredeBox = FindChild<QComboBox>(f, "Anrede");
    auto* varianteBox = FindChild<QComboBox>(f, "BezahlVariante");
    QCOMPARE(anredeBox->currentText(), anrede);
    QCOMPARE(varianteBox->currentIndex(), variante);
    const std::pair<const char*, const char*> values[] = {
        {"Vorname", "Max"}, {"Nachname", "Muster"}, {"Firma", "Muster GmbH"}, {"Strasse", "Hauptstr. 1"},
        {"PLZ", "12345"}, {"Ort", "Musterstadt"}, {"Land", "Deutschland"}, {"Email", "max@muster.example"},
        {"Mobil", "0170"}, {"Telefon", "0301"}, {"Telefax", "0302"}, {"Kreditinstitut", "Musterbank"},
        {"Bankleitzahl", "10020030"}, {"Kontonummer", "987"}, {"Kontoinhaber", "Max Muster"}};
    for (const auto& [name, value] : values)
        QCOMPARE(text(f, name), QString::fromUtf8(value));
    // Shown only.
    for (const char* name : {"Anrede", "Vorname", "Nachname", "Firma", "BezahlVariante"})
        QVERIFY2(!FindChild<QWidget>(f, name)->isEnabled(), name);
    QVERIFY(FindChild<QWidget>(f, "Strasse")->isEnabled());
    QVERIFY(FindChild<QWidget>(f, "Panel_Kreditkarte")->isHidden());
    QCOMPARE(FindChild<QWidget>(f, "Panel_Bankdaten")->isHidden(), variante == 1);
    // Reading for editing stores nothing.
    QCOMPARE(readAll(p.ini), ini);
}

void TestUserdaten::payPalDialogIsLower()
{
    Program p;
    TUserdatenForm* f = p.Form();
    p.gw.Script(kUserData, userReply(QStringLiteral("Herr"), QStringLiteral("Lastschrift")));
    p.gw.Script(kUserData, userReply(QStringLiteral("Herr"), QStringLiteral("PayPal")));
    QVERIFY(f->LoadUserdaten());
    const int withBank = f->height();
    QVERIFY(f->LoadUserdaten());
    QVERIFY2(f->height() < withBank - 30, qPrintable(QString("%1 / %2").arg(f->height()).arg(withBank)));
}

void TestUserdaten::eachShowStartsWithoutPassword()
{
    Program p;
    TUserdatenForm* f = p.Form();
    p.gw.SetDefault(kUserData, userReply());
    QVERIFY(f->LoadUserdaten());
    newPassword(f, "alt12", "alt12");
    OnNextModal([](QWidget* w) {
        QVERIFY(!FindChild<QCheckBox>(w, "CheckBox_Passwort")->isChecked());
        for (const char* name : {"Passwort", "PasswortKontrolle", "Label_Passwort", "Label_PasswortKontrolle"})
            QVERIFY2(!FindChild<QWidget>(w, name)->isEnabled(), name);
        QCOMPARE(text(w, "Passwort"), QString());
        QCOMPARE(text(w, "PasswortKontrolle"), QString());
        QCOMPARE(w->focusWidget(), FindChild<QWidget>(w, "Strasse"));
        // Ticking the box enables both edits with their captions.
        FindChild<QCheckBox>(w, "CheckBox_Passwort")->setChecked(true);
        QVERIFY(FindChild<QWidget>(w, "Passwort")->isEnabled());
        QVERIFY(FindChild<QWidget>(w, "Label_PasswortKontrolle")->isEnabled());
        click(w, "Btn_Abbrechen");
    });
    QCOMPARE(f->exec(), int(QDialog::Rejected));
    QCOMPARE(p.gw.Count(kUserData), 1);
}

void TestUserdaten::updateBody_data()
{
    QTest::addColumn<QString>("payment");
    QTest::addColumn<bool>("changePassword");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("direct debit, password unchanged")
        << "Lastschrift" << false
        << QByteArray("action=update&username=kunde7&password=geheim&street=Neue+Stra%DFe+5&zipcode=12345"
                      "&city=Musterstadt&country=Deutschland&email=max%40muster%2Eexample&mobile=0170&phone=0301"
                      "&fax=&methodofpayment=0&creditinstitution=Musterbank&accountnumber=987&bankcode=10020030"
                      "&accountholder=Max+Muster&version=2105&");
    QTest::newRow("PayPal with new password, bank fields still sent")
        << "PayPal" << true
        << QByteArray("action=update&username=kunde7&password=geheim&passwordnew=Sommer+2026"
                      "&street=Neue+Stra%DFe+5&zipcode=12345&city=Musterstadt&country=Deutschland"
                      "&email=max%40muster%2Eexample&mobile=0170&phone=0301&fax=&methodofpayment=1"
                      "&creditinstitution=Musterbank&accountnumber=987&bankcode=10020030"
                      "&accountholder=Max+Muster&version=2105&");
}

void TestUserdaten::updateBody()
{
    QFETCH(QString, payment);
    QFETCH(bool, changePassword);
    QFETCH(QByteArray, body);
    Program p;
    p.gw.Script(kUserData, userReply(QStringLiteral("Herr"), payment));
    p.gw.Script(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    p.gw.Script(kUserData, FakeReply::Success(QStringLiteral("UserData"),
                                              QStringLiteral("<Street>Neue Straße 5</Street><Email>max@muster.example</Email>"
                                                             "<MethodOfPayment>%1</MethodOfPayment>").arg(payment)));
    StatusText::ClearHistory();
    OnNextModal([&](QWidget* w) {
        edit(w, "Strasse")->setText(QStringLiteral("Neue Straße 5"));
        edit(w, "Telefax")->clear();
        if (changePassword) {
            newPassword(w, "Sommer 2026", "Sommer 2026");
        } else {
            // Unticked: whatever the edits hold is neither checked nor sent.
            newPassword(w, "ab", "xy");
            FindChild<QCheckBox>(w, "CheckBox_Passwort")->setChecked(false);
        }
        click(w, "Btn_OK");
    });
    p.Aendern();
    QVERIFY(!ModalTimedOut());
    const std::vector<FakeRequest> requests = p.gw.Requests(kUserData);
    QCOMPARE(requests.size(), size_t(3));
    QCOMPARE(requests[1].Body(), body);
    QCOMPARE(StatusText::History(),
             QStringList({"", "Bitte warten... die Userdaten werden zum Server hochgeladen.", "",
                          "Bitte warten... die Benutzerdaten werden vom Server abgerufen.", ""}));
    // The Home page shows the data fetched afresh, then the success.
    QCOMPARE(requests[2].Body().contains("asterisk"), false);
    QCOMPARE(p.Frame()->findChild<QLabel*>("Label_Home_Strasse")->text(), QString("Neue Straße 5"));
    QCOMPARE(p.msgs.Texts(), QStringList({kGeaendert}));
    QCOMPARE(p.File().Strasse, QString("Neue Straße 5"));
}

void TestUserdaten::checks_data()
{
    QTest::addColumn<QString>("payment");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<QString>("pw");
    QTest::addColumn<QString>("again");
    QTest::addColumn<QString>("emptied");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    const QString leer = TUserdatenForm::kMsgPasswortLeer;
    const QString kurz = TUserdatenForm::kMsgPasswortKurz;
    const QString ungleich = QString::fromUtf8(TUserdatenForm::kMsgPasswortUngleich);
    QTest::newRow("empty password") << "Lastschrift" << true << "" << "" << "" << leer << "Passwort";
    QTest::newRow("abcd twice") << "Lastschrift" << true << "abcd" << "abcd" << "" << kurz << "Passwort";
    QTest::newRow("short comes before differing") << "Lastschrift" << true << "abc" << "xyz" << "" << kurz << "Passwort";
    QTest::newRow("differing") << "Lastschrift" << true << "abcde" << "abcdf" << "" << ungleich << "Passwort";
    QTest::newRow("differing in case only") << "Lastschrift" << true << "Abcde" << "abcde" << "" << ungleich << "Passwort";
    QTest::newRow("password before bank") << "Lastschrift" << true << "abcd" << "abcd" << "Kreditinstitut" << kurz << "Passwort";
    QTest::newRow("unticked box: bank checked") << "Lastschrift" << false << "" << "" << "Kreditinstitut"
                                                << QString::fromUtf8(TUserdatenForm::kMsgKreditinstitut) << "Kreditinstitut";
    QTest::newRow("Bankleitzahl") << "Lastschrift" << false << "" << "" << "Bankleitzahl"
                                  << QString::fromUtf8(TUserdatenForm::kMsgBankleitzahl) << "Bankleitzahl";
    QTest::newRow("Kontonummer") << "Lastschrift" << false << "" << "" << "Kontonummer"
                                 << QString::fromUtf8(TUserdatenForm::kMsgKontonummer) << "Kontonummer";
    QTest::newRow("Kontoinhaber") << "Lastschrift" << false << "" << "" << "Kontoinhaber"
                                  << QString::fromUtf8(TUserdatenForm::kMsgKontoinhaber) << "Kontoinhaber";
    QTest::newRow("PayPal: bank not checked") << "PayPal" << false << "" << "" << "Kreditinstitut" << "" << "";
    QTest::newRow("address not checked") << "Lastschrift" << false << "" << "" << "Email" << "" << "";
}

void TestUserdaten::checks()
{
    QFETCH(QString, payment);
    QFETCH(bool, tick);
    QFETCH(QString, pw);
    QFETCH(QString, again);
    QFETCH(QString, emptied);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    Program p;
    p.gw.Script(kUserData, userReply(QStringLiteral("Herr"), payment));
    p.gw.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    TUserdatenForm* f = p.Form();
    QVERIFY(f->LoadUserdaten());
    bool open = false;
    QString focused;
    OnNextModal([&](QWidget* w) {
        if (tick)
            newPassword(w, pw, again);
        if (!emptied.isEmpty())
            edit(w, emptied.toLatin1().constData())->clear();
        click(w, "Btn_OK");
        open = w->isVisible();
        focused = w->focusWidget() ? w->focusWidget()->objectName() : QString();
        if (open)
            click(w, "Btn_Abbrechen");
    });
    const int result = f->exec();
    QVERIFY(!ModalTimedOut());
    if (message.isEmpty()) {
        QCOMPARE(p.msgs.Count(), 0);
        QVERIFY(!open);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(p.gw.Count(kUserData), 2);
    } else {
        QCOMPARE(p.msgs.Texts(), QStringList({message}));
        QCOMPARE(p.msgs.Messages().front().kind, Msg::Kind::Information);
        QVERIFY(open);
        QCOMPARE(focused, focus);
        QCOMPARE(p.gw.Count(kUserData), 1);
    }
}

void TestUserdaten::rejectedUpdateKeepsTheInput()
{
    Program p;
    p.gw.Script(kUserData, userReply());
    p.gw.Script(kUserData, FakeReply::Rejection(QStringLiteral("UserData"), QStringLiteral("030: zipcode is invalid")));
    p.gw.Script(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    TUserdatenForm* f = p.Form();
    QVERIFY(f->LoadUserdaten());
    OnNextModal([&](QWidget* w) {
        newPassword(w, "geheim2", "geheim2");
        edit(w, "PLZ")->setText("1234x");
        click(w, "Btn_OK");
        QVERIFY(w->isVisible());
        QCOMPARE(p.msgs.Texts(),
                 QStringList({"Die Benutzerdaten konnten nicht erfolgreich zum Server übertragen werden.\n\r"
                              "Fehlermeldung(en): \n\r030: zipcode is invalid.\n\r\n\rNähere Informationen zu "
                              "Fehlermeldungen erhalten Sie in der technischen Dokumentation."}));
        QCOMPARE(text(w, "PLZ"), QString("1234x"));
        QVERIFY(FindChild<QCheckBox>(w, "CheckBox_Passwort")->isChecked());
        QCOMPARE(text(w, "Passwort"), QString("geheim2"));
        QCOMPARE(text(w, "PasswortKontrolle"), QString("geheim2"));
        QCOMPARE(FindChild<QStatusBar>(w, "StatusBar")->currentMessage(), QString());
        // Refused: the stored password stays the one in force.
        QCOMPARE(p.File().Login_Passwort, QString("geheim"));
        // Corrected and sent again.
        edit(w, "PLZ")->setText("12345");
        click(w, "Btn_OK");
    });
    QCOMPARE(f->exec(), int(QDialog::Accepted));
    QCOMPARE(p.gw.Count(kUserData), 3);
    QCOMPARE(p.gw.Last().Field("zipcode"), QString("12345"));
    QCOMPARE(p.gw.Last().Field("password"), QString("geheim"));
    QCOMPARE(p.File().Login_Passwort, QString("geheim2"));
}

void TestUserdaten::newPasswordIsTheStoredOne_data()
{
    QTest::addColumn<bool>("storedLogin");
    QTest::newRow("stored login") << true;
    QTest::newRow("login typed and stored with the update") << false;
}

void TestUserdaten::newPasswordIsTheStoredOne()
{
    QFETCH(bool, storedLogin);
    Program p(storedLogin);
    // The demo account: it takes the new password and refuses the old one from then on.
    FakeAccount account;
    account.Username = QStringLiteral("kunde7");
    account.Password = QStringLiteral("geheim");
    account.Install(p.gw);
    p.gw.ClearRequests();
    const QString neu = QStringLiteral("Neu#2026");
    auto userdaten = [&](QWidget* w) {
        newPassword(w, neu, neu);
        if (!storedLogin)
            OnNextModal([](QWidget* l) { login(l, "kunde7", "geheim", true); });
        click(w, "Btn_OK");
    };
    if (storedLogin) {
        OnNextModal(userdaten);
    } else {
        // Asked for reading (not stored), asked again for sending (stored).
        OnNextModal([&](QWidget* l) {
            OnNextModal(userdaten);
            login(l, "kunde7", "geheim", false);
        });
    }
    p.Aendern();
    QVERIFY(!ModalTimedOut());
    QCOMPARE(p.msgs.Texts(), QStringList({kGeaendert}));
    QCOMPARE(account.Password, neu);
    const std::vector<FakeRequest> requests = p.gw.Requests(kUserData);
    QCOMPARE(requests.size(), size_t(3));
    QCOMPARE(requests[1].Field("password"), QString("geheim"));
    QCOMPARE(requests[1].Field("passwordnew"), neu);
    // The refetch logs in with the new password, and so does every later command.
    QCOMPARE(requests[2].Field("password"), neu);
    const TIniFileDaten file = p.File();
    QVERIFY(file.Login_Speichern);
    QCOMPARE(file.Login_Username, QString("kunde7"));
    QCOMPARE(file.Login_Passwort, neu);
    QCOMPARE(p.Frame()->GetSettings().Live().Login_Passwort, neu);
    QCOMPARE(file.Email, QString("max@muster-reisen.example"));
    QCOMPARE(p.Frame()->findChild<QLabel*>("Label_Home_Kontonummer")->text(), QString("*******890"));
}

void TestUserdaten::noDialogWithoutData_data()
{
    QTest::addColumn<bool>("cancelLogin");
    QTest::newRow("read refused") << false;
    QTest::newRow("login cancelled") << true;
}

void TestUserdaten::noDialogWithoutData()
{
    QFETCH(bool, cancelLogin);
    Program p(!cancelLogin);
    p.gw.Script(kUserData, FakeReply::Rejection(QStringLiteral("UserData"), QStringLiteral("099: kaputt")));
    bool shown = false;
    auto unexpected = [&](QWidget* w) {
        shown = true;
        w->close();
    };
    if (cancelLogin) {
        OnNextModal([&](QWidget* l) {
            OnNextModal(unexpected, 10000, false);
            click(l, "Btn_Abbrechen");
        });
    } else {
        OnNextModal(unexpected, 10000, false);
    }
    p.Aendern();
    QVERIFY(!shown);
    if (cancelLogin) {
        QCOMPARE(p.gw.Count(), 0);
        QCOMPARE(p.msgs.Count(), 0);
    } else {
        QCOMPARE(p.gw.Count(kUserData), 1);
        QCOMPARE(p.msgs.Count(), 1);
        QVERIFY(p.msgs.Texts().front().startsWith(
            "Die Benutzerdaten konnten nicht erfolgreich vom Server abgerufen werden.\n\rFehlermeldung(en): \n\r099: kaputt."));
    }
}

void TestUserdaten::menuItemOpensIt()
{
    Program p;
    p.gw.SetDefault(kUserData, userReply());
    OnNextModal([](QWidget* w) {
        QCOMPARE(w->objectName(), QString("UserdatenForm"));
        QCOMPARE(w->windowTitle(), QString("Userdaten ändern"));
        click(w, "Btn_Abbrechen");
    });
    p.Trigger("Benutzerdatenndern1");
    QVERIFY(!ModalTimedOut());
    // Cancelled: read, nothing sent, nothing said.
    QCOMPARE(p.gw.Count(kUserData), 1);
    QCOMPARE(p.msgs.Count(), 0);
}

void TestUserdaten::passwordEditsShowStars()
{
    Program p;
    for (const char* name : {"Passwort", "PasswortKontrolle"}) {
        QLineEdit* e = edit(p.Form(), name);
        QVERIFY(e);
        QCOMPARE(e->echoMode(), QLineEdit::Password);
        QCOMPARE(QChar(e->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, e)), QChar('*'));
    }
}

QTEST_MAIN(TestUserdaten)
#include "tst_userdaten.moc"
