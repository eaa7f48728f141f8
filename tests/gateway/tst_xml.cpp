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

// The items of a reply as the callers read them: down the path of elements, then the items in
// consuming order, each with its fields and the items of its own lists ("recipients/recipient").
struct ListShape {
    QStringList path;
    QString item;
    QStringList fields;
    QStringList sublists;
};

QList<QStringList> readConsuming(const QString& reply, const ListShape& shape, QString& rest)
{
    QString work = reply;
    for (const QString& tag : shape.path)
        work = GetXmlElement(work, tag, false);
    QList<QStringList> rows;
    for (QString item; !(item = GetXmlElement(work, shape.item, true)).isEmpty();) {
        QStringList row;
        for (const QString& field : shape.fields)
            row.append(GetXmlElement(item, field, false));
        for (const QString& sub : shape.sublists) {
            QString list = GetXmlElement(item, sub.section(u'/', 0, 0), false);
            for (QString x; !(x = GetXmlElement(list, sub.section(u'/', 1), true)).isEmpty();)
                row.append(x);
            row.append(QStringLiteral("|"));
        }
        rows.append(row);
    }
    rest = work;
    return rows;
}

QList<QStringList> readWithCursor(const QString& reply, const ListShape& shape, QString& rest)
{
    TXmlCursor cursor(reply);
    for (const QString& tag : shape.path)
        cursor.Enter(tag);
    QList<QStringList> rows;
    for (QString item; cursor.Next(shape.item, item);) {
        QStringList row;
        for (const QString& field : shape.fields)
            row.append(XmlElement(item, field));
        for (const QString& sub : shape.sublists) {
            TXmlCursor list(XmlElement(item, sub.section(u'/', 0, 0)));
            for (QString x; list.Next(sub.section(u'/', 1), x);)
                row.append(x);
            row.append(QStringLiteral("|"));
        }
        rows.append(row);
    }
    rest = cursor.Rest();
    return rows;
}

const QStringList kSmsFields = {"DispatchTime", "Recipient", "Content", "Sender", "Type", "MsgParts", "IP",
                                "OpNet", "OpCountry", "UserRequestId", "StatusId", "ReferenceTime", "MessageId"};

QString sms(int i, const QString& content)
{
    return QStringLiteral("<Sms><DispatchTime>202612100930%1</DispatchTime><Recipient>0049171%2</Recipient>"
                          "<Content>%3</Content><Sender>Vornix2.de</Sender><Type>Tx</Type><MsgParts>1</MsgParts>"
                          "<IP>127.0.0.1</IP><OpNet>D1</OpNet><OpCountry>DE</OpCountry><UserRequestId>%2</UserRequestId>"
                          "<StatusId>%4</StatusId><ReferenceTime>20261210093105</ReferenceTime><MessageId>M%2</MessageId>"
                          "</Sms>")
        .arg(i % 60, 2, 10, QLatin1Char('0'))
        .arg(i)
        .arg(content)
        .arg(i % 3);
}

QString protocol(const QString& items)
{
    return QStringLiteral("<Protocol><Result>SUCCESS</Result><Count>9</Count><Follow-Up>0</Follow-Up>"
                          "<Position>0</Position><DisplayCount>9</DisplayCount><SmsList>") +
           items + QStringLiteral("</SmsList></Protocol>");
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
    void repliesReadAlike_data();
    void repliesReadAlike();
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

void TestXml::repliesReadAlike_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("sublists");
    QTest::addColumn<int>("items");

    QString many;
    for (int i = 0; i < 3000; ++i)
        many += sms(i, QString::fromUtf8("Grüße an Straße %1 &amp; <b>").arg(i));
    QTest::newRow("send log page of 3000") << protocol(many) << QStringList{"Protocol", "SmsList"} << "Sms"
                                           << kSmsFields << QStringList{} << 3000;
    QTest::newRow("send log: lower-case items back to back, an empty one ends the list")
        << protocol(sms(1, "a") + sms(2, "b").toLower() + "<Sms></Sms>" + sms(3, "c"))
        << QStringList{"protocol", "smslist"} << "SMS" << kSmsFields << QStringList{} << 2;
    QTest::newRow("send log: an item without its closing tag takes the next one's")
        << protocol(sms(1, "a") + "<Sms><Content>kaputt</Content>" + sms(2, "b") + sms(3, "c"))
        << QStringList{"Protocol", "SmsList"} << "Sms" << kSmsFields << QStringList{} << 3;
    QTest::newRow("send log: items outside the list are not read")
        << "<Protocol><SmsList>" + sms(1, "a") + "</SmsList>" + sms(2, "b") + "</Protocol>"
        << QStringList{"Protocol", "SmsList"} << "Sms" << kSmsFields << QStringList{} << 1;
    QTest::newRow("send log: no list") << "<Protocol><Result>SUCCESS</Result></Protocol>"
                                       << QStringList{"Protocol", "SmsList"} << "Sms" << kSmsFields << QStringList{} << 0;

    QString reports;
    for (int i = 0; i < 200; ++i)
        reports += QStringLiteral("<smsreport><result>%1</result><date>10.12.2026 09:30:00</date>"
                                  "<deliverDate>1%2.12.2026 09:30:00</deliverDate><msgParts>1</msgParts>"
                                  "<recipients><recipient>0049171%2</recipient><recipient>0049172%2</recipient>"
                                  "</recipients><warnings>%3</warnings></smsreport>\n")
                       .arg(i % 7 ? "SUCCESS" : "ERROR")
                       .arg(i % 10)
                       .arg(i % 5 ? QString() : QStringLiteral("<warning>w%1</warning><warning></warning><warning>x</warning>").arg(i));
    reports += QStringLiteral("<Error><ErrorList><ErrorListItem>030: x</ErrorListItem></ErrorList></Error>\n"
                              "<smsreport><result>SUCCESS</result></smsreport>");
    QTest::newRow("joined send replies") << reports << QStringList{} << "smsreport"
                                         << QStringList{"result", "date", "deliverDate", "msgParts"}
                                         << QStringList{"recipients/recipient", "warnings/warning"} << 201;
    QTest::newRow("error list")
        << "<Error><ErrorList><ErrorListItem>020: a</ErrorListItem><ErrorListItem>010: username and/or password is "
           "invalid</ErrorListItem><ErrorListItem></ErrorListItem><ErrorListItem>c</ErrorListItem></ErrorList></Error>"
        << QStringList{"Error", "ErrorList"} << "ErrorListItem" << QStringList{} << QStringList{} << 2;
    QTest::newRow("web subscribers")
        << QString::fromUtf8("<Relvine><Result>SUCCESS</Result><ContactList>\n  <Contact><Prename>Jürgen</Prename>"
                             "<Surname>Weiß</Surname><Mobile>0171 1234567</Mobile><Title>Herr</Title><Id>17</Id></Contact>\n"
                             "  <contact><Prename>Anna</Prename><Id>x</Id></contact>\n</ContactList></Relvine>")
        << QStringList{"Relvine", "ContactList"} << "Contact" << QStringList{"Prename", "Surname", "Mobile", "Title", "Id"}
        << QStringList{} << 2;
}

void TestXml::repliesReadAlike()
{
    QFETCH(QString, reply);
    QFETCH(QStringList, path);
    QFETCH(QString, item);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, sublists);
    QFETCH(int, items);
    const ListShape shape{path, item, fields, sublists};
    QString consumedRest, cursorRest;
    const QList<QStringList> consumed = readConsuming(reply, shape, consumedRest);
    const QList<QStringList> read = readWithCursor(reply, shape, cursorRest);
    QCOMPARE(consumed.size(), items);
    QCOMPARE(read, consumed);
    QCOMPARE(cursorRest, consumedRest);
}

QTEST_MAIN(TestXml)
#include "tst_xml.moc"
