#include "platform/OutlookKontakteOrdner.h"
#include <QStringList>

namespace {
// Class equal to `basis` or a subclass of it ("IPF.Contact.RecipientCache").
bool klasseIst(const QString& klasse, const char* basis)
{
    const QLatin1String b(basis);
    return klasse.compare(b, Qt::CaseInsensitive) == 0
        || (klasse.size() > b.size() && klasse.startsWith(b, Qt::CaseInsensitive) && klasse.at(b.size()) == u'.');
}
}

bool OutlookKlasseKontakte(const QString& klasse) { return klasse.compare(QLatin1String("IPF.Contact"), Qt::CaseInsensitive) == 0; }
bool OutlookKlasseNotiz(const QString& klasse) { return klasse.compare(QLatin1String("IPF.Note"), Qt::CaseInsensitive) == 0; }

bool OutlookSonderordner(const OutlookOrdner& o)
{
    // Names as the English and the German Outlook give them.
    static const QStringList kNamen = {
        QStringLiteral("ExternalContacts"), QStringLiteral("PersonMetadata"),
        QStringLiteral("Suggested Contacts"), QStringLiteral("Vorgeschlagene Kontakte"),
        QStringLiteral("Recipient Cache"), QStringLiteral("Empfängercache"), QStringLiteral("Empfänger-Cache"),
        QStringLiteral("GAL Contacts"), QStringLiteral("Organizational Contacts"), QStringLiteral("Companies"),
        QStringLiteral("Quick Contacts"), QStringLiteral("Contact Search"), QStringLiteral("Skype for Business Contacts"),
    };
    if (kNamen.contains(o.name.trimmed(), Qt::CaseInsensitive))
        return true;
    // Folders Outlook names by a GUID ("{06967759-274D-40B2-A3EB-D7F9E73727D7}").
    if (o.name.startsWith(u'{') && o.name.endsWith(u'}'))
        return true;
    // Subclasses of IPF.Contact are Outlook's own: the recipient cache, the GAL copy, Lync's lists.
    return klasseIst(o.klasse, "IPF.Contact") && !OutlookKlasseKontakte(o.klasse);
}

bool OutlookOrdnerWaehlbar(const QVector<OutlookOrdner>& baum, int index)
{
    // The parent chain is bounded by the list's size, whatever the indexes say.
    for (int schritte = 0; index >= 0 && index < baum.size() && schritte <= baum.size(); ++schritte) {
        const OutlookOrdner& o = baum[index];
        if (o.versteckt || o.suchordner || OutlookSonderordner(o))
            return false;
        index = o.eltern;
    }
    return true;
}

int OutlookKontakteOrdnerWaehlen(const QVector<OutlookOrdner>& baum, quint32 standardOrdner)
{
    if (standardOrdner != 0) {
        for (int i = 0; i < baum.size(); ++i)
            if (baum[i].id == standardOrdner && !baum[i].suchordner)
                return i;
    }
    const auto flachster = [&](auto passt) {
        int best = -1;
        for (int i = 0; i < baum.size(); ++i)
            if (passt(baum[i]) && OutlookOrdnerWaehlbar(baum, i) && (best < 0 || baum[i].tiefe < baum[best].tiefe))
                best = i;
        return best;
    };
    int i = flachster([](const OutlookOrdner& o) { return OutlookKlasseKontakte(o.klasse) && o.kontakte > 0; });
    if (i < 0)
        i = flachster([](const OutlookOrdner& o) { return OutlookKlasseNotiz(o.klasse) && o.kontakte > 0; });
    if (i < 0)
        i = flachster([](const OutlookOrdner& o) { return OutlookKlasseKontakte(o.klasse); });
    return i;
}
