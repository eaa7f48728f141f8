// The fake gateway as a program: serves a plausible account on 127.0.0.1 so that the client
// can be tried without the service. See the README.
#include "FakeAccount.h"
#include "FakeGateway.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Vornix2 fake gateway on 127.0.0.1"));
    p.addHelpOption();
    p.addOption({QStringLiteral("port"), QStringLiteral("Port (default 8088; 0 for any free one)."), QStringLiteral("port"), QStringLiteral("8088")});
    p.addOption({QStringLiteral("https"), QStringLiteral("Serve HTTPS with a certificate made in <dir>; trust it with VORNIX2_CA_FILE."),
                 QStringLiteral("dir")});
    p.addOption({QStringLiteral("user"), QStringLiteral("Service user name (default demo)."), QStringLiteral("name"), QStringLiteral("demo")});
    p.addOption({QStringLiteral("password"), QStringLiteral("Service password (default demo)."), QStringLiteral("password"), QStringLiteral("demo")});
    p.process(app);

    FakeAccount account;
    account.Username = p.value(QStringLiteral("user"));
    account.Password = p.value(QStringLiteral("password"));
    FakeGateway gw;
    account.Install(gw);
    const int port = p.value(QStringLiteral("port")).toInt();
    bool ok = false;
    QString caFile;
    if (p.isSet(QStringLiteral("https"))) {
        const QString dir = p.value(QStringLiteral("https"));
        QDir().mkpath(dir);
        FakeCertificate cert;
        // Made once and reused, so that a running client keeps trusting it across restarts.
        cert.CertFile = QDir(dir).filePath(QStringLiteral("gateway.crt"));
        cert.KeyFile = QDir(dir).filePath(QStringLiteral("gateway.key"));
        const bool have = QFile::exists(cert.CertFile) && QFile::exists(cert.KeyFile);
        ok = (have || MakeFakeCertificate(dir, cert)) && gw.StartHttps(cert.CertFile, cert.KeyFile, port);
        caFile = cert.CertFile;
    } else {
        ok = gw.Start(port);
    }
    if (!ok) {
        std::fprintf(stderr, "fake-gateway: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("fake-gateway: %s  (login %s / %s)\n", qPrintable(gw.Url(QString())),
                qPrintable(account.Username), qPrintable(account.Password));
    std::printf("  export VORNIX2_GATEWAY_HOST=%s\n", qPrintable(gw.HostPort()));
    if (!caFile.isEmpty())
        std::printf("  export VORNIX2_CA_FILE=%s\n", qPrintable(caFile));
    std::fflush(stdout);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    while (!g_stop && gw.IsRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    gw.Stop();
    std::printf("fake-gateway: stopped after %d requests\n", gw.Count());
    return 0;
}
