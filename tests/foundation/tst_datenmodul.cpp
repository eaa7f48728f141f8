#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "foundation/ProgramDir.h"
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>
#include <cerrno>

class TestDatenModul : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void idProceduresStartAtOneAndNeverRepeat();
    void insertWithIdAloneTakesDefaults();
    void textAndBlobRoundTripUtf8();
    void unitRollsBackOnFailure();
    void uncommittedWritesSurviveClose();
    void closeAfterInterruptedSystemCall();
    void readOnlyDatabaseSaysSo();
    void statementsWithTrailingSemicolon();
    void missingDatabaseShowsConnectionMessage();
    void textColumnWidths_data();
    void textColumnWidths();
    void salutationRows();
};

void TestDatenModul::idProceduresStartAtOneAndNeverRepeat()
{
    TestDatabase db;
    QCOMPARE(db.Modul()->GetNewKontakteId(), 1);
    QCOMPARE(db.Modul()->GetNewKontakteId(), 2);
    QCOMPARE(db.Modul()->GetNewKategorienId(), 1);
    QCOMPARE(db.Modul()->GetNewSmsVorlagenId(), 1);
    db.Modul()->Rollback();
    // Sequences are outside transactions: a rolled-back id is not handed out again.
    QCOMPARE(db.Modul()->GetNewKontakteId(), 3);
}

void TestDatenModul::insertWithIdAloneTakesDefaults()
{
    TestDatabase db;
    db.Exec("INSERT INTO kontakte (id) VALUES (7)");
    QSqlQuery q = db.Modul()->Run("SELECT vorname, nachname, firma, mobil, email, geschlecht, mobil_send, "
                                  "email_send, geburtsdatum, mobil_lastsend FROM kontakte WHERE id=7");
    QVERIFY(q.next());
    for (int i = 0; i < 5; ++i)
        QCOMPARE(q.value(i).toString(), QString(""));
    QCOMPARE(q.value(5).toInt(), 1);
    QCOMPARE(q.value(6).toInt(), 1);
    QCOMPARE(q.value(7).toInt(), 1);
    QVERIFY(q.value(8).isNull());
    QVERIFY(q.value(9).isNull());
    db.Exec("INSERT INTO kategorien (id) VALUES (1)");
    db.Exec("INSERT INTO smsvorlagen (id) VALUES (1)");
    db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (7, 1)");
    db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (7, 1)");
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM katzuord WHERE kontakt=7"), QString("2"));
}

void TestDatenModul::textAndBlobRoundTripUtf8()
{
    TestDatabase db;
    const QString text = QString::fromUtf8("Grüße € ß \xF0\x9F\x98\x80 Ωmega");
    db.Modul()->Unit([&] {
        db.Modul()->Run("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES (:d, :c, :t, :s)",
                        {{"d", TDatenModul::Text(QString())}, {"c", text}, {"t", "Tx"}, {"s", 1}});
        db.Modul()->Run("INSERT INTO kontakte (id, vorname) VALUES (1, :v)", {{"v", text.left(20)}});
    });
    QCOMPARE(db.Scalar("SELECT content FROM protokoll"), text);
    QCOMPARE(db.Scalar("SELECT dnr FROM protokoll"), QString(""));
    QCOMPARE(db.Scalar("SELECT vorname FROM kontakte WHERE id=1"), text.left(20));
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte WHERE UPPER(vorname) LIKE '%GRÜSSE%' OR UPPER(vorname) LIKE '%GRÜ%'"),
             QString("1"));
}

void TestDatenModul::unitRollsBackOnFailure()
{
    TestDatabase db;
    bool failed = false;
    try {
        db.Modul()->Unit([&] {
            db.Modul()->Run("INSERT INTO kontakte (id) VALUES (1)");
            db.Modul()->Run("UPDATE kontakte SET vorname=NULL WHERE id=1");   // NOT NULL
        });
    } catch (const DbError& e) {
        failed = !e.Text().isEmpty();
    }
    QVERIFY(failed);
    // A later commit must not make the half-written row permanent.
    db.Exec("INSERT INTO kategorien (id) VALUES (1)");
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte"), QString("0"));
}

void TestDatenModul::uncommittedWritesSurviveClose()
{
    TestProgramDir dir;
    {
        TDatenModul modul;
        QVERIFY(modul.Connect(nullptr));
        modul.Run("INSERT INTO katzuord (kontakt, kategorie) VALUES (1, 2)");
        modul.DataModuleDestroy();
    }
    TDatenModul modul;
    QVERIFY(modul.Connect(nullptr));
    QSqlQuery q = modul.Run("SELECT COUNT(*) FROM katzuord");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 1);
}

void TestDatenModul::closeAfterInterruptedSystemCall()
{
    // A signal that interrupted the event loop leaves errno at EINTR; closing must still end.
    // Runs on a thread of its own, so that a close that never ends fails here instead of
    // hanging the test.
    TestProgramDir dir;
    bool connected = false;
    bool closed = false;
    QThread* worker = QThread::create([&] {
        TDatenModul modul;
        connected = modul.Connect(nullptr);
        if (!connected)
            return;
        modul.Run("INSERT INTO katzuord (kontakt, kategorie) VALUES (3, 4)");
        errno = EINTR;
        modul.DataModuleDestroy();
        closed = !modul.IsConnected();
    });
    worker->start();
    if (!worker->wait(QDeadlineTimer(120000)))
        qFatal("closing the database after EINTR does not end");
    delete worker;
    QVERIFY(connected);
    QVERIFY(closed);
    TDatenModul modul;
    QVERIFY(modul.Connect(nullptr));
    QSqlQuery q = modul.Run("SELECT COUNT(*) FROM katzuord WHERE kontakt=3");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 1);
}

void TestDatenModul::readOnlyDatabaseSaysSo()
{
    TestProgramDir dir;
    const QString file = dir.File(QLatin1String(TDatenModul::kFileName));
    QCOMPARE(QProcess::execute(QStringLiteral("gfix"), {QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                                                        QStringLiteral("-mode"), QStringLiteral("read_only"), file}),
             0);
    TDatenModul modul;
    QVERIFY(modul.Connect(nullptr));
    const QString expected = QString::fromUtf8("Die Datenbank ist schreibgeschützt.");
    for (auto get : {&TDatenModul::GetNewKontakteId, &TDatenModul::GetNewKategorienId,
                     &TDatenModul::GetNewSmsVorlagenId}) {
        try {
            (modul.*get)();
            QFAIL("an id from a read-only database");
        } catch (const DbError& e) {
            QCOMPARE(e.Text(), expected);
        }
    }
    try {
        modul.Run("INSERT INTO kategorien (id, name) VALUES (1, 'x')");
        QFAIL("a write to a read-only database");
    } catch (const DbError& e) {
        QCOMPARE(e.Text(), expected);
    }
    QCOMPARE(modul.KeineIdGrund("GET_NEW_KONTAKTE_ID"), expected);
}

void TestDatenModul::statementsWithTrailingSemicolon()
{
    TestDatabase db;
    QSqlQuery q = db.Modul()->Run("SELECT vorwahl FROM laendervorwahlen;");
    QStringList codes;
    while (q.next())
        codes << q.value(0).toString();
    QVERIFY(codes.contains("49"));
    q = db.Modul()->Run("SELECT t1.id,t1.vorname,t1.nachname,t1.firma,t1.mobil,t1.mobil_lastsend,t1.email,"
                        "COUNT(t2.id) AS c FROM kontakte t1 LEFT JOIN katzuord t2 ON t1.id=t2.kontakt "
                        "GROUP BY t1.id,t1.vorname,t1.nachname,t1.firma,t1.mobil,t1.mobil_lastsend,t1.email;");
    QVERIFY(!q.next());
}

void TestDatenModul::missingDatabaseShowsConnectionMessage()
{
    TestProgramDir dir(false);
    ScriptedMessages messages;
    TDatenModul modul;
    QVERIFY(!modul.DataModuleCreate());
    QCOMPARE(messages.Count(), 1);
    QCOMPARE(messages.Messages().first().kind, Msg::Kind::Error);
    const QString text = messages.Messages().first().text;
    QVERIFY(text.startsWith("Es konnte keine Verbindung zur Datenbank hergestellt werden.\n\rFehlermeldung: "));
    QVERIFY(text.endsWith("\n\rDas Programm kann nicht gestartet werden."));
    QVERIFY(text.size() > 120);   // the engine's own text follows "Fehlermeldung: "
    QVERIFY(!QFile::exists(dir.File("VORNIX2.GDB")));
}

void TestDatenModul::textColumnWidths_data()
{
    // The widths the editors' limits and the imports' cuts rely on, counted in characters.
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("width");
    const QList<QPair<QString, int>> kontakte = {
        {"vorname", 60}, {"nachname", 60}, {"firma", 60}, {"kdnr", 100}, {"mobil", 30}, {"email", 255}};
    const QList<QPair<QString, int>> address = {
        {"strasse", 60}, {"plz", 10}, {"ort", 60}, {"land", 60}, {"telefon", 30}, {"telefax", 30}, {"webseite", 255}};
    for (const auto& [column, width] : kontakte)
        QTest::addRow("kontakte.%s", qPrintable(column)) << "kontakte" << column << width;
    for (const char* prefix : {"p_", "f_"})
        for (const auto& [column, width] : address)
            QTest::addRow("kontakte.%s%s", prefix, qPrintable(column)) << "kontakte" << prefix + column << width;
    QTest::newRow("kategorien.name") << "kategorien" << "name" << 100;
    QTest::newRow("smsvorlagen.name") << "smsvorlagen" << "name" << 100;
    QTest::newRow("protokoll.dnr") << "protokoll" << "dnr" << 25;
    QTest::newRow("protokoll.typ") << "protokoll" << "typ" << 15;
    QTest::newRow("protokoll.contentindex") << "protokoll" << "contentindex" << 250;
}

void TestDatenModul::textColumnWidths()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(int, width);
    TestDatabase db;
    if (table == "protokoll")
        db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('', '', 'Tx', 0)");
    else
        db.Exec("INSERT INTO " + table + " (id) VALUES (1)");
    // Three bytes each in UTF-8: a width in bytes would refuse the full text.
    const QString full = QString(width, QChar(0x20AC));
    db.Modul()->Run("UPDATE " + table + " SET " + column + "=:v", {{"v", full}});
    QCOMPARE(db.Scalar("SELECT " + column + " FROM " + table), full);
    bool refused = false;
    try {
        db.Modul()->Run("UPDATE " + table + " SET " + column + "=:v", {{"v", full + "x"}});
    } catch (const DbError&) {
        refused = true;
    }
    QVERIFY(refused);
}

void TestDatenModul::salutationRows()
{
    TestDatabase db;
    QSqlQuery q = db.Modul()->Run("SELECT id, bezeichnung FROM geschlecht ORDER BY reihenfolge ASC");
    QMap<int, QString> texts;
    while (q.next()) {
        QVERIFY2(!texts.contains(q.value(0).toInt()), "one row per id");
        texts.insert(q.value(0).toInt(), TDatenModul::TextValue(q.value(1)));
    }
    QCOMPARE(texts.keys(), (QList<int>{1, 2, 3}));
    QCOMPARE(texts.value(2), QString("Herr"));
    QCOMPARE(texts.value(3), QString("Frau"));
    QVERIFY(!texts.value(1).trimmed().isEmpty());
}

QTEST_MAIN(TestDatenModul)
#include "tst_datenmodul.moc"
