#include "gateway/HttpRequest.h"
#include <QtTest>

Q_DECLARE_METATYPE(TRejectionMessage)

namespace {
QString reply(const QString& root, const QString& inner)
{
    return "<" + root + ">" + inner + "</" + root + ">";
}
const QString kVersion = "<VersionInfo><Major>2</Major><Minor>2</Minor><Release>0</Release></VersionInfo>";
}

class TestReplyEvaluation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void evaluate_data();
    void evaluate();
};

void TestReplyEvaluation::evaluate_data()
{
    QTest::addColumn<QString>("response");
    QTest::addColumn<int>("heldNews");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<TRejectionMessage>("message");
    QTest::addColumn<int>("newerNews");   // -1: none
    QTest::addColumn<bool>("version");    // 2.2.0 announced

    const auto gw = TRejectionMessage::Gateway;
    QTest::newRow("success") << reply("Send", "<Result>SUCCESS</Result>") << 0 << true << "" << gw << -1 << false;
    QTest::newRow("result in lower case") << reply("Send", "<Result>success</Result>") << 0 << false << "" << gw
                                          << -1 << false;
    QTest::newRow("other root") << reply("Other", "<Result>SUCCESS</Result>") << 0 << false << "" << gw << -1
                                << false;
    QTest::newRow("rejected") << reply("Send", "<Result>ERROR</Result><Error>050: busy</Error>") << 0 << false
                              << "050: busy" << gw << -1 << false;
    QTest::newRow("login")
        << reply("Send", "<Result>ERROR</Result><Error>010: username and/or password is invalid</Error>") << 0 << false
        << "010: username and/or password is invalid" << TRejectionMessage::Login << -1 << false;
    QTest::newRow("locked") << reply("Send", "<Result>ERROR</Result><Error>012: account is locked</Error>") << 0
                            << false << "012: account is locked" << TRejectionMessage::AccountLocked << -1 << false;
    // Both codes: the login box wins.
    QTest::newRow("login and locked")
        << reply("Send", "<Result>ERROR</Result><Error>012: account is locked, 010: username and/or password is "
                         "invalid</Error>")
        << 0 << false << "012: account is locked, 010: username and/or password is invalid"
        << TRejectionMessage::Login << -1 << false;
    QTest::newRow("error list without root")
        << "<Error><ErrorList><ErrorListItem>020: a</ErrorListItem><ErrorListItem>030: b</ErrorListItem>"
           "</ErrorList></Error>"
        << 0 << false << "020: a\n\r030: b" << gw << -1 << false;
    QTest::newRow("error list with a locked item")
        << "<Error><ErrorList><ErrorListItem>012: account is locked</ErrorListItem></ErrorList></Error>" << 0 << false
        << "012: account is locked" << TRejectionMessage::AccountLocked << -1 << false;
    QTest::newRow("no reply") << "" << 0 << false << "" << gw << -1 << false;
    QTest::newRow("newer news") << reply("Send", "<Result>SUCCESS</Result><NewsIndex>7</NewsIndex>") << 5 << true
                                << "" << gw << 7 << false;
    QTest::newRow("news held") << reply("Send", "<Result>SUCCESS</Result><NewsIndex>5</NewsIndex>") << 5 << true
                               << "" << gw << -1 << false;
    QTest::newRow("older news") << reply("Send", "<Result>SUCCESS</Result><NewsIndex>4</NewsIndex>") << 5 << true
                                << "" << gw << -1 << false;
    QTest::newRow("news 0") << reply("Send", "<Result>SUCCESS</Result><NewsIndex>0</NewsIndex>") << -1 << true << ""
                            << gw << -1 << false;
    QTest::newRow("news in a rejection") << reply("Send", "<Result>ERROR</Result><NewsIndex>3</NewsIndex>") << 0
                                         << false << "" << gw << 3 << false;
    QTest::newRow("news outside the root") << reply("Send", "<Result>SUCCESS</Result>") + "<NewsIndex>9</NewsIndex>"
                                           << 0 << true << "" << gw << -1 << false;
    QTest::newRow("version") << reply("Send", "<Result>SUCCESS</Result>" + kVersion) << 0 << true << "" << gw << -1
                             << true;
    // The version is read anywhere in the reply, also in a rejection.
    QTest::newRow("version outside the root") << reply("Send", "<Result>ERROR</Result><Error>x</Error>") + kVersion
                                              << 0 << false << "x" << gw << -1 << true;
}

void TestReplyEvaluation::evaluate()
{
    QFETCH(QString, response);
    QFETCH(int, heldNews);
    QFETCH(bool, success);
    QFETCH(QString, errorText);
    QFETCH(TRejectionMessage, message);
    QFETCH(int, newerNews);
    QFETCH(bool, version);
    const TReplyEvaluation e = EvaluateReply(response, QStringLiteral("Send"), heldNews);
    QCOMPARE(e.Success, success);
    QCOMPARE(e.ErrorText, errorText);
    QCOMPARE(e.Message, message);
    QCOMPARE(e.NewerNewsIndex.value_or(-1), newerNews);
    QCOMPARE(e.Version.has_value(), version);
    if (version)
        QCOMPARE(*e.Version, (TVersion{2, 2, 0}));
}

QTEST_MAIN(TestReplyEvaluation)
#include "tst_replyevaluation.moc"
