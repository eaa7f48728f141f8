#include "exchange/SmsExportCsvForm.h"
#include "foundation/Global.h"
#include "foundation/Messages.h"
#include "sms/Protokoll.h"
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

TSmsExportCsvForm::TSmsExportCsvForm(QWidget* parent)
    : TCsvExportForm(QStringLiteral("SmsExportCsvForm"),
                     QStringLiteral("SMS-Protokoll als CSV-Datei exportieren"),
                     QStringLiteral("Bitte geben Sie eine Datei an, in die die SMS exportiert werden "
                                    "sollen."),
                     QStringLiteral("Vornix_Protokoll.csv"), parent),
      Spalten{QStringLiteral("Versandzeitpunkt"), QStringLiteral("Zielrufnummer"),
              QStringLiteral("Absender"), QStringLiteral("SMS-Typ"), QStringLiteral("Message-ID"),
              QStringLiteral("Request-ID"), QStringLiteral("Sender-IP"),
              QStringLiteral("Nachrichtenteile"), QStringLiteral("opCountry"), QStringLiteral("opNet"),
              QStringLiteral("Status"), QStringLiteral("Nachrichtentext")}
{
    FinishLayout();
    connect(Btn_OK, &QPushButton::clicked, this, &TSmsExportCsvForm::Btn_OKClick);
}

void TSmsExportCsvForm::showEvent(QShowEvent* event)
{
    TCsvExportForm::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSmsExportCsvForm::FormShow()
{
    ResetInput();
    Btn_Dateiname->setFocus();
}

void TSmsExportCsvForm::Btn_OKClick()
{
    if (IsRunning() || !CheckInput())
        return;
    const QString path = Dateiname->text();
    const bool ok = RunExport(
        Spalten,
        QStringLiteral("Bitte warten... das SMS-Protokoll wird exportiert (%1% abgeschlossen)."),
        [] { return ProtokollAnzahl(); },
        [&](const AddRowFn& add) {
            ProtokollFuerExport([&](const TVersandteSms& z) {
                add({DatumZeitText(z.ist),
                     z.dnr, z.absender, z.typ, z.messageid, z.userrequestid, z.ip,
                     QString::number(z.msgparts), z.opcountry, z.opnet,
                     GetProtokollStatusText(z.statusid), GetProtokollContentText(z.typ, z.content)});
            });
        });
    if (!ok)
        return;
    Msg::Information(QStringLiteral("Das SMS-Protokoll wurde erfolgreich nach '%1' exportiert.").arg(path));
    accept();
}
