// The writes done several rows per execute: the send-log download's entries and the time of
// the last SMS; and the one-pass reading of a downloaded entry.
#include "TestEnv.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "gateway/Xml.h"
#include "sms/Protokoll.h"
#include <QSqlQuery>
#include <QtTest>

namespace {
QString entry(int i, const QString& dnr)
{
    return QString("<Sms><DispatchTime>20261201123000</DispatchTime><Recipient>%1</Recipient><Content>Text %2"
                   "</Content><Type>Tx</Type><StatusId>0</StatusId><MessageId>M%2</MessageId></Sms>")
        .arg(dnr).arg(i);
}

QStringList column(TDatenModul* modul, const QString& sql)
{
    QStringList out;
    QSqlQuery q = modul->Run(sql);
    while (q.next())
        out << TDatenModul::TextValue(q.value(0));
    return out;
}
}

class TestProtokollBlock : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entryInOnePass_data();
    void entryInOnePass();
    void refusalInsideABlock_data();
    void refusalInsideABlock();
    void contentAcrossTheTextLimit_data();
    void contentAcrossTheTextLimit();
    void stampInBlocks();
};

void TestProtokollBlock::entryInOnePass_data()
{
    QTest::addColumn<QString>("sms");
    QTest::newRow("plain") << entry(1, "4917");
    QTest::newRow("case of names") << "<recipient>1</RECIPIENT><TYPE>Fs</type>";
    QTest::newRow("closing before opening") << "</Content><Content>x</Content><IP>1</IP>";
    QTest::newRow("missing closing") << "<Sender>abc<Type>Tx</Type>";
    QTest::newRow("twice: the first") << "<Type>A</Type><Type>B</Type>";
    QTest::newRow("nested same name") << "<Content>a<Content>b</Content>c</Content>";
    QTest::newRow("tag text inside content") << "<Content>x <IP>9</IP> y</Content><IP>1</IP>";
    QTest::newRow("empty and open at end") << "<MsgParts></MsgParts><StatusId>";
    QTest::newRow("similar names") << "<OpNetX>1</OpNetX><OpNet>2</OpNet><IPs>3</IPs><IP>4</IP>";
    QTest::newRow("long s folds to s") << QString::fromUtf8("<\u017Fender>x</Sender>");
    QTest::newRow("lone brackets") << "<<<Type>>Tx</Type><";
}

void TestProtokollBlock::entryInOnePass()
{
    QFETCH(QString, sms);
    TProtokollEintrag e;
    e.Content = "stale";
    LeseProtokollEintrag(sms, e);
    const struct {
        const char* tag;
        QString TProtokollEintrag::*field;
    } fields[] = {{"DispatchTime", &TProtokollEintrag::DispatchTime}, {"Recipient", &TProtokollEintrag::Recipient},
                  {"Content", &TProtokollEintrag::Content}, {"Sender", &TProtokollEintrag::Sender},
                  {"Type", &TProtokollEintrag::Type}, {"MsgParts", &TProtokollEintrag::MsgParts},
                  {"IP", &TProtokollEintrag::IP}, {"OpNet", &TProtokollEintrag::OpNet},
                  {"OpCountry", &TProtokollEintrag::OpCountry}, {"UserRequestId", &TProtokollEintrag::UserRequestId},
                  {"StatusId", &TProtokollEintrag::StatusId}, {"ReferenceTime", &TProtokollEintrag::ReferenceTime},
                  {"MessageId", &TProtokollEintrag::MessageId}};
    for (const auto& f : fields)
        QCOMPARE(e.*f.field, XmlElement(sms, QLatin1String(f.tag)));
}

void TestProtokollBlock::refusalInsideABlock_data()
{
    QTest::addColumn<int>("bad");   // the entry the engine refuses (1-based), 0: none
    QTest::newRow("none") << 0;
    QTest::newRow("first: the page leaves nothing") << 1;
    QTest::newRow("inside the first block") << 7;
    QTest::newRow("first of the second block") << 11;
    QTest::newRow("in the rest after the blocks") << 24;
}

void TestProtokollBlock::refusalInsideABlock()
{
    QFETCH(int, bad);
    TestDatabase db;
    ScriptedMessages msgs;
    db.Exec("INSERT INTO protokoll (dnr, content, typ, statusid) VALUES ('alt', 'x', 'Tx', 0)");
    // A refusal only the engine knows of, in the middle of a block.
    db.Exec("ALTER TABLE protokoll ADD CONSTRAINT ck_test CHECK (dnr <> 'BAD')");
    QString list;
    QStringList expected;
    for (int i = 1; i <= 25; ++i) {
        const QString dnr = i == bad ? "BAD" : QString("49%1").arg(i, 3, 10, QChar('0'));
        list += entry(i, dnr);
        if (bad == 0 || i < bad)
            expected << dnr;
    }
    const QString reply = "<Protocol><Count>25</Count><SmsList>" + list + "</SmsList></Protocol>";
    bool threw = false;
    try {
        RunProtokollDownload("u", "p", -1, [&](const QStringList&, QString* out) {
            *out = reply;
            return true;
        }, {});
    } catch (const DbError&) {
        threw = true;
    }
    QCOMPARE(threw, bad != 0);
    if (bad == 1)
        expected = QStringList{"alt"};   // nothing stored: the page's delete is undone too
    // Committed: another connection sees the rows, in the order they came.
    db.Modul()->RefreshReadDatabase();
    QSqlQuery q(db.Modul()->ReadDatabase());
    QVERIFY(q.exec("SELECT dnr FROM protokoll ORDER BY id"));
    QStringList got;
    while (q.next())
        got << q.value(0).toString();
    QCOMPARE(got, expected);
    if (bad != 1)
        QCOMPARE(column(db.Modul(), "SELECT messageid FROM protokoll ORDER BY id").first(), QString("M1"));
}

void TestProtokollBlock::contentAcrossTheTextLimit_data()
{
    QTest::addColumn<int>("at");   // the entry (1-based of 25) with the content below
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("typ");
    const int limit = TProtokollSpeicher::kInlineContent;
    const QString emoji = QString::fromUtf8("\U0001F600");
    QTest::newRow("at the limit, in a block") << 7 << QString(limit, 'x') << "Tx";
    QTest::newRow("one over, inside the first block") << 7 << QString(limit + 1, 'y') << "Tx";
    QTest::newRow("long, first of the second block") << 11 << QString(5000, 'z') << "Fs";
    QTest::newRow("very long, in the rest") << 25 << QString(70000, QChar(u'ä')) << "TxA";
    QTest::newRow("first of all, long") << 1 << QString(limit + 1, 'a') << "Tx";
    QTest::newRow("umlauts at the limit") << 3 << QString(limit, QChar(u'ö')) << "Tx";
    QTest::newRow("four-byte characters at the limit") << 3 << emoji.repeated(limit / 2) << "Tx";
    QTest::newRow("four-byte characters over it") << 3 << emoji.repeated(limit / 2 + 1) << "Fs";
    QTest::newRow("multimedia: no index") << 4 << QString(limit + 200, 'm') << "MMS";
    QTest::newRow("lower-case type: no index") << 4 << QString("kurz") << "tx";
    QTest::newRow("empty content") << 5 << QString() << "Tx";
}

// Contents too long for the block's text parameter are stored alone, whole, and in their place.
void TestProtokollBlock::contentAcrossTheTextLimit()
{
    QFETCH(int, at);
    QFETCH(QString, content);
    QFETCH(QString, typ);
    TestDatabase db;
    ScriptedMessages msgs;
    QString list;
    QStringList ids, contents, types;
    for (int i = 1; i <= 25; ++i) {
        const QString c = i == at ? content : QString("Text %1").arg(i);
        const QString t = i == at ? typ : QString("Tx");
        list += QString("<Sms><Recipient>49%1</Recipient><Content>%2</Content><Type>%3</Type>"
                        "<StatusId>0</StatusId><MessageId>M%1</MessageId></Sms>").arg(i).arg(c, t);
        ids << QString("M%1").arg(i);
        contents << c;
        types << t;
    }
    const QString reply = "<Protocol><Count>25</Count><SmsList>" + list + "</SmsList></Protocol>";
    RunProtokollDownload("u", "p", -1, [&](const QStringList&, QString* out) {
        *out = reply;
        return true;
    }, {});
    QSqlQuery q = db.Modul()->Run("SELECT messageid, content, contentindex, typ FROM protokoll ORDER BY id");
    QStringList gotIds;
    for (int i = 0; q.next(); ++i) {
        gotIds << q.value(0).toString();
        QCOMPARE(TDatenModul::TextValue(q.value(1)), contents.value(i));
        const QVariant index = ProtokollContentIndex(types.value(i), contents.value(i));
        QCOMPARE(q.value(2).isNull(), index.isNull());
        QCOMPARE(q.value(2).toString(), index.toString());
        QCOMPARE(q.value(3).toString(), types.value(i));
    }
    QCOMPARE(gotIds, ids);
}

void TestProtokollBlock::stampInBlocks()
{
    TestDatabase db;
    db.Exec(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN WHILE ("I" <= 260) DO BEGIN
             INSERT INTO kontakte (id) VALUES (:"I"); "I" = "I" + 1; END END)");
    const QDateTime now(QDate(2026, 3, 4), QTime(5, 6, 7, 890));
    Clock::Set(now);
    // Three blocks (100, 100, 55), with a typed number (-1), an unknown id and a repeated id;
    // 250 to 260 are left out.
    QVector<int> ids;
    for (int i = 1; i < 250; ++i)
        ids << i;
    ids << -1 << 9999 << 7 << 3 << 4 << 5 << 6;
    TKontaktDaten::SetzeMobilLastSend(ids);
    Clock::Set(QDateTime());
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte WHERE mobil_lastsend IS NOT NULL"), "249");
    QSqlQuery q = db.Modul()->Run("SELECT COUNT(*) FROM kontakte WHERE mobil_lastsend=:t", {{"t", now}});
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 249);
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte WHERE id >= 250 AND mobil_lastsend IS NULL"), "11");
    // Committed.
    db.Modul()->RefreshReadDatabase();
    QSqlQuery r(db.Modul()->ReadDatabase());
    QVERIFY(r.exec("SELECT COUNT(*) FROM kontakte WHERE mobil_lastsend IS NOT NULL") && r.next());
    QCOMPARE(r.value(0).toInt(), 249);
}

QTEST_MAIN(TestProtokollBlock)
#include "tst_protokollblock.moc"
