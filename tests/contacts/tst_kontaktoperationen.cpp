// The delete and assignment operations that the contacts page, the drop and the imports share.
#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "contacts/KontaktDaten.h"
#include <QSqlQuery>
#include <QtTest>

namespace {
const char* const kKontakte = "SELECT LIST(id) FROM (SELECT id FROM kontakte ORDER BY id)";
const char* const kKategorien = "SELECT LIST(id) FROM (SELECT id FROM kategorien ORDER BY id)";
const char* const kPaare = "SELECT LIST(kontakt||':'||kategorie) FROM (SELECT kontakt, kategorie FROM katzuord "
                           "ORDER BY kontakt, kategorie)";

// What a second connection sees: only committed rows.
QString committed(TDatenModul* modul, const char* sql)
{
    modul->RefreshReadDatabase();
    QSqlQuery q(modul->ReadDatabase());
    if (!q.exec(QString::fromLatin1(sql)) || !q.next())
        return QStringLiteral("?");
    return TDatenModul::TextValue(q.value(0));
}
}

class TestKontaktOperationen : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void operations_data();
    void operations();
    void membersOfALargeGroup();
};

void TestKontaktOperationen::operations_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<QString>("kontakte");
    QTest::addColumn<QString>("kategorien");
    QTest::addColumn<QString>("paare");
    QTest::addColumn<bool>("commits");
    // Contacts 1-4; groups 1, 2 and the empty 3; contact 1 is in group 1 twice.
    const QString k = "1,2,3,4", g = "1,2,3", p = "1:1,1:1,2:1,2:2,3:2";
    QTest::newRow("delete a contact in a group twice") << "DeleteKontakt" << 1 << 0 << "2,3,4" << g << "2:1,2:2,3:2" << true;
    QTest::newRow("delete a contact that is gone") << "DeleteKontakt" << 99 << 0 << k << g << p << true;
    QTest::newRow("assign") << "AddKategorieZuordnung" << 4 << 1 << k << g << "1:1,1:1,2:1,2:2,3:2,4:1" << false;
    QTest::newRow("assign again: duplicate pair left") << "AddKategorieZuordnung" << 1 << 1 << k << g << p << false;
    QTest::newRow("assign to entry 0") << "AddKategorieZuordnung" << 4 << 0 << k << g << p << false;
    QTest::newRow("assign to -1") << "AddKategorieZuordnung" << 4 << -1 << k << g << p << false;
    QTest::newRow("assign contact 0") << "AddKategorieZuordnung" << 0 << 1 << k << g << p << false;
    QTest::newRow("assign contact -1") << "AddKategorieZuordnung" << -1 << 1 << k << g << p << false;
    QTest::newRow("delete a group, members stay") << "DeleteKategorie" << 1 << 0 << k << "2,3" << "2:2,3:2" << true;
    QTest::newRow("empty a group") << "DeleteKategorieZuordnungen" << 2 << 0 << k << g << "1:1,1:1,2:1" << true;
    QTest::newRow("delete members, from every group") << "DeleteKontakteOfKategorie" << 1 << 0 << "3,4" << g << "3:2" << true;
    QTest::newRow("delete members of an empty group") << "DeleteKontakteOfKategorie" << 3 << 0 << k << g << p << true;
    QTest::newRow("delete all contacts, groups stay") << "DeleteKontakteOfKategorie" << 0 << 0 << "" << g << "" << true;
}

void TestKontaktOperationen::operations()
{
    QFETCH(QString, operation);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(QString, kontakte);
    QFETCH(QString, kategorien);
    QFETCH(QString, paare);
    QFETCH(bool, commits);
    TestDatabase db;
    ScriptedMessages messages;
    for (int id = 1; id <= 4; ++id)
        db.Exec(QString("INSERT INTO kontakte (id, nachname) VALUES (%1, 'N%1')").arg(id));
    for (int id = 1; id <= 3; ++id)
        db.Exec(QString("INSERT INTO kategorien (id, name) VALUES (%1, 'G%1')").arg(id));
    for (const char* pair : {"1,1", "1,1", "2,1", "2,2", "3,2"})
        db.Exec(QString("INSERT INTO katzuord (kontakt, kategorie) VALUES (%1)").arg(pair));
    const QString before = db.Scalar(kPaare);

    if (operation == "DeleteKontakt")
        TKontaktDaten::DeleteKontakt(a);
    else if (operation == "AddKategorieZuordnung")
        TKontaktDaten::AddKategorieZuordnung(a, b);
    else if (operation == "DeleteKategorie")
        TKontaktDaten::DeleteKategorie(a);
    else if (operation == "DeleteKategorieZuordnungen")
        TKontaktDaten::DeleteKategorieZuordnungen(a);
    else
        TKontaktDaten::DeleteKontakteOfKategorie(a);

    QCOMPARE(db.Scalar(kKontakte), kontakte);
    QCOMPARE(db.Scalar(kKategorien), kategorien);
    QCOMPARE(db.Scalar(kPaare), paare);
    // The deletes are done for good; an assignment waits for its caller's commit.
    QCOMPARE(committed(db.Modul(), kPaare), commits ? paare : before);
    QCOMPARE(committed(db.Modul(), kKontakte), kontakte);
    QCOMPARE(messages.Count(), 0);
}

void TestKontaktOperationen::membersOfALargeGroup()
{
    // More members than one statement takes, some assigned twice, most also in another group.
    constexpr int n = 2345;
    TestDatabase db;
    ScriptedMessages messages;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'Gross')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (2, 'Andere')");
    db.Modul()->Unit([&] {
        QSqlQuery k = db.Modul()->Query();
        TDatenModul::Prepare(k, "INSERT INTO kontakte (id, nachname) VALUES (?, 'N')");
        QSqlQuery z = db.Modul()->Query();
        TDatenModul::Prepare(z, "INSERT INTO katzuord (kontakt, kategorie) VALUES (?, ?)");
        auto assign = [&](int kontakt, int kategorie) {
            z.addBindValue(kontakt);
            z.addBindValue(kategorie);
            TDatenModul::Exec(z);
        };
        for (int id = 1; id <= n + 1; ++id) {
            k.addBindValue(id);
            TDatenModul::Exec(k);
            if (id <= n)
                assign(id, 1);
            if (id % 3 == 0)
                assign(id, 2);
        }
        for (int id : {1, 1000, 1001, 1500, 1501, n})
            assign(id, 1);
    });
    TKontaktDaten::DeleteKontakteOfKategorie(1);
    QCOMPARE(db.Scalar(kKontakte), QString::number(n + 1));
    QCOMPARE(db.Scalar(kPaare), QString("%1:2").arg(n + 1));
    QCOMPARE(committed(db.Modul(), kKontakte), QString::number(n + 1));
    QCOMPARE(db.Scalar(kKategorien), QString("1,2"));
    QCOMPARE(messages.Count(), 0);
}

QTEST_MAIN(TestKontaktOperationen)
#include "tst_kontaktoperationen.moc"
