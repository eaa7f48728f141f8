#include "exchange/ImportDatenZenitForm.h"
#include "platform/AltDatenbank.h"

TAltEdition TImportDatenZenitForm::Edition()
{
    TAltEdition e;
    e.zenit = true;
    e.objectName = QStringLiteral("ImportDatenZenitForm");
    e.caption = QStringLiteral("Import der Daten aus Vornix Zenit");
    e.label1 = QStringLiteral("Mit diesem Dialog können Sie Daten aus Vornix Zenit importieren.");
    e.label2 = QStringLiteral("Für einen erfolgreichen Import muss der Interbase Client (dieser wird zusammen");
    e.label3 = QStringLiteral("mit Vornix Zenit installiert) auf Ihrem Rechner installiert sein.");
    e.alias = QString::fromLatin1(AltDatenbankNamen::kAliasZenit);
    e.suffix = QStringLiteral(" [Vornix Zenit]");
    e.hinweis = QStringLiteral("Bitte greifen Sie während des kompletten Importvorgangs mit keiner anderen "
                               "Anwendung auf die Datenbanken von Vornix Zenit zu.");
    e.startText = QStringLiteral("Bitte warten... die Daten aus Vornix Zenit werden importiert.");
    e.fehlerFormat = QStringLiteral("Es konnte keine Verbindung zur Datenbank von Vornix Zenit hergestellt "
                                    "werden.\n\rFehlermeldung: %s");
    e.erfolg = QStringLiteral("Die Daten aus Vornix Zenit wurden erfolgreich importiert.");
    return e;
}

TImportDatenZenitForm::TImportDatenZenitForm(const QString& aliasDatei, QWidget* parent)
    : TImportDatenForm(Edition(), aliasDatei, parent)
{
}
