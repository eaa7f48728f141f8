// Sending at scale against a gateway on loopback that answers at once, and reading the
// joined replies in the status dialog.
#include "BenchSupport.h"
#include "FakeGateway.h"
#include "gateway/HttpClient.h"
#include "sms/Recipient.h"
#include "sms/SmsVersand.h"
#include "sms/SmsVersandStatusForm.h"
#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {
constexpr int kKontakte = 100000;
const QString kPath = QStringLiteral("/sms/http2sms.jsp");

QString report(int recipients)
{
    QString r = "<smsreport><result>SUCCESS</result><date>10.06.2026 15:00:00</date>"
                "<deliverDate>10.06.2026 15:00:00</deliverDate><msgParts>1</msgParts><recipients>";
    for (int i = 0; i < recipients; ++i)
        r += "<recipient>" + BenchDatabase::Number(i) + "</recipient>";
    return r + "</recipients><warnings><warning>W</warning></warnings></smsreport>";
}

BenchDatabase g_db;
BenchSession* g_session = nullptr;
FakeGateway* g_gw = nullptr;

TSmsVersandAuftrag auftrag(const QString& text)
{
    TSmsVersandAuftrag a;
    a.Absender = "Shop";
    a.Text = text;
    a.Username = "max";
    a.Passwort = "geheim";
    return a;
}

// 100,000 recipients in batches of 5,000, then the stamps of all of them.
void BM_BatchSend(benchmark::State& state)
{
    TRecipients list;
    list.AddEmpfaengerByKategorie(0);
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        TSmsVersand versand(g_session->session, list, auftrag("Hallo zusammen"));
        const TSmsVersandErgebnis e = versand.Run();
        const qint64 sendMs = t.elapsed();
        TSmsVersand::UpdateMobilLastSend(list);
        state.counters["requests"] = e.RequestCount;
        state.counters["failed"] = e.ErrorCount;
        state.counters["send_ms"] = double(sendMs);
        state.counters["stamp_ms"] = double(t.elapsed() - sendMs);
        state.counters["recipients"] = list.Count();
    }
}
BENCHMARK(BM_BatchSend)->Unit(benchmark::kMillisecond)->Iterations(2);

// One request per recipient (a field in the text): the cost of each turn, the loopback
// exchange included.
void BM_PerRecipient(benchmark::State& state)
{
    TRecipients all;
    all.AddEmpfaengerByKategorie(0);
    TRecipients list;
    for (int i = 0; i < 2000; ++i)
        list.AddEmpfaenger(all.At(i));
    for (auto _ : state) {
        TSmsVersand versand(g_session->session, list, auftrag("Hallo <$*VORNAME*$>, Ihr Termin steht."));
        const TSmsVersandErgebnis e = versand.Run();
        benchmark::DoNotOptimize(e.Rueckgabe.size());
    }
    state.SetItemsProcessed(state.iterations() * list.Count());
}
BENCHMARK(BM_PerRecipient)->Unit(benchmark::kMillisecond)->Iterations(1);

// The status dialog's reading of n joined replies.
void BM_StatusParse(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const QString one = report(5);
    QString joined;
    joined.reserve(n * (one.size() + 2));
    for (int i = 0; i < n; ++i) {
        if (!joined.isEmpty())
            joined += "\n\r";
        joined += one;
    }
    for (auto _ : state) {
        const TSmsVersandStatus s = ParseSmsVersandStatus(joined);
        state.counters["recipients"] = s.Recipients;
    }
    state.counters["MB"] = joined.size() / 1e6;
    state.SetComplexityN(n);
}
BENCHMARK(BM_StatusParse)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->Complexity();

// The whole showing of the dialog: reading plus the reply memo.
void BM_StatusDialogShow(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const QString one = report(5);
    QString joined;
    for (int i = 0; i < n; ++i)
        joined += (i ? "\n\r" : "") + one;
    TSmsVersandStatusForm form;
    form.SetRueckgabe(joined);
    for (auto _ : state) {
        form.show();
        QCoreApplication::processEvents();
        state.PauseTiming();
        form.hide();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StatusDialogShow)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(2);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("http_proxy");
    qunsetenv("HTTP_PROXY");
    QApplication app(argc, argv);
    if (!g_db.SetUp(kKontakte))
        return 1;
    FakeGateway gw;
    if (!gw.Start())
        return 1;
    g_gw = &gw;
    const QString reply = report(1);
    gw.SetDefault(kPath, FakeReply::Xml(reply));
    qputenv("VORNIX2_GATEWAY_HOST", gw.HostPort().toLatin1());
    {
        BenchSession host;
        g_session = &host;
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    gw.Stop();
    g_db.TearDown();
    return 0;
}
