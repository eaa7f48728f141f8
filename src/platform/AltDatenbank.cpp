#include "platform/AltDatenbank.h"
#include "platform/ProfileFile.h"
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

AltAlias AltAliasLesen(const QString& aliasDatei, const QString& name)
{
    if (!QFileInfo(aliasDatei).isFile())
        throw AltDatenbankFehler(QStringLiteral("Die Alias-Datei \"") + aliasDatei
                                 + QStringLiteral("\" wurde nicht gefunden."));
    ProfileFile profil;
    QString fehler;
    if (!profil.Load(aliasDatei, &fehler))
        throw AltDatenbankFehler(QStringLiteral("Die Alias-Datei \"") + aliasDatei
                                 + QStringLiteral("\" kann nicht gelesen werden: ") + fehler);
    if (!profil.SectionExists(name))
        throw AltDatenbankFehler(QStringLiteral("Der Alias \"") + name
                                 + QStringLiteral("\" ist in der Alias-Datei \"") + aliasDatei
                                 + QStringLiteral("\" nicht eingetragen."));
    AltAlias alias;
    alias.name = name;
    alias.treiber = profil.ReadString(name, QStringLiteral("Driver")).toUpper();
    const QString pfadSchluessel = alias.treiber == QLatin1String(AltDatenbankNamen::kTreiberInterbase)
        ? QStringLiteral("Server Name") : QStringLiteral("Path");
    if (alias.treiber != QLatin1String(AltDatenbankNamen::kTreiberParadox)
        && alias.treiber != QLatin1String(AltDatenbankNamen::kTreiberInterbase))
        throw AltDatenbankFehler(QStringLiteral("Der Alias \"") + name
                                 + QStringLiteral("\" nennt keinen bekannten Treiber (Driver=PARADOX oder Driver=INTRBASE)."));
    alias.pfad = profil.ReadString(name, pfadSchluessel);
    if (alias.pfad.isEmpty())
        throw AltDatenbankFehler(QStringLiteral("Der Alias \"") + name + QStringLiteral("\" nennt kein \"")
                                 + pfadSchluessel + QStringLiteral("\"."));
    // A relative path belongs to the alias file, not to whatever folder the program started in;
    // "host:path" names a server and stays as it is.
    const bool server = alias.treiber == QLatin1String(AltDatenbankNamen::kTreiberInterbase) && AltServerPfad(alias.pfad);
    if (!server && QDir::isRelativePath(alias.pfad))
        alias.pfad = QDir::cleanPath(QFileInfo(aliasDatei).absoluteDir().filePath(alias.pfad));
    return alias;
}

std::unique_ptr<AltDatenbank> AltDatenbank::Verbinden(const QString& aliasDatei, const QString& alias,
                                                      const QString& benutzer, const QString& passwort)
{
    const AltAlias a = AltAliasLesen(aliasDatei, alias);
    if (a.treiber == QLatin1String(AltDatenbankNamen::kTreiberParadox))
        return ParadoxVerbinden(a.pfad);
    return InterbaseVerbinden(a.pfad, benutzer, passwort);
}

void AltDatenbank::SelectZerlegen(const QString& select, QString* tabelle, QStringList* spalten)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*SELECT\\s+(.+?)\\s+FROM\\s+(\\w+)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression name(QStringLiteral("^\\w+$"));
    const QRegularExpressionMatch m = form.match(select);
    QStringList liste;
    if (m.hasMatch()) {
        for (const QString& teil : m.captured(1).split(QLatin1Char(','))) {
            const QString s = teil.trimmed();
            if (!name.match(s).hasMatch()) {
                liste.clear();
                break;
            }
            liste.append(s);
        }
    }
    if (liste.isEmpty())
        throw AltDatenbankFehler(QStringLiteral("Die Abfrage wird nicht unterstützt: ") + select.simplified());
    *tabelle = m.captured(2);
    *spalten = liste;
}

AltAbfrage::AltAbfrage(QStringList felder) : m_felder(std::move(felder))
{
    for (int i = m_felder.size() - 1; i >= 0; --i)
        m_index.insert(m_felder[i].toLower(), i);
}

int AltAbfrage::Feld(const QString& name) const
{
    return m_index.value(name.toLower(), -1);
}

int AltAbfrage::index(const QString& name) const
{
    const int i = Feld(name);
    if (i < 0)
        throw AltDatenbankFehler(QStringLiteral("Das Feld \"") + name + QStringLiteral("\" wurde nicht gefunden."));
    return i;
}

QString AltAbfrage::datumText(const QDateTime& wert)
{
    if (!wert.isValid())
        return QString("");
    if (wert.time() == QTime(0, 0))
        return wert.toString(QStringLiteral("dd.MM.yyyy"));
    return wert.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

void AltAbfrage::pruefeFeld(const QString& tabelle, bool aufZeile, int feld, int anzahl)
{
    if (!aufZeile)
        throw AltDatenbankFehler(QStringLiteral("Die Tabelle \"") + tabelle
                                 + QStringLiteral("\" steht auf keinem Datensatz."));
    if (feld < 0 || feld >= anzahl)
        throw AltDatenbankFehler(QStringLiteral("Ungültige Feldnummer ") + QString::number(feld) + QStringLiteral("."));
}

void AltAbfrage::keinWert(const QString& feld, const QString& wert, const char* typ)
{
    throw AltDatenbankFehler(QStringLiteral("\"") + wert + QStringLiteral("\" ist kein gültiger ")
                             + QString::fromUtf8(typ) + QStringLiteral(" (Feld \"") + feld + QStringLiteral("\")."));
}

// ---- The tables the import reads ----

AltKategorien::AltKategorien(AltDatenbank& db)
    : m_q(db.Oeffnen(QStringLiteral("SELECT id, beschreibung FROM kategorien"))),
      m_id(m_q->Feld(QStringLiteral("id"))), m_beschreibung(m_q->Feld(QStringLiteral("beschreibung")))
{
}

AltZuordnungen::AltZuordnungen(AltDatenbank& db)
    : m_q(db.Oeffnen(QStringLiteral("SELECT adressenid, kategorienid FROM katzuord"))),
      m_adressenId(m_q->Feld(QStringLiteral("adressenid"))), m_kategorienId(m_q->Feld(QStringLiteral("kategorienid")))
{
}

AltAdressen::AltAdressen(AltDatenbank& db, bool zenit)
    : m_q(db.Oeffnen(QStringLiteral(
          "SELECT id, anrede, vorname_1, vorname_2, nachname, geburtsdatum, firma, "
          "privat_anschrift, privat_land, privat_plz, privat_ort, "
          "privat_telefon, privat_telefax, privat_handy, privat_anschreiben_sms, "
          "privat_email, privat_anschreiben_email, privat_homepage, "
          "firma_anschrift, firma_land, firma_plz, firma_ort,"
          "firma_telefon, firma_telefax, firma_handy, firma_anschreiben_sms, "
          "firma_email, firma_anschreiben_email, firma_homepage, "
          "nieanschreiben FROM adressen"))),
      m_zenit(zenit)
{
    static const char* const felder[kFelder] = {"id", "anrede", "vorname_1", "vorname_2", "nachname",
                                                "geburtsdatum", "firma", "nieanschreiben"};
    static const char* const blockFelder[kBlockFelder] = {"anschrift", "land", "plz", "ort", "telefon", "telefax",
                                                          "handy", "anschreiben_sms", "email", "anschreiben_email",
                                                          "homepage"};
    for (int f = 0; f < kFelder; ++f)
        m_feld[f] = m_q->Feld(QLatin1String(felder[f]));
    for (int b = 0; b < 2; ++b)
        for (int f = 0; f < kBlockFelder; ++f)
            m_block[b][f] = m_q->Feld(QLatin1String(b == 0 ? "privat_" : "firma_") + QLatin1String(blockFelder[f]));
}
