#include "exchange/CsvDatei.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// TCsvDatei: the writer byte for byte, the reader by
// tables, the lookups, failed writes and inputs that must neither crash nor hang.

using Rows = QList<QStringList>;

class TestCsvDatei : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup() { SetAtomicWriteFault({}); }

    void writerBytes_data();
    void writerBytes();
    void writerSwitchesToUtf8_data();
    void writerSwitchesToUtf8();
    void headerNeverQuoted();
    void quoteIfNeeded_data();
    void quoteIfNeeded();
    void roundTrip_data();
    void roundTrip();
    void utf16_data();
    void utf16();

    void reader_data();
    void reader();
    void readerSkip();
    void duplicateHeaderName();
    void lookupGuards();
    void rowsInMemory();
    void intValue_data();
    void intValue();
    void dateValue_data();
    void dateValue();
    void birthDateValue_data();
    void birthDateValue();

    void missingFileFails();
    void writeToMissingFolderFails();
    void failedRenameKeepsTarget();
    void failedWriteKeepsTarget();
    void failedStepKeepsTarget_data();
    void failedStepKeepsTarget();
    void failedSwitchToUtf8KeepsTarget_data();
    void failedSwitchToUtf8KeepsTarget();
    void fullFileSystemKeepsTarget();
    void abandonedWriteKeepsTarget();
    void reopenDiscardsEarlierWrite();

    void tenMegabyteField();
    void unterminatedQuotesStayLinear();
    void binaryGarbage();
    void hundredThousandRows();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    std::unique_ptr<TCsvDatei> read(const QByteArray& bytes, char sep = ';') const;
    static QByteArray fileBytes(const QString& fileName);
    static Rows table(const TCsvDatei& csv);

    std::unique_ptr<QTemporaryDir> m_dir;
};

static QString u8(const char* text) { return QString::fromUtf8(text); }

void TestCsvDatei::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestCsvDatei::writeFile(const QString& name, const QByteArray& bytes) const
{
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return f.fileName();
}

std::unique_ptr<TCsvDatei> TestCsvDatei::read(const QByteArray& bytes, char sep) const
{
    return TCsvDatei::CreateFromFile(writeFile(QStringLiteral("in.csv"), bytes), sep);
}

QByteArray TestCsvDatei::fileBytes(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

// Every record as the values under each column name, in column order.
Rows TestCsvDatei::table(const TCsvDatei& csv)
{
    Rows rows;
    const QStringList columns = csv.GetSpalten();
    for (int r = 0; r < csv.GetRowCount(); ++r) {
        QStringList row;
        for (const QString& c : columns)
            row << csv.GetValue(r, c);
        rows << row;
    }
    return rows;
}

// ---- Writer ---------------------------------------------------------------------------------

static const QStringList kColumns{"Name", "Ort", "Text", "Leer"};

static QList<QHash<QString, QString>> sampleRows()
{
    return {
        {{"Name", u8("Müller")}, {"Ort", u8("Köln")}, {"Text", u8("5 €")}, {"Leer", ""}},
        {{"Name", "Sag \"Hallo\""}, {"Ort", "A;B"}, {"Text", "A, B"}},
        {{"Name", "Zeile1\r\nZeile2"}, {"Ort", "Tab\there"}, {"Text", u8("Ölß")}, {"Fremd", "x"}},
        {},
        {{"Name", "nur\nLF"}, {"Text", "\"\""}},
    };
}

void TestCsvDatei::writerBytes_data()
{
    QTest::addColumn<int>("sep");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("semicolon") << int(';')
        << QByteArray("Name;Ort;Text;Leer\r\n"
                      "M\xFCller;K\xF6ln;5 \x80;\r\n"
                      "\"Sag \"\"Hallo\"\"\";\"A;B\";A, B;\r\n"
                      "\"Zeile1\r\nZeile2\";Tab\there;\xD6l\xDF;\r\n"
                      ";;;\r\n"
                      "\"nur\nLF\";;\"\"\"\"\"\";\r\n");
    QTest::newRow("comma") << int(',')
        << QByteArray("Name,Ort,Text,Leer\r\n"
                      "M\xFCller,K\xF6ln,5 \x80,\r\n"
                      "\"Sag \"\"Hallo\"\"\",A;B,\"A, B\",\r\n"
                      "\"Zeile1\r\nZeile2\",Tab\there,\xD6l\xDF,\r\n"
                      ",,,\r\n"
                      "\"nur\nLF\",,\"\"\"\"\"\",\r\n");
    QTest::newRow("tab") << int('\t')
        << QByteArray("Name\tOrt\tText\tLeer\r\n"
                      "M\xFCller\tK\xF6ln\t5 \x80\t\r\n"
                      "\"Sag \"\"Hallo\"\"\"\tA;B\tA, B\t\r\n"
                      "\"Zeile1\r\nZeile2\"\t\"Tab\there\"\t\xD6l\xDF\t\r\n"
                      "\t\t\t\r\n"
                      "\"nur\nLF\"\t\t\"\"\"\"\"\"\t\r\n");
}

void TestCsvDatei::writerBytes()
{
    QFETCH(int, sep);
    QFETCH(QByteArray, expected);
    TCsvDatei csv;
    csv.SetSpalten(kColumns);
    const QString target = path("out.csv");
    csv.OpenWrite(target, char(sep));
    QVERIFY(csv.IsOpen());
    for (const auto& row : sampleRows())
        csv.AddRow(row);
    csv.CloseWrite();
    QVERIFY(!csv.IsOpen());
    QCOMPARE(fileBytes(target), expected);
    QCOMPARE(csv.GetRowCount(), 0);   // written records are not kept
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"out.csv"});
}

// One character Windows-1252 lacks turns the whole file into UTF-8 with a byte-order mark, the
// lines written before it included, wherever it comes (also after the first 64 KiB went out).
void TestCsvDatei::writerSwitchesToUtf8_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("text");
    QTest::newRow("in the first row") << 0 << u8("Łukasz");
    QTest::newRow("after some rows") << 3 << u8("Ελένη");
    QTest::newRow("after 64 KiB") << 2000 << u8("Şükrü 😀");
    QTest::newRow("a lone surrogate half") << 5 << QString(QChar(0xD800));
}

void TestCsvDatei::writerSwitchesToUtf8()
{
    QFETCH(int, before);
    QFETCH(QString, text);
    const QStringList columns{"Name", "Text"};
    QList<QStringList> rows;
    for (int i = 0; i < before; ++i)
        rows << QStringList{u8("Jörg „%1“ €").arg(i), QString(30, u'x') + QChar(0x81) + ";\""};
    rows << QStringList{text, u8("Köln")} << QStringList{u8("Weiß"), ""};
    TCsvDatei csv;
    csv.SetSpalten(columns);
    const QString target = writeFile("out.csv", "old\r\n");
    csv.OpenWrite(target, ';');
    for (const QStringList& row : rows)
        csv.AddValues(row);
    QVERIFY(csv.WritesUtf8());
    csv.CloseWrite();

    QString expected = "Name;Text\r\n";
    for (const QStringList& row : rows)
        expected += TCsvDatei::QuoteIfNeeded(row[0], u';') + u';' + TCsvDatei::QuoteIfNeeded(row[1], u';') + "\r\n";
    QCOMPARE(fileBytes(target), "\xEF\xBB\xBF" + expected.toUtf8());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"out.csv"});

    // The program's own import reads it back as it was.
    const auto back = TCsvDatei::CreateFromFile(target, ';');
    QVERIFY(back->IsUtf8());
    QCOMPARE(back->GetRowCount(), rows.size());
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < columns.size(); ++c)
            if (!rows[r][c].contains(QChar(0xD800)))
                QCOMPARE(back->GetValue(r, columns[c]), rows[r][c]);
}

void TestCsvDatei::headerNeverQuoted()
{
    TCsvDatei csv;
    csv.SetSpalten({"a;b", "c\"d", ""});
    const QString target = path("h.csv");
    csv.OpenWrite(target, ';');
    csv.AddRow(QMap<QString, QString>{{"a;b", "1"}, {"c\"d", "2"}});
    csv.CloseWrite();
    QCOMPARE(fileBytes(target), QByteArray("a;b;c\"d;\r\n1;2;\r\n"));
}

void TestCsvDatei::quoteIfNeeded_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("sep");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "abc" << int(';') << "abc";
    QTest::newRow("empty") << "" << int(';') << "";
    QTest::newRow("comma with semicolon") << "A, B" << int(';') << "A, B";
    QTest::newRow("comma with comma") << "A, B" << int(',') << "\"A, B\"";
    QTest::newRow("semicolon with tab") << "a;b" << int('\t') << "a;b";
    QTest::newRow("tab with semicolon") << "a\tb" << int(';') << "a\tb";
    QTest::newRow("tab with tab") << "a\tb" << int('\t') << "\"a\tb\"";
    QTest::newRow("blanks stay bare") << "  a  " << int(';') << "  a  ";
    QTest::newRow("quote") << "a\"b" << int(';') << "\"a\"\"b\"";
    QTest::newRow("only a quote") << "\"" << int(';') << "\"\"\"\"";
    QTest::newRow("LF") << "a\nb" << int(';') << "\"a\nb\"";
    QTest::newRow("CR") << "a\rb" << int(';') << "\"a\rb\"";
}

void TestCsvDatei::quoteIfNeeded()
{
    QFETCH(QString, value);
    QFETCH(int, sep);
    QTEST(TCsvDatei::QuoteIfNeeded(value, QChar(sep)), "expected");
}

void TestCsvDatei::roundTrip_data()
{
    QTest::addColumn<int>("sep");
    QTest::addColumn<bool>("windows1252");
    QTest::newRow("semicolon") << int(';') << true;
    QTest::newRow("comma") << int(',') << true;
    QTest::newRow("tab") << int('\t') << true;
    QTest::newRow("semicolon, a letter beyond Windows-1252") << int(';') << false;
    QTest::newRow("tab, a letter beyond Windows-1252") << int('\t') << false;
}

void TestCsvDatei::roundTrip()
{
    QFETCH(int, sep);
    QFETCH(bool, windows1252);
    const QStringList columns{"Name", "Ort", "Text", "Leer", "Zahl", "Datum"};
    QList<QHash<QString, QString>> rows{
        {{"Name", u8("Jörg „Jo“ Weiß")}, {"Ort", "A;B,C\tD"}, {"Text", "Zeile1\r\nZeile2\nZeile3\rEnde"},
         {"Zahl", "42"}, {"Datum", "01.02.2000"}},
        {{"Name", "\"quoted\""}, {"Ort", "x\"\";y"}, {"Text", u8("5 € ‰ Œ")}, {"Leer", ""}},
        {{"Name", "$#$#$B-R-E-A-K$#$#$"}, {"Datum", "31.02.2000"}},
        {{"Text", u8("Omega \u0081\u009D")}},
    };
    if (!windows1252)
        rows[3]["Text"] = u8("Ωmega 😀 İstanbul");
    TCsvDatei writer;
    writer.SetSpalten(columns);
    const QString target = path("rt.csv");
    writer.OpenWrite(target, char(sep));
    for (const auto& row : rows)
        writer.AddRow(row);
    writer.CloseWrite();

    const auto csv = TCsvDatei::CreateFromFile(target, char(sep));
    QCOMPARE(csv->IsUtf8(), !windows1252);
    QCOMPARE(fileBytes(target).startsWith("\xEF\xBB\xBF"), !windows1252);
    QCOMPARE(csv->GetSpalten(), columns);
    QCOMPARE(csv->GetRowCount(), rows.size());
    for (int r = 0; r < rows.size(); ++r)
        for (const QString& c : columns)
            QCOMPARE(csv->GetValue(r, c), rows[r].value(c));
    QCOMPARE(csv->GetIntValue(0, "Zahl"), 42);
    QCOMPARE(csv->GetDateValue(0, "Datum"), QDate(2000, 2, 1));
    QVERIFY(!csv->GetDateValue(2, "Datum").isValid());
}

// ---- Reader ---------------------------------------------------------------------------------

void TestCsvDatei::reader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("sep");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<Rows>("rows");

    const QStringList ab{"a", "b"};
    const QStringList abc{"a", "b", "c"};

    QTest::newRow("empty file") << QByteArray() << int(';') << QStringList() << Rows();
    QTest::newRow("only a line end") << QByteArray("\r\n") << int(';') << QStringList() << Rows();
    QTest::newRow("only a header") << QByteArray("a;b\r\n") << int(';') << ab << Rows();
    QTest::newRow("only a header, no line end") << QByteArray("a;b") << int(';') << ab << Rows();
    QTest::newRow("header and blank lines") << QByteArray("a;b\r\n\r\n  \r\n") << int(';') << ab << Rows();
    QTest::newRow("plain") << QByteArray("a;b\r\n1;2\r\n3;4\r\n") << int(';') << ab
                           << Rows{{"1", "2"}, {"3", "4"}};
    QTest::newRow("last line without line end") << QByteArray("a;b\r\n1;2\r\n3;4") << int(';') << ab
                                                << Rows{{"1", "2"}, {"3", "4"}};
    QTest::newRow("CR only") << QByteArray("a;b\r1;2\r3;4\r") << int(';') << ab
                             << Rows{{"1", "2"}, {"3", "4"}};
    QTest::newRow("LF only") << QByteArray("a;b\n1;2\n3;4\n") << int(';') << ab
                             << Rows{{"1", "2"}, {"3", "4"}};
    QTest::newRow("mixed line ends") << QByteArray("a;b\r\n1;2\r3;4\n5;6\n\r7;8") << int(';') << ab
                                     << Rows{{"1", "2"}, {"3", "4"}, {"5", "6"}, {"7", "8"}};
    QTest::newRow("blank lines skipped") << QByteArray("a;b\r\n\r\n   \r\n1;2\r\n\t \x01\r\n3;4\r\n")
                                         << int(';') << ab << Rows{{"1", "2"}, {"3", "4"}};
    QTest::newRow("quotes inside fields") << QByteArray("a;b\r\n\"x\"\"y\";z\"\"w\r\n") << int(';') << ab
                                          << Rows{{"x\"y", "z\"w"}};
    QTest::newRow("blank before a quote") << QByteArray("a;b\r\n \"x\";y\r\n") << int(';') << ab
                                          << Rows{{"\"x\"", "y"}};
    QTest::newRow("separator inside quotes") << QByteArray("a;b;c\r\n\"x;y\";z;\"1;2\"\r\n")
                                             << int(';') << abc << Rows{{"x;y", "z", "1;2"}};
    QTest::newRow("quoted value then empty last field") << QByteArray("a;b\r\n\"a;b\";\r\n") << int(';')
                                                        << ab << Rows{{"a;b", ""}};
    QTest::newRow("quoted empty field") << QByteArray("a;b\r\n\"\";x\r\n") << int(';') << ab
                                        << Rows{{"", "x"}};
    QTest::newRow("trailing separator: empty last field") << QByteArray("a;b\r\nx;\r\n") << int(';')
                                                          << ab << Rows{{"x", ""}};
    QTest::newRow("blanks trimmed, inside quotes too") << QByteArray("a;b\r\n x ;\"  y\t\"\r\n")
                                                       << int(';') << ab << Rows{{"x", "y"}};
    QTest::newRow("control codes trimmed, NBSP kept") << QByteArray("a;b\r\n\x01x\x1F;\xA0y\xA0\r\n")
                                                      << int(';') << ab
                                                      << Rows{{"x", u8("\u00A0y\u00A0")}};
    QTest::newRow("doubled quotes in a bare field") << QByteArray("a;b\r\na\"\"b;\"\"\"\"\r\n") << int(';')
                                                    << ab << Rows{{"a\"b", "\""}};
    QTest::newRow("junk after a closing quote") << QByteArray("a;b\r\n\"ab\"c;d\r\n") << int(';') << ab
                                                << Rows{{"ab\"c;d", ""}};
    QTest::newRow("end marker is data") << QByteArray("a;b\r\n$#$#$B-R-E-A-K$#$#$;x\r\ny;$#$#$B-R-E-A-K$#$#$\r\n")
                                        << int(';') << ab
                                        << Rows{{"$#$#$B-R-E-A-K$#$#$", "x"}, {"y", "$#$#$B-R-E-A-K$#$#$"}};
    QTest::newRow("ragged rows") << QByteArray("a;b;c\r\n1;2;3;4;5\r\n1\r\n1;2\r\n") << int(';') << abc
                                 << Rows{{"1", "2", "3"}, {"1", "", ""}, {"1", "2", ""}};
    QTest::newRow("header with a trailing separator") << QByteArray("a;b;\r\n1;2;3\r\n") << int(';') << ab
                                                      << Rows{{"1", "2"}};
    QTest::newRow("header with a leading separator") << QByteArray(";a\r\n1;2\r\n") << int(';')
                                                     << QStringList{"", "a"} << Rows{{"", "2"}};
    QTest::newRow("header split ignores quotes") << QByteArray("\"a;b\";c\r\n1;2;3\r\n") << int(';')
                                                 << QStringList{"a", "b\"", "c"} << Rows{{"1", "2", "3"}};
    QTest::newRow("header names unquoted and trimmed") << QByteArray("\"x\"; \" y\" ;z\r\n1;2;3\r\n")
                                                       << int(';') << QStringList{"x", "\" y\"", "z"}
                                                       << Rows{{"1", "2", "3"}};
    QTest::newRow("all-separator line, semicolon") << QByteArray("a;b;c\r\n;;\r\n") << int(';') << abc
                                                   << Rows();
    QTest::newRow("blank spreadsheet rows between records") << QByteArray("a;b;c\r\n1;2;3\r\n;;;;;;\r\n; ;\"\";\r\n4;;\r\n")
                                                           << int(';') << abc << Rows{{"1", "2", "3"}, {"4", "", ""}};
    QTest::newRow("a value beyond the header is a value") << QByteArray("a;b\r\n;;x\r\n") << int(';') << ab
                                                         << Rows{{"", ""}};
    QTest::newRow("a doubled quote is a value") << QByteArray("a;b\r\n;\"\"\"\"\r\n") << int(';') << ab
                                               << Rows{{"", "\""}};
    const auto nul = [](QByteArray b) { return b.replace('@', '\0'); };
    QTest::newRow("NUL characters dropped") << nul("a@;b\r\nx@y;@\r\n@;z\r\n") << int(';') << ab
                                           << Rows{{"xy", ""}, {"", "z"}};
    QTest::newRow("NUL characters dropped, UTF-8") << nul("a;b\r\nJ\xC3\xB6@rg;1\r\n") << int(';') << ab
                                                  << Rows{{u8("Jörg"), "1"}};
    QTest::newRow("all-separator line, tab") << QByteArray("a\tb\tc\r\n\t\t\r\n") << int('\t') << abc
                                             << Rows();
    QTest::newRow("tab separator") << QByteArray("a\tb\r\nx;y\t\"1\t2\"\r\n") << int('\t') << ab
                                   << Rows{{"x;y", "1\t2"}};
    QTest::newRow("comma separator") << QByteArray("a,b\r\nx;y,\"1,2\"\r\n") << int(',') << ab
                                     << Rows{{"x;y", "1,2"}};
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBFName;Ort\r\nJ\xC3\xB6rg;K\xC3\xB6ln\r\n") << int(';')
                               << QStringList{"Name", "Ort"} << Rows{{u8("Jörg"), u8("Köln")}};
    QTest::newRow("UTF-8 BOM, ASCII only") << QByteArray("\xEF\xBB\xBFName;Ort\r\nJo;K\r\n") << int(';')
                                           << QStringList{"Name", "Ort"} << Rows{{"Jo", "K"}};
    QTest::newRow("UTF-8 without BOM") << QByteArray("Name;Ort\r\nJ\xC3\xB6rg;5 \xE2\x82\xAC\r\n") << int(';')
                                       << QStringList{"Name", "Ort"} << Rows{{u8("Jörg"), u8("5 €")}};
    QTest::newRow("Windows-1252") << QByteArray("Name;Ort\r\nJ\xF6rg;5 \x80 \x84x\x93\r\n") << int(';')
                                  << QStringList{"Name", "Ort"} << Rows{{u8("Jörg"), u8("5 € „x“")}};
    QTest::newRow("UTF-8 BOM, then Windows-1252") << QByteArray("\xEF\xBB\xBFName;Ort\r\nJ\xFCrgen;K\xF6ln \x80\r\n")
                                                  << int(';') << QStringList{"Name", "Ort"}
                                                  << Rows{{u8("Jürgen"), u8("Köln €")}};
    QTest::newRow("UTF-8 BOM, UTF-8 cut short at the end") << QByteArray("\xEF\xBB\xBF" "a\r\nK\xC3\xB6ln\xC3")
                                                           << int(';') << QStringList{"a"}
                                                           << Rows{{u8("KÃ¶lnÃ")}};
    QTest::newRow("UTF-8 sequence then a Windows-1252 byte") << QByteArray("a;b\r\nM\xC3\xBCller;\xFC\r\n")
                                                            << int(';') << ab
                                                            << Rows{{u8("MÃ¼ller"), u8("ü")}};
    QTest::newRow("overlong UTF-8 is Windows-1252") << QByteArray("a\r\n\xC0\xAF\r\n") << int(';')
                                                    << QStringList{"a"} << Rows{{u8("À¯")}};
    QTest::newRow("quoted field across lines") << QByteArray("a;b;c\r\n1;\"x\r\ny\";3\r\n4;5;6\r\n")
                                               << int(';') << abc
                                               << Rows{{"1", "x\r\ny", "3"}, {"4", "5", "6"}};
    QTest::newRow("quoted field across LF and CR lines") << QByteArray("a;b\n\"x\ny\rz\";2\n3;4\n")
                                                         << int(';') << ab
                                                         << Rows{{"x\ny\rz", "2"}, {"3", "4"}};
    QTest::newRow("quoted field across a blank line") << QByteArray("a;b\r\n\"x\r\n\r\n;y\"\r\n")
                                                      << int(';') << ab << Rows{{"x\r\n\r\n;y", ""}};
    QTest::newRow("quoted field across lines, closed last") << QByteArray("a;b\r\n1;\"x\"\"\r\ny\"")
                                                            << int(';') << ab << Rows{{"1", "x\"\r\ny"}};
    QTest::newRow("two characters opening a multi-line field") << QByteArray("a;b\r\n1;\"x\r\ny\"\r\n")
                                                               << int(';') << ab << Rows{{"1", "x\r\ny"}};
    QTest::newRow("unterminated quote") << QByteArray("a;b\r\nx;\"abc\r\ny;z\r\n") << int(';') << ab
                                        << Rows{{"x", "abc"}, {"y", "z"}};
    QTest::newRow("unterminated quote keeps its last character") << QByteArray("a;b\r\nM\xFCller;\"Hauptstr. 5")
                                                                 << int(';') << ab
                                                                 << Rows{{u8("Müller"), "Hauptstr. 5"}};
    QTest::newRow("unterminated quote with separators") << QByteArray("a;b;c\r\n\"x;y;z\r\n1;2;3\r\n")
                                                        << int(';') << abc
                                                        << Rows{{"x;y;z", "", ""}, {"1", "2", "3"}};
    QTest::newRow("unterminated short quote: empty field") << QByteArray("a;b\r\nx;\"b\r\ny;z\r\n")
                                                           << int(';') << ab << Rows{{"x", ""}, {"y", "z"}};
    QTest::newRow("lone quote at the end") << QByteArray("a;b\r\nx;\"") << int(';') << ab << Rows{{"x", ""}};
}

void TestCsvDatei::reader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, sep);
    QFETCH(QStringList, columns);
    QFETCH(Rows, rows);
    const auto csv = read(bytes, char(sep));
    QCOMPARE(csv->GetSpalten(), columns);
    QCOMPARE(table(*csv), rows);
    QCOMPARE(csv->GetRowCount(), rows.size());
    QVERIFY(csv->Warnung().isEmpty());
    QCOMPARE(csv->Trennzeichen(), char(sep));
}

void TestCsvDatei::readerSkip()
{
    const QString file = writeFile("skip.csv", "Export vom 1.1.2000\r\n\r\na;b\r\n1;2\r\n");
    const auto csv = TCsvDatei::CreateFromFileSkip(file, 2, ';');
    QCOMPARE(csv->Dateiname(), file);
    QCOMPARE(csv->GetSpalten(), (QStringList{"a", "b"}));
    QCOMPARE(table(*csv), (Rows{{"1", "2"}}));
    const auto all = TCsvDatei::CreateFromFileSkip(file, 5, ';');
    QCOMPARE(all->GetSpalten(), QStringList());
    QCOMPARE(all->GetRowCount(), 0);
}

void TestCsvDatei::duplicateHeaderName()
{
    const auto csv = read("n;m;n\r\n1;x;2\r\n1;y;\r\n;z;\r\n3;w\r\n");
    QCOMPARE(csv->GetRowCount(), 4);
    QCOMPARE(csv->GetValue(0, "n"), QStringLiteral("2"));   // the last non-empty value
    QCOMPARE(csv->GetValue(1, "n"), QStringLiteral("1"));
    QCOMPARE(csv->GetValue(2, "n"), QStringLiteral(""));
    QCOMPARE(csv->GetValue(3, "n"), QStringLiteral("3"));
    QCOMPARE(csv->GetValue(3, "m"), QStringLiteral("w"));
}

void TestCsvDatei::lookupGuards()
{
    const auto csv = read(u8("Name;Ört;Zahl;Datum\r\nx;y;7;1.2.2000\r\n").toUtf8());
    QCOMPARE(csv->GetValue(0, u8("Ört")), QStringLiteral("y"));
    QVERIFY(!csv->GetValue(0, u8("Ört")).isNull());
    QCOMPARE(csv->GetValue(0, u8("ÖRT")), QStringLiteral(""));   // matches the header only ignoring case
    QCOMPARE(csv->GetValue(0, "name"), QStringLiteral(""));
    QCOMPARE(csv->GetValue(0, "Fremd"), QStringLiteral(""));
    QCOMPARE(csv->GetValue(0, ""), QStringLiteral(""));
    QCOMPARE(csv->GetValue(1, "Name"), QStringLiteral(""));
    QCOMPARE(csv->GetValue(-1, "Name"), QStringLiteral(""));
    QVERIFY(!csv->GetValue(1, "Name").isNull());
    QCOMPARE(csv->GetIntValue(0, "Zahl"), 7);
    QCOMPARE(csv->GetIntValue(1, "Zahl"), 0);
    QCOMPARE(csv->GetIntValue(0, "zahl"), 0);
    QCOMPARE(csv->GetIntValue(0, "Name"), 0);
    QCOMPARE(csv->GetDateValue(0, "Datum"), QDate(2000, 2, 1));
    QVERIFY(!csv->GetDateValue(1, "Datum").isValid());
    QVERIFY(!csv->GetDateValue(0, "DATUM").isValid());
}

void TestCsvDatei::rowsInMemory()
{
    TCsvDatei csv;
    QCOMPARE(csv.Trennzeichen(), ';');
    QCOMPARE(csv.Dateiname(), QString());
    csv.SetSpalten({"Name", u8("Ört")});
    QCOMPARE(csv.GetSpalten(), (QStringList{"Name", u8("Ört")}));
    csv.AddRow(QHash<QString, QString>{{"Name", "a"}, {u8("ÖRT"), "b"}, {"Fremd", "c"}, {"", "d"}});
    csv.AddRow(QMap<QString, QString>{{"Name", ""}});
    QCOMPARE(csv.GetRowCount(), 2);
    QCOMPARE(csv.GetValue(0, "Name"), QStringLiteral("a"));
    QCOMPARE(csv.GetValue(0, u8("ÖRT")), QStringLiteral("b"));   // guard ignores case, key is exact
    QCOMPARE(csv.GetValue(0, u8("Ört")), QStringLiteral(""));
    QCOMPARE(csv.GetValue(0, "Fremd"), QStringLiteral(""));      // not a column
    QCOMPARE(csv.GetValue(1, "Name"), QStringLiteral(""));
    QVERIFY(!csv.GetValue(1, "Name").isNull());
}

void TestCsvDatei::intValue_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("expected");
    QTest::newRow("digits") << QByteArray("42") << 42;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("negative") << QByteArray("-7") << -7;
    QTest::newRow("plus") << QByteArray("+5") << 5;
    QTest::newRow("leading zeros") << QByteArray("007") << 7;
    QTest::newRow("blanks trimmed on reading") << QByteArray("  12 ") << 12;
    QTest::newRow("quoted") << QByteArray("\"3\"") << 3;
    QTest::newRow("max") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("min") << QByteArray("-2147483648") << int(-2147483647 - 1);
    QTest::newRow("overflow") << QByteArray("2147483648") << 0;
    QTest::newRow("letters") << QByteArray("abc") << 0;
    QTest::newRow("trailing letter") << QByteArray("12a") << 0;
    QTest::newRow("inner blank") << QByteArray("1 2") << 0;
    QTest::newRow("decimal") << QByteArray("1.5") << 0;
    QTest::newRow("hex") << QByteArray("0x10") << 0;
    QTest::newRow("sign alone") << QByteArray("-") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
}

void TestCsvDatei::intValue()
{
    QFETCH(QByteArray, field);
    const auto csv = read("k;v\r\nx;" + field + "\r\n");
    QTEST(csv->GetIntValue(0, "v"), "expected");
}

void TestCsvDatei::dateValue_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("short") << QByteArray("1.2.2000") << QDate(2000, 2, 1);
    QTest::newRow("padded") << QByteArray("01.02.2000") << QDate(2000, 2, 1);
    QTest::newRow("trailing point") << QByteArray("01.02.2000.") << QDate(2000, 2, 1);
    QTest::newRow("leap day") << QByteArray("29.02.2000") << QDate(2000, 2, 29);
    QTest::newRow("two-digit year taken as written") << QByteArray("01.02.05") << QDate(5, 2, 1);
    QTest::newRow("blank before a part") << QByteArray("1. 2.2000") << QDate(2000, 2, 1);
    QTest::newRow("year 9999") << QByteArray("31.12.9999") << QDate(9999, 12, 31);
    QTest::newRow("impossible day") << QByteArray("31.02.2000") << QDate();
    QTest::newRow("no leap day") << QByteArray("29.02.1900") << QDate();
    QTest::newRow("dashes") << QByteArray("01-02-2000") << QDate();
    QTest::newRow("two parts") << QByteArray("01.02") << QDate();
    QTest::newRow("four parts") << QByteArray("01.02.2000.1") << QDate();
    QTest::newRow("leading point") << QByteArray(".01.02.2000") << QDate();
    QTest::newRow("empty part") << QByteArray("1..2000") << QDate();
    QTest::newRow("letters") << QByteArray("a.b.c") << QDate();
    QTest::newRow("day zero") << QByteArray("0.1.2000") << QDate();
    QTest::newRow("month 13") << QByteArray("1.13.2000") << QDate();
    QTest::newRow("year zero") << QByteArray("1.1.0") << QDate();
    QTest::newRow("negative year") << QByteArray("1.1.-5") << QDate();
    QTest::newRow("year 10000") << QByteArray("1.1.10000") << QDate();
    QTest::newRow("ISO") << QByteArray("2000-02-01") << QDate();
    QTest::newRow("empty") << QByteArray("") << QDate();
}

void TestCsvDatei::dateValue()
{
    QFETCH(QByteArray, field);
    QFETCH(QDate, expected);
    const auto csv = read("k;d\r\nx;" + field + "\r\n");
    QCOMPARE(csv->GetDateValue(0, "d"), expected);
    QCOMPARE(TCsvDatei::StrToDatum(QString::fromLatin1(field)), expected);
}

// Thunderbird and some spreadsheet programs write UTF-16 with a byte-order mark.
void TestCsvDatei::utf16_data()
{
    QTest::addColumn<bool>("bigEndian");
    QTest::addColumn<int>("sep");
    QTest::newRow("little endian, comma") << false << int(',');
    QTest::newRow("big endian, semicolon") << true << int(';');
    QTest::newRow("little endian, tab") << false << int('\t');
}

void TestCsvDatei::utf16()
{
    QFETCH(bool, bigEndian);
    QFETCH(int, sep);
    const QChar c(sep);
    const QString text = u8("Vorname") + c + "Nachname" + c + "E-Mail" + c + "Notiz\r\n"
                         + u8("Jörg") + c + u8("Weiß") + c + "j@x.de" + c + u8("\"Zeile 1\r\n„2“ 😀\"\r\n")
                         + c + c + c + "\r\n"
                         + u8("Ελένη") + c + "" + c + "" + c + u8("€\r\n");
    QStringEncoder encoder(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE);
    const QByteArray bytes = (bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE")) + QByteArray(encoder.encode(text));
    const auto csv = read(bytes, char(sep));
    QVERIFY(csv->IsUtf8());
    QCOMPARE(csv->GetSpalten(), (QStringList{"Vorname", "Nachname", "E-Mail", "Notiz"}));
    QCOMPARE(table(*csv), (Rows{{u8("Jörg"), u8("Weiß"), "j@x.de", u8("Zeile 1\r\n„2“ 😀")},
                                {u8("Ελένη"), "", "", u8("€")}}));
}

// A birth date's short year never gives a date after today (nor one in the first century).
void TestCsvDatei::birthDateValue_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QDate>("expected");
    const QDate today = QDate::currentDate();
    QTest::newRow("90") << QByteArray("3.1.90") << QDate(1990, 1, 3);
    QTest::newRow("05") << QByteArray("3.1.05") << QDate(2005, 1, 3);
    QTest::newRow("today") << today.toString("d.M.yy").toLatin1() << today;
    QTest::newRow("tomorrow") << today.addDays(1).toString("d.M.yy").toLatin1() << today.addDays(1).addYears(-100);
    QTest::newRow("four digits as written") << QByteArray("3.1.2090") << QDate(2090, 1, 3);
    QTest::newRow("three digits as written") << QByteArray("3.1.190") << QDate(190, 1, 3);
    QTest::newRow("blank before the year") << QByteArray("3.1. 90") << QDate(1990, 1, 3);
    QTest::newRow("impossible") << QByteArray("31.2.90") << QDate();
    QTest::newRow("negative") << QByteArray("3.1.-5") << QDate();
    QTest::newRow("two parts") << QByteArray("3.1") << QDate();
    QTest::newRow("empty") << QByteArray("") << QDate();
}

void TestCsvDatei::birthDateValue()
{
    QFETCH(QByteArray, field);
    QFETCH(QDate, expected);
    const auto csv = read("k;d\r\nx;" + field + "\r\n");
    QCOMPARE(csv->GetGeburtsdatumValue(0, "d"), expected);
    QCOMPARE(TCsvDatei::StrToGeburtsdatum(QString::fromLatin1(field)), expected);
}

// ---- Failures -------------------------------------------------------------------------------

void TestCsvDatei::missingFileFails()
{
    QVERIFY_THROWS_EXCEPTION(CsvError, TCsvDatei::CreateFromFile(path("missing.csv"), ';'));
    QVERIFY_THROWS_EXCEPTION(CsvError, TCsvDatei::CreateFromFile(m_dir->path(), ';'));
}

void TestCsvDatei::writeToMissingFolderFails()
{
    TCsvDatei csv;
    csv.SetSpalten({"a"});
    const QString target = path("nowhere/out.csv");
    try {
        csv.OpenWrite(target, ';');
        QFAIL("OpenWrite did not fail");
    } catch (const CsvError& e) {
        QVERIFY2(e.Text().contains(target), qPrintable(e.Text()));
    }
    QVERIFY(!csv.IsOpen());
    QVERIFY(!QFile::exists(target));
    csv.CloseWrite();   // nothing open: nothing happens
}

// The folder is moved away while the file is open, so that the final rename fails.
void TestCsvDatei::failedRenameKeepsTarget()
{
    QVERIFY(QDir(m_dir->path()).mkdir("sub"));
    const QString target = path("sub/out.csv");
    writeFile("sub/out.csv", "old\r\n");
    TCsvDatei csv;
    csv.SetSpalten({"a"});
    csv.OpenWrite(target, ';');
    csv.AddRow(QHash<QString, QString>{{"a", "new"}});
    QVERIFY(QDir(m_dir->path()).rename("sub", "moved"));
    QVERIFY_THROWS_EXCEPTION(CsvError, csv.CloseWrite());
    QVERIFY(!csv.IsOpen());
    QCOMPARE(fileBytes(path("moved/out.csv")), QByteArray("old\r\n"));
    QVERIFY(!QFile::exists(target));
}

// Writes fail with EFBIG beyond a small file size limit (works for root too).
void TestCsvDatei::failedWriteKeepsTarget()
{
    const QString target = writeFile("out.csv", "old\r\n");
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

    bool failed = false;
    QString text;
    TCsvDatei csv;
    csv.SetSpalten({"a", "b"});
    try {
        csv.OpenWrite(target, ';');
        for (int i = 0; i < 10000 && csv.IsOpen(); ++i)
            csv.AddRow(QHash<QString, QString>{{"a", QString(100, u'x')}, {"b", QString::number(i)}});
        csv.CloseWrite();
    } catch (const CsvError& e) {
        failed = true;
        text = e.Text();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(failed);
    QVERIFY2(text.contains("out.csv"), qPrintable(text));
    QVERIFY(!csv.IsOpen());
    QCOMPARE(fileBytes(target), QByteArray("old\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"out.csv"});
}

// Every step of the write is checked: a failure leaves the old file (or none) and no temporary
// file, and its reason is German.
void TestCsvDatei::failedStepKeepsTarget_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("err");
    QTest::addColumn<QString>("reason");
    const QString voll = u8("Der Datenträger ist voll.");
    QTest::newRow("create, read-only") << int(AtomicWriteStep::Create) << EROFS << u8("Der Datenträger ist schreibgeschützt.");
    QTest::newRow("create, no rights") << int(AtomicWriteStep::Create) << EACCES << u8("Der Zugriff wurde verweigert (fehlende Schreibrechte).");
    QTest::newRow("write, full") << int(AtomicWriteStep::Write) << ENOSPC << voll;
    QTest::newRow("sync, full") << int(AtomicWriteStep::Sync) << ENOSPC << voll;
    QTest::newRow("close, i/o") << int(AtomicWriteStep::Close) << EIO << u8("Beim Zugriff auf den Datenträger ist ein Ein-/Ausgabefehler aufgetreten.");
    QTest::newRow("rename, full") << int(AtomicWriteStep::Rename) << ENOSPC << voll;
}

void TestCsvDatei::failedStepKeepsTarget()
{
    QFETCH(int, step);
    QFETCH(int, err);
    QFETCH(QString, reason);
    for (const bool switchesToUtf8 : {false, true}) {
        for (const bool exists : {true, false}) {
            QTemporaryDir dir;
            const QString target = dir.filePath("out.csv");
            if (exists) {
                QFile f(target);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write("old\r\n");
            }
            SetAtomicWriteFault([&](AtomicWriteStep s) { return int(s) == step ? err : 0; });
            QString text;
            TCsvDatei csv;
            csv.SetSpalten({"a"});
            try {
                csv.OpenWrite(target, ';');
                for (int i = 0; i < 5000; ++i)
                    csv.AddValues({QString(40, u'x') + QString::number(i)});
                if (switchesToUtf8)
                    csv.AddValues({u8("Łukasz")});
                csv.CloseWrite();
            } catch (const CsvError& e) {
                text = e.Text();
            }
            SetAtomicWriteFault({});
            QVERIFY2(text.contains(target) && text.endsWith(": " + reason), qPrintable(text));
            QVERIFY(!csv.IsOpen());
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     exists ? QStringList{"out.csv"} : QStringList{});
            if (exists)
                QCOMPARE(fileBytes(target), QByteArray("old\r\n"));
        }
    }
}

// The switch to UTF-8 writes a second temporary file: its failures leave no file behind either.
void TestCsvDatei::failedSwitchToUtf8KeepsTarget_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("nth");
    QTest::newRow("second file not created") << int(AtomicWriteStep::Create) << 2;
    QTest::newRow("re-encoding write fails") << int(AtomicWriteStep::Write) << 5;
    QTest::newRow("write after the switch fails") << int(AtomicWriteStep::Write) << 12;
}

void TestCsvDatei::failedSwitchToUtf8KeepsTarget()
{
    QFETCH(int, step);
    QFETCH(int, nth);
    const QString target = writeFile("out.csv", "old\r\n");
    int calls = 0;
    SetAtomicWriteFault([&](AtomicWriteStep s) { return int(s) == step && ++calls == nth ? ENOSPC : 0; });
    QString text;
    TCsvDatei csv;
    csv.SetSpalten({"a"});
    try {
        csv.OpenWrite(target, ';');
        for (int i = 0; i < 5000; ++i)   // about 250 KB: four chunks out before the switch
            csv.AddValues({QString(45, u'x') + QString::number(i)});
        csv.AddValues({u8("Łukasz")});
        for (int i = 0; i < 10000; ++i)
            csv.AddValues({QString(45, u'y') + QString::number(i)});
        csv.CloseWrite();
    } catch (const CsvError& e) {
        text = e.Text();
    }
    SetAtomicWriteFault({});
    QCOMPARE(calls, nth);
    QVERIFY2(text.endsWith(u8(": Der Datenträger ist voll.")), qPrintable(text));
    QVERIFY(!csv.IsOpen());
    QCOMPARE(fileBytes(target), QByteArray("old\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.csv"});
}

// A real full file system (a small tmpfs; mounting it needs root).
void TestCsvDatei::fullFileSystemKeepsTarget()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small tmpfs needs root; the injected failures cover the rest");
    const QString mount = path("small");
    QVERIFY(QDir().mkpath(mount));
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mount}) != 0)
        QSKIP("could not mount a tmpfs here");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {mount}); });
    const QString target = mount + "/out.csv";
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old\r\n");
    }
    TCsvDatei csv;
    csv.SetSpalten({"a", "b"});
    QString text;
    try {
        csv.OpenWrite(target, ';');
        for (int i = 0; i < 2000; ++i)   // about 100 KB
            csv.AddValues({QString(40, u'x'), QString::number(i)});
        csv.CloseWrite();
    } catch (const CsvError& e) {
        text = e.Text();
    }
    QVERIFY2(text.endsWith(u8(": Der Datenträger ist voll.")), qPrintable(text));
    QCOMPARE(fileBytes(target), QByteArray("old\r\n"));
    QCOMPARE(QDir(mount).entryList(QDir::Files | QDir::Hidden), QStringList{"out.csv"});
}

void TestCsvDatei::abandonedWriteKeepsTarget()
{
    const QString target = writeFile("out.csv", "old\r\n");
    {
        TCsvDatei csv;
        csv.SetSpalten({"a"});
        csv.OpenWrite(target, ';');
        csv.AddRow(QHash<QString, QString>{{"a", "new"}});
        QCOMPARE(fileBytes(target), QByteArray("old\r\n"));   // nothing visible before CloseWrite
    }
    QCOMPARE(fileBytes(target), QByteArray("old\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"out.csv"});
}

void TestCsvDatei::reopenDiscardsEarlierWrite()
{
    TCsvDatei csv;
    csv.SetSpalten({"a"});
    csv.OpenWrite(path("first.csv"), ';');
    csv.AddRow(QHash<QString, QString>{{"a", "1"}});
    csv.OpenWrite(path("second.csv"), ',');
    csv.AddRow(QHash<QString, QString>{{"a", "x,y"}});
    csv.CloseWrite();
    QVERIFY(!QFile::exists(path("first.csv")));
    QCOMPARE(fileBytes(path("second.csv")), QByteArray("a\r\n\"x,y\"\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"second.csv"});
}

// ---- Big and hostile inputs -----------------------------------------------------------------

void TestCsvDatei::tenMegabyteField()
{
    const int size = 10 * 1024 * 1024;
    QElapsedTimer timer;
    timer.start();
    {
        const auto csv = read("a;b\r\nx" + QByteArray(size, 'y') + ";z\r\n1;2\r\n");
        QCOMPARE(csv->GetRowCount(), 2);
        QCOMPARE(csv->GetValue(0, "a").size(), size + 1);
        QCOMPARE(csv->GetValue(0, "b"), QStringLiteral("z"));
    }
    {
        QByteArray quoted(size, 'y');
        for (int i = 0; i < size; i += 1000)
            quoted[i] = '"';   // becomes a doubled quote below
        quoted.replace("\"", "\"\"");
        const auto csv = read("a;b\r\n\"" + quoted + "\r\nline\";z\r\n");
        QCOMPARE(csv->GetRowCount(), 1);
        QCOMPARE(csv->GetValue(0, "a").size(), size + 6);
        QCOMPARE(csv->GetValue(0, "b"), QStringLiteral("z"));
    }
    {
        const auto csv = read("a;b\r\n\"" + QByteArray(size, 'y') + "\r\n1;2\r\n");   // never closed
        QCOMPARE(csv->GetRowCount(), 2);
        QCOMPARE(csv->GetValue(0, "a").size(), size);
        QCOMPARE(csv->GetValue(1, "b"), QStringLiteral("2"));
    }
    {
        // Empty fields only are no record; with one value it is one.
        const auto csv = read("a;b\r\n" + QByteArray(size, ';') + "\r\n;x" + QByteArray(size, ';') + "\r\n");
        QCOMPARE(csv->GetRowCount(), 1);
        QCOMPARE(csv->GetValue(0, "a"), QStringLiteral(""));
        QCOMPARE(csv->GetValue(0, "b"), QStringLiteral("x"));
    }
    qInfo("10 MB fields read in %lld ms", qint64(timer.elapsed()));
    QVERIFY(timer.elapsed() < 60000);
}

// Quotes left open: a quote still open at the end of the file makes its record a line of its own,
// and no record may rescan the rest of the file.
void TestCsvDatei::unterminatedQuotesStayLinear()
{
    QElapsedTimer timer;
    timer.start();
    const int lines = 100000;
    QByteArray paired = "a;b\r\n";
    QByteArray nested = "a;b\r\n";
    QByteArray single = "a;b\r\nx;\"abc\r\n";
    for (int i = 0; i < lines; ++i) {
        paired += "x;\"abc\r\n";   // an odd count per line: the next line closes the quote
        nested += "a\"b;\"cd\r\n"; // an even count per line, the second field opens one
        single += "1;2\r\n";
    }
    const auto csv1 = read(paired);
    QCOMPARE(csv1->GetRowCount(), lines / 2);
    QCOMPARE(csv1->GetValue(lines / 2 - 1, "b"), QStringLiteral("abc\r\nx;\"abc"));
    const auto csv2 = read(nested);
    QCOMPARE(csv2->GetRowCount(), lines);
    QCOMPARE(csv2->GetValue(0, "a"), QStringLiteral("a\"b"));
    QCOMPARE(csv2->GetValue(lines - 1, "b"), QStringLiteral("cd"));
    const auto csv3 = read(single);
    QCOMPARE(csv3->GetRowCount(), lines + 1);
    QCOMPARE(csv3->GetValue(0, "b"), QStringLiteral("abc"));
    QCOMPARE(csv3->GetValue(lines, "b"), QStringLiteral("2"));
    qInfo("3 x 100,000 lines with open quotes read in %lld ms", qint64(timer.elapsed()));
    QVERIFY(timer.elapsed() < 60000);
}

void TestCsvDatei::binaryGarbage()
{
    QRandomGenerator random(13);
    QByteArray bytes(4 * 1024 * 1024, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random.bounded(256));
    for (const char sep : {';', ',', '\t', '"', '\r', '\0'}) {
        const auto csv = read(bytes, sep);
        int nonEmpty = 0;
        for (int r = 0; r < csv->GetRowCount(); r += 97)
            for (const QString& c : csv->GetSpalten())
                nonEmpty += csv->GetValue(r, c).isEmpty() ? 0 : 1;
        QVERIFY(nonEmpty >= 0);
        QVERIFY(!csv->IsUtf8());
    }
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all += char(i);
    const auto csv = read(all + all + all);
    QVERIFY(csv->GetRowCount() >= 0);
}

void TestCsvDatei::hundredThousandRows()
{
    const int rows = 100000, columns = 26;
    QStringList names;
    for (int c = 0; c < columns; ++c)
        names << QStringLiteral("Spalte%1").arg(c);
    QByteArray bytes = names.join(';').toLatin1() + "\r\n";
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                bytes += ';';
            bytes += (c == 3) ? QByteArray("M\xFCller") : QByteArray::number(r * columns + c);
        }
        bytes += "\r\n";
    }
    QElapsedTimer timer;
    timer.start();
    const auto csv = read(bytes);
    QCOMPARE(csv->GetRowCount(), rows);
    qint64 sum = 0;
    for (int r = 0; r < rows; r += 7)
        for (const QString& name : names)
            sum += csv->GetValue(r, name).size();
    QVERIFY(sum > 0);
    QCOMPARE(csv->GetIntValue(rows - 1, "Spalte25"), rows * columns - 1);
    QCOMPARE(csv->GetValue(rows - 1, "Spalte3"), u8("Müller"));
    qInfo("%d rows x %d columns (%lld bytes) read and looked up in %lld ms", rows, columns,
          qint64(bytes.size()), qint64(timer.elapsed()));
    QVERIFY(timer.elapsed() < 60000);
}

QTEST_GUILESS_MAIN(TestCsvDatei)
#include "tst_csvdatei.moc"
