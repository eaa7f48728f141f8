#include "exchange/KontakteImportCsvForm.h"
#include "foundation/WidgetKit.h"
#include "contacts/KontaktDaten.h"
#include "exchange/CsvDatei.h"
#include "exchange/CsvExportForm.h"
#include "exchange/KontaktImport.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "platform/FileDialogs.h"
#include <QComboBox>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStringListModel>
#include <QVBoxLayout>
#include <optional>

namespace {
constexpr const char* kKeineZuordnung = "[keine Zuordnung]";

using R = TKontakteImportCsvForm::Regel;

// The mapping lists as the scroll box shows them: a section title, or one row of one or two
// lists (positions in Zuordnungen()).
struct LayoutZeile {
    const char* abschnitt;
    int links;
    int rechts;
};
const LayoutZeile kLayout[] = {
    {"Allgemeine Daten", -1, -1},
    {nullptr, 0, -1},  {nullptr, 1, 3},   {nullptr, 2, 4},   {nullptr, 5, 6},
    {nullptr, 7, 8},   {nullptr, 9, -1},
    {"Private Kontaktdaten", -1, -1},
    {nullptr, 10, -1}, {nullptr, 11, 12}, {nullptr, 13, -1}, {nullptr, 14, 15},
    {nullptr, 16, -1},
    {"Geschäftliche Kontaktdaten", -1, -1},
    {nullptr, 17, -1}, {nullptr, 18, 19}, {nullptr, 20, -1}, {nullptr, 21, 22},
    {nullptr, 23, -1},
};

// The hourglass and a status text for a step of the wizard.
struct StepScope {
    StepScope(QStatusBar* bar, const QString& text) : status(bar, text) {}
    WaitCursor wait;
    TDialogStatus status;
};
}

const std::vector<TKontakteImportCsvForm::Zuordnung>& TKontakteImportCsvForm::Zuordnungen()
{
    using F = TKontaktFeld;
    static const std::vector<Zuordnung> z{
        {"Zuordnung_Geschlecht", "Geschlecht:", F::Geschlecht, 0, R::Geschlecht},
        {"Zuordnung_Vorname", "Vorname:", F::Vorname, 1, R::Text},
        {"Zuordnung_Nachname", "Nachname:", F::Nachname, 2, R::Text},
        {"Zuordnung_Firma", "Firma:", F::Firma, 3, R::Text},
        {"Zuordnung_KdNr", "Kd.-Nr.:", F::KdNr, 5, R::Text},
        {"Zuordnung_Mobil", "Mobil:", F::Mobil, 6, R::Mobil},
        {"Zuordnung_MobilSend", "Mobil anschreiben:", F::MobilSend, 7, R::Flag},
        {"Zuordnung_Email", "Email:", F::Email, 9, R::Text},
        {"Zuordnung_EmailSend", "Email anschreiben:", F::EmailSend, 10, R::Flag},
        {"Zuordnung_Geburtsdatum", "Geburtsdatum:", F::Geburtsdatum, 4, R::Datum},
        {"Zuordnung_PrivStrasse", "Straße (priv.):", F::PStrasse, 11, R::Text},
        {"Zuordnung_PrivPlz", "PLZ (priv.):", F::PPlz, 12, R::Text},
        {"Zuordnung_PrivOrt", "Ort (priv.):", F::POrt, 13, R::Text},
        {"Zuordnung_PrivLand", "Land (priv.):", F::PLand, 14, R::Text},
        {"Zuordnung_PrivTelefon", "Telefon (priv.):", F::PTelefon, 15, R::Text},
        {"Zuordnung_PrivTelefax", "Telefax (priv.):", F::PTelefax, 16, R::Text},
        {"Zuordnung_PrivWebseite", "Webseite (priv.):", F::PWebseite, 17, R::Text},
        {"Zuordnung_GeschStrasse", "Straße (gesch.):", F::FStrasse, 18, R::Text},
        {"Zuordnung_GeschPlz", "PLZ (gesch.):", F::FPlz, 19, R::Text},
        {"Zuordnung_GeschOrt", "Ort (gesch.):", F::FOrt, 20, R::Text},
        {"Zuordnung_GeschLand", "Land (gesch.):", F::FLand, 21, R::Text},
        {"Zuordnung_GeschTelefon", "Telefon (gesch.):", F::FTelefon, 22, R::Text},
        {"Zuordnung_GeschTelefax", "Telefax (gesch.):", F::FTelefax, 23, R::Text},
        {"Zuordnung_GeschWebseite", "Webseite (gesch.):", F::FWebseite, 24, R::Text},
    };
    return z;
}

void TKontakteImportCsvForm::Werte(const TCsvDatei& csv, int row, const QStringList& spalten,
                                   const QStringList& laenderVorwahlen, TImportKontakt& kontakt)
{
    TWerteLeser(csv, spalten, laenderVorwahlen).Werte(row, kontakt);
}

struct TKontakteImportCsvForm::TWerteLeser::Feld {
    TKontaktFeld feld;
    TCsvDatei::Feld csv;
    Regel regel;
};

TKontakteImportCsvForm::TWerteLeser::TWerteLeser(const TCsvDatei& csv, const QStringList& spalten,
                                                 QStringList laenderVorwahlen)
    : m_csv(csv), m_vorwahlen(std::move(laenderVorwahlen))
{
    const std::vector<Zuordnung>& z = Zuordnungen();
    for (size_t i = 0; i < z.size() && i < size_t(spalten.size()); ++i) {
        const QString& name = spalten[int(i)];
        if (!name.isEmpty())
            m_felder.push_back({z[i].feld, csv.Spalte(name), z[i].regel});
    }
}

void TKontakteImportCsvForm::TWerteLeser::Werte(int row, TImportKontakt& kontakt) const
{
    TKontakt& k = kontakt.kontakt;
    kontakt.felder = {};
    for (const Feld& f : m_felder) {
        switch (f.regel) {
        case R::Geschlecht: {
            // A spreadsheet's "Anrede" column holds the word, not the code.
            const QString text = m_csv.GetValue(row, f.csv);
            const QString anrede = text.trimmed();
            int g = TCsvDatei::ToIntValue(text);
            if (anrede.compare(QLatin1String("Herr"), Qt::CaseInsensitive) == 0)
                g = 2;
            else if (anrede.compare(QLatin1String("Frau"), Qt::CaseInsensitive) == 0)
                g = 3;
            *TKontaktDaten::FeldZahl(k, f.feld) = g >= 1 && g <= 3 ? g : 1;
            break;
        }
        case R::Flag: {
            const int v = m_csv.GetIntValue(row, f.csv);
            *TKontaktDaten::FeldZahl(k, f.feld) = v == 0 || v == 1 ? v : 1;
            break;
        }
        case R::Datum:
            k.geburtsdatum = m_csv.GetGeburtsdatumValue(row, f.csv);
            if (!k.geburtsdatum.isValid())
                continue;
            break;
        case R::Mobil: {
            QString& mobil = *TKontaktDaten::FeldText(k, f.feld);
            mobil = m_csv.GetValue(row, f.csv);
            NormalizeMobilnummer(m_vorwahlen, mobil);   // refused: kept as written
            break;
        }
        case R::Text:
            *TKontaktDaten::FeldText(k, f.feld) = m_csv.GetValue(row, f.csv);
            break;
        }
        kontakt.felder << f.feld;
    }
}

int TKontakteImportCsvForm::IndexOfSpalte(const QStringList& items, const QString& name)
{
    for (int i = 0; i < items.size(); ++i)
        if (items[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return 0;
}

TKontakteImportCsvForm::TKontakteImportCsvForm(QStringList exportSpalten, QWidget* parent)
    : TLaufDialog(parent), m_exportSpalten(std::move(exportSpalten))
{
    setObjectName(QStringLiteral("KontakteImportCsvForm"));
    UseDialogKeys(this);
    setWindowTitle(QStringLiteral("Kontakte aus CSV-Datei importieren"));
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);

    m_panels = new QStackedWidget(this);
    Panel_Step1 = BuildStep1();
    Panel_Step2 = BuildStep2();
    m_panels->addWidget(Panel_Step1);
    m_panels->addWidget(Panel_Step2);
    StatusBar = NewDialogStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_panels);
    layout->addWidget(StatusBar);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Btn_Dateiname, &QPushButton::clicked, this, [this] { Btn_DateinameClick(); });
    connect(Btn_Step1_Weiter, &QPushButton::clicked, this, [this] { Btn_Step1_WeiterClick(); });
    connect(Btn_Step1_Abbrechen, &QPushButton::clicked, this, &QDialog::reject);
    connect(Btn_Step2_Zurueck, &QPushButton::clicked, this, [this] { Btn_Step2_ZurueckClick(); });
    connect(Btn_Step2_Weiter, &QPushButton::clicked, this, [this] { Btn_Step2_WeiterClick(); });
    connect(Btn_Step2_Abbrechen, &QPushButton::clicked, this, &QDialog::reject);
    ShowStep(1);
}

TKontakteImportCsvForm::~TKontakteImportCsvForm() = default;

QWidget* TKontakteImportCsvForm::BuildStep1()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel_Step1"));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto section = [&](const QString& heading, const QString& label, QWidget* field, QWidget* extra) {
        auto* caption = new QLabel(label, panel);
        caption->setBuddy(extra ? extra : field);
        auto* row = new QHBoxLayout;
        row->addWidget(caption);
        row->addWidget(field, 1);
        if (extra)
            row->addWidget(extra);
        layout->addWidget(NewHeading(panel, heading));
        layout->addLayout(row);
        layout->addSpacing(8);
    };

    Dateiname = NewEdit(panel, "Dateiname");
    Dateiname->setEnabled(false);
    Dateiname->setMinimumWidth(300);
    Btn_Dateiname = NewPushButton(panel, "Btn_Dateiname", QStringLiteral("..."));
    Btn_Dateiname->setFixedWidth(32);
    section(QStringLiteral("Bitte geben Sie eine Datei an, aus der die Kontakte importiert werden sollen."),
            QStringLiteral("Dateiname für den CSV-Export:"), Dateiname, Btn_Dateiname);

    Trennzeichen = NewDropDown(panel, "Trennzeichen", {});
    Trennzeichen->addItems({QStringLiteral("Semikolon"), QStringLiteral("Komma"),
                            QStringLiteral("Tabulator")});
    section(QStringLiteral("Bitte wählen Sie das Trennzeichen der CSV-Datei aus."),
            QStringLiteral("Trennzeichen für die CSV-Datei:"), Trennzeichen, nullptr);

    Kontaktgruppen = NewDropDown(panel, "Kontaktgruppen", {});
    section(QStringLiteral("Bitte wählen Sie, ob die importierten Kontakte einer Kategorie zugeordnet "
                           "werden sollen."),
            QStringLiteral("Kontakte zu Kategorie zuordnen:"), Kontaktgruppen, nullptr);

    layout->addStretch();
    Btn_Step1_Weiter = NewPushButton(panel, "Btn_Step1_Weiter", QStringLiteral("&Weiter"));
    Btn_Step1_Abbrechen = NewPushButton(panel, "Btn_Step1_Abbrechen", QStringLiteral("A&bbrechen"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Btn_Step1_Weiter);
    buttons->addWidget(Btn_Step1_Abbrechen);
    layout->addLayout(buttons);
    return panel;
}

QWidget* TKontakteImportCsvForm::BuildStep2()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel_Step2"));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(NewHeading(panel, QStringLiteral("Bitte stellen Sie die Zuordnung zwischen den "
                                                       "Datenbankfeldern und den Spalten der CSV-Datei her.")));

    m_spaltenModel = new QStringListModel(this);
    ScrollBox1 = new QScrollArea(panel);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QWidget* box = BuildZuordnungsListen();
    ScrollBox1->setWidget(box);
    ScrollBox1->setFixedSize(box->sizeHint().width() + 24, 300);
    layout->addWidget(ScrollBox1);

    Btn_Step2_Zurueck = NewPushButton(panel, "Btn_Step2_Zurueck", QStringLiteral("&Zurück"));
    Btn_Step2_Weiter = NewPushButton(panel, "Btn_Step2_Weiter", QStringLiteral("&Fertigstellen"));
    Btn_Step2_Abbrechen = NewPushButton(panel, "Btn_Step2_Abbrechen", QStringLiteral("A&bbrechen"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Btn_Step2_Zurueck);
    buttons->addWidget(Btn_Step2_Weiter);
    buttons->addWidget(Btn_Step2_Abbrechen);
    layout->addLayout(buttons);
    return panel;
}

QWidget* TKontakteImportCsvForm::BuildZuordnungsListen()
{
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setColumnMinimumWidth(2, 16);

    const std::vector<Zuordnung>& z = Zuordnungen();
    for (const Zuordnung& zu : z) {
        auto* list = new QComboBox(box);
        list->setObjectName(QLatin1String(zu.liste));
        list->setModel(m_spaltenModel);
        list->setFixedWidth(150);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        m_listen.append(list);
    }
    auto place = [&](int index, int row, int column) {
        grid->addWidget(NewLabel(box, nullptr, QString::fromUtf8(z[size_t(index)].label), {.buddy = m_listen[index]}),
                        row, column);
        grid->addWidget(m_listen[index], row, column + 1);
    };
    int row = 0;
    for (const LayoutZeile& zeile : kLayout) {
        if (zeile.abschnitt) {
            if (row > 0)
                grid->setRowMinimumHeight(row++, 8);
            grid->addWidget(NewHeading(box, QString::fromUtf8(zeile.abschnitt)), row++, 0, 1, 5);
            continue;
        }
        place(zeile.links, row, 0);
        if (zeile.rechts >= 0)
            place(zeile.rechts, row, 3);
        ++row;
    }
    grid->setRowStretch(row, 1);
    // Tab moves row by row, as the lists are laid out.
    QWidget* previous = nullptr;
    for (const LayoutZeile& zeile : kLayout) {
        for (int index : {zeile.links, zeile.rechts}) {
            if (index < 0)
                continue;
            if (previous)
                setTabOrder(previous, m_listen[index]);
            previous = m_listen[index];
        }
    }
    return box;
}

void TKontakteImportCsvForm::ShowStep(int step)
{
    m_panels->setCurrentWidget(step == 1 ? Panel_Step1 : Panel_Step2);
    // The default button belongs to the step shown.
    Btn_Step1_Weiter->setDefault(step == 1);
    Btn_Step2_Weiter->setDefault(step != 1);
}

void TKontakteImportCsvForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TKontakteImportCsvForm::FormShow()
{
    CsvDatei.reset();
    Dateiname->setText(QString::fromUtf8(TCsvExportForm::kBitteWaehlen));
    Trennzeichen->setCurrentIndex(0);
    Guard([&] { LoadKontaktgruppen(); });
    Kontaktgruppen->setCurrentIndex(0);
    ShowStep(1);
}

void TKontakteImportCsvForm::LoadKontaktgruppen()
{
    LadeImportKontaktgruppen(Kontaktgruppen, KontaktgruppenIds);
}

void TKontakteImportCsvForm::Btn_DateinameClick()
{
    const QString name = FileDialogs::GetOpenFileName(this, QStringLiteral("Zu importierende CSV-Datei"),
                                                      m_openName, QStringLiteral("CSV-Dateien (*.csv)"));
    if (name.isEmpty())
        return;
    m_openName = name;
    Dateiname->setText(name);
}

bool TKontakteImportCsvForm::CheckStep1()
{
    const QString name = Dateiname->text();
    if (!TCsvExportForm::DateiGewaehlt(Dateiname, Btn_Dateiname))
        return false;
    if (!QFileInfo::exists(name)) {
        Msg::Information(QStringLiteral("Die Datei '") + name
                         + QStringLiteral("' existiert nicht.\n\rBitte wählen Sie eine gültige Datei, "
                                          "die importiert werden soll."));
        Btn_Dateiname->setFocus();
        return false;
    }
    return true;
}

void TKontakteImportCsvForm::Btn_Step1_WeiterClick()
{
    if (m_running || !CheckStep1())
        return;
    const char separator = TCsvExportForm::SeparatorOf(Trennzeichen->currentIndex());
    CsvDatei.reset();
    std::optional<QString> failure;
    {
        StepScope scope(StatusBar, QStringLiteral("Bitte warten... die CSV-Datei wird analyisiert."));
        failure = FailureOf([&] { CsvDatei = TCsvDatei::CreateFromFile(Dateiname->text(), separator); });
    }
    if (failure) {
        Msg::Error(QStringLiteral("Beim Auslesen bzw. Verarbeiten der CSV-Datei ist ein Fehler "
                                  "aufgetreten.\n\rFehlermeldung: ")
                   + *failure);
        return;
    }
    if (!CsvDatei->Warnung().isEmpty())
        Msg::Error(CsvDatei->Warnung());
    if (CsvDatei->GetRowCount() == 0) {
        Msg::Information(QStringLiteral("Die CSV-Datei enthält keine gültigen Daten."));
        return;
    }
    const QStringList spalten = CsvDatei->GetSpalten();
    if (spalten.isEmpty()) {
        Msg::Information(QStringLiteral("In der CSV-Datei wurden keine gültigen Spaltendefinitonen gefunden."));
        return;
    }
    const QStringList items = QStringList{QString::fromUtf8(kKeineZuordnung)} + spalten;
    m_spaltenModel->setStringList(items);
    const std::vector<Zuordnung>& z = Zuordnungen();
    for (int i = 0; i < m_listen.size(); ++i) {
        const int exportSpalte = z[size_t(i)].exportSpalte;
        const QString preset = exportSpalte < m_exportSpalten.size() ? m_exportSpalten[exportSpalte] : QString();
        m_listen[i]->setCurrentIndex(preset.isEmpty() ? 0 : IndexOfSpalte(items, preset));
    }
    ScrollBox1->ensureVisible(0, 0);
    ShowStep(2);
}

void TKontakteImportCsvForm::Btn_Step2_ZurueckClick()
{
    if (!m_running)
        ShowStep(1);
}

bool TKontakteImportCsvForm::CheckStep2()
{
    for (QComboBox* list : std::as_const(m_listen))
        if (list->currentIndex() > 0)
            return true;
    Msg::Information(QStringLiteral("Bitte ordnen Sie mindestens ein Datenbank-Feld einem Feld der "
                                    "CSV-Datei zu."));
    return false;
}

void TKontakteImportCsvForm::Btn_Step2_WeiterClick()
{
    if (m_running || !CsvDatei || !CheckStep2())
        return;
    QStringList spalten;
    for (QComboBox* list : std::as_const(m_listen))
        spalten.append(list->currentIndex() > 0 ? list->currentText() : QString());
    const int index = Kontaktgruppen->currentIndex();
    const int kategorieId = index > 0 && index < KontaktgruppenIds.size() ? KontaktgruppenIds[index] : 0;
    const int total = CsvDatei->GetRowCount();

    // Progress steps let events through: nothing may start a second run, go back or close.
    m_running = true;
    const QList<QPushButton*> buttons{Btn_Step2_Zurueck, Btn_Step2_Weiter, Btn_Step2_Abbrechen};
    for (QPushButton* b : buttons)
        b->setEnabled(false);
    int anzahl = 0;
    bool ok = false;
    {
        WaitCursor wait;
        TDialogStatus statusClear(StatusBar);
        const std::optional<QString> failure = FailureOf([&] {
            const TWerteLeser leser(*CsvDatei, spalten, DatenModul->LaenderVorwahlen());
            const TKontaktDaten::TListenIndizesAus indizesAus(total);
            // One unit: a failure rolls back every contact written so far.
            DatenModul->Unit([&] {
                TKontaktDaten::TKontaktImport import(kategorieId);
                TImportKontakt kontakt;
                TImportFortschritt fortschritt(
                    StatusBar, QStringLiteral("Bitte warten... die CSV-Datei wird importiert (%d%% abgeschlossen)."),
                    total);
                for (int row = 0; row < total; ++row) {
                    leser.Werte(row, kontakt);
                    import.Importiere(kontakt);
                    fortschritt.Weiter();
                }
                import.Abschliessen();
                anzahl = fortschritt.Anzahl();
            });
        });
        if (failure)
            Msg::Error(QStringLiteral("Beim Auslesen bzw. Verarbeiten der Kontaktdaten aus der CSV-Datei "
                                      "ist ein Fehler aufgetreten.\n\rFehlermeldung: ")
                       + *failure);
        ok = !failure;
    }
    for (QPushButton* b : buttons)
        b->setEnabled(true);
    m_running = false;
    if (!ok)
        return;
    if (anzahl > 0)
        Msg::Information(QStringLiteral("Es wurden ") + QString::number(anzahl)
                         + QStringLiteral(" Kontakte aus der CSV-Datei erfolgreich importiert."));
    else
        Msg::Information(QStringLiteral("Die CSV-Datei enthielt keine Datensätze."));
    accept();
}

void TKontakteImportCsvForm::done(int result)
{
    if (IsRunning())
        return;
    CsvDatei.reset();
    TLaufDialog::done(result);
}
