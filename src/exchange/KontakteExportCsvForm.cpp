#include "exchange/KontakteExportCsvForm.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/WidgetKit.h"
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
    Kontaktgruppen = NewDropDown(this, "Kontaktgruppen", {});
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
    const bool ok = RunExport(
        Spalten, QStringLiteral("Bitte warten... die Kontakte werden exportiert (%1% abgeschlossen)."),
        [&] { return TKontaktDaten::KontaktAnzahl(kategorieId); },
        [&](const AddRowFn& add) {
            QStringList values(Spalten.size());   // one list for every row
            const auto zahl = [](int n) {
                // The small codes without an allocation per row.
                static const QString kleine[] = {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                                                 QStringLiteral("3")};
                return n >= 0 && n <= 3 ? kleine[n] : QString::number(n);
            };
            TKontaktDaten::KontakteMitGruppenFuerExport(
                kategorieId, [&](int, const TKontakt& k, const QString& gruppen) {
                    QString* v = values.data();
                    v[0] = zahl(k.geschlechtId);
                    v[1] = k.vorname;
                    v[2] = k.nachname;
                    v[3] = k.firma;
                    v[4] = DatumText(k.geburtsdatum);
                    v[5] = k.kdnr;
                    v[6] = k.mobil;
                    v[7] = zahl(k.mobilSend);
                    v[8] = DatumText(k.mobilLastSend.date());
                    v[9] = k.email;
                    v[10] = zahl(k.emailSend);
                    v[11] = k.pStrasse;
                    v[12] = k.pPlz;
                    v[13] = k.pOrt;
                    v[14] = k.pLand;
                    v[15] = k.pTelefon;
                    v[16] = k.pTelefax;
                    v[17] = k.pWebseite;
                    v[18] = k.fStrasse;
                    v[19] = k.fPlz;
                    v[20] = k.fOrt;
                    v[21] = k.fLand;
                    v[22] = k.fTelefon;
                    v[23] = k.fTelefax;
                    v[24] = k.fWebseite;
                    v[25] = gruppen;
                    add(values);
                });
        });
    if (!ok)
        return;
    Msg::Information(QStringLiteral("Die Kontakte wurden erfolgreich nach '%1' exportiert.").arg(path));
    accept();
}
