#include "exchange/KontakteImportRelvineForm.h"
#include "foundation/WidgetKit.h"
#include "contacts/KontaktDaten.h"
#include "exchange/KontaktImport.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/Guard.h"
#include "foundation/IniFileDaten.h"
#include "foundation/Messages.h"
#include "foundation/Settings.h"
#include "foundation/WaitCursor.h"
#include "foundation/ClickHandler.h"
#include "gateway/GatewaySession.h"
#include "gateway/HttpRequest.h"
#include "gateway/LoginForm.h"
#include "gateway/Xml.h"
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStatusBar>
#include <QVBoxLayout>
#include <vector>

namespace {
const char kFehlerImport[] =
    "Beim Auslesen bzw. Verarbeiten der Relvine Kontaktdaten ist ein Fehler aufgetreten.\n\rFehlermeldung: ";
const char kLabel3[] =
    "Nähere Informationen über die Integration von Relvine in Ihren Internetauftritt erhalten Sie im "
    "Mitgliederbereich.";
const char kLink[] = "Mitgliederbereich";

// Texts of the wizard: plain, wrapped where they are too long.
const TLabelLook kText{.plainText = true, .wordWrap = true};
const TLabelLook kBoldText{.bold = true, .plainText = true, .wordWrap = true};
using StatusScope = TDialogStatus;
}

// ---- the list reply ----

int RelvineGeschlecht(const QString& title)
{
    if (title == QLatin1String("Herr"))
        return 2;
    if (title == QLatin1String("Frau"))
        return 3;
    return 1;
}

QVector<TRecipient> ParseRelvineKontakte(const QString& reply)
{
    QVector<TRecipient> entries;
    TXmlCursor cursor(reply);
    if (!cursor.Enter(QStringLiteral("Relvine")) || !cursor.Enter(QStringLiteral("ContactList")))
        return entries;
    QString contact;
    while (cursor.Next(QStringLiteral("Contact"), contact)) {
        TRecipient e;
        // A missing or non-integer Id reads as 0: listed and importable, never sent to the
        // service for deletion.
        e.Id = XmlElementInt(contact, QStringLiteral("Id"), 0);
        e.Geschlecht = RelvineGeschlecht(XmlElement(contact, QStringLiteral("Title")));
        e.Vorname = XmlElement(contact, QStringLiteral("Prename"));
        e.Nachname = XmlElement(contact, QStringLiteral("Surname"));
        e.Mobil = XmlElement(contact, QStringLiteral("Mobile"));
        entries.append(e);
    }
    return entries;
}

QString RelvineZeile(const TRecipient& entry)
{
    return GetKontaktName(entry.Vorname, entry.Nachname, QString()) + QStringLiteral(" <") + entry.Mobil +
           QLatin1Char('>');
}

QString RelvineAnzahlText(int count)
{
    if (count == 1)
        return QStringLiteral("Es befindet sich derzeit 1 Eintrag in der Liste.");
    return QStringLiteral("Es befinden sich derzeit %1 Einträge in der Liste.").arg(count);
}

// ---- the wizard ----

TKontakteImportRelvineForm::TKontakteImportRelvineForm(Settings& settings, GatewaySession& session, QWidget* parent)
    : TLaufDialog(parent), m_settings(settings), m_session(session)
{
    setObjectName(QStringLiteral("KontakteImportRelvineForm"));
    UseDialogKeys(this);
    setWindowTitle(QStringLiteral("Kontakte aus Relvine Datenbank importieren"));
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    m_steps = new QStackedWidget(this);

    buildStep1();
    buildStep2();
    m_steps->addWidget(Panel_Step1);
    m_steps->addWidget(Panel_Step2);

    StatusBar = NewDialogStatusBar(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_steps, 1);
    layout->addWidget(StatusBar);
    layout->setContentsMargins(10, 10, 10, 0);
    resize(560, 400);

    setTabOrder(Kontaktgruppen, Btn_Step1_Weiter);
    setTabOrder(Btn_Step1_Weiter, Btn_Step1_Abbrechen);

    connect(Btn_Step1_Weiter, &QPushButton::clicked, this, [this] { Btn_Step1_WeiterClick(); });
    connect(Btn_Step1_Abbrechen, &QPushButton::clicked, this, &TKontakteImportRelvineForm::reject);
    connect(Button1, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(Btn_Step2_Weiter, &QPushButton::clicked, this, [this] { Btn_Step2_WeiterClick(); });
    connect(Btn_Step2_Abbrechen, &QPushButton::clicked, this, &TKontakteImportRelvineForm::reject);
}

// Step 1: what happens, the link to the member area and the group choice.
void TKontakteImportRelvineForm::buildStep1()
{
    Panel_Step1 = new QWidget(m_steps);
    Panel_Step1->setObjectName(QStringLiteral("Panel_Step1"));
    Label3 = NewLabel(Panel_Step1, "Label3", u(kLabel3), kText);
    Label3->setWordWrap(false);
    // The link lies over the end of Label3, where its word stands.
    Label4 = NewClickLabel(Label3, QStringLiteral("Label4"), QString::fromUtf8(kLink), "#0000ff");
    Label4->setAutoFillBackground(true);
    OnWidgetClick(Label4, [this] { Q_EMIT mitgliederbereichClicked(); });
    Label3->installEventFilter(this);

    Kontaktgruppen = NewDropDown(Panel_Step1, "Kontaktgruppen", {});
    Kontaktgruppen->setEditable(false);
    Kontaktgruppen->setMinimumWidth(260);
    auto* label34 = NewLabel(Panel_Step1, "Label34", u("Kontakte zu Kategorie zuordnen:"), kText);
    label34->setWordWrap(false);
    label34->setBuddy(Kontaktgruppen);
    Btn_Step1_Weiter = NewPushButton(Panel_Step1, "Btn_Step1_Weiter", QStringLiteral("&Weiter"));
    Btn_Step1_Abbrechen = NewPushButton(Panel_Step1, "Btn_Step1_Abbrechen", QStringLiteral("A&bbrechen"));
    layoutStep1(label34);
}

void TKontakteImportRelvineForm::layoutStep1(QLabel* label34)
{
    auto* s1 = new QVBoxLayout(Panel_Step1);
    s1->setContentsMargins(0, 0, 0, 0);
    s1->addWidget(NewLabel(Panel_Step1, "Label2", u("Relvine"), kBoldText));
    s1->addWidget(NewLabel(Panel_Step1, "Label1",
                           u("Mit dieser Funktion können Sie Kontakte, die sich über Relvine auf Ihrer Webseite "
                             "eingetragen haben, importieren."),
                           kText));
    s1->addWidget(Label3);
    s1->addSpacing(6);
    s1->addWidget(NewLabel(Panel_Step1, "Label5",
                           u("Wenn Sie fortfahren werden alle auf dem Server befindlichen Relvine Einträge für den "
                             "Import eingelesen."),
                           kText));
    s1->addWidget(NewLabel(Panel_Step1, "Label6",
                           u("Sie haben vor dem Import in einer Listenüberischt die Möglichkeit einzelne Kontakte zu "
                             "löschen."),
                           kText));
    s1->addSpacing(10);
    s1->addWidget(NewLabel(Panel_Step1, "Label33",
                           u("Bitte wählen Sie, ob die importierten Kontakte einer Kategorie zugeordnet werden sollen."),
                           kBoldText));
    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(label34);
    groupRow->addWidget(Kontaktgruppen, 1);
    s1->addLayout(groupRow);
    s1->addStretch(1);
    auto* buttons1 = new QHBoxLayout;
    buttons1->addStretch(1);
    buttons1->addWidget(Btn_Step1_Weiter);
    buttons1->addWidget(Btn_Step1_Abbrechen);
    s1->addLayout(buttons1);
}

// Step 2: the list of entries.
void TKontakteImportRelvineForm::buildStep2()
{
    Panel_Step2 = new QWidget(m_steps);
    Panel_Step2->setObjectName(QStringLiteral("Panel_Step2"));
    ListBox_Kontakte = new QListWidget(Panel_Step2);
    ListBox_Kontakte->setObjectName(QStringLiteral("ListBox_Kontakte"));
    ListBox_Kontakte->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox_Kontakte->setUniformItemSizes(true);
    ListBox_Kontakte->installEventFilter(this);
    LabelCount = NewLabel(Panel_Step2, "LabelCount", QString(""), kText);
    Button1 = NewPushButton(Panel_Step2, "Button1", QStringLiteral("Gewählten Kontakt löschen"));
    Btn_Step2_Weiter = NewPushButton(Panel_Step2, "Btn_Step2_Weiter", QStringLiteral("&Fertigstellen"));
    Btn_Step2_Abbrechen = NewPushButton(Panel_Step2, "Btn_Step2_Abbrechen", QStringLiteral("A&bbrechen"));

    auto* s2 = new QVBoxLayout(Panel_Step2);
    s2->setContentsMargins(0, 0, 0, 0);
    s2->addWidget(NewLabel(Panel_Step2, "Label7",
                           u("Die Liste beinhaltet alle auf dem Server gespeicherten Relvine Kontakte."), kText));
    s2->addWidget(NewLabel(Panel_Step2, "Label8",
                           u("Sie haben die Möglichkeit einzelne Kontakte zu entfernen. Diese Kontakte werden "
                             "unwiderruflich vom Server gelöscht."),
                           kText));
    s2->addWidget(ListBox_Kontakte, 1);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(LabelCount, 1);
    countRow->addWidget(Button1);
    s2->addLayout(countRow);
    auto* buttons2 = new QHBoxLayout;
    buttons2->addStretch(1);
    buttons2->addWidget(Btn_Step2_Weiter);
    buttons2->addWidget(Btn_Step2_Abbrechen);
    s2->addLayout(buttons2);
}

void TKontakteImportRelvineForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TKontakteImportRelvineForm::FormShow()
{
    Guard([&] { LoadKontaktgruppen(); });
    Kontaktgruppen->setCurrentIndex(0);
    ListBox_Kontakte->clear();
    Eintraege.clear();
    StatusBar->clearMessage();
    m_steps->setCurrentWidget(Panel_Step1);
    Btn_Step1_Weiter->setDefault(true);
    Btn_Step2_Weiter->setDefault(false);
    placeLink();
    Kontaktgruppen->setFocus();
}

void TKontakteImportRelvineForm::LoadKontaktgruppen()
{
    LadeImportKontaktgruppen(Kontaktgruppen, KontaktgruppenIds);
}

void TKontakteImportRelvineForm::placeLink()
{
    const QString text = QString::fromUtf8(kLabel3);
    const qsizetype at = text.lastIndexOf(QString::fromUtf8(kLink));
    const QFontMetrics fm(Label3->font());
    const QRect r = Label3->contentsRect();
    const int x = r.left() + Label3->margin() + fm.horizontalAdvance(text.left(at));
    Label4->adjustSize();
    Label4->move(x, r.top() + (r.height() - Label4->height()) / 2);
    Label4->raise();
}

bool TKontakteImportRelvineForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label3 && event->type() == QEvent::Resize)
        placeLink();
    if (watched == ListBox_Kontakte && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteSelected();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TKontakteImportRelvineForm::setRunning(bool running)
{
    m_running = running;
    for (QWidget* w : {static_cast<QWidget*>(Btn_Step1_Weiter), static_cast<QWidget*>(Btn_Step1_Abbrechen),
                       static_cast<QWidget*>(Button1), static_cast<QWidget*>(Btn_Step2_Abbrechen),
                       static_cast<QWidget*>(ListBox_Kontakte)})
        w->setEnabled(!running);
    if (running)
        Btn_Step2_Weiter->setEnabled(false);
    else
        Btn_Step2_Weiter->setEnabled(!Eintraege.isEmpty());
}



void TKontakteImportRelvineForm::UpdateCount()
{
    LabelCount->setText(RelvineAnzahlText(int(Eintraege.size())));
    Btn_Step2_Weiter->setEnabled(!Eintraege.isEmpty());
}

// ---- step 1: the fetch ----

void TKontakteImportRelvineForm::Btn_Step1_WeiterClick()
{
    if (m_running)
        return;
    ListBox_Kontakte->clear();
    Eintraege.clear();
    bool loaded = false;
    if (!Guard([&] { loaded = LoadFromServer(); }) || !loaded)
        return;
    UpdateCount();
    m_steps->setCurrentWidget(Panel_Step2);
    Btn_Step1_Weiter->setDefault(false);
    Btn_Step2_Weiter->setDefault(true);
    ListBox_Kontakte->setFocus();
}

bool TKontakteImportRelvineForm::LoadFromServer()
{
    const std::optional<TLogin> login = AcquireLogin(m_session, m_settings.Live(), this);
    if (!login)
        return false;
    StatusScope status(StatusBar, QStringLiteral("Bitte warten... die Relvine Daten werden vom Server abgerufen."));
    WaitCursor wait;
    QStringList params{QStringLiteral("username=") + login->Username, QStringLiteral("password=") + login->Passwort};
    const TGatewayReply reply =
        m_session.Post(QLatin1String(kRelvinePath), std::move(params), QStringLiteral("Relvine"),
                       QStringLiteral("Die Relvine Daten konnten nicht erfolgreich vom Server abgerufen werden."));
    if (!reply.Success)
        return false;
    const QVector<TRecipient> entries = ParseRelvineKontakte(reply.Response);
    ListBox_Kontakte->setUpdatesEnabled(false);
    Eintraege.reserve(entries.size());
    for (const TRecipient& e : entries)
        AddEntry(e);
    ListBox_Kontakte->setUpdatesEnabled(true);
    StoreLogin(m_settings, *login);
    return true;
}

void TKontakteImportRelvineForm::AddEntry(const TRecipient& entry)
{
    Eintraege.append(entry);
    ListBox_Kontakte->addItem(RelvineZeile(entry));
}

// ---- step 2: deleting on the service ----

void TKontakteImportRelvineForm::DeleteSelected()
{
    if (m_running)
        return;
    const int count = ListBox_Kontakte->count();
    std::vector<bool> selected(size_t(count), false);
    int anzahl = 0;
    for (const QModelIndex& i : ListBox_Kontakte->selectionModel()->selectedIndexes())
        if (i.row() >= 0 && i.row() < count && !selected[size_t(i.row())]) {
            selected[size_t(i.row())] = true;
            ++anzahl;
        }
    if (count == 0 || anzahl == 0) {
        Msg::Information(QStringLiteral("Bitte wählen Sie zunächst einen oder mehrere Kontakte aus der Liste, die Sie "
                                        "entfernen möchten."));
        return;
    }
    const QString was = anzahl == 1 ? QStringLiteral("den gewählten Kontakt") : QStringLiteral("die gewählten Kontakte");
    if (Msg::Question(QStringLiteral("Sind Sie sicher, dass Sie ") + was + QStringLiteral(" vom Server löschen möchten?"))) {
        // The lines in list order; what is deleted is collected and the list rebuilt once, so
        // that long lists do not shift on every removal.
        std::vector<bool> removed(size_t(count), false);
        Guard([&] {
            for (int i = 0; i < count; ++i) {
                if (!selected[size_t(i)])
                    continue;
                if (DeleteEntry(i) == TDeleteResult::Aborted)
                    break;
                removed[size_t(i)] = true;
            }
        });
        QVector<TRecipient> kept;
        QStringList lines;
        std::vector<int> keepSelected;
        kept.reserve(count);
        lines.reserve(count);
        for (int i = 0; i < count; ++i) {
            if (removed[size_t(i)])
                continue;
            if (selected[size_t(i)])
                keepSelected.push_back(int(kept.size()));
            kept.append(Eintraege[i]);
            lines.append(ListBox_Kontakte->item(i)->text());
        }
        ListBox_Kontakte->setUpdatesEnabled(false);
        ListBox_Kontakte->clear();
        ListBox_Kontakte->addItems(lines);
        // Entries left by a cancelled login stay selected, ready for another try.
        for (int row : keepSelected)
            ListBox_Kontakte->item(row)->setSelected(true);
        ListBox_Kontakte->setUpdatesEnabled(true);
        Eintraege = std::move(kept);
    }
    UpdateCount();
}

TKontakteImportRelvineForm::TDeleteResult TKontakteImportRelvineForm::DeleteEntry(int index)
{
    const int id = Eintraege[index].Id;
    if (id <= 0)
        return TDeleteResult::Done;   // never was on the service under an id: removed here only
    // The rule anew for every entry: a login stored by the previous one is used.
    const std::optional<TLogin> login = AcquireLogin(m_session, m_settings.Live(), this);
    if (!login)
        return TDeleteResult::Aborted;
    StatusScope status(StatusBar, QStringLiteral("Bitte warten... die Daten werden vom Server gelöscht."));
    WaitCursor wait;
    QStringList params{QStringLiteral("username=") + login->Username, QStringLiteral("password=") + login->Passwort,
                       QStringLiteral("action=delete"), QStringLiteral("id=") + QString::number(id)};
    // A failure was shown by the request; the line goes all the same.
    if (m_session.Post(QLatin1String(kRelvinePath), std::move(params), QStringLiteral("Relvine"),
                       QStringLiteral("Die Daten konnten nicht erfolgreich vom Server gelöscht werden."))
            .Success)
        StoreLogin(m_settings, *login);
    return TDeleteResult::Done;
}

// ---- step 2: the import ----

void TKontakteImportRelvineForm::Btn_Step2_WeiterClick()
{
    if (m_running || Eintraege.isEmpty())
        return;
    const int index = Kontaktgruppen->currentIndex();
    const int kategorieId = index > 0 && index < KontaktgruppenIds.size() ? KontaktgruppenIds[index] : 0;
    int anzahl = 0;
    setRunning(true);
    std::optional<QString> failure;
    {
        WaitCursor wait;
        failure = FailureOf([&] {
            const QStringList vorwahlen = DatenModul->LaenderVorwahlen();
            TImportFortschritt fortschritt(
                StatusBar, QStringLiteral("Bitte warten... die Relvine Daten werden importiert (%d%% abgeschlossen)."),
                int(Eintraege.size()));
            const TKontaktDaten::TListenIndizesAus indizesAus(int(Eintraege.size()));
            // One unit: a failure takes back every contact written before it.
            DatenModul->Unit([&] {
                TKontaktDaten::TKontaktImport import(kategorieId);
                using F = TKontaktFeld;
                const TKontaktFelder felder{F::Geschlecht, F::Vorname, F::Nachname, F::Mobil};
                TKontakt k;
                for (const TRecipient& e : Eintraege) {
                    k.geschlechtId = e.Geschlecht;
                    k.vorname = e.Vorname;
                    k.nachname = e.Nachname;
                    k.mobil = e.Mobil;
                    NormalizeMobilnummer(vorwahlen, k.mobil);
                    import.Importiere(k, felder);
                    fortschritt.Weiter();
                }
                import.Abschliessen();
            });
            anzahl = fortschritt.Anzahl();
        });
    }
    StatusBar->clearMessage();
    setRunning(false);
    if (failure) {
        Msg::Error(QString::fromUtf8(kFehlerImport) + *failure);
        return;
    }
    if (anzahl == 1)
        Msg::Information(QStringLiteral("Es wurde 1 Relvine Kontakt erfolgreich importiert."));
    else
        Msg::Information(QStringLiteral("Es wurden %1 Relvine Kontakte erfolgreich importiert.").arg(anzahl));
    accept();
}
