#include "FakeGateway.h"
#include "TestEnv.h"
#include "TestSession.h"
#include "gateway/HttpClient.h"
#include "gateway/HttpRequest.h"
#include <QApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// What the user reads when the gateway cannot be reached, and what the window does while a
// request waits.
class TestTransport : public QObject {
    Q_OBJECT
private slots:
    void failureReasonsAreGerman_data();
    void failureReasonsAreGerman();
    void windowRepaintsWhileRequestWaits();
    void clientIsReusedAcrossRequests();
};

namespace {
const QString kUserData = QStringLiteral("/smscommand/UserData.do");
const QString kFail = QStringLiteral("Die Benutzerdaten konnten nicht erfolgreich vom Server abgerufen werden.");
const QString kPrefix =
    QStringLiteral("Es konnte keine Verbindung zum Server hergestellt werden.\n\rFehlermeldung: ");

// A port on 127.0.0.1 that nobody listens on.
quint16 closedPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    const quint16 port = s.serverPort();
    s.close();
    return port;
}

// Counts its paints.
class PaintProbe : public QWidget {
public:
    int paints = 0;
protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};
}

void TestTransport::failureReasonsAreGerman_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");   // the German text that follows "Fehlermeldung: "
    QTest::newRow("connection refused") << "refused" << "Der Server ist nicht erreichbar oder hat die Verbindung abgelehnt";
    QTest::newRow("host not found") << "unknown host" << "Der Server wurde nicht gefunden";
    QTest::newRow("timeout") << "silent" << "Zeitüberschreitung: der Server antwortet nicht";
    QTest::newRow("certificate refused") << "untrusted" << "Das Zertifikat des Servers wurde nicht anerkannt";
    QTest::newRow("TLS failure") << "tls to plain" << "Die verschlüsselte Verbindung (TLS) zum Server ist fehlgeschlagen";
    QTest::newRow("proxy unreachable") << "proxy refused"
                                       << "Der Proxy-Server ist nicht erreichbar oder hat die Verbindung abgelehnt";
    QTest::newRow("proxy refuses the request") << "proxy 407" << "Der Proxy-Server hat die Anfrage abgelehnt";
    QTest::newRow("proxy refuses the tunnel") << "proxy tunnel" << "Der Proxy-Server hat die Verbindung abgelehnt";
    QTest::newRow("server error status") << "status 500" << "Der Server meldet einen Fehler";
    QTest::newRow("reply too large") << "too large" << "Die Antwort des Servers ist größer als 1000 Bytes";
    QTest::newRow("invalid proxy port") << "proxy port" << "Der Proxy-Port 70000 ist ungültig";
}

void TestTransport::failureReasonsAreGerman()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    FakeCertificate cert;
    QVERIFY(MakeFakeCertificate(dir.path(), cert));
    FakeGateway plain;
    QVERIFY(plain.Start());
    plain.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    FakeGateway tls;
    QVERIFY(tls.StartHttps(cert.CertFile, cert.KeyFile));
    tls.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    ScopedEnv ca("VORNIX2_CA_FILE", QByteArray());

    TestSession host;
    host.session.HttpClient().SetStallTimeout(1);
    QString url = plain.Url(kUserData);
    auto proxy = [&](int port) {
        host.Edit([&](TIniFileDaten& r) {
            r.Proxy = true;
            r.Proxy_Server = QStringLiteral("127.0.0.1");
            r.Proxy_Port = port;
        });
    };
    if (kind == "refused") {
        url = QStringLiteral("http://127.0.0.1:%1").arg(closedPort()) + kUserData;
    } else if (kind == "unknown host") {
        url = QStringLiteral("http://gateway.invalid") + kUserData;
    } else if (kind == "silent") {
        url = QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort()) + kUserData;
    } else if (kind == "untrusted") {
        url = tls.Url(kUserData);
    } else if (kind == "tls to plain") {
        url = QStringLiteral("https://127.0.0.1:%1").arg(plain.Port()) + kUserData;
    } else if (kind == "proxy refused") {
        proxy(closedPort());
    } else if (kind == "proxy 407") {
        plain.SetDefault(kUserData, FakeReply::Status(407));
        proxy(plain.Port());
        url = QStringLiteral("http://gateway.example") + kUserData;
    } else if (kind == "proxy tunnel") {
        // An https request through a proxy that does not open the tunnel.
        proxy(plain.Port());
        url = QStringLiteral("https://gateway.example") + kUserData;
    } else if (kind == "status 500") {
        plain.SetDefault(kUserData, FakeReply::Status(500));
    } else if (kind == "too large") {
        host.session.HttpClient().SetMaxReplySize(1000);
        plain.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData"), QString(2000, QLatin1Char('x'))));
    } else if (kind == "proxy port") {
        proxy(70000);
    }
    ScriptedMessages msgs;
    QStringList params{QStringLiteral("username=u")};
    THttpRequest req(host.session, url, params);
    req.SetShowErrors(false);
    QVERIFY(!req.Execute(QStringLiteral("UserData"), kFail));
    QCOMPARE(req.GetError(), QString::fromLatin1(kNoConnectionError));
    QCOMPARE(msgs.Count(), 1);
    const QString text = msgs.Texts()[0];
    QVERIFY2(text.startsWith(kPrefix + reason), qPrintable(text));
    QVERIFY2(text.endsWith(QLatin1Char('.')) && !text.endsWith(QLatin1String("..")), qPrintable(text));
    // The English words of the library only in brackets after the German reason.
    const QString rest = text.mid(kPrefix.size() + reason.size());
    QVERIFY2(rest == QLatin1String(".") || rest.startsWith(QLatin1String(" (")), qPrintable(text));
    QCOMPARE(tls.Count(), 0);
}

void TestTransport::windowRepaintsWhileRequestWaits()
{
    FakeGateway gw;
    QVERIFY(gw.Start());
    FakeReply slow = FakeReply::Success(QStringLiteral("UserData"));
    slow.delayMs = 3000;
    gw.SetDefault(kUserData, slow);
    PaintProbe window;
    window.resize(200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TestSession host;
    ScriptedMessages msgs;
    bool waiting = true;
    bool ranDuringRequest = false;
    bool hourglassMeanwhile = false;
    int paintsBefore = 0;
    int paintsDuring = 0;
    QTimer::singleShot(200, [&] {
        ranDuringRequest = waiting;
        hourglassMeanwhile = QApplication::overrideCursor()
            && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        paintsBefore = window.paints;
        window.update();
        QTimer::singleShot(200, [&] {
            if (waiting)
                paintsDuring = window.paints - paintsBefore;
        });
    });
    QStringList params{QStringLiteral("username=u")};
    THttpRequest req(host.session, gw.Url(kUserData), params);
    QVERIFY(req.Execute(QStringLiteral("UserData"), kFail));
    waiting = false;
    QVERIFY(ranDuringRequest);
    QVERIFY(hourglassMeanwhile);
    QVERIFY(paintsDuring > 0);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(msgs.Count(), 0);
}

void TestTransport::clientIsReusedAcrossRequests()
{
    // One client serves request after request, also after a failed one.
    FakeGateway gw;
    QVERIFY(gw.Start());
    gw.SetDefault(kUserData, FakeReply::Success(QStringLiteral("UserData")));
    TestSession host;
    ScriptedMessages msgs;
    for (int i = 0; i < 3; ++i) {
        QStringList params{QStringLiteral("username=u")};
        THttpRequest req(host.session, gw.Url(kUserData), params);
        QVERIFY(req.Execute(QStringLiteral("UserData"), kFail));
        QStringList broken{QStringLiteral("username=u")};
        THttpRequest bad(host.session, QStringLiteral("http://127.0.0.1:%1").arg(closedPort()) + kUserData, broken);
        QVERIFY(!bad.Execute(QStringLiteral("UserData"), kFail));
    }
    QCOMPARE(gw.Count(), 3);
    QCOMPARE(msgs.Count(), 3);
}

QTEST_MAIN(TestTransport)
#include "tst_transport.moc"
