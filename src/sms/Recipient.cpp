#include "sms/Recipient.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/WaitCursor.h"
#include <QSqlQuery>
#include <algorithm>

namespace {
const char* const kSelectById =
    "SELECT geschlecht, vorname, nachname, firma, geburtsdatum, mobil, mobil_send, mobil_lastsend "
    "FROM kontakte WHERE id=:id";
const char* const kSelectAll =
    "SELECT id, geschlecht, vorname, nachname, firma, geburtsdatum, mobil, mobil_send, mobil_lastsend "
    "FROM kontakte ORDER BY vorname ASC";
const char* const kSelectKategorie =
    "SELECT t2.id, t2.geschlecht, t2.vorname, t2.nachname, t2.firma, t2.geburtsdatum, t2.mobil, "
    "t2.mobil_send, t2.mobil_lastsend FROM katzuord t1, kontakte t2 "
    "WHERE t1.kategorie=:kategorieid AND t1.kontakt=t2.id ORDER BY t2.vorname ASC";

QDateTime dateTimeValue(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    return v.toDateTime();
}
}

bool TRecipients::AddEmpfaenger(const TRecipient& r)
{
    if (!r.MobilSend) {
        ++m_anzahlNieSms;
        return false;
    }
    if (r.Mobil.isEmpty()) {
        ++m_anzahlOhneMobil;
        return false;
    }
    if (m_numbers.contains(r.Mobil)) {
        ++m_anzahlDoppelt;
        return false;
    }
    m_numbers.insert(r.Mobil);
    m_items.append(r);
    return true;
}

TRecipient TRecipients::fromRow(const QSqlQuery& q, int first, int id)
{
    TRecipient r;
    r.Id = id;
    r.Geschlecht = q.value(first + 0).toInt();
    r.Vorname = TDatenModul::TextValue(q.value(first + 1));
    r.Nachname = TDatenModul::TextValue(q.value(first + 2));
    r.Firma = TDatenModul::TextValue(q.value(first + 3));
    const QVariant geburtsdatum = q.value(first + 4);
    r.GeburtsdatumIsNull = geburtsdatum.isNull();
    if (!r.GeburtsdatumIsNull)
        r.Geburtsdatum = dateTimeValue(geburtsdatum);
    r.Mobil = TDatenModul::TextValue(q.value(first + 5));
    r.MobilSend = q.value(first + 6).toInt() == 1;   // NULL reads as 0: never
    const QVariant lastSend = q.value(first + 7);
    r.LastSendIsNull = lastSend.isNull();
    if (!r.LastSendIsNull)
        r.LastSend = dateTimeValue(lastSend);
    return r;
}

bool TRecipients::AddEmpfaengerById(int id)
{
    return AddEmpfaengerByIds({id}) == 1;
}

int TRecipients::AddEmpfaengerByIds(const QList<int>& ids)
{
    WaitCursor wait;
    QSqlQuery q = DatenModul->Query();
    TDatenModul::Prepare(q, QString::fromLatin1(kSelectById));
    int added = 0;
    for (int id : ids) {
        q.bindValue(QStringLiteral(":id"), id);
        TDatenModul::Exec(q);
        if (q.next() && AddEmpfaenger(fromRow(q, 0, id)))
            ++added;
        q.finish();
    }
    return added;
}

int TRecipients::AddEmpfaengerByKategorie(int kategorieId)
{
    WaitCursor wait;
    QSqlQuery q = DatenModul->Query();
    if (kategorieId == 0) {
        TDatenModul::Prepare(q, QString::fromLatin1(kSelectAll));
    } else {
        TDatenModul::Prepare(q, QString::fromLatin1(kSelectKategorie));
        q.bindValue(QStringLiteral(":kategorieid"), kategorieId);
    }
    TDatenModul::Exec(q);
    int rows = 0;
    while (q.next()) {
        ++rows;
        AddEmpfaenger(fromRow(q, 1, q.value(0).toInt()));
    }
    return rows;
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
        text += QStringLiteral(", zuletzt angeschrieben am ") + r.LastSend.toString(QStringLiteral("dd.MM.yyyy"))
            + QStringLiteral(" um ") + r.LastSend.toString(QStringLiteral("HH:mm:ss"));
    return text;
}
