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
const char* const kKategorienSelect = "SELECT id, beschreibung FROM kategorien";
const char* const kKatzuordSelect = "SELECT adressenid, kategorienid FROM katzuord";
const char* const kAdressenSelect =
    "SELECT id, anrede, vorname_1, vorname_2, nachname, geburtsdatum, firma, "
    "privat_anschrift, privat_land, privat_plz, privat_ort, "
    "privat_telefon, privat_telefax, privat_handy, privat_anschreiben_sms, "
    "privat_email, privat_anschreiben_email, privat_homepage, "
    "firma_anschrift, firma_land, firma_plz, firma_ort,"
    "firma_telefon, firma_telefax, firma_handy, firma_anschreiben_sms, "
    "firma_email, firma_anschreiben_email, firma_homepage, "
    "nieanschreiben FROM adressen";

// Field indexes of one address block ("privat_" or "firma_").
struct Block {
    int anschrift, land, plz, ort, telefon, telefax, handy, sms, email, mail, homepage;
    Block(const AltAbfrage& q, const QString& v)
        : anschrift(q.Feld(v + "anschrift")), land(q.Feld(v + "land")), plz(q.Feld(v + "plz")),
          ort(q.Feld(v + "ort")), telefon(q.Feld(v + "telefon")), telefax(q.Feld(v + "telefax")),
          handy(q.Feld(v + "handy")), sms(q.Feld(v + "anschreiben_sms")), email(q.Feld(v + "email")),
          mail(q.Feld(v + "anschreiben_email")), homepage(q.Feld(v + "homepage"))
    {
    }
};

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
                kontakte ? alt->Oeffnen(QLatin1String(kAdressenSelect))->RecordCount() : 0);
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

void TImportDatenForm::Importiere(const TAltEdition& edition, AltDatenbank& alt, bool kategorien,
                                  bool kontakte, bool zuordnungen, QStatusBar* statusBar)
{
    // Old id -> new id; a missing entry reads as 0.
    QHash<qint64, int> gruppenIds;
    QHash<qint64, int> kontaktIds;

    if (kategorien) {
        const QString format = QStringLiteral("Bitte warten... die Kategorien werden importiert (%d%% abgeschlossen).");
        if (statusBar)
            statusBar->showMessage(TImportFortschritt::Text(format, 0));
        auto q = alt.Oeffnen(QLatin1String(kKategorienSelect));
        const int n = q->RecordCount();
        if (n > 0) {
            TImportFortschritt fortschritt(statusBar, format, n);
            TKontaktDaten::TKategorieImport schreiben;
            const int id = q->Feld(QStringLiteral("id"));
            const int beschreibung = q->Feld(QStringLiteral("beschreibung"));
            while (q->Next()) {
                const QString name = q->Text(beschreibung);
                // Kompakt has no use for a category without a name; Zenit keeps it.
                if (edition.zenit || !name.isEmpty())
                    gruppenIds.insert(q->Integer(id), schreiben.Importiere(TruncateText(name + edition.suffix, 100)));
                fortschritt.Weiter();
            }
        }
    }

    if (kontakte) {
        const QString format = QStringLiteral("Bitte warten... die Kontakte werden importiert (%d%% abgeschlossen).");
        if (statusBar)
            statusBar->showMessage(TImportFortschritt::Text(format, 0));
        auto q = alt.Oeffnen(QLatin1String(kAdressenSelect));
        const int n = q->RecordCount();
        if (n > 0) {
            TImportFortschritt fortschritt(statusBar, format, n);
            TKontaktDaten::TKontaktImport schreiben(0);
            const QStringList vorwahlen = DatenModul->LaenderVorwahlen();
            const AltAbfrage& a = *q;
            const int id = a.Feld(QStringLiteral("id")), anrede = a.Feld(QStringLiteral("anrede"));
            const int vorname1 = a.Feld(QStringLiteral("vorname_1")), vorname2 = a.Feld(QStringLiteral("vorname_2"));
            const int nachname = a.Feld(QStringLiteral("nachname")), firma = a.Feld(QStringLiteral("firma"));
            const int geburtsdatum = a.Feld(QStringLiteral("geburtsdatum"));
            const int nie = a.Feld(QStringLiteral("nieanschreiben"));
            const Block p(a, QStringLiteral("privat_")), f(a, QStringLiteral("firma_"));
            const auto flag = [&](int feld) { return edition.zenit ? a.Integer(feld) == 1 : a.Boolean(feld); };
            const auto text = [&](int feld, int breite) { return TDatenModul::Text(TruncateText(a.Text(feld), breite)); };
            QVector<std::pair<QString, QVariant>> s;
            while (q->Next()) {
                const QString v2 = a.Text(vorname2);
                const QString vorname = v2.isEmpty() ? a.Text(vorname1) : a.Text(vorname1) + QLatin1Char(' ') + v2;
                const bool nieAnschreiben = flag(nie);
                // Number and address each come with the flag of the block they were taken from.
                const bool privatHandy = !a.Text(p.handy).isEmpty();
                QString mobil = a.Text(privatHandy ? p.handy : f.handy);
                const bool mobilSend = flag(privatHandy ? p.sms : f.sms) && !nieAnschreiben;
                NormalizeMobilnummer(vorwahlen, mobil);
                const bool privatEmail = !a.Text(p.email).isEmpty();
                const QString email = a.Text(privatEmail ? p.email : f.email);
                const bool emailSend = flag(privatEmail ? p.mail : f.mail) && !nieAnschreiben;

                s.clear();
                s.append({QStringLiteral("geschlecht"), geschlechtVonAnrede(a.Text(anrede))});
                s.append({QStringLiteral("vorname"), TDatenModul::Text(TruncateText(vorname, 60))});
                s.append({QStringLiteral("nachname"), text(nachname, 60)});
                s.append({QStringLiteral("firma"), text(firma, 60)});
                s.append({QStringLiteral("kdnr"), QString("")});
                s.append({QStringLiteral("mobil"), TDatenModul::Text(TruncateText(mobil, 30))});
                s.append({QStringLiteral("mobil_send"), mobilSend ? 1 : 0});
                s.append({QStringLiteral("email"), TDatenModul::Text(TruncateText(email, 255))});
                s.append({QStringLiteral("email_send"), emailSend ? 1 : 0});
                if (!a.Text(geburtsdatum).isEmpty())
                    s.append({QStringLiteral("geburtsdatum"), a.DateTime(geburtsdatum).date()});
                s.append({QStringLiteral("p_strasse"), text(p.anschrift, 60)});
                s.append({QStringLiteral("p_plz"), text(p.plz, 10)});
                s.append({QStringLiteral("p_ort"), text(p.ort, 60)});
                s.append({QStringLiteral("p_land"), text(p.land, 60)});
                s.append({QStringLiteral("p_telefon"), text(p.telefon, 30)});
                s.append({QStringLiteral("p_telefax"), text(p.telefax, 30)});
                s.append({QStringLiteral("p_webseite"), text(p.homepage, 255)});
                s.append({QStringLiteral("f_strasse"), text(f.anschrift, 60)});
                s.append({QStringLiteral("f_plz"), text(f.plz, 10)});
                s.append({QStringLiteral("f_ort"), text(f.ort, 60)});
                s.append({QStringLiteral("f_land"), text(f.land, 60)});
                s.append({QStringLiteral("f_telefon"), text(f.telefon, 30)});
                s.append({QStringLiteral("f_telefax"), text(f.telefax, 30)});
                s.append({QStringLiteral("f_webseite"), text(f.homepage, 255)});
                kontaktIds.insert(a.Integer(id), schreiben.Importiere(s));
                fortschritt.Weiter();
            }
            schreiben.Abschliessen();
        }
    }

    if (zuordnungen) {
        const QString format =
            QStringLiteral("Bitte warten... die Kategoriezuordnungen werden importiert (%d%% abgeschlossen).");
        if (statusBar)
            statusBar->showMessage(TImportFortschritt::Text(format, 0));
        auto q = alt.Oeffnen(QLatin1String(kKatzuordSelect));
        const int n = q->RecordCount();
        if (n > 0) {
            TImportFortschritt fortschritt(statusBar, format, n);
            TKontaktDaten::TZuordnungImport schreiben;
            const int adressenId = q->Feld(QStringLiteral("adressenid"));
            const int kategorienId = q->Feld(QStringLiteral("kategorienid"));
            while (q->Next()) {
                const int k = kontaktIds.value(q->Integer(adressenId), 0);
                const int g = gruppenIds.value(q->Integer(kategorienId), 0);
                // Assignments to a skipped or unknown contact or group are dropped.
                if (k > 0 && g > 0)
                    schreiben.Importiere(k, g);
                fortschritt.Weiter();
            }
            schreiben.Abschliessen();
        }
    }
}


