#include "OutlookKontakteFake.h"
#include "platform/OutlookKontakte.h"
#include "platform/OutlookKontakteOrdner.h"
#include "platform/OutlookKontakteProtokoll.h"
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <ctime>

// The Outlook data file source: the choice of the contacts folder, the birthday rule, the reader
// process and its answer, damaged files, and the fake that stands in for Outlook in the import tests.

namespace {
// Bytes set at offsets of a file.
using Bytes = QList<QPair<qint64, int>>;
const QString kEchteDatei = QStringLiteral(VORNIX2_SOURCE_DIR "/tests/platform/data/outlook/dist-list.pst");

// A tree written as lines "Name|Klasse|contact items|flags", two leading blanks per level below
// the first; flags: h hidden, s search folder. Folder i gets the id i + 1.
QVector<OutlookOrdner> baum(const QStringList& zeilen)
{
    QVector<OutlookOrdner> b;
    QVector<int> letzteJeTiefe;
    for (const QString& z : zeilen) {
        const int einzug = int(z.size() - z.trimmed().size());
        const QStringList teile = z.trimmed().split(u'|');
        OutlookOrdner o;
        o.id = quint32(b.size() + 1);
        o.tiefe = einzug / 2 + 1;
        o.name = teile.value(0);
        o.klasse = teile.value(1);
        o.kontakte = teile.value(2).toInt();
        o.versteckt = teile.value(3).contains(u'h');
        o.suchordner = teile.value(3).contains(u's');
        letzteJeTiefe.resize(o.tiefe);
        o.eltern = o.tiefe == 1 ? -1 : letzteJeTiefe[o.tiefe - 2];
        letzteJeTiefe[o.tiefe - 1] = int(b.size());
        b.append(o);
    }
    return b;
}

// FILETIME of a UTC time.
qint64 filetime(const QDateTime& utc)
{
    return utc.toMSecsSinceEpoch() * 10000 + 116444736000000000LL;
}

// The machine's zone for one test.
class Zone {
public:
    explicit Zone(const QByteArray& tz) : m_alt(qgetenv("TZ")), m_hatte(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", tz);
        tzset();
    }
    ~Zone()
    {
        if (m_hatte)
            qputenv("TZ", m_alt);
        else
            qunsetenv("TZ");
        tzset();
    }
private:
    QByteArray m_alt;
    bool m_hatte;
};

void schreiben(const QString& pfad, const QByteArray& inhalt)
{
    QFile f(pfad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(inhalt), inhalt.size());
}

// An answer holding `b` with `gewaehlt`, and one contact per name in `kontakte`.
QByteArray antwort(const QVector<OutlookOrdner>& b, int gewaehlt, const QStringList& kontakte = {})
{
    OutlookProtokollSchreiber s;
    for (const OutlookOrdner& o : b) {
        s.Feld("ordner", qint64(o.id));
        s.Feld("eltern", qint64(o.eltern));
        s.Feld("tiefe", qint64(o.tiefe));
        s.Feld("name", o.name);
        s.Feld("klasse", o.klasse);
        s.Feld("versteckt", qint64(o.versteckt));
        s.Feld("suche", qint64(o.suchordner));
        s.Feld("kontakte", qint64(o.kontakte));
    }
    s.Feld("standard", qint64(0));
    s.Feld("gewaehlt", qint64(gewaehlt));
    for (const QString& k : kontakte) {
        s.Feld("kontakt", QByteArray(""));
        s.Feld("LastName", k);
    }
    return s.Ende();
}

// Start() to GetDefaultFolder() on `datei`; the failure's stage and text, or "" when it read.
QPair<QString, QString> oeffnen(const QString& datei, int* anzahl = nullptr)
{
    auto quelle = OutlookDatendateiOeffnen();
    try {
        quelle->Start([&] { return datei; });
        quelle->GetNamespace(QStringLiteral("MAPI"));
        quelle->GetDefaultFolder(kOutlookKontakteOrdner);
        if (anzahl)
            *anzahl = quelle->ItemsCount();
        return {};
    } catch (const OutlookFehler& f) {
        return {f.IstVerbindung() ? QStringLiteral("Verbindung") : QStringLiteral("Auslesen"), f.Text()};
    }
}
}

class TestOutlookKontakte : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startFailsWithReason_data();
    void startFailsWithReason();
    void cancelledChoiceIsNoFailure();
    void environmentBeatsTheChoice();
    void fakeFailsAtTheStageAsked();

    void choosesTheContactsFolder_data();
    void choosesTheContactsFolder();
    void birthdayAsOutlookShowsIt_data();
    void birthdayAsOutlookShowsIt();

    void answerRoundTrip();
    void damagedAnswerIsRefused_data();
    void damagedAnswerIsRefused();

    void readsTheRealFile();
    void readerOutcomes_data();
    void readerOutcomes();
    void missingReaderIsSaid();
    void damagedFileNeverCrashes_data();
    void damagedFileNeverCrashes();

private:
    QTemporaryDir m_dir;
};

void TestOutlookKontakte::init()
{
    qunsetenv(kOutlookDatenVariable);
    OutlookLeserSetzen(OutlookLeser());
}

void TestOutlookKontakte::cleanup()
{
    qunsetenv(kOutlookDatenVariable);
    OutlookLeserSetzen(OutlookLeser());
}

void TestOutlookKontakte::startFailsWithReason_data()
{
    QTest::addColumn<QString>("umgebung");   // VORNIX2_OUTLOOK_DATA, "" for none
    QTest::addColumn<QString>("gewaehlt");   // the file dialog's answer
    QTest::addColumn<QByteArray>("inhalt");  // written to the chosen file; null: no file
    QTest::addColumn<QString>("grund");

    const QString datei = m_dir.filePath(QStringLiteral("kontakte.pst"));
    QTest::newRow("missing file") << "" << datei << QByteArray()
                                  << "Die Outlook-Datendatei \"" + datei + "\" wurde nicht gefunden.";
    QTest::newRow("text file") << "" << datei << QByteArray("Name;Vorname\r\nMüller;Anna\r\n")
                               << "Die Datei \"" + datei + "\" ist keine lesbare Outlook-Datendatei.";
    QTest::newRow("damaged file with the signature") << "" << datei << QByteArray("!BDN") + QByteArray(20000, '\0')
                                                     << "Die Datei \"" + datei + "\" ist keine lesbare Outlook-Datendatei.";
    QTest::newRow("empty file") << "" << datei << QByteArray("")
                                << "Die Datei \"" + datei + "\" ist keine lesbare Outlook-Datendatei.";
    QTest::newRow("folder") << "" << m_dir.path() << QByteArray()
                            << "Die Outlook-Datendatei \"" + m_dir.path() + "\" kann nicht gelesen werden.";
    QTest::newRow("environment names a missing file") << datei << "" << QByteArray()
                                                      << "Die Outlook-Datendatei \"" + datei + "\" wurde nicht gefunden.";
}

void TestOutlookKontakte::startFailsWithReason()
{
    QFETCH(QString, umgebung);
    QFETCH(QString, gewaehlt);
    QFETCH(QByteArray, inhalt);
    QFETCH(QString, grund);
    const QString datei = m_dir.filePath(QStringLiteral("kontakte.pst"));
    QFile::remove(datei);
    if (!inhalt.isNull())
        schreiben(datei, inhalt);
    if (!umgebung.isEmpty())
        qputenv(kOutlookDatenVariable, umgebung.toLocal8Bit());

    auto quelle = OutlookDatendateiOeffnen();
    try {
        quelle->Start([&] { return gewaehlt; });
        quelle->GetNamespace(QStringLiteral("MAPI"));
        QFAIL("no failure");
    } catch (const OutlookFehler& f) {
        QVERIFY(f.IstVerbindung());
        QCOMPARE(f.Text(), grund);
    }
}

void TestOutlookKontakte::cancelledChoiceIsNoFailure()
{
    auto quelle = OutlookDatendateiOeffnen();
    QVERIFY_THROWS_EXCEPTION(OutlookAbgebrochen, quelle->Start([] { return QString(); }));
}

void TestOutlookKontakte::environmentBeatsTheChoice()
{
    int gefragt = 0;
    const auto wahl = [&] { ++gefragt; return QStringLiteral("/gewaehlt.pst"); };
    QCOMPARE(OutlookDatendatei(wahl), QStringLiteral("/gewaehlt.pst"));
    qputenv(kOutlookDatenVariable, "/aus/der/umgebung.pst");
    QCOMPARE(OutlookDatendatei(wahl), QStringLiteral("/aus/der/umgebung.pst"));
    QCOMPARE(gefragt, 1);
}

void TestOutlookKontakte::fakeFailsAtTheStageAsked()
{
    OutlookKontakt anna;
    anna.SetText(OutlookEigenschaft::FirstName, QStringLiteral("Anna"));
    OutlookKontakteFake fake;
    fake.kontakte = {anna, anna};
    fake.FehlerBeiEigenschaft(2, OutlookEigenschaft::FirstName, QStringLiteral("Eigenschaft fehlt"));
    fake.Start({});
    fake.GetNamespace(QStringLiteral("MAPI"));
    fake.GetDefaultFolder(kOutlookKontakteOrdner);
    QCOMPARE(fake.ItemsCount(), 2);
    const OutlookKontakt erster = fake.Item(1);
    QCOMPARE(erster.Text(OutlookEigenschaft::FirstName), QStringLiteral("Anna"));
    QCOMPARE(erster.Text(OutlookEigenschaft::Title), QStringLiteral(""));
    QCOMPARE(erster.Birthday(), QDateTime(QDate(4501, 1, 1), QTime(0, 0)));
    const OutlookKontakt zweiter = fake.Item(2);
    QCOMPARE(zweiter.Text(OutlookEigenschaft::LastName), QStringLiteral(""));
    try {
        zweiter.Text(OutlookEigenschaft::FirstName);
        QFAIL("no failure");
    } catch (const OutlookFehler& f) {
        QVERIFY(!f.IstVerbindung());
        QCOMPARE(f.Text(), QStringLiteral("Eigenschaft fehlt"));
    }

    OutlookKontakteFake ohneOutlook;
    ohneOutlook.FehlerBeimStart(QStringLiteral("nicht installiert"));
    QVERIFY_THROWS_EXCEPTION(OutlookFehler, ohneOutlook.Start({}));
}

void TestOutlookKontakte::choosesTheContactsFolder_data()
{
    QTest::addColumn<QStringList>("ordner");
    QTest::addColumn<int>("standard");   // id the store's pointer names, 0 none
    QTest::addColumn<QString>("gewaehlt");   // the chosen folder's name, "" none

    QTest::newRow("current Outlook: its own folders before Contacts")
        << QStringList{"Posteingang|IPF.Note|0", "ExternalContacts|IPF.Contact|0", "PersonMetadata|IPF.Contact|0",
                       "Contacts|IPF.Contact|19", "  Vorgeschlagene Kontakte|IPF.Contact|3"}
        << 0 << "Contacts";
    QTest::newRow("Outlook's own folders hold contacts, Contacts none")
        << QStringList{"ExternalContacts|IPF.Contact|4", "PersonMetadata|IPF.Contact|7", "Kontakte|IPF.Contact|0",
                       "Suggested Contacts|IPF.Contact|2", "Recipient Cache|IPF.Contact.RecipientCache|40|h"}
        << 0 << "Kontakte";
    QTest::newRow("converter: contacts in an IPF.Note folder")
        << QStringList{"Inbox|IPF.Note|0", "Kontakte|IPF.Note|12", "Contacts|IPF.Contact|0"} << 0 << "Kontakte";
    QTest::newRow("converter: IPF.Note folder below the top")
        << QStringList{"Import|IPF.Note|0", "  Adressen|IPF.Note|5"} << 0 << "Adressen";
    QTest::newRow("an IPF.Note folder counts only when no IPF.Contact folder holds contacts")
        << QStringList{"Notizen|IPF.Note|3", "  Kunden|IPF.Contact|2"} << 0 << "Kunden";
    QTest::newRow("shallowest first")
        << QStringList{"Gelöschte Elemente|IPF.Note|0", "  Kontakte|IPF.Contact|50", "Adressbuch|IPF.Contact|1"}
        << 0 << "Adressbuch";
    QTest::newRow("equal depth: the first") << QStringList{"Privat|IPF.Contact|2", "Firma|IPF.Contact|9"} << 0 << "Privat";
    QTest::newRow("hidden folder and what lies below it")
        << QStringList{"Versteckt|IPF.Contact|8|h", "Archiv|IPF.Note|0|h", "  Alt|IPF.Contact|4", "Sichtbar|IPF.Contact|0",
                       "  Unten|IPF.Contact|1"}
        << 0 << "Unten";
    QTest::newRow("search folder") << QStringList{"Alle Kontakte|IPF.Contact|30|s", "Kontakte|IPF.Contact|3"} << 0 << "Kontakte";
    QTest::newRow("folders named by a GUID and subclasses of IPF.Contact")
        << QStringList{"{06967759-274D-40B2-A3EB-D7F9E73727D7}|IPF.Contact|5", "GAL|IPF.Contact.GalContacts|9",
                       "Lync|IPF.Contact.MOC.ImContactList|2", "Kontakte|IPF.Contact|0"}
        << 0 << "Kontakte";
    QTest::newRow("the store's pointer wins, empty or deep")
        << QStringList{"Contacts|IPF.Contact|5", "Privat|IPF.Note|0", "  Meine Kontakte|IPF.Contact|0"} << 3 << "Meine Kontakte";
    QTest::newRow("a pointer outside the tree is passed over") << QStringList{"Contacts|IPF.Contact|5"} << 77 << "Contacts";
    QTest::newRow("an empty contacts folder") << QStringList{"Inbox|IPF.Note|0", "Contacts|IPF.Contact|0"} << 0 << "Contacts";
    QTest::newRow("no contacts folder") << QStringList{"Inbox|IPF.Note|0", "Calendar|IPF.Appointment|0"} << 0 << "";
    QTest::newRow("only Outlook's own folders") << QStringList{"ExternalContacts|IPF.Contact|0", "PersonMetadata|IPF.Contact|2"}
                                                << 0 << "";
    QTest::newRow("no folders") << QStringList{} << 0 << "";
}

void TestOutlookKontakte::choosesTheContactsFolder()
{
    QFETCH(QStringList, ordner);
    QFETCH(int, standard);
    QFETCH(QString, gewaehlt);
    const QVector<OutlookOrdner> b = baum(ordner);
    const int i = OutlookKontakteOrdnerWaehlen(b, quint32(standard));
    QCOMPARE(i < 0 ? QString() : b[i].name, gewaehlt);
}

void TestOutlookKontakte::birthdayAsOutlookShowsIt_data()
{
    QTest::addColumn<QByteArray>("zone");        // this machine's zone
    QTest::addColumn<QDateTime>("gespeichert");  // the UTC time Outlook stored
    QTest::addColumn<QDate>("tag");              // the date Outlook shows; null: none
    const QList<QByteArray> zonen{"Europe/Berlin", "America/New_York", "Pacific/Auckland", "UTC"};
    struct Fall {
        const char* name;
        QDateTime utc;
        QDate tag;
    };
    const QList<Fall> faelle{
        {"saved in Berlin, winter", QDateTime(QDate(1980, 2, 28), QTime(23, 0), Qt::UTC), QDate(1980, 2, 29)},
        {"saved in Berlin, summer", QDateTime(QDate(1975, 7, 13), QTime(22, 0), Qt::UTC), QDate(1975, 7, 14)},
        {"saved in New York", QDateTime(QDate(1990, 3, 5), QTime(5, 0), Qt::UTC), QDate(1990, 3, 5)},
        {"saved in Hawaii", QDateTime(QDate(1990, 3, 5), QTime(10, 0), Qt::UTC), QDate(1990, 3, 5)},
        {"saved in Auckland, summer", QDateTime(QDate(1999, 12, 31), QTime(11, 0), Qt::UTC), QDate(2000, 1, 1)},
        {"saved as a date at UTC midnight", QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC), QDate(2001, 1, 1)},
        {"Outlook's none, saved in Berlin", QDateTime(QDate(4500, 12, 31), QTime(23, 0), Qt::UTC), QDate()},
        {"Outlook's none at UTC midnight", QDateTime(QDate(4501, 1, 1), QTime(0, 0), Qt::UTC), QDate()},
        {"the first day FILETIME knows", QDateTime(QDate(1601, 1, 1), QTime(0, 0), Qt::UTC), QDate()},
    };
    for (const QByteArray& z : zonen)
        for (const Fall& f : faelle)
            QTest::addRow("%s, machine in %s", f.name, z.constData()) << z << f.utc << f.tag;
}

void TestOutlookKontakte::birthdayAsOutlookShowsIt()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, gespeichert);
    QFETCH(QDate, tag);
    Zone z(zone);
    const QDateTime geburtstag = OutlookGeburtstag(filetime(gespeichert));
    QCOMPARE(geburtstag.date(), tag.isValid() ? tag : OutlookKontakt::KeinGeburtstag().date());
    QCOMPARE(OutlookGeburtstag(0), OutlookKontakt::KeinGeburtstag());
    QCOMPARE(OutlookGeburtstag(std::numeric_limits<qint64>::max()), OutlookKontakt::KeinGeburtstag());
}

void TestOutlookKontakte::answerRoundTrip()
{
    QVector<OutlookOrdner> b = baum({"Contacts|IPF.Contact|2", "  Unter\nordner|IPF.Note|0|h", "Suche|IPF.Contact|0|s"});
    OutlookProtokollSchreiber s;
    for (const OutlookOrdner& o : b) {
        s.Feld("ordner", qint64(o.id));
        s.Feld("eltern", qint64(o.eltern));
        s.Feld("tiefe", qint64(o.tiefe));
        s.Feld("name", o.name);
        s.Feld("klasse", o.klasse);
        s.Feld("versteckt", qint64(o.versteckt));
        s.Feld("suche", qint64(o.suchordner));
        s.Feld("kontakte", qint64(o.kontakte));
    }
    s.Feld("standard", qint64(1));
    s.Feld("gewaehlt", qint64(0));
    s.Feld("kontakt", QByteArray(""));
    s.Feld("LastName", QStringLiteral("Müller\n7 ende 2\n"));
    s.Feld("kontakt", QByteArray(""));
    OutlookLeserAntwort a;
    QString grund;
    QVERIFY2(OutlookProtokollLesen(s.Ende(), a, grund), qPrintable(grund));
    QCOMPARE(a.ordner.size(), 3);
    QCOMPARE(a.ordner[1].name, QStringLiteral("Unter\nordner"));
    QCOMPARE(a.ordner[1].eltern, 0);
    QCOMPARE(a.ordner[1].tiefe, 2);
    QVERIFY(a.ordner[1].versteckt);
    QVERIFY(a.ordner[2].suchordner);
    QCOMPARE(a.ordner[0].kontakte, 2);
    QCOMPARE(a.standard, 1u);
    QCOMPARE(a.gewaehlt, 0);
    QCOMPARE(a.kontakte.size(), 2);
    QCOMPARE(a.kontakte[0].value(0).second, QStringLiteral("Müller\n7 ende 2\n").toUtf8());
    QVERIFY(a.kontakte[1].isEmpty());
}

void TestOutlookKontakte::damagedAnswerIsRefused_data()
{
    QTest::addColumn<QByteArray>("daten");
    QTest::addColumn<QString>("grund");
    const QByteArray gut = antwort(baum({"Contacts|IPF.Contact|1"}), 0, {"Meier"});
    QTest::newRow("nothing") << QByteArray() << "Die Antwort endet vor ihrem Abschluss.";
    const QByteArray ohneEnde = gut.left(gut.lastIndexOf("ende "));
    QTest::newRow("cut before the end") << ohneEnde << "Die Antwort endet vor ihrem Abschluss.";
    QTest::newRow("cut inside the end") << gut.left(gut.size() - 1) << "Das Feld \"ende\" ist abgeschnitten.";
    QTest::newRow("more after the end") << gut + "x" << "Nach dem Abschluss folgen weitere Daten.";
    QTest::newRow("count of fields wrong") << ohneEnde + "ende 1\n9\n" << "Die Zahl der Felder stimmt nicht.";
    QTest::newRow("length beyond the data") << QByteArray("vornix2pst 1\n1\nfehler 999\ndatei\n")
                                            << "Das Feld \"fehler\" ist abgeschnitten.";
    QTest::newRow("length beyond the limit") << QByteArray("vornix2pst 1\n1\nname 999999999\n")
                                             << "Ungültige Feldlänge.";
    QTest::newRow("negative length") << QByteArray("vornix2pst 1\n1\nname -1\n") << "Ungültige Feldlänge.";
    QTest::newRow("other version") << QByteArray("vornix2pst 1\n2\nende 1\n1\n")
                                   << "Das Feld \"vornix2pst\" ist keine gültige Zahl.";
    QTest::newRow("no signature") << QByteArray("fehler 5\ndatei\nende 1\n1\n") << "Das Feld \"vornix2pst\" fehlt.";
    QTest::newRow("parent after the child") << QByteArray(antwort(baum({"A|IPF.Contact|0"}), 0)).replace("eltern 2\n-1\n", "eltern 1\n0\n")
                                            << "Das Feld \"eltern\" ist keine gültige Zahl.";
    QTest::newRow("chosen folder outside the tree") << antwort(baum({"A|IPF.Contact|0"}), 1)
                                                    << "Das Feld \"gewaehlt\" ist keine gültige Zahl.";
    QTest::newRow("contacts without a folder") << antwort(baum({"A|IPF.Note|0"}), -1, {"Meier"})
                                               << "Kontakte ohne Kontakteordner.";
}

void TestOutlookKontakte::damagedAnswerIsRefused()
{
    QFETCH(QByteArray, daten);
    QFETCH(QString, grund);
    OutlookLeserAntwort a;
    QString gelesen;
    QVERIFY(!OutlookProtokollLesen(daten, a, gelesen));
    QCOMPARE(gelesen, grund);
    QVERIFY(a.ordner.isEmpty() && a.kontakte.isEmpty());
}

void TestOutlookKontakte::readsTheRealFile()
{
    // The reader beside this test, as beside the program.
    QVERIFY(QFileInfo(OutlookLeserProgramm()).isExecutable());
    QCOMPARE(QFileInfo(OutlookLeserProgramm()).absolutePath(), QCoreApplication::applicationDirPath());
    auto quelle = OutlookDatendateiOeffnen();
    quelle->Start([] { return kEchteDatei; });
    quelle->GetNamespace(QStringLiteral("MAPI"));
    quelle->GetDefaultFolder(kOutlookKontakteOrdner);
    // The distribution list beside the contact is no contact.
    QCOMPARE(quelle->ItemsCount(), 1);
    const OutlookKontakt k = quelle->Item(1);
    QCOMPARE(k.Text(OutlookEigenschaft::FirstName), QStringLiteral("contact"));
    QCOMPARE(k.Text(OutlookEigenschaft::LastName), QStringLiteral("1"));
    QCOMPARE(k.Text(OutlookEigenschaft::Email1Address), QStringLiteral("contact1@rjohnson.id.au"));
    QCOMPARE(k.Text(OutlookEigenschaft::MobileTelephoneNumber), QStringLiteral(""));
    QCOMPARE(k.Gender(), 0);
    QCOMPARE(k.Birthday(), OutlookKontakt::KeinGeburtstag());
    QVERIFY_THROWS_EXCEPTION(OutlookFehler, quelle->Item(2));

    // The reader itself, run by hand: its answer names the store's own contacts folder, and it
    // reports nothing on standard error (no sanitizer finding inside the reader either).
    QProcess leser;
    leser.start(OutlookLeserProgramm(), {kEchteDatei});
    QVERIFY(leser.waitForFinished(60000));
    QCOMPARE(leser.exitStatus(), QProcess::NormalExit);
    QCOMPARE(leser.exitCode(), 0);
    QCOMPARE(leser.readAllStandardError(), QByteArray());
    OutlookLeserAntwort a;
    QString grund;
    QVERIFY2(OutlookProtokollLesen(leser.readAllStandardOutput(), a, grund), qPrintable(grund));
    QVERIFY(a.gewaehlt >= 0);
    QCOMPARE(a.ordner[a.gewaehlt].name, QStringLiteral("Contacts"));
    QCOMPARE(a.ordner[a.gewaehlt].klasse, QStringLiteral("IPF.Contact"));
    QCOMPARE(a.standard, a.ordner[a.gewaehlt].id);
    QCOMPARE(a.ordner[a.gewaehlt].kontakte, 1);
    QStringList namen;
    for (const OutlookOrdner& o : a.ordner)
        namen << o.name;
    QVERIFY2(namen.contains(QStringLiteral("Calendar")) && namen.contains(QStringLiteral("Inbox")), qPrintable(namen.join(u',')));
}

void TestOutlookKontakte::readerOutcomes_data()
{
    QTest::addColumn<QString>("skript");   // the reader's body (sh); $ANTWORT names a prepared answer
    QTest::addColumn<QByteArray>("antwort");
    QTest::addColumn<QString>("stufe");
    QTest::addColumn<QString>("grund");   // %1: the data file
    QTest::addColumn<int>("anzahl");

    const QVector<OutlookOrdner> leer = baum({"Contacts|IPF.Contact|0", "Vorgeschlagene Kontakte|IPF.Contact|3",
                                              "Import|IPF.Note|2"});
    QTest::newRow("contacts only outside the chosen folder")
        << "cat \"$ANTWORT\"" << antwort(leer, 0) << "Auslesen"
        << "Der Kontakteordner \"Contacts\" der Outlook-Datendatei ist leer; ihre 5 Kontakte liegen in anderen "
           "Ordnern (\"Vorgeschlagene Kontakte\", \"Import\") und werden nicht importiert." << -1;
    QTest::newRow("contacts only in Outlook's own folders")
        << "cat \"$ANTWORT\"" << antwort(baum({"PersonMetadata|IPF.Contact|2"}), -1) << "Auslesen"
        << "Die Outlook-Datendatei enthält keinen Kontakteordner; ihre 2 Kontakte liegen in anderen Ordnern "
           "(\"PersonMetadata\") und werden nicht importiert." << -1;
    QTest::newRow("an empty contacts folder and nothing elsewhere")
        << "cat \"$ANTWORT\"" << antwort(baum({"Contacts|IPF.Contact|0"}), 0) << "" << "" << 0;
    QTest::newRow("no contacts folder")
        << "cat \"$ANTWORT\"" << antwort(baum({"Inbox|IPF.Note|0"}), -1) << "Verbindung"
        << "Die Outlook-Datendatei \"%1\" enthält keinen Kontakteordner." << -1;
    QTest::newRow("two contacts") << "cat \"$ANTWORT\"" << antwort(baum({"Contacts|IPF.Contact|2"}), 0, {"A", "B"})
                                  << "" << "" << 2;
#if defined(__SANITIZE_ADDRESS__)
    const QString adressraum = "unlimited";   // the sanitizer's allocator limits instead
#else
    const QString adressraum = QString::number(OutlookLeser().speicherMiB * 1024);
#endif
    QTest::newRow("the reader runs within its limits")
        << "[ \"$(ulimit -t)\" = 2 ] || exit 10; [ \"$(ulimit -v)\" = " + adressraum + " ] || exit 11; cat \"$ANTWORT\""
        << antwort(baum({"Contacts|IPF.Contact|1"}), 0, {"A"}) << "" << "" << 1;
    QTest::newRow("no personal folders") << "printf 'vornix2pst 1\\n1\\nfehler 6\\nordner\\nende 1\\n2\\n'"
                                         << QByteArray() << "Verbindung"
                                         << "Die Outlook-Datendatei \"%1\" enthält keine persönlichen Ordner." << -1;
    QTest::newRow("crash") << "kill -SEGV $$" << QByteArray() << "Verbindung"
                           << "Die Outlook-Datendatei \"%1\" ist beschädigt: das Leseprogramm ist beim Lesen abgestürzt "
                              "oder hat seine Zeit- oder Speichergrenze überschritten." << -1;
    QTest::newRow("crash after half an answer") << "head -c 100 \"$ANTWORT\"; kill -SEGV $$" << antwort(leer, 0)
                                                << "Verbindung"
                                                << "Die Outlook-Datendatei \"%1\" ist beschädigt: das Leseprogramm ist "
                                                   "beim Lesen abgestürzt oder hat seine Zeit- oder Speichergrenze überschritten." << -1;
    QTest::newRow("exit inside the library") << "echo 'pst_malloc: Out Of memory'; exit 1" << QByteArray() << "Verbindung"
                                             << "Die Outlook-Datendatei \"%1\" ist beschädigt: das Leseprogramm hat das "
                                                "Lesen abgebrochen (Rückgabewert 1)." << -1;
    QTest::newRow("hang") << "sleep 30" << QByteArray() << "Verbindung"
                          << "Die Outlook-Datendatei \"%1\" konnte nicht in 2 Sekunden gelesen werden; sie ist beschädigt "
                             "oder zu groß." << -1;
    QTest::newRow("endless loop") << "while :; do :; done" << QByteArray() << "Verbindung"
                                  << "Die Outlook-Datendatei \"%1\" ist beschädigt: das Leseprogramm ist beim Lesen "
                                     "abgestürzt oder hat seine Zeit- oder Speichergrenze überschritten." << -1;
    QTest::newRow("garbage") << "echo Segmentation fault" << QByteArray() << "Verbindung"
                             << "Die Antwort des Leseprogramms für die Outlook-Datendatei \"%1\" ist ungültig: "
                                "Ungültige Feldlänge." << -1;
}

void TestOutlookKontakte::readerOutcomes()
{
    QFETCH(QString, skript);
    QFETCH(QByteArray, antwort);
    QFETCH(QString, stufe);
    QFETCH(QString, grund);
    QFETCH(int, anzahl);
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("kontakte.pst"));
    schreiben(datei, "!BDN");
    const QString antwortDatei = dir.filePath(QStringLiteral("antwort"));
    schreiben(antwortDatei, antwort);
    const QString leser = dir.filePath(QStringLiteral("leser"));
    schreiben(leser, ("#!/bin/sh\nANTWORT='" + antwortDatei + "'\n" + skript + "\n").toUtf8());
    QFile(leser).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    OutlookLeser l;
    l.programm = leser;
    l.sekunden = 2;
    OutlookLeserSetzen(l);
    int gelesen = -1;
    const auto [s, text] = oeffnen(datei, &gelesen);
    QCOMPARE(s, stufe);
    QCOMPARE(text, QString(grund).replace(QLatin1String("%1"), datei));
    QCOMPARE(gelesen, anzahl);
}

void TestOutlookKontakte::missingReaderIsSaid()
{
    QTemporaryDir dir;
    OutlookLeser l;
    l.programm = dir.filePath(QStringLiteral("vornix2-pstreader"));
    OutlookLeserSetzen(l);
    const auto [stufe, text] = oeffnen(kEchteDatei);
    QCOMPARE(stufe, QStringLiteral("Verbindung"));
    QCOMPARE(text, QStringLiteral("Das Leseprogramm für Outlook-Datendateien \"") + l.programm
                       + QStringLiteral("\" fehlt oder kann nicht gestartet werden."));
}

void TestOutlookKontakte::damagedFileNeverCrashes_data()
{
    // Mutations of the real file, found by fuzzing, on which libpst reads outside its buffers
    // and crashes: bytes set at offsets (little-endian values as a fuzzer wrote them).
    QTest::addColumn<Bytes>("bytes");
    const auto werte = [](std::initializer_list<std::pair<qint64, QByteArray>> l) {
        Bytes b;
        for (const auto& [offset, hex] : l) {
            const QByteArray roh = QByteArray::fromHex(hex);
            for (qsizetype i = 0; i < roh.size(); ++i)
                b.append({offset + i, quint8(roh[i])});
        }
        return b;
    };
    QTest::newRow("two bytes of a data block") << werte({{21507, "61"}, {40566, "06"}});
    QTest::newRow("a block id in a folder's block") << werte({{40550, "acae000000000000"}});
    QTest::newRow("a block id set to the index's") << werte({{41014, "f823040000000000"}});
    QTest::newRow("a heap map and an allocation") << werte({{31042, "ffff"}, {32728, "0000"}});
    QTest::newRow("two sizes at their maximum") << werte({{31754, "ffffffff"}, {40566, "ffffffff"}});
    QTest::newRow("a block id and a size beyond the file") << werte({{39478, "f8230400"}, {136560, "ffffff7f"}});
}

void TestOutlookKontakte::damagedFileNeverCrashes()
{
    QFETCH(Bytes, bytes);
    QFile echt(kEchteDatei);
    QVERIFY(echt.open(QIODevice::ReadOnly));
    QByteArray inhalt = echt.readAll();
    for (const auto& [offset, wert] : bytes)
        inhalt[offset] = char(wert);
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("beschaedigt.pst"));
    schreiben(datei, inhalt);
    const auto [stufe, text] = oeffnen(datei);
    // The reader died on it; this process reports it.
    QCOMPARE(stufe, QStringLiteral("Verbindung"));
    QVERIFY2(text.startsWith(QStringLiteral("Die Outlook-Datendatei \"") + datei + QStringLiteral("\" ist beschädigt: das Leseprogramm ")),
             qPrintable(text));
}

QTEST_GUILESS_MAIN(TestOutlookKontakte)
#include "tst_outlookkontakte.moc"
