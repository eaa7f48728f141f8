#include "exchange/ImportDatenForm.h"
#include "foundation/WidgetKit.h"
#include "contacts/KontaktDaten.h"
#include "exchange/KontaktImport.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "platform/AltDatenbank.h"
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QVBoxLayout>
#include <optional>

namespace {

int geschlechtVonAnrede(const QString& anrede)
{
    const QString gross = QLocale().toUpper(anrede);
    if (gross == QLatin1String("FRAU"))
        return 3;
    if (gross == QLatin1String("HERR"))
        return 2;
    return 1;
}
}

TImportDatenForm::TImportDatenForm(TAltEdition edition, QString aliasDatei, QWidget* parent)
    : TLaufDialog(parent), m_edition(std::move(edition)), m_aliasDatei(std::move(aliasDatei))
{
    setObjectName(m_edition.objectName);
    UseDialogKeys(this);
    setWindowTitle(m_edition.caption);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);

    Label1 = NewLabel(this, "Label1", m_edition.label1, {.bold = true});
    Label2 = NewLabel(this, "Label2", m_edition.label2);
    Label3 = NewLabel(this, "Label3", m_edition.label3);
    Label4 = NewLabel(this, "Label4", QStringLiteral("Bitte wählen Sie, welche Daten importiert werden sollen:"));
    Import_Kategorien = NewCheckBox(this, "Import_Kategorien", QStringLiteral("Kategorien"));
    Import_Kontakte = NewCheckBox(this, "Import_Kontakte", QStringLiteral("Kontakte"));
    Import_KatZuOrd = NewCheckBox(this, "Import_KatZuOrd", QStringLiteral("Zuordnung der Kontakte zu Kategorien"));
    NewOkAbbrechen(this, Btn_OK, Btn_Abbrechen);
    StatusBar = NewDialogStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addSpacing(4);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->setSpacing(2);
    if (m_edition.zenit) {
        PasswortDb = NewEdit(this, "PasswortDb");
        PasswortDb->setEchoMode(QLineEdit::Password);
        layout->addSpacing(10);
        layout->addWidget(NewLabel(this, "Label5", QStringLiteral("Das Passwort zur DB muss mit der Angabe in dem "
                                                               "Programm 'Verbindungsassistent' über-")));
        layout->addWidget(NewLabel(this, "Label6", QStringLiteral("einstimmen, das zusammen mit Vornix Zenit "
                                                               "ausgeliefert wurde.")));
        auto* row = new QHBoxLayout;
        QLabel* label8 = NewLabel(this, "Label8", QStringLiteral("Passwort zur DB:"), {.buddy = PasswortDb});
        row->addWidget(label8);
        row->addWidget(PasswortDb);
        row->addStretch();
        layout->addSpacing(4);
        layout->addLayout(row);
    }
    layout->addSpacing(10);
    layout->addWidget(Label4);
    layout->addSpacing(4);
    layout->addWidget(Import_Kategorien);
    layout->addWidget(Import_Kontakte);
    layout->addWidget(Import_KatZuOrd);
    layout->addSpacing(10);
    AddOkAbbrechenRow(layout, Btn_OK, Btn_Abbrechen, StatusBar);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (PasswortDb)
        setTabOrder(PasswortDb, Import_Kategorien);

    connect(Btn_OK, &QPushButton::clicked, this, &TImportDatenForm::Btn_OKClick);
    connect(Btn_Abbrechen, &QPushButton::clicked, this, &TImportDatenForm::reject);
}

void TImportDatenForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TImportDatenForm::FormShow()
{
    if (PasswortDb)
        PasswortDb->clear();
    Import_Kategorien->setChecked(false);
    Import_Kontakte->setChecked(false);
    Import_KatZuOrd->setChecked(false);
    StatusBar->clearMessage();
    if (PasswortDb)
        PasswortDb->setFocus();
}

bool TImportDatenForm::CheckInput()
{
    if (Import_KatZuOrd->isChecked() && !(Import_Kategorien->isChecked() && Import_Kontakte->isChecked())) {
        Msg::Information(QStringLiteral("Sie können die Zuordnung der Kontakte zu Kategorien nur importieren, "
                                        "falls Sie sowohl die Kontakte als auch die Kategorien importieren."));
        return false;
    }
    if (Import_Kategorien->isChecked() || Import_Kontakte->isChecked())
        return true;
    Msg::Information(QStringLiteral("Bitte wählen Sie, welche Daten importiert werden sollen."));
    return false;
}

void TImportDatenForm::Btn_OKClick()
{
    if (m_running || !CheckInput())
        return;
    Msg::Information(m_edition.hinweis);
    // Progress steps let events through: nothing may start a second run or close the dialog.
    m_running = true;
    Btn_OK->setEnabled(false);
    Btn_Abbrechen->setEnabled(false);
    const bool kategorien = Import_Kategorien->isChecked();
    const bool kontakte = Import_Kontakte->isChecked();
    const bool zuordnungen = Import_KatZuOrd->isChecked();
    std::optional<QString> fehler;
    {
        WaitCursor wait;
        StatusBar->showMessage(m_edition.startText);
        StatusBar->repaint();
        std::unique_ptr<AltDatenbank> alt;
        try {
            const QString benutzer = m_edition.zenit ? QStringLiteral("VORNIX_NET") : QString();
            const QString passwort = m_edition.zenit ? PasswortDb->text() : QString();
            if (m_edition.zenit) {
                // A server may keep us waiting; say for what and for how long at most.
                StatusBar->showMessage(QStringLiteral("Bitte warten... die Verbindung zur Datenbank von Vornix Zenit wird hergestellt (höchstens %1 Sekunden).")
                                           .arg(kServerWartezeitMs / 1000));
                StatusBar->repaint();
            }
            alt = AltDatenbank::Verbinden(m_aliasDatei, m_edition.alias, benutzer, passwort);
            StatusBar->showMessage(m_edition.startText);
            const TKontaktDaten::TListenIndizesAus indizesAus(
                kontakte ? AltAdressen(*alt, m_edition.zenit).Anzahl() : 0);
            // One unit: a failure on the way leaves nothing behind.
            DatenModul->Unit([&] { Importiere(m_edition, *alt, kategorien, kontakte, zuordnungen, StatusBar); });
        } catch (const AltDatenbankFehler& f) {
            fehler = f.Text();
        } catch (...) {
            fehler = FailureOf([] { throw; }).value_or(QString());
        }
        // Disconnected, status cleared and cursor normal before anything is shown.
        alt.reset();
        StatusBar->clearMessage();
    }
    Btn_OK->setEnabled(true);
    Btn_Abbrechen->setEnabled(true);
    m_running = false;
    if (fehler) {
        QString text = m_edition.fehlerFormat;
        text.replace(QLatin1String("%s"), *fehler);
        Msg::Error(text);
        return;
    }
    Msg::Information(m_edition.erfolg);
    accept();
}

namespace {

// Old id -> new id; a missing entry reads as 0.
using TNeueIds = QHash<qint64, int>;

// The status text of a step at 0%, before its rows are counted.
void zeigeBeginn(QStatusBar* statusBar, const QString& format)
{
    if (statusBar)
        statusBar->showMessage(TImportFortschritt::Text(format, 0));
}

TNeueIds importiereKategorien(const TAltEdition& edition, AltDatenbank& alt, QStatusBar* statusBar)
{
    TNeueIds gruppenIds;
    const QString format = QStringLiteral("Bitte warten... die Kategorien werden importiert (%d%% abgeschlossen).");
    zeigeBeginn(statusBar, format);
    AltKategorien q(alt);
    const int n = q.Anzahl();
    if (n <= 0)
        return gruppenIds;
    TImportFortschritt fortschritt(statusBar, format, n);
    TKontaktDaten::TKategorieImport schreiben;
    while (q.Next()) {
        const QString name = q.Beschreibung();
        // Kompakt has no use for a category without a name; Zenit keeps it.
        if (edition.zenit || !name.isEmpty()) {
            const QString neu = TruncateText(name + edition.suffix, TKontaktDaten::kKategorieNameBreite);
            gruppenIds.insert(q.Id(), schreiben.Importiere(neu));
        }
        fortschritt.Weiter();
    }
    return gruppenIds;
}

// The current address as a contact with every field, the birth date NULL where it has none.
void kontaktAusAdresse(const AltAdressen& a, const QStringList& vorwahlen, TKontakt& k)
{
    using A = AltAdressen;
    const QString v2 = a.Text(A::Vorname2);
    k.vorname = v2.isEmpty() ? a.Text(A::Vorname1) : a.Text(A::Vorname1) + QLatin1Char(' ') + v2;
    const bool nieAnschreiben = a.Flag(A::NieAnschreiben);
    // Number and address each come with the flag of the block they were taken from.
    const bool privatHandy = !a.Text(true, A::Handy).isEmpty();
    k.mobil = a.Text(privatHandy, A::Handy);
    k.mobilSend = a.Flag(privatHandy, A::AnschreibenSms) && !nieAnschreiben ? 1 : 0;
    NormalizeMobilnummer(vorwahlen, k.mobil);
    const bool privatEmail = !a.Text(true, A::Email).isEmpty();
    k.email = a.Text(privatEmail, A::Email);
    k.emailSend = a.Flag(privatEmail, A::AnschreibenEmail) && !nieAnschreiben ? 1 : 0;

    k.geschlechtId = geschlechtVonAnrede(a.Text(A::Anrede));
    k.nachname = a.Text(A::Nachname);
    k.firma = a.Text(A::Firma);
    k.kdnr = QString("");
    k.geburtsdatum = a.Text(A::Geburtsdatum).isEmpty() ? QDate() : a.DateTime(A::Geburtsdatum).date();
    for (const bool privat : {true, false}) {
        (privat ? k.pStrasse : k.fStrasse) = a.Text(privat, A::Anschrift);
        (privat ? k.pPlz : k.fPlz) = a.Text(privat, A::Plz);
        (privat ? k.pOrt : k.fOrt) = a.Text(privat, A::Ort);
        (privat ? k.pLand : k.fLand) = a.Text(privat, A::Land);
        (privat ? k.pTelefon : k.fTelefon) = a.Text(privat, A::Telefon);
        (privat ? k.pTelefax : k.fTelefax) = a.Text(privat, A::Telefax);
        (privat ? k.pWebseite : k.fWebseite) = a.Text(privat, A::Homepage);
    }
}

TNeueIds importiereKontakte(const TAltEdition& edition, AltDatenbank& alt, QStatusBar* statusBar)
{
    TNeueIds kontaktIds;
    const QString format = QStringLiteral("Bitte warten... die Kontakte werden importiert (%d%% abgeschlossen).");
    zeigeBeginn(statusBar, format);
    AltAdressen a(alt, edition.zenit);
    const int n = a.Anzahl();
    if (n <= 0)
        return kontaktIds;
    TImportFortschritt fortschritt(statusBar, format, n);
    TKontaktDaten::TKontaktImport schreiben(0);
    const QStringList vorwahlen = DatenModul->LaenderVorwahlen();
    const TKontaktFelder felder = TKontaktFelder::Alle();
    TKontakt k;
    while (a.Next()) {
        kontaktAusAdresse(a, vorwahlen, k);
        kontaktIds.insert(a.Integer(AltAdressen::Id), schreiben.Importiere(k, felder));
        fortschritt.Weiter();
    }
    schreiben.Abschliessen();
    return kontaktIds;
}

void importiereZuordnungen(AltDatenbank& alt, const TNeueIds& kontaktIds, const TNeueIds& gruppenIds,
                           QStatusBar* statusBar)
{
    const QString format =
        QStringLiteral("Bitte warten... die Kategoriezuordnungen werden importiert (%d%% abgeschlossen).");
    zeigeBeginn(statusBar, format);
    AltZuordnungen q(alt);
    const int n = q.Anzahl();
    if (n <= 0)
        return;
    TImportFortschritt fortschritt(statusBar, format, n);
    TKontaktDaten::TZuordnungImport schreiben;
    while (q.Next()) {
        const int k = kontaktIds.value(q.AdressenId(), 0);
        const int g = gruppenIds.value(q.KategorienId(), 0);
        // Assignments to a skipped or unknown contact or group are dropped.
        if (k > 0 && g > 0)
            schreiben.Importiere(k, g);
        fortschritt.Weiter();
    }
    schreiben.Abschliessen();
}
} // namespace

void TImportDatenForm::Importiere(const TAltEdition& edition, AltDatenbank& alt, bool kategorien,
                                  bool kontakte, bool zuordnungen, QStatusBar* statusBar)
{
    const TNeueIds gruppenIds = kategorien ? importiereKategorien(edition, alt, statusBar) : TNeueIds();
    const TNeueIds kontaktIds = kontakte ? importiereKontakte(edition, alt, statusBar) : TNeueIds();
    if (zuordnungen)
        importiereZuordnungen(alt, kontaktIds, gruppenIds, statusBar);
}
