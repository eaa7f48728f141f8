#include "FakeGateway.h"
#include "TestEnv.h"
#include "TestSession.h"
#include "gateway/HttpClient.h"
#include "gateway/HttpRequest.h"
#include <QHostAddress>
#include <QTcpServer>
#include <QTest>

// A gateway that never answers and a reply that is too large both end as a failed connection.
class TestHttpLimits : public QObject {
    Q_OBJECT
private slots:
    void defaults();
    void silentGatewayFailsAfterTheStallTime();
    void replySize_data();
    void replySize();
};

namespace {
const QString kUserData = QStringLiteral("/smscommand/UserData.do");
const QString kFail = QStringLiteral("Die Benutzerdaten konnten nicht erfolgreich vom Server abgerufen werden.");
const QString kNoConnectionPrefix =
    QStringLiteral("Es konnte keine Verbindung zum Server hergestellt werden.\n\rFehlermeldung: ");
}

void TestHttpLimits::defaults()
{
    THttpClient client;
    QCOMPARE(client.StallTimeout(), 60L);
    QCOMPARE(client.MaxReplySize(), qint64(64) * 1024 * 1024);
}

void TestHttpLimits::silentGatewayFailsAfterTheStallTime()
{
    // The kernel completes the connection; nobody reads or answers while the request blocks.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    TestSession host;
    host.session.HttpClient().SetStallTimeout(1);
    ScriptedMessages msgs;
    QStringList params{QStringLiteral("username=u")};
    THttpRequest req(host.session,
                     QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort()) + kUserData, params);
    QVERIFY(!req.Execute(QStringLiteral("UserData"), kFail));
    QCOMPARE(req.GetError(), QString::fromLatin1(kNoConnectionError));
    QCOMPARE(req.GetResponse(), QString());
    QCOMPARE(host.Reloads, 0);
    QVERIFY(host.LoadNewsCalls.isEmpty());
    QCOMPARE(host.VersionSets, 0);
    QCOMPARE(msgs.Count(), 1);
    QCOMPARE(msgs.Messages()[0].kind, Msg::Kind::Error);
    QVERIFY2(msgs.Messages()[0].text.startsWith(kNoConnectionPrefix), qPrintable(msgs.Messages()[0].text));
}

void TestHttpLimits::replySize_data()
{
    QTest::addColumn<int>("padding");
    QTest::addColumn<bool>("arrives");
    QTest::newRow("within the limit") << 100 << true;
    QTest::newRow("over the limit") << 5000 << false;
}

void TestHttpLimits::replySize()
{
    QFETCH(int, padding);
    QFETCH(bool, arrives);
    FakeGateway gw;
    QVERIFY(gw.Start());
    gw.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData"),
                                                QStringLiteral("<Pad>") + QString(padding, QLatin1Char('x'))
                                                    + QStringLiteral("</Pad><NewsIndex>7</NewsIndex>")));
    TestSession host;
    host.session.HttpClient().SetMaxReplySize(2000);
    ScriptedMessages msgs;
    QStringList params;
    THttpRequest req(host.session, gw.Url(kUserData), params);
    QCOMPARE(req.Execute(QStringLiteral("UserData"), kFail), arrives);
    if (arrives) {
        QCOMPARE(msgs.Count(), 0);
        return;
    }
    QCOMPARE(req.GetError(), QString::fromLatin1(kNoConnectionError));
    QCOMPARE(req.GetResponse(), QString());
    QVERIFY(host.LoadNewsCalls.isEmpty());   // nothing of the cut reply is taken
    QCOMPARE(msgs.Count(), 1);
    QVERIFY2(msgs.Messages()[0].text.startsWith(kNoConnectionPrefix), qPrintable(msgs.Messages()[0].text));
}

QTEST_MAIN(TestHttpLimits)
#include "tst_httplimits.moc"
