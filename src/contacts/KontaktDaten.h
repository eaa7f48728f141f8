#pragma once
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>
#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

class QSqlQuery;

// One row of the contacts page's list.
struct TKontaktZeile {
    int id = 0;
    QString vorname, nachname, firma, mobil, email;
    QDateTime mobilLastSend;   // invalid: never sent
    int c = 0;                 // number of group assignments counted by the list's query
};

// A contact's id and names.
struct TKontaktName {
    int id = 0;
    QString vorname, nachname, firma;
};

// A group: id and name.
struct TKategorie {
    int id = 0;
    QString name;
};

// One contact with every column the editor and the details show.
struct TKontakt {
    int geschlechtId = 0;       // NULL reads as 0
    QString geschlecht;         // the salutation's text; empty when it is missing
    QString vorname, nachname, firma, kdnr, mobil, email;
    QDate geburtsdatum;         // invalid: NULL
    QDateTime mobilLastSend;    // invalid: NULL
    int mobilSend = 1;          // 0 (or NULL): never by SMS
    int emailSend = 1;          // 0 (or NULL): never by e-mail
    QString pStrasse, pPlz, pOrt, pLand, pTelefon, pTelefax, pWebseite;
    QString fStrasse, fPlz, fOrt, fLand, fTelefon, fTelefax, fWebseite;
};

// The fields of a contact that an import can give, each kept in one column of kontakte.
enum class TKontaktFeld : quint8 {
    Geschlecht, Vorname, Nachname, Firma, KdNr, Mobil, MobilSend, Email, EmailSend, Geburtsdatum,
    PStrasse, PPlz, POrt, PLand, PTelefon, PTelefax, PWebseite,
    FStrasse, FPlz, FOrt, FLand, FTelefon, FTelefax, FWebseite,
};
constexpr int kKontaktFelder = int(TKontaktFeld::FWebseite) + 1;

// A set of contact fields: those a contact of an import gives.
class TKontaktFelder {
public:
    constexpr TKontaktFelder() = default;
    constexpr TKontaktFelder(std::initializer_list<TKontaktFeld> felder)
    {
        for (TKontaktFeld f : felder)
            m_bits |= bit(f);
    }
    static constexpr TKontaktFelder Alle()
    {
        TKontaktFelder a;
        a.m_bits = (quint32(1) << kKontaktFelder) - 1;
        return a;
    }
    constexpr TKontaktFelder& operator<<(TKontaktFeld f)
    {
        m_bits |= bit(f);
        return *this;
    }
    constexpr bool Hat(TKontaktFeld f) const { return (m_bits & bit(f)) != 0; }
    constexpr quint32 Bits() const { return m_bits; }

private:
    static constexpr quint32 bit(TKontaktFeld f) { return quint32(1) << int(f); }
    quint32 m_bits = 0;
};

// A contact of an import and the fields it gives; the others keep the defaults of a new row.
struct TImportKontakt {
    TKontakt kontakt;
    TKontaktFelder felder;
};

// A contact as a recipient of an SMS.
struct TKontaktEmpfaenger {
    int id = 0;
    int geschlechtId = 0;
    QString vorname, nachname, firma, mobil;
    QVariant geburtsdatum;      // null, a date or a time stamp, as the engine gives it
    int mobilSend = 0;          // NULL reads as 0
    QVariant mobilLastSend;
};

// A search condition over the contact columns and the values it binds.
struct TKontaktSuche {
    QString sql;
    QVariantMap binds;
};

// Every statement on the tables kontakte, kategorien and katzuord, run on the one data module.
// Failures are DbError.
namespace TKontaktDaten {

// The longest search text: the search edits take no more, and a longer text is cut.
constexpr int kSuchtextLaenge = 250;
// The width in characters of a group's name (kategorien.name).
constexpr int kKategorieNameBreite = 100;

// The condition "( (UPPER(<p>vorname) LIKE …) OR … ) " over first name, last name, company,
// mobile number and e-mail with the column prefix p: each upper-cased column against the
// upper-cased text between two '%' ("%" and "_" in it stay wildcards). The text, cut to
// kSuchtextLaenge characters, is bound, never spliced into the statement.
TKontaktSuche Suchbedingung(const QString& prefix, const QString& text);

// A page's contact list in its order, read as it is shown: the row count from its own count
// statement, the rows a page of kSeite at a time through a cursor on the data module's read
// connection (the write operations' commits do not close it), along an index made for the
// order. Rows held are bounded; a row far from the cursor is read by skipping to it.
// The order is that of the page's statement with the contact's id last, so every row has one
// place and a row's position is a count of the rows before it.
class TKontaktListe {
public:
    enum class Art {
        Kontakte,       // the contacts page: one row per contact with its count of assignments
        SmsKontakte,    // the SMS page: id and names, one row per assignment in a group
    };
    static constexpr int kSeite = 256;

    // sortIndex: 0 Nachname, 1 Vorname, 2 Firma, 3 Mobil, 4 letzte SMS, 5 Email, any other
    // as 0. A fresh read transaction is started: the list shows what is committed.
    TKontaktListe(Art art, int kategorieId, bool suchen, const QString& suchtext, int sortIndex);
    ~TKontaktListe();
    TKontaktListe(const TKontaktListe&) = delete;
    TKontaktListe& operator=(const TKontaktListe&) = delete;

    int Anzahl() const;
    // The row; an empty one (id 0) outside the list or when the rows ran out early.
    const TKontaktZeile& Zeile(int row);
    // The first row of the contact; -1 when it is not in the list.
    int Position(int kontaktId);
    // The first row whose first name (vorname) or last name begins with the character,
    // compared without regard to case; -1 when none does.
    int ErsteMitAnfang(QChar c, bool vorname);
    // Rows held in memory.
    int Gehalten() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Creates the indexes of the contact lists' orders that a database made before them lacks, and
// switches on any left off by an import that did not end; true when all exist afterwards.
bool SichereListenIndizes();
// The names of those indexes.
QStringList ListenIndizes();

// For a large import: switches the lists' indexes and the group counts' triggers off while it
// lives and on again at its end (the counts counted anew), each change committed on its own,
// before and after the import's unit. Rebuilding an index once
// costs a fraction of keeping it through as many inserts; into a table larger than the import,
// or for fewer than `abAnzahl` contacts, it does nothing. Where the indexes cannot be switched,
// the import runs with them: only slower.
class TListenIndizesAus {
public:
    explicit TListenIndizesAus(int neueKontakte, int abAnzahl = 10000);
    ~TListenIndizesAus();
    TListenIndizesAus(const TListenIndizesAus&) = delete;
    TListenIndizesAus& operator=(const TListenIndizesAus&) = delete;
    bool Aus() const { return m_aus; }

private:
    bool m_aus = false;
    bool m_zaehlerAus = false;
};

// Adds the tables of the group counts and the triggers that keep them to a database made
// before them, filled with the counts, as one unit; true when the counts are kept afterwards.
bool SichereKontaktAnzahlen();

// The number of contacts (0) or of a group's assignments to existing contacts.
int KontaktAnzahl(int kategorieId);
// The assignments to existing contacts per group, for every group at once.
QHash<int, int> KontaktAnzahlen();

// One contact; false when there is no such row.
bool LadeKontakt(int kontaktId, TKontakt& kontakt);
// Writes the contact (a new row and id when kontaktId is below 0) and replaces its
// assignments by one per listed group. Runs in the open transaction; the caller commits.
void SpeichereKontakt(int& kontaktId, const TKontakt& kontakt, const QVector<int>& kategorieIds);
// The ids of the contact's groups, one per assignment row.
QVector<int> KontaktKategorieIds(int kontaktId);
// The names of the contact's groups, by name.
QStringList KontaktKategorieNamen(int kontaktId);
// The contacts of the CSV export: all contacts (0) or a group's members (one row per
// assignment), ordered by id, each passed to `row` with its id as read. NULL integers read as 0.
void KontakteFuerExport(int kategorieId, const std::function<void(int id, const TKontakt&)>& row);
// The group names of every contact that has any, each list sorted by name and joined by ", "
// (a name twice when the contact is assigned twice). One statement for all contacts.
QHash<int, QString> KategorieNamenAllerKontakte();
// The one contact with this mobile number; false when none or more than one has it.
bool EinzigerKontaktMitMobil(const QString& mobil, TKontaktName& kontakt);

// The recipient data of each contact found, in the order of the ids (one prepared statement,
// or one pass over the table for many ids).
void EmpfaengerByIds(const QList<int>& ids, const std::function<void(const TKontaktEmpfaenger&)>& found);
// The recipient data of each contact found, each id once and in the table's order (one pass
// over the table); for callers that put many rows in order themselves.
void EmpfaengerJeIdEinmal(const QList<int>& ids, const std::function<void(const TKontaktEmpfaenger&)>& found);
// The recipient data of all contacts (0) or a group's members, by first name; the rows read.
int EmpfaengerByKategorie(int kategorieId, const std::function<void(const TKontaktEmpfaenger&)>& found);
// Sets the time of the last SMS of each contact to "now" of the clock, as one unit.
void SetzeMobilLastSend(const QVector<int>& kontaktIds);

// The salutations (id and text) in their order of the choice.
QVector<std::pair<int, QString>> Anreden();
// The send log of a mobile number, newest first, as the contacts page's log reads it: the
// columns istzeitpunkt, dnr, content, typ, statusid.
QSqlQuery KontaktProtokoll(const QString& mobil);

// The groups by name.
QVector<TKategorie> Kategorien();
// A group's name; false when there is no such group.
bool LadeKategorie(int kategorieId, QString& name);
// Writes the group's name (a new row and id when kategorieId is below 0). The caller commits.
void SpeichereKategorie(int& kategorieId, const QString& name);

// The contact's assignments, then the contact. One unit.
void DeleteKontakt(int kontaktId);
// Several contacts with their assignments, as one unit.
void DeleteKontakte(const QVector<int>& kontaktIds);
// Adds the contact to the group unless it is already in it; ids of 0 or less do nothing.
// Writes into the open transaction; the caller commits.
void AddKategorieZuordnung(int kontaktId, int kategorieId);
// The same for many contacts (one read of the group's members); the caller commits.
void AddKategorieZuordnungen(const QVector<int>& kontaktIds, int kategorieId);
// The group's assignments, then the group; the contacts stay. One unit.
void DeleteKategorie(int kategorieId);
// All assignments to the group; contacts and group stay. One unit.
void DeleteKategorieZuordnungen(int kategorieId);
// Deletes every contact of the group (0: every contact) with all its assignments; the group
// stays. One unit.
void DeleteKontakteOfKategorie(int kategorieId);

// The column of kontakte that holds a field and, for a text, the column's width in characters
// (0 for the salutation, the flags and the birth date).
struct TKontaktSpalte {
    TKontaktFeld feld;
    const char* name;
    int breite;
};
// Every field of TKontaktFeld with its column, in the order of the enumeration.
const std::array<TKontaktSpalte, kKontaktFelder>& KontaktSpalten();
inline const TKontaktSpalte& KontaktSpalte(TKontaktFeld feld) { return KontaktSpalten()[size_t(feld)]; }
// The text of a field; nullptr for the salutation, the flags and the birth date.
QString* FeldText(TKontakt& kontakt, TKontaktFeld feld);
const QString* FeldText(const TKontakt& kontakt, TKontaktFeld feld);
// The number of the salutation or a flag; nullptr for any other field.
int* FeldZahl(TKontakt& kontakt, TKontaktFeld feld);

// Writes the contacts of an import: per contact a new id from the id procedure, then one
// insert of the id with the given fields (a field left out keeps the default of a row
// inserted with its id alone), and the assignment to the group when its id is above 0. A
// given text is cut to its column's width (a null text is written as ""); the birth date is
// NULL unless it is given and valid; salutation and flags are written as they are. The
// statements are prepared once per set of fields. Writes into the open transaction: the
// caller runs the whole import as one unit.
class TKontaktImport {
public:
    explicit TKontaktImport(int kategorieId);
    ~TKontaktImport();
    TKontaktImport(const TKontaktImport&) = delete;
    TKontaktImport& operator=(const TKontaktImport&) = delete;
    // The given fields of the contact; returns the new contact's id. The row may be written
    // later, in a block with the next ones.
    int Importiere(const TKontakt& kontakt, TKontaktFelder gegeben);
    int Importiere(const TImportKontakt& k) { return Importiere(k.kontakt, k.felder); }
    // Writes the rows still waiting; call it before the unit ends.
    void Abschliessen();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// ---- The recipient picker ----

// A contact as the picker's chosen list shows it.
struct TKontaktAuswahl {
    int id = 0;
    QString vorname, nachname, firma, mobil;
};
// A contact of a birthday search.
struct TKontaktGeburtstag {
    int id = 0;
    QString vorname, nachname, firma;
    QDate geburtsdatum;
};

// One contact's names and mobile number; false when there is no such row.
bool LadeKontaktAuswahl(int kontaktId, TKontaktAuswahl& kontakt);
// The same for each of the ids that has a row, in the order of the ids (one prepared statement,
// or one pass over the table for many ids).
void KontakteAuswahlByIds(const QVector<int>& ids, const std::function<void(const TKontaktAuswahl&)>& found);
// The same for all contacts (0) or every member of a group, one row per assignment to an
// existing contact, in no particular order. The number of rows.
int KontakteAuswahlByKategorie(int kategorieId, const std::function<void(const TKontaktAuswahl&)>& found);
// The contact ids of all contacts (0) or of a group's assignments (also to contacts that no
// longer exist), in no particular order.
QVector<int> KontaktIdsByKategorie(int kategorieId);
// Day and month of a date as the number month * 100 + day (1 March: 301).
inline int MonatTag(int monat, int tag) { return monat * 100 + tag; }
// The contacts whose birthday (day and month) lies in the range von..bis (MonatTag numbers,
// both included); a range whose start lies after its end runs over the new year. Ordered
// by the full birth date, then first name, last name and company. No birth date: never.
void GeburtstagKontakte(int von, int bis, const std::function<void(const TKontaktGeburtstag&)>& found);
// The assignments (group id, contact id) of the contacts GeburtstagKontakte finds, one per
// assignment row, in no particular order.
QVector<std::pair<int, int>> GeburtstagZuordnungen(int von, int bis);

// ---- Imports ----

// Writes the groups of an import: per group a new id, the row with that id alone, then its
// name. Statements prepared once; writes into the open transaction.
class TKategorieImport {
public:
    TKategorieImport();
    ~TKategorieImport();
    TKategorieImport(const TKategorieImport&) = delete;
    TKategorieImport& operator=(const TKategorieImport&) = delete;
    // Returns the new group's id.
    int Importiere(const QString& name);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Writes the assignments of an import as they come (no check for an existing pair). Statement
// prepared once; writes into the open transaction.
class TZuordnungImport {
public:
    TZuordnungImport();
    ~TZuordnungImport();
    TZuordnungImport(const TZuordnungImport&) = delete;
    TZuordnungImport& operator=(const TZuordnungImport&) = delete;
    // Written in blocks: the last ones by Abschliessen(), which the unit must call before it ends.
    void Importiere(int kontaktId, int kategorieId);
    void Abschliessen();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The contacts of the export (as KontakteFuerExport, by id), each with its groups' names in name
// order joined by ", " (as KategorieNamenAllerKontakte gives them), read beside the contacts in
// the same order: nothing is held per contact, whatever the count.
void KontakteMitGruppenFuerExport(int kategorieId,
                                  const std::function<void(int id, const TKontakt&, const QString& gruppen)>& row);

} // namespace TKontaktDaten
