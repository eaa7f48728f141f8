#include "platform/OutlookKontakte.h"
#include "platform/OutlookKontakteProtokoll.h"
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <sys/resource.h>
#include <vector>

namespace {
constexpr const char* kNamen[kOutlookEigenschaften] = {
    "Birthday", "Gender", "Title", "FirstName", "LastName", "CompanyName", "MobileTelephoneNumber",
    "Email1Address", "HomeAddressStreet", "HomeAddressPostalCode", "HomeAddressCity",
    "HomeAddressCountry", "HomeTelephoneNumber", "HomeFaxNumber", "PersonalHomepage",
    "BusinessAddressStreet", "BusinessAddressPostalCode", "BusinessAddressCity",
    "BusinessAddressCountry", "BusinessTelephoneNumber", "BusinessFaxNumber", "BusinessHomePage",
};

OutlookFehler lesefehler(const QString& text) { return OutlookFehler(OutlookFehler::Stufe::Auslesen, text); }
}

QString OutlookEigenschaftName(OutlookEigenschaft e)
{
    return QString::fromLatin1(kNamen[int(e)]);
}

void OutlookKontakt::pruefen(OutlookEigenschaft e) const
{
    if (m_fehler && m_fehler->first == e)
        throw lesefehler(m_fehler->second);
}

QDateTime OutlookKontakt::Birthday() const
{
    pruefen(OutlookEigenschaft::Birthday);
    return m_birthday;
}

int OutlookKontakt::Gender() const
{
    pruefen(OutlookEigenschaft::Gender);
    return m_gender;
}

QString OutlookKontakt::Text(OutlookEigenschaft e) const
{
    pruefen(e);
    if (e == OutlookEigenschaft::Birthday || e == OutlookEigenschaft::Gender)
        throw lesefehler(QStringLiteral("Die Eigenschaft ") + OutlookEigenschaftName(e) + QStringLiteral(" ist kein Text."));
    return m_texte[size_t(e)];
}

void OutlookKontakt::SetText(OutlookEigenschaft e, const QString& wert)
{
    m_texte[size_t(e)] = wert.isNull() ? QString("") : wert;
}

QString OutlookDatendatei(const OutlookDateiWahl& wahl)
{
    const QString ausUmgebung = qEnvironmentVariable(kOutlookDatenVariable);
    if (!ausUmgebung.isEmpty())
        return ausUmgebung;
    return wahl ? wahl() : QString();
}

// ---------------------------------------------------------------- birthdays

QDateTime OutlookGeburtstag(qint64 filetime)
{
    // 100 ns steps since 1601-01-01 UTC; beyond Outlook's "none" (4501) nothing is a birthday.
    constexpr qint64 kBis1970 = 116444736000000000LL;
    constexpr qint64 kBis4501 = 915151392000000000LL;
    if (filetime <= 0 || filetime >= kBis4501)
        return OutlookKontakt::KeinGeburtstag();
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch((filetime - kBis1970) / 10000, Qt::UTC);
    if (!utc.isValid())
        return OutlookKontakt::KeinGeburtstag();
    const QDate tag = utc.time().hour() >= 11 ? utc.date().addDays(1) : utc.date();
    if (!tag.isValid() || tag >= OutlookKontakt::KeinGeburtstag().date())
        return OutlookKontakt::KeinGeburtstag();
    return QDateTime(tag, QTime(0, 0));
}

// ---------------------------------------------------------------- the reader process

namespace {
OutlookLeser g_leser;
constexpr qint64 kMaxAntwort = 512LL * 1024 * 1024;
constexpr char kLeserName[] = "vornix2-pstreader";

struct Lauf {
    QByteArray ausgabe;
    QString fehler;   // set when no complete answer came
};

// Runs the reader on the file at `pfad` (named `datei` in messages) and waits for it, letting
// paint events through meanwhile.
Lauf leserStarten(const QString& pfad, const QString& datei)
{
    Lauf lauf;
    const OutlookLeser grenzen = g_leser;
    const QString dateiText = QStringLiteral("Die Outlook-Datendatei \"") + datei + QStringLiteral("\" ");
    QProcess p;
    p.setProgram(OutlookLeserProgramm());
    p.setArguments({pfad});
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer reserves more address space than any limit allows: its allocator refuses
    // large requests instead, as the limit would.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), (asan.isEmpty() ? QString() : asan + u':')
               + QStringLiteral("allocator_may_return_null=1:max_allocation_size_mb=")
               + QString::number(grenzen.speicherMiB));
    const bool speicherGrenze = false;
#else
    const bool speicherGrenze = true;
#endif
    p.setProcessEnvironment(env);
    const rlim_t sekunden = rlim_t(grenzen.sekunden);
    const rlim_t bytes = rlim_t(grenzen.speicherMiB) * 1024 * 1024;
    p.setChildProcessModifier([sekunden, bytes, speicherGrenze] {
        // Only async-signal-safe calls here: the child has just forked.
        const rlimit cpu{sekunden, sekunden + 2};
        setrlimit(RLIMIT_CPU, &cpu);
        if (speicherGrenze) {
            const rlimit as{bytes, bytes};
            setrlimit(RLIMIT_AS, &as);
        }
        const rlimit core{0, 0};
        setrlimit(RLIMIT_CORE, &core);
    });
    p.start(QIODevice::ReadOnly);
    if (!p.waitForStarted(10000)) {
        lauf.fehler = QStringLiteral("Das Leseprogramm für Outlook-Datendateien \"") + p.program()
                      + QStringLiteral("\" fehlt oder kann nicht gestartet werden.");
        return lauf;
    }
    QDeadlineTimer frist(qint64(grenzen.sekunden) * 1000 + 2000);
    bool zuGross = false;
    bool zuLange = false;
    while (!p.waitForFinished(50)) {
        lauf.ausgabe += p.readAllStandardOutput();
        if (lauf.ausgabe.size() > kMaxAntwort)
            zuGross = true;
        else if (frist.hasExpired())
            zuLange = true;
        if (zuGross || zuLange) {
            p.kill();
            p.waitForFinished(5000);
            break;
        }
        if (p.state() == QProcess::NotRunning)
            break;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    lauf.ausgabe += p.readAllStandardOutput();
    if (zuLange)
        lauf.fehler = dateiText + QStringLiteral("konnte nicht in ") + QString::number(grenzen.sekunden)
                      + QStringLiteral(" Sekunden gelesen werden; sie ist beschädigt oder zu groß.");
    else if (zuGross)
        lauf.fehler = dateiText + QStringLiteral("ist beschädigt: das Leseprogramm lieferte eine zu große Antwort.");
    else if (p.exitStatus() == QProcess::CrashExit)
        lauf.fehler = dateiText + QStringLiteral("ist beschädigt: das Leseprogramm ist beim Lesen abgestürzt oder hat seine Zeit- oder Speichergrenze überschritten.");
    else if (p.exitCode() != 0)
        lauf.fehler = dateiText + QStringLiteral("ist beschädigt: das Leseprogramm hat das Lesen abgebrochen (Rückgabewert ")
                      + QString::number(p.exitCode()) + QStringLiteral(").");
    return lauf;
}

OutlookFehler verbindung(const QString& text) { return OutlookFehler(OutlookFehler::Stufe::Verbindung, text); }
OutlookFehler auslesen(const QString& text) { return OutlookFehler(OutlookFehler::Stufe::Auslesen, text); }

// The contact of one answer's properties.
OutlookKontakt kontaktAus(const QList<QPair<QByteArray, QByteArray>>& felder)
{
    static const QHash<QByteArray, OutlookEigenschaft> kNamen = [] {
        QHash<QByteArray, OutlookEigenschaft> h;
        for (int i = 0; i < kOutlookEigenschaften; ++i)
            h.insert(OutlookEigenschaftName(OutlookEigenschaft(i)).toLatin1(), OutlookEigenschaft(i));
        return h;
    }();
    OutlookKontakt k;
    for (const auto& [name, wert] : felder) {
        const auto it = kNamen.find(name);
        if (it == kNamen.end())
            throw auslesen(QStringLiteral("Unbekannte Eigenschaft \"") + QString::fromLatin1(name) + QStringLiteral("\"."));
        bool ok = true;
        switch (*it) {
        case OutlookEigenschaft::Birthday:
            k.SetBirthday(OutlookGeburtstag(wert.toLongLong(&ok)));
            break;
        case OutlookEigenschaft::Gender:
            k.SetGender(wert.toInt(&ok));
            break;
        default:
            k.SetText(*it, QString::fromUtf8(wert));
        }
        if (!ok)
            throw auslesen(QStringLiteral("Die Eigenschaft ") + QString::fromLatin1(name) + QStringLiteral(" ist keine Zahl."));
    }
    return k;
}

QString ordnerListe(const QVector<OutlookOrdner>& baum, int ausser)
{
    QStringList namen;
    for (int i = 0; i < baum.size(); ++i)
        if (i != ausser && baum[i].kontakte > 0)
            namen << QStringLiteral("\"") + baum[i].name + QStringLiteral("\"");
    return namen.join(QStringLiteral(", "));
}

class OutlookPst final : public IOutlookKontakte {
public:
    void Start(const OutlookDateiWahl& wahl) override
    {
        if (m_gelesen)
            return;
        m_datei = OutlookDatendatei(wahl);
        if (m_datei.isEmpty())
            throw OutlookAbgebrochen();
        const QFileInfo info(m_datei);
        if (!info.exists())
            throw verbindung(QStringLiteral("Die Outlook-Datendatei \"") + m_datei + QStringLiteral("\" wurde nicht gefunden."));
        if (!info.isFile() || !info.isReadable())
            throw verbindung(QStringLiteral("Die Outlook-Datendatei \"") + m_datei + QStringLiteral("\" kann nicht gelesen werden."));
        const Lauf lauf = leserStarten(info.absoluteFilePath(), m_datei);
        if (!lauf.fehler.isEmpty())
            throw verbindung(lauf.fehler);
        QString grund;
        if (!OutlookProtokollLesen(lauf.ausgabe, m_antwort, grund))
            throw verbindung(QStringLiteral("Die Antwort des Leseprogramms für die Outlook-Datendatei \"") + m_datei
                             + QStringLiteral("\" ist ungültig: ") + grund);
        if (m_antwort.fehler == QLatin1String("ordner"))
            throw verbindung(QStringLiteral("Die Outlook-Datendatei \"") + m_datei
                             + QStringLiteral("\" enthält keine persönlichen Ordner."));
        if (!m_antwort.fehler.isEmpty())
            throw verbindung(QStringLiteral("Die Datei \"") + m_datei + QStringLiteral("\" ist keine lesbare Outlook-Datendatei."));
        m_gelesen = true;
    }

    void GetNamespace(const QString& name) override
    {
        if (!m_gelesen || name != QLatin1String("MAPI"))
            throw verbindung(QStringLiteral("Unbekannter Namensraum \"") + name + QStringLiteral("\"."));
    }

    void GetDefaultFolder(int ordner) override
    {
        if (!m_gelesen || ordner != kOutlookKontakteOrdner)
            throw auslesen(QStringLiteral("Der Ordner ") + QString::number(ordner) + QStringLiteral(" ist nicht verfügbar."));
        const QVector<OutlookOrdner>& baum = m_antwort.ordner;
        const int g = m_antwort.gewaehlt;
        int anderswo = 0;
        for (int i = 0; i < baum.size(); ++i)
            if (i != g)
                anderswo += baum[i].kontakte;
        if (g < 0 && anderswo == 0)
            throw verbindung(QStringLiteral("Die Outlook-Datendatei \"") + m_datei
                             + QStringLiteral("\" enthält keinen Kontakteordner."));
        // Contacts that only lie elsewhere are said, not passed over as "no contacts".
        if (g < 0 || (m_antwort.kontakte.isEmpty() && anderswo > 0))
            throw auslesen((g < 0 ? QStringLiteral("Die Outlook-Datendatei enthält keinen Kontakteordner")
                                  : QStringLiteral("Der Kontakteordner \"") + baum[g].name
                                        + QStringLiteral("\" der Outlook-Datendatei ist leer"))
                           + QStringLiteral("; ihre ") + QString::number(anderswo)
                           + QStringLiteral(" Kontakte liegen in anderen Ordnern (") + ordnerListe(baum, g)
                           + QStringLiteral(") und werden nicht importiert."));
        m_ordner = true;
    }

    int ItemsCount() override
    {
        if (!m_ordner)
            throw auslesen(QStringLiteral("Kein Ordner geöffnet."));
        return int(m_antwort.kontakte.size());
    }

    OutlookKontakt Item(int i) override
    {
        if (!m_ordner || i < 1 || i > m_antwort.kontakte.size())
            throw auslesen(QStringLiteral("Das Element ") + QString::number(i) + QStringLiteral(" existiert nicht."));
        return kontaktAus(m_antwort.kontakte[i - 1]);
    }

private:
    QString m_datei;
    bool m_gelesen = false;
    bool m_ordner = false;
    OutlookLeserAntwort m_antwort;
};
}

QString OutlookLeserProgramm()
{
    if (!g_leser.programm.isEmpty())
        return g_leser.programm;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kLeserName));
}

OutlookLeser OutlookLeserHolen() { return g_leser; }
void OutlookLeserSetzen(const OutlookLeser& leser) { g_leser = leser; }

std::unique_ptr<IOutlookKontakte> OutlookDatendateiOeffnen()
{
    return std::make_unique<OutlookPst>();
}
