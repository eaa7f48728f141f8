// The contact search of the contact data: odd search texts.
#include "TestEnv.h"
#include "contacts/KontaktDaten.h"
#include "foundation/DatenModul.h"
#include <QSqlQuery>
#include <QtTest>
#include <algorithm>

namespace {
QString ids(QVector<int> list)
{
    std::sort(list.begin(), list.end());
    QStringList s;
    for (int id : list)
        s << QString::number(id);
    return s.join(',');
}

// The ids of a page's list searched for the text.
QVector<int> listIds(TKontaktDaten::TKontaktListe::Art art, int kategorieId, const QString& text)
{
    TKontaktDaten::TKontaktListe l(art, kategorieId, true, text, 0);
    QVector<int> found;
    for (int i = 0; i < l.Anzahl(); ++i)
        found.append(l.Zeile(i).id);
    return found;
}

// The search as a string literal with its quotes doubled, run without prepare: what the
// contacts page ran before the text was bound.
QString literalSearch(const QString& text)
{
    QString t = text;
    t.replace('\'', "''");
    QString sql = "SELECT t1.id FROM kontakte t1 WHERE ( ";
    const char* const columns[] = {"vorname", "nachname", "firma", "mobil", "email"};
    for (int i = 0; i < 5; ++i)
        sql += QString(i ? "OR " : "") + "(UPPER(t1." + columns[i] + ") LIKE UPPER('%" + t + "%')) ";
    sql += ") ";
    QSqlQuery q = DatenModul->Query();
    if (!q.exec(sql))
        return "error";
    QVector<int> found;
    while (q.next())
        found.append(q.value(0).toInt());
    return ids(found);
}
}

class TestKontaktDaten : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void search_data();
    void search();
};

void TestKontaktDaten::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("asBefore");   // the literal form gave the same rows
    const QString all = "1,2,3,4,5,6,7";
    QTest::newRow("quote") << "'" << "1" << true;
    QTest::newRow("quote inside, other case") << "o'b" << "1" << true;
    QTest::newRow("percent alone") << "%" << all << true;
    QTest::newRow("percent as wildcard") << "0%s" << "2" << true;
    QTest::newRow("underscore alone") << "_" << all << true;
    QTest::newRow("underscore as wildcard") << "a_b" << "3,6" << true;
    QTest::newRow("sharp s") << QString::fromUtf8("ß") << "4" << true;
    QTest::newRow("umlaut, other case") << QString::fromUtf8("MÜLLER") << "5" << true;
    QTest::newRow("colon and placeholder") << ":suche" << "" << true;
    QTest::newRow("backslash") << "\\" << "" << true;
    QTest::newRow("empty") << "" << all << true;
    QTest::newRow("NUL") << QString("a") + QChar(0) + "b" << "" << false;
    QTest::newRow("very long") << QString(20000, 'x') << "" << false;
    QTest::newRow("very long wildcards") << QString(20000, '%') << all << false;
    QTest::newRow("very long, cut to a hit") << "mueller" + QString(20000, '%') << "5" << false;
}

void TestKontaktDaten::search()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(bool, asBefore);
    TestDatabase db;
    ScriptedMessages messages;
    db.Exec("INSERT INTO kontakte (id, vorname, nachname) VALUES (1, 'O''Brien', 'Smith')");
    db.Exec("INSERT INTO kontakte (id, nachname) VALUES (2, '100% sicher')");
    db.Exec("INSERT INTO kontakte (id, nachname) VALUES (3, 'a_b')");
    db.Exec(QString::fromUtf8("INSERT INTO kontakte (id, nachname, firma) VALUES (4, 'Straße', 'Groß GmbH')"));
    db.Exec(QString::fromUtf8("INSERT INTO kontakte (id, nachname, email) VALUES (5, 'Müller', 'mueller@example.de')"));
    db.Exec("INSERT INTO kontakte (id, nachname) VALUES (6, 'axb')");
    db.Exec("INSERT INTO kontakte (id, nachname, mobil) VALUES (7, 'Z', '491701234567')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'G')");
    for (int id : {1, 3, 4, 5})
        db.Exec(QString("INSERT INTO katzuord (kontakt, kategorie) VALUES (%1, 1)").arg(id));

    using Art = TKontaktDaten::TKontaktListe::Art;
    QCOMPARE(ids(listIds(Art::Kontakte, 0, text)), expected);
    QCOMPARE(ids(listIds(Art::SmsKontakte, 0, text)), expected);
    if (asBefore)
        QCOMPARE(literalSearch(text), expected);

    // Within a group: the condition joins the group's filter.
    QVector<int> inGroup;
    for (const QString& id : expected.split(',', Qt::SkipEmptyParts))
        if (QList<int>{1, 3, 4, 5}.contains(id.toInt()))
            inGroup.append(id.toInt());
    QCOMPARE(ids(listIds(Art::Kontakte, 1, text)), ids(inGroup));
    QCOMPARE(ids(listIds(Art::SmsKontakte, 1, text)), ids(inGroup));
    QCOMPARE(messages.Count(), 0);
}

QTEST_MAIN(TestKontaktDaten)
#include "tst_kontaktdaten.moc"
