#pragma once
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QVector>
#include <algorithm>
#include <vector>

struct TKontaktEmpfaenger;

// One recipient of an SMS: a contact, or a number typed in by the user (Id -1).
struct TRecipient {
    int Id = -1;
    int Geschlecht = 1;            // salutation code: 2 man, 3 woman
    QString Mobil;                 // exactly as stored (or as typed); what `to` receives
    QString Vorname;
    QString Nachname;
    QString Firma;
    QDateTime Geburtsdatum;
    QDateTime LastSend;
    bool GeburtsdatumIsNull = true;   // the flags side by side: a million entries are held at once
    bool LastSendIsNull = true;
    bool MobilSend = true;         // the contact may be sent SMS
};

// The numbers of a list for the duplicate test: an open-addressing table of positions in the
// list, each number compared where the list holds it (a fraction of a set of strings' memory
// at a million entries). `at(pos)` gives the number at a position.
class TNummernIndex {
public:
    template <class At>
    bool Contains(const QString& mobil, At at) const
    {
        if (m_anzahl == 0)
            return false;
        const quint32 h = hashOf(mobil);
        for (size_t i = h & m_maske;; i = (i + 1) & m_maske) {
            if (m_pos[i] < 0)
                return false;
            if (m_hash[i] == h && at(m_pos[i]) == mobil)
                return true;
        }
    }
    // Takes the number at `pos` unless the table holds it; true when taken.
    template <class At>
    bool Insert(const QString& mobil, int pos, At at)
    {
        if ((m_anzahl + 1) * 2 > qsizetype(m_pos.size()))
            umbauen(std::max<qsizetype>(m_anzahl + 1, qsizetype(m_pos.size())));
        const quint32 h = hashOf(mobil);
        size_t i = h & m_maske;
        for (; m_pos[i] >= 0; i = (i + 1) & m_maske)
            if (m_hash[i] == h && at(m_pos[i]) == mobil)
                return false;
        m_pos[i] = pos;
        m_hash[i] = h;
        ++m_anzahl;
        return true;
    }
    // Room for this many numbers in all.
    void Reserve(qsizetype n)
    {
        if (n * 2 > qsizetype(m_pos.size()))
            umbauen(n);
    }
    // The numbers of positions 0 .. n-1 anew (after removals moved the entries).
    template <class At>
    void Neu(int n, At at)
    {
        Clear();
        Reserve(n);
        for (int p = 0; p < n; ++p)
            Insert(at(p), p, at);
    }
    void Clear()
    {
        m_pos = {};
        m_hash = {};
        m_maske = 0;
        m_anzahl = 0;
    }
    qsizetype Anzahl() const { return m_anzahl; }

private:
    static quint32 hashOf(const QString& s) { return quint32(qHash(s)); }
    void umbauen(qsizetype n)
    {
        size_t groesse = 16;
        while (qsizetype(groesse) < n * 2)
            groesse *= 2;
        std::vector<int> pos(groesse, -1);
        std::vector<quint32> hash(groesse, 0);
        const size_t maske = groesse - 1;
        for (size_t j = 0; j < m_pos.size(); ++j) {
            if (m_pos[j] < 0)
                continue;
            size_t i = m_hash[j] & maske;
            while (pos[i] >= 0)
                i = (i + 1) & maske;
            pos[i] = m_pos[j];
            hash[i] = m_hash[j];
        }
        m_pos = std::move(pos);
        m_hash = std::move(hash);
        m_maske = maske;
    }

    std::vector<int> m_pos;        // -1: free
    std::vector<quint32> m_hash;
    size_t m_maske = 0;
    qsizetype m_anzahl = 0;
};

// The recipient list in the order of adding, with the refusal counters. No two entries
// share a number (compared exactly); a hash index beside the list keeps that test constant-time.
class TRecipients {
public:
    // The adding rules, checked in this order: never-SMS, empty number, duplicate.
    // True when appended.
    bool AddEmpfaenger(const TRecipient& r);
    bool AddEmpfaenger(TRecipient&& r);
    // One contact by id; false when there is no such contact or it was refused.
    bool AddEmpfaengerById(int id);
    // Contacts by id in the given order, through one prepared statement; the number added.
    int AddEmpfaengerByIds(const QList<int>& ids);
    // Every contact of a group, or of all contacts for id 0, in first-name order;
    // returns the rows read, refused ones included.
    int AddEmpfaengerByKategorie(int kategorieId);
    // A typed number as it is to be stored (already normalised or confirmed).
    bool AddFreieNummer(const QString& mobil);

    // Empties the list and zeroes the counters.
    void ClearEmpfaenger();
    void ClearWarnzaehler();
    void DeleteEmpfaenger(int index);
    // Removes the entries at the given indices in one pass.
    void DeleteEmpfaenger(const QList<int>& indices);

    int Count() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.isEmpty(); }
    const TRecipient& At(int index) const { return m_items.at(index); }
    const QVector<TRecipient>& Items() const { return m_items; }
    bool ContainsMobil(const QString& mobil) const
    {
        return m_numbers.Contains(mobil, [this](int pos) -> const QString& { return m_items[pos].Mobil; });
    }

    int AnzahlDoppelt() const { return m_anzahlDoppelt; }
    int AnzahlOhneMobil() const { return m_anzahlOhneMobil; }
    int AnzahlNieSms() const { return m_anzahlNieSms; }

    // The text of the refusal summary; empty when nothing was refused.
    QString Warnmeldungen() const;
    // The list box text of one entry.
    static QString ListText(const TRecipient& r);

private:
    // A recipient from a contact's data.
    static TRecipient fromKontakt(const TKontaktEmpfaenger& k);
    // The adding rules with their counters; true when the entry may be appended (its number
    // is then taken).
    bool annehmen(const TRecipient& r);
    // The same with the number's position and where the numbers are held.
    template <class Lage>
    bool annehmen(const TRecipient& r, int pos, Lage at);
    // Many ids: the rows read in the table's order and put in the ids' order in place.
    int addVieleIds(const QList<int>& ids);

    QVector<TRecipient> m_items;
    TNummernIndex m_numbers;
    int m_anzahlDoppelt = 0;
    int m_anzahlOhneMobil = 0;
    int m_anzahlNieSms = 0;
};
