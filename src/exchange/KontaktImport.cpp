#include "exchange/KontaktImport.h"
#include "contacts/KontaktDaten.h"
#include "foundation/WaitCursor.h"
#include <QComboBox>
#include <QStatusBar>

void LadeImportKontaktgruppen(QComboBox* box, QVector<int>& ids)
{
    const QVector<TKategorie> gruppen = TKontaktDaten::Kategorien();
    ids.clear();
    ids.reserve(gruppen.size() + 1);
    QStringList namen;
    namen.reserve(gruppen.size() + 1);
    namen << QStringLiteral("[keiner Kontaktgruppe zuordnen]");
    ids << 0;
    for (const TKategorie& g : gruppen) {
        namen << g.name;
        ids << g.id;
    }
    box->clear();
    box->addItems(namen);
}

TImportFortschritt::TImportFortschritt(QStatusBar* bar, QString format, int total)
    : m_bar(bar), m_format(std::move(format)), m_total(total), m_step(ProgressStep(total))
{
    zeige(0);
}

QString TImportFortschritt::Text(const QString& format, int percent)
{
    QString s = format;
    s.replace(QLatin1String("%d"), QString::number(percent));
    s.replace(QLatin1String("%%"), QLatin1String("%"));
    return s;
}

void TImportFortschritt::Weiter()
{
    ++m_anzahl;
    if (m_anzahl % m_step == 0) {
        zeige(ProgressPercent(m_anzahl, m_total));
        ProcessPendingEvents();
    }
}

void TImportFortschritt::zeige(int percent)
{
    if (!m_bar)
        return;
    m_bar->showMessage(Text(m_format, percent));
    m_bar->repaint();
}
