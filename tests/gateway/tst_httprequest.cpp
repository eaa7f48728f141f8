#include "FakeAccount.h"
#include "FakeGateway.h"
#include "TestEnv.h"
#include "TestSession.h"
#include "gateway/Hosts.h"
#include "gateway/HttpClient.h"
#include "gateway/HttpRequest.h"
#include "gateway/Xml.h"
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kUserData = QStringLiteral("/smscommand/UserData.do");
const QString kUserDataFail = QStringLiteral("Die Benutzerdaten konnten nicht erfolgreich vom Server abgerufen werden.");
const QString kNoConnectionPrefix =
    QStringLiteral("Es konnte keine Verbindung zum Server hergestellt werden.\n\rFehlermeldung: ");

QString generalMessage(const QString& fail, const QString& error)
{
    return fail + QStringLiteral("\n\rFehlermeldung(en): \n\r") + error +
           QStringLiteral(".\n\r\n\rNähere Informationen zu Fehlermeldungen erhalten Sie in der technischen Dokumentation.");
}
}

class TestHttpRequest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void gatewayUrl();
    void body_data();
    void body();
    void headers();
    void largeBatchArrivesWhole();
    void outcome_data();
    void outcome();
    void rejectionWithoutErrorBoxes();
    void transportFailure_data();
    void transportFailure();
    void delayedReplyStillArrives();
    void proxyOffIgnoresEnvironment();
    void proxyWithBasicAuthentication();
    void proxySettingsTakeEffectPerRequest();
    void proxyPortOutOfRange();
    void httpsWithTrustedCertificate();
    void postTakesSchemeAtEveryRequest();
    void httpsWithUntrustedCertificateSendsNothing_data();
    void httpsWithUntrustedCertificateSendsNothing();
    void newsPickup_data();
    void newsPickup();
    void nestedNewsRequest();
    void versionPickup_data();
    void versionPickup();
    void cursorRestored();
    void fakeAccountServesEveryCommand();

private:
    // Runs one request against the fake gateway's path.
    bool run(const QString& path, QStringList& params, const QString& root = QStringLiteral("UserData"),
             bool showErrors = true, bool checkNews = true, QString* error = nullptr, QString* response = nullptr);

    std::unique_ptr<TestSession> host;
    std::unique_ptr<FakeGateway> gw;
    std::unique_ptr<ScriptedMessages> msgs;
};

void TestHttpRequest::init()
{
    host = std::make_unique<TestSession>();
    gw = std::make_unique<FakeGateway>();
    QVERIFY(gw->Start());
    msgs = std::make_unique<ScriptedMessages>();
}

void TestHttpRequest::cleanup()
{
    gw.reset();
    msgs.reset();
    host.reset();
}

bool TestHttpRequest::run(const QString& path, QStringList& params, const QString& root, bool showErrors,
                          bool checkNews, QString* error, QString* response)
{
    THttpRequest req(host->session, gw->Url(path), params);
    req.SetShowErrors(showErrors);
    req.SetCheckNews(checkNews);
    const bool ok = req.Execute(root, kUserDataFail);
    if (error)
        *error = req.GetError();
    if (response)
        *response = req.GetResponse();
    return ok;
}

void TestHttpRequest::gatewayUrl()
{
    {
        ScopedEnv env("VORNIX2_GATEWAY_HOST", "127.0.0.1:4711");
        QCOMPARE(GatewaySession::GatewayUrl(kUserData, false),
                 QStringLiteral("http://127.0.0.1:4711/smscommand/UserData.do"));
        QCOMPARE(GatewaySession::GatewayUrl(kUserData, true),
                 QStringLiteral("https://127.0.0.1:4711/smscommand/UserData.do"));
    }
    {
        ScopedEnv env("VORNIX2_GATEWAY_HOST", "");
        QCOMPARE(GatewayHostName(), QStringLiteral(VORNIX2_GATEWAY_HOST_DEFAULT));
    }
    ScopedEnv web("VORNIX2_WEB_HOST", "web.test:8080");
    QCOMPARE(WebUrl(QStringLiteral("/deeplink/register")), QStringLiteral("http://web.test:8080/deeplink/register"));
}

void TestHttpRequest::body_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("login with umlaut and punctuation")
        << QStringList{QString::fromUtf8("username=Max Müller"), "password=a-b.c&d"}
        << QByteArray("username=Max+M%FCller&password=a%2Db%2Ec%26d&version=2105&");
    QTest::newRow("version alone, no trailing &") << QStringList{} << QByteArray("version=2105");
    QTest::newRow("euro sign") << QStringList{QString::fromUtf8("content=€")} << QByteArray("content=%80&version=2105&");
    QTest::newRow("empty value") << QStringList{"from="} << QByteArray("from=&version=2105&");
    QTest::newRow("every other byte is escaped")
        << QStringList{"content=-._~*@!,:+=%/?\r\n\t"}
        << QByteArray("content=%2D%2E%5F%7E%2A%40%21%2C%3A%2B%3D%25%2F%3F%0D%0A%09&version=2105&");
    QTest::newRow("value is not trimmed") << QStringList{"to= 1 "} << QByteArray("to=+1+&version=2105&");
    QTest::newRow("only the first = splits") << QStringList{"a=b=c"} << QByteArray("a=b%3Dc&version=2105&");
    QTest::newRow("outside Windows-1252 becomes ?")
        << QStringList{QString::fromUtf8("content=a✓b😀")} << QByteArray("content=a%3Fb%3F&version=2105&");
    QTest::newRow("Latin-1 and Windows-1252 letters")
        << QStringList{QString::fromUtf8("content=ßÄöü„“Š")} << QByteArray("content=%DF%C4%F6%FC%84%93%8A&version=2105&");
}

void TestHttpRequest::body()
{
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, expected);
    gw->SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    QStringList params = lines;
    QVERIFY(run(kUserData, params));
    QCOMPARE(gw->Count(), 1);
    QCOMPARE(gw->Last().Body(), expected);
    QCOMPARE(FormBody(lines + QStringList{QStringLiteral("version=2105")}), expected);
    // The caller's list keeps the version line.
    QCOMPARE(params, lines + QStringList{QStringLiteral("version=2105")});
    QCOMPARE(msgs->Count(), 0);
}

void TestHttpRequest::headers()
{
    // The first reply sets a cookie; the reused handle must not send it back.
    gw->Script(kUserData, FakeReply::Success(QStringLiteral("UserData"))
                              .WithHeader("Set-Cookie", "JSESSIONID=4711; Path=/")
                              .WithHeader("Set-Cookie", "lang=de; Path=/smscommand"));
    gw->SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    for (int i = 0; i < 2; ++i) {
        QStringList params{QStringLiteral("username=u"), QStringLiteral("password=p")};
        QVERIFY(run(kUserData, params));
    }
    QCOMPARE(gw->Count(), 2);
    for (const FakeRequest& r : gw->Requests()) {
        QCOMPARE(QString::fromStdString(r.method), QStringLiteral("POST"));
        QCOMPARE(QString::fromStdString(r.target), kUserData);
        QCOMPARE(r.Header(QStringLiteral("Content-Type")), QStringLiteral("application/x-www-form-urlencoded"));
        QCOMPARE(r.Header(QStringLiteral("Accept")), QStringLiteral("text/html, */*"));
        QCOMPARE(r.Header(QStringLiteral("User-Agent")), QStringLiteral("Mozilla/3.0 (compatible; Indy Library)"));
        QVERIFY(!r.HasHeader(QStringLiteral("Cookie")));
        QVERIFY(!r.HasHeader(QStringLiteral("Authorization")));
        QVERIFY(!r.HasHeader(QStringLiteral("Proxy-Authorization")));
        QVERIFY(!r.HasHeader(QStringLiteral("Expect")));
    }
}

void TestHttpRequest::largeBatchArrivesWhole()
{
    gw->SetDefault(QStringLiteral("/sms/http2sms.jsp"),
                   FakeReply::Xml(QStringLiteral("<smsreport><result>SUCCESS</result></smsreport>")));
    QStringList numbers;
    for (int i = 0; i < 5000; ++i)
        numbers.append(QStringLiteral("0049171%1").arg(i, 7, 10, QLatin1Char('0')));
    QStringList params{QStringLiteral("username=u"), QStringLiteral("password=p"), QStringLiteral("type=text"),
                       QStringLiteral("to=") + numbers.join(QLatin1Char(',')), QStringLiteral("from=x"),
                       QStringLiteral("content=Hallo")};
    QVERIFY(run(QStringLiteral("/sms/http2sms.jsp"), params, QStringLiteral("smsreport")));
    const FakeRequest r = gw->Last();
    QCOMPARE(r.Field(QStringLiteral("to")), numbers.join(QLatin1Char(',')));
    QVERIFY(r.Body().endsWith("&content=Hallo&version=2105&"));
}

void TestHttpRequest::outcome_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("message");   // "" when no box
    const QString login = QString::fromUtf8(kMsgLoginError);
    const QString locked = QString::fromUtf8(kMsgAccountLocked);

    QTest::newRow("success") << "<UserData><Result>SUCCESS</Result></UserData>" << true << "" << "";
    QTest::newRow("names in any case") << "<userdata><RESULT>SUCCESS</RESULT></USERDATA>" << true << "" << "";
    QTest::newRow("lower-case success is a failure")
        << "<UserData><Result>success</Result></UserData>" << false << "" << generalMessage(kUserDataFail, "");
    QTest::newRow("result outside the root")
        << "<Result>SUCCESS</Result><UserData><Error>030: x</Error></UserData>" << false << "030: x"
        << generalMessage(kUserDataFail, "030: x");
    QTest::newRow("error inside the root")
        << "<UserData><Result>ERROR</Result><Error>030: invalid parameter</Error></UserData>" << false
        << "030: invalid parameter" << generalMessage(kUserDataFail, "030: invalid parameter");
    QTest::newRow("root present: error list outside is not read")
        << "<UserData><Result>ERROR</Result></UserData><Error><ErrorList><ErrorListItem>a</ErrorListItem>"
           "</ErrorList></Error>"
        << false << "" << generalMessage(kUserDataFail, "");
    QTest::newRow("no root: error list items in reply order")
        << "<Error><ErrorList><ErrorListItem>020: a</ErrorListItem><ErrorListItem>021: b</ErrorListItem>"
           "</ErrorList></Error>"
        << false << "020: a\n\r021: b" << generalMessage(kUserDataFail, "020: a\n\r021: b");
    QTest::newRow("empty root: error list is read")
        << "<UserData></UserData><Error><ErrorList><ErrorListItem>a</ErrorListItem></ErrorList></Error>" << false
        << "a" << generalMessage(kUserDataFail, "a");
    QTest::newRow("no root: empty first item ends the list")
        << "<Error><ErrorList><ErrorListItem></ErrorListItem><ErrorListItem>b</ErrorListItem></ErrorList></Error>"
        << false << "" << generalMessage(kUserDataFail, "");
    QTest::newRow("no root and no error") << "<Other>x</Other>" << false << "" << generalMessage(kUserDataFail, "");
    QTest::newRow("html page") << "<html><body>Wartung</body></html>" << false << ""
                               << generalMessage(kUserDataFail, "");
    QTest::newRow("login error")
        << "<UserData><Error>010: username and/or password is invalid</Error></UserData>" << false
        << "010: username and/or password is invalid" << login;
    QTest::newRow("locked")
        << "<UserData><Error>012: account is locked</Error></UserData>" << false << "012: account is locked" << locked;
    QTest::newRow("both codes: the login message")
        << "<Error><ErrorList><ErrorListItem>012: account is locked</ErrorListItem><ErrorListItem>010: username "
           "and/or password is invalid</ErrorListItem></ErrorList></Error>"
        << false << "012: account is locked\n\r010: username and/or password is invalid" << login;
    QTest::newRow("codes are case-sensitive")
        << "<UserData><Error>010: Username and/or password is invalid</Error></UserData>" << false
        << "010: Username and/or password is invalid"
        << generalMessage(kUserDataFail, "010: Username and/or password is invalid");
    QTest::newRow("failure message with a percent sign stays as it is")
        << "<UserData><Error>%1 %2 50%</Error></UserData>" << false << "%1 %2 50%"
        << generalMessage(kUserDataFail, "%1 %2 50%");
}

void TestHttpRequest::outcome()
{
    QFETCH(QString, reply);
    QFETCH(bool, success);
    QFETCH(QString, error);
    QFETCH(QString, message);
    gw->SetDefault(kUserData, FakeReply::Xml(reply));
    QStringList params{QStringLiteral("username=u"), QStringLiteral("password=p")};
    QString gotError, gotResponse;
    QCOMPARE(run(kUserData, params, QStringLiteral("UserData"), true, true, &gotError, &gotResponse), success);
    QCOMPARE(gotResponse, reply);
    QCOMPARE(gotError, error);
    if (message.isEmpty()) {
        QCOMPARE(msgs->Count(), 0);
    } else {
        QCOMPARE(msgs->Count(), 1);
        QCOMPARE(msgs->Messages()[0].kind, Msg::Kind::Error);
        QCOMPARE(msgs->Messages()[0].text, message);
    }
}

void TestHttpRequest::rejectionWithoutErrorBoxes()
{
    gw->SetDefault(kUserData, FakeReply::Rejection(QStringLiteral("UserData"),
                                                   QStringLiteral("010: username and/or password is invalid")));
    QStringList params;
    QString error;
    QVERIFY(!run(kUserData, params, QStringLiteral("UserData"), false, true, &error));
    QCOMPARE(error, QStringLiteral("010: username and/or password is invalid"));
    QCOMPARE(msgs->Count(), 0);
}

void TestHttpRequest::transportFailure_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("showErrors");
    QTest::newRow("http 500") << "500" << true;
    QTest::newRow("http 404, errors off") << "404" << false;
    QTest::newRow("connection closed during the reply") << "close" << true;
    QTest::newRow("connection refused, errors off") << "refused" << false;
    QTest::newRow("name does not resolve") << "resolve" << true;
}

void TestHttpRequest::transportFailure()
{
    QFETCH(QString, kind);
    QFETCH(bool, showErrors);
    QString url = gw->Url(kUserData);
    if (kind == QLatin1String("500"))
        gw->SetDefault(kUserData, FakeReply::Status(500));
    else if (kind == QLatin1String("404"))
        gw->SetDefault(kUserData, FakeReply::Status(404));
    else if (kind == QLatin1String("close"))
        gw->SetDefault(kUserData, FakeReply::Closed());
    else if (kind == QLatin1String("refused"))
        gw->Stop();
    else if (kind == QLatin1String("resolve"))
        url = QStringLiteral("http://no-such-host.invalid") + kUserData;

    QStringList params{QStringLiteral("username=u")};
    THttpRequest req(host->session, url, params);
    req.SetShowErrors(showErrors);
    QVERIFY(!req.Execute(QStringLiteral("UserData"), kUserDataFail));
    QCOMPARE(req.GetError(), QStringLiteral("000: no connection"));
    QCOMPARE(req.GetResponse(), QString());   // left as it was
    QCOMPARE(params, (QStringList{QStringLiteral("username=u"), QStringLiteral("version=2105")}));
    QCOMPARE(msgs->Count(), 1);
    const ScriptedMessages::Entry box = msgs->Messages()[0];
    QCOMPARE(box.kind, Msg::Kind::Error);
    QVERIFY2(box.text.startsWith(kNoConnectionPrefix), qPrintable(box.text));
    QVERIFY(box.text.endsWith(QLatin1Char('.')));
    QVERIFY2(box.text.size() > kNoConnectionPrefix.size() + 1, "the transport's own message is shown");
    if (kind == QLatin1String("500"))
        QVERIFY2(box.text.contains(QLatin1String("500")), qPrintable(box.text));
    QCOMPARE(host->LoadNewsCalls.size(), 0);
    QCOMPARE(host->VersionSets, 0);
}

void TestHttpRequest::delayedReplyStillArrives()
{
    gw->Script(kUserData, FakeReply::Success(QStringLiteral("UserData")).After(300));
    QStringList params;
    QVERIFY(run(kUserData, params));
    QCOMPARE(msgs->Count(), 0);
}

void TestHttpRequest::proxyOffIgnoresEnvironment()
{
    // A proxy named by the environment that would refuse everything.
    FakeGateway trap;
    QVERIFY(trap.Start());
    trap.SetDefault(kUserData, FakeReply::Status(502));
    const QByteArray proxy = "http://" + trap.HostPort().toLatin1();
    ScopedEnv e1("http_proxy", proxy), e2("HTTP_PROXY", proxy), e3("https_proxy", proxy), e4("ALL_PROXY", proxy),
        e5("all_proxy", proxy), e6("no_proxy", ""), e7("NO_PROXY", "");
    host = std::make_unique<TestSession>();   // a client made while the environment names the proxy
    gw->SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    QStringList params;
    QVERIFY(run(kUserData, params));
    QCOMPARE(gw->Count(), 1);
    QCOMPARE(trap.Count(), 0);
}

void TestHttpRequest::proxyWithBasicAuthentication()
{
    FakeGateway proxy;
    QVERIFY(proxy.Start());
    proxy.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    host->Edit([&](TIniFileDaten& r) {
        r.Proxy = true;
        r.Proxy_Server = QStringLiteral("127.0.0.1");
        r.Proxy_Port = proxy.Port();
        r.Proxy_BasicAuthentication = true;
        r.Proxy_Username = QStringLiteral("proxyuser");
        r.Proxy_Passwort = QStringLiteral("geheim");
    });
    QStringList params{QStringLiteral("username=u")};
    QVERIFY(run(kUserData, params));
    QCOMPARE(gw->Count(), 0);
    QCOMPARE(proxy.Count(), 1);
    const FakeRequest r = proxy.Last();
    QCOMPARE(QString::fromStdString(r.target), gw->Url(kUserData));
    QCOMPARE(r.Header(QStringLiteral("Proxy-Authorization")),
             QStringLiteral("Basic ") + QString::fromLatin1(QByteArray("proxyuser:geheim").toBase64()));
    QCOMPARE(r.Body(), QByteArray("username=u&version=2105&"));
    QVERIFY(!r.HasHeader(QStringLiteral("Authorization")));
}

void TestHttpRequest::proxySettingsTakeEffectPerRequest()
{
    FakeGateway proxy;
    QVERIFY(proxy.Start());
    proxy.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    gw->SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    host->Edit([&](TIniFileDaten& r) {
        r.Proxy = true;
        r.Proxy_Server = QStringLiteral("127.0.0.1");
        r.Proxy_Port = proxy.Port();
        r.Proxy_BasicAuthentication = false;
        r.Proxy_Username = QStringLiteral("ignored");
        r.Proxy_Passwort = QStringLiteral("ignored");
    });
    QStringList p1;
    QVERIFY(run(kUserData, p1));
    QCOMPARE(proxy.Count(), 1);
    QVERIFY(!proxy.Last().HasHeader(QStringLiteral("Proxy-Authorization")));

    host->Edit([&](TIniFileDaten& r) { r.Proxy = false; });
    QStringList p2;
    QVERIFY(run(kUserData, p2));
    QCOMPARE(proxy.Count(), 1);
    QCOMPARE(gw->Count(), 1);

    // A proxy that is not there is a transport failure, not a direct connection.
    host->Edit([&](TIniFileDaten& r) { r.Proxy = true; });
    proxy.Stop();
    QStringList p3;
    QVERIFY(!run(kUserData, p3));
    QCOMPARE(gw->Count(), 1);
    QCOMPARE(msgs->Count(), 1);
    QVERIFY(msgs->Texts()[0].startsWith(kNoConnectionPrefix));

    // The proxy on without a server: a direct connection, the environment's proxy unused.
    ScopedEnv env("http_proxy", "http://127.0.0.1:1");
    host->Edit([&](TIniFileDaten& r) { r.Proxy_Server = QString(); });
    QStringList p4;
    QVERIFY(run(kUserData, p4));
    QCOMPARE(gw->Count(), 2);
}

void TestHttpRequest::proxyPortOutOfRange()
{
    FakeGateway proxy;
    QVERIFY(proxy.Start());
    proxy.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    gw->SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    host->Edit([&](TIniFileDaten& r) {
        r.Proxy = true;
        r.Proxy_Server = QStringLiteral("127.0.0.1");
        r.Proxy_Port = proxy.Port();
    });
    QStringList p1;
    QVERIFY(run(kUserData, p1));
    QCOMPARE(proxy.Count(), 1);

    // Not the port of the request before, and not around the proxy either.
    host->Edit([&](TIniFileDaten& r) { r.Proxy_Port = 65536 + proxy.Port(); });
    QStringList p2;
    QString error;
    QVERIFY(!run(kUserData, p2, QStringLiteral("UserData"), false, true, &error));
    QCOMPARE(error, QStringLiteral("000: no connection"));
    QCOMPARE(proxy.Count(), 1);
    QCOMPARE(gw->Count(), 0);
    QCOMPARE(msgs->Count(), 1);
    QVERIFY(msgs->Texts()[0].startsWith(kNoConnectionPrefix));
}

void TestHttpRequest::httpsWithTrustedCertificate()
{
    QTemporaryDir dir;
    FakeCertificate cert;
    QVERIFY(MakeFakeCertificate(dir.path(), cert));
    FakeGateway tls;
    QVERIFY(tls.StartHttps(cert.CertFile, cert.KeyFile));
    tls.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    ScopedEnv ca("VORNIX2_CA_FILE", cert.CertFile.toLocal8Bit());
    TestSession fresh;
    QStringList params{QString::fromUtf8("password=geheim€")};
    THttpRequest req(fresh.session, tls.Url(kUserData), params);
    QVERIFY2(req.Execute(QStringLiteral("UserData"), kUserDataFail), qPrintable(msgs->Texts().join("|")));
    QCOMPARE(tls.Count(), 1);
    QCOMPARE(tls.Last().Body(), QByteArray("password=geheim%80&version=2105&"));
    // By name as well as by address.
    QStringList again;
    THttpRequest byName(fresh.session, QStringLiteral("https://localhost:%1").arg(tls.Port()) + kUserData, again);
    QVERIFY2(byName.Execute(QStringLiteral("UserData"), kUserDataFail), qPrintable(msgs->Texts().join("|")));
    QCOMPARE(msgs->Count(), 0);
}

void TestHttpRequest::postTakesSchemeAtEveryRequest()
{
    QTemporaryDir dir;
    FakeCertificate cert;
    QVERIFY(MakeFakeCertificate(dir.path(), cert));
    FakeGateway tls;
    QVERIFY(tls.StartHttps(cert.CertFile, cert.KeyFile));
    tls.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData"), QStringLiteral("<Name>tls</Name>")));
    ScopedEnv ca("VORNIX2_CA_FILE", cert.CertFile.toLocal8Bit());
    ScopedEnv env("VORNIX2_GATEWAY_HOST", tls.HostPort().toLatin1());
    const QStringList fields{QStringLiteral("username=u")};

    // Plain http against the TLS port: no connection, whatever the boxes say.
    TPostOptions quiet;
    quiet.ShowErrors = false;
    TGatewayReply reply = host->session.Post(kUserData, fields, QStringLiteral("UserData"), kUserDataFail, quiet);
    QVERIFY(!reply.Success);
    QCOMPARE(reply.ErrorText, QString::fromLatin1(kNoConnectionError));
    QCOMPARE(msgs->Count(), 1);

    // The same session after the settings changed: https, and the fields as the caller holds them.
    host->Edit([](TIniFileDaten& r) { r.Use_Https = true; });
    reply = host->session.Post(kUserData, fields, QStringLiteral("UserData"), kUserDataFail);
    QVERIFY2(reply.Success, qPrintable(msgs->Texts().join("|")));
    QCOMPARE(reply.ErrorText, QString());
    QCOMPARE(XmlElement(reply.Response, QStringLiteral("Name")), QStringLiteral("tls"));
    QCOMPARE(tls.Count(), 1);
    QCOMPARE(tls.Last().Body(), QByteArray("username=u&version=2105&"));
    QCOMPARE(fields, QStringList{QStringLiteral("username=u")});

    // A rejection comes back with its error text.
    tls.Script(kUserData, FakeReply::Rejection(QStringLiteral("UserData"), QStringLiteral("030: x")));
    reply = host->session.Post(kUserData, fields, QStringLiteral("UserData"), kUserDataFail, quiet);
    QVERIFY(!reply.Success);
    QCOMPARE(reply.ErrorText, QStringLiteral("030: x"));
    QCOMPARE(msgs->Count(), 1);
}

void TestHttpRequest::httpsWithUntrustedCertificateSendsNothing_data()
{
    QTest::addColumn<QString>("trust");   // which certificate VORNIX2_CA_FILE names
    QTest::addColumn<QString>("host");
    QTest::newRow("nothing trusted") << "" << "127.0.0.1";
    QTest::newRow("another certificate trusted") << "other" << "127.0.0.1";
    // A trusted certificate made out for another name: the host name is checked too.
    QTest::newRow("trusted, other name, by address") << "foreign" << "127.0.0.1";
    QTest::newRow("trusted, other name, by name") << "foreign" << "localhost";
}

void TestHttpRequest::httpsWithUntrustedCertificateSendsNothing()
{
    QFETCH(QString, trust);
    QFETCH(QString, host);
    QTemporaryDir dir;
    FakeCertificate served, other;
    const bool foreign = trust == QLatin1String("foreign");
    QVERIFY(MakeFakeCertificate(dir.path(), served, QStringLiteral("served"),
                                foreign ? "DNS:gateway.example" : "IP:127.0.0.1,DNS:localhost"));
    QVERIFY(MakeFakeCertificate(dir.path(), other, QStringLiteral("other")));
    FakeGateway tls;
    QVERIFY(tls.StartHttps(served.CertFile, served.KeyFile));
    tls.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    const QString caFile = trust.isEmpty() ? QString() : foreign ? served.CertFile : other.CertFile;
    ScopedEnv ca("VORNIX2_CA_FILE", caFile.toLocal8Bit());
    TestSession fresh;
    QStringList params{QStringLiteral("username=u"), QStringLiteral("password=geheim")};
    THttpRequest req(fresh.session, QStringLiteral("https://%1:%2").arg(host).arg(tls.Port()) + kUserData, params);
    req.SetShowErrors(false);
    QVERIFY(!req.Execute(QStringLiteral("UserData"), kUserDataFail));
    QCOMPARE(req.GetError(), QStringLiteral("000: no connection"));
    QCOMPARE(msgs->Count(), 1);
    QVERIFY2(msgs->Texts()[0].startsWith(kNoConnectionPrefix), qPrintable(msgs->Texts()[0]));
    QCOMPARE(tls.Count(), 0);
}

void TestHttpRequest::newsPickup_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("checkNews");
    QTest::addColumn<QList<int>>("loads");
    const QString ok = QStringLiteral("<UserData><Result>SUCCESS</Result><NewsIndex>%1</NewsIndex></UserData>");
    QTest::newRow("equal index fetches nothing") << ok.arg(5) << true << QList<int>{};
    QTest::newRow("larger index fetches once") << ok.arg(6) << true << QList<int>{6};
    QTest::newRow("smaller index") << ok.arg(4) << true << QList<int>{};
    QTest::newRow("news check off") << ok.arg(9) << false << QList<int>{};
    QTest::newRow("not a number") << ok.arg("7x") << true << QList<int>{};
    QTest::newRow("outside the root")
        << "<UserData><Result>SUCCESS</Result></UserData><NewsIndex>9</NewsIndex>" << true << QList<int>{};
    QTest::newRow("rejected reply still fetches")
        << "<UserData><Result>ERROR</Result><NewsIndex>8</NewsIndex></UserData>" << true << QList<int>{8};
}

void TestHttpRequest::newsPickup()
{
    QFETCH(QString, reply);
    QFETCH(bool, checkNews);
    QFETCH(QList<int>, loads);
    host->SetNewsIndex(5);
    int boxesBeforeNews = -1;
    host->OnLoadNews = [&](int) { boxesBeforeNews = msgs->Count(); };
    gw->SetDefault(kUserData, FakeReply::Xml(reply));
    QStringList params;
    run(kUserData, params, QStringLiteral("UserData"), true, checkNews);
    QCOMPARE(host->LoadNewsCalls, loads);
    if (!loads.isEmpty())
        QCOMPARE(boxesBeforeNews, 0);   // news come before any error box
}

void TestHttpRequest::nestedNewsRequest()
{
    // The main window fetches the news with a request of its own; its failure is its own.
    host->SetNewsIndex(3);
    host->OnLoadNews = [this](int index) {
        QStringList params{QStringLiteral("id=%1").arg(index)};
        THttpRequest news(host->session, gw->Url(QStringLiteral("/smscommand/News.do")), params);
        news.SetShowErrors(false);
        news.SetCheckNews(false);
        news.Execute(QStringLiteral("News"), QStringLiteral("Die News konnten nicht erfolgreich vom Server abgerufen werden."));
    };
    gw->SetDefault(QStringLiteral("/smscommand/News.do"), FakeReply::Status(500));
    gw->SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData"), QStringLiteral("<NewsIndex>4</NewsIndex>")));
    QStringList params{QStringLiteral("username=u")};
    QVERIFY(run(kUserData, params));
    QCOMPARE(host->LoadNewsCalls, QList<int>{4});
    const auto news = gw->Requests(QStringLiteral("/smscommand/News.do"));
    QCOMPARE(news.size(), size_t(1));
    QCOMPARE(news[0].Body(), QByteArray("id=4&version=2105&"));
    QCOMPARE(msgs->Count(), 1);   // the nested connection box only
    QVERIFY(msgs->Texts()[0].startsWith(kNoConnectionPrefix));
}

void TestHttpRequest::versionPickup_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("major");   // -1: unchanged
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("release");
    QTest::newRow("complete")
        << "<Version><Result>SUCCESS</Result><VersionInfo><Major>2</Major><Minor>2</Minor><Release>0</Release>"
           "</VersionInfo></Version>"
        << 2 << 2 << 0;
    QTest::newRow("anywhere in the reply, lower numbers too")
        << "<VersionInfo><Major>1</Major><Minor>0</Minor><Release>3</Release></VersionInfo><Version></Version>" << 1
        << 0 << 3;
    QTest::newRow("without Release") << "<Version><VersionInfo><Major>3</Major><Minor>0</Minor></VersionInfo></Version>"
                                     << -1 << -1 << -1;
    QTest::newRow("Release not a number")
        << "<Version><VersionInfo><Major>3</Major><Minor>0</Minor><Release>1b</Release></VersionInfo></Version>" << -1
        << -1 << -1;
    QTest::newRow("negative") << "<VersionInfo><Major>3</Major><Minor>-1</Minor><Release>1</Release></VersionInfo>"
                              << -1 << -1 << -1;
    QTest::newRow("outside VersionInfo") << "<Version><Major>3</Major><Minor>1</Minor><Release>1</Release></Version>"
                                         << -1 << -1 << -1;
}

void TestHttpRequest::versionPickup()
{
    QFETCH(QString, reply);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, release);
    gw->SetDefault(QStringLiteral("/smscommand/Version.do"), FakeReply::Xml(reply));
    QStringList params;
    THttpRequest req(host->session, gw->Url(QStringLiteral("/smscommand/Version.do")), params);
    req.SetShowErrors(false);
    req.Execute(QStringLiteral("Version"), QStringLiteral("x"));
    QCOMPARE(host->VersionSets, major < 0 ? 0 : 1);
    QCOMPARE(host->Major, major);
    QCOMPARE(host->Minor, minor);
    QCOMPARE(host->Release, release);
    QCOMPARE(gw->Last().Body(), QByteArray("version=2105"));
}

void TestHttpRequest::cursorRestored()
{
    // An edit's cursor, then the hourglass of an operation that runs requests.
    QApplication::setOverrideCursor(Qt::IBeamCursor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QList<int> shapesInBoxes;
    msgs->OnMessage([&](const ScriptedMessages::Entry&) {
        shapesInBoxes.append(QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1);
    });
    gw->Script(kUserData, FakeReply::Rejection(QStringLiteral("UserData"), QStringLiteral("030: x")));
    gw->Script(kUserData, FakeReply::Closed());
    gw->Script(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    for (int i = 0; i < 3; ++i) {
        QStringList params;
        run(kUserData, params);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QStringList notSent;
    {
        // A failure before anything is sent (a proxy port out of range) restores the cursors too.
        host->Edit([](TIniFileDaten& r) {
            r.Proxy = true;
            r.Proxy_Server = QStringLiteral("127.0.0.1");
            r.Proxy_Port = 70000;
        });
        THttpRequest req(host->session, gw->Url(kUserData), notSent);
        QVERIFY(!req.Execute(QStringLiteral("UserData"), kUserDataFail));
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QCOMPARE(notSent, QStringList{QStringLiteral("version=2105")});
    }
    QApplication::restoreOverrideCursor();
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::IBeamCursor);
    QApplication::restoreOverrideCursor();
    QVERIFY(!QApplication::overrideCursor());
    // The boxes show with the default cursor, not with the hourglass of the operation.
    QCOMPARE(shapesInBoxes, (QList<int>{-1, -1, -1}));
}

void TestHttpRequest::fakeAccountServesEveryCommand()
{
    FakeAccount account;
    account.Install(*gw);
    host->SetNewsIndex(account.NewsId);   // no nested news request here
    const QStringList login{QStringLiteral("username=demo"), QStringLiteral("password=demo")};
    struct Command {
        const char* path;
        const char* root;
        QStringList extra;
    };
    const Command commands[] = {
        {"/smscommand/UserData.do", "UserData", {}},
        {"/smscommand/UserData.do", "UserData", {"asterisk=0"}},
        {"/smscommand/UserDataDetail.do", "UserDataDetail", {}},
        {"/smscommand/Protocol.do", "Protocol", {"pos=0", "limit=10"}},
        {"/smscommand/Relvine.do", "Relvine", {}},
        {"/sms/http2sms.jsp", "smsreport", {"type=text", "to=0049171111,12ab,0049172222", "from=Test", "content=Hallo"}},
    };
    QString response;
    for (const Command& c : commands) {
        QStringList params = login + c.extra;
        QVERIFY2(run(QString::fromLatin1(c.path), params, QString::fromLatin1(c.root), true, true, nullptr, &response),
                 c.path);
    }
    QCOMPARE(account.SendLog.size(), 122);
    const QString report = XmlElement(response, QStringLiteral("smsreport"));
    QCOMPARE(XmlElement(XmlElement(report, QStringLiteral("recipients")), QStringLiteral("recipient")),
             QStringLiteral("0049171111"));
    QCOMPARE(XmlElement(XmlElement(report, QStringLiteral("warnings")), QStringLiteral("warning")),
             QStringLiteral("041: invalid recipient 12ab"));
    QStringList news{QStringLiteral("id=3")};
    QVERIFY(run(QStringLiteral("/smscommand/News.do"), news, QStringLiteral("News"), false, false, nullptr, &response));
    QCOMPARE(XmlElement(XmlElement(response, QStringLiteral("News")), QStringLiteral("Headline")), account.NewsHeadline);
    QStringList version;
    QVERIFY(run(QStringLiteral("/smscommand/Version.do"), version, QStringLiteral("Version")));
    QCOMPARE(host->Major, account.VersionMajor);
    QStringList wrong{QStringLiteral("username=demo"), QStringLiteral("password=falsch")};
    QVERIFY(!run(QStringLiteral("/smscommand/UserDataDetail.do"), wrong, QStringLiteral("UserDataDetail")));
    QCOMPARE(msgs->Texts(), QStringList{QString::fromUtf8(kMsgLoginError)});
}

QTEST_MAIN(TestHttpRequest)
#include "tst_httprequest.moc"
