// The send-log writer left without Flush(): what is waiting is written when its scope ends
// normally, dropped when an exception unwinds it, and a failure there stays inside the destructor.
#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "sms/Protokoll.h"
#include <QtTest>
#include <stdexcept>

namespace {
TProtokollEintrag eintrag(int i, const QString& dnr = QString())
{
    TProtokollEintrag e;
    e.MessageId = QString("M%1").arg(i);
    e.Recipient = dnr.isEmpty() ? QString("49%1").arg(i) : dnr;
    e.Content = QString("Text %1").arg(i);
    e.Type = "Tx";
    e.StatusId = "0";
    return e;
}

int rows(TestDatabase& db) { return db.Scalar("SELECT COUNT(*) FROM protokoll").toInt(); }
}

class TestProtokollSpeicher : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scopeEndWritesWaiting_data();
    void scopeEndWritesWaiting();
    void unwindingDropsWaiting();
    void failedWriteAtScopeEndIsLogged();
};

void TestProtokollSpeicher::scopeEndWritesWaiting_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("none") << 0;
    QTest::newRow("fewer than a block") << 3;
    QTest::newRow("one block exactly") << TProtokollSpeicher::kBlock;
    QTest::newRow("blocks and a rest") << 2 * TProtokollSpeicher::kBlock + 9;
}

void TestProtokollSpeicher::scopeEndWritesWaiting()
{
    QFETCH(int, count);
    TestDatabase db;
    ScriptedMessages msgs;
    DatenModul->Unit([&] {
        TProtokollSpeicher speicher;
        for (int i = 1; i <= count; ++i)
            speicher.InsertProtokollEintrag(eintrag(i));
    });
    QCOMPARE(rows(db), count);
    if (count > 0)
        QCOMPARE(db.Scalar("SELECT messageid FROM protokoll ORDER BY id DESC"), QString("M%1").arg(count));
    QCOMPARE(msgs.Count(), 0);
}

void TestProtokollSpeicher::unwindingDropsWaiting()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const int blockRows = TProtokollSpeicher::kBlock;
    try {
        TProtokollSpeicher speicher;
        for (int i = 1; i <= blockRows + 3; ++i)
            speicher.InsertProtokollEintrag(eintrag(i));
        throw std::runtime_error("abgebrochen");
    } catch (const std::runtime_error&) {
    }
    // The block went out before; the three waiting rows are not written while unwinding.
    QCOMPARE(rows(db), blockRows);
    DatenModul->Rollback();
}

void TestProtokollSpeicher::failedWriteAtScopeEndIsLogged()
{
    TestDatabase db;
    ScriptedMessages msgs;
    db.Exec("ALTER TABLE protokoll ADD CONSTRAINT ck_test CHECK (dnr <> 'BAD')");
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^Versandprotokoll: "));
    {
        TProtokollSpeicher speicher;
        speicher.InsertProtokollEintrag(eintrag(1));
        speicher.InsertProtokollEintrag(eintrag(2, "BAD"));
        speicher.InsertProtokollEintrag(eintrag(3));
    }
    // The rows before the refused one are written, none after it, and nothing was thrown.
    QCOMPARE(db.Scalar("SELECT LIST(messageid) FROM protokoll"), QString("M1"));
    DatenModul->Rollback();
}

QTEST_MAIN(TestProtokollSpeicher)
#include "tst_protokollspeicher.moc"
