#include "OutlookKontakteFake.h"

namespace {
OutlookFehler verbindung(const QString& text) { return OutlookFehler(OutlookFehler::Stufe::Verbindung, text); }
OutlookFehler auslesen(const QString& text) { return OutlookFehler(OutlookFehler::Stufe::Auslesen, text); }
}

void OutlookKontakteFake::Start(const OutlookDateiWahl&)
{
    if (m_startFehler)
        throw verbindung(*m_startFehler);
    m_gestartet = true;
}

void OutlookKontakteFake::GetNamespace(const QString& name)
{
    if (!m_gestartet || name != QLatin1String("MAPI"))
        throw verbindung(QStringLiteral("Unbekannter Namensraum \"") + name + QStringLiteral("\"."));
    if (m_namespaceFehler)
        throw verbindung(*m_namespaceFehler);
    m_namespace = true;
}

void OutlookKontakteFake::GetDefaultFolder(int ordner)
{
    if (!m_namespace || ordner != kOutlookKontakteOrdner)
        throw auslesen(QStringLiteral("Der Ordner ") + QString::number(ordner) + QStringLiteral(" ist nicht verfügbar."));
    if (m_ordnerFehler)
        throw auslesen(*m_ordnerFehler);
    m_ordner = true;
}

int OutlookKontakteFake::ItemsCount()
{
    if (!m_ordner)
        throw auslesen(QStringLiteral("Kein Ordner geöffnet."));
    return int(kontakte.size());
}

OutlookKontakt OutlookKontakteFake::Item(int i)
{
    if (!m_ordner || i < 1 || i > kontakte.size())
        throw auslesen(QStringLiteral("Das Element ") + QString::number(i) + QStringLiteral(" existiert nicht."));
    if (m_itemFehler && m_itemFehler->first == i)
        throw auslesen(m_itemFehler->second);
    OutlookKontakt k = kontakte[i - 1];
    if (m_eigenschaftFehler && m_eigenschaftFehler->first == i)
        k.SetFehler(m_eigenschaftFehler->second.first, m_eigenschaftFehler->second.second);
    return k;
}
