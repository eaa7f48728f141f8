// The imports' shared writers: rows written in blocks must be exactly the rows written one by
// one, whatever the number of rows, the order of the columns or a missing birth date.
#include "TestEnv.h"
#include "contacts/KontaktDaten.h"
#include "foundation/DatenModul.h"
#include <QDate>
#include <QSqlQuery>
#include <QtTest>

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
}

class TestKontaktImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rows_data();
    void rows();
    void failureInBlockLeavesNothing();
    void assignments();
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
            ids.append(import.Importiere(spalten(i)));
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
    bool failed = false;
    try {
        DatenModul->Unit([&] {
            TKontaktDaten::TKontaktImport import(5);
            for (int i = 1; i <= 20; ++i) {
                Spalten s = spalten(i);
                if (i == 12)   // in the middle of the second block: longer than the column
                    s.append({"p_plz", QString(11, '9')});
                import.Importiere(s);
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

QTEST_GUILESS_MAIN(TestKontaktImport)
#include "tst_kontaktimport.moc"
