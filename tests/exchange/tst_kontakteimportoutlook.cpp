#include "OutlookKontakteFake.h"
#include "TestProgram.h"
#include "exchange/KontaktImport.h"
#include "exchange/KontakteImportOutlookForm.h"
#include "foundation/DatenModul.h"
#include "foundation/WaitCursor.h"
#include "platform/FileDialogs.h"
#include "platform/OutlookKontakteProtokoll.h"
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

// The Outlook import through a fake Outlook (and, from the menu, the data file source).

namespace {
using E = OutlookEigenschaft;

const QString kVerbindung = QStringLiteral("Es konnte keine Verbindung zu Mircosoft Outlook hergestellt werden.\n\rFehlermeldung: ");
const QString kAuslesen = QStringLiteral("Beim Auslesen bzw. Verarbeiten der Kontaktdaten von Mircosoft Outlook ist ein Fehler aufgetreten.\n\rFehlermeldung: ");
// Refused by the normaliser, longer than the column.
const QString kAbgelehnt = QStringLiteral("unbekannt, bitte im Büro nachfragen");
const QString kEchteDatei = QStringLiteral(VORNIX2_SOURCE_DIR "/tests/platform/data/outlook/dist-list.pst");
const QString kFortschritt = QStringLiteral("Bitte warten... die Outlook-Kontakte werden importiert (%d%% abgeschlossen).");

OutlookKontakt kontakt(const QString& nachname, int gender = 0, const QString& title = QString())
{
    OutlookKontakt k;
    k.SetText(E::LastName, nachname);
    k.SetGender(gender);
    k.SetText(E::Title, title);
    return k;
}

// The fake of a run, handed out by the dialog's factory; records the status bar's text at
// each item fetched.
struct Outlook {
    OutlookKontakteFake fake;
    QStatusBar* bar = nullptr;
    QStringList textBeiItem;

    class Quelle final : public IOutlookKontakte {
    public:
        Quelle(Outlook& o) : m_o(o), m_fake(o.fake) {}
        void Start(const OutlookDateiWahl& w) override { m_fake.Start(w); }
        void GetNamespace(const QString& n) override { m_fake.GetNamespace(n); }
        void GetDefaultFolder(int f) override { m_fake.GetDefaultFolder(f); }
        int ItemsCount() override { return m_fake.ItemsCount(); }
        OutlookKontakt Item(int i) override
        {
            if (m_o.bar)
                m_o.textBeiItem << m_o.bar->currentMessage();
            return m_fake.Item(i);
        }
    private:
        Outlook& m_o;
        OutlookKontakteFake m_fake;
    };
    OutlookQuelle Fabrik() { return [this] { return std::make_unique<Quelle>(*this); }; }
};

QStringList zeilen(const QString& sql)
{
    QStringList result;
    QSqlQuery q = DatenModul->Run(sql);
    while (q.next()) {
        QStringList werte;
        for (int i = 0; i < q.record().count(); ++i) {
            const QVariant v = q.value(i);
            werte << (v.isNull() ? QStringLiteral("NULL")
                      : v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                                                       : TDatenModul::TextValue(v));
        }
        result << werte.join('|');
    }
    return result;
}

int anzahl(const char* tabelle) { return zeilen(QStringLiteral("SELECT COUNT(*) FROM ") + tabelle).value(0).toInt(); }
QPushButton* button(QWidget* w, const char* name) { return FindChild<QPushButton>(w, QLatin1String(name)); }

// The dialog over a fresh database with two groups, shown, with the group of `gruppe` chosen.
struct Fixture {
    TestDatabase db;
    ScriptedMessages msgs;
    Outlook outlook;
    std::unique_ptr<TKontakteImportOutlookForm> form;
    explicit Fixture(int gruppe = 0)
    {
        db.Exec("INSERT INTO kategorien (id, name) VALUES (20, 'Kunden')");
        db.Exec("INSERT INTO kategorien (id, name) VALUES (21, 'Freunde')");
        form = std::make_unique<TKontakteImportOutlookForm>(outlook.Fabrik());
        form->show();
        outlook.bar = FindChild<QStatusBar>(form.get(), "StatusBar");
        FindChild<QComboBox>(form.get(), "Kontaktgruppen")->setCurrentIndex(gruppe);
    }
    void Ok() { button(form.get(), "Btn_OK")->click(); }
};
}

class TestKontakteImportOutlook : public QObject {
    Q_OBJECT
private slots:
    void salutation_data();
    void salutation();
    void mapsEveryProperty();
    void groupChoice_data();
    void groupChoice();
    void progressSteps_data();
    void progressSteps();
    void emptyFolder();
    void failureWritesNothing_data();
    void failureWritesNothing();
    void runLocksTheDialog();
    void dataFileFromTheMenu_data();
    void dataFileFromTheMenu();
    void realDataFileFromTheMenu();
    void contactsOutsideTheFolderAreNoSuccess();
};

void TestKontakteImportOutlook::salutation_data()
{
    QTest::addColumn<int>("gender");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("geschlecht");
    QTest::newRow("female wins over the title") << 1 << "herr" << 3;
    QTest::newRow("male wins over the title") << 2 << "Frau" << 2;
    QTest::newRow("unspecified, herr") << 0 << "herr" << 2;
    QTest::newRow("unspecified, frau") << 0 << "frau" << 3;
    QTest::newRow("unspecified, Frau Dr.") << 0 << "Frau Dr." << 1;
    QTest::newRow("unspecified, no title") << 0 << "" << 1;
}

void TestKontakteImportOutlook::salutation()
{
    QFETCH(int, gender);
    QFETCH(QString, title);
    QFETCH(int, geschlecht);
    Fixture f;
    f.outlook.fake.kontakte << kontakt("X", gender, title);
    if (gender == 1 || gender == 2)   // the title is not read then
        f.outlook.fake.FehlerBeiEigenschaft(1, E::Title, "nicht lesbar");
    f.Ok();
    QCOMPARE(zeilen("SELECT geschlecht FROM kontakte"), QStringList{QString::number(geschlecht)});
}

void TestKontakteImportOutlook::mapsEveryProperty()
{
    Fixture f;
    OutlookKontakt voll;
    voll.SetBirthday(QDateTime(QDate(1980, 2, 29), QTime(13, 45)));
    voll.SetGender(1);
    voll.SetText(E::FirstName, QString(70, QLatin1Char('A')));
    voll.SetText(E::LastName, "Müller");
    voll.SetText(E::CompanyName, "Weiß & Söhne");
    voll.SetText(E::MobileTelephoneNumber, "0171 1234567");
    voll.SetText(E::Email1Address, "kein@check");
    voll.SetText(E::HomeAddressStreet, "Hauptstraße 1\r\nHinterhaus");
    voll.SetText(E::HomeAddressPostalCode, "123456789012");
    voll.SetText(E::HomeAddressCity, "Köln");
    voll.SetText(E::HomeAddressCountry, "Deutschland");
    voll.SetText(E::HomeTelephoneNumber, "0221 1");
    voll.SetText(E::HomeFaxNumber, "0221 2");
    voll.SetText(E::PersonalHomepage, "www.privat.example");
    voll.SetText(E::BusinessAddressStreet, "Industrieweg 2");
    voll.SetText(E::BusinessAddressPostalCode, "50668");
    voll.SetText(E::BusinessAddressCity, "Porz");
    voll.SetText(E::BusinessAddressCountry, "DE");
    voll.SetText(E::BusinessTelephoneNumber, "0221 3");
    voll.SetText(E::BusinessFaxNumber, "0221 4");
    voll.SetText(E::BusinessHomePage, "www.firma.example");
    OutlookKontakt leer = kontakt("Ohne");   // no birthday (4501), a refused number
    leer.SetText(E::MobileTelephoneNumber, kAbgelehnt);
    f.outlook.fake.kontakte << voll << leer;
    f.Ok();
    QCOMPARE(f.msgs.Texts(), QStringList{"Es wurden 2 Outlook-Kontakte erfolgreich importiert."});
    QCOMPARE(f.form->result(), int(QDialog::Accepted));
    QCOMPARE(zeilen("SELECT geschlecht, vorname, nachname, firma, kdnr, mobil, email, geburtsdatum, mobil_send, "
                    "email_send, mobil_lastsend, p_strasse, p_plz, p_ort, p_land, p_telefon, p_telefax, p_webseite, "
                    "f_strasse, f_plz, f_ort, f_land, f_telefon, f_telefax, f_webseite FROM kontakte ORDER BY id"),
             QStringList({"3|" + QString(60, QLatin1Char('A')) + "|Müller|Weiß & Söhne||00491711234567|kein@check|"
                          "1980-02-29|1|1|NULL|Hauptstraße 1\r\nHinterhaus|1234567890|Köln|Deutschland|0221 1|0221 2|"
                          "www.privat.example|Industrieweg 2|50668|Porz|DE|0221 3|0221 4|www.firma.example",
                          "1||Ohne|||" + kAbgelehnt.left(30)
                              + "||NULL|1|1|NULL||||||||||||||"}));
}

void TestKontakteImportOutlook::groupChoice_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("zuordnungen");
    QTest::newRow("no group") << 0 << QStringList();
    QTest::newRow("Freunde") << 1 << QStringList({"A|21", "B|21", "C|21"});
}

void TestKontakteImportOutlook::groupChoice()
{
    QFETCH(int, index);
    QFETCH(QStringList, zuordnungen);
    Fixture f(index);
    QCOMPARE(FindChild<QComboBox>(f.form.get(), "Kontaktgruppen")->itemText(0), "[keiner Kontaktgruppe zuordnen]");
    f.outlook.fake.kontakte << kontakt("A") << kontakt("B") << kontakt("C");
    f.Ok();
    QCOMPARE(zeilen("SELECT k.nachname, z.kategorie FROM katzuord z JOIN kontakte k ON k.id = z.kontakt ORDER BY k.id"),
             zuordnungen);
}

void TestKontakteImportOutlook::progressSteps_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("schritt");
    QTest::newRow("250 contacts") << 250 << 2;
    QTest::newRow("50 contacts") << 50 << 1;
}

void TestKontakteImportOutlook::progressSteps()
{
    QFETCH(int, n);
    QFETCH(int, schritt);
    Fixture f;
    for (int i = 0; i < n; ++i)
        f.outlook.fake.kontakte << kontakt(QString::number(i));
    f.Ok();
    QCOMPARE(anzahl("kontakte"), n);
    // Before item i the text shows the last full step of the items done.
    QCOMPARE(f.outlook.textBeiItem.size(), n);
    for (int i = 1; i <= n; ++i) {
        const int fertig = (i - 1) / schritt * schritt;
        QCOMPARE(f.outlook.textBeiItem[i - 1], TImportFortschritt::Text(kFortschritt, ProgressPercent(fertig, n)));
    }
    QCOMPARE(f.outlook.bar->currentMessage(), QString());
}

void TestKontakteImportOutlook::emptyFolder()
{
    Fixture f(1);
    f.Ok();
    QCOMPARE(f.msgs.Texts(), QStringList{"In Ihrem Outlook befinden sich keine gespeicherten Kontakte."});
    QCOMPARE(f.form->result(), int(QDialog::Accepted));
    QCOMPARE(anzahl("kontakte") + anzahl("katzuord"), 0);
}

void TestKontakteImportOutlook::failureWritesNothing_data()
{
    QTest::addColumn<QString>("stufe");
    QTest::addColumn<QString>("meldung");
    QTest::newRow("start") << "start" << kVerbindung + "Outlook fehlt.";
    QTest::newRow("namespace") << "namespace" << kVerbindung + "Outlook fehlt.";
    QTest::newRow("folder") << "folder" << kAuslesen + "Outlook fehlt.";
    QTest::newRow("third item") << "item" << kAuslesen + "Outlook fehlt.";
    QTest::newRow("property of the third item") << "property" << kAuslesen + "Outlook fehlt.";
}

void TestKontakteImportOutlook::failureWritesNothing()
{
    QFETCH(QString, stufe);
    QFETCH(QString, meldung);
    Fixture f(1);
    f.outlook.fake.kontakte << kontakt("A") << kontakt("B") << kontakt("C") << kontakt("D");
    const QString grund = "Outlook fehlt.";
    if (stufe == "start")
        f.outlook.fake.FehlerBeimStart(grund);
    else if (stufe == "namespace")
        f.outlook.fake.FehlerBeiNamespace(grund);
    else if (stufe == "folder")
        f.outlook.fake.FehlerBeiOrdner(grund);
    else if (stufe == "item")
        f.outlook.fake.FehlerBeiItem(3, grund);
    else
        f.outlook.fake.FehlerBeiEigenschaft(3, E::Email1Address, grund);
    f.Ok();
    QCOMPARE(f.msgs.Texts(), QStringList{meldung});
    QCOMPARE(f.msgs.Messages().first().kind, Msg::Kind::Error);
    QVERIFY(f.form->isVisible());
    QCOMPARE(f.form->result(), int(QDialog::Rejected));
    QCOMPARE(f.outlook.bar->currentMessage(), QString());
    QVERIFY(button(f.form.get(), "Btn_OK")->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(anzahl("kontakte") + anzahl("katzuord"), 0);

    // Outlook mended: the next run imports each contact once.
    const QList<OutlookKontakt> kontakte = f.outlook.fake.kontakte;
    f.outlook.fake = OutlookKontakteFake();
    f.outlook.fake.kontakte = kontakte;
    f.msgs.Clear();
    f.Ok();
    QCOMPARE(f.msgs.Texts(), QStringList{"Es wurden 4 Outlook-Kontakte erfolgreich importiert."});
    QCOMPARE(anzahl("kontakte"), 4);
    QCOMPARE(anzahl("katzuord"), 4);
}

void TestKontakteImportOutlook::runLocksTheDialog()
{
    Fixture f;
    for (int i = 0; i < 3; ++i)
        f.outlook.fake.kontakte << kontakt(QString::number(i));
    bool geprueft = false;
    // Runs at the first progress step, inside the import.
    QTimer::singleShot(0, f.form.get(), [&] {
        geprueft = true;
        QVERIFY(!button(f.form.get(), "Btn_OK")->isEnabled());
        QVERIFY(!button(f.form.get(), "Btn_Abbrechen")->isEnabled());
        QVERIFY(f.form->IsRunning());
        f.form->reject();
        f.form->close();
        QVERIFY(f.form->isVisible());
    });
    f.Ok();
    QVERIFY(geprueft);
    QCOMPARE(f.form->result(), int(QDialog::Accepted));
    QCOMPARE(anzahl("kontakte"), 3);
}

void TestKontakteImportOutlook::dataFileFromTheMenu_data()
{
    QTest::addColumn<bool>("umgebung");   // the file named by VORNIX2_OUTLOOK_DATA, else chosen
    QTest::addColumn<QByteArray>("inhalt");   // null: no file; empty name chosen: cancelled
    QTest::addColumn<QString>("grund");   // "": no message
    QTest::newRow("choice cancelled") << false << QByteArray() << "";
    QTest::newRow("chosen text file") << false << QByteArray("Name;Vorname\r\n")
                                      << "Die Datei \"%1\" ist keine lesbare Outlook-Datendatei.";
    QTest::newRow("missing file named by the environment") << true << QByteArray()
                                                           << "Die Outlook-Datendatei \"%1\" wurde nicht gefunden.";
    QFile echt(kEchteDatei);
    QVERIFY(echt.open(QIODevice::ReadOnly));
    // Two bytes changed: libpst reads far outside its buffers and crashes on it.
    QByteArray beschaedigt = echt.readAll();
    beschaedigt[21507] = char(97);
    beschaedigt[40566] = char(6);
    QTest::newRow("damaged data file") << false << beschaedigt << "Die Outlook-Datendatei \"%1\" ist beschädigt";
}

void TestKontakteImportOutlook::dataFileFromTheMenu()
{
    QFETCH(bool, umgebung);
    QFETCH(QByteArray, inhalt);
    QFETCH(QString, grund);
    QTemporaryDir dir;
    const QString datei = dir.filePath("kontakte.pst");
    if (!inhalt.isNull()) {
        QFile f(datei);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    }
    ScopedEnv env(kOutlookDatenVariable, umgebung ? QFile::encodeName(datei) : QByteArray());
    if (!umgebung)
        qunsetenv(kOutlookDatenVariable);
    QList<FileDialogs::Request> fragen;
    FileDialogs::SetResponder([&](const FileDialogs::Request& r) {
        fragen << r;
        return inhalt.isNull() ? QString() : datei;
    });
    TestProgram p;
    p.Start();
    QString status = QStringLiteral("nicht gelesen");
    OnNextModal([&](QWidget* dialog) {
        button(dialog, "Btn_OK")->click();
        QVERIFY(dialog->isVisible());
        status = FindChild<QStatusBar>(dialog, "StatusBar")->currentMessage();
        QVERIFY(!QApplication::overrideCursor());
        button(dialog, "Btn_Abbrechen")->click();
    });
    p.Trigger("KontakteausOutlook1");
    FileDialogs::SetResponder({});
    QCOMPARE(status, QString());
    if (grund.isEmpty()) {
        QCOMPARE(p.msgs.Texts(), QStringList());
    } else {
        QCOMPARE(p.msgs.Count(), 1);
        QCOMPARE(p.msgs.Messages().first().kind, Msg::Kind::Error);
        QVERIFY2(p.msgs.Texts().first().startsWith(kVerbindung + QString(grund).replace("%1", datei)),
                 qPrintable(p.msgs.Texts().first()));
    }
    QCOMPARE(fragen.size(), umgebung ? 0 : 1);
    if (!umgebung) {
        QCOMPARE(fragen[0].caption, QStringLiteral("Outlook-Datendatei öffnen"));
        QCOMPARE(fragen[0].filter, QStringLiteral("Outlook-Datendateien (*.pst *.ost)"));
    }
    QCOMPARE(anzahl("kontakte"), 0);
}

void TestKontakteImportOutlook::realDataFileFromTheMenu()
{
    ScopedEnv env(kOutlookDatenVariable, QFile::encodeName(kEchteDatei));
    TestProgram p;
    p.Start();
    OnNextModal([&](QWidget* dialog) {
        FindChild<QComboBox>(dialog, "Kontaktgruppen")->setCurrentIndex(0);
        button(dialog, "Btn_OK")->click();
    });
    p.Trigger("KontakteausOutlook1");
    QCOMPARE(p.msgs.Texts(), QStringList{"Es wurden 1 Outlook-Kontakte erfolgreich importiert."});
    // The distribution list beside the contact is no contact.
    QCOMPARE(zeilen("SELECT geschlecht, vorname, nachname, firma, mobil, email, geburtsdatum, p_ort, f_ort FROM kontakte"),
             QStringList{"1|contact|1|||contact1@rjohnson.id.au|NULL||"});
    QCOMPARE(anzahl("katzuord"), 0);
}

void TestKontakteImportOutlook::contactsOutsideTheFolderAreNoSuccess()
{
    // A reader that answers with an empty contacts folder while Outlook's suggested contacts hold two.
    OutlookProtokollSchreiber s;
    const auto ordner = [&](qint64 id, const char* name, qint64 kontakte) {
        s.Feld("ordner", id);
        s.Feld("eltern", qint64(-1));
        s.Feld("tiefe", qint64(1));
        s.Feld("name", QString::fromUtf8(name));
        s.Feld("klasse", QStringLiteral("IPF.Contact"));
        s.Feld("versteckt", qint64(0));
        s.Feld("suche", qint64(0));
        s.Feld("kontakte", kontakte);
    };
    ordner(1, "Kontakte", 0);
    ordner(2, "Vorgeschlagene Kontakte", 2);
    s.Feld("standard", qint64(1));
    s.Feld("gewaehlt", qint64(0));
    QTemporaryDir dir;
    const QString antwort = dir.filePath("antwort");
    const QString leser = dir.filePath("leser");
    const QString datei = dir.filePath("Outlook.pst");
    for (const auto& [pfad, inhalt] : {std::pair{antwort, s.Ende()}, std::pair{leser, ("#!/bin/sh\ncat '" + antwort + "'\n").toUtf8()},
                                       std::pair{datei, QByteArray("!BDN")}}) {
        QFile f(pfad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    }
    QFile(leser).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    OutlookLeser l;
    l.programm = leser;
    OutlookLeserSetzen(l);
    ScopedEnv env(kOutlookDatenVariable, QFile::encodeName(datei));

    TestDatabase db;
    ScriptedMessages msgs;
    TKontakteImportOutlookForm form(OutlookDatendateiOeffnen);
    form.show();
    button(&form, "Btn_OK")->click();
    OutlookLeserSetzen(OutlookLeser());
    QCOMPARE(msgs.Texts(), QStringList{kAuslesen + "Der Kontakteordner \"Kontakte\" der Outlook-Datendatei ist leer; ihre 2 "
                                                   "Kontakte liegen in anderen Ordnern (\"Vorgeschlagene Kontakte\") und "
                                                   "werden nicht importiert."});
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Error);
    QVERIFY(form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QCOMPARE(anzahl("kontakte"), 0);
}

QTEST_MAIN(TestKontakteImportOutlook)
#include "tst_kontakteimportoutlook.moc"
