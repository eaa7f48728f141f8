#include "sms/SmsForm.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/Absender.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/Guard.h"
#include "foundation/IniFileDaten.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "foundation/WidgetKit.h"
#include "foundation/Settings.h"
#include "gateway/GatewaySession.h"
#include "gateway/LoginForm.h"
#include "sms/SmsVersand.h"
#include "sms/SmsVersandStatusForm.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include "sms/AutomatischeFelder.h"
#include "sms/SmsVorlagenDaten.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QStatusBar>
#include <QAbstractListModel>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <memory>


namespace {
const char* const kMsgKeineNummer =
    "Bitte geben Sie eine Mobilfunknummer ein, die der Liste hinzugefügt werden soll.";
const char* const kMsgNummerUngueltig =
    "Die von Ihnen eingegebene Mobilfunknummer scheint nicht gültig zu sein.\r\nMöchten Sie diese "
    "Nummer dennoch hinzufügen?";
const char* const kMsgNummerDoppelt = "Diese Nummer existiert bereits in der Empfängerliste.";
const char* const kMsgNichtsGewaehlt =
    "Bitte wählen Sie zunächst einen oder mehrere Empfänger aus der Liste, die Sie entfernen möchten.";
const char* const kMsgAlleEntfernen = "Sind Sie sicher, dass Sie alle Empfänger aus der Liste entfernen möchten?";
const char* const kMsgVorschauTaste =
    "Sie befinden sich derzeit in der Vorschaufunktion.\n\rUm Änderungen an dem Sendetext "
    "vorzunehmen, deaktivieren Sie bitte zunächst die Vorschaufunktion.";
const char* const kMsgVorschauInfo =
    "Bei aktivierter Vorschaufunktion werden die eingefügten automatischen Felder durch die "
    "entsprechenden Einträge (Vorname, Nachname, ...) der aktuell selektierten Person ersetzt.\n\r"
    "Bitte wählen Sie aus der Liste der Empfänger einen Eintrag, um eine Vorschau für diesen "
    "Empfänger zu erhalten.";
const char* const kMsgKeineEmpfaengerZaehlen =
    "Es wurden bislang keine Empfänger für diese Nachricht ausgewählt.\n\rDie benötigte "
    "Zeichenanzahl der Nachricht kann daher nicht errechnet werden.";
const char* const kMsgVorlageUeberschreiben =
    "Sind Sie sicher, dass Sie den aktuellen Sendetext mit dem Text der Vorlage überschreiben möchten?";
const char* const kMsgKeineEmpfaenger =
    "Es wurden keine Empfänger für diese Nachricht angegeben.\n\rBitte wählen Sie mindestens einen Empfänger.";
const char* const kMsgKeinInhalt = "Bitte geben Sie einen Inhalt für die Nachricht ein.";
const char* const kKeineVorlagen = "[keine Vorlagen vorhanden]";
const int kAbsenderMax = 16;

int characters(const QString& text) { return static_cast<int>(text.toUcs4().size()); }

// The sender's limit holds for the user's edits only: a longer value set from the settings is
// shown whole (and refused by the checks). An edit that would pass the limit keeps as much of
// what it inserts as fits, as typing, pasting and dropping into a limited edit do.
class TAbsenderValidator : public QValidator {
public:
    explicit TAbsenderValidator(QLineEdit* edit) : QValidator(edit), m_edit(edit)
    {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_last = text; });
    }
    State validate(QString& input, int& pos) const override
    {
        if (characters(input) <= kAbsenderMax || characters(input) <= characters(m_last))
            return Acceptable;
        // setText also asks the validator; it starts unmodified, and Invalid leaves its text.
        if (!m_edit->isModified())
            return Invalid;
        // What the edit inserted: the part between what it kept in front and behind.
        const qsizetype shorter = qMin(input.size(), m_last.size());
        qsizetype front = 0;
        while (front < shorter && input.at(front) == m_last.at(front))
            ++front;
        qsizetype back = 0;
        while (back < shorter - front && input.at(input.size() - 1 - back) == m_last.at(m_last.size() - 1 - back))
            ++back;
        const QString head = m_last.left(front);
        const QString tail = m_last.right(back);
        const int room = kAbsenderMax - characters(head) - characters(tail);
        // Only what fits is kept, possibly nothing (Qt undoes no edit of a text that is too
        // long already).
        const QString inserted = TruncateText(input.mid(front, input.size() - front - back), room);
        input = head + inserted + tail;
        pos = static_cast<int>(head.size() + inserted.size());
        return Acceptable;
    }
private:
    QLineEdit* m_edit;
    QString m_last;
};

QString countText(int length) { return GetSmsLengthText(length); }
}

// The list box's rows over the recipient list: a row's text is made when the view asks for it,
// so that a long list holds no second copy of itself as texts. The row count is the list's at
// the last refresh; callers that fill the list while the composer is hidden refresh it on show.
class TEmpfaengerModel : public QAbstractListModel {
public:
    TEmpfaengerModel(const TRecipients& recipients, QObject* parent)
        : QAbstractListModel(parent), m_recipients(recipients)
    {
    }
    void Refresh()
    {
        beginResetModel();
        m_anzahl = m_recipients.Count();
        endResetModel();
    }
    // Removes row `row` around `remove`, which takes its entry out of the list.
    template <class Remove>
    void RemoveRow(int row, Remove remove)
    {
        if (row < 0 || row >= m_anzahl) {
            remove();
            return;
        }
        beginRemoveRows({}, row, row);
        remove();
        --m_anzahl;
        endRemoveRows();
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_anzahl; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) || index.row() >= m_anzahl
            || index.row() >= m_recipients.Count())
            return {};
        return TRecipients::ListText(m_recipients.At(index.row()));
    }

private:
    const TRecipients& m_recipients;
    int m_anzahl = 0;
};

namespace {
// The tool bar's buttons: a picture of the style's own, the hint as tool tip.
TToolButtonLook toolLook(QStyle* style, QStyle::StandardPixmap icon, const char* hint)
{
    return {.hint = u(hint), .icon = style->standardIcon(icon), .iconSize = 24, .autoRaise = true};
}
}

TSmsForm::TSmsForm(GatewaySession& session, TSmsVersandStatusForm* status, TEmpfaengerAuswaehlenForm& auswahl,
                   TSmsVersandZeitgesteuertForm& zeitgesteuert, QWidget* parent)
    : QDialog(parent), m_session(session), m_statusForm(status), m_empfaengerAuswahl(auswahl),
      m_zeitgesteuertForm(zeitgesteuert)
{
    setObjectName(QStringLiteral("SmsForm"));
    UseDialogKeys(this);
    setWindowTitle(QStringLiteral("Neue SMS senden"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QHBoxLayout* toolBar = buildToolBar();
    QGroupBox* recipientBox = buildEmpfaenger();
    QHBoxLayout* typeRow = buildTypAbsender();
    buildText();
    QWidget* textBox = layoutText();
    StatusBar = NewDialogStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(toolBar);
    layout->addWidget(recipientBox, 1);
    layout->addLayout(typeRow);
    layout->addWidget(textBox, 1);
    layout->addWidget(StatusBar);
    setFixedSize(620, 680);
    connectHandlers();
    TextSMS_SendetextChange();
    m_zeitgesteuertForm.SetEmpfaengerQuelle([this]() -> const TRecipients& { return m_recipients; });
}

QHBoxLayout* TSmsForm::buildToolBar()
{
    ToolButton_Senden_Jetzt = NewToolButton(
        this, "ToolButton_Senden_Jetzt", toolLook(style(), QStyle::SP_DialogApplyButton, "versendet die SMS sofort"));
    ToolButton_Senden_Zeitgesteuert =
        NewToolButton(this, "ToolButton_Senden_Zeitgesteuert",
                      toolLook(style(), QStyle::SP_BrowserReload,
                               "versendet die SMS zu einem späteren, wählbaren Zeitpunkt"));
    ToolButton_Empfaenger_Hinzu =
        NewToolButton(this, "ToolButton_Empfaenger_Hinzu",
                      toolLook(style(), QStyle::SP_FileDialogNewFolder, "Empfänger hinzufügen"));
    ToolButton_Empfaenger_Loeschen = NewToolButton(this, "ToolButton_Empfaenger_Loeschen",
                                                   toolLook(style(), QStyle::SP_TrashIcon, "Empfänger entfernen"));
    auto* toolBar = new QHBoxLayout;
    toolBar->addWidget(ToolButton_Senden_Jetzt);
    toolBar->addWidget(ToolButton_Senden_Zeitgesteuert);
    toolBar->addSpacing(12);
    toolBar->addWidget(ToolButton_Empfaenger_Hinzu);
    toolBar->addWidget(ToolButton_Empfaenger_Loeschen);
    toolBar->addStretch();
    return toolBar;
}

QGroupBox* TSmsForm::buildEmpfaenger()
{
    SpeedButton_Empfaenger_Waehlen = NewToolButton(
        this, "SpeedButton_Empfaenger_Waehlen", {.text = QStringLiteral("&An"), .iconSize = 0});
    Mobilfunknummer = NewEdit(this, "Mobilfunknummer");
    Mobilfunknummer->setMaxLength(16);
    Mobilfunknummer->installEventFilter(this);
    Button_Mobilfunknummer_Hinzu = NewPushButton(this, "Button_Mobilfunknummer_Hinzu", u("&Hinzufügen"));
    m_empfaengerModel = new TEmpfaengerModel(m_recipients, this);
    Empfaenger = new QListView(this);
    Empfaenger->setObjectName(QStringLiteral("Empfaenger"));
    Empfaenger->setModel(m_empfaengerModel);
    Empfaenger->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Empfaenger->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Empfaenger->setUniformItemSizes(true);
    Empfaenger->setContextMenuPolicy(Qt::CustomContextMenu);
    Empfaenger->installEventFilter(this);
    Gesamtanzahl_Empfaenger = NewLabel(this, "Gesamtanzahl_Empfaenger", QStringLiteral("0"));
    PopupMenu_Kontakte = new QMenu(this);
    PopupMenu_Kontakte->setObjectName(QStringLiteral("PopupMenu_Kontakte"));
    QAction* entfernen = PopupMenu_Kontakte->addAction(u("Selektierte Kontakte &entfernen"));
    entfernen->setObjectName(QStringLiteral("GewhltenKontakteentfernen1"));
    QAction* alle = PopupMenu_Kontakte->addAction(u("&Alle entfernen"));
    alle->setObjectName(QStringLiteral("alleentfernen1"));
    PopupMenu_Kontakte->setDefaultAction(entfernen);
    connect(entfernen, &QAction::triggered, this, &TSmsForm::GewhltenKontakteentfernen1Click);
    connect(alle, &QAction::triggered, this, &TSmsForm::alleentfernen1Click);
    connect(Empfaenger, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu_Kontakte->popup(Empfaenger->viewport()->mapToGlobal(pos));
    });

    auto* recipientBox = new QGroupBox(u("Empfänger"), this);
    auto* recipientGrid = new QGridLayout(recipientBox);
    recipientGrid->addWidget(SpeedButton_Empfaenger_Waehlen, 0, 0);
    recipientGrid->addWidget(Mobilfunknummer, 0, 1);
    recipientGrid->addWidget(Button_Mobilfunknummer_Hinzu, 0, 2);
    recipientGrid->addWidget(Empfaenger, 1, 0, 1, 3);
    auto* totalRow = new QHBoxLayout;
    totalRow->addWidget(new QLabel(u("Gesamtanzahl Empfänger:"), this));
    totalRow->addWidget(Gesamtanzahl_Empfaenger);
    totalRow->addStretch();
    recipientGrid->addLayout(totalRow, 2, 0, 1, 3);
    return recipientBox;
}

QHBoxLayout* TSmsForm::buildTypAbsender()
{
    SmsTyp = NewDropDown(this, "SmsTyp", {});
    SmsTyp->addItems({QStringLiteral("Text-SMS"), QStringLiteral("Flash-SMS")});
    Absender = NewEdit(this, "Absender");
    Absender->setValidator(new TAbsenderValidator(Absender));
    Absender->setToolTip(u("die Telefonnummer oder Zeichenkette die als Absender der SMS angezeigt wird"));
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(new QLabel(u("SMS-Typ:"), this));
    typeRow->addWidget(SmsTyp);
    typeRow->addSpacing(12);
    typeRow->addWidget(new QLabel(u("Absender:"), this));
    typeRow->addWidget(Absender, 1);
    return typeRow;
}

void TSmsForm::buildText()
{
    Panel_Content_Headline = NewHeading(this, u("Inhalt der Text-SMS"), "Panel_Content_Headline");
    TextSMS_Vorlagen = NewDropDown(this, "TextSMS_Vorlagen", {});
    Button_TextSMS_Vorlage_Insert = NewPushButton(this, "Button_TextSMS_Vorlage_Insert", u("Ein&fügen"));
    TextSMS_Sendetext = new QPlainTextEdit(this);
    TextSMS_Sendetext->setObjectName(QStringLiteral("TextSMS_Sendetext"));
    // Tab moves on, as in the other fields: a tab character has no place in an SMS.
    TextSMS_Sendetext->setTabChangesFocus(true);
    TextSMS_Sendetext->installEventFilter(this);
    TextSMS_Sendetext_Vorschau = new QPlainTextEdit(this);
    TextSMS_Sendetext_Vorschau->setObjectName(QStringLiteral("TextSMS_Sendetext_Vorschau"));
    TextSMS_Sendetext_Vorschau->setReadOnly(true);
    TextSMS_Sendetext_Vorschau->setTabChangesFocus(true);
    TextSMS_Sendetext_Vorschau->installEventFilter(this);
    TextSMS_Sendetext_Vorschau->hide();
    Sendetext_AnzahlZeichen = NewLabel(this, "Sendetext_AnzahlZeichen", QString());
    Button_Sendetext_AnzahlZeichen_Calculate =
        NewPushButton(this, "Button_Sendetext_AnzahlZeichen_Calculate", u("hier klicken, um benötigte Zeichenanzahl zu errechnen"));
    Button_Sendetext_AnzahlZeichen_Calculate->setFlat(true);
    Button_Sendetext_AnzahlZeichen_Calculate->setCursor(Qt::PointingHandCursor);
    Button_Sendetext_AnzahlZeichen_Calculate->setStyleSheet(
        QStringLiteral("QPushButton { color: blue; text-decoration: underline; border: none; text-align: left; }"));
    Button_Sendetext_AnzahlZeichen_Calculate->hide();
    TextSMS_AutomatischeFelder = NewDropDown(this, "TextSMS_AutomatischeFelder", {});
    for (const TAutomatischesFeld& f : kAutomatischeFelder)
        TextSMS_AutomatischeFelder->addItem(u(f.item));
    Button_TextSMS_AutomatischesFeld_Insert = NewPushButton(this, "Button_TextSMS_AutomatischesFeld_Insert", u("Ein&fügen"));
    TextSMS_AutomatischeFelder_Vorschau = NewCheckBox(this, "TextSMS_AutomatischeFelder_Vorschau", u("V&orschaufunktion"));
}

QWidget* TSmsForm::layoutText()
{
    auto* textBox = new QWidget(this);
    auto* textGrid = new QGridLayout(textBox);
    textGrid->setContentsMargins(0, 0, 0, 0);
    textGrid->addWidget(Panel_Content_Headline, 0, 0, 1, 3);
    textGrid->addWidget(new QLabel(u("Vorlage:"), this), 1, 0);
    textGrid->addWidget(TextSMS_Vorlagen, 1, 1);
    textGrid->addWidget(Button_TextSMS_Vorlage_Insert, 1, 2);
    textGrid->addWidget(TextSMS_Sendetext, 2, 0, 1, 3);
    textGrid->addWidget(TextSMS_Sendetext_Vorschau, 3, 0, 1, 3);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(Sendetext_AnzahlZeichen);
    countRow->addWidget(Button_Sendetext_AnzahlZeichen_Calculate);
    countRow->addStretch();
    textGrid->addLayout(countRow, 4, 0, 1, 3);
    textGrid->addWidget(new QLabel(u("Automatische Felder:"), this), 5, 0);
    textGrid->addWidget(TextSMS_AutomatischeFelder, 5, 1);
    textGrid->addWidget(Button_TextSMS_AutomatischesFeld_Insert, 5, 2);
    textGrid->addWidget(TextSMS_AutomatischeFelder_Vorschau, 6, 0, 1, 3);
    textGrid->setColumnStretch(1, 1);
    return textBox;
}

void TSmsForm::connectHandlers()
{
    connect(ToolButton_Senden_Jetzt, &QToolButton::clicked, this, &TSmsForm::ToolButton_Senden_JetztClick);
    connect(ToolButton_Senden_Zeitgesteuert, &QToolButton::clicked, this,
            &TSmsForm::ToolButton_Senden_ZeitgesteuertClick);
    connect(ToolButton_Empfaenger_Hinzu, &QToolButton::clicked, this, &TSmsForm::ToolButton_Empfaenger_HinzuClick);
    connect(SpeedButton_Empfaenger_Waehlen, &QToolButton::clicked, this,
            &TSmsForm::ToolButton_Empfaenger_HinzuClick);
    connect(ToolButton_Empfaenger_Loeschen, &QToolButton::clicked, this,
            &TSmsForm::ToolButton_Empfaenger_LoeschenClick);
    connect(Button_Mobilfunknummer_Hinzu, &QPushButton::clicked, this, &TSmsForm::Button_Mobilfunknummer_HinzuClick);
    connect(SmsTyp, QOverload<int>::of(&QComboBox::activated), this, &TSmsForm::SmsTypClick);
    connect(TextSMS_Sendetext, &QPlainTextEdit::textChanged, this, &TSmsForm::TextSMS_SendetextChange);
    connect(Button_TextSMS_AutomatischesFeld_Insert, &QPushButton::clicked, this,
            &TSmsForm::Button_TextSMS_AutomatischesFeld_InsertClick);
    connect(TextSMS_AutomatischeFelder_Vorschau, &QCheckBox::clicked, this,
            &TSmsForm::TextSMS_AutomatischeFelder_VorschauClick);
    connect(Empfaenger->selectionModel(), &QItemSelectionModel::currentChanged, this, &TSmsForm::EmpfaengerClick);
    connect(Button_TextSMS_Vorlage_Insert, &QPushButton::clicked, this, &TSmsForm::Button_TextSMS_Vorlage_InsertClick);
    connect(Button_Sendetext_AnzahlZeichen_Calculate, &QPushButton::clicked, this,
            &TSmsForm::Button_Sendetext_AnzahlZeichen_CalculateClick);
}

TSmsForm::~TSmsForm()
{
}

// ---- Recipient list ----

void TSmsForm::ClearEmpfaenger() { m_recipients.ClearEmpfaenger(); }
void TSmsForm::ClearWarnzaehler() { m_recipients.ClearWarnzaehler(); }

bool TSmsForm::AddEmpfaenger(const TRecipient& r)
{
    const bool added = m_recipients.AddEmpfaenger(r);
    if (added)
        EmpfaengerListChanged();
    return added;
}

bool TSmsForm::AddEmpfaengerById(int id)
{
    const bool added = m_recipients.AddEmpfaengerById(id);
    if (added)
        EmpfaengerListChanged();
    return added;
}

int TSmsForm::AddEmpfaengerByIds(const QList<int>& ids)
{
    const int added = m_recipients.AddEmpfaengerByIds(ids);
    if (added > 0)
        EmpfaengerListChanged();
    return added;
}

int TSmsForm::AddEmpfaengerByKategorie(int kategorieId)
{
    const int before = m_recipients.Count();
    const int rows = m_recipients.AddEmpfaengerByKategorie(kategorieId);
    if (m_recipients.Count() != before)
        EmpfaengerListChanged();
    return rows;
}

void TSmsForm::AddGewaehlteEmpfaenger(const QList<int>& ids)
{
    if (m_recipients.AddEmpfaengerByIds(ids) > 0)
        EmpfaengerListChanged();
    RefreshEmpfaengerList();
    ShowWarnmeldungen();
}

void TSmsForm::EmpfaengerListChanged()
{
    if (HasAutomatischeFelder(GetSendetext())) {
        Sendetext_AnzahlZeichen->hide();
        Button_Sendetext_AnzahlZeichen_Calculate->show();
    }
}

void TSmsForm::RefreshEmpfaengerList()
{
    WaitCursor wait;   // the view lays out every row anew
    m_empfaengerModel->Refresh();
    Gesamtanzahl_Empfaenger->setText(QString::number(m_recipients.Count()));
}

void TSmsForm::DeleteEmpfaenger(int index)
{
    if (index < 0 || index >= m_recipients.Count())
        return;
    m_empfaengerModel->RemoveRow(index, [&] { m_recipients.DeleteEmpfaenger(index); });
    EmpfaengerListChanged();
}

QList<int> TSmsForm::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : Empfaenger->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TSmsForm::DeleteSelectedEmpfaenger()
{
    const QList<int> rows = selectedRows();
    if (m_empfaengerModel->rowCount() == 0 || rows.isEmpty()) {
        Msg::Information(u(kMsgNichtsGewaehlt));
        return;
    }
    const QString what = rows.size() == 1 ? QStringLiteral("den gewählten Empfänger")
                                          : QStringLiteral("die gewählten Empfänger");
    if (!Msg::Question(u("Sind Sie sicher, dass Sie ") + what + u(" entfernen möchten?")))
        return;
    // One pass instead of removing entry by entry: the same result without shifting the tail.
    m_recipients.DeleteEmpfaenger(rows);
    EmpfaengerListChanged();
    RefreshEmpfaengerList();
}

void TSmsForm::ShowWarnmeldungen()
{
    const QString text = m_recipients.Warnmeldungen();
    if (!text.isEmpty())
        Msg::Information(text);
}

void TSmsForm::Button_Mobilfunknummer_HinzuClick()
{
    const QString typed = Mobilfunknummer->text();
    if (typed.isEmpty()) {
        Msg::Information(u(kMsgKeineNummer));
        Mobilfunknummer->setFocus();
        return;
    }
    QString number = typed;
    const QStringList prefixes = DatenModul ? DatenModul->LaenderVorwahlen() : QStringList();
    if (!NormalizeMobilnummer(prefixes, number)) {
        if (!Msg::Question(u(kMsgNummerUngueltig))) {
            Mobilfunknummer->setFocus();
            Mobilfunknummer->selectAll();
            return;
        }
        number = typed;
    }
    if (m_recipients.AddFreieNummer(number)) {
        EmpfaengerListChanged();
        RefreshEmpfaengerList();
    } else {
        Msg::Information(u(kMsgNummerDoppelt));
        Mobilfunknummer->setFocus();
        Mobilfunknummer->selectAll();
    }
}

void TSmsForm::ToolButton_Empfaenger_HinzuClick()
{
    ClearWarnzaehler();
    // The ids are read only after OK; a cancel leaves the list as it is.
    if (m_empfaengerAuswahl.exec() != QDialog::Accepted)
        return;
    Guard([&] { AddGewaehlteEmpfaenger(m_empfaengerAuswahl.GetEmpfaengerIds()); });
}

void TSmsForm::ToolButton_Empfaenger_LoeschenClick() { DeleteSelectedEmpfaenger(); }
void TSmsForm::GewhltenKontakteentfernen1Click() { DeleteSelectedEmpfaenger(); }

void TSmsForm::alleentfernen1Click()
{
    if (!Msg::Question(u(kMsgAlleEntfernen)))
        return;
    ClearEmpfaenger();
    EmpfaengerListChanged();
    RefreshEmpfaengerList();
}

// ---- Showing ----

void TSmsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSmsForm::FormShow()
{
    const TIniFileDaten& ini = m_session.GetSettings().Live();
    RefreshEmpfaengerList();
    Mobilfunknummer->clear();
    SmsTyp->setCurrentIndex(ini.StandardTyp >= 0 && ini.StandardTyp < SmsTyp->count() ? ini.StandardTyp : -1);
    SmsTypClick();
    Absender->setText(ini.StandardAbsender);
    LoadVorlagen();
    TextSMS_Sendetext->clear();
    TextSMS_SendetextChange();
    TextSMS_AutomatischeFelder->setCurrentIndex(0);
    TextSMS_AutomatischeFelder_Vorschau->setChecked(false);
    TextSMS_AutomatischeFelder_VorschauClick();
    StatusBar->clearMessage();
    // The summary and the focus once the dialog is on screen.
    QTimer::singleShot(0, this, [this] {
        if (!isVisible())
            return;
        ShowWarnmeldungen();
        if (m_recipients.IsEmpty())
            Mobilfunknummer->setFocus();
        else
            SmsTyp->setFocus();
    });
}

// ---- Text, count, fields, preview, templates ----

QString TSmsForm::GetSendetext() const
{
    // The raw text: toPlainText() would turn no-break spaces into blanks, and the code page
    // has them. Blocks and line separators are the line breaks.
    QString text = TextSMS_Sendetext->document()->toRawText();
    text.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    text.replace(QChar(QChar::LineSeparator), QStringLiteral("\r\n"));
    return text;
}

void TSmsForm::SmsTypClick()
{
    Panel_Content_Headline->setText(SmsTyp->currentIndex() == 1 ? u("Inhalt der Flash-SMS")
                                                                : u("Inhalt der Text-SMS"));
}

void TSmsForm::TextSMS_SendetextChange()
{
    const QString text = GetSendetext();
    if (!HasAutomatischeFelder(text)) {
        Button_Sendetext_AnzahlZeichen_Calculate->hide();
        Sendetext_AnzahlZeichen->setText(countText(GetSmsLength(text)));
        Sendetext_AnzahlZeichen->show();
        TextSMS_AutomatischeFelder_Vorschau->setEnabled(false);
    } else {
        Sendetext_AnzahlZeichen->hide();
        Button_Sendetext_AnzahlZeichen_Calculate->show();
        TextSMS_AutomatischeFelder_Vorschau->setEnabled(true);
    }
}

void TSmsForm::Button_Sendetext_AnzahlZeichen_CalculateClick()
{
    if (m_recipients.IsEmpty()) {
        Msg::Information(u(kMsgKeineEmpfaengerZaehlen));
        return;
    }
    WaitCursor wait;
    showStatus(u("Bitte warten... die benötigte Zeichenanzahl wird errechnet."));
    int longest = 0;
    for (int i = 0; i < m_recipients.Count(); ++i)
        longest = qMax(longest, GetSmsLength(ReplaceAutomatischeFelder(i)));
    Sendetext_AnzahlZeichen->setText(countText(longest));
    Sendetext_AnzahlZeichen->show();
    Button_Sendetext_AnzahlZeichen_Calculate->hide();
    showStatus(QString(""));
}

QString TSmsForm::ReplaceAutomatischeFelder(int index) const
{
    const QString text = GetSendetext();
    if (!HasAutomatischeFelder(text) || index < 0 || index >= m_recipients.Count())
        return text;
    return TSmsVersand::ReplaceAutomatischeFelder(text, m_recipients.At(index));
}

void TSmsForm::Button_TextSMS_AutomatischesFeld_InsertClick()
{
    const int index = TextSMS_AutomatischeFelder->currentIndex();
    if (index < 0 || index >= kAutomatischeFelderAnzahl)
        return;
    const QString marker = AutomatischesFeldMarker(index);
    // Before the caret's selection start; a selected text stays in place.
    QTextCursor cursor = TextSMS_Sendetext->textCursor();
    const int start = cursor.selectionStart();
    cursor.clearSelection();
    cursor.setPosition(start);
    cursor.insertText(marker);
    TextSMS_Sendetext->setTextCursor(cursor);
    TextSMS_Sendetext->setFocus();
}

void TSmsForm::TextSMS_AutomatischeFelder_VorschauClick()
{
    const bool vorschau = TextSMS_AutomatischeFelder_Vorschau->isChecked();
    if (vorschau) {
        TextSMS_Sendetext_Vorschau->setPlainText(GetSendetext());
        TextSMS_Sendetext_Vorschau->show();
        TextSMS_Sendetext->hide();
        TextSMS_AutomatischeFelder->setEnabled(false);
        Button_TextSMS_AutomatischesFeld_Insert->setEnabled(false);
        Button_Sendetext_AnzahlZeichen_Calculate->setEnabled(false);
        EmpfaengerClick();
        Msg::Information(u(kMsgVorschauInfo));
    } else {
        TextSMS_Sendetext->show();
        TextSMS_Sendetext_Vorschau->hide();
        TextSMS_AutomatischeFelder->setEnabled(true);
        Button_TextSMS_AutomatischesFeld_Insert->setEnabled(true);
        Button_Sendetext_AnzahlZeichen_Calculate->setEnabled(true);
    }
}

void TSmsForm::EmpfaengerClick()
{
    const QModelIndex current = Empfaenger->currentIndex();
    if (m_empfaengerModel->rowCount() > 0 && current.isValid() && TextSMS_AutomatischeFelder_Vorschau->isChecked())
        TextSMS_Sendetext_Vorschau->setPlainText(ReplaceAutomatischeFelder(current.row()));
}

void TSmsForm::LoadVorlagen()
{
    WaitCursor wait;
    showStatus(u("Bitte warten... die SMS-Vorlagen werden eingelesen."));
    TextSMS_Vorlagen->clear();
    VorlagenIds.clear();
    try {
        QStringList names;
        for (const TSmsVorlagenEintrag& e : TSmsVorlagenDaten::VorlagenListe()) {
            VorlagenIds.append(e.id);
            names.append(e.name);
        }
        TextSMS_Vorlagen->addItems(names);
    } catch (const DbError& e) {
        Msg::Error(e.Text());
    }
    const bool any = !VorlagenIds.isEmpty();
    if (!any)
        TextSMS_Vorlagen->addItem(u(kKeineVorlagen));
    TextSMS_Vorlagen->setEnabled(any);
    Button_TextSMS_Vorlage_Insert->setEnabled(any);
    TextSMS_Vorlagen->setCurrentIndex(0);
    showStatus(QString(""));
}

void TSmsForm::Button_TextSMS_Vorlage_InsertClick()
{
    const int index = TextSMS_Vorlagen->currentIndex();
    if (index < 0 || index >= VorlagenIds.size())
        return;
    if (!TextSMS_Sendetext->toPlainText().isEmpty() && !Msg::Question(u(kMsgVorlageUeberschreiben)))
        return;
    try {
        TSmsVorlage vorlage;
        if (TSmsVorlagenDaten::LadeVorlage(VorlagenIds.at(index), vorlage))
            TextSMS_Sendetext->setPlainText(vorlage.content);
    } catch (const DbError& e) {
        Msg::Error(e.Text());
    }
}

// ---- Checks and sending ----

bool TSmsForm::CheckEingaben()
{
    if (m_recipients.IsEmpty()) {
        Msg::Information(u(kMsgKeineEmpfaenger));
        Empfaenger->setFocus();
        return false;
    }
    const TAbsenderBefund absender = CheckAbsender(Absender->text());
    if (absender == TAbsenderBefund::ZuLang) {
        Msg::Information(AbsenderMeldung(absender));
        Absender->setFocus();
        return false;
    }
    if (absender != TAbsenderBefund::Ok && !Msg::Question(AbsenderMeldung(absender))) {
        Absender->setFocus();
        return false;
    }
    if (GetSendetext().isEmpty()) {
        Msg::Information(u(kMsgKeinInhalt));
        TextSMS_Sendetext->setFocus();
        return false;
    }
    return true;
}

void TSmsForm::ToolButton_Senden_JetztClick()
{
    if (m_sending || !CheckEingaben())
        return;
    if (!Msg::Question(u("Sind Sie sicher, dass Sie ") + QString::number(m_recipients.Count())
                       + u(" SMS versenden möchten?")))
        return;
    SendSms(false, true, Clock::Now());
}

void TSmsForm::ToolButton_Senden_ZeitgesteuertClick()
{
    if (m_sending || !CheckEingaben())
        return;
    if (m_zeitgesteuertForm.exec() != QDialog::Accepted)
        return;
    SendSms(m_zeitgesteuertForm.IsGeburtstag(), false, m_zeitgesteuertForm.GetVersandzeitpunkt());
}

void TSmsForm::showStatus(const QString& text) { ShowDialogStatus(StatusBar, text); }

void TSmsForm::setRunning(bool running)
{
    m_sending = running;
    if (running) {
        m_enabledBeforeRun.clear();
        const QList<QWidget*> commands = {
            ToolButton_Senden_Jetzt, ToolButton_Senden_Zeitgesteuert, ToolButton_Empfaenger_Hinzu,
            ToolButton_Empfaenger_Loeschen, SpeedButton_Empfaenger_Waehlen, Button_Mobilfunknummer_Hinzu,
            Button_TextSMS_Vorlage_Insert, Button_Sendetext_AnzahlZeichen_Calculate, Empfaenger};
        for (QWidget* w : commands) {
            m_enabledBeforeRun.append({w, w->isEnabled()});
            w->setEnabled(false);
        }
    } else {
        for (const auto& [w, enabled] : m_enabledBeforeRun)
            w->setEnabled(enabled);
        m_enabledBeforeRun.clear();
    }
}

void TSmsForm::SendSms(bool geburtstag, bool sofort, const QDateTime& zeitpunkt)
{
    if (m_sending)
        return;
    setRunning(true);
    auto wait = std::make_unique<WaitCursor>();
    auto finish = [&] {
        wait.reset();
        showStatus(QString(""));
        setRunning(false);
    };
    try {
        showStatus(TSmsVersand::ProgressText(0));
        // Taken once for all requests of the run; a cancelled dialog ends it silently.
        const std::optional<TLogin> login = AcquireLogin(m_session, m_session.GetSettings().Live(), this);
        if (!login) {
            finish();
            return;
        }
        TSmsVersandAuftrag auftrag;
        auftrag.Username = login->Username;
        auftrag.Passwort = login->Passwort;
        auftrag.TypIndex = SmsTyp->currentIndex();
        auftrag.Absender = Absender->text();
        auftrag.Text = GetSendetext();
        auftrag.Geburtstag = geburtstag;
        auftrag.Sofort = sofort;
        auftrag.Zeitpunkt = zeitpunkt;

        TSmsVersand versand(m_session, m_recipients, auftrag);
        versand.SetProgressSink([this](const QString& text) {
            StatusBar->showMessage(text);
            StatusBar->repaint();
        });
        const TSmsVersandErgebnis ergebnis = versand.Run();

        showStatus(QString::fromLatin1(kStatusDatenbanken));
        ProcessPendingEvents();
        TSmsVersand::UpdateMobilLastSend(m_recipients);
        finish();

        // Decided on the failed requests: a rejection can come without any error text.
        if (ergebnis.Failed()) {
            Msg::Information(TSmsVersand::FehlerMeldung(ergebnis));
            return;
        }
        if (m_statusForm) {
            m_statusForm->SetRueckgabe(ergebnis.Rueckgabe);
            if (m_statusForm->IsSuccess())
                StoreLogin(m_session.GetSettings(), *login);
        }
        accept();
    } catch (const DbError& e) {
        finish();
        Msg::Error(e.Text());
    } catch (const std::exception& e) {
        finish();
        Msg::Error(QString::fromLocal8Bit(e.what()));
    }
}

void TSmsForm::reject()
{
    if (m_sending)
        return;
    QDialog::reject();
}

void TSmsForm::closeEvent(QCloseEvent* event)
{
    if (m_sending) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool TSmsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == Mobilfunknummer && enter) {
            Button_Mobilfunknummer_HinzuClick();
            return true;
        }
        if (watched == TextSMS_Sendetext && enter)
            return true;   // no line break from the keyboard
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        // Tab leaves the preview like any field; only typing into it is refused.
        if (watched == TextSMS_Sendetext_Vorschau && !tab && !key->text().isEmpty()) {
            Msg::Information(u(kMsgVorschauTaste));
            return true;
        }
        if (watched == Empfaenger && key->key() == Qt::Key_Delete) {
            DeleteSelectedEmpfaenger();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
