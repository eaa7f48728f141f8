#pragma once
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

// Reading the databases of the earlier editions. There is no old database engine here: its aliases
// come from the alias file beside the program, and the data is read directly — the Kompakt
// edition's Paradox tables by a reader of our own, the Zenit edition's InterBase-family database through the
// Firebird client on a connection of its own.
//
// Alias file (Vornix2-Aliase.ini, INI rules: names without regard to case, a line starting
// with ";" is a comment; a ";" after a value belongs to the value):
//
//   ; the folder holding kategorien.DB, adressen.DB, katzuord.DB
//   [Vornix]
//   Driver=PARADOX
//   Path=/home/anna/vornix-kompakt/daten
//
//   ; a file opened embedded, or host:/path/file (host/port:/path/file) on a running server
//   [Vornix_NET]
//   Driver=INTRBASE
//   Server Name=/home/anna/vornix-zenit/VORNIX.GDB
//
// Every failure, from a missing alias file to a missing column or an unreadable record, is an
// AltDatenbankFehler whose Text() is the reason in German.

class AltDatenbankFehler : public std::runtime_error {
public:
    explicit AltDatenbankFehler(const QString& text)
        : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& Text() const { return m_text; }
private:
    QString m_text;
};

namespace AltDatenbankNamen {
inline constexpr char kAliasDatei[] = "Vornix2-Aliase.ini";
inline constexpr char kAliasKompakt[] = "Vornix";
inline constexpr char kAliasZenit[] = "Vornix_NET";
inline constexpr char kTreiberParadox[] = "PARADOX";
inline constexpr char kTreiberInterbase[] = "INTRBASE";
}

struct AltAlias {
    QString name;
    QString treiber;   // upper-cased: PARADOX or INTRBASE
    QString pfad;      // PARADOX: the folder; INTRBASE: the file or host:path
};

// The alias `name` from the alias file `aliasDatei`; a relative path is taken relative to the
// alias file's folder. Throws AltDatenbankFehler when the file,
// the alias or its keys are missing or the driver is unknown.
AltAlias AltAliasLesen(const QString& aliasDatei, const QString& name);

// A forward cursor over the rows of one query, with every row fetched in the order the source
// holds them. Fields are found by name without regard to case.
class AltAbfrage {
public:
    virtual ~AltAbfrage() = default;
    // The number of rows that Next() will visit.
    virtual int RecordCount() const = 0;
    // Moves to the next row (the first on the first call); false after the last.
    virtual bool Next() = 0;

    // Index of a selected column, -1 when it was not selected.
    int Feld(const QString& name) const;
    const QStringList& Felder() const { return m_felder; }

    // Values of the current row, by index or by name. Empty (NULL) values read as "", 0, an
    // invalid QDateTime and false. Text of a date is "dd.MM.yyyy" (with " HH:mm:ss" when it
    // has a time of day). A value that cannot be converted throws AltDatenbankFehler.
    virtual QString Text(int feld) const = 0;
    virtual qint64 Integer(int feld) const = 0;
    virtual QDateTime DateTime(int feld) const = 0;
    virtual bool Boolean(int feld) const = 0;
    QString Text(const QString& name) const { return Text(index(name)); }
    qint64 Integer(const QString& name) const { return Integer(index(name)); }
    QDateTime DateTime(const QString& name) const { return DateTime(index(name)); }
    bool Boolean(const QString& name) const { return Boolean(index(name)); }

protected:
    explicit AltAbfrage(QStringList felder);
    int index(const QString& name) const;
    static QString datumText(const QDateTime& wert);
    [[noreturn]] static void keinWert(const QString& feld, const QString& wert, const char* typ);
    // Throws unless a row of `tabelle` is current and `feld` is one of its `anzahl` columns.
    static void pruefeFeld(const QString& tabelle, bool aufZeile, int feld, int anzahl);
private:
    QStringList m_felder;           // as the caller named them
    QHash<QString, int> m_index;    // lower-cased name -> index
};

class AltDatenbank {
public:
    virtual ~AltDatenbank() = default;

    // Connects the database behind the alias `alias` of the alias file. `benutzer` and
    // `passwort` are passed to an INTRBASE database (an embedded one accepts any); PARADOX
    // tables need none. Throws AltDatenbankFehler.
    static std::unique_ptr<AltDatenbank> Verbinden(const QString& aliasDatei, const QString& alias,
                                                   const QString& benutzer = QString(),
                                                   const QString& passwort = QString());

    // Runs a plain "SELECT col, col, ... FROM table" (no other clauses). A missing table or
    // column throws AltDatenbankFehler naming it.
    virtual std::unique_ptr<AltAbfrage> Oeffnen(const QString& select) = 0;

    // Splits a plain SELECT into table and columns; throws for anything else.
    static void SelectZerlegen(const QString& select, QString* tabelle, QStringList* spalten);
};

// The longest wait for a Zenit server to answer.
inline constexpr int kServerWartezeitMs = 15000;

// True when an INTRBASE alias path names a server ("host:path", "host/port:path"); a colon in
// second place is a Windows drive letter.
inline bool AltServerPfad(const QString& serverName) { return serverName.indexOf(QLatin1Char(':')) > 1; }

// The two backends, also usable without an alias file. A server that does not answer within
// `wartezeitMs` gives up with a message saying so.
std::unique_ptr<AltDatenbank> ParadoxVerbinden(const QString& verzeichnis);
std::unique_ptr<AltDatenbank> InterbaseVerbinden(const QString& serverName, const QString& benutzer,
                                                 const QString& passwort, int wartezeitMs = kServerWartezeitMs);

// ---- The tables the import reads ----
// Each reader runs its table's statement when made; fields are read when asked for, so a value
// that cannot be converted fails only where it is used.

// The groups: kategorien.
class AltKategorien {
public:
    explicit AltKategorien(AltDatenbank& db);
    int Anzahl() const { return m_q->RecordCount(); }
    bool Next() { return m_q->Next(); }
    qint64 Id() const { return m_q->Integer(m_id); }
    QString Beschreibung() const { return m_q->Text(m_beschreibung); }

private:
    std::unique_ptr<AltAbfrage> m_q;
    int m_id, m_beschreibung;
};

// The assignments of addresses to groups: katzuord.
class AltZuordnungen {
public:
    explicit AltZuordnungen(AltDatenbank& db);
    int Anzahl() const { return m_q->RecordCount(); }
    bool Next() { return m_q->Next(); }
    qint64 AdressenId() const { return m_q->Integer(m_adressenId); }
    qint64 KategorienId() const { return m_q->Integer(m_kategorienId); }

private:
    std::unique_ptr<AltAbfrage> m_q;
    int m_adressenId, m_kategorienId;
};

// The addresses: adressen, each with a private and a business block of the same fields.
class AltAdressen {
public:
    enum Feld { Id, Anrede, Vorname1, Vorname2, Nachname, Geburtsdatum, Firma, NieAnschreiben, kFelder };
    enum BlockFeld {
        Anschrift, Land, Plz, Ort, Telefon, Telefax, Handy, AnschreibenSms, Email, AnschreibenEmail, Homepage,
        kBlockFelder
    };
    // zenit: the flags are integers (1 is yes); the Kompakt edition's are logical fields.
    AltAdressen(AltDatenbank& db, bool zenit);
    int Anzahl() const { return m_q->RecordCount(); }
    bool Next() { return m_q->Next(); }
    QString Text(Feld f) const { return m_q->Text(m_feld[f]); }
    qint64 Integer(Feld f) const { return m_q->Integer(m_feld[f]); }
    QDateTime DateTime(Feld f) const { return m_q->DateTime(m_feld[f]); }
    bool Flag(Feld f) const { return flag(m_feld[f]); }
    // privat: the private block ("privat_"), else the business one ("firma_").
    QString Text(bool privat, BlockFeld f) const { return m_q->Text(m_block[privat ? 0 : 1][f]); }
    bool Flag(bool privat, BlockFeld f) const { return flag(m_block[privat ? 0 : 1][f]); }

private:
    bool flag(int feld) const { return m_zenit ? m_q->Integer(feld) == 1 : m_q->Boolean(feld); }

    std::unique_ptr<AltAbfrage> m_q;
    bool m_zenit;
    int m_feld[kFelder];
    int m_block[2][kBlockFelder];
};
