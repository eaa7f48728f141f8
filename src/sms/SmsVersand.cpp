#include "sms/SmsVersand.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/WaitCursor.h"
#include "gateway/GatewaySession.h"

namespace {
const QString kSeparator = QStringLiteral("\n\r");

QDate birthdayIn(int year, const QDate& geburtsdatum)
{
    if (geburtsdatum.month() == 2 && geburtsdatum.day() == 29 && !QDate::isLeapYear(year))
        return QDate(year, 3, 1);
    return QDate(year, geburtsdatum.month(), geburtsdatum.day());
}

QString salutation(int geschlecht, const QString& name, const char* man, const char* woman)
{
    if (name.isEmpty())
        return QString("");
    if (geschlecht == 2)
        return QString::fromUtf8(man) + name;
    if (geschlecht == 3)
        return QString::fromUtf8(woman) + name;
    return QString("");
}

QString marker(const char* name)
{
    return QStringLiteral("<$*") + QLatin1String(name) + QStringLiteral("*$>");
}
}

TSmsVersand::TSmsVersand(GatewaySession& session, const TRecipients& recipients, const TSmsVersandAuftrag& auftrag)
    : m_session(session), m_recipients(recipients), m_auftrag(auftrag)
{
}

bool TSmsVersand::ProRecipient() const
{
    return HasAutomatischeFelder(m_auftrag.Text) || m_auftrag.Geburtstag;
}

QString TSmsVersand::ProgressText(int percent)
{
    return QString::fromUtf8("Bitte warten... die Nachricht(en) werden zum Server übertragen (")
        + QString::number(percent) + QStringLiteral("% abgeschlossen).");
}

void TSmsVersand::progress(int done, int total)
{
    const QString text = ProgressText(ProgressPercent(done, total));
    StatusText::Set(text);
    if (m_sink)
        m_sink(text);
    ProcessPendingEvents();
}

TSmsVersandErgebnis TSmsVersand::Run()
{
    TSmsVersandErgebnis ergebnis;
    const int n = m_recipients.Count();
    const bool fields = HasAutomatischeFelder(m_auftrag.Text);
    if (ProRecipient()) {
        ergebnis.RequestCount = n;
        const int step = ProgressStep(n);
        int done = 0;
        for (int i = 0; i < n; ++i) {
            const TRecipient& r = m_recipients.At(i);
            // The separator goes in at every turn, a skipped one's included.
            if (!ergebnis.Rueckgabe.isEmpty())
                ergebnis.Rueckgabe += kSeparator;
            if (!(m_auftrag.Geburtstag && r.GeburtsdatumIsNull)) {
                const QDateTime zeit = GetVersandzeitpunkt(m_auftrag.Geburtstag, m_auftrag.Sofort,
                                                           r.Geburtsdatum, m_auftrag.Zeitpunkt);
                const QString content = fields ? ReplaceAutomatischeFelder(m_auftrag.Text, r)
                                               : m_auftrag.Text;
                ergebnis.Rueckgabe += sendRequest(r.Mobil, zeit, content, ergebnis);
            }
            ++done;
            if (done % step == 0)
                progress(done, ergebnis.RequestCount);
        }
    } else {
        ergebnis.RequestCount = n / kBlockSize + (n % kBlockSize ? 1 : 0);
        const int step = ProgressStep(ergebnis.RequestCount);
        int done = 0;
        for (int start = 0; start < n; start += kBlockSize) {
            if (!ergebnis.Rueckgabe.isEmpty())
                ergebnis.Rueckgabe += kSeparator;
            ergebnis.Rueckgabe += sendRequest(GetEmpfaengerBlock(m_recipients, start),
                                              m_auftrag.Zeitpunkt, m_auftrag.Text, ergebnis);
            ++done;
            if (done % step == 0)
                progress(done, ergebnis.RequestCount);
        }
    }
    return ergebnis;
}

QString TSmsVersand::sendRequest(const QString& to, const QDateTime& zeitpunkt, const QString& content,
                                 TSmsVersandErgebnis& ergebnis)
{
    TPostOptions options;
    options.ShowErrors = false;
    const TGatewayReply reply =
        m_session.Post(QString::fromLatin1(kPath),
                       SendFields(m_auftrag.Username, m_auftrag.Passwort, m_auftrag.TypIndex, to, m_auftrag.Absender,
                                  m_auftrag.Sofort, zeitpunkt, SmsWireText(content)),
                       QStringLiteral("smsreport"), QString::fromUtf8(kVersandRejected), options);
    if (!reply.Success) {
        if (!ergebnis.ErrorText.isEmpty())
            ergebnis.ErrorText += kSeparator;
        ergebnis.ErrorText += reply.ErrorText;
        ++ergebnis.ErrorCount;
    }
    return reply.Response;
}

QString TSmsVersand::GetEmpfaengerBlock(const TRecipients& recipients, int start)
{
    const int end = qMin(recipients.Count(), start + kBlockSize);
    QString result;
    if (start < end)
        result.reserve((end - start) * (recipients.At(start).Mobil.size() + 1));
    for (int i = start; i < end; ++i) {
        QString number = recipients.At(i).Mobil;
        number.remove(QLatin1Char(','));
        if (result.isEmpty())
            result = number;
        else
            result += QLatin1Char(',') + number;
    }
    return result;
}

QDateTime TSmsVersand::GetVersandzeitpunkt(bool geburtstag, bool sofort, const QDateTime& geburtsdatum,
                                           const QDateTime& zeitpunkt)
{
    if (sofort)
        return Clock::Now();
    if (geburtstag) {
        const QDate today = Clock::Today();
        const QDate gb = geburtsdatum.date();
        QDate tag = birthdayIn(today.year(), gb);
        if (today > tag)
            tag = birthdayIn(today.year() + 1, gb);
        return QDateTime(tag, zeitpunkt.time());
    }
    return zeitpunkt;
}

QString TSmsVersand::ReplaceAutomatischeFelder(const QString& text, const TRecipient& r)
{
    QString result = text;
    result.replace(marker("VORNAME"), r.Vorname);
    result.replace(marker("NACHNAME"), r.Nachname);
    result.replace(marker("FIRMA"), r.Firma);
    result.replace(marker("SEHRGEEHRT"),
                   salutation(r.Geschlecht, r.Nachname, "Sehr geehrter Herr ", "Sehr geehrte Frau "));
    result.replace(marker("LIEBE"), salutation(r.Geschlecht, r.Vorname, "Lieber ", "Liebe "));
    const QString anrede = r.Geschlecht == 2 ? QStringLiteral("Herr")
                         : r.Geschlecht == 3 ? QStringLiteral("Frau") : QString("");
    result.replace(marker("ANREDE"), anrede);
    return result;
}

QStringList TSmsVersand::SendFields(const QString& username, const QString& passwort, int typIndex,
                                    const QString& to, const QString& from, bool sofort,
                                    const QDateTime& zeitpunkt, const QString& content)
{
    QStringList fields;
    fields << QStringLiteral("username=") + username
           << QStringLiteral("password=") + passwort
           << QStringLiteral("type=") + (typIndex == 1 ? QStringLiteral("flash") : QStringLiteral("text"))
           << QStringLiteral("to=") + to
           << QStringLiteral("from=") + from;
    if (!sofort)
        fields << QStringLiteral("time=") + FormatGatewayDateTime(zeitpunkt);
    fields << QStringLiteral("content=") + content;
    return fields;
}

void TSmsVersand::UpdateMobilLastSend(const TRecipients& recipients)
{
    if (recipients.IsEmpty())
        return;
    QVector<int> ids;
    ids.reserve(recipients.Items().size());
    for (const TRecipient& r : recipients.Items())
        ids.append(r.Id);
    TKontaktDaten::SetzeMobilLastSend(ids);
}

QString TSmsVersand::FehlerMeldung(const TSmsVersandErgebnis& ergebnis)
{
    const QString detail = ergebnis.ErrorCount <= 10 ? ergebnis.ErrorText + kSeparator : QString("");
    return QString::fromUtf8(kMsgVersandFehler).arg(detail);
}
