#include "sms/Recipient.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/WaitCursor.h"
#include <algorithm>
#include <vector>

namespace {
QDateTime dateTimeValue(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    return v.toDateTime();
}

// Equal first names and companies of many recipients as one string each (they repeat in any
// address book): a million recipients hold some 50 MB less. An open-addressing table with a
// cheap hash of its own (the table's texts are short); up to kMax distinct texts are kept, so
// that a column of unique texts costs no second table of them.
class TTextTeiler {
public:
    void Teile(TRecipient& r)
    {
        teile(r.Vorname, m_letzterVorname);
        teile(r.Firma, m_letzteFirma);
    }

private:
    static quint32 hashOf(const QString& s)
    {
        quint32 h = 2166136261u;
        for (QChar c : s)
            h = (h ^ c.unicode()) * 16777619u;
        return h;
    }
    // `letzter`: the field's text of the row before, the whole sharing in first-name order.
    void teile(QString& s, QString& letzter)
    {
        if (s.isEmpty())
            return;
        if (s == letzter) {
            s = letzter;
            return;
        }
        if (m_texte.empty())
            umbauen(256);
        const quint32 h = hashOf(s);
        for (size_t i = h & m_maske;; i = (i + 1) & m_maske) {
            if (m_texte[i].isNull()) {
                if (m_anzahl < kMax) {
                    m_texte[i] = s;
                    m_hash[i] = h;
                    if (++m_anzahl * 2 > qsizetype(m_texte.size()))
                        umbauen(m_texte.size() * 2);
                }
                break;
            }
            if (m_hash[i] == h && m_texte[i] == s) {
                s = m_texte[i];
                break;
            }
        }
        letzter = s;
    }
    void umbauen(size_t groesse)
    {
        std::vector<QString> texte(groesse);
        std::vector<quint32> hash(groesse, 0);
        const size_t maske = groesse - 1;
        for (size_t j = 0; j < m_texte.size(); ++j) {
            if (m_texte[j].isNull())
                continue;
            size_t i = m_hash[j] & maske;
            while (!texte[i].isNull())
                i = (i + 1) & maske;
            texte[i] = std::move(m_texte[j]);
            hash[i] = m_hash[j];
        }
        m_texte = std::move(texte);
        m_hash = std::move(hash);
        m_maske = maske;
    }
    static constexpr qsizetype kMax = 1 << 16;
    std::vector<QString> m_texte;   // null: free
    std::vector<quint32> m_hash;
    size_t m_maske = 0;
    qsizetype m_anzahl = 0;
    QString m_letzterVorname, m_letzteFirma;
};
}

template <class Lage>
bool TRecipients::annehmen(const TRecipient& r, int pos, Lage at)
{
    if (!r.MobilSend) {
        ++m_anzahlNieSms;
        return false;
    }
    if (r.Mobil.isEmpty()) {
        ++m_anzahlOhneMobil;
        return false;
    }
    if (!m_numbers.Insert(r.Mobil, pos, at)) {
        ++m_anzahlDoppelt;
        return false;
    }
    return true;
}

bool TRecipients::AddEmpfaenger(const TRecipient& r) { return AddEmpfaenger(TRecipient(r)); }

bool TRecipients::AddEmpfaenger(TRecipient&& r)
{
    if (!annehmen(r))
        return false;
    m_items.append(std::move(r));
    return true;
}

bool TRecipients::annehmen(const TRecipient& r)
{
    return annehmen(r, int(m_items.size()), [this](int pos) -> const QString& { return m_items[pos].Mobil; });
}

TRecipient TRecipients::fromKontakt(const TKontaktEmpfaenger& k)
{
    TRecipient r;
    r.Id = k.id;
    r.Geschlecht = k.geschlechtId;
    r.Vorname = k.vorname;
    r.Nachname = k.nachname;
    r.Firma = k.firma;
    r.GeburtsdatumIsNull = k.geburtsdatum.isNull();
    if (!r.GeburtsdatumIsNull)
        r.Geburtsdatum = dateTimeValue(k.geburtsdatum);
    r.Mobil = k.mobil;
    r.MobilSend = k.mobilSend == 1;   // NULL reads as 0: never
    r.LastSendIsNull = k.mobilLastSend.isNull();
    if (!r.LastSendIsNull)
        r.LastSend = dateTimeValue(k.mobilLastSend);
    return r;
}

bool TRecipients::AddEmpfaengerById(int id)
{
    return AddEmpfaengerByIds({id}) == 1;
}

int TRecipients::AddEmpfaengerByIds(const QList<int>& ids)
{
    WaitCursor wait;
    if (ids.size() > 2000)
        return addVieleIds(ids);
    int added = 0;
    // Room for many ids at once: a growing list of many recipients is copied at each step (a
    // few are left to the list's own growth, which one id at a time needs).
    if (ids.size() > 1000) {
        m_items.reserve(m_items.size() + ids.size());
        m_numbers.Reserve(m_numbers.Anzahl() + ids.size());
    }
    TKontaktDaten::EmpfaengerByIds(ids, [&](const TKontaktEmpfaenger& k) {
        if (AddEmpfaenger(fromKontakt(k)))
            ++added;
    });
    return added;
}

namespace {
// The row read for each id: a vector over the ids' span when dense (the ids are keys from one
// sequence), else a hash.
class TZeilenSlots {
public:
    explicit TZeilenSlots(const QList<int>& ids)
    {
        const auto [lo, hi] = std::minmax_element(ids.begin(), ids.end());
        m_lo = *lo;
        const qint64 spanne = qint64(*hi) - *lo + 1;
        m_dicht = spanne <= qint64(ids.size()) * 8 + 1000000;
        if (m_dicht)
            m_slotDicht.assign(size_t(spanne), -1);
    }
    // Only ids of the list handed to the constructor.
    void Setze(int id, int slot)
    {
        if (m_dicht)
            m_slotDicht[size_t(id - m_lo)] = slot;
        else
            m_slotDuenn.insert(id, slot);
    }
    // -1 when no row was read for it.
    int Slot(int id) const { return m_dicht ? m_slotDicht[size_t(id - m_lo)] : m_slotDuenn.value(id, -1); }

private:
    int m_lo = 0;
    bool m_dicht = true;
    std::vector<int> m_slotDicht;
    QHash<int, int> m_slotDuenn;
};

// Puts rows[folge[i]] at place i for every i (folge a permutation of the rows' places) by
// following the permutation's cycles: each row moved once, no second list. Uses `folge` up.
void nachFolge(QVector<TRecipient>& rows, std::vector<int>& folge)
{
    for (int i = 0; i < int(folge.size()); ++i) {
        if (folge[size_t(i)] == i || folge[size_t(i)] < 0)
            continue;
        TRecipient zwischen = std::move(rows[i]);
        int j = i;
        for (;;) {
            const int k = folge[size_t(j)];
            folge[size_t(j)] = -1;
            if (k == i) {
                rows[j] = std::move(zwischen);
                break;
            }
            rows[j] = std::move(rows[k]);
            j = k;
        }
    }
}
} // namespace

int TRecipients::addVieleIds(const QList<int>& ids)
{
    // Each contact once, where the table gives it; its slot found by id.
    TZeilenSlots zeilen(ids);
    QVector<TRecipient> rows;
    rows.reserve(ids.size());
    TTextTeiler teiler;
    TKontaktDaten::EmpfaengerJeIdEinmal(ids, [&](const TKontaktEmpfaenger& k) {
        zeilen.Setze(k.id, int(rows.size()));
        TRecipient r = fromKontakt(k);
        teiler.Teile(r);
        rows.append(std::move(r));
    });
    // The rules in the ids' order, as one id after the other would meet them (a repeated id
    // meets its own number); `folge` lists the accepted rows' slots in that order.
    // An accepted row's number stands at its place to be: behind the list, in that order.
    m_numbers.Reserve(m_numbers.Anzahl() + rows.size());
    std::vector<int> folge;
    folge.reserve(size_t(rows.size()));
    const int basis = int(m_items.size());
    const auto at = [&](int pos) -> const QString& {
        return pos < basis ? m_items[pos].Mobil : rows[folge[size_t(pos - basis)]].Mobil;
    };
    for (int id : ids) {
        const int slot = zeilen.Slot(id);
        if (slot >= 0 && annehmen(rows[slot], basis + int(folge.size()), at))
            folge.push_back(slot);
    }
    const int added = int(folge.size());
    // The accepted rows to the front in that order, the others behind them.
    {
        std::vector<bool> genommen(size_t(rows.size()), false);
        for (int slot : folge)
            genommen[size_t(slot)] = true;
        for (int i = 0; i < rows.size(); ++i)
            if (!genommen[size_t(i)])
                folge.push_back(i);
    }
    nachFolge(rows, folge);
    rows.resize(added);
    if (m_items.isEmpty()) {
        m_items = std::move(rows);
    } else {
        m_items.reserve(m_items.size() + added);
        for (TRecipient& r : rows)
            m_items.append(std::move(r));
    }
    return added;
}

int TRecipients::AddEmpfaengerByKategorie(int kategorieId)
{
    WaitCursor wait;
    // No count asked ahead (two more statements, a group's whole cost when it is small): the
    // list grows in place, its entries being moved without copies.
    TTextTeiler teiler;
    return TKontaktDaten::EmpfaengerByKategorie(kategorieId, [&](const TKontaktEmpfaenger& k) {
        TRecipient r = fromKontakt(k);
        teiler.Teile(r);
        AddEmpfaenger(std::move(r));
    });
}

bool TRecipients::AddFreieNummer(const QString& mobil)
{
    TRecipient r;
    r.Id = -1;
    r.Geschlecht = 1;
    r.Mobil = mobil;
    r.Vorname = r.Nachname = r.Firma = QString("");
    r.Geburtsdatum = r.LastSend = Clock::Now();
    r.GeburtsdatumIsNull = true;
    r.LastSendIsNull = true;
    r.MobilSend = true;
    return AddEmpfaenger(r);
}

void TRecipients::ClearEmpfaenger()
{
    ClearWarnzaehler();
    // Emptied, not kept at its size: a list of a million entries would hold on to its memory
    // for the rest of the run.
    m_items = {};
    m_numbers.Clear();
}

void TRecipients::ClearWarnzaehler()
{
    m_anzahlDoppelt = 0;
    m_anzahlOhneMobil = 0;
    m_anzahlNieSms = 0;
}

void TRecipients::DeleteEmpfaenger(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    m_items.removeAt(index);
    // The entries behind it moved up: the index anew.
    m_numbers.Neu(int(m_items.size()), [this](int pos) -> const QString& { return m_items[pos].Mobil; });
}

void TRecipients::DeleteEmpfaenger(const QList<int>& indices)
{
    if (indices.isEmpty())
        return;
    QVector<bool> drop(m_items.size(), false);
    for (int i : indices)
        if (i >= 0 && i < m_items.size())
            drop[i] = true;
    QVector<TRecipient> kept;
    kept.reserve(m_items.size());
    for (int i = 0; i < m_items.size(); ++i) {
        if (!drop[i])
            kept.append(std::move(m_items[i]));
    }
    m_items = std::move(kept);
    m_numbers.Neu(int(m_items.size()), [this](int pos) -> const QString& { return m_items[pos].Mobil; });
}

QString TRecipients::Warnmeldungen() const
{
    static const char* const kEins = "* 1 Empfänger wurde der Auswahlliste nicht hinzugefügt, ";
    static const char* const kGrund[3] = {
        "da für diesen die Option 'diesen Kontakt nie per SMS anschreiben' aktiviert wurde.",
        "da für diesen keine Mobilfunknummer hinterlegt wurde.",
        "da bereits ein anderer Kontakt mit derselben Mobilfunknummer in der Liste existiert.",
    };
    static const char* const kMehrere[3] = {
        " Empfänger wurden der Auswahlliste nicht hinzugefügt, da für diese jeweils die Option "
        "'diesen Kontakt nie per SMS anschreiben' aktiviert wurde.\n\r\n\r",
        " Empfänger wurden der Auswahlliste nicht hinzugefügt, da für diese keine Mobilfunknummer "
        "hinterlegt wurde.\n\r\n\r",
        " Empfänger wurden der Auswahlliste nicht hinzugefügt, da jeweils ein anderer Kontakt mit "
        "derselben Mobilfunknummer in der Liste existiert.\n\r\n\r",
    };
    const int counts[3] = {m_anzahlNieSms, m_anzahlOhneMobil, m_anzahlDoppelt};
    QString text;
    for (int i = 0; i < 3; ++i) {
        if (counts[i] == 1)
            text += QString::fromUtf8(kEins) + QString::fromUtf8(kGrund[i]) + QStringLiteral("\n\r\n\r");
        else if (counts[i] > 1)
            text += QStringLiteral("* ") + QString::number(counts[i]) + QString::fromUtf8(kMehrere[i]);
    }
    if (text.isEmpty())
        return text;
    text.chop(4);
    return QString::fromUtf8("Durch das Hinzufügen der Empfänger wurden folgende Warnmeldungen "
                             "generiert:\n\r\n\r") + text;
}

QString TRecipients::ListText(const TRecipient& r)
{
    QString text = GetKontaktName(r.Vorname, r.Nachname, r.Firma) + QStringLiteral(" <") + r.Mobil
        + QStringLiteral(">");
    if (r.Id < 1)
        text += QString::fromUtf8(", freie Empfängernummer-Eingabe");
    else if (r.LastSendIsNull)
        text += QStringLiteral(", dieser Kontakt wurde noch nie angeschrieben");
    else
    {
        // "dd.MM.yyyy" and "HH:mm:ss" by hand: the list texts of many recipients are made at once.
        const QDate d = r.LastSend.date();
        const QTime t = r.LastSend.time();
        char buf[] = "dd.MM.yyyy um HH:mm:ss";
        const auto zwei = [&](int at, int v) {
            buf[at] = char('0' + v / 10 % 10);
            buf[at + 1] = char('0' + v % 10);
        };
        zwei(0, d.day());
        zwei(3, d.month());
        zwei(6, d.year() / 100);
        zwei(8, d.year() % 100);
        zwei(14, t.hour());
        zwei(17, t.minute());
        zwei(20, t.second());
        text += QStringLiteral(", zuletzt angeschrieben am ") + QLatin1String(buf, sizeof buf - 1);
    }
    return text;
}
