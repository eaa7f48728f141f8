#include "exchange/KontakteExportCsvForm.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TKontakteExportCsvForm::TKontakteExportCsvForm(QWidget* parent)
    : TCsvExportForm(QStringLiteral("KontakteExportCsvForm"),
                     QStringLiteral("Kontakte als CSV-Datei exportieren"),
                     QStringLiteral("Bitte geben Sie eine Datei an, in die die Kontakte exportiert "
                                    "werden sollen."),
                     QStringLiteral("Vornix_Kontakte.csv"), parent),
      Spalten{QStringLiteral("Geschlecht"), QStringLiteral("Vorname"), QStringLiteral("Nachname"),
              QStringLiteral("Firma"), QStringLiteral("Geburtsdatum"), QStringLiteral("KdNr"),
              QStringLiteral("Mobil"), QStringLiteral("Mobil_Send"), QStringLiteral("Mobil_LastSend"),
              QStringLiteral("Email"), QStringLiteral("Email_Send"), QStringLiteral("P_Strasse"),
              QStringLiteral("P_Plz"), QStringLiteral("P_Ort"), QStringLiteral("P_Land"),
              QStringLiteral("P_Telefon"), QStringLiteral("P_Telefax"), QStringLiteral("P_Webseite"),
              QStringLiteral("F_Strasse"), QStringLiteral("F_Plz"), QStringLiteral("F_Ort"),
              QStringLiteral("F_Land"), QStringLiteral("F_Telefon"), QStringLiteral("F_Telefax"),
              QStringLiteral("F_Webseite"), QStringLiteral("Kontaktgruppen")}
{
    Kontaktgruppen = new QComboBox(this);
    Kontaktgruppen->setObjectName(QStringLiteral("Kontaktgruppen"));
    AddSection(Top(), QStringLiteral("Bitte wählen Sie, welche Kontaktgruppen exportiert werden sollen."),
               QStringLiteral("Zu exportierende Kontaktgruppe:"), Kontaktgruppen);
    FinishLayout();
    setTabOrder(Kontaktgruppen, Btn_Dateiname);
    setTabOrder(Btn_Dateiname, Trennzeichen);
    connect(Btn_OK, &QPushButton::clicked, this, &TKontakteExportCsvForm::Btn_OKClick);
}

void TKontakteExportCsvForm::showEvent(QShowEvent* event)
{
    TCsvExportForm::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TKontakteExportCsvForm::FormShow()
{
    Guard([&] { LoadKontaktgruppen(); });
    Kontaktgruppen->setCurrentIndex(0);
    ResetInput();
    Kontaktgruppen->setFocus();
}

void TKontakteExportCsvForm::LoadKontaktgruppen()
{
    Kontaktgruppen->clear();
    KontaktgruppenIds.clear();
    Kontaktgruppen->addItem(QStringLiteral("[alle Kontaktgruppen]"));
    KontaktgruppenIds.append(0);
    for (const TKategorie& k : TKontaktDaten::Kategorien()) {
        Kontaktgruppen->addItem(k.name);
        KontaktgruppenIds.append(k.id);
    }
}

void TKontakteExportCsvForm::Btn_OKClick()
{
    if (IsRunning() || !CheckInput())
        return;
    const int index = Kontaktgruppen->currentIndex();
    const int kategorieId = index >= 0 && index < KontaktgruppenIds.size() ? KontaktgruppenIds[index] : 0;
    const QString path = Dateiname->text();
    const QString datum = QStringLiteral("dd.MM.yyyy");
    const bool ok = RunExport(
        Spalten, QStringLiteral("Bitte warten... die Kontakte werden exportiert (%1% abgeschlossen)."),
        [&] { return TKontaktDaten::KontaktAnzahl(kategorieId); },
        [&](const AddRowFn& add) {
            TKontaktDaten::KontakteMitGruppenFuerExport(
                kategorieId, [&](int, const TKontakt& k, const QString& gruppen) {
                    add({QString::number(k.geschlechtId), k.vorname, k.nachname, k.firma,
                         k.geburtsdatum.isValid() ? k.geburtsdatum.toString(datum) : QString(),
                         k.kdnr, k.mobil, QString::number(k.mobilSend),
                         k.mobilLastSend.isValid() ? k.mobilLastSend.date().toString(datum) : QString(),
                         k.email, QString::number(k.emailSend),
                         k.pStrasse, k.pPlz, k.pOrt, k.pLand, k.pTelefon, k.pTelefax, k.pWebseite,
                         k.fStrasse, k.fPlz, k.fOrt, k.fLand, k.fTelefon, k.fTelefax, k.fWebseite,
                         gruppen});
                });
        });
    if (!ok)
        return;
    Msg::Information(QStringLiteral("Die Kontakte wurden erfolgreich nach '%1' exportiert.").arg(path));
    accept();
}
