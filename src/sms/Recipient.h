#pragma once
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QVector>

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
    bool GeburtsdatumIsNull = true;
    QDateTime LastSend;
    bool LastSendIsNull = true;
    bool MobilSend = true;         // the contact may be sent SMS
};

// The recipient list in the order of adding, with the refusal counters. No two entries
// share a number (compared exactly); a hash set beside the list keeps that test constant-time.
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
    bool ContainsMobil(const QString& mobil) const { return m_numbers.contains(mobil); }

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
    // Many ids: the rows read in the table's order and put in the ids' order in place.
    int addVieleIds(const QList<int>& ids);

    QVector<TRecipient> m_items;
    QSet<QString> m_numbers;
    int m_anzahlDoppelt = 0;
    int m_anzahlOhneMobil = 0;
    int m_anzahlNieSms = 0;
};
