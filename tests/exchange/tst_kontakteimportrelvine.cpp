#include "FakeAccount.h"
#include "TestProgram.h"
#include "app/HauptForm.h"
#include "exchange/KontakteImportRelvineForm.h"
#include "foundation/DatenModul.h"
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QStatusBar>
#include <QtTest>
#include <memory>

namespace {
const QString kPath = QStringLiteral("/smscommand/Relvine.do");

QString contact(const QString& prename, const QString& surname, const QString& mobile, const QString& title,
                const QString& id)
{
    return QStringLiteral("<Contact><Prename>%1</Prename><Surname>%2</Surname><Mobile>%3</Mobile><Title>%4</Title>"
                          "<Id>%5</Id></Contact>")
        .arg(prename, surname, mobile, title, id);
}

FakeReply listReply(const QString& contacts)
{
    return FakeReply::Success(QStringLiteral("Relvine"), QStringLiteral("<ContactList>") + contacts +
                                                             QStringLiteral("</ContactList>"));
}

// The program with the wizard, its gateway and (unless changed) a stored login.
struct Relvine : TestProgram {
    TKontakteImportRelvineForm* form;
    explicit Relvine(bool storedLogin = true)
        : TestProgram([storedLogin](TIniFileDaten& d) {
              d.Login_Speichern = storedLogin;
              d.Login_Username = storedLogin ? "kunde7" : "";
              d.Login_Passwort = storedLogin ? "geheim" : "";
          }),
          form(Frame()->findChild<TKontakteImportRelvineForm*>())
    {
        gw.SetDefault(kPath, FakeReply::Success(QStringLiteral("Relvine")));
        Start();   // the frame reads its settings at its first show
    }
    ~Relvine() override { form->hide(); }
    template <class T = QWidget>
    T* W(const char* name) const { return FindChild<T>(form, QLatin1String(name)); }
    void Click(const char* name) { W<QPushButton>(name)->click(); }
    // Shows the wizard on step 1 and fetches the list scripted for it.
    void Fetch(const QString& contacts)
    {
        gw.Script(kPath, listReply(contacts));
        form->show();
        Click("Btn_Step1_Weiter");
    }
    QStringList Lines() const
    {
        QStringList l;
        auto* list = W<QListWidget>("ListBox_Kontakte");
        for (int i = 0; i < list->count(); ++i)
            l << list->item(i)->text();
        return l;
    }
    void Select(const QList<int>& rows)
    {
        auto* list = W<QListWidget>("ListBox_Kontakte");
        list->clearSelection();
        for (int r : rows)
            list->item(r)->setSelected(true);
    }
    QString Count() const { return W<QLabel>("LabelCount")->text(); }
    bool OnStep2() const { return W("Panel_Step2")->isVisible() && !W("Panel_Step1")->isVisible(); }
    QStringList DeleteBodies() const
    {
        QStringList b;
        for (const FakeRequest& r : gw.Requests(kPath))
            if (r.Field("action") == "delete")
                b << QString::fromLatin1(r.Body());
        return b;
    }
};

// Answers the login dialogs that come one after another: a login typed (and the save box as
// given) or, for an empty name, Abbrechen.
struct LoginAnswer {
    QString user;
    bool save = false;
};
void answerLogins(QList<LoginAnswer> answers)
{
    if (answers.isEmpty())
        return;
    OnNextModal([answers](QWidget* w) mutable {
        const LoginAnswer a = answers.takeFirst();
        QCOMPARE(w->objectName(), QString("LoginForm"));
        if (a.user.isEmpty()) {
            static_cast<QDialog*>(w)->reject();
        } else {
            w->findChild<QLineEdit*>("Username")->setText(a.user);
            w->findChild<QLineEdit*>("Passwort")->setText("pw-" + a.user);
            w->findChild<QCheckBox*>("CheckBox_Speichern")->setChecked(a.save);
            w->findChild<QPushButton*>("Btn_OK")->click();
        }
        // The dialog is hidden now; the next one to wait for is its next showing.
        answerLogins(answers);
    });
}

struct Row {
    int geschlecht, mobilSend;
    QString vorname, nachname, mobil;
};
QList<Row> rows(TestDatabase& db)
{
    QList<Row> r;
    QSqlQuery q = db.Modul()->Query();
    q.exec("SELECT geschlecht,vorname,nachname,mobil,mobil_send FROM kontakte ORDER BY id");
    while (q.next())
        r.append({q.value(0).toInt(), q.value(4).toInt(), TDatenModul::TextValue(q.value(1)),
                  TDatenModul::TextValue(q.value(2)), TDatenModul::TextValue(q.value(3))});
    return r;
}
}

class TestKontakteImportRelvine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup() { QVERIFY(!ModalTimedOut()); }
    void listAndCount_data();
    void listAndCount();
    void salutation_data();
    void salutation();
    void rejectedFetchStaysOnStep1();
    void cancelledLoginSendsNothing();
    void deleteWalkStopsAtCancelledLogin();
    void tickedLoginServesLaterEntries();
    void deleteNeedsASelection();
    void deleteAnsweredNoKeepsAll();
    void importWritesRows();
    void importIntoGroup_data();
    void importIntoGroup();
    void failedImportLeavesNoRows();
    void memberAreaLink();
    void menuAgainstDemoAccount();
};

void TestKontakteImportRelvine::listAndCount_data()
{
    QTest::addColumn<QString>("contacts");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<QString>("count");
    // An empty Contact ends the list, also with more behind it; Id "x" reads as 0.
    QTest::newRow("several") << contact("Jürgen", "Weiß", "0171 1", "Herr", "17") + contact("", "", "+49 160 2", "", "18") +
                                    contact("Anna", "", "0172", "Frau", "x") + "<contact></contact>" +
                                    contact("Nach", "Ende", "0173", "", "19")
                             << QStringList{"Jürgen Weiß <0171 1>", "Unbenannt <+49 160 2>", "Anna <0172>"}
                             << QList<int>{17, 18, 0} << "Es befinden sich derzeit 3 Einträge in der Liste.";
    QTest::newRow("one") << contact("", "Muster", "0171", "Frau", "12a")
                         << QStringList{"Muster <0171>"} << QList<int>{0}
                         << "Es befindet sich derzeit 1 Eintrag in der Liste.";
    QTest::newRow("none") << QString() << QStringList() << QList<int>()
                          << "Es befinden sich derzeit 0 Einträge in der Liste.";
}

void TestKontakteImportRelvine::listAndCount()
{
    QFETCH(QString, contacts);
    QFETCH(QStringList, lines);
    QFETCH(QList<int>, ids);
    QFETCH(QString, count);
    Relvine p;
    p.Fetch(contacts);
    QVERIFY(p.OnStep2());
    QCOMPARE(p.Lines(), lines);
    QList<int> got;
    for (const TRecipient& e : p.form->GetEintraege())
        got << e.Id;
    QCOMPARE(got, ids);
    QCOMPARE(p.Count(), count);
    QCOMPARE(p.W<QPushButton>("Btn_Step2_Weiter")->isEnabled(), !lines.isEmpty());
    QCOMPARE(p.gw.Count(kPath), 1);
    QCOMPARE(p.gw.Last().Body(), QByteArray("username=kunde7&password=geheim&version=2105&"));
    QCOMPARE(p.msgs.Count(), 0);
    QVERIFY(p.W<QStatusBar>("StatusBar")->currentMessage().isEmpty());
}

void TestKontakteImportRelvine::salutation_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("code");
    QTest::newRow("Herr") << "Herr" << 2;
    QTest::newRow("Frau") << "Frau" << 3;
    QTest::newRow("frau") << "frau" << 1;
    QTest::newRow("HERR") << "HERR" << 1;
    QTest::newRow("Firma") << "Firma" << 1;
    QTest::newRow("empty") << "" << 1;
}

void TestKontakteImportRelvine::salutation()
{
    QFETCH(QString, title);
    QFETCH(int, code);
    QCOMPARE(RelvineGeschlecht(title), code);
    const QVector<TRecipient> e = ParseRelvineKontakte("<relvine><ContactList>" + contact("A", "B", "1", title, "3") +
                                                       "</ContactList></relvine>");
    QCOMPARE(e.size(), 1);
    QCOMPARE(e[0].Geschlecht, code);
}

void TestKontakteImportRelvine::rejectedFetchStaysOnStep1()
{
    Relvine p;
    p.gw.Script(kPath, FakeReply::Rejection("Relvine", "099: service unavailable"));
    p.form->show();
    p.Click("Btn_Step1_Weiter");
    QVERIFY(!p.OnStep2());
    QCOMPARE(p.msgs.Count(), 1);
    QVERIFY(p.msgs.Texts()[0].startsWith("Die Relvine Daten konnten nicht erfolgreich vom Server abgerufen werden."));
    QVERIFY(p.form->GetEintraege().isEmpty());
}

void TestKontakteImportRelvine::cancelledLoginSendsNothing()
{
    Relvine p(false);
    p.form->show();
    answerLogins({LoginAnswer{}});
    p.Click("Btn_Step1_Weiter");
    QVERIFY(!p.OnStep2());
    QCOMPARE(p.gw.Count(), 0);
    QCOMPARE(p.msgs.Count(), 0);
}

void TestKontakteImportRelvine::deleteWalkStopsAtCancelledLogin()
{
    Relvine p(false);
    answerLogins({LoginAnswer{"a"}});
    p.Fetch(contact("A", "", "1", "", "5") + contact("B", "", "2", "", "x") + contact("C", "", "3", "", "6") +
            contact("D", "", "4", "", "7") + contact("E", "", "5", "", "8") + contact("F", "", "6", "", "9"));
    QVERIFY(p.OnStep2());
    // The first delete is refused by the gateway: shown, and its line goes all the same.
    p.gw.Script(kPath, FakeReply::Rejection("Relvine", "050: contact not found"));
    p.Select({0, 1, 2, 3, 4});
    answerLogins({LoginAnswer{"b"}, LoginAnswer{"c"}, LoginAnswer{}});
    p.msgs.Clear();
    p.Click("Button1");
    QCOMPARE(p.msgs.Count(), 2);
    QCOMPARE(p.msgs.Texts()[0], QString("Sind Sie sicher, dass Sie die gewählten Kontakte vom Server löschen möchten?"));
    QVERIFY(p.msgs.Texts()[1].startsWith("Die Daten konnten nicht erfolgreich vom Server gelöscht werden."));
    // Id 0 is removed here only; the cancelled login keeps its entry and the later ones.
    QCOMPARE(p.DeleteBodies(), QStringList({"username=b&password=pw%2Db&action=delete&id=5&version=2105&",
                                            "username=c&password=pw%2Dc&action=delete&id=6&version=2105&"}));
    QCOMPARE(p.Lines(), QStringList({"D <4>", "E <5>", "F <6>"}));
    QCOMPARE(p.form->GetEintraege().size(), 3);
    QCOMPARE(p.form->GetEintraege()[0].Id, 7);
    QCOMPARE(p.Count(), QString("Es befinden sich derzeit 3 Einträge in der Liste."));
    QVERIFY(p.W<QPushButton>("Btn_Step2_Weiter")->isEnabled());
    QVERIFY(!p.File().Login_Speichern);
}

void TestKontakteImportRelvine::tickedLoginServesLaterEntries()
{
    Relvine p(false);
    answerLogins({LoginAnswer{"a"}});
    p.Fetch(contact("A", "", "1", "", "5") + contact("B", "", "2", "", "6") + contact("C", "", "3", "", "7"));
    p.Select({0, 1, 2});
    answerLogins({LoginAnswer{"neu", true}});
    p.Click("Button1");
    QCOMPARE(p.DeleteBodies().size(), 3);
    for (const QString& body : p.DeleteBodies())
        QVERIFY2(body.startsWith("username=neu&password=pw%2Dneu&action=delete&id="), qPrintable(body));
    QVERIFY(p.Lines().isEmpty());
    QCOMPARE(p.Count(), QString("Es befinden sich derzeit 0 Einträge in der Liste."));
    QVERIFY(!p.W<QPushButton>("Btn_Step2_Weiter")->isEnabled());
    const TIniFileDaten file = p.File();
    QVERIFY(file.Login_Speichern);
    QCOMPARE(file.Login_Username, QString("neu"));
    QCOMPARE(file.Login_Passwort, QString("pw-neu"));
}

void TestKontakteImportRelvine::deleteNeedsASelection()
{
    Relvine p;
    p.Fetch(contact("A", "", "1", "", "5"));
    p.Select({});
    QTest::keyClick(p.W("ListBox_Kontakte"), Qt::Key_Delete);
    QCOMPARE(p.msgs.Texts(), QStringList({"Bitte wählen Sie zunächst einen oder mehrere Kontakte aus der Liste, die "
                                          "Sie entfernen möchten."}));
    QCOMPARE(p.Lines().size(), 1);
}

void TestKontakteImportRelvine::deleteAnsweredNoKeepsAll()
{
    Relvine p;
    p.Fetch(contact("A", "", "1", "", "5") + contact("B", "", "2", "", "6"));
    p.Select({1});
    p.msgs.AnswerNext(false);
    QTest::keyClick(p.W("ListBox_Kontakte"), Qt::Key_Delete);
    QCOMPARE(p.msgs.Texts(), QStringList({"Sind Sie sicher, dass Sie den gewählten Kontakt vom Server löschen möchten?"}));
    QCOMPARE(p.gw.Count(kPath), 1);
    QCOMPARE(p.Lines().size(), 2);
}

void TestKontakteImportRelvine::importWritesRows()
{
    Relvine p;
    const QString longName = QString(70, QChar(u'ä'));
    const QString longMobile = "0171" + QString(36, '5');
    p.Fetch(contact(longName, "Herrmann", "(0171) 123-45", "Herr", "5") + contact("Eva", "", "12", "frau", "x") +
            contact("", "Weiß", longMobile, "Frau", "7"));
    QCOMPARE(p.Lines()[0], longName + " Herrmann <(0171) 123-45>");
    p.Click("Btn_Step2_Weiter");
    QCOMPARE(p.msgs.Texts(), QStringList({"Es wurden 3 Relvine Kontakte erfolgreich importiert."}));
    QCOMPARE(p.form->result(), int(QDialog::Accepted));
    const QList<Row> r = rows(p.db);
    QCOMPARE(r.size(), 3);
    QCOMPARE(r[0].geschlecht, 2);
    QCOMPARE(r[0].vorname, longName.left(60));
    QCOMPARE(r[0].mobil, QString("004917112345"));
    QCOMPARE(r[1].geschlecht, 1);
    QCOMPARE(r[1].vorname, QString("Eva"));
    QCOMPARE(r[1].mobil, QString("12"));   // refused by the normaliser: as received
    QCOMPARE(r[2].geschlecht, 3);
    QCOMPARE(r[2].nachname, QString("Weiß"));
    QCOMPARE(r[2].mobil, ("0049171" + QString(36, '5')).left(30));
    for (const Row& row : r)
        QCOMPARE(row.mobilSend, 1);
    QCOMPARE(p.db.Scalar("SELECT COUNT(*) FROM katzuord"), QString("0"));
    QCOMPARE(p.gw.Count(kPath), 1);   // the entries stay on the service
}

void TestKontakteImportRelvine::importIntoGroup_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("message");
    QTest::newRow("one") << 1 << "Es wurde 1 Relvine Kontakt erfolgreich importiert.";
    QTest::newRow("two") << 2 << "Es wurden 2 Relvine Kontakte erfolgreich importiert.";
}

void TestKontakteImportRelvine::importIntoGroup()
{
    QFETCH(int, entries);
    QFETCH(QString, message);
    Relvine p;
    p.db.Exec("INSERT INTO kategorien (id,name) VALUES (30,'Webseite')");
    p.db.Exec("INSERT INTO kategorien (id,name) VALUES (31,'Alt')");
    QString contacts;
    for (int i = 0; i < entries; ++i)
        contacts += contact("N" + QString::number(i), "", "0171", "", QString::number(i + 1));
    p.gw.Script(kPath, listReply(contacts));
    p.form->show();
    auto* groups = p.W<QComboBox>("Kontaktgruppen");
    QCOMPARE(groups->itemText(0), QString("[keiner Kontaktgruppe zuordnen]"));
    QCOMPARE(groups->itemText(2), QString("Webseite"));
    groups->setCurrentIndex(2);
    p.Click("Btn_Step1_Weiter");
    p.Click("Btn_Step2_Weiter");
    QCOMPARE(p.msgs.Texts(), QStringList({message}));
    QCOMPARE(p.db.Scalar("SELECT COUNT(*) FROM katzuord WHERE kategorie=30 AND kontakt IN (SELECT id FROM kontakte)"),
             QString::number(entries));
    QCOMPARE(p.db.Scalar("SELECT COUNT(*) FROM katzuord"), QString::number(entries));
}

void TestKontakteImportRelvine::failedImportLeavesNoRows()
{
    Relvine p;
    p.db.Exec("CREATE EXCEPTION relvine_test 'Kontakt abgelehnt'");
    p.db.Exec("CREATE TRIGGER relvine_test FOR kontakte BEFORE INSERT OR UPDATE AS BEGIN "
              "IF (NEW.vorname = 'Fehler') THEN EXCEPTION relvine_test; END");
    p.Fetch(contact("Anna", "", "0171", "", "1") + contact("Fehler", "", "0172", "", "2"));
    p.Click("Btn_Step2_Weiter");
    QCOMPARE(p.msgs.Count(), 1);
    const QString text = p.msgs.Texts()[0];
    QVERIFY2(text.startsWith("Beim Auslesen bzw. Verarbeiten der Relvine Kontaktdaten ist ein Fehler aufgetreten.\n\r"
                             "Fehlermeldung: "),
             qPrintable(text));
    QVERIFY2(text.contains("Kontakt abgelehnt"), qPrintable(text));
    QVERIFY(p.form->isVisible());
    QVERIFY(p.OnStep2());
    QVERIFY(p.W<QPushButton>("Btn_Step2_Weiter")->isEnabled());
    QVERIFY(p.W<QStatusBar>("StatusBar")->currentMessage().isEmpty());
    // The next commit of anything else makes nothing of the failed run permanent.
    DatenModul->Commit();
    QCOMPARE(p.db.Scalar("SELECT COUNT(*) FROM kontakte"), QString("0"));
}

void TestKontakteImportRelvine::memberAreaLink()
{
    Relvine p;
    OpenedUrls opened;
    p.form->show();
    QTest::mouseClick(p.W("Label4"), Qt::LeftButton);
    QCOMPARE(opened.List().size(), 1);
    QCOMPARE(opened.List()[0].path(), QString("/deeplink/memberarea"));
}

void TestKontakteImportRelvine::menuAgainstDemoAccount()
{
    Relvine p(false);
    FakeAccount account;
    account.Password = "pw-demo";
    p.gw.ClearScripts();
    account.Install(p.gw);
    OnNextModal([&](QWidget* w) {
        QCOMPARE(w, static_cast<QWidget*>(p.form));
        answerLogins({LoginAnswer{"demo", true}});
        p.Click("Btn_Step1_Weiter");
        QCOMPARE(p.msgs.Texts().join("|"), QString());
        QCOMPARE(p.Lines(), QStringList({"Anna Muster <0171 1234567>", "Jürgen Weiß <+49 160 7654321>",
                                         "Chris Beispiel <0041 79 1234567>", "Unbenannt <0176 5550199>"}));
        p.Select({0});
        QTest::keyClick(p.W("ListBox_Kontakte"), Qt::Key_Delete);
        p.Click("Btn_Step2_Weiter");
    });
    p.Trigger("KontakteausRelvine1");
    QVERIFY(!p.form->isVisible());
    QCOMPARE(p.form->result(), int(QDialog::Accepted));
    QCOMPARE(account.Subscribers.size(), 3);   // Anna deleted on the service; the rest stay
    QCOMPARE(account.Subscribers[0].Id, 18);
    const QList<Row> r = rows(p.db);
    QCOMPARE(r.size(), 3);
    QCOMPARE(r[0].mobil, QString("00491607654321"));
    QCOMPARE(r[1].mobil, QString("0041791234567"));
    QCOMPARE(r[2].vorname, QString(""));
    QVERIFY(p.File().Login_Speichern);
}

QTEST_MAIN(TestKontakteImportRelvine)
#include "tst_kontakteimportrelvine.moc"
