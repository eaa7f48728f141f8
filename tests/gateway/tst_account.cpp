#include "foundation/IniFileDaten.h"
#include "gateway/Account.h"
#include <QtTest>

namespace {
const QDateTime kNow(QDate(2026, 7, 1), QTime(12, 30, 0));

const QString kUserData = QStringLiteral(
    "<UserData><Result>SUCCESS</Result>"
    "<Title>Herr</Title><Company>Muster GmbH</Company><Prename>Max</Prename><Surname>Muster</Surname>"
    "<Street>Hauptstr. 1</Street><ZipCode>12345</ZipCode><City>Musterstadt</City><Country>Deutschland</Country>"
    "<Phone>0301</Phone><Fax>0302</Fax><Mobile>0170</Mobile><Email>max@muster.example</Email>"
    "<MethodOfPayment>Lastschrift</MethodOfPayment>"
    "<BankData><CreditInstitution>Musterbank</CreditInstitution><AccountNumber>987</AccountNumber>"
    "<BankCode>10020030</BankCode><AccountHolder>Max Muster</AccountHolder></BankData>"
    "<CreditCardData><Type>Visa</Type><Number>4111</Number><CheckDigit>123</CheckDigit>"
    "<ValidTo>%1</ValidTo><CardHolder>M. Muster</CardHolder></CreditCardData>"
    "<Date>%2</Date></UserData>");

QString userDataReply(const QString& validTo = "202811", const QString& date = "20260306070809")
{
    return kUserData.arg(validTo, date);
}

QString detailReply(const QString& contingent, const QString& type, const QString& todo = "3",
                       const QString& date = "20260305141516")
{
    return QStringLiteral("<UserDataDetail><Result>SUCCESS</Result><PrepaidContingent>%1</PrepaidContingent>"
                          "<AccountName>Muster GmbH</AccountName><AccountType>%2</AccountType>"
                          "<CountTodo>%3</CountTodo><CountProtocol>42</CountProtocol><Date>%4</Date>"
                          "</UserDataDetail>")
        .arg(contingent, type, todo, date);
}

// One field of the record by its name, for the tables.
QVariant field(const TIniFileDaten& d, const QString& name)
{
    const QHash<QString, QVariant> fields{
        {"Anrede", d.Anrede}, {"Firma", d.Firma}, {"Vorname", d.Vorname}, {"Nachname", d.Nachname},
        {"Strasse", d.Strasse}, {"PLZ", d.PLZ}, {"Ort", d.Ort}, {"Land", d.Land}, {"Telefon", d.Telefon},
        {"Telefax", d.Telefax}, {"Mobil", d.Mobil}, {"Email", d.Email}, {"ZahlArt", d.ZahlArt},
        {"Kreditinstitut", d.Kreditinstitut}, {"Kontonummer", d.Kontonummer}, {"Bankleitzahl", d.Bankleitzahl},
        {"Kontoinhaber", d.Kontoinhaber}, {"Kartentyp", d.Kartentyp}, {"Kartennummer", d.Kartennummer},
        {"Pruefziffer", d.Pruefziffer}, {"GueltigBis", d.GueltigBis}, {"Karteninhaber", d.Karteninhaber},
        {"Benutzerdaten_Stand", d.Benutzerdaten_Stand}, {"Kontingent", d.Kontingent},
        {"AccountName", d.AccountName}, {"AccountType", d.AccountType}, {"AnzTodo", d.AnzTodo},
        {"AnzProtokoll", d.AnzProtokoll}, {"Accountstatus_Stand", d.Accountstatus_Stand}};
    Q_ASSERT(fields.contains(name));
    return fields.value(name);
}
}

class TestAccount : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void userData_data();
    void userData();
    void userDataDetail_data();
    void userDataDetail();
    void parseGueltigBis_data();
    void parseGueltigBis();
};

void TestAccount::userData_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("expected");
    const QString full = userDataReply();
    const QList<std::pair<const char*, const char*>> texts{
        {"Anrede", "Herr"}, {"Firma", "Muster GmbH"}, {"Vorname", "Max"}, {"Nachname", "Muster"},
        {"Strasse", "Hauptstr. 1"}, {"PLZ", "12345"}, {"Ort", "Musterstadt"}, {"Land", "Deutschland"},
        {"Telefon", "0301"}, {"Telefax", "0302"}, {"Mobil", "0170"}, {"Email", "max@muster.example"},
        {"ZahlArt", "Lastschrift"}, {"Kreditinstitut", "Musterbank"}, {"Kontonummer", "987"},
        {"Bankleitzahl", "10020030"}, {"Kontoinhaber", "Max Muster"}, {"Kartentyp", "Visa"},
        {"Kartennummer", "4111"}, {"Pruefziffer", "123"}, {"Karteninhaber", "M. Muster"}};
    for (const auto& [name, value] : texts)
        QTest::newRow(name) << full << name << QVariant(QString(value));
    QTest::newRow("GueltigBis") << full << "GueltigBis" << QVariant(QDate(2028, 11, 1));
    QTest::newRow("Stand") << full << "Benutzerdaten_Stand" << QVariant(QDateTime(QDate(2026, 3, 6), QTime(7, 8, 9)));
    QTest::newRow("expiry unreadable: today") << userDataReply("2028xx") << "GueltigBis" << QVariant(kNow.date());
    QTest::newRow("date unreadable: now") << userDataReply("202811", "gestern") << "Benutzerdaten_Stand"
                                          << QVariant(kNow);
    // Outside the element UserData nothing counts.
    QTest::newRow("other root") << "<Other><Title>Frau</Title></Other>" << "Anrede" << QVariant(QString(""));
    QTest::newRow("bank values only inside BankData")
        << "<UserData><CreditInstitution>X</CreditInstitution></UserData>" << "Kreditinstitut" << QVariant(QString(""));
}

void TestAccount::userData()
{
    QFETCH(QString, reply);
    QFETCH(QString, field);
    QFETCH(QVariant, expected);
    TIniFileDaten d;
    d.Anrede = "vorher";
    ApplyUserData(reply, d, kNow);
    QCOMPARE(::field(d, field), expected);
}

void TestAccount::userDataDetail_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("contingent with point") << detailReply("12.5", "1") << "Kontingent" << QVariant(12.5);
    QTest::newRow("contingent with comma") << detailReply("12,5", "1") << "Kontingent" << QVariant(12.5);
    QTest::newRow("contingent with blank") << detailReply(" 12", "1") << "Kontingent" << QVariant(0.0);
    QTest::newRow("contingent not a number") << detailReply("viel", "1") << "Kontingent" << QVariant(0.0);
    QTest::newRow("contingent infinite") << detailReply("inf", "1") << "Kontingent" << QVariant(0.0);
    QTest::newRow("account name") << detailReply("1", "1") << "AccountName" << QVariant(QString("Muster GmbH"));
    QTest::newRow("type") << detailReply("1", "0") << "AccountType" << QVariant(0);
    QTest::newRow("type not whole") << detailReply("1", "1x") << "AccountType" << QVariant(0);
    QTest::newRow("todo") << detailReply("1", "1") << "AnzTodo" << QVariant(3);
    QTest::newRow("todo missing") << detailReply("1", "1", "") << "AnzTodo" << QVariant(0);
    QTest::newRow("todo with blank") << detailReply("1", "1", " 3") << "AnzTodo" << QVariant(0);
    QTest::newRow("protocol") << detailReply("1", "1") << "AnzProtokoll" << QVariant(42);
    QTest::newRow("stand") << detailReply("1", "1") << "Accountstatus_Stand"
                           << QVariant(QDateTime(QDate(2026, 3, 5), QTime(14, 15, 16)));
    QTest::newRow("stand unreadable: now") << detailReply("1", "1", "3", "2026") << "Accountstatus_Stand"
                                           << QVariant(kNow);
}

void TestAccount::userDataDetail()
{
    QFETCH(QString, reply);
    QFETCH(QString, field);
    QFETCH(QVariant, expected);
    TIniFileDaten d;
    ApplyUserDataDetail(reply, d, kNow);
    QCOMPARE(::field(d, field), expected);
}

void TestAccount::parseGueltigBis_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");
    const QDate def(2000, 1, 1);
    QTest::newRow("yyyymm") << "202811" << QDate(2028, 11, 1);
    QTest::newRow("longer text") << "20281130" << QDate(2028, 11, 1);
    QTest::newRow("month 13") << "202813" << def;
    QTest::newRow("month 00") << "202800" << def;
    QTest::newRow("too short") << "20281" << def;
    QTest::newRow("letters") << "2028ab" << def;
    QTest::newRow("empty") << "" << def;
}

void TestAccount::parseGueltigBis()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    QCOMPARE(ParseGueltigBis(text, QDate(2000, 1, 1)), expected);
}

QTEST_MAIN(TestAccount)
#include "tst_account.moc"
