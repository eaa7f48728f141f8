// Contacts in groups at 100,000 and (with the argument "1m") 1,000,000 contacts in 200 groups,
// each contact in one group and every tenth in a second, all six list indexes: the SMS page's
// switch and the picker's open beside the same on the contacts and groups without assignments, the
// contacts search beside one pass of the engine over the table, the composer's reading of many
// recipients beside its statement. Program, reference, ratio; medians of five pairs (the page switch and
// the picker: medians of three on each database); the peak memory added by the program's scenario
// (VmHWM after a reset, less the resident size before it).
#include "BenchSupport.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Clock.h"
#include "foundation/Messages.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/Recipient.h"
#include "sms/SmsPage.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QSqlQuery>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const auto nichts = [] {};
template <class F> bench::Messung program(F&& f) { return bench::Messen(nichts, f); }

void row(const char* what, int n, const bench::Paar& p) { bench::Row(what, n, p); }

void row(const char* what, int n, const bench::Messung& p, double ref) { bench::Row(what, n, p, ref); }

const char* const kEmpfaengerSpalten = "id, geschlecht, vorname, nachname, firma, geburtsdatum, mobil, mobil_send, mobil_lastsend";

// The page switch and the picker's open on the database open now.
struct Seiten {
    double smsPage = 0, picker = 0;
    bench::Messung smsPageP, pickerP;
};
Seiten seiten()
{
    BenchSession host;
    Seiten s;
    TSmsPage page(host.session, TSmsDialoge{});
    page.resize(1000, 700);
    page.show();
    s.smsPageP = program([&] { page.Load(); });
    TEmpfaengerAuswaehlenForm picker;
    s.pickerP = program([&] {
        picker.show();
        QCoreApplication::processEvents();
        picker.hide();
    });
    return s;
}

void run(int n)
{
    Seiten ohne;
    {
        // The same contacts and groups, no assignments.
        BenchDatabase plain;
        if (!plain.SetUp(n))
            return;
        DatenModul->Unit([] {
            DatenModul->Run(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN WHILE ("I" <= 200) DO BEGIN
                INSERT INTO kategorien (id, name) VALUES (:"I", 'Gruppe ' || LPAD(:"I", 3, '0')); "I" = "I" + 1;
                END END)");
        });
        ohne = seiten();
    }
    BenchDatabase db;
    if (!db.SetUp(n, true))
        return;
    const Seiten mit = seiten();
    row("SMS page switch (vs no assignments)", n, mit.smsPageP, ohne.smsPageP.ms);
    row("recipient picker, open (vs no assignm.)", n, mit.pickerP, ohne.pickerP.ms);

    // The search: rare (ids 4711, 47110-47119, 471100-471199) and frequent (a fifth of all),
    // count and first screen, beside the engine's one pass over the table for the same condition.
    for (const auto& [what, term] : {std::pair{"contacts search, rare term", "Nachname4711"},
                                     std::pair{"contacts search, frequent term", "Vorname00"}}) {
        const TKontaktSuche s = TKontaktDaten::Suchbedingung(QString(), term);
        row(what, n, bench::Pairs([&] {
            TKontaktDaten::TKontaktListe l(TKontaktDaten::TKontaktListe::Art::Kontakte, 0, true, term, 0);
            for (int i = 0; i < 256 && i < l.Anzahl(); ++i)
                l.Zeile(i);
        }, [&] {
            QSqlQuery q = DatenModul->Query();
            q.prepare("SELECT COUNT(*) FROM kontakte WHERE " + s.sql);
            q.bindValue(":suche", s.binds.value("suche"));
            q.exec();
            q.next();
        }));
    }
    {
        // The frequent term's first screen once it is counted: the rows along the name order,
        // beside the engine's first 256 rows of the same condition in that order.
        const QString term = "Vorname00";
        const TKontaktSuche s = TKontaktDaten::Suchbedingung(QString(), term);
        std::unique_ptr<TKontaktDaten::TKontaktListe> l;
        row("search, frequent term, first screen", n, bench::Pairs([&] {
            for (int i = 0; i < 256 && i < l->Anzahl(); ++i)
                l->Zeile(i);
        }, [&] {
            QSqlQuery q(DatenModul->ReadDatabase());
            q.setForwardOnly(true);
            q.prepare("SELECT FIRST 256 id, vorname, nachname, firma, mobil, mobil_lastsend, email, "
                      "(SELECT COUNT(*) FROM katzuord z WHERE z.kontakt = kontakte.id) FROM kontakte WHERE "
                      + s.sql + " ORDER BY nachname, vorname, firma, id");
            q.bindValue(":suche", s.binds.value("suche"));
            q.exec();
            while (q.next())
                q.value(0);
        }, [&] { l = std::make_unique<TKontaktDaten::TKontaktListe>(TKontaktDaten::TKontaktListe::Art::Kontakte, 0,
                                                                     true, term, 0); }));
    }

    // The composer: the picker's ids (in first-name order), "[alle Kontakte]", a group.
    QList<int> ids;
    {
        QSqlQuery q = DatenModul->Run("SELECT id FROM kontakte ORDER BY vorname, nachname");
        while (q.next())
            ids << q.value(0).toInt();
    }
    row("composer takes the picker's ids", n, bench::Pairs([&] {
        TRecipients r;
        r.AddEmpfaengerByIds(ids);
    }, [&] { bench::ReadAll(QString("SELECT %1 FROM kontakte").arg(kEmpfaengerSpalten)); }));
    row("composer, [alle Kontakte]", n, bench::Pairs([&] {
        TRecipients r;
        r.AddEmpfaengerByKategorie(0);
    }, [&] { bench::ReadAll(QString("SELECT %1 FROM kontakte ORDER BY vorname ASC").arg(kEmpfaengerSpalten)); }));
    row("composer, a group", n, bench::Pairs([&] {
        TRecipients r;
        r.AddEmpfaengerByKategorie(1);
    }, [&] {
        bench::ReadAll("SELECT t2.id, t2.geschlecht, t2.vorname, t2.nachname, t2.firma, t2.geburtsdatum, t2.mobil, "
                "t2.mobil_send, t2.mobil_lastsend FROM katzuord t1, kontakte t2 WHERE t1.kategorie=1 AND "
                "t1.kontakt=t2.id ORDER BY t2.vorname ASC");
    }));
}
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Clock::Set(QDateTime());
    Msg::SetResponder([](Msg::Kind, const QString&) { return true; });
    std::vector<int> sizes{100000};
    if (argc > 1 && QByteArray(argv[argc - 1]) == "1m")
        sizes.push_back(1000000);
    if (argc > 1 && QByteArray(argv[1]) == "--datenbanken") {
        // Only the kept databases, made where they are missing: with and without the groups.
        for (int n : sizes)
            for (bool gruppen : {false, true}) {
                QElapsedTimer t;
                t.start();
                BenchDatabase db;
                if (!db.SetUp(n, gruppen)) {
                    std::fprintf(stderr, "database of %d contacts%s not made\n", n, gruppen ? " in groups" : "");
                    return 1;
                }
                std::printf("database of %d contacts%s ready in %.1f s\n", n, gruppen ? " in groups" : "",
                            t.nsecsElapsed() / 1e9);
                std::fflush(stdout);
            }
        return 0;
    }
    std::printf("%-40s %9s %13s %13s %8s %9s\n", "scenario", "contacts", "program", "reference", "ratio", "added");
    for (int n : sizes)
        run(n);
    return 0;
}
