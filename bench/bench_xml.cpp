// Reading large gateway replies and building large request bodies.
#include "gateway/HttpRequest.h"
#include "gateway/Xml.h"
#include <benchmark/benchmark.h>

namespace {
QString sendLogReply(int items)
{
    QString text = QStringLiteral("<Protocol><Result>SUCCESS</Result><Count>%1</Count><Follow-Up>0</Follow-Up>"
                                  "<Position>0</Position><DisplayCount>%1</DisplayCount><SmsList>").arg(items);
    text.reserve(items * 420);
    for (int i = 0; i < items; ++i) {
        text += QStringLiteral(
                    "<Sms><DispatchTime>20261210093000</DispatchTime><Recipient>0049171%1</Recipient>"
                    "<Content>Hallo Frau M\u00fcller, Ihr Termin ist morgen um 10:00 Uhr. Gr\u00fc\u00dfe</Content>"
                    "<Sender>Vornix2.de</Sender><Type>Txt</Type><MsgParts>1</MsgParts><IP>127.0.0.1</IP>"
                    "<OpNet>D1</OpNet><OpCountry>DE</OpCountry><UserRequestId>%2</UserRequestId>"
                    "<StatusId>1</StatusId><ReferenceTime>20261210093005</ReferenceTime><MessageId>M%2</MessageId></Sms>")
                    .arg(i, 7, 10, QLatin1Char('0'))
                    .arg(i);
    }
    text += QStringLiteral("</SmsList></Protocol>");
    return text;
}

const QStringList kSmsFields = {"DispatchTime", "Recipient", "Content", "Sender", "Type", "MsgParts", "IP",
                                "OpNet", "OpCountry", "UserRequestId", "StatusId", "ReferenceTime", "MessageId"};

// Second argument 1: each item's thirteen fields are read too, as the send log stores them.
void BM_SendLogItems(benchmark::State& state)
{
    const int items = static_cast<int>(state.range(0));
    const bool fields = state.range(1) != 0;
    const QString reply = sendLogReply(items);
    for (auto _ : state) {
        TXmlCursor cursor(reply);
        cursor.Enter(QStringLiteral("Protocol"));
        cursor.Enter(QStringLiteral("SmsList"));
        qint64 read = 0;
        for (QString item; cursor.Next(QStringLiteral("Sms"), item);) {
            if (!fields) {
                read += item.size();
                continue;
            }
            for (const QString& field : kSmsFields)
                read += XmlElement(item, field).size();
        }
        benchmark::DoNotOptimize(read);
    }
    // Reply text as it comes over the wire: one byte per character.
    state.SetBytesProcessed(state.iterations() * reply.size());
    state.SetComplexityN(items);
}
BENCHMARK(BM_SendLogItems)
    ->ArgNames({"items", "fields"})
    ->ArgsProduct({{10000, 100000}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

void BM_JoinedSmsReports(benchmark::State& state)
{
    const int replies = static_cast<int>(state.range(0));
    QString joined;
    for (int i = 0; i < replies; ++i)
        joined += QStringLiteral("<smsreport><result>SUCCESS</result><date>10.12.2026 09:30:00</date>"
                                 "<deliverDate>10.12.2026 09:30:00</deliverDate><msgParts>1</msgParts><recipients>"
                                 "<recipient>0049171%1</recipient></recipients><warnings></warnings></smsreport>\n")
                      .arg(i, 7, 10, QLatin1Char('0'));
    for (auto _ : state) {
        TXmlCursor reports(joined);
        qint64 read = 0;
        for (QString report; reports.Next(QStringLiteral("smsreport"), report);) {
            read += XmlElement(report, QStringLiteral("result")).size();
            read += XmlElement(report, QStringLiteral("date")).size();
            TXmlCursor recipients(XmlElement(report, QStringLiteral("recipients")));
            for (QString r; recipients.Next(QStringLiteral("recipient"), r);)
                read += r.size();
        }
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(state.iterations() * joined.size());
    state.SetComplexityN(replies);
}
BENCHMARK(BM_JoinedSmsReports)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_BatchBody(benchmark::State& state)
{
    QStringList numbers;
    for (int i = 0; i < 5000; ++i)
        numbers.append(QStringLiteral("0049171%1").arg(i, 7, 10, QLatin1Char('0')));
    const QStringList lines{QStringLiteral("username=max@firma"), QStringLiteral("password=geheim"),
                            QStringLiteral("type=text"), QStringLiteral("to=") + numbers.join(QLatin1Char(',')),
                            QStringLiteral("from=Vornix2.de"),
                            QStringLiteral("content=Gr\u00fc\u00dfe & 50% Rabatt \u20ac"), QStringLiteral("version=2105")};
    for (auto _ : state)
        benchmark::DoNotOptimize(FormBody(lines));
}
BENCHMARK(BM_BatchBody)->Unit(benchmark::kMicrosecond);
}

BENCHMARK_MAIN();
