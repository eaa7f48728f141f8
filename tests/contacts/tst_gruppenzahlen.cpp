// The group counts the database keeps beside the assignments: exact after every kind of write,
// added to a database made before them, and shown by the SMS page; the search's two ways of
// reading its rows give the same rows in the same order.
#include "TestEnv.h"
#include "TestSession.h"
#include "contacts/KontaktDaten.h"
#include "foundation/DatenModul.h"
#include "sms/SmsPage.h"
#include <QListWidget>
#include <QSqlQuery>
#include <QtTest>
#include <functional>
#include <map>

namespace {
using Zahlen = std::map<int, int>;   // group -> members; key -1: all contacts

// Counted afresh from the tables (assignments to existing contacts, a pair twice counted twice).
Zahlen frisch()
{
    Zahlen z;
    QSqlQuery q = DatenModul->Run("SELECT t2.kategorie, COUNT(*) FROM katzuord t2 JOIN kontakte t1 ON "
                                  "t1.id = t2.kontakt WHERE t2.kategorie IS NOT NULL GROUP BY t2.kategorie");
    while (q.next())
        z[q.value(0).toInt()] = q.value(1).toInt();
    QSqlQuery a = DatenModul->Run("SELECT COUNT(*) FROM kontakte");
    z[-1] = a.next() ? a.value(0).toInt() : -1;
    return z;
}

// What the contact data hand out (a group without members is left out, as the fresh count does).
Zahlen gehalten()
{
    Zahlen z;
    const QHash<int, int> h = TKontaktDaten::KontaktAnzahlen();
    for (auto it = h.cbegin(); it != h.cend(); ++it)
        if (it.value() != 0)
            z[it.key()] = it.value();
    z[-1] = TKontaktDaten::KontaktAnzahl(0);
    for (int g : {1, 2, 3, 7})
        if (TKontaktDaten::KontaktAnzahl(g) != (z.count(g) ? z[g] : 0))
            z[1000 + g] = TKontaktDaten::KontaktAnzahl(g);   // the single count disagrees
    return z;
}

QString text(const Zahlen& z)
{
    QStringList s;
    for (const auto& [k, v] : z)
        s << QString("%1:%2").arg(k).arg(v);
    return s.join(' ');
}

bool gefuehrt(TestDatabase& db)
{
    return db.Scalar("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME IN "
                     "('KATZUORD_ANZAHL','KONTAKTE_ANZAHL_NEU','KONTAKTE_ANZAHL_WEG')") == "3";
}

// Contacts 1..20; groups 1..3 (names "A".."C"); contact i in group 1 + i % 3, every fifth also
// in group 2, contact 3 twice in group 1; an assignment to the missing contact 99.
void seed(TestDatabase& db)
{
    db.Exec(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN
WHILE ("I" <= 20) DO BEGIN
  INSERT INTO kontakte (id, vorname, nachname, mobil) VALUES (:"I", 'V' || :"I", 'N' || :"I", '4917100' || :"I");
  INSERT INTO katzuord (kontakt, kategorie) VALUES (:"I", 1 + MOD(:"I", 3));
  IF (MOD(:"I", 5) = 0) THEN INSERT INTO katzuord (kontakt, kategorie) VALUES (:"I", 2);
  "I" = "I" + 1;
END
END)");
    db.Exec("ALTER SEQUENCE GEN_KONTAKTE_ID RESTART WITH 1000");
    db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (3, 1)");
    db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (99, 3)");
    for (int g : {1, 2, 3})
        db.Exec(QString("INSERT INTO kategorien (id, name) VALUES (%1, '%2')").arg(g).arg(QChar('A' + g - 1)));
}

void commit(const std::function<void()>& f) { DatenModul->Unit(f); }
}

class TestGruppenZahlen : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void countsAfterWrites_data();
    void countsAfterWrites();
    void failedUnitLeavesCounts();
    void smsPageShowsCounts();
    void olderDatabaseGetsCounts();
    void largeImportCountsOnce();
    void searchReadsSameRows_data();
    void searchReadsSameRows();
};

void TestGruppenZahlen::countsAfterWrites_data()
{
    QTest::addColumn<int>("op");
    const char* const names[] = {
        "save new contact in two groups", "save contact with other groups", "save contact in a group twice",
        "delete contact", "delete several contacts", "drag onto a group", "add one assignment",
        "delete group", "empty group", "delete contacts of a group", "delete all contacts",
        "import into a group", "earlier edition: assignment before its contact",
        "assignment moved and nulled", "contact with a null group",
    };
    for (int i = 0; i < int(std::size(names)); ++i)
        QTest::newRow(names[i]) << i;
}

void TestGruppenZahlen::countsAfterWrites()
{
    QFETCH(int, op);
    TestDatabase db;
    ScriptedMessages msgs;
    seed(db);
    QVERIFY(gefuehrt(db));
    QCOMPARE(text(gehalten()), text(frisch()));
    namespace K = TKontaktDaten;
    switch (op) {
    case 0: commit([] { int id = -1; K::SpeichereKontakt(id, TKontakt(), {1, 2}); }); break;
    case 1: commit([] { int id = 5; TKontakt k; K::LadeKontakt(5, k); K::SpeichereKontakt(id, k, {3}); }); break;
    case 2: commit([] { int id = 6; TKontakt k; K::LadeKontakt(6, k); K::SpeichereKontakt(id, k, {1, 1}); }); break;
    case 3: K::DeleteKontakt(3); break;
    case 4: K::DeleteKontakte({1, 5, 10, 99}); break;
    case 5: commit([] { K::AddKategorieZuordnungen({1, 2, 3, 4, 5, 6}, 3); }); break;
    case 6: commit([] { K::AddKategorieZuordnung(7, 2); }); break;
    case 7: K::DeleteKategorie(2); break;
    case 8: K::DeleteKategorieZuordnungen(1); break;
    case 9: K::DeleteKontakteOfKategorie(2); break;
    case 10: K::DeleteKontakteOfKategorie(0); break;
    case 11:
        commit([] {
            K::TKontaktImport imp(3);
            for (int i = 0; i < 40; ++i)
            {
                TKontakt k;
                k.nachname = QString("Import%1").arg(i);
                k.mobil = QString("4917200%1").arg(i);
                imp.Importiere(k, {TKontaktFeld::Nachname, TKontaktFeld::Mobil});
            }
            imp.Abschliessen();
        });
        break;
    case 12:
        db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (500, 7)");
        db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (500, 7)");
        QCOMPARE(text(gehalten()), text(frisch()));
        db.Exec("INSERT INTO kontakte (id, nachname) VALUES (500, 'Spaet')");
        db.Exec("INSERT INTO kontakte (id, nachname) VALUES (99, 'Auch spaet')");
        break;
    case 13:
        db.Exec("UPDATE katzuord SET kategorie = 7 WHERE kategorie = 2");
        QCOMPARE(text(gehalten()), text(frisch()));
        db.Exec("UPDATE katzuord SET kontakt = 99 WHERE kontakt = 3");
        QCOMPARE(text(gehalten()), text(frisch()));
        db.Exec("UPDATE katzuord SET kategorie = NULL WHERE kontakt = 1");
        break;
    case 14:
        db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (2, NULL)");
        db.Exec("DELETE FROM kontakte WHERE id = 2");
        break;
    }
    QCOMPARE(text(gehalten()), text(frisch()));
    QCOMPARE(msgs.Count(), 0);
}

void TestGruppenZahlen::failedUnitLeavesCounts()
{
    TestDatabase db;
    seed(db);
    const QString before = text(frisch());
    // A unit that wrote assignments and contacts, then failed: its counts go with its rows.
    QVERIFY_THROWS_EXCEPTION(DbError, DatenModul->Unit([] {
        TKontaktDaten::AddKategorieZuordnungen({1, 2, 3}, 1);
        DatenModul->Run("INSERT INTO kontakte (id) VALUES (300)");
        DatenModul->Run("INSERT INTO kontakte (id) VALUES (1)");   // a duplicate key
    }));
    QCOMPARE(text(gehalten()), before);
    QCOMPARE(text(frisch()), before);
    // An import left uncommitted (its failure rolls nothing back): the counts see its rows now
    // and after the next commit.
    TKontaktDaten::TKontaktImport imp(1);
    TKontakt offen;
    offen.nachname = "Offen";
    imp.Importiere(offen, {TKontaktFeld::Nachname});
    imp.Abschliessen();
    QCOMPARE(text(gehalten()), text(frisch()));
    DatenModul->Commit();
    QCOMPARE(text(gehalten()), text(frisch()));
}

void TestGruppenZahlen::smsPageShowsCounts()
{
    TestDatabase db;
    ScriptedMessages msgs;
    TestSession host;
    seed(db);
    TSmsPage page(host.session, TSmsDialoge{});
    page.show();
    const auto items = [&] {
        page.Load();
        auto* list = page.findChild<QListWidget*>("ListBox_Sms_Kontaktgruppen");
        QStringList out;
        for (int i = 0; list && i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    };
    const auto expected = [] {
        const Zahlen z = frisch();
        const auto n = [&](int k) {
            const int c = z.count(k) ? z.at(k) : 0;
            return c == 1 ? QString("1 Eintrag") : QString("%1 Einträge").arg(c);
        };
        QStringList out{"[alle Kontakte] (" + n(-1) + ")"};
        for (int g : {1, 2, 3})
            out << QString("%1 (%2)").arg(QChar('A' + g - 1)).arg(n(g));
        return out;
    };
    QCOMPARE(items(), expected());
    QCOMPARE(items().value(1), QString("A (7 Einträge)"));   // 6 members, one of them twice
    TKontaktDaten::DeleteKontakte({3, 6});
    commit([] { TKontaktDaten::AddKategorieZuordnungen({1, 2}, 2); });
    db.Exec("INSERT INTO kontakte (id) VALUES (99)");   // the loose assignment to group C counts now
    QCOMPARE(items(), expected());
    QCOMPARE(msgs.Count(), 0);
}

void TestGruppenZahlen::olderDatabaseGetsCounts()
{
    TestDatabase db;
    ScriptedMessages msgs;
    seed(db);
    const QString kept = text(frisch());
    const auto tabellen = [&] {
        return db.Scalar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME IN "
                         "('KATEGORIE_ANZAHL','KONTAKTE_ANZAHL')");
    };
    // A database made before the counts: no triggers, no tables.
    db.Modul()->ReleaseReadDatabase();
    for (const char* t : {"KATZUORD_ANZAHL", "KONTAKTE_ANZAHL_NEU", "KONTAKTE_ANZAHL_WEG"})
        db.Exec(QString("DROP TRIGGER ") + t);
    db.Exec("DROP TABLE kategorie_anzahl");
    db.Exec("DROP TABLE kontakte_anzahl");
    QCOMPARE(tabellen(), "0");
    // Until the start adds them, the data count the tables.
    QCOMPARE(text(gehalten()), kept);
    db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (8, 3)");
    QCOMPARE(text(gehalten()), text(frisch()));
    TKontaktDaten::TKontaktListe alle(TKontaktDaten::TKontaktListe::Art::SmsKontakte, 1, false, {}, 0);
    QCOMPARE(alle.Anzahl(), frisch()[1]);

    QVERIFY(TKontaktDaten::SichereKontaktAnzahlen());
    QVERIFY(gefuehrt(db));
    QCOMPARE(tabellen(), "2");
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte_anzahl"), "1");
    QCOMPARE(text(gehalten()), text(frisch()));
    QVERIFY(TKontaktDaten::SichereKontaktAnzahlen());   // nothing left to add
    TKontaktDaten::DeleteKontakt(8);
    QCOMPARE(text(gehalten()), text(frisch()));

    // A start that ended between the tables and the triggers: stale rows, no triggers.
    db.Modul()->ReleaseReadDatabase();
    db.Exec("DROP TRIGGER KATZUORD_ANZAHL");
    db.Exec("UPDATE kategorie_anzahl SET anzahl = 77");
    db.Exec("INSERT INTO kontakte_anzahl (anzahl) VALUES (5)");
    QCOMPARE(text(gehalten()), text(frisch()));
    QVERIFY(TKontaktDaten::SichereKontaktAnzahlen());
    QVERIFY(gefuehrt(db));
    QCOMPARE(text(gehalten()), text(frisch()));
    commit([] { TKontaktDaten::AddKategorieZuordnungen({9, 10, 11}, 1); });
    QCOMPARE(text(gehalten()), text(frisch()));
    QCOMPARE(msgs.Count(), 0);
}

// A large import switches the triggers off and counts once at its end; one that never ended
// leaves them off until the next start counts and switches them on.
void TestGruppenZahlen::largeImportCountsOnce()
{
    TestDatabase db;
    ScriptedMessages msgs;
    seed(db);
    const auto aktiv = [&] {
        return db.Scalar("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME IN ('KATZUORD_ANZAHL',"
                         "'KONTAKTE_ANZAHL_NEU','KONTAKTE_ANZAHL_WEG') AND COALESCE(RDB$TRIGGER_INACTIVE, 0) = 0");
    };
    const auto importiere = [](int n) {
        TKontaktDaten::TKontaktImport imp(2);
        TKontakt k;
        for (int i = 0; i < n; ++i) {
            k.nachname = QString("Gross%1").arg(i);
            imp.Importiere(k, {TKontaktFeld::Nachname});
        }
        imp.Abschliessen();
    };
    {
        const TKontaktDaten::TListenIndizesAus aus(20000);
        QVERIFY(aus.Aus());
        QCOMPARE(aktiv(), "0");
        commit([&] { importiere(30); });
        QCOMPARE(text(gehalten()), text(frisch()));   // counted by the statements meanwhile
    }
    QCOMPARE(aktiv(), "3");
    QCOMPARE(text(gehalten()), text(frisch()));
    QCOMPARE(db.Scalar("SELECT anzahl FROM kategorie_anzahl WHERE kategorie = 2"), QString::number(frisch()[2]));

    // Killed during the import: the triggers stay off, the next start repairs.
    db.Modul()->ReleaseReadDatabase();
    for (const char* t : {"KATZUORD_ANZAHL", "KONTAKTE_ANZAHL_NEU", "KONTAKTE_ANZAHL_WEG"})
        db.Exec(QString("ALTER TRIGGER ") + t + " INACTIVE");
    commit([&] { importiere(10); });
    QCOMPARE(text(gehalten()), text(frisch()));
    QVERIFY(TKontaktDaten::SichereKontaktAnzahlen());
    QCOMPARE(aktiv(), "3");
    QCOMPARE(db.Scalar("SELECT anzahl FROM kategorie_anzahl WHERE kategorie = 2"), QString::number(frisch()[2]));
    commit([&] { importiere(5); });
    QCOMPARE(db.Scalar("SELECT anzahl FROM kategorie_anzahl WHERE kategorie = 2"), QString::number(frisch()[2]));
    QCOMPARE(msgs.Count(), 0);
}

void TestGruppenZahlen::searchReadsSameRows_data()
{
    QTest::addColumn<QString>("suche");
    QTest::addColumn<int>("kategorie");
    QTest::newRow("rare") << "selten" << 0;
    QTest::newRow("rare in a group") << "selten" << 1;
    QTest::newRow("frequent") << "haeufig" << 0;
    QTest::newRow("frequent in a group") << "haeufig" << 1;
    QTest::newRow("none") << "nirgends" << 0;
}

// More hits than a search reads by their ids, and a few, in every order of both lists.
void TestGruppenZahlen::searchReadsSameRows()
{
    QFETCH(QString, suche);
    QFETCH(int, kategorie);
    TestDatabase db;
    ScriptedMessages msgs;
    db.Exec(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN
WHILE ("I" <= 9000) DO BEGIN
  INSERT INTO kontakte (id, vorname, nachname, firma, mobil, email, mobil_lastsend)
  VALUES (:"I", 'V' || MOD(:"I", 7), IIF(MOD(:"I", 2) = 0, 'Haeufig', 'N') || MOD(:"I", 13),
    IIF(MOD(:"I", 997) = 0, 'Selten AG', ''), '49' || MOD(:"I", 50), 'e' || MOD(:"I", 11) || '@x.de',
    IIF(MOD(:"I", 3) = 0, NULL, DATEADD(MOD(:"I", 17) DAY TO TIMESTAMP '2020-01-01 10:00:00')));
  IF (MOD(:"I", 3) = 0) THEN INSERT INTO katzuord (kontakt, kategorie) VALUES (:"I", 1);
  IF (MOD(:"I", 6) = 0) THEN INSERT INTO katzuord (kontakt, kategorie) VALUES (:"I", 1);
  "I" = "I" + 1;
END
END)");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'G')");
    using Art = TKontaktDaten::TKontaktListe::Art;
    const QString like = "(UPPER(vorname) LIKE '%" + suche.toUpper() + "%' OR UPPER(nachname) LIKE '%"
        + suche.toUpper() + "%' OR UPPER(firma) LIKE '%" + suche.toUpper() + "%')";
    const QStringList orders{"nachname, vorname, firma, id", "vorname, nachname, firma, id",
                             "firma, nachname, vorname, id", "mobil, nachname, vorname, firma, id"};
    for (Art art : {Art::Kontakte, Art::SmsKontakte}) {
        for (int order = 0; order < (art == Art::Kontakte ? 4 : 2); ++order) {
            // The engine's own order of the same rows (ties by id, then assignment).
            QString sql;
            if (kategorie == 0)
                sql = "SELECT id FROM kontakte WHERE " + like + " ORDER BY " + orders[order];
            else if (art == Art::SmsKontakte)
                sql = "SELECT k.id FROM katzuord z JOIN kontakte k ON k.id = z.kontakt WHERE z.kategorie = 1 AND "
                    + QString(like).replace("UPPER(", "UPPER(k.") + " ORDER BY k."
                    + QString(orders[order]).replace(", ", ", k.") + ", z.id";
            else
                sql = "SELECT id FROM kontakte WHERE EXISTS (SELECT 1 FROM katzuord z WHERE z.kontakt = kontakte.id "
                      "AND z.kategorie = 1) AND " + like + " ORDER BY " + orders[order];
            QVector<int> expected;
            QSqlQuery q = DatenModul->Run(sql);
            while (q.next())
                expected << q.value(0).toInt();
            TKontaktDaten::TKontaktListe l(art, kategorie, true, suche, order);
            QCOMPARE(l.Anzahl(), expected.size());
            QVector<int> got;
            for (int i = l.Anzahl() - 1; i >= 0; --i)   // from the end: every page read by skipping
                got.prepend(l.Zeile(i).id);
            QCOMPARE(got, expected);
            if (!expected.isEmpty()) {
                for (int id : {expected.first(), expected.last(), expected[expected.size() / 2]})
                    QCOMPARE(l.Position(id), int(expected.indexOf(id)));
            }
        }
    }
    QCOMPARE(msgs.Count(), 0);
}

QTEST_MAIN(TestGruppenZahlen)
#include "tst_gruppenzahlen.moc"
