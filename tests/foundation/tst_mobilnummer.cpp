#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include <QSqlQuery>
#include <QtTest>
#include <algorithm>
#include <memory>

class TestMobilnummer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void literalPrefixes_data();
    void literalPrefixes();
    void databasePrefixes_data();
    void databasePrefixes();
    void databaseListIsPrefixFree();
    void email_data();
    void email();

private:
    // The list as the main window loads it: the rows of the real database, unordered.
    std::unique_ptr<TestDatabase> m_db;
    QStringList m_prefixes;
};

// n: subscriber digits.
static const QString n = QStringLiteral("1234567");

void TestMobilnummer::literalPrefixes_data()
{
    QTest::addColumn<QStringList>("prefixes");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("expected");   // the number afterwards
    const QStringList de_at{"49", "43"};
    QTest::newRow("national mobile") << de_at << "0171 " + n << true << "0049171" + n;
    QTest::newRow("plus, brackets, hyphens") << de_at << "+49 (171) 12-34-567" << true << "0049171" + n;
    QTest::newRow("plus without blanks") << de_at << "+43664" + n << true << "0043664" + n;
    QTest::newRow("double zero") << de_at << "0043 664 " + n << true << "0043664" + n;
    QTest::newRow("single zero then country") << de_at << "049 171 " + n << true << "0049171" + n;
    QTest::newRow("country without lead") << de_at << "49171" + n << true << "0049171" + n;
    QTest::newRow("slash") << de_at << "0171/" + n << true << "0049171" + n;
    QTest::newRow("unknown country") << de_at << "0044 20 " + n << false << "0044 20 " + n;
    QTest::newRow("too short") << de_at << "12" << false << "12";
    QTest::newRow("too short after cleaning") << de_at << "+4-9" << false << "+4-9";
    QTest::newRow("three digits") << de_at << "493" << true << "00493";
    QTest::newRow("empty") << de_at << "" << false << "";
    QTest::newRow("letters only") << de_at << "keine Nummer" << false << "keine Nummer";
    QTest::newRow("no prefixes") << QStringList() << "0171" + n << false << "0171" + n;
    QTest::newRow("landline loses its 0") << QStringList{"30"} << "030 " + n << true << "0030" + n;
    QTest::newRow("landline without its country") << de_at << "030 " + n << false << "030 " + n;
    QTest::newRow("empty prefix matches all") << QStringList{""} << "0044 20 " + n << true << "004420" + n;
    QTest::newRow("later prefix") << QStringList{"43", "41", "49"} << "0171" + n << true << "0049171" + n;
    QTest::newRow("full-width digits dropped") << de_at << QString::fromUtf8("0171１２３") << true << "0049171";
}

void TestMobilnummer::literalPrefixes()
{
    QFETCH(QStringList, prefixes);
    QFETCH(QString, number);
    QFETCH(bool, accepted);
    QCOMPARE(NormalizeMobilnummer(prefixes, number), accepted);
    QTEST(number, "expected");
}

void TestMobilnummer::initTestCase()
{
    m_db = std::make_unique<TestDatabase>();
    QSqlQuery q = m_db->Modul()->Run("SELECT vorwahl FROM laendervorwahlen");
    while (q.next())
        m_prefixes.append(TDatenModul::TextValue(q.value(0)));
}

void TestMobilnummer::cleanupTestCase() { m_db.reset(); }

void TestMobilnummer::databasePrefixes_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Germany national") << "0171 " + n << true << "0049171" + n;
    QTest::newRow("Austria") << "+43 664 " + n << true << "0043664" + n;
    QTest::newRow("Switzerland") << "0041 79 " + n << true << "004179" + n;
    QTest::newRow("United Kingdom") << "+44 7700 " + n << true << "00447700" + n;
    QTest::newRow("North America") << "+1 (212) 555-0199" << true << "0012125550199";
    QTest::newRow("Caribbean in North America") << "+1 242 " + n << true << "001242" + n;
    QTest::newRow("Russia") << "+7 912 " + n << true << "007912" + n;
    QTest::newRow("Greece through landline rule") << "030 " + n << true << "0030" + n;
    QTest::newRow("Luxembourg") << "00352 621 " + n << true << "00352621" + n;
    QTest::newRow("Kosovo") << "+383 44 " + n << true << "0038344" + n;
    QTest::newRow("satellite") << "+881 6 " + n << true << "008816" + n;
    QTest::newRow("unassigned 28x") << "+28 " + n << false << "+28 " + n;
    QTest::newRow("unassigned 999") << "00999 " + n << false << "00999 " + n;
    QTest::newRow("unassigned 422") << "+422 " + n << false << "+422 " + n;
}

void TestMobilnummer::databasePrefixes()
{
    QFETCH(QString, number);
    QFETCH(bool, accepted);
    QCOMPARE(NormalizeMobilnummer(m_prefixes, number), accepted);
    QTEST(number, "expected");
}

void TestMobilnummer::databaseListIsPrefixFree()
{
    QStringList prefixes = m_prefixes;
    QVERIFY(prefixes.size() > 200);
    for (const char* known : {"1", "7", "20", "27", "30", "31", "33", "39", "41", "43", "44", "49", "86", "91",
                              "352", "420", "880", "998"})
        QVERIFY2(prefixes.contains(QString::fromLatin1(known)), known);
    for (const QString& p : prefixes) {
        QVERIFY2(!p.isEmpty() && IsDigits(p), qPrintable(p));
        QVERIFY2(!p.startsWith(u'0'), qPrintable(p));
    }
    // After sorting, a code that begins another stands right before it or before one that
    // also begins with it: comparing neighbours finds every such pair.
    std::sort(prefixes.begin(), prefixes.end());
    for (qsizetype i = 1; i < prefixes.size(); ++i)
        QVERIFY2(!prefixes.at(i).startsWith(prefixes.at(i - 1)),
                 qPrintable(prefixes.at(i - 1) + " begins " + prefixes.at(i)));
}

void TestMobilnummer::email_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("valid");
    QTest::newRow("simplest") << "a@b.de" << true;
    QTest::newRow("dotted local part") << "anna.maria.berg@vornix2.example" << true;
    QTest::newRow("quoted with blank") << "\"anna berg\"@vornix2.de" << true;
    QTest::newRow("quoted with escape") << "\"a\\\"b\"@vornix2.de" << true;
    QTest::newRow("quoted then atom") << "\"a b\".c@vornix2.de" << true;
    QTest::newRow("quoted with line feed") << "\"a\nb\"@vornix2.de" << true;
    QTest::newRow("apostrophe") << "o'neill@vornix2.de" << true;
    QTest::newRow("special atoms") << "a+b_c=d{e}~f!#$%&*?^`|@x.de" << true;
    QTest::newRow("hyphen in label") << "info@mein-verein.de" << true;
    QTest::newRow("double hyphen in label") << "info@xn--mller-kva.de" << true;
    QTest::newRow("three labels") << "info@mail.vornix2.example" << true;
    QTest::newRow("digits inside label") << "info@web2.de" << true;
    QTest::newRow("umlaut in local part") << QString::fromUtf8("jürgen@vornix2.de") << true;
    QTest::newRow("euro in local part") << QString::fromUtf8("€@vornix2.de") << true;
    QTest::newRow("no dot in domain") << "info@localhost" << false;
    QTest::newRow("label begins with digit") << "info@1und1.de" << false;
    QTest::newRow("last label begins with digit") << "info@vornix2.1de" << false;
    QTest::newRow("label begins with hyphen") << "info@-x.de" << false;
    QTest::newRow("label ends with hyphen") << "info@x-.de" << false;
    QTest::newRow("domain ends with hyphen") << "info@x.de-" << false;
    QTest::newRow("two dots in local part") << "a..b@x.de" << false;
    QTest::newRow("two dots in domain") << "a@x..de" << false;
    QTest::newRow("dot at start") << ".a@x.de" << false;
    QTest::newRow("dot before @") << "a.@x.de" << false;
    QTest::newRow("dot at end") << "a@x.de." << false;
    QTest::newRow("blank outside quotes") << "a b@x.de" << false;
    QTest::newRow("blank at end") << "a@x.de " << false;
    QTest::newRow("second @") << "a@b@x.de" << false;
    QTest::newRow("no @") << "vornix2.de" << false;
    QTest::newRow("empty local part") << "@x.de" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("umlaut in domain") << QString::fromUtf8("info@müller.de") << false;
    QTest::newRow("carriage return in quotes") << "\"a\rb\"@x.de" << false;
    QTest::newRow("escaped carriage return") << "\"a\\\rb\"@x.de" << true;
    QTest::newRow("unclosed quote") << "\"ab@x.de" << false;
    QTest::newRow("quote then atom") << "\"a\"b@x.de" << false;
    QTest::newRow("bracket") << "a(b)@x.de" << false;
    QTest::newRow("delete character") << QString("a\x7F" "b@x.de") << false;
    QTest::newRow("tab") << "a\tb@x.de" << false;
    QTest::newRow("underscore in domain") << "a@x_y.de" << false;
}

void TestMobilnummer::email()
{
    QFETCH(QString, address);
    QTEST(IsValidEmail(address), "valid");
}

QTEST_MAIN(TestMobilnummer)
#include "tst_mobilnummer.moc"
