#include "FakeGateway.h"
#include "TestEnv.h"
#include "TestSession.h"
#include "foundation/IniFileDaten.h"
#include "gateway/HttpRequest.h"
#include "gateway/LoginForm.h"
#include "platform/ShellOpen.h"
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kUserData = QStringLiteral("/smscommand/UserData.do");

// Fills the dialog and presses a button.
void answerDialog(QWidget* w, const QString& user, const QString& pw, bool save, bool ok)
{
    FindChild<QLineEdit>(w, QStringLiteral("Username"))->setText(user);
    FindChild<QLineEdit>(w, QStringLiteral("Passwort"))->setText(pw);
    FindChild<QCheckBox>(w, QStringLiteral("CheckBox_Speichern"))->setChecked(save);
    FindChild<QPushButton>(w, ok ? QStringLiteral("Btn_OK") : QStringLiteral("Btn_Abbrechen"))->click();
}
}

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void dialogComponents();
    void dialogStartsEmptyEveryTime();
    void okChecks_data();
    void okChecks();
    void registerLink();
    void storedLoginNeedsNoDialog();
    void rule_data();
    void rule();
    void storeOnLiveRecordDoesNotReload();
    void storeKeepsWhatChangedDuringTheRequest();

private:
    // One account command as every caller runs it: login, request, store after success.
    // Returns false when the dialog was cancelled.
    bool accountCommand(bool* success = nullptr);
    // Queues the dialog's answer and records that it was shown.
    void expectDialog(const QString& user, const QString& pw, bool save, bool ok);
    // Fails when a dialog shows within a short time.
    void expectNoDialog();

    TLoginForm* loginForm = nullptr;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TestSession> host;
    std::unique_ptr<FakeGateway> gw;
    std::unique_ptr<ScriptedMessages> msgs;
    int dialogsShown = 0;
};

void TestLogin::initTestCase() { loginForm = new TLoginForm; }

void TestLogin::cleanupTestCase()
{
    delete loginForm;
    loginForm = nullptr;
}

void TestLogin::init()
{
    dir = std::make_unique<QTemporaryDir>();
    host = std::make_unique<TestSession>();
    host->settings.SetFileName(dir->filePath(QStringLiteral("Vornix2.ini")));
    host->session.SetLoginDialog(loginForm);
    gw = std::make_unique<FakeGateway>();
    QVERIFY(gw->Start());
    msgs = std::make_unique<ScriptedMessages>();
    dialogsShown = 0;
    ResetModalTimeout();
}

void TestLogin::cleanup()
{
    gw.reset();
    msgs.reset();
    host.reset();
    dir.reset();
}

bool TestLogin::accountCommand(bool* success)
{
    const std::optional<TLogin> login = AcquireLogin(host->session, host->settings.Live());
    if (!login)
        return false;
    QStringList params{QStringLiteral("username=") + login->Username, QStringLiteral("password=") + login->Passwort};
    THttpRequest req(host->session, gw->Url(kUserData), params);
    const bool ok = req.Execute(QStringLiteral("UserData"), QStringLiteral("fail"));
    if (ok)
        StoreLogin(host->settings, *login);
    if (success)
        *success = ok;
    return true;
}

void TestLogin::expectDialog(const QString& user, const QString& pw, bool save, bool ok)
{
    OnNextModal([=, this](QWidget* w) {
        ++dialogsShown;
        QCOMPARE(w, static_cast<QWidget*>(loginForm));
        answerDialog(w, user, pw, save, ok);
    });
}

void TestLogin::expectNoDialog()
{
    OnNextModal([this](QWidget* w) {
        ++dialogsShown;
        w->close();
    }, 300, false);
}

void TestLogin::dialogComponents()
{
    TLoginForm& f = *loginForm;
    QCOMPARE(f.windowTitle(), QStringLiteral("Zugangsdaten eingeben"));
    QCOMPARE(FindChild<QLabel>(&f, "Label1")->text(), QStringLiteral("Bitte geben Sie Ihre Vornix2 Zugangsdaten ein."));
    QCOMPARE(FindChild<QLabel>(&f, "Label4")->text(), QStringLiteral("Neukunde werden"));
    QCOMPARE(FindChild<QLabel>(&f, "Label2")->text(), QStringLiteral("Username:"));
    QCOMPARE(FindChild<QLabel>(&f, "Label3")->text(), QStringLiteral("Passwort:"));
    QCOMPARE(FindChild<QCheckBox>(&f, "CheckBox_Speichern")->text(), QStringLiteral("Zugangsdaten &speichern"));
    QCOMPARE(FindChild<QPushButton>(&f, "Btn_OK")->text(), QStringLiteral("&OK"));
    QVERIFY(FindChild<QPushButton>(&f, "Btn_OK")->isDefault());
    QCOMPARE(FindChild<QPushButton>(&f, "Btn_Abbrechen")->text(), QStringLiteral("A&bbrechen"));
    auto* user = FindChild<QLineEdit>(&f, "Username");
    auto* pw = FindChild<QLineEdit>(&f, "Passwort");
    QCOMPARE(pw->echoMode(), QLineEdit::Password);
    QCOMPARE(user->maxLength(), 32767);   // no limit of its own
    QCOMPARE(pw->maxLength(), 32767);
    // Tab order: user name, password, the box.
    auto nextTab = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    QCOMPARE(nextTab(user), static_cast<QWidget*>(pw));
    QCOMPARE(nextTab(pw), static_cast<QWidget*>(FindChild<QCheckBox>(&f, "CheckBox_Speichern")));
}

void TestLogin::dialogStartsEmptyEveryTime()
{
    for (int round = 0; round < 2; ++round) {
        bool checked = false;
        OnNextModal([&](QWidget* w) {
            QCOMPARE(FindChild<QLineEdit>(w, "Username")->text(), QString());
            QCOMPARE(FindChild<QLineEdit>(w, "Passwort")->text(), QString());
            QVERIFY(!FindChild<QCheckBox>(w, "CheckBox_Speichern")->isChecked());
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(FindChild<QLineEdit>(w, "Username")));
            checked = true;
            answerDialog(w, QStringLiteral("max"), QStringLiteral("pw"), true, true);
        });
        QCOMPARE(loginForm->exec(), int(QDialog::Accepted));
        QVERIFY(checked);
        // Read after closing, as the callers do.
        QCOMPARE(loginForm->GetUsername(), QStringLiteral("max"));
        QCOMPARE(loginForm->GetPasswort(), QStringLiteral("pw"));
        QVERIFY(loginForm->IsSpeichern());
    }
}

void TestLogin::okChecks_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("pw");
    QTest::addColumn<bool>("enter");        // Enter in the password field instead of a click on OK
    QTest::addColumn<QString>("message");   // "" when the dialog closes with OK
    QTest::addColumn<QString>("focus");
    QTest::newRow("both empty: the user name first")
        << "" << "" << false << QString::fromUtf8(TLoginForm::kMsgUsernameFehlt) << "Username";
    QTest::newRow("password empty")
        << "max" << "" << false << QString::fromUtf8(TLoginForm::kMsgPasswortFehlt) << "Passwort";
    QTest::newRow("user name of blanks passes") << "   " << " " << false << "" << "";
    QTest::newRow("Enter runs the same checks")
        << "" << "pw" << true << QString::fromUtf8(TLoginForm::kMsgUsernameFehlt) << "Username";
    QTest::newRow("Enter closes with OK") << "max" << "pw" << true << "" << "";
}

void TestLogin::okChecks()
{
    QFETCH(QString, user);
    QFETCH(QString, pw);
    QFETCH(bool, enter);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    bool stayedOpen = false;
    OnNextModal([&](QWidget* w) {
        if (enter) {
            FindChild<QLineEdit>(w, "Username")->setText(user);
            auto* pwEdit = FindChild<QLineEdit>(w, "Passwort");
            pwEdit->setText(pw);
            pwEdit->setFocus();
            QTest::keyClick(pwEdit, Qt::Key_Return);
        } else {
            answerDialog(w, user, pw, false, true);
        }
        if (message.isEmpty())
            return;
        stayedOpen = w->isVisible();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(FindChild<QLineEdit>(w, focus)));
        FindChild<QPushButton>(w, "Btn_Abbrechen")->click();
    });
    const int result = loginForm->exec();
    if (message.isEmpty()) {
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(msgs->Count(), 0);
        QCOMPARE(loginForm->GetUsername(), user);   // not trimmed
        QCOMPARE(loginForm->GetPasswort(), pw);
    } else {
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(stayedOpen);
        QCOMPARE(msgs->Count(), 1);
        QCOMPARE(msgs->Messages()[0].kind, Msg::Kind::Information);
        QCOMPARE(msgs->Messages()[0].text, message);
    }
}

void TestLogin::registerLink()
{
    QList<QUrl> opened;
    ShellOpen::SetHandler([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    ScopedEnv web("VORNIX2_WEB_HOST", "web.test:8080");
    OnNextModal([](QWidget* w) {
        QLabel* link = FindChild<QLabel>(w, "Label4");
        QTest::mouseClick(link, Qt::RightButton);   // only a left click opens the page
        QTest::mouseClick(link, Qt::LeftButton);
        FindChild<QPushButton>(w, "Btn_Abbrechen")->click();
    });
    loginForm->exec();
    ShellOpen::SetHandler({});
    QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://web.test:8080/deeplink/register"))});
}

void TestLogin::storedLoginNeedsNoDialog()
{
    host->Edit([](TIniFileDaten& r) {
        r.Login_Speichern = true;
        r.Login_Username = QStringLiteral("stored");
        r.Login_Passwort = QStringLiteral("secret");
    });
    gw->SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    expectNoDialog();
    QVERIFY(accountCommand());
    QTest::qWait(400);
    QCOMPARE(dialogsShown, 0);
    QCOMPARE(gw->Last().Body(), QByteArray("username=stored&password=secret&version=2105&"));
    QVERIFY(!QFile::exists(host->settings.FileName()));   // nothing written
    ResetModalTimeout();
}

void TestLogin::rule_data()
{
    QTest::addColumn<bool>("save");          // the box ticked
    QTest::addColumn<QString>("reply");      // "close" for a dropped connection, "cancel" for the dialog
    QTest::addColumn<bool>("stored");
    QTest::newRow("ticked, success: stored") << true << "success" << true;
    QTest::newRow("not ticked, success: not stored") << false << "success" << false;
    QTest::newRow("ticked, wrong password: not stored") << true << "login" << false;
    QTest::newRow("ticked, connection lost: not stored") << true << "close" << false;
    QTest::newRow("cancelled: nothing sent") << true << "cancel" << false;
}

void TestLogin::rule()
{
    QFETCH(bool, save);
    QFETCH(QString, reply);
    QFETCH(bool, stored);
    if (reply == QLatin1String("success"))
        gw->Script(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    else if (reply == QLatin1String("login"))
        gw->Script(kUserData, FakeReply::Rejection(QStringLiteral("UserData"),
                                                   QString::fromLatin1(kLoginErrorCode)));
    else
        gw->Script(kUserData, FakeReply::Closed());
    const bool cancel = reply == QLatin1String("cancel");

    expectDialog(QString::fromUtf8("Max Müller"), QStringLiteral("p&w"), save, !cancel);
    QCOMPARE(accountCommand(), !cancel);
    QCOMPARE(dialogsShown, 1);
    if (cancel) {
        QCOMPARE(gw->Count(), 0);
        QCOMPARE(msgs->Count(), 0);
    } else {
        QCOMPARE(gw->Last().Body(), QByteArray("username=Max+M%FCller&password=p%26w&version=2105&"));
    }
    if (reply == QLatin1String("login"))
        QCOMPARE(msgs->Texts(), QStringList{QString::fromUtf8(kMsgLoginError)});

    QCOMPARE(QFile::exists(host->settings.FileName()), stored);
    QCOMPARE(host->Reloads, stored ? 1 : 0);
    QCOMPARE(host->Rec().Login_Speichern, stored);
    if (stored) {
        const TIniFileDaten file = LoadIniFileDaten(host->settings.FileName());
        QVERIFY(file.Login_Speichern);
        QCOMPARE(file.Login_Username, QString::fromUtf8("Max Müller"));
        QCOMPARE(file.Login_Passwort, QStringLiteral("p&w"));
        QCOMPARE(host->Rec().Login_Username, QString::fromUtf8("Max Müller"));
    }

    // The next command asks again exactly when nothing was stored.
    gw->Script(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    if (stored) {
        expectNoDialog();
        QVERIFY(accountCommand());
        QTest::qWait(400);
        QCOMPARE(dialogsShown, 1);
        ResetModalTimeout();
    } else {
        expectDialog(QStringLiteral("other"), QStringLiteral("pw"), false, true);
        QVERIFY(accountCommand());
        QCOMPARE(dialogsShown, 2);
        QCOMPARE(gw->Last().Field(QStringLiteral("username")), QStringLiteral("other"));
    }
}

void TestLogin::storeOnLiveRecordDoesNotReload()
{
    TLogin login{QStringLiteral("u"), QStringLiteral("p"), true, true};
    bool stored = false;
    host->Edit([&](TIniFileDaten& r) {
        stored = StoreLogin(host->settings, login);
        r = host->Rec();
    });
    QVERIFY(stored);
    QCOMPARE(host->Reloads, 0);
    QVERIFY(host->Rec().Login_Speichern);
    QCOMPARE(LoadIniFileDaten(host->settings.FileName()).Login_Username, QStringLiteral("u"));

    // The stored login itself is never stored again.
    TLogin fromFile{QStringLiteral("x"), QStringLiteral("y"), false, true};
    TIniFileDaten rec;
    QVERIFY(!StoreLogin(host->settings, fromFile));
    QCOMPARE(host->Rec().Login_Username, QStringLiteral("u"));
    QVERIFY(!rec.Login_Speichern);

    // A file that cannot be written is reported; the login counts as not stored.
    host->settings.SetFileName(dir->filePath(QStringLiteral("missing/dir/Vornix2.ini")));
    QVERIFY(!StoreLogin(host->settings, login));
    QCOMPARE(host->Reloads, 0);
    QCOMPARE(msgs->Count(), 1);
    QVERIFY(msgs->Texts()[0].startsWith(QStringLiteral("Die Einstellungen konnten nicht gespeichert werden.")));

    // Nor does the live record take it then, so that the next command asks again.
    host->Edit([](TIniFileDaten& r) { r = TIniFileDaten(); });
    stored = true;
    host->Edit([&](TIniFileDaten& r) {
        stored = StoreLogin(host->settings, login);
        r = host->Rec();
    });
    QVERIFY(!stored);
    QVERIFY(!host->Rec().Login_Speichern);
    QCOMPARE(host->Rec().Login_Username, QString());
    QCOMPARE(msgs->Count(), 2);
}

void TestLogin::storeKeepsWhatChangedDuringTheRequest()
{
    // The reply announces news; the main window stores them while the request runs.
    host->SetNewsIndex(4);
    host->OnLoadNews = [this](int index) {
        host->Edit([&](TIniFileDaten& r) {
            r.Index = index;
            r.Headline = QStringLiteral("Neu");
        });
    };
    gw->Script(kUserData, FakeReply::Success(QStringLiteral("UserData"), QStringLiteral("<NewsIndex>5</NewsIndex>")));
    expectDialog(QStringLiteral("max"), QStringLiteral("pw"), true, true);
    QVERIFY(accountCommand());
    QCOMPARE(host->LoadNewsCalls, QList<int>{5});
    QVERIFY(host->Rec().Login_Speichern);
    QCOMPARE(host->Rec().Login_Username, QStringLiteral("max"));
    QCOMPARE(host->Rec().Index, 5);
    QCOMPARE(host->Rec().Headline, QStringLiteral("Neu"));
    QCOMPARE(LoadIniFileDaten(host->settings.FileName()).Index, 5);
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
