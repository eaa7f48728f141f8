#include "TestEnv.h"
#include "foundation/Clock.h"
#include "foundation/EinstellungenForm.h"
#include "foundation/IniFileDaten.h"
#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kPortNoInt = QString::fromUtf8("Bitte geben Sie in das Feld 'Proxy-Port' eine gültige ganze Zahl ein.");
const QString kPortNegative =
    QString::fromUtf8("Bitte geben Sie in das Feld 'Proxy-Port' eine Zahl größer oder gleich Null ein.");
const QString kNoUser = QStringLiteral("Bitte geben Sie Ihren Username ein.");
const QString kNoPassword = QStringLiteral("Bitte geben Sie Ihr Passwort ein.");
const QString kTooLong = QStringLiteral(
    "Der von Ihnen eingegebene SMS-Absender ist zu lang\n\rDer Absender darf numerisch (d.h. falls lediglich "
    "Zahlen vorkommen) maximal 16 Zeichen, andernfalls maximal 11 Zeichen lang sein.");
const QString kUnsafe = QString::fromUtf8(
    "In dem von Ihnen gewählten SMS-Absender kommen problematische Zeichen vor.\n\rEinige Provider und/oder "
    "Mobiltelefone können nur einige wenige Zeichen im Absender verarbeiten.\n\rWir empfehlen daher lediglich "
    "die Zeichen '0-9', 'a-z', 'A-Z' und '.' zu verwenden.\n\rFalls Sie andere Zeichen verwenden, können "
    "Zustellungsprobleme auftreten und/oder der Absender wird auf einigen Endgeräten verfälscht dargestellt."
    "\n\rMöchten Sie dennoch fortfahren?");

template <class T>
T* child(QWidget* w, const char* name)
{
    T* c = FindChild<T>(w, QLatin1String(name));
    if (!c)
        qFatal("missing %s", name);
    return c;
}

// A click on the box itself (a stretched check box takes clicks only on its box and text).
void clickBox(QAbstractButton* b)
{
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(6, b->height() / 2));
}

// The record as the settings file would hold it, to compare records whole.
QByteArray asFile(const TIniFileDaten& rec)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    SaveIniFileDaten(path, rec);
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

TIniFileDaten sample()
{
    TIniFileDaten r = DefaultIniFileDaten();
    r.StartOrdner = 1;
    r.Proxy = true;
    r.Proxy_Server = "proxy.example";
    r.Proxy_Port = 3128;
    r.Proxy_Username = "pu";
    r.Proxy_Passwort = "pp";
    r.Proxy_BasicAuthentication = true;
    r.ShowMarketing = false;
    r.ShowUpdates = false;
    r.Login_Speichern = true;
    r.Login_Username = "hans";
    r.Login_Passwort = "Herz";
    r.Use_Https = true;
    r.StandardAbsender = "Firma.de";
    r.StandardTyp = 1;
    r.ProtokollLimit = 25000;
    r.Widths = {1, 2, 3};
    r.Content = "Nachricht";
    r.Email = "a@b.de";
    r.Major = 3;
    return r;
}

struct Outcome {
    int result = -1;
    QString tab;
    QString focus;
};

// Shows the dialog modally, lets `edit` change the controls, presses OK, and when the
// dialog stays open records page and focus and cancels.
Outcome pressOk(TEinstellungenForm& dlg, const std::function<void(QWidget*)>& edit)
{
    Outcome o;
    OnNextModal([&](QWidget* w) {
        edit(w);
        QTest::mouseClick(child<QPushButton>(w, "Btn_OK"), Qt::LeftButton);
        if (w->isVisible()) {
            o.tab = child<QTabWidget>(w, "PageControl")->currentWidget()->objectName();
            o.focus = w->focusWidget() ? w->focusWidget()->objectName() : QString();
            QTest::mouseClick(child<QPushButton>(w, "Btn_Abbrechen"), Qt::LeftButton);
        }
    });
    o.result = dlg.exec();
    return o;
}
}

class TestEinstellungen : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Clock::Set(QDateTime(QDate(2026, 3, 14), QTime(9, 0, 0))); }
    void cleanup() { Clock::Set(QDateTime()); }

    void showFillsFromRecord();
    void checksInOrder_data();
    void checksInOrder();
    void longStoredSenderShownAndCheckedWhole();
    void typingLimitOfSender();
    void okReturnsRecord();
    void protokollLimit_data();
    void protokollLimit();
    void cancelLeavesRecordAndNextShowStartsAgain();
    void createdAtStartUpAsDialogOfMainWindow();
};

void TestEinstellungen::showFillsFromRecord()
{
    TEinstellungenForm dlg;
    dlg.SetIniFileDaten(sample());
    pressOk(dlg, [](QWidget* w) {
        QCOMPARE(w->windowTitle(), QString("Einstellungen"));
        auto* tabs = child<QTabWidget>(w, "PageControl");
        QCOMPARE(tabs->currentWidget()->objectName(), QString("TabSheet_Allgemein"));
        QCOMPARE(tabs->tabText(0), QString("&Allgemein"));
        QCOMPARE(tabs->tabText(1), QString("&SMS"));
        QCOMPARE(w->focusWidget(), child<QWidget>(w, "Allgemein_StartOrdner"));
        QCOMPARE(child<QComboBox>(w, "Allgemein_StartOrdner")->currentIndex(), 1);
        QVERIFY(child<QCheckBox>(w, "Allgemein_Proxy")->isChecked());
        QCOMPARE(child<QLineEdit>(w, "Allgemein_Proxy_Server")->text(), QString("proxy.example"));
        QCOMPARE(child<QLineEdit>(w, "Allgemein_Proxy_Port")->text(), QString("3128"));
        QCOMPARE(child<QLineEdit>(w, "Allgemein_Proxy_Passwort")->echoMode(), QLineEdit::Password);
        QVERIFY(child<QRadioButton>(w, "Allgemein_Proxy_BasicAuthentication_1")->isChecked());
        QVERIFY(!child<QCheckBox>(w, "Allgemein_Starthilfe")->isChecked());
        QVERIFY(!child<QCheckBox>(w, "Allgemein_Updates")->isChecked());
        QCOMPARE(child<QLineEdit>(w, "SMS_Passwort")->text(), QString("Herz"));
        QCOMPARE(child<QComboBox>(w, "SMS_Typ")->currentIndex(), 1);
        QCOMPARE(child<QComboBox>(w, "SMS_ProtokollLimit")->currentText(), QString::fromUtf8("25.000 Einträge"));

        // Proxy controls follow the proxy box, also when a neighbouring box is clicked.
        for (const char* name : {"Allgemein_Label_Proxy_Server", "Allgemein_Proxy_Port", "Allgemein_Proxy_Passwort",
                                 "Allgemein_Proxy_BasicAuthentication"})
            QVERIFY(child<QWidget>(w, name)->isEnabled());
        clickBox(child<QCheckBox>(w, "Allgemein_Proxy"));
        for (const char* name : {"Allgemein_Label_Proxy_Server", "Allgemein_Proxy_Server", "Allgemein_Label_Proxy_Port",
                                 "Allgemein_Proxy_Port", "Allgemein_Label_Proxy_Username", "Allgemein_Proxy_Username",
                                 "Allgemein_Label_Proxy_Passwort", "Allgemein_Proxy_Passwort",
                                 "Allgemein_Proxy_BasicAuthentication"})
            QVERIFY2(!child<QWidget>(w, name)->isEnabled(), name);
        QVERIFY(child<QWidget>(w, "Allgemein_StartOrdner")->isEnabled());

        child<QTabWidget>(w, "PageControl")->setCurrentIndex(1);
        QVERIFY(child<QWidget>(w, "SMS_Username")->isEnabled());
        clickBox(child<QCheckBox>(w, "SMS_Zugangsdaten_Speichern"));
        for (const char* name : {"SMS_Label_Username", "SMS_Username", "SMS_Label_Passwort", "SMS_Passwort"})
            QVERIFY2(!child<QWidget>(w, name)->isEnabled(), name);
        QVERIFY(child<QWidget>(w, "SMS_HTTPS")->isEnabled());
    });
}

void TestEinstellungen::checksInOrder_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("proxy");
    QTest::addColumn<bool>("speichern");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("absender");
    QTest::addColumn<bool>("answer");        // to the question on the sender's characters
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("tab");        // empty when the dialog closed with OK
    QTest::addColumn<QString>("focus");

    const QString all("TabSheet_Allgemein"), sms("TabSheet_Sms");
    // With the proxy off the port field is disabled: the box that enables it takes the focus.
    QTest::newRow("port text, proxy off") << "abc" << false << false << "" << "" << "" << true
                                          << QStringList{kPortNoInt} << all << "Allgemein_Proxy";
    QTest::newRow("port empty") << "" << true << false << "" << "" << "" << true
                                << QStringList{kPortNoInt} << all << "Allgemein_Proxy_Port";
    QTest::newRow("port with blank") << " 80" << true << false << "" << "" << "" << true
                                     << QStringList{kPortNoInt} << all << "Allgemein_Proxy_Port";
    QTest::newRow("port too big for an integer") << "99999999999" << true << false << "" << "" << "" << true
                                                 << QStringList{kPortNoInt} << all << "Allgemein_Proxy_Port";
    QTest::newRow("port negative") << "-1" << true << false << "" << "" << "" << true
                                   << QStringList{kPortNegative} << all << "Allgemein_Proxy_Port";
    QTest::newRow("port before login") << "x" << true << true << "" << "" << "" << true
                                       << QStringList{kPortNoInt} << all << "Allgemein_Proxy_Port";
    QTest::newRow("negative port, proxy off") << "-1" << false << false << "" << "" << "" << true
                                              << QStringList{kPortNegative} << all << "Allgemein_Proxy";
    QTest::newRow("port 70000 passes") << "70000" << true << false << "" << "" << "" << true
                                       << QStringList{} << "" << "";
    QTest::newRow("user empty") << "0" << false << true << "" << "pw" << "" << true
                                << QStringList{kNoUser} << sms << "SMS_Username";
    QTest::newRow("user before sender") << "0" << false << true << "" << "" << "12345678901234567" << true
                                        << QStringList{kNoUser} << sms << "SMS_Username";
    QTest::newRow("password empty") << "0" << false << true << "hans" << "" << "" << true
                                    << QStringList{kNoPassword} << sms << "SMS_Passwort";
    QTest::newRow("blanks not trimmed") << "0" << false << true << " " << " " << "" << true
                                        << QStringList{} << "" << "";
    QTest::newRow("login not stored, empty") << "0" << false << false << "" << "" << "" << true
                                             << QStringList{} << "" << "";
    QTest::newRow("16 digits") << "0" << false << false << "" << "" << "1234567890123456" << true
                               << QStringList{} << "" << "";
    QTest::newRow("17 digits") << "0" << false << false << "" << "" << "12345678901234567" << true
                               << QStringList{kTooLong} << sms << "SMS_Absender";
    QTest::newRow("11 letters") << "0" << false << false << "" << "" << "Abcdefghijk" << true
                                << QStringList{} << "" << "";
    QTest::newRow("12 letters") << "0" << false << false << "" << "" << "Abcdefghijkl" << true
                                << QStringList{kTooLong} << sms << "SMS_Absender";
    QTest::newRow("length before characters") << "0" << false << false << "" << "" << QString::fromUtf8("Müllerundsohn")
                                              << true << QStringList{kTooLong} << sms << "SMS_Absender";
    QTest::newRow("umlaut, yes") << "0" << false << false << "" << "" << QString::fromUtf8("Müller") << true
                                 << QStringList{kUnsafe} << "" << "";
    QTest::newRow("umlaut, no") << "0" << false << false << "" << "" << QString::fromUtf8("Müller") << false
                                << QStringList{kUnsafe} << sms << "SMS_Absender";
    QTest::newRow("plus is not numeric") << "0" << false << false << "" << "" << "+49171" << false
                                         << QStringList{kUnsafe} << sms << "SMS_Absender";
    QTest::newRow("blank asks") << "0" << false << false << "" << "" << "A B" << true
                                << QStringList{kUnsafe} << "" << "";
    // Characters as typed, as the composer counts them: a character outside the BMP counts once.
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    QTest::newRow("11 with an emoji asks") << "0" << false << false << "" << "" << "abcdefghij" + emoji << false
                                           << QStringList{kUnsafe} << sms << "SMS_Absender";
    QTest::newRow("12 with an emoji too long") << "0" << false << false << "" << "" << "abcdefghijk" + emoji
                                               << true << QStringList{kTooLong} << sms << "SMS_Absender";
    QTest::newRow("dot and digits safe") << "0" << false << false << "" << "" << "Shop.24" << true
                                         << QStringList{} << "" << "";
}

void TestEinstellungen::checksInOrder()
{
    QFETCH(QString, port);
    QFETCH(bool, proxy);
    QFETCH(bool, speichern);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, absender);
    QFETCH(bool, answer);
    QFETCH(QStringList, messages);
    QFETCH(QString, tab);
    QFETCH(QString, focus);

    ScriptedMessages msgs;
    msgs.SetDefaultAnswer(answer);
    TEinstellungenForm dlg;
    TIniFileDaten rec = DefaultIniFileDaten();
    rec.Proxy = proxy;
    rec.Login_Speichern = speichern;
    dlg.SetIniFileDaten(rec);
    const Outcome o = pressOk(dlg, [&](QWidget* w) {
        child<QLineEdit>(w, "Allgemein_Proxy_Port")->setText(port);
        child<QLineEdit>(w, "SMS_Username")->setText(user);
        child<QLineEdit>(w, "SMS_Passwort")->setText(password);
        child<QLineEdit>(w, "SMS_Absender")->setText(absender);
    });
    QCOMPARE(msgs.Texts(), messages);
    for (const auto& e : msgs.Messages())
        QCOMPARE(e.kind, e.text == kUnsafe ? Msg::Kind::Question : Msg::Kind::Information);
    QCOMPARE(o.result == QDialog::Accepted, tab.isEmpty());
    QCOMPARE(o.tab, tab);
    QCOMPARE(o.focus, focus);
}

void TestEinstellungen::longStoredSenderShownAndCheckedWhole()
{
    ScriptedMessages msgs;
    TEinstellungenForm dlg;
    TIniFileDaten rec = DefaultIniFileDaten();
    const QString stored("12345678901234567890");
    rec.StandardAbsender = stored;
    dlg.SetIniFileDaten(rec);
    const Outcome o = pressOk(dlg, [&](QWidget* w) {
        auto* e = child<QLineEdit>(w, "SMS_Absender");
        QCOMPARE(e->text(), stored);
        QCOMPARE(e->maxLength(), 32767);   // no cut of the stored value
    });
    QCOMPARE(o.result, int(QDialog::Rejected));
    QCOMPARE(msgs.Texts(), QStringList{kTooLong});
    QCOMPARE(dlg.GetIniFileDaten().StandardAbsender, stored);
}

void TestEinstellungen::typingLimitOfSender()
{
    ScriptedMessages msgs;
    TEinstellungenForm dlg;
    TIniFileDaten rec = DefaultIniFileDaten();
    rec.StandardAbsender = "12345678901234567890";
    dlg.SetIniFileDaten(rec);
    const Outcome o = pressOk(dlg, [&](QWidget* w) {
        child<QTabWidget>(w, "PageControl")->setCurrentIndex(1);
        auto* e = child<QLineEdit>(w, "SMS_Absender");
        e->setFocus();
        // A longer stored value takes no more characters but can be shortened.
        QTest::keyClick(e, Qt::Key_End);
        QTest::keyClicks(e, "9");
        QCOMPARE(e->text(), QString("12345678901234567890"));
        QTest::keyClick(e, Qt::Key_Backspace);
        QCOMPARE(e->text(), QString("1234567890123456789"));
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        // Typing stops at 16 characters.
        QTest::keyClicks(e, "ABCDEFGHIJKLMNOPQRST");
        QCOMPARE(e->text(), QString("ABCDEFGHIJKLMNOP"));
        // A paste keeps what fits, at the cursor.
        e->setText("Abc");
        e->setCursorPosition(1);
        QGuiApplication::clipboard()->setText("0123456789ABCDEFGH");
        QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(e->text(), QString("A0123456789ABCbc"));
        QCOMPARE(e->cursorPosition(), 14);
        e->setText("Shop.de");   // so that OK passes
    });
    QCOMPARE(o.result, int(QDialog::Accepted));
    QCOMPARE(dlg.GetIniFileDaten().StandardAbsender, QString("Shop.de"));
}

void TestEinstellungen::okReturnsRecord()
{
    ScriptedMessages msgs;
    TEinstellungenForm dlg;
    const TIniFileDaten rec = sample();
    dlg.SetIniFileDaten(rec);
    const Outcome o = pressOk(dlg, [&](QWidget* w) {
        child<QComboBox>(w, "Allgemein_StartOrdner")->setCurrentIndex(2);
        child<QLineEdit>(w, "Allgemein_Proxy_Port")->setText("8080");
        child<QLineEdit>(w, "Allgemein_Proxy_Server")->setText("p2");
        clickBox(child<QRadioButton>(w, "Allgemein_Proxy_BasicAuthentication_0"));
        clickBox(child<QCheckBox>(w, "Allgemein_Proxy"));
        clickBox(child<QCheckBox>(w, "Allgemein_Starthilfe"));
        child<QTabWidget>(w, "PageControl")->setCurrentIndex(1);
        clickBox(child<QCheckBox>(w, "SMS_HTTPS"));
        // Unticking the box drops the stored login.
        clickBox(child<QCheckBox>(w, "SMS_Zugangsdaten_Speichern"));
        child<QComboBox>(w, "SMS_Typ")->setCurrentIndex(0);
        child<QComboBox>(w, "SMS_ProtokollLimit")->setCurrentIndex(0);
        child<QLineEdit>(w, "SMS_Absender")->setText("Neu");
    });
    QCOMPARE(o.result, int(QDialog::Accepted));
    QVERIFY(msgs.Texts().isEmpty());
    TIniFileDaten expected = rec;
    expected.StartOrdner = 2;
    expected.Proxy = false;
    expected.Proxy_Server = "p2";
    expected.Proxy_Port = 8080;
    expected.Proxy_BasicAuthentication = false;
    expected.ShowMarketing = true;
    expected.Use_Https = false;
    expected.Login_Speichern = false;
    expected.Login_Username = "";
    expected.Login_Passwort = "";
    expected.StandardTyp = 0;
    expected.ProtokollLimit = 500;
    expected.StandardAbsender = "Neu";
    const TIniFileDaten got = dlg.GetIniFileDaten();
    QCOMPARE(got.Login_Username, QString(""));
    QCOMPARE(got.Widths, rec.Widths);
    QCOMPARE(asFile(got), asFile(expected));
}

void TestEinstellungen::protokollLimit_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("saved");
    const int limits[] = {500, 2500, 5000, 10000, 25000, 50000, 100000};
    for (int i = 0; i < 7; ++i)
        QTest::addRow("%d", limits[i]) << limits[i] << i << limits[i];
    QTest::newRow("no limit") << -1 << 7 << -1;
    QTest::newRow("1000 not listed") << 1000 << 7 << -1;
    QTest::newRow("0 not listed") << 0 << 7 << -1;
}

void TestEinstellungen::protokollLimit()
{
    QFETCH(int, stored);
    QFETCH(int, index);
    QFETCH(int, saved);
    ScriptedMessages msgs;
    TEinstellungenForm dlg;
    TIniFileDaten rec = DefaultIniFileDaten();
    rec.ProtokollLimit = stored;
    dlg.SetIniFileDaten(rec);
    const Outcome o = pressOk(dlg, [&](QWidget* w) {
        QCOMPARE(child<QComboBox>(w, "SMS_ProtokollLimit")->currentIndex(), index);
    });
    QCOMPARE(o.result, int(QDialog::Accepted));
    QCOMPARE(dlg.GetIniFileDaten().ProtokollLimit, saved);
}

void TestEinstellungen::cancelLeavesRecordAndNextShowStartsAgain()
{
    ScriptedMessages msgs;
    TEinstellungenForm dlg;
    const TIniFileDaten rec = sample();
    dlg.SetIniFileDaten(rec);
    OnNextModal([](QWidget* w) {
        child<QLineEdit>(w, "Allgemein_Proxy_Server")->setText("changed");
        child<QTabWidget>(w, "PageControl")->setCurrentIndex(1);
        child<QLineEdit>(w, "SMS_Username")->setFocus();
        clickBox(child<QCheckBox>(w, "SMS_Zugangsdaten_Speichern"));
        QTest::mouseClick(child<QPushButton>(w, "Btn_Abbrechen"), Qt::LeftButton);
    });
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    QCOMPARE(asFile(dlg.GetIniFileDaten()), asFile(rec));

    const Outcome o = pressOk(dlg, [](QWidget* w) {
        QCOMPARE(child<QLineEdit>(w, "Allgemein_Proxy_Server")->text(), QString("proxy.example"));
        QVERIFY(child<QCheckBox>(w, "SMS_Zugangsdaten_Speichern")->isChecked());
        QVERIFY(child<QLineEdit>(w, "SMS_Username")->isEnabled());
        QCOMPARE(child<QTabWidget>(w, "PageControl")->currentWidget()->objectName(), QString("TabSheet_Allgemein"));
        QCOMPARE(w->focusWidget()->objectName(), QString("Allgemein_StartOrdner"));
    });
    QCOMPARE(o.result, int(QDialog::Accepted));
    QCOMPARE(asFile(dlg.GetIniFileDaten()), asFile(rec));
}

void TestEinstellungen::createdAtStartUpAsDialogOfMainWindow()
{
    QWidget owner;
    auto* dlg = new TEinstellungenForm(&owner);
    QCOMPARE(dlg->parentWidget(), &owner);
    QVERIFY(dlg->isModal());
    auto* ok = child<QPushButton>(dlg, "Btn_OK");
    QVERIFY(ok->isDefault());
    QCOMPARE(ok->text(), QString("&OK"));
    QCOMPARE(child<QPushButton>(dlg, "Btn_Abbrechen")->text(), QString("A&bbrechen"));
    delete dlg;
}

QTEST_MAIN(TestEinstellungen)
#include "tst_einstellungen.moc"
