#include "gateway/Xml.h"
#include <QRandomGenerator>
#include <QTest>

namespace {
// Runs the same steps with consuming reads and with a cursor; fails on the first difference.
void compareSteps(const QString& text, const QStringList& tags)
{
    QString work = text;
    TXmlCursor cursor(text);
    for (int i = 0; i < tags.size(); ++i) {
        QString expected;
        GetXmlElement(work, tags[i], true, expected);
        QString got;
        const bool more = cursor.Next(tags[i], got);
        QCOMPARE(got, expected);
        QCOMPARE(more, !expected.isEmpty());
        QCOMPARE(cursor.Rest(), work);
    }
}
}

class TestXml : public QObject {
    Q_OBJECT
private slots:
    void element_data();
    void element();
    void elementInt_data();
    void elementInt();
    void itemList();
    void enterNarrowsWithoutChangingResults_data();
    void enterNarrowsWithoutChangingResults();
    void cursorMatchesConsumingReads_data();
    void cursorMatchesConsumingReads();
    void cursorMatchesConsumingReadsRandom();
};

void TestXml::element_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<bool>("consume");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("rest");

    QTest::newRow("lower-case element found by its capitalised name")
        << "<UserData><result>SUCCESS</result></UserData>" << "Result" << false << "SUCCESS"
        << "<UserData><result>SUCCESS</result></UserData>";
    QTest::newRow("value keeps its own case") << "<a>MiXeD</A>" << "A" << false << "MiXeD" << "<a>MiXeD</A>";
    QTest::newRow("blank before the bracket is not found")
        << "<Result >x</Result>" << "Result" << true << "" << "<Result >x</Result>";
    QTest::newRow("attributes are not found") << "<Result a=\"1\">x</Result>" << "Result" << true << ""
                                              << "<Result a=\"1\">x</Result>";
    QTest::newRow("self-closing is not an element") << "<A/>" << "A" << false << "" << "<A/>";
    QTest::newRow("missing element") << "<B>x</B>" << "A" << true << "" << "<B>x</B>";
    QTest::newRow("missing closing tag") << "<A>x" << "A" << true << "" << "<A>x";
    // Both searches start at the text's beginning: the later complete element closes the first.
    QTest::newRow("unclosed element before a complete one") << "<A>x<A>y</A>" << "A" << false << "x<A>y"
                                                            << "<A>x<A>y</A>";
    QTest::newRow("closing tag before the opening one")
        << "</A><A>x</A>" << "A" << true << "" << "</A><A>x</A>";
    QTest::newRow("nested same name is cut at the inner close")
        << "<A>1<A>2</A>3</A>" << "A" << true << "1<A>2" << "3</A>";
    QTest::newRow("entities stand as they are") << "<A>&lt;b&gt; &amp;</A>" << "A" << false
                                                << "&lt;b&gt; &amp;" << "<A>&lt;b&gt; &amp;</A>";
    // A sharp s stays one character, so positions are those of the text itself.
    QTest::newRow("sharp s before the element") << QString::fromUtf8("Straße<Id>7</Id>x") << "Id" << true
                                                << "7" << "x";
    QTest::newRow("umlauts in names match without case")
        << QString::fromUtf8("<größe>XL</GRÖßE>") << QString::fromUtf8("Größe") << false << "XL"
        << QString::fromUtf8("<größe>XL</GRÖßE>");
    QTest::newRow("consume removes from the start through the closing tag")
        << "head<Sms>1</Sms>tail<Sms>2</Sms>" << "Sms" << true << "1" << "tail<Sms>2</Sms>";
    QTest::newRow("empty element is consumed") << "<A></A><A>2</A>" << "A" << true << "" << "<A>2</A>";
    QTest::newRow("no consume leaves the text") << "<A>1</A><A>2</A>" << "A" << false << "1" << "<A>1</A><A>2</A>";
}

void TestXml::element()
{
    QFETCH(QString, text);
    QFETCH(QString, tag);
    QFETCH(bool, consume);
    QFETCH(QString, value);
    QFETCH(QString, rest);
    QString work = text;
    QString got = QStringLiteral("stale");
    GetXmlElement(work, tag, consume, got);
    QCOMPARE(got, value);
    QCOMPARE(work, rest);
    QVERIFY(!got.isNull());
    if (!consume)
        QCOMPARE(XmlElement(text, tag), value);
}

void TestXml::elementInt_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << "12" << 12;
    QTest::newRow("minus one") << "-1" << -1;
    QTest::newRow("plus sign") << "+7" << 7;
    QTest::newRow("letters after digits") << "12a" << 99;
    QTest::newRow("empty") << "" << 99;
    QTest::newRow("leading blank") << " 5" << 99;
    QTest::newRow("trailing blank") << "5 " << 99;
    QTest::newRow("sign alone") << "-" << 99;
    QTest::newRow("hex") << "0x10" << 99;
    QTest::newRow("decimal point") << "1.5" << 99;
    QTest::newRow("largest") << "2147483647" << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << int(-2147483647 - 1);
    QTest::newRow("too large") << "2147483648" << 99;
    QTest::newRow("far too large") << "99999999999999999999" << 99;
    QTest::newRow("arabic-indic digits") << QString::fromUtf8("١٢") << 99;
}

void TestXml::elementInt()
{
    QFETCH(QString, content);
    QFETCH(int, expected);
    QString text = QStringLiteral("<R><N>") + content + QStringLiteral("</N><N>3</N></R>");
    QCOMPARE(GetXmlElementInt(text, QStringLiteral("n"), true, 99), expected);
    QCOMPARE(text, QStringLiteral("<N>3</N></R>"));
    QCOMPARE(GetXmlElementInt(text, QStringLiteral("N"), false, 99), 3);
    QCOMPARE(GetXmlElementInt(text, QStringLiteral("Missing"), false, 42), 42);
    QCOMPARE(XmlElementInt(QStringLiteral("<N>") + content + QStringLiteral("</N>"), QStringLiteral("N"), 99),
             expected);
}

void TestXml::itemList()
{
    // Items back to back, then an empty one that ends the list although more follow.
    const QString list = QStringLiteral("<Sms><Id>1</Id></Sms><Sms><Id>2</Id></Sms>\n<sms><Id>3</Id></sms>"
                                        "<Sms></Sms><Sms><Id>4</Id></Sms>");
    QStringList consumed;
    QString work = list;
    for (QString item; !(item = GetXmlElement(work, QStringLiteral("Sms"), true)).isEmpty();)
        consumed.append(XmlElement(item, QStringLiteral("Id")));
    QCOMPARE(consumed, QStringList({"1", "2", "3"}));

    TXmlCursor cursor(list);
    QStringList read;
    for (QString item; cursor.Next(QStringLiteral("Sms"), item);)
        read.append(XmlElement(item, QStringLiteral("Id")));
    QCOMPARE(read, consumed);
    QCOMPARE(cursor.Rest(), work);
}

void TestXml::enterNarrowsWithoutChangingResults_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("list") << "<P><Result>SUCCESS</Result><SmsList><Sms>1</Sms><Sms>2</Sms></SmsList></P><Sms>9</Sms>";
    QTest::newRow("item after the list is not read") << "<P><SmsList><Sms>1</Sms></SmsList><Sms>2</Sms></P>";
    QTest::newRow("closing tag of the item only outside the list")
        << "<P><SmsList><Sms>1</SmsList></Sms></P>";
    QTest::newRow("no list") << "<P><Sms>1</Sms></P>";
    QTest::newRow("no root") << "<SmsList><Sms>1</Sms></SmsList>";
}

void TestXml::enterNarrowsWithoutChangingResults()
{
    QFETCH(QString, text);
    const QString list = XmlElement(XmlElement(text, QStringLiteral("P")), QStringLiteral("SmsList"));
    TXmlCursor cursor(text);
    QCOMPARE(cursor.Enter(QStringLiteral("p")) && cursor.Enter(QStringLiteral("smslist")), !list.isEmpty());
    QCOMPARE(cursor.Rest(), list);
    compareSteps(list, {"Sms", "Sms", "Sms"});
    TXmlCursor copy(list);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(cursor.Next(QStringLiteral("Sms")), copy.Next(QStringLiteral("Sms")));
    QCOMPARE(cursor.Rest(), copy.Rest());
}

void TestXml::cursorMatchesConsumingReads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("tags");   // read in turn, one per step
    QTest::newRow("list") << "<a>1</a><a>2</a><a>3</a>" << QStringList{"A", "A", "A", "A"};
    QTest::newRow("two names in turn") << "<a>1</a><b>x</b><a>2</a><b>y</b>" << QStringList{"a", "b", "a", "b", "a"};
    QTest::newRow("stray closing tag") << "<a>1</a></a><a>2</a>" << QStringList{"a", "a", "a"};
    QTest::newRow("unclosed then closed") << "<a>1<a>2</a><a>3</a>" << QStringList{"a", "a", "a"};
    QTest::newRow("empty item in the middle") << "<a>1</a><a></a><a>3</a>" << QStringList{"a", "a", "a"};
    QTest::newRow("int items") << "<n>4</n><n>x</n><n>-2</n>" << QStringList{"n", "n", "n", "n"};
}

void TestXml::cursorMatchesConsumingReads()
{
    QFETCH(QString, text);
    QFETCH(QStringList, tags);
    compareSteps(text, tags);
    QString work = text;
    TXmlCursor cursor(text);
    QCOMPARE(cursor.NextInt(tags.first(), -7), GetXmlElementInt(work, tags.first(), true, -7));
    QCOMPARE(cursor.Peek(tags.first()), XmlElement(work, tags.first()));
}

void TestXml::cursorMatchesConsumingReadsRandom()
{
    const QStringList pieces = {"<a>", "</a>", "<A>", "</A>", "<b>", "</b>", "x", "y", "<a >", "<"};
    QRandomGenerator rng(20261210);
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int n = rng.bounded(1, 16);
        for (int i = 0; i < n; ++i)
            text += pieces[rng.bounded(pieces.size())];
        QStringList tags;
        for (int i = 0; i < 6; ++i)
            tags.append(rng.bounded(2) ? QStringLiteral("a") : QStringLiteral("B"));
        compareSteps(text, tags);
        if (QTest::currentTestFailed()) {
            qWarning("text %s", qPrintable(text));
            return;
        }
    }
}

QTEST_MAIN(TestXml)
#include "tst_xml.moc"
