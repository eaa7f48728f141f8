#include "platform/OutlookKontakte.h"
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The libpst source's ways to fail while Outlook is "started", and the fake that stands in for
// Outlook in the import tests.
class TestOutlookKontakte : public QObject {
    Q_OBJECT
private slots:
    void init() { qunsetenv(kOutlookDatenVariable); }
    void cleanup() { qunsetenv(kOutlookDatenVariable); }

    void startFailsWithReason_data();
    void startFailsWithReason();
    void environmentBeatsTheChoice();
    void fakeFailsAtTheStageAsked();

private:
    QTemporaryDir m_dir;
};

void TestOutlookKontakte::startFailsWithReason_data()
{
    QTest::addColumn<QString>("umgebung");   // VORNIX2_OUTLOOK_DATA, "" for none
    QTest::addColumn<QString>("gewaehlt");   // the file dialog's answer, "" for cancelled
    QTest::addColumn<QByteArray>("inhalt");  // written to the chosen file; null: no file
    QTest::addColumn<QString>("grund");

    const QString datei = m_dir.filePath(QStringLiteral("kontakte.pst"));
    QTest::newRow("choice cancelled") << "" << "" << QByteArray() << "Es wurde keine Outlook-Datendatei ausgewählt.";
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
    if (!inhalt.isNull()) {
        QFile f(datei);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    }
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

QTEST_GUILESS_MAIN(TestOutlookKontakte)
#include "tst_outlookkontakte.moc"
