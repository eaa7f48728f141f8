#include "TestEnv.h"
#include "foundation/Clock.h"
#include "foundation/Global.h"
#include "platform/ShellOpen.h"
#include <QApplication>
#include <QLocale>
#include <QtTest>

// Today for every test: a year that is no leap year, so that the 29th of February shows
// which year a reader used.
static const QDate kToday(2026, 12, 10);

class TestGlobal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void characterTests_data();
    void characterTests();
    void kontaktNames_data();
    void kontaktNames();
    void split_data();
    void split();
    void strArrayToIntArray_data();
    void strArrayToIntArray();

    void normalizeDate_data();
    void normalizeDate();
    void normalizeBirthDate_data();
    void normalizeBirthDate();
    void normalizeDateCurrentYear_data();
    void normalizeDateCurrentYear();
    void normalizeDayMonth_data();
    void normalizeDayMonth();
    void normalizeDayMonthInLeapYear();
    void normalizeTime_data();
    void normalizeTime();

    void parseGatewayDate_data();
    void parseGatewayDate();
    void parseGatewayDateTime_data();
    void parseGatewayDateTime();
    void gatewayTimeAndParts();

    void truncateText_data();
    void truncateText();

    void openUrl_data();
    void openUrl();
    void openUrlShowsHourglassWhileOpening();
    void openersReportFailure();
    void openMail_data();
    void openMail();
    void shellErrorTexts_data();
    void shellErrorTexts();

    void protokollTexts();

private:
    QList<QUrl> m_opened;
    bool m_openResult = true;
};

void TestGlobal::initTestCase()
{
    // The readers must not depend on the locale: run everything under one that writes dates
    // month first.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestGlobal::init()
{
    Clock::Set(QDateTime(kToday, QTime(9, 0)));
    m_opened.clear();
    m_openResult = true;
    ShellOpen::SetHandler([this](const QUrl& url) {
        m_opened.append(url);
        return m_openResult;
    });
}

void TestGlobal::cleanup()
{
    Clock::Set(QDateTime());
    ShellOpen::SetHandler({});
}

// ---- characters, names, lists ----

void TestGlobal::characterTests_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("digits");
    QTest::addColumn<bool>("digitsOrComma");
    QTest::addColumn<bool>("safeAbsender");
    QTest::newRow("empty") << "" << true << true << true;
    QTest::newRow("digits") << "0123456789" << true << true << true;
    QTest::newRow("comma") << "1,2" << false << true << false;
    QTest::newRow("dot") << "1.2" << false << false << true;
    QTest::newRow("letters") << "Vornix2.de" << false << false << true;
    QTest::newRow("blank") << "Vornix 2" << false << false << false;
    QTest::newRow("umlaut") << QString::fromUtf8("Müller") << false << false << false;
    QTest::newRow("minus") << "-1" << false << false << false;
    QTest::newRow("arabic-indic digit") << QString::fromUtf8("\u0661") << false << false << false;
}

void TestGlobal::characterTests()
{
    QFETCH(QString, text);
    QFETCH(bool, digits);
    QFETCH(bool, digitsOrComma);
    QFETCH(bool, safeAbsender);
    QCOMPARE(IsDigits(text), digits);
    QCOMPARE(IsNumeric(text), digits);
    QCOMPARE(IsDigitsOrChar(text, u','), digitsOrComma);
    QCOMPARE(IsSafeAbsender(text), safeAbsender);
}

void TestGlobal::kontaktNames_data()
{
    QTest::addColumn<QString>("vorname");
    QTest::addColumn<QString>("nachname");
    QTest::addColumn<QString>("firma");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reversed");
    QTest::newRow("both") << "Anna" << "Berg" << "Muster AG" << "Anna Berg" << "Berg, Anna";
    QTest::newRow("first only") << "Anna" << "" << "" << "Anna" << "Anna";
    QTest::newRow("last only") << "" << "Berg" << "Muster AG" << "Berg" << "Berg";
    QTest::newRow("company only") << "" << "" << "Muster AG" << "Firma Muster AG" << "Firma Muster AG";
    QTest::newRow("nothing") << "" << "" << "" << "Unbenannt" << "Unbenannt";
    QTest::newRow("blank counts as given") << " " << "" << "Muster AG" << " " << " ";
    QTest::newRow("percent kept") << "%1" << "%s" << "" << "%1 %s" << "%s, %1";
}

void TestGlobal::kontaktNames()
{
    QFETCH(QString, vorname);
    QFETCH(QString, nachname);
    QFETCH(QString, firma);
    QTEST(GetKontaktName(vorname, nachname, firma), "name");
    QTEST(GetKontaktNameReversed(vorname, nachname, firma), "reversed");
}

void TestGlobal::split_data()
{
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty text") << "," << "" << 0 << QStringList();
    QTest::newRow("negative limit") << "," << "a,b" << -1 << QStringList();
    QTest::newRow("empty delimiter") << "" << "a,b" << 0 << QStringList{"a,b"};
    QTest::newRow("no delimiter in text") << "," << "abc" << 0 << QStringList{"abc"};
    QTest::newRow("empty pieces, trailing dropped") << "," << ",a,,b," << 0 << QStringList{"", "a", "", "b"};
    QTest::newRow("delimiter alone") << "," << "," << 0 << QStringList{""};
    QTest::newRow("two trailing") << "," << "a,," << 0 << QStringList{"a", ""};
    QTest::newRow("limit takes the rest") << "," << "a,b,c" << 2 << QStringList{"a", "b,c"};
    QTest::newRow("limit keeps trailing") << "," << "a,b," << 2 << QStringList{"a", "b,"};
    QTest::newRow("limit one") << "," << "a,b" << 1 << QStringList{"a,b"};
    QTest::newRow("limit above count") << "," << "a,b" << 5 << QStringList{"a", "b"};
    QTest::newRow("multi-character delimiter") << "$#13$" << "Ein$#13$zwei$#13$$#13$drei" << 0
                                               << QStringList{"Ein", "zwei", "", "drei"};
    QTest::newRow("non-overlapping") << "aa" << "aaa" << 0 << QStringList{"", "a"};
    QTest::newRow("settings list") << "," << "189,134,110,110,165" << 0
                                   << QStringList{"189", "134", "110", "110", "165"};
}

void TestGlobal::split()
{
    QFETCH(QString, delimiter);
    QFETCH(QString, text);
    QFETCH(int, limit);
    QTEST(Split(delimiter, text, limit), "expected");
}

void TestGlobal::strArrayToIntArray_data()
{
    QTest::addColumn<QStringList>("strings");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("empty") << QStringList() << true << QList<int>();
    QTest::newRow("numbers") << QStringList{"189", "-1", "+7", "0"} << true << QList<int>{189, -1, 7, 0};
    QTest::newRow("extremes") << QStringList{"2147483647", "-2147483648"} << true
                              << QList<int>{2147483647, -2147483647 - 1};
    QTest::newRow("letters") << QStringList{"189", "abc"} << false << QList<int>();
    QTest::newRow("empty element") << QStringList{""} << false << QList<int>();
    QTest::newRow("blank around") << QStringList{" 12"} << false << QList<int>();
    QTest::newRow("sign alone") << QStringList{"-"} << false << QList<int>();
    QTest::newRow("overflow") << QStringList{"2147483648"} << false << QList<int>();
}

void TestGlobal::strArrayToIntArray()
{
    QFETCH(QStringList, strings);
    QFETCH(bool, converts);
    QFETCH(QList<int>, expected);
    if (converts) {
        QCOMPARE(StrArrayToIntArray(strings), expected);
    } else {
        try {
            StrArrayToIntArray(strings);
            QFAIL("no conversion error");
        } catch (const ConvertError& e) {
            QVERIFY(e.Text().contains(u"ist kein gültiger Integerwert"));
        }
    }
}

// ---- typed dates and times ----

void TestGlobal::normalizeDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("six digits in 19xx") << "010203" << "01.02.1903";
    QTest::newRow("eight digits") << "01022003" << "01.02.2003";
    QTest::newRow("commas") << "1,2,2003" << "01.02.2003";
    QTest::newRow("two-digit year windowed") << "1.2.03" << "01.02.2003";
    QTest::newRow("window start") << "1.2.76" << "01.02.1976";
    QTest::newRow("window end") << "1.2.75" << "01.02.2075";
    QTest::newRow("one-digit year") << "1.2.3" << "01.02.2003";
    QTest::newRow("blanks around") << "  24.12.1970 " << "24.12.1970";
    QTest::newRow("trailing dot after year") << "01.02.2003." << "01.02.2003";
    QTest::newRow("no year: current") << "1.2" << "01.02.2026";
    QTest::newRow("leap day") << "29.02.2004" << "29.02.2004";
    QTest::newRow("no leap day") << "29.02.2003" << "";
    QTest::newRow("31 February") << "31.02.2003" << "";
    QTest::newRow("hyphens") << "1-2-2003" << "";
    QTest::newRow("blank inside") << "1. 2.2003" << "";
    QTest::newRow("dot after month only") << "01.02." << "";
    QTest::newRow("two dots") << "1..2003" << "";
    QTest::newRow("four digits") << "0102" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("letters") << "heute" << "";
    QTest::newRow("month 13") << "01.13.2003" << "";
    QTest::newRow("year 0") << "01.01.0000" << "";
    QTest::newRow("five-digit year") << "01.01.20031" << "";
}

void TestGlobal::normalizeDate()
{
    QFETCH(QString, text);
    QTEST(NormalizeDate(text), "expected");
}

// Today is 10.12.2026: a short year that would give a later date belongs to the century before.
void TestGlobal::normalizeBirthDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("future in this century") << "1.12.70" << "01.12.1970";
    QTest::newRow("past in this century") << "1.2.03" << "01.02.2003";
    QTest::newRow("today") << "10.12.26" << "10.12.2026";
    QTest::newRow("tomorrow") << "11.12.26" << "11.12.1926";
    QTest::newRow("later this year") << "1.1.27" << "01.01.1927";
    QTest::newRow("one-digit year") << "3.1.5" << "03.01.2005";
    QTest::newRow("year 00") << "29.2.00" << "29.02.2000";
    QTest::newRow("commas") << "1,12,70" << "01.12.1970";
    QTest::newRow("trailing dot") << "1.12.70." << "01.12.1970";
    QTest::newRow("six digits in 19xx") << "010203" << "01.02.1903";
    QTest::newRow("eight digits") << "01121970" << "01.12.1970";
    QTest::newRow("four-digit year as written") << "1.2.1975" << "01.02.1975";
    QTest::newRow("no year: current") << "1.2" << "01.02.2026";
    QTest::newRow("no leap day") << "29.02.03" << "";
    QTest::newRow("31 February") << "31.2.70" << "";
    QTest::newRow("letters") << "1.2.7a" << "";
    QTest::newRow("empty") << "" << "";
}

void TestGlobal::normalizeBirthDate()
{
    QFETCH(QString, text);
    QTEST(NormalizeBirthDate(text), "expected");
    // The send date keeps its window.
    if (text == "1.12.70")
        QCOMPARE(NormalizeDate(text), QString("01.12.2070"));
}

void TestGlobal::normalizeDateCurrentYear_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("four digits") << "0102" << "01.02.2026";
    QTest::newRow("six digits windowed") << "010203" << "01.02.2003";
    QTest::newRow("eight digits") << "01022027" << "01.02.2027";
    QTest::newRow("four with comma") << "01,2" << "01.02.2026";
    QTest::newRow("four with dot") << "01.2" << "01.02.2026";
    QTest::newRow("day.month short") << "1.2" << "01.02.2026";
    QTest::newRow("four ending in dot") << "1.2." << "01.02.2026";
    QTest::newRow("day.month.") << "24.12." << "24.12.2026";
    QTest::newRow("day,month,") << "24,12," << "24.12.2026";
    QTest::newRow("day.month") << "24.12" << "24.12.2026";
    QTest::newRow("ddmm") << "2412" << "24.12.2026";
    QTest::newRow("two dots at the end") << "24.12.." << "";
    QTest::newRow("dot first") << ".24.12." << "";
    QTest::newRow("full date") << "3.1.2027" << "03.01.2027";
    QTest::newRow("commas full") << "3,1,27" << "03.01.2027";
    QTest::newRow("no leap year") << "2902" << "";
    QTest::newRow("colon") << "1:2" << "";
    QTest::newRow("empty") << "" << "";
}

void TestGlobal::normalizeDateCurrentYear()
{
    QFETCH(QString, text);
    QTEST(NormalizeDateCurrentYear(text), "expected");
}

void TestGlobal::normalizeDayMonth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("2902") << "2902" << "29.02.";
    QTest::newRow("29.2") << "29.2" << "29.02.";
    QTest::newRow("29.02") << "29.02" << "29.02.";
    QTest::newRow("29.02.") << "29.02." << "29.02.";
    QTest::newRow("29.2.") << "29.2." << "29.02.";
    QTest::newRow("29,2") << "29,2" << "29.02.";
    QTest::newRow("29,02,") << "29,02," << "29.02.";
    QTest::newRow("01.02.") << "01.02." << "01.02.";
    QTest::newRow("1.2") << "1.2" << "01.02.";
    QTest::newRow("with leap year") << "29.02.2004" << "29.02.";
    QTest::newRow("with other year") << "1.3.1999" << "01.03.";
    QTest::newRow("with non-leap year") << "29.02.2003" << "";
    QTest::newRow("30 February") << "30.02." << "";
    QTest::newRow("31 April") << "3104" << "";
    QTest::newRow("three digits") << "292" << "";
    QTest::newRow("two dots") << "29..02" << "";
    QTest::newRow("blanks around") << " 24.12. " << "24.12.";
    QTest::newRow("letters") << "24.Dez" << "";
    QTest::newRow("empty") << "" << "";
}

void TestGlobal::normalizeDayMonth()
{
    QFETCH(QString, text);
    QTEST(NormalizeDayMonth(text), "expected");
}

void TestGlobal::normalizeDayMonthInLeapYear()
{
    // The same in every year.
    for (int year : {2024, 2025, 2026, 2027}) {
        Clock::Set(QDateTime(QDate(year, 6, 1), QTime(12, 0)));
        for (const char* text : {"29.2", "29.02", "2902", "29.02."})
            QCOMPARE(NormalizeDayMonth(QString::fromLatin1(text)), QString("29.02."));
    }
}

void TestGlobal::normalizeTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("three digits") << "930" << "09:30";
    QTest::newRow("four digits") << "0930" << "09:30";
    QTest::newRow("dot") << "9.30" << "09:30";
    QTest::newRow("comma") << "9,30" << "09:30";
    QTest::newRow("colon") << "9:30" << "09:30";
    QTest::newRow("seconds dropped") << "12:30:45" << "12:30";
    QTest::newRow("dots with seconds") << "12.30.45" << "12:30";
    QTest::newRow("hour alone") << "9" << "09:00";
    QTest::newRow("midnight") << "0000" << "00:00";
    QTest::newRow("last minute") << "2359" << "23:59";
    QTest::newRow("2460") << "2460" << "";
    QTest::newRow("hour 24") << "24:00" << "";
    QTest::newRow("seconds 60") << "12:00:60" << "";
    QTest::newRow("mixed separators") << "9.30:00" << "";
    QTest::newRow("trailing colon") << "9:" << "";
    QTest::newRow("five digits") << "09300" << "";
    QTest::newRow("blanks around") << " 18:05 " << "18:05";
    QTest::newRow("pm") << "9:30 PM" << "";
    QTest::newRow("empty") << "" << "";
}

void TestGlobal::normalizeTime()
{
    QFETCH(QString, text);
    QTEST(NormalizeTime(text), "expected");
}

// ---- gateway dates ----

void TestGlobal::parseGatewayDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");
    const QDate def(1999, 9, 9);
    QTest::newRow("date") << "20251224" << QDate(2025, 12, 24);
    QTest::newRow("longer text") << "20251224235959" << QDate(2025, 12, 24);
    QTest::newRow("seven characters") << "2025121" << QDate(2025, 12, 1);
    QTest::newRow("31 February") << "20250231" << def;
    QTest::newRow("year alone") << "2003" << def;
    QTest::newRow("empty") << "" << def;
    QTest::newRow("letters") << "2025ab24" << def;
    QTest::newRow("signed month") << "2025+124" << def;
    QTest::newRow("year 0") << "00000101" << def;
}

void TestGlobal::parseGatewayDate()
{
    QFETCH(QString, text);
    QTEST(ParseGatewayDate(text, QDate(1999, 9, 9)), "expected");
}

void TestGlobal::parseGatewayDateTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime def(QDate(1999, 9, 9), QTime(9, 9, 9));
    QTest::newRow("full") << "20251224183005" << QDateTime(QDate(2025, 12, 24), QTime(18, 30, 5));
    QTest::newRow("milliseconds ignored") << "20251224183005123" << QDateTime(QDate(2025, 12, 24), QTime(18, 30, 5));
    QTest::newRow("thirteen characters") << "2025122418300" << QDateTime(QDate(2025, 12, 24), QTime(18, 30, 0));
    QTest::newRow("date only") << "20251224" << def;
    QTest::newRow("hour 24") << "20251224240000" << def;
    QTest::newRow("minute 60") << "20251224126000" << def;
    QTest::newRow("bad day") << "20251232120000" << def;
    QTest::newRow("blank") << "2025122412 000" << def;
}

void TestGlobal::parseGatewayDateTime()
{
    QFETCH(QString, text);
    const QDateTime result = ParseGatewayDateTime(text, QDateTime(QDate(1999, 9, 9), QTime(9, 9, 9)));
    QTEST(result, "expected");
    QCOMPARE(result.time().msec(), 0);
}

void TestGlobal::gatewayTimeAndParts()
{
    const QDateTime dt(QDate(2026, 3, 7), QTime(8, 5, 42, 123));
    QCOMPARE(FormatGatewayDateTime(dt), QString("202603070805" "00"));
    QCOMPARE(DatePart(dt), QDate(2026, 3, 7));
    QCOMPARE(TimePart(dt), QTime(8, 5, 42, 123));
}

// ---- texts ----

void TestGlobal::truncateText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");
    QTest::newRow("shorter") << "abc" << 5 << "abc";
    QTest::newRow("exact") << "abc" << 3 << "abc";
    QTest::newRow("cut") << "abcdef" << 3 << "abc";
    QTest::newRow("zero") << "abc" << 0 << "";
    QTest::newRow("negative") << "abc" << -1 << "";
    QTest::newRow("umlauts") << QString::fromUtf8("Müßig") << 3 << QString::fromUtf8("Müß");
    // An emoji is one character: never cut in half.
    QTest::newRow("emoji kept whole") << QString::fromUtf8("a\U0001F600b") << 2 << QString::fromUtf8("a\U0001F600");
    QTest::newRow("emoji counted once") << QString::fromUtf8("\U0001F600\U0001F600") << 2
                                        << QString::fromUtf8("\U0001F600\U0001F600");
    QTest::newRow("cut before emoji") << QString::fromUtf8("a\U0001F600b") << 1 << "a";
}

void TestGlobal::truncateText()
{
    QFETCH(QString, text);
    QFETCH(int, n);
    QTEST(TruncateText(text, n), "expected");
}

// ---- openers ----

static const QString kBrowserFailed = QString::fromUtf8("Der Standard-Webbrowser konnte nicht geöffnet werden.\n\r"
                                                        "Fehlermeldung: ");

void TestGlobal::openUrl_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("opened");   // "" when nothing may reach the opener
    QTest::newRow("no scheme") << "www.vornix2.example/x" << "http://www.vornix2.example/x";
    QTest::newRow("short, no scheme") << "x.sh" << "http://x.sh";
    QTest::newRow("six characters") << "cmd.de" << "http://cmd.de";
    QTest::newRow("http") << "http://vornix2.example/deeplink/register" << "http://vornix2.example/deeplink/register";
    QTest::newRow("HTTPS in capitals") << "HTTPS://vornix2.example/" << "https://vornix2.example/";
    QTest::newRow("host and port") << "localhost:8080/x" << "http://localhost:8080/x";
    QTest::newRow("blanks around") << " www.vornix2.example " << "http://www.vornix2.example";
    QTest::newRow("file") << "file:///etc/passwd" << "";
    QTest::newRow("FILE in capitals") << "FILE:///etc/passwd" << "";
    QTest::newRow("drive letter") << "c:\\windows\\system32\\cmd.exe" << "";
    QTest::newRow("javascript") << "javascript:alert(1)" << "";
    QTest::newRow("mailto") << "mailto:info@vornix2.example" << "";
    QTest::newRow("empty") << "" << "";
}

void TestGlobal::openUrl()
{
    QFETCH(QString, address);
    QFETCH(QString, opened);
    ScriptedMessages messages;
    OpenUrl(address);
    if (opened.isEmpty()) {
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Messages().at(0).kind, Msg::Kind::Error);
        QVERIFY(messages.Messages().at(0).text.startsWith(kBrowserFailed));
    } else {
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.at(0).toString(), opened);
    }
}

void TestGlobal::openUrlShowsHourglassWhileOpening()
{
    Qt::CursorShape during = Qt::ArrowCursor;
    ShellOpen::SetHandler([&](const QUrl&) {
        during = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        return true;
    });
    OpenUrl("http://vornix2.example");
    QCOMPARE(during, Qt::WaitCursor);
    QVERIFY(!QApplication::overrideCursor());
}

void TestGlobal::openersReportFailure()
{
    ScriptedMessages messages;
    m_openResult = false;
    OpenUrl("vornix2.example");
    OpenMail("info@vornix2.example");
    QCOMPARE(m_opened.size(), 2);
    QCOMPARE(messages.Texts(),
             (QStringList{kBrowserFailed + "Es wurde kein Programm gefunden, das mit dieser Operation assoziiert ist.",
                          QString::fromUtf8("Das Standard-Emailprogramm konnte nicht geöffnet werden.\n\rFehlermeldung: "
                                            "Es wurde kein Programm gefunden, das mit dieser Operation assoziiert ist.")}));
    QVERIFY(!QApplication::overrideCursor());
}

void TestGlobal::openMail_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("opened");
    QTest::newRow("address") << "info@vornix2.example" << "mailto:info@vornix2.example";
    QTest::newRow("quoted local part") << "\"a b\"@vornix2.example" << "mailto:%22a%20b%22@vornix2.example";
    // Text after "?" stays part of the address: no headers or attachments from contact data.
    QTest::newRow("query neutralised") << "x@vornix2.example?attach=/etc/passwd"
                                       << "mailto:x@vornix2.example%3Fattach=/etc/passwd";
}

void TestGlobal::openMail()
{
    QFETCH(QString, address);
    QFETCH(QString, opened);
    ScriptedMessages messages;
    OpenMail(address);
    QCOMPARE(messages.Count(), 0);
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_opened.at(0).scheme(), QString("mailto"));
    QCOMPARE(QString::fromLatin1(m_opened.at(0).toEncoded()), opened);
    QVERIFY(m_opened.at(0).query().isEmpty());
}

void TestGlobal::shellErrorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "Das Betriebssystem meldete \"out of memory\".";
    QTest::newRow("2") << 2 << "Die angegebene Datei wurde nicht gefunden.";
    QTest::newRow("8") << 8 << QString::fromUtf8("Es stand nicht genügend Speicher zur Verfügung, um diese Operation auszuführen.");
    QTest::newRow("11") << 11 << QString::fromUtf8("Die exe-Datei ist ungültig (keine Win32-EXE oder Fehler in EXE-Image)");
    QTest::newRow("28 carriage return") << 28 << "Die DDE-Transaktion konnte nicht ausgeführt werden,\rweil ein Timeout gemeldet wurde.";
    QTest::newRow("30 carriage return") << 30
        << "Die DDE-Transaktion konnte nicht ausgeführt werden,\rweil andere DDE-Transaktionen verarbeitet wurden.";
    QTest::newRow("32") << 32 << "Die angegebene DLL wurde nicht gefunden.";
    QTest::newRow("1 unknown") << 1 << "Es ist ein unbekannter Fehler aufgetreten.";
    QTest::newRow("33 unknown") << 33 << "Es ist ein unbekannter Fehler aufgetreten.";
}

void TestGlobal::shellErrorTexts()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    ScriptedMessages messages;
    ShowShellExecuteError(code, "Meldung %s");
    QCOMPARE(messages.Count(), 1);
    QCOMPARE(messages.Messages().at(0).kind, Msg::Kind::Error);
    QCOMPARE(messages.Messages().at(0).text, "Meldung %s\n\rFehlermeldung: " + text);
}

// ---- send log ----

void TestGlobal::protokollTexts()
{
    QCOMPARE(GetProtokollContentText("", "Hallo"), QString(""));
    QCOMPARE(GetProtokollContentText("Tx", "Hallo"), QString("Hallo"));
    QCOMPARE(GetProtokollContentText("TxFlash", "Hallo"), QString("Hallo"));
    QCOMPARE(GetProtokollContentText("Fs", "Hallo"), QString("Hallo"));
    QCOMPARE(GetProtokollContentText("tx", "Hallo"), QString("(Multimedia-SMS)"));
    QCOMPARE(GetProtokollContentText("T", "Hallo"), QString("(Multimedia-SMS)"));
    QCOMPARE(GetProtokollContentText("Mms", "Hallo"), QString("(Multimedia-SMS)"));
    QCOMPARE(GetProtokollStatusText(0), QString("Zugestellt"));
    QCOMPARE(GetProtokollStatusText(1), QString("Weitere Zustellversuche"));
    QCOMPARE(GetProtokollStatusText(2), QString("Nicht zugestellt"));
    QCOMPARE(GetProtokollStatusText(-1), QString("Unbekannt"));
    QCOMPARE(GetProtokollStatusText(3), QString("Unbekannt"));
}

QTEST_MAIN(TestGlobal)
#include "tst_global.moc"
