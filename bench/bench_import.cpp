// The CSV import at scale: a file of 100,000 records in the contacts export's 26 columns (so
// all 24 mappings are preset), read and imported through the wizard's own buttons into a group.
// Reports the time of both steps and the peak memory the run adds, against the file's size;
// beside it the engine's own rate for the same rows (one prepared insert per contact and per
// assignment, the lists' indexes switched as for the import) on a fresh database.
#include "BenchSupport.h"
#include "contacts/KontaktDaten.h"
#include "exchange/KontakteImportCsvForm.h"
#include "foundation/Messages.h"
#include "platform/FileDialogs.h"
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {
constexpr int kZeilen = 100000;

BenchDatabase* g_db = nullptr;

const QStringList kSpalten{
    "Geschlecht", "Vorname", "Nachname", "Firma", "Geburtsdatum", "KdNr", "Mobil", "Mobil_Send",
    "Mobil_LastSend", "Email", "Email_Send", "P_Strasse", "P_Plz", "P_Ort", "P_Land", "P_Telefon",
    "P_Telefax", "P_Webseite", "F_Strasse", "F_Plz", "F_Ort", "F_Land", "F_Telefon", "F_Telefax",
    "F_Webseite", "Kontaktgruppen"};

// A file as the export writes it (Windows-1252, ";"), every field filled.
bool writeFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(kSpalten.join(';').toLatin1() + "\r\n");
    QByteArray line;
    for (int i = 1; i <= kZeilen; ++i) {
        const QByteArray n = QByteArray::number(i);
        line.clear();
        line += QByteArray::number(1 + i % 3) + ";Vorname" + n + ";M\xFCller" + n + ";Firma " + n
                + " GmbH & Co. KG;" + QByteArray::number(1 + i % 28) + "." + QByteArray::number(1 + i % 12)
                + ".19" + QByteArray::number(50 + i % 50) + ";K-" + n + ";0170 " + QByteArray::number(1000000 + i)
                + ";" + QByteArray::number(i % 2) + ";02.01.2026;vorname" + n + "@beispiel.de;1;"
                + "Hauptstra\xDF" "e " + n + ";" + QByteArray::number(10000 + i % 90000) + ";K\xF6ln;Deutschland;"
                + "0221 " + n + ";0221 9" + n + ";www.beispiel" + n + ".de;"
                + "\"Industriestr. " + n + "; Halle 3\";" + QByteArray::number(20000 + i % 70000)
                + ";Hamburg;Deutschland;040 " + n + ";040 9" + n + ";https://firma" + n + ".de;Kunden\r\n";
        f.write(line);
    }
    return f.error() == QFile::NoError;
}

// The engine's own inserts of the file's rows with their ids, as the import stores them.
double engineMs()
{
    g_db->TearDown();
    if (!g_db->SetUp(0))
        return -1;
    DatenModul->Unit([] { DatenModul->Run("INSERT INTO kategorien (id, name) VALUES (1, 'Kunden')"); });
    QElapsedTimer t;
    t.start();
    {
        const TKontaktDaten::TListenIndizesAus aus(kZeilen);
        DatenModul->Unit([] {
            QSqlQuery q = DatenModul->Query();
            TDatenModul::Prepare(q, "INSERT INTO kontakte (id,geschlecht,vorname,nachname,firma,geburtsdatum,kdnr,mobil,"
                                    "mobil_send,email,email_send,p_strasse,p_plz,p_ort,p_land,p_telefon,p_telefax,"
                                    "p_webseite,f_strasse,f_plz,f_ort,f_land,f_telefon,f_telefax,f_webseite) VALUES "
                                    "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
            QSqlQuery z = DatenModul->Query();
            TDatenModul::Prepare(z, "INSERT INTO katzuord (kontakt,kategorie) VALUES (?,1)");
            for (int i = 1; i <= kZeilen; ++i) {
                const QString n = QString::number(i);
                for (const QVariant& v : {QVariant(i), QVariant(1 + i % 3), QVariant("Vorname" + n),
                                          QVariant(QString::fromUtf8("M\u00fcller") + n), QVariant("Firma " + n + " GmbH & Co. KG"),
                                          QVariant(QDate(1950 + i % 50, 1 + i % 12, 1 + i % 28)), QVariant("K-" + n),
                                          QVariant("0049170" + QString::number(1000000 + i)), QVariant(i % 2),
                                          QVariant("vorname" + n + "@beispiel.de"), QVariant(1),
                                          QVariant(QString::fromUtf8("Hauptstra\u00dfe ") + n),
                                          QVariant(QString::number(10000 + i % 90000)), QVariant(QString::fromUtf8("K\u00f6ln")),
                                          QVariant("Deutschland"), QVariant("0221 " + n), QVariant("0221 9" + n),
                                          QVariant("www.beispiel" + n + ".de"), QVariant("Industriestr. " + n + "; Halle 3"),
                                          QVariant(QString::number(20000 + i % 70000)), QVariant("Hamburg"),
                                          QVariant("Deutschland"), QVariant("040 " + n), QVariant("040 9" + n),
                                          QVariant("https://firma" + n + ".de")})
                    q.addBindValue(v);
                TDatenModul::Exec(q);
                z.addBindValue(i);
                TDatenModul::Exec(z);
            }
        });
    }
    return double(t.nsecsElapsed()) / 1e6;
}

// Kilobytes of a line of /proc/self/status ("VmHWM", "VmRSS").
qint64 statusKb(const char* key)
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith(key))
            return l.mid(qstrlen(key) + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Sets the peak back to the current size, so that the peak after the run is what it added.
void resetPeak()
{
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

void BM_ImportCsv(benchmark::State& state)
{
    const QString file = g_db->dir->filePath("import.csv");
    if (!writeFile(file)) {
        state.SkipWithError("file not written");
        return;
    }
    const double fileMb = double(QFileInfo(file).size()) / 1e6;
    FileDialogs::SetResponder([&](const FileDialogs::Request&) { return file; });
    double parseMs = 0, importMs = 0, peakMb = 0, growthMb = 0;
    for (auto _ : state) {
        TKontakteImportCsvForm form(kSpalten);
        form.show();
        QApplication::processEvents();
        const qint64 rssBefore = statusKb("VmRSS:");
        resetPeak();
        QElapsedTimer t;
        t.start();
        form.findChild<QPushButton*>("Btn_Dateiname")->click();
        form.findChild<QComboBox*>("Kontaktgruppen")->setCurrentIndex(1);
        form.findChild<QPushButton*>("Btn_Step1_Weiter")->click();
        parseMs = double(t.nsecsElapsed()) / 1e6;
        t.restart();
        form.findChild<QPushButton*>("Btn_Step2_Weiter")->click();
        importMs = double(t.nsecsElapsed()) / 1e6;
        const qint64 peak = statusKb("VmHWM:");
        peakMb = double(peak) * 1024 / 1e6;
        growthMb = double(peak - rssBefore) * 1024 / 1e6;
    }
    int imported = -1;
    {
        QSqlQuery q = DatenModul->Run("SELECT COUNT(*) FROM kontakte");
        imported = q.next() ? q.value(0).toInt() : -1;
    }
    const double engine = engineMs();
    const double program = parseMs + importMs;
    state.counters["rows"] = kZeilen;
    state.counters["file_MB"] = fileMb;
    state.counters["read_ms"] = parseMs;
    state.counters["import_ms"] = importMs;
    state.counters["peak_MB"] = peakMb;
    state.counters["added_MB"] = growthMb;
    state.counters["added_per_file"] = growthMb / fileMb;
    state.counters["engine_ms"] = engine;
    state.counters["ratio"] = program / engine;
    std::printf("CSV import of %d records (%.1f MB, all 24 fields mapped, one group): read %.2f s, "
                "import %.2f s, total %.2f s (goal < 8 s, %.2f of it); peak memory added %.1f MB = "
                "%.2f x the file (goal < 5 x); process peak %.1f MB; contacts in the table: %d\n",
                kZeilen, fileMb, parseMs / 1000, importMs / 1000, (parseMs + importMs) / 1000,
                (parseMs + importMs) / 8000, growthMb, growthMb / fileMb, peakMb,
                imported);
    std::printf("program %.2f s; engine's inserts %.2f s; ratio %.2f\n", program / 1000, engine / 1000,
                program / engine);
}
} // namespace

BENCHMARK(BM_ImportCsv)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Msg::SetResponder([](Msg::Kind kind, const QString& text) {
        if (kind != Msg::Kind::Information)
            std::fprintf(stderr, "%s\n", qPrintable(text));
        return true;
    });
    BenchDatabase db;
    if (!db.SetUp(0))
        return 1;
    DatenModul->Unit([] { DatenModul->Run("INSERT INTO kategorien (id, name) VALUES (1, 'Kunden')"); });
    g_db = &db;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
