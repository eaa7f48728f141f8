// The imports' shared writers: rows written in blocks must be exactly the rows written one by
// one, whatever the number of rows, the fields given or a missing birth date; texts are cut to
// their columns.
#include "TestEnv.h"
#include "contacts/KontaktDaten.h"
#include "foundation/DatenModul.h"
#include <QDate>
#include <QSqlQuery>
#include <QtTest>
#include <algorithm>

namespace {
using Spalten = QVector<std::pair<QString, QVariant>>;

// Row i: names always, every third with a birth date, every fifth in another column order,
// every twentieth with only the names (the others keep their defaults).
Spalten spalten(int i)
{
    if (i % 20 == 0)
        return {{"nachname", QString("N%1").arg(i)}, {"vorname", QString("V%1").arg(i)}};
    Spalten s{{"geschlecht", 2 + i % 2},
              {"vorname", QString("V%1").arg(i)},
              {"nachname", QString("N%1").arg(i)},
              {"mobil", QString("0171%1").arg(i)},
              {"mobil_send", i % 2},
              {"p_ort", QString::fromUtf8("Köln %1").arg(i)}};
    if (i % 3 == 0)
        s.append({"geburtsdatum", QDate(1970 + i % 30, 1 + i % 12, 1 + i % 28)});
    if (i % 5 == 0)
        std::reverse(s.begin(), s.end());
    return s;
}

// The same columns as a contact of the import, found by the contact data's column names.
TImportKontakt kontakt(const Spalten& s)
{
    TImportKontakt k;
    for (const auto& [name, wert] : s) {
        const auto& spalten = TKontaktDaten::KontaktSpalten();
        const auto it = std::find_if(spalten.begin(), spalten.end(),
                                     [&](const TKontaktDaten::TKontaktSpalte& c) { return name == QLatin1String(c.name); });
        if (it == spalten.end())
            qFatal("no field for column %s", qPrintable(name));
        k.felder << it->feld;
        if (QString* t = TKontaktDaten::FeldText(k.kontakt, it->feld))
            *t = wert.toString();
        else if (int* z = TKontaktDaten::FeldZahl(k.kontakt, it->feld))
            *z = wert.toInt();
        else
            k.kontakt.geburtsdatum = wert.toDate();
    }
    return k;
}

// Makes the engine refuse a contact whose customer number is "Fehler", as a failing row would.
void fehlerBeiKdnr(TestDatabase& db)
{
    db.Exec("CREATE EXCEPTION import_fehler 'refused'");
    db.Exec("CREATE TRIGGER import_fehler FOR kontakte BEFORE INSERT AS BEGIN "
            "IF (NEW.kdnr = 'Fehler') THEN EXCEPTION import_fehler; END");
}

// Every column of a contact as one line, and its groups.
QString zeile(int id)
{
    QSqlQuery q = DatenModul->Run(
        "SELECT geschlecht, vorname, nachname, firma, mobil, mobil_send, email, geburtsdatum, p_ort, kdnr "
        "FROM kontakte WHERE id=:id",
        {{"id", id}});
    if (!q.next())
        return "missing";
    QStringList f;
    for (int c = 0; c < 10; ++c)
        f << (q.isNull(c) ? "NULL" : q.value(c).toString());
    QSqlQuery g = DatenModul->Run("SELECT kategorie FROM katzuord WHERE kontakt=:id ORDER BY id", {{"id", id}});
    while (g.next())
        f << "G" + g.value(0).toString();
    return f.join('|');
}

// The same row as a plain insert of the given columns gives it.
QString erwartet(int i, int gruppe)
{
    const Spalten s = spalten(i);
    QString names = "id", marks = ":id";
    QVariantMap binds{{"id", 900000 + i}};
    for (const auto& [name, wert] : s) {
        names += "," + name;
        marks += ",:" + name;
        binds.insert(name, wert);
    }
    QString result;
    try {
        DatenModul->Unit([&] {
            DatenModul->Run("INSERT INTO kontakte (" + names + ") VALUES (" + marks + ")", binds);
            if (gruppe > 0)
                DatenModul->Run("INSERT INTO katzuord (kontakt, kategorie) VALUES (:k, :g)",
                                {{"k", 900000 + i}, {"g", gruppe}});
            result = zeile(900000 + i);
            throw DbError("undo");   // only the row's text is wanted
        });
    } catch (const DbError&) {
    }
    return result;
}

// Whether each of the lists' indexes is switched on ("1") or off ("0"), in the order of their names.
QString indizesAn()
{
    QStringList an;
    for (const QString& name : TKontaktDaten::ListenIndizes()) {
        QSqlQuery q = DatenModul->Run("SELECT COALESCE(RDB$INDEX_INACTIVE, 0) FROM RDB$INDICES WHERE "
                                      "TRIM(RDB$INDEX_NAME) = :n", {{"n", name}});
        an << (q.next() ? (q.value(0).toInt() == 0 ? "1" : "0") : "-");
    }
    return an.join("");
}

// The ids of the contacts page's list of all contacts in one order.
QVector<int> liste(int sortIndex)
{
    TKontaktDaten::TKontaktListe l(TKontaktDaten::TKontaktListe::Art::Kontakte, 0, false, QString(), sortIndex);
    QVector<int> ids;
    for (int i = 0; i < l.Anzahl(); ++i)
        ids << l.Zeile(i).id;
    return ids;
}
}

class TestKontaktImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rows_data();
    void rows();
    void failureInBlockLeavesNothing();
    void textsCutToTheirColumns();
    void assignments();
    void indexesOffForALargeImport_data();
    void indexesOffForALargeImport();
    void indexesLeftOffAreSwitchedOnAtStart();
};

void TestKontaktImport::rows_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("gruppe");
    QTest::newRow("one") << 1 << 5;
    QTest::newRow("one block less one") << 7 << 5;
    QTest::newRow("blocks and a rest, no group") << 43 << 0;
    QTest::newRow("many, with group") << 150 << 5;
}

void TestKontaktImport::rows()
{
    QFETCH(int, count);
    QFETCH(int, gruppe);
    TestDatabase db;
    ScriptedMessages messages;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (5, 'Import')");
    QVector<int> ids;
    DatenModul->Unit([&] {
        TKontaktDaten::TKontaktImport import(gruppe);
        for (int i = 1; i <= count; ++i)
            ids.append(import.Importiere(kontakt(spalten(i))));
        import.Abschliessen();
    });
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte"), QString::number(count));
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM katzuord"), QString::number(gruppe > 0 ? count : 0));
    for (int i = 1; i <= count; ++i) {
        QVERIFY(i == 1 || ids[i - 1] > ids[i - 2]);   // new ids in the order of the rows
        QCOMPARE(zeile(ids[i - 1]), erwartet(i, gruppe));
    }
}

void TestKontaktImport::failureInBlockLeavesNothing()
{
    TestDatabase db;
    ScriptedMessages messages;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (5, 'Import')");
    fehlerBeiKdnr(db);
    bool failed = false;
    try {
        DatenModul->Unit([&] {
            TKontaktDaten::TKontaktImport import(5);
            for (int i = 1; i <= 20; ++i) {
                Spalten s = spalten(i);
                if (i == 12)   // in the middle of the second block
                    s.append({"kdnr", QString("Fehler")});
                import.Importiere(kontakt(s));
            }
            import.Abschliessen();
        });
    } catch (const DbError&) {
        failed = true;
    }
    QVERIFY(failed);
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte"), QString("0"));
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM katzuord"), QString("0"));
}

// Each text is cut to its column's width, which is the table's own; a null text is written as "".
void TestKontaktImport::textsCutToTheirColumns()
{
    TestDatabase db;
    ScriptedMessages messages;
    TImportKontakt lang, leer;
    lang.felder = leer.felder = TKontaktFelder::Alle();
    for (const TKontaktDaten::TKontaktSpalte& c : TKontaktDaten::KontaktSpalten())
        if (QString* t = TKontaktDaten::FeldText(lang.kontakt, c.feld))
            *t = QString(300, QChar(0x00E4));
    int idLang = 0, idLeer = 0;
    DatenModul->Unit([&] {
        TKontaktDaten::TKontaktImport import(0);
        idLang = import.Importiere(lang);
        idLeer = import.Importiere(leer);
        import.Abschliessen();
    });
    int texte = 0;
    for (const TKontaktDaten::TKontaktSpalte& c : TKontaktDaten::KontaktSpalten()) {
        if (c.breite == 0) {
            QVERIFY(!TKontaktDaten::FeldText(lang.kontakt, c.feld));
            continue;
        }
        ++texte;
        const QString spalte = QString::fromLatin1(c.name);
        const QString breite = db.Scalar(
            "SELECT f.RDB$CHARACTER_LENGTH FROM RDB$RELATION_FIELDS r JOIN RDB$FIELDS f "
            "ON f.RDB$FIELD_NAME = r.RDB$FIELD_SOURCE WHERE r.RDB$RELATION_NAME = 'KONTAKTE' "
            "AND TRIM(r.RDB$FIELD_NAME) = '" + spalte.toUpper() + "'");
        QCOMPARE(QString::number(c.breite), breite);
        QCOMPARE(db.Scalar(QString("SELECT CHAR_LENGTH(%1) FROM kontakte WHERE id=%2").arg(spalte).arg(idLang)),
                 breite);
        QCOMPARE(db.Scalar(QString("SELECT COALESCE(CHAR_LENGTH(%1), -1) FROM kontakte WHERE id=%2")
                               .arg(spalte)
                               .arg(idLeer)),
                 QString("0"));
    }
    QCOMPARE(texte, 20);
    QCOMPARE(db.Scalar(QString("SELECT COUNT(*) FROM kontakte WHERE id=%1 AND geburtsdatum IS NULL").arg(idLeer)),
             QString("1"));
}

void TestKontaktImport::assignments()
{
    TestDatabase db;
    ScriptedMessages messages;
    QString want;
    DatenModul->Unit([&] {
        TKontaktDaten::TZuordnungImport schreiben;
        for (int i = 1; i <= 70; ++i) {
            schreiben.Importiere(i, 1 + i % 3);
            want += QString("%1:%2,").arg(i).arg(1 + i % 3);
        }
        schreiben.Abschliessen();
    });
    QString have;
    QSqlQuery q = DatenModul->Run("SELECT kontakt, kategorie FROM katzuord ORDER BY id");
    while (q.next())
        have += QString("%1:%2,").arg(q.value(0).toInt()).arg(q.value(1).toInt());
    QCOMPARE(have, want);
}

void TestKontaktImport::indexesOffForALargeImport_data()
{
    QTest::addColumn<int>("vorher");    // contacts in the table before
    QTest::addColumn<bool>("fehler");   // the import fails on its last row
    QTest::addColumn<bool>("aus");      // the indexes were switched off for it
    QTest::newRow("into an empty table") << 0 << false << true;
    QTest::newRow("into a smaller table") << 15 << false << true;
    QTest::newRow("failed") << 15 << true << true;
    QTest::newRow("into a larger table") << 45 << false << false;
}

// Off for the import, on again after it, also when it fails; the lists, one of them open on the
// read connection all along, show the same rows in the same orders as without.
void TestKontaktImport::indexesOffForALargeImport()
{
    QFETCH(int, vorher);
    QFETCH(bool, fehler);
    QFETCH(bool, aus);
    TestDatabase db;
    ScriptedMessages messages;
    QVERIFY(TKontaktDaten::SichereListenIndizes());
    fehlerBeiKdnr(db);
    const QString alleAn = QString(TKontaktDaten::ListenIndizes().size(), '1');
    QCOMPARE(indizesAn(), alleAn);
    DatenModul->Unit([&] {
        TKontaktDaten::TKontaktImport import(0);
        for (int i = 1; i <= vorher; ++i)
            import.Importiere(kontakt(spalten(1000 - i)));
        import.Abschliessen();
    });
    TKontaktDaten::TKontaktListe offen(TKontaktDaten::TKontaktListe::Art::Kontakte, 0, false, QString(), 0);
    const int vorherAnzahl = offen.Anzahl();
    QCOMPARE(offen.Zeile(0).id > 0, vorher > 0);
    try {
        const TKontaktDaten::TListenIndizesAus indizesAus(30, 1);
        QCOMPARE(indizesAus.Aus(), aus);
        QCOMPARE(indizesAn(), aus ? QString(alleAn.size(), '0') : alleAn);
        DatenModul->Unit([&] {
            TKontaktDaten::TKontaktImport import(0);
            for (int i = 1; i <= 30; ++i) {
                Spalten s = spalten(i);
                if (fehler && i == 30)
                    s.append({"kdnr", QString("Fehler")});
                import.Importiere(kontakt(s));
            }
            import.Abschliessen();
        });
        QVERIFY(!fehler);
    } catch (const DbError&) {
        QVERIFY(fehler);
    }
    QCOMPARE(indizesAn(), alleAn);
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte"), QString::number(vorher + (fehler ? 0 : 30)));
    // The list opened before reads on; a new one in each order is the engine's own order.
    QCOMPARE(offen.Anzahl(), vorherAnzahl);
    for (int i = 0; i < vorherAnzahl; ++i)
        QVERIFY(offen.Zeile(i).id > 0);
    const char* const orders[] = {"nachname, vorname, firma, id", "vorname, nachname, firma, id",
                                  "firma, nachname, vorname, id", "mobil, nachname, vorname, firma, id"};
    for (int sort = 0; sort < 4; ++sort) {
        QVector<int> expected;
        QSqlQuery q = DatenModul->Run(QString("SELECT id FROM kontakte ORDER BY ") + orders[sort]);
        while (q.next())
            expected << q.value(0).toInt();
        QCOMPARE(liste(sort), expected);
    }
}

void TestKontaktImport::indexesLeftOffAreSwitchedOnAtStart()
{
    TestDatabase db;
    ScriptedMessages messages;
    QVERIFY(TKontaktDaten::SichereListenIndizes());
    fehlerBeiKdnr(db);
    const QString alleAn = QString(TKontaktDaten::ListenIndizes().size(), '1');
    // As a killed import leaves them.
    for (const QString& name : TKontaktDaten::ListenIndizes())
        db.Exec("ALTER INDEX " + name + " INACTIVE");
    QCOMPARE(indizesAn(), QString(alleAn.size(), '0'));
    QVERIFY(TKontaktDaten::SichereListenIndizes());
    QCOMPARE(indizesAn(), alleAn);
}

QTEST_GUILESS_MAIN(TestKontaktImport)
#include "tst_kontaktimport.moc"
