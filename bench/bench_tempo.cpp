// The program's figure beside the engine's own statement on the same data in the same run, at
// 10,000, 100,000 and (with the argument "1m") 1,000,000 contacts: the contacts page's and the
// SMS page's first screen, the time of the last SMS stamped on every contact, the send-log
// download's storing and reading. Program and engine in turn, medians of five pairs (three for
// the stamp and the download); the most memory one run of the program added.
#include "BenchSupport.h"
#include "contacts/KontaktDaten.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktePage.h"
#include "contacts/KontaktgruppenForm.h"
#include "contacts/KontakteModel.h"
#include "foundation/Clock.h"
#include "sms/Protokoll.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
template <class F> double medianMs(F&& f, const std::function<void()>& before = {})
{
    std::vector<double> t;
    for (int i = 0; i < 3; ++i) {
        if (before)
            before();
        QElapsedTimer e;
        e.start();
        f();
        t.push_back(e.nsecsElapsed() / 1e6);
    }
    std::sort(t.begin(), t.end());
    return t[1];
}

void row(const char* what, int n, const bench::Paar& p) { bench::Row(what, n, p, 34); }

void fill(int n)
{
    DatenModul->Run(QString(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN WHILE ("I" <= %1) DO BEGIN
        INSERT INTO kontakte (id, vorname, nachname, firma, mobil, email, mobil_lastsend) VALUES (:"I",
          'Vorname' || MOD(:"I", 997), 'Nachname' || MOD(:"I" * 7919, 100003), IIF(MOD(:"I", 3) = 0, 'Firma ' || MOD(:"I", 211), ''),
          '0049171' || LPAD(:"I", 7, '0'), 'kontakt' || :"I" || '@example.org',
          IIF(MOD(:"I", 2) = 1, DATEADD(:"I" MINUTE TO TIMESTAMP '2025-01-01 08:00:00'), NULL));
        INSERT INTO katzuord (kontakt, kategorie) VALUES (:"I", IIF(MOD(:"I", 10) = 0, 1, 2 + MOD(:"I", 199)));
        "I" = "I" + 1; END END)").arg(n));
    DatenModul->Run("INSERT INTO kategorien (id, name) SELECT DISTINCT kategorie, 'Gruppe ' || kategorie FROM katzuord");
    DatenModul->Commit();
}

// The engine's first screen: the count and the first 256 rows along the order's index.
void engineFirstScreen(const char* columns, const char* key)
{
    DatenModul->RefreshReadDatabase();
    QSqlQuery c(DatenModul->ReadDatabase());
    c.exec("SELECT COUNT(*) FROM kontakte");
    c.next();
    QSqlQuery q(DatenModul->ReadDatabase());
    q.setForwardOnly(true);
    q.exec(QString("SELECT FIRST 256 %1 FROM kontakte ORDER BY %2").arg(columns, key));
    while (q.next())
        q.value(0);
}

const char* const kNachname = "nachname, vorname, firma, id";

void run(int n)
{
    BenchDatabase db;
    if (!db.SetUp(0)) {
        std::printf("no template database (build the target vornix2db)\n");
        return;
    }
    fill(n);
    TKontaktDaten::SichereListenIndizes();
    {
        TKontaktForm kf;
        TKontaktgruppenForm gf;
        TKontaktePage page(TKontaktDialoge{&kf, &gf});
        page.resize(1000, 700);
        // groups, count, first page, first row's details
        row("contacts page, first screen", n, bench::Pairs([&] { page.Load(); }, [&] {
            engineFirstScreen("id, vorname, nachname, firma, mobil, mobil_lastsend, email, "
                              "(SELECT COUNT(*) FROM katzuord z WHERE z.kontakt = kontakte.id)", kNachname);
            DatenModul->Run("SELECT id, nachname FROM kontakte WHERE id = 1").next();
        }));
    }
    {
        row("SMS page contact list, first screen", n, bench::Pairs([&] {
            TKontaktDaten::TKontaktListe l(TKontaktDaten::TKontaktListe::Art::SmsKontakte, 0, false, QString(), 0);
            for (int i = 0; i < 256 && i < l.Anzahl(); ++i)
                l.Zeile(i);
        }, [&] { engineFirstScreen("id, vorname, nachname, firma", kNachname); }));
    }
    {
        QVector<int> ids;
        for (int i = 1; i <= n; ++i)
            ids << i;
        // Beside the same update per id, one commit, inside the engine.
        row("mobil_lastsend stamp", n, bench::Pairs([&] { TKontaktDaten::SetzeMobilLastSend(ids); }, [&] {
            DatenModul->Unit([&] {
                DatenModul->Run(QString(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; DECLARE "T" TIMESTAMP;
                    BEGIN "T" = CURRENT_TIMESTAMP; WHILE ("I" <= %1) DO BEGIN
                    UPDATE kontakte SET mobil_lastsend = :"T" WHERE id = :"I"; "I" = "I" + 1; END END)").arg(n));
            });
        }, {}, 3));
    }
    {
        // Pages of 5,000 entries, as the gateway sends them.
        QStringList pages;
        QString list;
        for (int i = 1; i <= n; ++i) {
            list += QString("<Sms><DispatchTime>20261201123000</DispatchTime><Recipient>0049171%1</Recipient>"
                            "<Content>Hallo %1, Ihre Nachricht</Content><Sender>Shop</Sender><Type>Tx</Type>"
                            "<MsgParts>1</MsgParts><IP>10.0.0.1</IP><OpNet>D1</OpNet><OpCountry>DE</OpCountry>"
                            "<UserRequestId>R%1</UserRequestId><StatusId>0</StatusId>"
                            "<ReferenceTime>20261201122900</ReferenceTime><MessageId>M%1</MessageId></Sms>").arg(i);
            if (i % 5000 == 0 || i == n) {
                pages << QString("<Protocol><Count>%1</Count><Follow-Up>%2</Follow-Up><Position>%3</Position>"
                                 "<DisplayCount>%4</DisplayCount><SmsList>%5</SmsList></Protocol>")
                             .arg(n).arg(i < n ? 1 : 0).arg(pages.size() * 5000).arg(i - pages.size() * 5000).arg(list);
                list.clear();
            }
        }
        // Beside the same rows, delete first, one commit per 5,000, inside the engine.
        row("send-log download, store", n, bench::Pairs([&] {
            int next = 0;
            RunProtokollDownload("u", "p", -1, [&](const QStringList&, QString* out) {
                *out = pages.value(next++);
                return true;
            }, {});
        }, [&] {
            DatenModul->Run("DELETE FROM protokoll");
            for (int from = 1; from <= n; from += 5000)
                DatenModul->Unit([&] {
                    DatenModul->Run(QString(R"(EXECUTE BLOCK AS DECLARE "I" INT; BEGIN "I" = %1;
                        WHILE ("I" <= %2) DO BEGIN
                        INSERT INTO protokoll (kontaktid, messageid, sollzeitpunkt, istzeitpunkt, dnr, content, absender,
                          typ, msgparts, ip, version, opnet, opcountry, userrequestid, statusid, contentindex)
                        VALUES (0, 'M' || :"I", TIMESTAMP '2026-12-01 12:29:00', TIMESTAMP '2026-12-01 12:30:00',
                          '0049171' || :"I", 'Hallo ' || :"I" || ', Ihre Nachricht', 'Shop', 'Tx', 1, '10.0.0.1', 0, 'D1',
                          'DE', 'R' || :"I", 0, 'Hallo ' || :"I" || ', Ihre Nachricht');
                        "I" = "I" + 1; END END)").arg(from).arg(qMin(n, from + 4999)));
                });
        }, {}, 3));
        const QString one = pages.first();
        const double parse = medianMs([&] {
            TProtokollReply r(one);
            TProtokollEintrag x;
            while (r.Next(x)) {
            }
        });
        std::printf("%-34s %9d %10.1f ms (one page of %d entries)\n", "send-log page reading", n, parse, qMin(n, 5000));
    }
    db.TearDown();
}
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Clock::Set(QDateTime());
    bench::Header("engine", 34);
    std::vector<int> sizes{10000, 100000};
    if (argc > 1 && QByteArray(argv[argc - 1]) == "1m")
        sizes.push_back(1000000);
    for (int n : sizes)
        run(n);
    return 0;
}
