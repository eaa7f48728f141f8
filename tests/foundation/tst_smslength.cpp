#include "foundation/Global.h"
#include <QtTest>

class TestSmsLength : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void smsLength_data();
    void smsLength();
    void lengthText_data();
    void lengthText();
    void wireText_data();
    void wireText();
    void automatischeFelder_data();
    void automatischeFelder();
};

static QString letters(int count) { return QString(count, u'a'); }

void TestSmsLength::smsLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "Hallo" << 5;
    QTest::newRow("umlauts once") << QString::fromUtf8("Grüße ÄÖÜ") << 9;
    QTest::newRow("euro twice") << QString::fromUtf8("5 €") << 4;
    QTest::newRow("extension table") << "|^{}[]\\~" << 16;
    QTest::newRow("dollar and at once") << "$@" << 2;
    QTest::newRow("line feed is CR LF") << "a\nb" << 4;
    QTest::newRow("CR LF") << "a\r\nb" << 4;
    QTest::newRow("lone CR") << "a\rb" << 4;
    QTest::newRow("two line feeds") << "\n\n" << 4;
    QTest::newRow("emoji once") << QString::fromUtf8("ok \U0001F600") << 4;
    QTest::newRow("not in Windows-1252") << QString::fromUtf8("Łódź") << 4;
    QTest::newRow("euro among others") << letters(158) + QString::fromUtf8("€") << 160;
}

void TestSmsLength::smsLength()
{
    QFETCH(QString, text);
    QTEST(GetSmsLength(text), "length");
}

void TestSmsLength::lengthText_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "0 Zeichen, dies entspricht 1 SMS";
    QTest::newRow("160") << 160 << "160 Zeichen, dies entspricht 1 SMS";
    QTest::newRow("161") << 161 << "161 Zeichen, dies entspricht 2 SMS";
    QTest::newRow("306") << 306 << "306 Zeichen, dies entspricht 2 SMS";
    QTest::newRow("307") << 307 << "307 Zeichen, dies entspricht 3 SMS";
    QTest::newRow("459") << 459 << "459 Zeichen, dies entspricht 3 SMS";
    QTest::newRow("460") << 460 << "460 Zeichen, dies entspricht 4 SMS";
    QTest::newRow("158 letters and a euro")
        << GetSmsLength(letters(158) + QString::fromUtf8("€")) << "160 Zeichen, dies entspricht 1 SMS";
    QTest::newRow("159 letters and a euro")
        << GetSmsLength(letters(159) + QString::fromUtf8("€")) << "161 Zeichen, dies entspricht 2 SMS";
    QTest::newRow("159 letters and a line break")
        << GetSmsLength(letters(159) + "\n") << "161 Zeichen, dies entspricht 2 SMS";
}

void TestSmsLength::lengthText()
{
    QFETCH(int, length);
    QTEST(GetSmsLengthText(length), "text");
}

void TestSmsLength::wireText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("wire");
    QTest::newRow("line feed") << "a\nb" << "a\r\nb";
    QTest::newRow("CR LF kept") << "a\r\nb" << "a\r\nb";
    QTest::newRow("lone CR") << "a\rb" << "a\r\nb";
    QTest::newRow("LF CR is two breaks") << "a\n\rb" << "a\r\n\r\nb";
    QTest::newRow("euro and umlauts kept") << QString::fromUtf8("€ äß") << QString::fromUtf8("€ äß");
    QTest::newRow("emoji as ?") << QString::fromUtf8("a\U0001F600b") << "a?b";
    QTest::newRow("Polish letter as ?") << QString::fromUtf8("Ł") << "?";
}

void TestSmsLength::wireText()
{
    QFETCH(QString, text);
    QFETCH(QString, wire);
    QCOMPARE(SmsWireText(text), wire);
    // What is counted is what is sent.
    QCOMPARE(GetSmsLength(text), GetSmsLength(wire));
}

void TestSmsLength::automatischeFelder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("has");
    QTest::newRow("field") << "Hallo <$*Vorname*$>!" << true;
    QTest::newRow("shared middle") << "<$*$>" << true;
    QTest::newRow("no closing") << "Hallo <$*Vorname" << false;
    QTest::newRow("closing before opening") << "*$> Hallo <$*Vorname" << false;
    QTest::newRow("only first opening counts") << "*$><$*x" << false;
    QTest::newRow("second opening") << "<$*a <$*b*$>" << true;
    QTest::newRow("no opening") << "Vorname*$>" << false;
    QTest::newRow("incomplete opening") << "<$Vorname*$>" << false;
    QTest::newRow("empty") << "" << false;
}

void TestSmsLength::automatischeFelder()
{
    QFETCH(QString, text);
    QTEST(HasAutomatischeFelder(text), "has");
}

QTEST_MAIN(TestSmsLength)
#include "tst_smslength.moc"
