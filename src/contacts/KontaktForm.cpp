#include "contacts/KontaktForm.h"
#include "foundation/WidgetKit.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "contacts/Laender.h"
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <utility>


int DbTextLength(const QString& text)
{
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text.at(i).isLowSurrogate() || i == 0 || !text.at(i - 1).isHighSurrogate())
            ++n;
    return n;
}

namespace {
// The editor's limits are the widths of the contact's columns.
int spaltenBreite(TKontaktFeld feld) { return TKontaktDaten::KontaktSpalte(feld).breite; }

const char* const kGeloescht =
    "Dieser Eintrag wurde zwischenzeitlich von einem anderen Benutzer verschoben oder gelöscht.";
const char* const kNieGesendet = "An diesen Kontakt wurde noch nie eine SMS versendet.";
const char* const kMobilUngueltig =
    "Die von Ihnen eingegebene Mobilfunknummer scheint nicht gültig zu sein.\n\r"
    "Möchten Sie Ihre Eingabe korrigieren?";
const char* const kEmailUngueltig =
    "Die von Ihnen eingegebene Email-Adresse scheint nicht gültig zu sein.\n\r"
    "Möchten Sie Ihre Eingabe korrigieren?";

// Typing stops at the column's width in characters. Unlike a maximum length, it counts a
// character beyond the first plane once and never cuts a text set from code.
class TColumnValidator : public QValidator {
public:
    TColumnValidator(int width, QObject* parent) : QValidator(parent), m_width(width) {}
    State validate(QString& input, int& pos) const override
    {
        // Too long after the user's insertion (a paste): the inserted text keeps its beginning,
        // so what ends before the cursor gives up characters; typing at the limit inserts
        // nothing. A text set from code is not modified (setText clears the edit history).
        const auto* edit = qobject_cast<const QLineEdit*>(parent());
        while (edit && edit->isModified() && DbTextLength(input) > m_width && pos > 0) {
            const int n = pos > 1 && input.at(pos - 1).isLowSurrogate() && input.at(pos - 2).isHighSurrogate() ? 2 : 1;
            input.remove(pos - n, n);
            pos -= n;
        }
        return DbTextLength(input) <= m_width ? Acceptable : Invalid;
    }
private:
    int m_width;
};

} // namespace

QLineEdit* LimitToColumn(QLineEdit* edit, int width)
{
    edit->setMaxLength(32767);
    edit->setValidator(new TColumnValidator(width, edit));
    return edit;
}

struct TKontaktForm::TAdressFelder {
    TKontaktFeld strasse, plz, ort, land, telefon, telefax, webseite;
};

TKontaktForm::TKontaktForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("KontaktForm"));
    UseDialogKeys(this);
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(8);
    setFont(f);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));

    using F = TKontaktFeld;
    buildAllgemeinTab();
    TabSheet_Privat = buildAdressTab("TabSheet_Privat",
        QStringLiteral("Geben Sie hier die privaten Adressdaten zu diesem Kontakt ein."), QStringLiteral("P_"),
        {F::PStrasse, F::PPlz, F::POrt, F::PLand, F::PTelefon, F::PTelefax, F::PWebseite}, P_Strasse, P_PLZ, P_Ort, P_Land, P_Telefon, P_Telefax, P_Webseite);
    TabSheet_Geschaeftlich = buildAdressTab("TabSheet_Geschaeftlich",
        u("Geben Sie hier die geschäftlichen Adressdaten zu diesem Kontakt ein."), QStringLiteral("F_"),
        {F::FStrasse, F::FPlz, F::FOrt, F::FLand, F::FTelefon, F::FTelefax, F::FWebseite}, F_Strasse, F_PLZ, F_Ort, F_Land, F_Telefon, F_Telefax, F_Webseite);
    buildKategorienTab();
    PageControl->addTab(TabSheet_Allgemein, QStringLiteral("&Allgemein"));
    PageControl->addTab(TabSheet_Privat, QStringLiteral("&Privat"));
    PageControl->addTab(TabSheet_Geschaeftlich, u("&Geschäftlich"));
    PageControl->addTab(TabSheet_Kategorien, QStringLiteral("&Kategorien"));

    NewOkAbbrechen(this, Btn_OK, Btn_Abbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    AddOkAbbrechenRow(layout, Btn_OK, Btn_Abbrechen);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    PageControl->setMinimumSize(460, 380);

    for (QWidget* w : std::initializer_list<QWidget*>{Vorname, Nachname, Firma, Mobil, Email, Geburtsdatum,
                                                     Btn_Abbrechen})
        w->installEventFilter(this);
    connectHandlers();
}

void TKontaktForm::buildAllgemeinTab()
{
    TabSheet_Allgemein = new QWidget;
    TabSheet_Allgemein->setObjectName(QStringLiteral("TabSheet_Allgemein"));
    Geschlecht = NewDropDown(TabSheet_Allgemein, "Geschlecht", {});
    Geschlecht->setEditable(false);
    using F = TKontaktFeld;
    Vorname = LimitToColumn(NewEdit(TabSheet_Allgemein, "Vorname"), spaltenBreite(F::Vorname));
    Nachname = LimitToColumn(NewEdit(TabSheet_Allgemein, "Nachname"), spaltenBreite(F::Nachname));
    Firma = LimitToColumn(NewEdit(TabSheet_Allgemein, "Firma"), spaltenBreite(F::Firma));
    KdNr = LimitToColumn(NewEdit(TabSheet_Allgemein, "KdNr"), spaltenBreite(F::KdNr));
    Mobil = LimitToColumn(NewEdit(TabSheet_Allgemein, "Mobil"), spaltenBreite(F::Mobil));
    NieAnschreibenSMS = NewCheckBox(TabSheet_Allgemein, "NieAnschreibenSMS",
                                    QStringLiteral("diesen Kontakt nie per SMS anschreiben"));
    Email = LimitToColumn(NewEdit(TabSheet_Allgemein, "Email"), spaltenBreite(F::Email));
    NieAnschreibenEmail = NewCheckBox(TabSheet_Allgemein, "NieAnschreibenEmail",
                                      QStringLiteral("diesen Kontakt nie per Email anschreiben"));
    Geburtsdatum = NewEdit(TabSheet_Allgemein, "Geburtsdatum");
    DateTimePicker_Geburtsdatum = NewToolButton(TabSheet_Allgemein, "DateTimePicker_Geburtsdatum",
                                                {.iconSize = 0, .arrow = Qt::DownArrow, .focus = Qt::NoFocus});
    Calendar_Geburtsdatum = new QCalendarWidget(this);
    Calendar_Geburtsdatum->setObjectName(QStringLiteral("Calendar_Geburtsdatum"));
    Calendar_Geburtsdatum->setWindowFlags(Qt::Popup);
    Calendar_Geburtsdatum->setMinimumDate(QDate(100, 1, 1));
    Calendar_Geburtsdatum->setMaximumDate(QDate(9999, 12, 31));
    Calendar_Geburtsdatum->hide();
    LastSend = NewLabel(TabSheet_Allgemein, "LastSend", QString(), {.plainText = true});
    layoutAllgemeinTab();
}

void TKontaktForm::layoutAllgemeinTab()
{
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Geschlecht:"), Geschlecht);
    form->addRow(QStringLiteral("Vorname:"), Vorname);
    form->addRow(QStringLiteral("Nachname:"), Nachname);
    form->addRow(QStringLiteral("Firma:"), Firma);
    form->addRow(QStringLiteral("Kd.-Nr.:"), KdNr);
    form->addRow(QStringLiteral("Mobiltelefon:"), Mobil);
    form->addRow(QString(), NieAnschreibenSMS);
    form->addRow(QStringLiteral("Email-Adresse:"), Email);
    form->addRow(QString(), NieAnschreibenEmail);
    auto* date = new QHBoxLayout;
    date->setSpacing(0);
    date->addWidget(Geburtsdatum);
    date->addWidget(DateTimePicker_Geburtsdatum);
    form->addRow(QStringLiteral("Geburtsdatum:"), date);
    auto* v = new QVBoxLayout(TabSheet_Allgemein);
    v->addWidget(NewHeading(TabSheet_Allgemein,
                         QStringLiteral("Geben Sie hier allgemeine Informationen zu diesem Kontakt ein.")));
    v->addLayout(form);
    v->addWidget(LastSend);
    v->addStretch();
}

// Privat and Geschäftlich: the same inputs.
QWidget* TKontaktForm::buildAdressTab(const char* tabName, const QString& headingText, const QString& prefix,
                                      const TAdressFelder& felder, QLineEdit*& strasse, QLineEdit*& plz, QLineEdit*& ort, QComboBox*& land,
                                      QLineEdit*& telefon, QLineEdit*& telefax, QLineEdit*& webseite)
{
    auto* tab = new QWidget;
    tab->setObjectName(QLatin1String(tabName));
    strasse = LimitToColumn(NewEdit(tab, (prefix + "Strasse").toLatin1().constData()), spaltenBreite(felder.strasse));
    plz = LimitToColumn(NewEdit(tab, (prefix + "PLZ").toLatin1().constData()), spaltenBreite(felder.plz));
    ort = LimitToColumn(NewEdit(tab, (prefix + "Ort").toLatin1().constData()), spaltenBreite(felder.ort));
    land = new QComboBox(tab);
    land->setObjectName(prefix + QStringLiteral("Land"));
    land->setEditable(true);
    land->setInsertPolicy(QComboBox::NoInsert);
    land->addItems(LaenderListe());
    LimitToColumn(land->lineEdit(), spaltenBreite(felder.land));
    telefon = LimitToColumn(NewEdit(tab, (prefix + "Telefon").toLatin1().constData()), spaltenBreite(felder.telefon));
    telefax = LimitToColumn(NewEdit(tab, (prefix + "Telefax").toLatin1().constData()), spaltenBreite(felder.telefax));
    webseite = LimitToColumn(NewEdit(tab, (prefix + "Webseite").toLatin1().constData()), spaltenBreite(felder.webseite));
    auto* form = new QFormLayout;
    form->addRow(u("Straße:"), strasse);
    form->addRow(QStringLiteral("PLZ:"), plz);
    form->addRow(QStringLiteral("Ort:"), ort);
    form->addRow(QStringLiteral("Land:"), land);
    form->addRow(QStringLiteral("Telefon:"), telefon);
    form->addRow(QStringLiteral("Telefax:"), telefax);
    form->addRow(QStringLiteral("Webseite:"), webseite);
    auto* v = new QVBoxLayout(tab);
    v->addWidget(NewHeading(tab, headingText));
    v->addLayout(form);
    v->addStretch();
    return tab;
}

void TKontaktForm::buildKategorienTab()
{
    TabSheet_Kategorien = new QWidget;
    TabSheet_Kategorien->setObjectName(QStringLiteral("TabSheet_Kategorien"));
    ListBox_KategorienKontakt = new QListWidget(TabSheet_Kategorien);
    ListBox_KategorienKontakt->setObjectName(QStringLiteral("ListBox_KategorienKontakt"));
    ListBox_KategorienVerfuegbare = new QListWidget(TabSheet_Kategorien);
    ListBox_KategorienVerfuegbare->setObjectName(QStringLiteral("ListBox_KategorienVerfuegbare"));
    for (QListWidget* l : {ListBox_KategorienKontakt, ListBox_KategorienVerfuegbare}) {
        l->setSortingEnabled(false);
        l->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    Btn_KategorienKontakt = NewPushButton(TabSheet_Kategorien, "Btn_KategorienKontakt", QStringLiteral("<"));
    Btn_KategorienKontaktAll = NewPushButton(TabSheet_Kategorien, "Btn_KategorienKontaktAll", QStringLiteral("<<"));
    Btn_KategorienVerfuegbare = NewPushButton(TabSheet_Kategorien, "Btn_KategorienVerfuegbare", QStringLiteral(">"));
    Btn_KategorienVerfuegbareAll = NewPushButton(TabSheet_Kategorien, "Btn_KategorienVerfuegbareAll", QStringLiteral(">>"));
    auto* grid = new QGridLayout(TabSheet_Kategorien);
    grid->addWidget(new QLabel(QStringLiteral("Dieser Kontakt befindet sich\nin folgenden Kategorien:"),
                               TabSheet_Kategorien), 0, 0);
    grid->addWidget(new QLabel(u("Verfügbare Kategorien:"), TabSheet_Kategorien), 0, 2,
                    Qt::AlignBottom);
    grid->addWidget(ListBox_KategorienKontakt, 1, 0);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Btn_KategorienKontakt);
    buttons->addWidget(Btn_KategorienKontaktAll);
    buttons->addWidget(Btn_KategorienVerfuegbare);
    buttons->addWidget(Btn_KategorienVerfuegbareAll);
    buttons->addStretch();
    grid->addLayout(buttons, 1, 1);
    grid->addWidget(ListBox_KategorienVerfuegbare, 1, 2);
}

void TKontaktForm::connectHandlers()
{
    connect(Btn_OK, &QPushButton::clicked, this, &TKontaktForm::Btn_OKClick);
    connect(Btn_Abbrechen, &QPushButton::clicked, this, &TKontaktForm::Btn_AbbrechenClick);
    connect(DateTimePicker_Geburtsdatum, &QToolButton::clicked, this, &TKontaktForm::ShowPicker);
    connect(Calendar_Geburtsdatum, &QCalendarWidget::clicked, this,
            &TKontaktForm::DateTimePicker_GeburtsdatumChange);
    connect(Calendar_Geburtsdatum, &QCalendarWidget::activated, this,
            &TKontaktForm::DateTimePicker_GeburtsdatumChange);
    connect(Btn_KategorienKontakt, &QPushButton::clicked, this, &TKontaktForm::Btn_KategorienKontaktClick);
    connect(Btn_KategorienKontaktAll, &QPushButton::clicked, this, &TKontaktForm::Btn_KategorienKontaktAllClick);
    connect(Btn_KategorienVerfuegbare, &QPushButton::clicked, this, &TKontaktForm::Btn_KategorienVerfuegbareClick);
    connect(Btn_KategorienVerfuegbareAll, &QPushButton::clicked, this,
            &TKontaktForm::Btn_KategorienVerfuegbareAllClick);
    connect(ListBox_KategorienKontakt, &QListWidget::itemDoubleClicked, this,
            [this] { Btn_KategorienVerfuegbareClick(); });
    connect(ListBox_KategorienVerfuegbare, &QListWidget::itemDoubleClicked, this,
            [this] { Btn_KategorienKontaktClick(); });
}

TKontaktForm::~TKontaktForm()
{
}

QStringList TKontaktForm::LaenderVorwahlen() { return DatenModul->LaenderVorwahlen(); }

void TKontaktForm::SetReadOnly(bool value)
{
    const QList<QWidget*> inputs = {Geschlecht, Vorname, Nachname, Firma, KdNr, Mobil, NieAnschreibenSMS,
                                    Email, NieAnschreibenEmail, Geburtsdatum, DateTimePicker_Geburtsdatum,
                                    P_Strasse, P_PLZ, P_Ort, P_Land, P_Telefon, P_Telefax, P_Webseite,
                                    F_Strasse, F_PLZ, F_Ort, F_Land, F_Telefon, F_Telefax, F_Webseite,
                                    ListBox_KategorienKontakt, Btn_KategorienKontakt, Btn_KategorienKontaktAll,
                                    Btn_KategorienVerfuegbare, Btn_KategorienVerfuegbareAll,
                                    ListBox_KategorienVerfuegbare, Btn_OK};
    for (QWidget* w : inputs)
        w->setEnabled(!value);
}

void TKontaktForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TKontaktForm::FormShow()
{
    m_exitPending = nullptr;
    ++m_suppressExit;
    try {
        LoadGeschlecht();
        LoadKategorien();
        ListBox_KategorienKontakt->clear();
        KategorienKontaktIds.clear();
        if (KontaktId < 0) {
            InitNeuerKontakt();
        } else {
            LoadKontaktKategorien();
            LoadKontakt();
        }
    } catch (const DbError& e) {
        Msg::Error(e.Text());
    }
    UpdateCaption();
    PageControl->setCurrentWidget(TabSheet_Allgemein);
    if (Geschlecht->isEnabled())
        Geschlecht->setFocus();
    --m_suppressExit;
}

void TKontaktForm::LoadGeschlecht()
{
    QSignalBlocker block(Geschlecht);
    Geschlecht->clear();
    GeschlechtIds.clear();
    for (const auto& [id, text] : TKontaktDaten::Anreden()) {
        GeschlechtIds.append(id);
        Geschlecht->addItem(text);
    }
}

void TKontaktForm::LoadKategorien()
{
    QSignalBlocker block(ListBox_KategorienVerfuegbare);
    ListBox_KategorienVerfuegbare->clear();
    KategorienVerfuegbareIds.clear();
    for (const TKategorie& k : TKontaktDaten::Kategorien()) {
        KategorienVerfuegbareIds.append(k.id);
        ListBox_KategorienVerfuegbare->addItem(k.name);
    }
}

void TKontaktForm::LoadKontaktKategorien()
{
    ListBox_KategorienKontakt->clear();
    KategorienKontaktIds.clear();
    for (int id : TKontaktDaten::KontaktKategorieIds(KontaktId))
        MoveKategorie(id, true);
}

void TKontaktForm::LoadKontakt()
{
    TKontakt k;
    if (!TKontaktDaten::LadeKontakt(KontaktId, k)) {
        Msg::Information(u(kGeloescht));
        KontaktId = -1;
        // Assignments left behind by the vanished contact moved groups out of the available
        // list: a new contact offers all of them again.
        LoadKategorien();
        InitNeuerKontakt();
        return;
    }
    {
        QSignalBlocker block(Geschlecht);
        Geschlecht->setCurrentIndex(GeschlechtIds.indexOf(k.geschlechtId));
    }
    Vorname->setText(k.vorname);
    Nachname->setText(k.nachname);
    Firma->setText(k.firma);
    KdNr->setText(k.kdnr);
    Mobil->setText(k.mobil);
    Email->setText(k.email);
    P_Strasse->setText(k.pStrasse);
    P_PLZ->setText(k.pPlz);
    P_Ort->setText(k.pOrt);
    SetLand(P_Land, k.pLand);
    P_Telefon->setText(k.pTelefon);
    P_Telefax->setText(k.pTelefax);
    P_Webseite->setText(k.pWebseite);
    F_Strasse->setText(k.fStrasse);
    F_PLZ->setText(k.fPlz);
    F_Ort->setText(k.fOrt);
    SetLand(F_Land, k.fLand);
    F_Telefon->setText(k.fTelefon);
    F_Telefax->setText(k.fTelefax);
    F_Webseite->setText(k.fWebseite);
    NieAnschreibenSMS->setChecked(k.mobilSend == 0);
    NieAnschreibenEmail->setChecked(k.emailSend == 0);
    if (!k.geburtsdatum.isValid()) {
        Geburtsdatum->clear();
        SetPickerDate(Clock::Today());
    } else {
        Geburtsdatum->setText(k.geburtsdatum.toString(QStringLiteral("dd.MM.yyyy")));
        SetPickerDate(k.geburtsdatum);
    }
    if (!k.mobilLastSend.isValid()) {
        LastSend->setText(u(kNieGesendet));
    } else {
        const QDateTime& t = k.mobilLastSend;
        LastSend->setText(QStringLiteral("An diesen Kontakt wurde zuletzt am ") + t.toString(QStringLiteral("dd.MM.yyyy"))
                          + QStringLiteral(" um ") + t.toString(QStringLiteral("HH:mm:ss"))
                          + QStringLiteral(" eine SMS-Nachricht versendet."));
    }
}

void TKontaktForm::SetLand(QComboBox* combo, const QString& text)
{
    QSignalBlocker block(combo);
    const int i = text.isEmpty() ? -1 : combo->findText(text, Qt::MatchFixedString);
    combo->setCurrentIndex(i);
    if (i < 0)
        combo->setEditText(text);
}

void TKontaktForm::SetPickerDate(const QDate& date)
{
    m_pickerDate = date;
    QSignalBlocker block(Calendar_Geburtsdatum);
    Calendar_Geburtsdatum->setSelectedDate(date);
}

void TKontaktForm::InitNeuerKontakt()
{
    {
        QSignalBlocker block(Geschlecht);
        const int i = GeschlechtIds.indexOf(1);
        Geschlecht->setCurrentIndex(i >= 0 ? i : (GeschlechtIds.isEmpty() ? -1 : 0));
    }
    for (QLineEdit* e : {Vorname, Nachname, Firma, KdNr, Mobil, Email, Geburtsdatum, P_Strasse, P_PLZ,
                         P_Ort, P_Telefon, P_Telefax, P_Webseite, F_Strasse, F_PLZ, F_Ort, F_Telefon,
                         F_Telefax, F_Webseite})
        e->clear();
    NieAnschreibenSMS->setChecked(false);
    NieAnschreibenEmail->setChecked(false);
    SetPickerDate(Clock::Today());
    LastSend->setText(u(kNieGesendet));
    SetLand(P_Land, QString());
    SetLand(F_Land, QString());
    ListBox_KategorienKontakt->clear();
    KategorienKontaktIds.clear();
}

void TKontaktForm::MoveKategorie(int id, bool toKontakt)
{
    QListWidget* source = toKontakt ? ListBox_KategorienVerfuegbare : ListBox_KategorienKontakt;
    QListWidget* target = toKontakt ? ListBox_KategorienKontakt : ListBox_KategorienVerfuegbare;
    QVector<int>& sourceIds = toKontakt ? KategorienVerfuegbareIds : KategorienKontaktIds;
    QVector<int>& targetIds = toKontakt ? KategorienKontaktIds : KategorienVerfuegbareIds;
    const int i = sourceIds.indexOf(id);
    if (i < 0 || i >= source->count())
        return;
    target->addItem(source->item(i)->text());
    targetIds.append(id);
    delete source->takeItem(i);
    sourceIds.remove(i);
}

void TKontaktForm::MoveSelectedKategorie(bool toKontakt)
{
    QListWidget* source = toKontakt ? ListBox_KategorienVerfuegbare : ListBox_KategorienKontakt;
    const QVector<int>& ids = toKontakt ? KategorienVerfuegbareIds : KategorienKontaktIds;
    const int i = source->currentRow();
    if (source->count() > 0 && i >= 0 && source->item(i)->isSelected())
        MoveKategorie(ids[i], toKontakt);
}

void TKontaktForm::MoveAllKategorien(bool toKontakt)
{
    // The first entry as often as there are entries: all move, in their order.
    const QVector<int>& ids = toKontakt ? KategorienVerfuegbareIds : KategorienKontaktIds;
    const int n = (toKontakt ? ListBox_KategorienVerfuegbare : ListBox_KategorienKontakt)->count();
    for (int k = 0; k < n; ++k)
        MoveKategorie(ids[0], toKontakt);
}

void TKontaktForm::Btn_KategorienKontaktClick() { MoveSelectedKategorie(true); }
void TKontaktForm::Btn_KategorienKontaktAllClick() { MoveAllKategorien(true); }
void TKontaktForm::Btn_KategorienVerfuegbareClick() { MoveSelectedKategorie(false); }
void TKontaktForm::Btn_KategorienVerfuegbareAllClick() { MoveAllKategorien(false); }

void TKontaktForm::UpdateCaption()
{
    const QString name = GetKontaktName(Vorname->text(), Nachname->text(), Firma->text());
    setWindowTitle((KontaktId >= 0 ? QStringLiteral("Kontakt editieren (") : QStringLiteral("Neuen Kontakt anlegen ("))
                   + name + QStringLiteral(")"));
}

bool TKontaktForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && m_suppressExit == 0 && isVisible()) {
        // Only a move to another control of this dialog is a leaving of the field; a
        // message box or popup taking the focus is not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == Btn_Abbrechen) {
                QObject* field = std::exchange(m_exitPending, nullptr);
                if (field)
                    FieldExit(field);
            } else if (QApplication::focusWidget() == Btn_Abbrechen) {
                m_exitPending = watched;
            } else {
                FieldExit(watched);
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TKontaktForm::FieldExit(QObject* field)
{
    if (field == Vorname || field == Nachname || field == Firma)
        VornameExit();
    else if (field == Mobil)
        MobilExit();
    else if (field == Email)
        EmailExit();
    else if (field == Geburtsdatum)
        GeburtsdatumExit();
}

void TKontaktForm::RefocusLater(QWidget* field)
{
    ++m_suppressExit;
    ++m_refocusPending;
    QTimer::singleShot(0, this, [this, field] {
        // The field may have been left by a switch to another tab.
        PageControl->setCurrentWidget(TabSheet_Allgemein);
        field->setFocus(Qt::OtherFocusReason);
        --m_suppressExit;
        --m_refocusPending;
    });
}

void TKontaktForm::VornameExit() { UpdateCaption(); }

void TKontaktForm::MobilExit()
{
    if (Mobil->text().isEmpty())
        return;
    try {
        if (!NormalizeMobil() && Msg::Question(u(kMobilUngueltig)))
            RefocusLater(Mobil);
    } catch (const DbError& e) {
        Msg::Error(e.Text());
    }
}

bool TKontaktForm::NormalizeMobil()
{
    QString number = Mobil->text();
    // The national form grows by the prefix: a normal form that the field (and the column)
    // cannot hold would be cut to another number, so it counts as refused.
    if (!NormalizeMobilnummer(LaenderVorwahlen(), number) || DbTextLength(number) > spaltenBreite(TKontaktFeld::Mobil))
        return false;
    Mobil->setText(number);
    return true;
}

void TKontaktForm::EmailExit()
{
    if (Email->text().isEmpty())
        return;
    if (!IsValidEmail(Email->text()) && Msg::Question(u(kEmailUngueltig)))
        RefocusLater(Email);
}

void TKontaktForm::GeburtsdatumExit()
{
    if (Geburtsdatum->text().isEmpty())
        return;
    const QString normal = NormalizeBirthDate(Geburtsdatum->text());
    if (normal.isEmpty())
        return;
    Geburtsdatum->setText(normal);
    SetPickerDate(QDate::fromString(normal, QStringLiteral("dd.MM.yyyy")));
}

void TKontaktForm::ShowPicker()
{
    Calendar_Geburtsdatum->setSelectedDate(m_pickerDate.isValid() ? m_pickerDate : Clock::Today());
    const QPoint below = Geburtsdatum->mapToGlobal(QPoint(0, Geburtsdatum->height()));
    Calendar_Geburtsdatum->move(below);
    Calendar_Geburtsdatum->show();
}

void TKontaktForm::DateTimePicker_GeburtsdatumChange(const QDate& date)
{
    // Only a date the user picked writes the field.
    m_pickerDate = date;
    Geburtsdatum->setText(date.toString(QStringLiteral("dd.MM.yyyy")));
    Calendar_Geburtsdatum->hide();
}

bool TKontaktForm::CheckEingaben()
{
    if (Geschlecht->currentIndex() < 0) {
        PageControl->setCurrentWidget(TabSheet_Allgemein);
        Msg::Information(QStringLiteral("Bitte wählen Sie ein Geschlecht für den Kontakt aus.\n\r"
                                        "Das Geschlecht wird benötigt um den Versand von personalisierten "
                                        "Nachrichten zu ermöglichen."));
        Geschlecht->setFocus();
        return false;
    }
    if (Mobil->text().isEmpty()) {
        PageControl->setCurrentWidget(TabSheet_Allgemein);
        if (!Msg::InformationQuestion(QStringLiteral("Sie haben für den Kontakt keine Mobilfunknummer hinterlegt.\n\r"
                                          "Sind Sie sicher, dass Sie fortfahren möchten?"))) {
            Mobil->setFocus();
            return false;
        }
    } else {
        if (!NormalizeMobil() && Msg::Question(u(kMobilUngueltig))) {
            PageControl->setCurrentWidget(TabSheet_Allgemein);
            Mobil->setFocus();
            return false;
        }
    }
    if (!Email->text().isEmpty() && !IsValidEmail(Email->text())
        && Msg::Question(u(kEmailUngueltig))) {
        PageControl->setCurrentWidget(TabSheet_Allgemein);
        Email->setFocus();
        return false;
    }
    if (!Geburtsdatum->text().isEmpty()) {
        const QString normal = NormalizeBirthDate(Geburtsdatum->text());
        if (normal.isEmpty()) {
            PageControl->setCurrentWidget(TabSheet_Allgemein);
            Msg::Information(QStringLiteral("Bitte geben Sie ein gültiges Geburtsdatum ein oder lassen Sie "
                                            "dieses Feld frei."));
            Geburtsdatum->setFocus();
            Geburtsdatum->selectAll();
            return false;
        }
        Geburtsdatum->setText(normal);
    }
    return true;
}

void TKontaktForm::Btn_OKClick()
{
    // The press on OK left a field whose user chose to correct it: that wins over the click.
    if (m_refocusPending > 0)
        return;
    // The checks move the focus themselves: no exit check may ask in between.
    ++m_suppressExit;
    struct Release { int& n; ~Release() { --n; } } release{m_suppressExit};
    bool ok = false;
    try {
        ok = CheckEingaben();
    } catch (const DbError& e) {
        Msg::Error(e.Text());
        return;
    }
    if (!ok)
        return;

    TKontakt k;
    k.geschlechtId = GeschlechtIds.value(Geschlecht->currentIndex());
    k.vorname = Vorname->text();
    k.nachname = Nachname->text();
    k.firma = Firma->text();
    k.kdnr = KdNr->text();
    k.mobil = Mobil->text();
    k.mobilSend = NieAnschreibenSMS->isChecked() ? 0 : 1;
    k.email = Email->text();
    k.emailSend = NieAnschreibenEmail->isChecked() ? 0 : 1;
    k.pStrasse = P_Strasse->text();
    k.pPlz = P_PLZ->text();
    k.pOrt = P_Ort->text();
    k.pLand = P_Land->currentText();
    k.pTelefon = P_Telefon->text();
    k.pTelefax = P_Telefax->text();
    k.pWebseite = P_Webseite->text();
    k.fStrasse = F_Strasse->text();
    k.fPlz = F_PLZ->text();
    k.fOrt = F_Ort->text();
    k.fLand = F_Land->currentText();
    k.fTelefon = F_Telefon->text();
    k.fTelefax = F_Telefax->text();
    k.fWebseite = F_Webseite->text();
    // The checks left an empty field or a normalised date.
    if (!Geburtsdatum->text().isEmpty())
        k.geburtsdatum = QDate::fromString(Geburtsdatum->text(), QStringLiteral("dd.MM.yyyy"));
    const bool written = WriteAsUnit(KontaktId, [&](bool) {
        TKontaktDaten::SpeichereKontakt(KontaktId, k, KategorienKontaktIds);
    });
    if (written)
        accept();
}

void TKontaktForm::Btn_AbbrechenClick() { reject(); }

bool WriteAsUnit(int& id, const std::function<void(bool isNew)>& write)
{
    const bool isNew = id < 0;
    const std::optional<QString> failure = FailureOf([&] { DatenModul->Unit([&] { write(isNew); }); });
    if (!failure)
        return true;
    // Rolled back: a new row is still new, and a second OK makes it afresh.
    if (isNew)
        id = -1;
    Msg::Error(*failure);
    return false;
}
