#include "exchange/KontakteImportOutlookForm.h"
#include "foundation/WidgetKit.h"
#include "contacts/KontaktDaten.h"
#include "exchange/KontaktImport.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "platform/FileDialogs.h"
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {
const char* const kFortschritt = "Bitte warten... die Outlook-Kontakte werden importiert (%d%% abgeschlossen).";
const char* const kVerbindungFehler =
    "Es konnte keine Verbindung zu Mircosoft Outlook hergestellt werden.\n\rFehlermeldung: ";
const char* const kAuslesenFehler = "Beim Auslesen bzw. Verarbeiten der Kontaktdaten von Mircosoft Outlook ist "
                                    "ein Fehler aufgetreten.\n\rFehlermeldung: ";

// Restores the normal cursor while the user picks the data file inside a run.
QString DateiWaehlen(QWidget* parent)
{
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const QString datei = FileDialogs::GetOpenFileName(parent, QString::fromUtf8(kOutlookDateiTitel), QString(),
                                                       QString::fromUtf8(kOutlookDateiFilter));
    QApplication::restoreOverrideCursor();
    return datei;
}
}

TKontakteImportOutlookForm::TKontakteImportOutlookForm(OutlookQuelle quelle, QWidget* parent)
    : TLaufDialog(parent), m_quelle(std::move(quelle))
{
    setObjectName(QStringLiteral("KontakteImportOutlookForm"));
    UseDialogKeys(this);
    setWindowTitle(QStringLiteral("Kontakte aus Outlook importieren"));
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);

    Label33 = NewHeading(this, QStringLiteral("Bitte wählen Sie, ob die importierten Kontakte einer Kategorie "
                                        "zugeordnet werden sollen."), "Label33");
    Label34 = NewLabel(this, "Label34", QStringLiteral("Kontakte zu Kategorie zuordnen:"));
    Kontaktgruppen = NewDropDown(this, "Kontaktgruppen", {});
    Kontaktgruppen->setMinimumWidth(260);
    Label34->setBuddy(Kontaktgruppen);
    NewOkAbbrechen(this, Btn_OK, Btn_Abbrechen);
    StatusBar = NewDialogStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label33);
    auto* row = new QHBoxLayout;
    row->addWidget(Label34);
    row->addWidget(Kontaktgruppen, 1);
    layout->addLayout(row);
    layout->addSpacing(8);
    AddOkAbbrechenRow(layout, Btn_OK, Btn_Abbrechen, StatusBar);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Btn_OK, &QPushButton::clicked, this, &TKontakteImportOutlookForm::Btn_OKClick);
    connect(Btn_Abbrechen, &QPushButton::clicked, this, &TKontakteImportOutlookForm::reject);
}

int TKontakteImportOutlookForm::Geschlecht(int gender, const QString& title)
{
    if (gender == 1)
        return 3;
    if (gender == 2)
        return 2;
    const QString anrede = QLocale().toUpper(title);
    if (anrede == QLatin1String("HERR"))
        return 2;
    if (anrede == QLatin1String("FRAU"))
        return 3;
    return 1;
}

TImportKontakt TKontakteImportOutlookForm::Kontakt(const OutlookKontakt& k, const QStringList& laenderVorwahlen)
{
    using E = OutlookEigenschaft;
    using F = TKontaktFeld;
    const QDateTime birthday = k.Birthday();
    const int gender = k.Gender();
    // Every field but the send flags, which keep their defaults.
    TImportKontakt w;
    w.felder = {F::Geschlecht, F::Vorname, F::Nachname, F::Firma, F::KdNr, F::Mobil, F::Email,
                              F::PStrasse, F::PPlz, F::POrt, F::PLand, F::PTelefon, F::PTelefax, F::PWebseite,
                              F::FStrasse, F::FPlz, F::FOrt, F::FLand, F::FTelefon, F::FTelefax, F::FWebseite};
    TKontakt& c = w.kontakt;
    c.geschlechtId = Geschlecht(gender, gender == 1 || gender == 2 ? QString() : k.Text(E::Title));
    c.vorname = k.Text(E::FirstName);
    c.nachname = k.Text(E::LastName);
    c.firma = k.Text(E::CompanyName);
    c.kdnr = QString("");
    // The normal form when the number is accepted, else the number as it came.
    c.mobil = k.Text(E::MobileTelephoneNumber);
    NormalizeMobilnummer(laenderVorwahlen, c.mobil);
    c.email = k.Text(E::Email1Address);
    if (birthday.date() != OutlookKontakt::KeinGeburtstag().date()) {
        c.geburtsdatum = birthday.date();
        w.felder << F::Geburtsdatum;
    }
    c.pStrasse = k.Text(E::HomeAddressStreet);
    c.pPlz = k.Text(E::HomeAddressPostalCode);
    c.pOrt = k.Text(E::HomeAddressCity);
    c.pLand = k.Text(E::HomeAddressCountry);
    c.pTelefon = k.Text(E::HomeTelephoneNumber);
    c.pTelefax = k.Text(E::HomeFaxNumber);
    c.pWebseite = k.Text(E::PersonalHomepage);
    c.fStrasse = k.Text(E::BusinessAddressStreet);
    c.fPlz = k.Text(E::BusinessAddressPostalCode);
    c.fOrt = k.Text(E::BusinessAddressCity);
    c.fLand = k.Text(E::BusinessAddressCountry);
    c.fTelefon = k.Text(E::BusinessTelephoneNumber);
    c.fTelefax = k.Text(E::BusinessFaxNumber);
    c.fWebseite = k.Text(E::BusinessHomePage);
    return w;
}

void TKontakteImportOutlookForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TKontakteImportOutlookForm::FormShow()
{
    Guard([&] { LoadKontaktgruppen(); });
    Kontaktgruppen->setCurrentIndex(0);
    StatusBar->clearMessage();
    Kontaktgruppen->setFocus();
}

void TKontakteImportOutlookForm::LoadKontaktgruppen()
{
    LadeImportKontaktgruppen(Kontaktgruppen, KontaktgruppenIds);
}

bool TKontakteImportOutlookForm::CheckInput()
{
    const int index = Kontaktgruppen->currentIndex();
    if (index >= 0 && index < KontaktgruppenIds.size())
        return true;
    Msg::Information(QStringLiteral("Bitte wählen Sie eine Kontaktgruppe aus der Liste."));
    Kontaktgruppen->setFocus();
    return false;
}

void TKontakteImportOutlookForm::Btn_OKClick()
{
    if (m_running || !CheckInput())
        return;
    const int kategorieId = KontaktgruppenIds[Kontaktgruppen->currentIndex()];
    // Progress steps let events through: nothing may start a second run or close the dialog.
    m_running = true;
    Btn_OK->setEnabled(false);
    Btn_Abbrechen->setEnabled(false);
    int anzahl = 0;
    const bool ok = Importiere(kategorieId, anzahl);
    Btn_OK->setEnabled(true);
    Btn_Abbrechen->setEnabled(true);
    m_running = false;
    if (!ok)
        return;
    if (anzahl == 0)
        Msg::Information(QStringLiteral("In Ihrem Outlook befinden sich keine gespeicherten Kontakte."));
    else
        Msg::Information(QStringLiteral("Es wurden %1 Outlook-Kontakte erfolgreich importiert.").arg(anzahl));
    accept();
}

bool TKontakteImportOutlookForm::Importiere(int kategorieId, int& anzahl)
{
    const QString format = QString::fromUtf8(kFortschritt);
    QString meldung;
    bool abgebrochen = false;
    {
        WaitCursor wait;
        StatusBar->showMessage(TImportFortschritt::Text(format, 0));
        StatusBar->repaint();
        std::unique_ptr<IOutlookKontakte> outlook;
        bool verbunden = false;
        try {
            outlook = m_quelle();
            outlook->Start([this] { return DateiWaehlen(this); });
            outlook->GetNamespace(QStringLiteral("MAPI"));
            verbunden = true;
            const QStringList vorwahlen = DatenModul->LaenderVorwahlen();
            outlook->GetDefaultFolder(kOutlookKontakteOrdner);
            const int n = outlook->ItemsCount();
            const TKontaktDaten::TListenIndizesAus indizesAus(n);
            // One unit: a failure on the way leaves no contact behind.
            DatenModul->Unit([&] {
                TKontaktDaten::TKontaktImport schreiben(kategorieId);
                TImportFortschritt fortschritt(StatusBar, format, n);
                for (int i = 1; i <= n; ++i) {
                    schreiben.Importiere(Kontakt(outlook->Item(i), vorwahlen));
                    fortschritt.Weiter();
                }
                schreiben.Abschliessen();
                anzahl = fortschritt.Anzahl();
            });
        } catch (const OutlookAbgebrochen&) {
            // The user cancelled the choice of the data file: nothing to say.
            abgebrochen = true;
        } catch (const OutlookFehler& f) {
            meldung = QString::fromUtf8(f.IstVerbindung() ? kVerbindungFehler : kAuslesenFehler) + f.Text();
        } catch (...) {
            const QString text = FailureOf([] { throw; }).value_or(QString());
            meldung = QString::fromUtf8(verbunden ? kAuslesenFehler : kVerbindungFehler) + text;
        }
        outlook.reset();
    }
    if (abgebrochen) {
        StatusBar->clearMessage();
        return false;
    }
    if (meldung.isNull()) {
        StatusBar->clearMessage();
        return true;
    }
    Msg::Error(meldung);
    StatusBar->clearMessage();
    return false;
}


