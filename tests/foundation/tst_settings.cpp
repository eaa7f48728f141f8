#include "foundation/Clock.h"
#include "platform/Cp1252.h"
#include "foundation/IniFileDaten.h"
#include "foundation/Settings.h"
#include "TestEnv.h"
#include <QApplication>
#include "platform/ProfileFile.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QDateTime kNow(QDate(2026, 3, 14), QTime(9, 26, 53));

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The value of a key as the written file holds it (after the profile reader's rules).
QString fileValue(const QString& path, const QString& section, const QString& key)
{
    ProfileFile p;
    p.Load(path);
    return p.ReadString(section, key, QStringLiteral("<missing>"));
}

// The raw line of a key in the file ("" when absent).
QString rawLine(const QString& path, const QString& key)
{
    const QStringList lines = QString::fromUtf8(readFile(path)).split(QLatin1Char('\n'));
    for (const QString& l : lines)
        if (l.startsWith(key + QLatin1Char('=')))
            return l;
    return QString("");
}
}

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Clock::Set(kNow); }
    void cleanup() { Clock::Set(QDateTime()); }

    void firstSaveMatchesGoldenFile();
    void missingFileGivesDefaultsAndIsNotCreated();
    void windowsFileRoundTripKeepsWhatItDoesNotKnow();
    void profileReadingRules_data();
    void profileReadingRules();
    void scrambleVectors_data();
    void scrambleVectors();
    void scrambleRoundTripsEveryCharacter();
    void passwordRoundTripThroughFile_data();
    void passwordRoundTripThroughFile();
    void listValues_data();
    void listValues();
    void newsTextSplit_data();
    void newsTextSplit();
    void lineBreaksNeverWrittenRaw();
    void quotesAndBlanksAtTheEnds_data();
    void quotesAndBlanksAtTheEnds();
    void badValuesTakeDefaults_data();
    void badValuesTakeDefaults();
    void fileFailures();
    void editModes_data();
    void editModes();
};

void TestSettings::firstSaveMatchesGoldenFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    TIniFileDaten rec;
    QVERIFY(LoadIniFileDaten(path, rec));
    QVERIFY(SaveIniFileDaten(path, rec));
    QByteArray actual = readFile(path);
    QByteArray golden = readFile(QStringLiteral(VORNIX2_SOURCE_DIR "/tests/foundation/data/settings_first_save.ini"));
    QVERIFY(!golden.isEmpty());
    // The clock is fixed; mask the dates anyway so that the golden file states only the format.
    static const QRegularExpression stamp(QStringLiteral("\\d\\d\\.\\d\\d\\.\\d{4}( \\d\\d:\\d\\d:\\d\\d)?"));
    auto mask = [](const QByteArray& b) {
        QString s = QString::fromUtf8(b);
        return s.replace(stamp, QStringLiteral("<date>"));
    };
    QCOMPARE(mask(actual), mask(golden));
    QCOMPARE(fileValue(path, "Benutzerdaten", "Stand"), QString("14.03.2026 09:26:53"));
    QCOMPARE(fileValue(path, "News", "ShowUntil"), QString("14.03.2026"));
    // Saving the loaded file again changes nothing.
    QVERIFY(SaveIniFileDaten(path, LoadIniFileDaten(path)));
    QCOMPARE(readFile(path), actual);
}

void TestSettings::missingFileGivesDefaultsAndIsNotCreated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    TIniFileDaten rec;
    rec.StartOrdner = 2;
    QVERIFY(LoadIniFileDaten(path, rec));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(rec.StartOrdner, 0);
    QCOMPARE(rec.StandardAbsender, QString::fromLatin1(kDefaultAbsender));
    QCOMPARE(rec.ProtokollLimit, 5000);
    QCOMPARE(rec.GueltigBis, kNow.date());
    QCOMPARE(rec.Accountstatus_Stand, kNow);
    QCOMPARE(rec.Widths, (QVector<int>{189, 134, 110, 110, 165}));

    // A file holding only [SMS] Use_Https=0: every other key at its default.
    writeFile(path, "[SMS]\nUse_Https=0\n");
    rec = LoadIniFileDaten(path);
    QCOMPARE(rec.Use_Https, false);
    TIniFileDaten expected = DefaultIniFileDaten();
    expected.Use_Https = false;
    QTemporaryDir other;
    QVERIFY(SaveIniFileDaten(other.filePath("a.ini"), rec));
    QVERIFY(SaveIniFileDaten(other.filePath("b.ini"), expected));
    QCOMPARE(readFile(other.filePath("a.ini")), readFile(other.filePath("b.ini")));
}

void TestSettings::windowsFileRoundTripKeepsWhatItDoesNotKnow()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    const QByteArray original =
        "; written on Windows\r\n"
        "[ALLGEMEIN]\r\n"
        "startordner = 2\r\n"
        "Proxy_Server=proxy.example\r\n"
        "Fremd=bleibt\r\n"
        "StartOrdner=1\r\n"
        "\r\n"
        "[Eigenes]\r\n"
        "; Kommentar\r\n"
        "Schluessel=Wert mit \xE4\xF6\xFC \x80\r\n"
        "\r\n"
        "[benutzerdaten]\r\n"
        "Vorname=J\xFCrgen\r\n"
        "ORT=M\xFCnchen\r\n"
        "[SMS]\r\n"
        "login_username=\"hans\"\r\n";
    writeFile(path, original);

    TIniFileDaten rec = LoadIniFileDaten(path);
    QCOMPARE(rec.StartOrdner, 2);           // the first of two keys wins
    QCOMPARE(rec.Proxy_Server, QString("proxy.example"));
    QCOMPARE(rec.Vorname, QString::fromUtf8("Jürgen"));
    QCOMPARE(rec.Ort, QString::fromUtf8("München"));
    QCOMPARE(rec.Login_Username, QString("hans"));

    rec.StartOrdner = 1;
    rec.Ort = QString::fromUtf8("Köln");
    QVERIFY(SaveIniFileDaten(path, rec));
    const QByteArray saved = readFile(path);
    QVERIFY(!saved.contains("\n\n"));        // CR LF kept throughout
    const QString text = Cp1252::Decode(saved);   // written back in the encoding it was read in
    const QStringList lines = text.split(QStringLiteral("\r\n"));

    // Every line we did not write stays, in its order.
    const QStringList kept = {
        "; written on Windows", "[ALLGEMEIN]", "Proxy_Server=proxy.example", "Fremd=bleibt", "StartOrdner=1",
        "[Eigenes]", "; Kommentar", QString::fromUtf8("Schluessel=Wert mit äöü €"), "[benutzerdaten]",
        QString::fromUtf8("Vorname=Jürgen"), "[SMS]", "login_username=\"hans\""};
    int from = 0;
    for (const QString& k : kept) {
        const int at = lines.indexOf(k, from);
        QVERIFY2(at >= 0, qPrintable(k));
        from = at + 1;
    }
    // Changed keys keep their spelling and place; new keys go to the end of their section.
    const int changed = lines.indexOf("startordner=1");
    QCOMPARE(changed, lines.indexOf("[ALLGEMEIN]") + 1);
    QCOMPARE(lines.indexOf(QString::fromUtf8("ORT=Köln")), lines.indexOf(QString::fromUtf8("Vorname=Jürgen")) + 1);
    QVERIFY(lines.indexOf("Proxy_BasicAuthentication=0") < lines.indexOf("[Eigenes]"));
    QCOMPARE(text.count(QLatin1String("[SMS]"), Qt::CaseInsensitive), 1);
    QCOMPARE(text.count(QLatin1String("[Allgemein]"), Qt::CaseInsensitive), 1);
    QVERIFY(lines.indexOf("[VersionInfo]") > lines.indexOf("[SMS]"));

    const TIniFileDaten back = LoadIniFileDaten(path);
    QCOMPARE(back.StartOrdner, 1);
    QCOMPARE(back.Ort, QString::fromUtf8("Köln"));
    QCOMPARE(back.Vorname, QString::fromUtf8("Jürgen"));
    QCOMPARE(fileValue(path, "eigenes", "SCHLUESSEL"), QString::fromUtf8("Wert mit äöü €"));
}

void TestSettings::profileReadingRules_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("value");   // of [S] K, "<missing>" when absent
    QTest::newRow("plain") << QByteArray("[S]\nK=v\n") << "v";
    QTest::newRow("names in other case, blanks") << QByteArray(" [ s ] \n  k  =  v w  \n") << "v w";
    QTest::newRow("tabs trimmed") << QByteArray("[S]\nK=\tv\t\n") << "v";
    QTest::newRow("one pair of double quotes") << QByteArray("[S]\nK=\"\"v\"\"\n") << "\"v\"";
    QTest::newRow("single quotes") << QByteArray("[S]\nK='v'\n") << "v";
    QTest::newRow("quotes not matching") << QByteArray("[S]\nK=\"v'\n") << "\"v'";
    QTest::newRow("escape only in double quotes") << QByteArray("[S]\nK='a\\nb'\n") << "a\\nb";
    QTest::newRow("first duplicate key") << QByteArray("[S]\nK=1\nK=2\n") << "1";
    QTest::newRow("first duplicate section") << QByteArray("[S]\nX=1\n[S]\nK=2\n") << "<missing>";
    QTest::newRow("comment is no key") << QByteArray("[S]\n;K=1\n") << "<missing>";
    QTest::newRow("key before any section") << QByteArray("K=1\n[S]\n") << "<missing>";
    QTest::newRow("line without equals") << QByteArray("[S]\nK\n") << "<missing>";
    QTest::newRow("empty value") << QByteArray("[S]\nK=\n") << "";
    QTest::newRow("value with equals") << QByteArray("[S]\nK=a=b\n") << "a=b";
    QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF[S]\nK=\xC3\xBC\n") << QString::fromUtf8("ü");
    QTest::newRow("windows-1252") << QByteArray("[S]\r\nK=\xFC\x80\r\n") << QString::fromUtf8("ü€");
    QTest::newRow("no final line break") << QByteArray("[S]\r\nK=v") << "v";
}

void TestSettings::profileReadingRules()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, value);
    ProfileFile p;
    p.Parse(file);
    QCOMPARE(p.ReadString("S", "K", "<missing>"), value);
    // Writing an unchanged value keeps every byte; a changed one rewrites only its line.
    if (value != "<missing>") {
        p.WriteString("s", "k", value);
        QByteArray expected = file;
        if (!expected.endsWith('\n'))
            expected += file.contains('\r') ? "\r\n" : "\n";
        if (!file.contains("\xFC"))
            QCOMPARE(p.Serialize(), expected);
        p.WriteString("S", "K", "neu");
        ProfileFile q;
        q.Parse(p.Serialize());
        QCOMPARE(q.ReadString("S", "K"), QString("neu"));
        QCOMPARE(p.Serialize().startsWith("\xEF\xBB\xBF"), file.startsWith("\xEF\xBB\xBF"));
    }
}

void TestSettings::scrambleVectors_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<uint>("seed");
    QTest::addColumn<QString>("scrambled");
    QTest::newRow("login geheim") << "geheim" << 60382u << "Sk&7Cq";
    QTest::newRow("login Passwort1") << "Passwort1" << 60382u << "<g1EQsQ%(";
    QTest::newRow("login ab") << "ab" << 60382u << "Mh";
    QTest::newRow("login tab kept, no shift used") << "a\tb" << 60382u << "M\th";
    QTest::newRow("login brace kept") << "a{b" << 60382u << "M{h";
    QTest::newRow("login umlaut kept") << QString::fromUtf8("aäb") << 60382u << QString::fromUtf8("Mäh");
    QTest::newRow("login Herz") << "Herz" << 60382u << "4k0 ";
    QTest::newRow("proxy secret") << "secret" << 47319u << "goTQ^b";
    QTest::newRow("proxy geheim") << "geheim" << 47319u << "[oYDb[";
    QTest::newRow("empty") << "" << 60382u << "";
}

void TestSettings::scrambleVectors()
{
    QFETCH(QString, plain);
    QFETCH(uint, seed);
    QFETCH(QString, scrambled);
    QCOMPARE(ScramblePasswort(plain, seed, false), scrambled);
    QCOMPARE(ScramblePasswort(scrambled, seed, true), plain);
}

void TestSettings::scrambleRoundTripsEveryCharacter()
{
    // Every character at every one of the first positions, so that each shift meets it.
    for (quint32 seed : {47319u, 60382u}) {
        for (int pos = 0; pos < 40; ++pos) {
            for (int c = 32; c <= 122; ++c) {
                const QString text = QString(pos, QLatin1Char('a')) + QChar(c) + QLatin1String("z z");
                const QString s = ScramblePasswort(text, seed, false);
                QCOMPARE(s.size(), text.size());
                QCOMPARE(ScramblePasswort(s, seed, true), text);
            }
        }
    }
}

void TestSettings::passwordRoundTripThroughFile_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("Herz ends in a blank") << "Herz";
    QTest::newRow("pizza") << "pizza";
    QTest::newRow("z only") << "zzzz";
    QTest::newRow("blanks") << " a b ";
    QTest::newRow("quotes") << "\"x\"";
    QTest::newRow("backslash") << "a\\nb\\";
    QTest::newRow("empty") << "";
}

void TestSettings::passwordRoundTripThroughFile()
{
    QFETCH(QString, password);
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    TIniFileDaten rec = DefaultIniFileDaten();
    rec.Login_Passwort = password;
    rec.Proxy_Passwort = password;
    QVERIFY(SaveIniFileDaten(path, rec));
    const TIniFileDaten back = LoadIniFileDaten(path);
    QCOMPARE(back.Login_Passwort, password);
    QCOMPARE(back.Proxy_Passwort, password);
    if (password == "Herz")
        QCOMPARE(rawLine(path, "Login_Passwort"), QString("Login_Passwort=\"4k0 \""));
    if (password.isEmpty())
        QCOMPARE(rawLine(path, "Login_Passwort"), QString("Login_Passwort="));
}

void TestSettings::listValues_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QVector<int>>("widths");
    const QVector<int> def{189, 134, 110, 110, 165};
    QTest::newRow("plain") << QByteArray("1,2,3") << QVector<int>{1, 2, 3};
    QTest::newRow("wrong length kept") << QByteArray("10,20") << QVector<int>{10, 20};
    QTest::newRow("trailing comma") << QByteArray("1,2,") << QVector<int>{1, 2};
    QTest::newRow("empty") << QByteArray("") << QVector<int>{};
    QTest::newRow("negative") << QByteArray("-5,7") << QVector<int>{-5, 7};
    QTest::newRow("bad piece") << QByteArray("189,abc,110,110,165") << def;
    QTest::newRow("inner empty piece") << QByteArray("1,,2") << def;
    QTest::newRow("two trailing commas") << QByteArray("1,2,,") << def;
    QTest::newRow("blank in piece") << QByteArray("1, 2") << def;
    QTest::newRow("overflow") << QByteArray("99999999999999999999999") << def;
}

void TestSettings::listValues()
{
    QFETCH(QByteArray, value);
    QFETCH(QVector<int>, widths);
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    writeFile(path, "[Kontakte]\nWidths=" + value + "\nSortierung=3\n[SMS]\nWidths_Versendete=" + value
                        + "\nProtokollLimit=-1\n");
    TIniFileDaten rec;
    QVERIFY(LoadIniFileDaten(path, rec));
    QCOMPARE(rec.Widths, widths);
    // The rest of the file still loads.
    QCOMPARE(rec.Sortierung, 3);
    QCOMPARE(rec.ProtokollLimit, -1);
    QCOMPARE(rec.Widths_Versandprotokoll, (QVector<int>{132, 250, 110, 110}));
    QVERIFY(SaveIniFileDaten(path, rec));
    QCOMPARE(fileValue(path, "Kontakte", "Widths"), IntArrayToStr(widths));
}

void TestSettings::newsTextSplit_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("len1");
    QTest::addColumn<int>("len2");
    QTest::addColumn<int>("len3");
    QTest::newRow("empty") << 0 << 0 << 0 << 0;
    QTest::newRow("1000") << 1000 << 1000 << 0 << 0;
    QTest::newRow("1001") << 1001 << 1000 << 1 << 0;
    QTest::newRow("2000") << 2000 << 1000 << 1000 << 0;
    QTest::newRow("2500") << 2500 << 1000 << 1000 << 500;
    QTest::newRow("9000") << 9000 << 1000 << 1000 << 7000;
}

void TestSettings::newsTextSplit()
{
    QFETCH(int, length);
    QFETCH(int, len1);
    QFETCH(int, len2);
    QFETCH(int, len3);
    QString content;
    for (int i = 0; i < length; ++i)
        content += QChar(QLatin1Char('a' + i % 26));
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    TIniFileDaten rec = DefaultIniFileDaten();
    rec.Content = content;
    QVERIFY(SaveIniFileDaten(path, rec));
    QCOMPARE(fileValue(path, "News", "Content").size(), len1);
    QCOMPARE(fileValue(path, "News", "Content2").size(), len2);
    QCOMPARE(fileValue(path, "News", "Content3").size(), len3);
    QCOMPARE(LoadIniFileDaten(path).Content, content);
}

void TestSettings::lineBreaksNeverWrittenRaw()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    TIniFileDaten rec = DefaultIniFileDaten();
    rec.Headline = "Neu\n[Allgemein]\nStartOrdner=2";
    rec.Content = "Zeile 1\r\nZeile 2\\n bleibt\n\nIndex=99\r";
    rec.Firma = "A\nB";
    rec.Content += QString(1200, QLatin1Char('x')) + "\r\n" + QString(1000, QLatin1Char('y'));
    QVERIFY(SaveIniFileDaten(path, rec));
    const QByteArray bytes = readFile(path);
    QVERIFY(!bytes.contains('\r'));
    QCOMPARE(QString::fromUtf8(bytes).split(QLatin1Char('\n')).count(QStringLiteral("[Allgemein]")), 1);
    const TIniFileDaten back = LoadIniFileDaten(path);
    QCOMPARE(back.Headline, rec.Headline);
    QCOMPARE(back.Content, rec.Content);
    QCOMPARE(back.Firma, rec.Firma);
    QCOMPARE(back.StartOrdner, 0);
    QCOMPARE(back.Index, 0);
}

void TestSettings::quotesAndBlanksAtTheEnds_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("written");   // the text after "=" in the file
    QTest::newRow("plain") << "hans" << "hans";
    QTest::newRow("inner blank") << "a b" << "a b";
    QTest::newRow("backslash alone stays literal") << "DOM\\user\\n" << "DOM\\user\\n";
    QTest::newRow("leading blank") << " a" << "\" a\"";
    QTest::newRow("trailing blank") << "a " << "\"a \"";
    QTest::newRow("tab") << "\ta" << "\"\ta\"";
    QTest::newRow("blank only") << " " << "\" \"";
    QTest::newRow("double quoted") << "\"x\"" << "\"\"x\"\"";
    QTest::newRow("single quoted") << "'x'" << "\"'x'\"";
    QTest::newRow("one quote") << "\"" << "\"";
    QTest::newRow("quote one side") << "\"x" << "\"x";
    QTest::newRow("quoted with backslash") << "\"a\\b\"" << "\"\"a\\\\b\"\"";
    QTest::newRow("blank and backslash") << " C:\\n" << "\" C:\\\\n\"";
}

void TestSettings::quotesAndBlanksAtTheEnds()
{
    QFETCH(QString, value);
    QFETCH(QString, written);
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    TIniFileDaten rec = DefaultIniFileDaten();
    rec.Proxy_Username = value;
    QVERIFY(SaveIniFileDaten(path, rec));
    QCOMPARE(rawLine(path, "Proxy_Username"), "Proxy_Username=" + written);
    QCOMPARE(LoadIniFileDaten(path).Proxy_Username, value);
}

void TestSettings::badValuesTakeDefaults_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("loaded");   // as the next save writes it
    QTest::newRow("bool yes") << "Allgemein" << "Proxy" << "yes" << "0";
    QTest::newRow("bool true default 1") << "SMS" << "Use_Https" << "true" << "1";
    QTest::newRow("bool 2 is true") << "Allgemein" << "Proxy" << "2" << "1";
    QTest::newRow("bool -1 is true") << "Allgemein" << "Proxy" << "-1" << "1";
    QTest::newRow("bool 0") << "SMS" << "Use_Https" << "0" << "0";
    QTest::newRow("bool empty") << "SMS" << "Use_Https" << "" << "1";
    QTest::newRow("int trailing text") << "SMS" << "ProtokollLimit" << "5000x" << "5000";
    QTest::newRow("int blanks trimmed") << "SMS" << "ProtokollLimit" << "  250  " << "250";
    QTest::newRow("int inner blank") << "SMS" << "ProtokollLimit" << "2 50" << "5000";
    QTest::newRow("int plus") << "SMS" << "ProtokollLimit" << "+7" << "7";
    QTest::newRow("int hex") << "SMS" << "ProtokollLimit" << "0x10" << "5000";
    QTest::newRow("int float") << "SMS" << "ProtokollLimit" << "1,5" << "5000";
    QTest::newRow("int overflow") << "SMS" << "ProtokollLimit" << "2147483648" << "5000";
    QTest::newRow("int quoted") << "Allgemein" << "Proxy_Port" << "\"8080\"" << "8080";
    QTest::newRow("int empty") << "Accountstatus" << "AnzTodo" << "" << "-1";
    QTest::newRow("float comma") << "Accountstatus" << "Kontingent" << "12,6" << "12,6";
    QTest::newRow("float point") << "Accountstatus" << "Kontingent" << "12.6" << "12,6";
    QTest::newRow("float integer") << "Accountstatus" << "Kontingent" << "300" << "300";
    QTest::newRow("float thousands") << "Accountstatus" << "Kontingent" << "1.234,5" << "0";
    QTest::newRow("float text") << "Accountstatus" << "Kontingent" << "viel" << "0";
    QTest::newRow("float inf") << "Accountstatus" << "Kontingent" << "inf" << "0";
    QTest::newRow("date") << "Benutzerdaten" << "GueltigBis" << "01.02.2003" << "01.02.2003";
    QTest::newRow("date short fields") << "Benutzerdaten" << "GueltigBis" << "1.2.2003" << "01.02.2003";
    QTest::newRow("date invalid day") << "Benutzerdaten" << "GueltigBis" << "31.02.2020" << "14.03.2026";
    QTest::newRow("date iso") << "Benutzerdaten" << "GueltigBis" << "2020-01-01" << "14.03.2026";
    QTest::newRow("date with time") << "News" << "ShowUntil" << "01.02.2003 10:00:00" << "14.03.2026";
    QTest::newRow("datetime") << "Benutzerdaten" << "Stand" << "01.02.2003 10:11:12" << "01.02.2003 10:11:12";
    QTest::newRow("datetime date alone") << "Accountstatus" << "Stand" << "01.02.2003" << "01.02.2003 00:00:00";
    QTest::newRow("datetime no seconds") << "Accountstatus" << "Stand" << "01.02.2003 9:05" << "01.02.2003 09:05:00";
    QTest::newRow("datetime bad hour") << "Accountstatus" << "Stand" << "01.02.2003 25:00:00" << "14.03.2026 09:26:53";
    QTest::newRow("datetime text") << "Benutzerdaten" << "Stand" << "gestern" << "14.03.2026 09:26:53";
}

void TestSettings::badValuesTakeDefaults()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, loaded);
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    writeFile(path, ("[" + section + "]\n" + key + "=" + value + "\n").toUtf8());
    TIniFileDaten rec;
    QVERIFY(LoadIniFileDaten(path, rec));
    const QString out = dir.filePath("out.ini");
    QVERIFY(SaveIniFileDaten(out, rec));
    QCOMPARE(fileValue(out, section, key), loaded);
}

void TestSettings::fileFailures()
{
    QTemporaryDir dir;
    // A file that exists but cannot be read: false, and the record holds the defaults.
    const QString unreadable = dir.filePath("unreadable.ini");
    QVERIFY(QDir(dir.path()).mkdir("unreadable.ini"));
    TIniFileDaten rec;
    rec.StartOrdner = 2;
    QString error;
    QVERIFY(!LoadIniFileDaten(unreadable, rec, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(rec.StartOrdner, 0);

    // A directory that cannot take the file.
    error.clear();
    QVERIFY(!SaveIniFileDaten(dir.filePath("missing/Vornix2.ini"), DefaultIniFileDaten(), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!SaveIniFileDaten(unreadable, DefaultIniFileDaten()));
    QVERIFY(QFileInfo(unreadable).isDir());

    // A write failure leaves the old file whole.
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    writeFile(path, "[SMS]\nUse_Https=0\n");
    const QString ro = dir.filePath("ro");
    QVERIFY(QDir(dir.path()).mkdir("ro"));
    QFile::copy(path, ro + "/Vornix2.ini");
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(ro).isWritable())
        QSKIP("running with rights that ignore a read-only directory");
    QVERIFY(!SaveIniFileDaten(ro + "/Vornix2.ini", DefaultIniFileDaten()));
    QCOMPARE(readFile(ro + "/Vornix2.ini"), QByteArray("[SMS]\nUse_Https=0\n"));
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestSettings::editModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("file");        // "good", "bad" (fails to load), "none"
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("written");        // the file holds the change afterwards
    QTest::addColumn<bool>("live");           // the live record holds it
    QTest::addColumn<bool>("loaded");         // the file counts as loaded afterwards
    const int ifLoaded = int(Settings::EditMode::IfLoaded);
    const int discard = int(Settings::EditMode::WriteOrDiscard);
    const int keep = int(Settings::EditMode::WriteOrKeep);
    QTest::newRow("if loaded, loaded") << ifLoaded << "good" << true << true << true << true;
    QTest::newRow("if loaded, no file") << ifLoaded << "none" << true << true << true << true;
    QTest::newRow("if loaded, failed to load: file kept") << ifLoaded << "bad" << true << false << true << false;
    QTest::newRow("if loaded, write fails") << ifLoaded << "good" << false << false << true << true;
    QTest::newRow("discard, failed to load: written") << discard << "bad" << true << true << true << true;
    QTest::newRow("discard, write fails") << discard << "good" << false << false << false << true;
    QTest::newRow("discard, write fails, not loaded") << discard << "bad" << false << false << false << false;
    QTest::newRow("keep, failed to load: written") << keep << "bad" << true << true << true << true;
    QTest::newRow("keep, write fails") << keep << "good" << false << false << true << true;
}

void TestSettings::editModes()
{
    QFETCH(int, mode);
    QFETCH(QString, file);
    QFETCH(bool, writable);
    QFETCH(bool, written);
    QFETCH(bool, live);
    QFETCH(bool, loaded);
    QTemporaryDir dir;
    ScriptedMessages msgs;
    const QString path = dir.filePath(QLatin1String(kIniFileName));
    const QByteArray bad("[Benutzerdaten]\r\nOrt=Alt\r\n");
    if (file == QLatin1String("good"))
        QVERIFY(SaveIniFileDaten(path, DefaultIniFileDaten()));
    Settings settings;
    settings.SetFileName(path);
    if (file == QLatin1String("bad"))
        QVERIFY(QDir(dir.path()).mkdir(kIniFileName));   // a directory in the file's place
    QString error;
    QCOMPARE(settings.Load(&error), file != QLatin1String("bad"));
    if (file == QLatin1String("bad")) {
        QVERIFY(QDir(dir.path()).rmdir(kIniFileName));
        writeFile(path, bad);   // what it held stays unread for this run
    }
    if (!writable) {
        QFile::remove(path);
        QVERIFY(QDir(dir.path()).mkdir(kIniFileName));
    }
    int changed = 0;
    bool hourglass = false;
    connect(&settings, &Settings::changed, [&] { ++changed; });
    msgs.OnMessage([&](const ScriptedMessages::Entry&) { hourglass = QApplication::overrideCursor() != nullptr; });

    QCOMPARE(settings.Edit([](TIniFileDaten& r) { r.Ort = QString::fromUtf8("Köln"); }, Settings::EditMode(mode)),
             writable || (file == QLatin1String("bad") && mode == int(Settings::EditMode::IfLoaded)));
    QCOMPARE(settings.Live().Ort == QString::fromUtf8("Köln"), live);
    QCOMPARE(changed, live ? 1 : 0);
    QCOMPARE(settings.IsLoaded(), loaded);
    if (writable)
        QCOMPARE(LoadIniFileDaten(path).Ort == QString::fromUtf8("Köln"), written);
    if (writable && !written)
        QCOMPARE(readFile(path), bad);
    // A failed write is reported once, with the normal cursor.
    QCOMPARE(msgs.Count(), writable ? 0 : 1);
    if (!writable) {
        QVERIFY(msgs.Texts().first().startsWith(
            QStringLiteral("Die Einstellungen konnten nicht gespeichert werden.\n\rFehlermeldung: ")));
        QVERIFY(!hourglass);
    }
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
