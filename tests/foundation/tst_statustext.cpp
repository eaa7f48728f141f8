// The status-text history a long run leaves behind: bounded, keeping the latest texts in order.
#include "foundation/WaitCursor.h"
#include <QtTest>

class TestStatusText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void historyKeepsTheLatest_data();
    void historyKeepsTheLatest();
};

void TestStatusText::historyKeepsTheLatest_data()
{
    QTest::addColumn<int>("count");
    const int limit = int(StatusText::kHistoryLimit);
    QTest::newRow("few") << 3;
    QTest::newRow("at the limit") << limit;
    QTest::newRow("one over") << limit + 1;
    QTest::newRow("a long run") << 50 * limit + 7;
}

void TestStatusText::historyKeepsTheLatest()
{
    QFETCH(int, count);
    StatusText::ClearHistory();
    QStringList seen;
    StatusText::SetSink([&](const QString& t) { seen.append(t); });
    for (int i = 1; i <= count; ++i)
        StatusText::Set(QString::number(i));
    StatusText::SetSink({});
    const QStringList& history = StatusText::History();
    const int kept = qMin(count, int(StatusText::kHistoryLimit));
    QCOMPARE(history.size(), kept);
    QCOMPARE(history.first(), QString::number(count - kept + 1));
    QCOMPARE(history.last(), QString::number(count));
    QCOMPARE(StatusText::Current(), QString::number(count));
    // The sink still sees every text.
    QCOMPARE(seen.size(), count);
    StatusText::ClearHistory();
    QVERIFY(StatusText::History().isEmpty());
}

QTEST_MAIN(TestStatusText)
#include "tst_statustext.moc"
