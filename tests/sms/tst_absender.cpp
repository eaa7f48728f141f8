#include "sms/Absender.h"
#include <QtTest>

Q_DECLARE_METATYPE(TAbsenderBefund)

class TestAbsender : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void check_data();
    void check();
    void meldung_data();
    void meldung();
};

void TestAbsender::check_data()
{
    QTest::addColumn<QString>("absender");
    QTest::addColumn<TAbsenderBefund>("befund");
    using B = TAbsenderBefund;
    QTest::newRow("empty") << "" << B::Leer;
    QTest::newRow("16 digits") << "0123456789012345" << B::Ok;
    QTest::newRow("17 digits") << "01234567890123456" << B::ZuLang;
    QTest::newRow("17 letters") << "abcdefghijklmnopq" << B::ZuLang;
    QTest::newRow("11 letters") << "abcdefghijk" << B::Ok;
    QTest::newRow("12 letters") << "abcdefghijkl" << B::ZuLang;
    QTest::newRow("12 digits") << "012345678901" << B::Ok;
    QTest::newRow("8 letters and a dot") << "Vornix.de" << B::Ok;
    QTest::newRow("digits with a dot") << "0170.123" << B::Ok;
    QTest::newRow("10 with a blank") << "Firma Mayr" << B::Zeichen;
    QTest::newRow("umlaut") << "Müller" << B::Zeichen;
    QTest::newRow("plus sign") << "+49170123" << B::Zeichen;
    // Too long comes before problematic characters.
    QTest::newRow("12 with a blank") << "Firma Mayrin" << B::ZuLang;
    // Characters as typed: a character outside the BMP counts once.
    QTest::newRow("11 with an emoji") << QString("abcdefghij") + QString::fromUcs4(U"\U0001F600") << B::Zeichen;
    QTest::newRow("12 with an emoji") << QString("abcdefghijk") + QString::fromUcs4(U"\U0001F600") << B::ZuLang;
    QTest::newRow("one blank") << " " << B::Zeichen;
}

void TestAbsender::check()
{
    QFETCH(QString, absender);
    QFETCH(TAbsenderBefund, befund);
    QCOMPARE(CheckAbsender(absender), befund);
}

void TestAbsender::meldung_data()
{
    QTest::addColumn<TAbsenderBefund>("befund");
    QTest::addColumn<QString>("start");
    QTest::newRow("Ok") << TAbsenderBefund::Ok << "";
    QTest::newRow("ZuLang") << TAbsenderBefund::ZuLang << "Der von Ihnen eingegebene Absender ist zu lang\n\r";
    QTest::newRow("Zeichen") << TAbsenderBefund::Zeichen
                             << "In dem von Ihnen gewählten Absender kommen problematische Zeichen vor.\n\r";
    QTest::newRow("Leer") << TAbsenderBefund::Leer
                          << "Sie haben für Ihre Nachricht keinen Absender eingegeben.\n\r";
}

void TestAbsender::meldung()
{
    QFETCH(TAbsenderBefund, befund);
    QFETCH(QString, start);
    const QString text = AbsenderMeldung(befund);
    QCOMPARE(text.left(start.size()), start);
    QCOMPARE(text.isEmpty(), start.isEmpty());
}

QTEST_MAIN(TestAbsender)
#include "tst_absender.moc"
