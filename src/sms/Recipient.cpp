#include "sms/Recipient.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/WaitCursor.h"
#include <algorithm>

namespace {
QDateTime dateTimeValue(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    return v.toDateTime();
}
}

bool TRecipients::AddEmpfaenger(const TRecipient& r) { return AddEmpfaenger(TRecipient(r)); }

bool TRecipients::AddEmpfaenger(TRecipient&& r)
{
    if (!r.MobilSend) {
        ++m_anzahlNieSms;
        return false;
    }
    if (r.Mobil.isEmpty()) {
        ++m_anzahlOhneMobil;
        return false;
    }
    // One look-up: the number is new when the set grew.
    const qsizetype vorher = m_numbers.size();
    m_numbers.insert(r.Mobil);
    if (m_numbers.size() == vorher) {
        ++m_anzahlDoppelt;
        return false;
    }
    m_items.append(std::move(r));
    return true;
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
    int added = 0;
    // Room for many ids at once: a growing list of many recipients is copied at each step (a
    // few are left to the list's own growth, which one id at a time needs).
    if (ids.size() > 1000) {
        m_items.reserve(m_items.size() + ids.size());
        m_numbers.reserve(m_numbers.size() + ids.size());
    }
    TKontaktDaten::EmpfaengerByIds(ids, [&](const TKontaktEmpfaenger& k) {
        if (AddEmpfaenger(fromKontakt(k)))
            ++added;
    });
    return added;
}

int TRecipients::AddEmpfaengerByKategorie(int kategorieId)
{
    WaitCursor wait;
    // The kept count tells the rows ahead: room for them at once (see AddEmpfaengerByIds).
    if (const int n = TKontaktDaten::KontaktAnzahl(kategorieId); n > 1000) {
        m_items.reserve(m_items.size() + n);
        m_numbers.reserve(m_numbers.size() + n);
    }
    return TKontaktDaten::EmpfaengerByKategorie(kategorieId,
                                                [&](const TKontaktEmpfaenger& k) { AddEmpfaenger(fromKontakt(k)); });
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
    m_items.clear();
    m_numbers.clear();
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
    m_numbers.remove(m_items.at(index).Mobil);
    m_items.removeAt(index);
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
        if (drop[i])
            m_numbers.remove(m_items.at(i).Mobil);
        else
            kept.append(std::move(m_items[i]));
    }
    m_items = std::move(kept);
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
