#include "exchange/ImportDatenKompaktForm.h"
#include "platform/AltDatenbank.h"

TAltEdition TImportDatenKompaktForm::Edition()
{
    TAltEdition e;
    e.zenit = false;
    e.objectName = QStringLiteral("ImportDatenKompaktForm");
    e.caption = QStringLiteral("Import der Daten aus Vornix Kompakt");
    e.label1 = QStringLiteral("Mit diesem Dialog können Sie Daten aus Vornix Kompakt importieren.");
    e.label2 = QStringLiteral("Für einen erfolgreichen Import muss die Vornix Kompakt Software auf Ihrem");
    e.label3 = QStringLiteral("Rechner installiert sein.");
    e.alias = QString::fromLatin1(AltDatenbankNamen::kAliasKompakt);
    e.suffix = QStringLiteral(" [Vornix Kompakt]");
    e.hinweis = QStringLiteral("Bitte greifen Sie während des kompletten Importvorgangs mit keiner anderen "
                               "Anwendung auf die Datenbanken von Vornix Kompakt zu.");
    e.startText = QStringLiteral("Bitte warten... die Daten aus Vornix Kompakt werden importiert.");
    e.fehlerFormat = QStringLiteral("Es konnte keine Verbindung zur Datenbank von Vornix Kompakt hergestellt "
                                    "werden.\n\rFehlermeldung: %s");
    e.erfolg = QStringLiteral("Die Daten aus Vornix Kompakt wurden erfolgreich importiert.");
    return e;
}

TImportDatenKompaktForm::TImportDatenKompaktForm(const QString& aliasDatei, QWidget* parent)
    : TImportDatenForm(Edition(), aliasDatei, parent)
{
}
