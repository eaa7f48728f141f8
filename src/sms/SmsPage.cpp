#include "sms/SmsPage.h"
#include "contacts/KontaktDaten.h"
#include "foundation/ClickHandler.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/Guard.h"
#include "foundation/GridColumns.h"
#include "foundation/IniFileDaten.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "foundation/WidgetKit.h"
#include "foundation/Settings.h"
#include "gateway/GatewaySession.h"
#include "foundation/FrameWidgets.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktgruppenForm.h"
#include "gateway/Hosts.h"
#include "gateway/HttpRequest.h"
#include "gateway/LoginForm.h"
#include "sms/Protokoll.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandStatusForm.h"
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const kNoSearchText = "Bitte geben Sie einen Suchbegriff ein.";
const char* const kNoHits = "Zu Ihrer Suche wurden keine Einträge gefunden.";


// "1 Eintrag", else "%d Einträge" (also for 0).
QString kontaktCountText(int count)
{
    return count == 1 ? QStringLiteral("1 Eintrag") : QString::number(count) + QStringLiteral(" Einträge");
}

// Opens or closes a search panel; the tool button shows whether it is open, `other` (if any)
// takes the panel's place while it is closed.
void toggleSearchPanel(bool& offen, QToolButton* button, QWidget* panel, QLineEdit* edit, QWidget* page,
                       QWidget* other = nullptr)
{
    offen = !offen;
    button->setChecked(offen);
    panel->setVisible(!panel->isVisibleTo(page));
    if (other)
        other->setVisible(!other->isVisibleTo(page));
    if (panel->isVisibleTo(page))
        edit->setFocus();
}

// Numbers and texts of the gateway, never markup; the user may copy them.
const TLabelLook kValue{.plainText = true, .selectable = true};

} // namespace

// ---------------------------------------------------------------------------------------------

namespace {
// The log shows its dates, numbers and status texts whole (columns ISTZEITPUNKT, DNR, CONTENT,
// STATUSID); the message text gives up the room they need.
void fitProtokollColumns(QTableView* grid)
{
    using namespace GridColumns;
    Widen(grid,
          {Needed(grid, 0, DateTimeSamples(), TIconTextDelegate::TextOffset(1)), Needed(grid, 1, NumberSamples()), 0,
           Needed(grid, 3, StatusSamples())},
          2, 100);
}
}

TSmsPage::TSmsPage(GatewaySession& session, const TSmsDialoge& dialoge, QWidget* parent)
    : TPage(parent), m_session(session), m_dialoge(dialoge)
{
    setObjectName(QStringLiteral("Panel_SMS"));
    m_kontakte = new TSmsKontakteModel(this);
    m_protokoll = new TProtokollModel({QStringLiteral("ISTZEITPUNKT"), QStringLiteral("DNR"),
                                       QStringLiteral("CONTENT"), QStringLiteral("STATUSID")},
                                      this);
    buildUi();
    clearSmsDetails();
    ResetSmsKontakteSuche();
    ResetSmsSuche();
}

TSmsPage::~TSmsPage() = default;

void TSmsPage::buildUi()
{
    buildToolBar();
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    Panel_SMS_Splitter = new QSplitter(Qt::Horizontal, this);
    Panel_SMS_Splitter->setObjectName(QStringLiteral("Splitter_SMS"));
    Panel_SMS_Splitter->setChildrenCollapsible(false);
    outer->addWidget(Panel_SMS_Splitter);

    buildKontaktgruppen();
    buildKontakte();
    QSplitter* rightSplitter = buildProtokollSuche();
    buildProtokoll(rightSplitter);
    buildSmsDetails(rightSplitter);

    Panel_SMS_Splitter->setStretchFactor(0, 0);
    Panel_SMS_Splitter->setStretchFactor(1, 1);
    Panel_SMS_LeftSplitter->setStretchFactor(0, 0);
    Panel_SMS_LeftSplitter->setStretchFactor(1, 1);
    // Only the user's moves change the stored sizes.
    connect(Panel_SMS_Splitter, &QSplitter::splitterMoved, this,
            [this] { m_leftWidth = Panel_SMS_Splitter->sizes().value(0); });
    connect(Panel_SMS_LeftSplitter, &QSplitter::splitterMoved, this,
            [this] { m_topHeight = Panel_SMS_LeftSplitter->sizes().value(0); });
    applyPanelSizes();
}

void TSmsPage::buildToolBar()
{
    ToolBar_SmsVersand = new QToolBar(this);
    ToolBar_SmsVersand->setObjectName(QStringLiteral("ToolBar_SmsVersand"));
    // Buttons as on the other pages' tool bars: 107 x 41 pixels, a picture over the text.
    auto toolButton = [this](const char* name, const QString& text, const QString& hint, bool checkable, int ico) {
        return NewToolButton(ToolBar_SmsVersand, name,
                             {.text = text, .hint = hint, .icon = QIcon(ImageList_Ico(ico)), .iconSize = kIcoSize,
                              .minimumSize = QSize(107, 41), .checkable = checkable,
                              .style = Qt::ToolButtonTextUnderIcon});
    };
    ToolButton_Sms_Neu = toolButton("ToolButton_Sms_Neu", QStringLiteral("Neue SMS"),
                                    QStringLiteral("versendet eine SMS"), false, Ico_Sms);
    ToolButton_Sms_ProtokollUpdate = toolButton(
        "ToolButton_Sms_ProtokollUpdate", QStringLiteral("Protokoll laden"),
        QStringLiteral("lädt das aktuelle Versandprotokoll vom Webserver herunter"), false, Ico_Sms);
    ToolButton_Sms_Kontakt_Suchen = toolButton("ToolButton_Sms_Kontakt_Suchen", QStringLiteral("Kontakte suchen"),
                                               QStringLiteral("sucht nach Kontakten"), true, Ico_Kontakt);
    ToolButton_Sms_Suchen = toolButton("ToolButton_Sms_Suchen", QStringLiteral("SMS suchen"),
                                       QStringLiteral("sucht nach SMS"), true, Ico_Sms);
    connect(ToolButton_Sms_Neu, &QToolButton::clicked, this, &TSmsPage::ToolButton_Sms_NeuClick);
    connect(ToolButton_Sms_ProtokollUpdate, &QToolButton::clicked, this,
            &TSmsPage::ToolButton_Sms_ProtokollUpdateClick);
    connect(ToolButton_Sms_Kontakt_Suchen, &QToolButton::clicked, this,
            &TSmsPage::ToolButton_Sms_Kontakt_SuchenClick);
    connect(ToolButton_Sms_Suchen, &QToolButton::clicked, this, &TSmsPage::ToolButton_Sms_SuchenClick);
}

// Left: groups above, contacts below.
void TSmsPage::buildKontaktgruppen()
{
    // Left: groups above, contacts below.
    Panel_SMS_Left = new QWidget(Panel_SMS_Splitter);
    Panel_SMS_Left->setObjectName(QStringLiteral("Panel_SMS_Left"));
    auto* leftLayout = new QVBoxLayout(Panel_SMS_Left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    Panel_SMS_LeftSplitter = new QSplitter(Qt::Vertical, Panel_SMS_Left);
    Panel_SMS_LeftSplitter->setChildrenCollapsible(false);
    leftLayout->addWidget(Panel_SMS_LeftSplitter);

    ListBox_Sms_Kontaktgruppen = new QListWidget(Panel_SMS_LeftSplitter);
    ListBox_Sms_Kontaktgruppen->setObjectName(QStringLiteral("ListBox_Sms_Kontaktgruppen"));
    ListBox_Sms_Kontaktgruppen->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox_Sms_Kontaktgruppen->setToolTip(QStringLiteral(
        "Durch Auswahl einer Kontaktgruppe bekommen Sie alle Kontakte der gewählten Gruppe angezeigt"));
    PopupMenu_Sms_Kontaktgruppen = sendPopup(ListBox_Sms_Kontaktgruppen, "PopupMenu_Sms_Kontaktgruppen",
                                             "MenuItem1", &TSmsPage::MenuItem1Click, MenuItem1, "MenuItem2",
                                             &TSmsPage::MenuItem2Click, MenuItem2);
    // A list box's click comes with keyboard moves and with every mouse click, also on the
    // current item; a click that changes the item runs it once.
    connect(ListBox_Sms_Kontaktgruppen, &QListWidget::currentRowChanged, this, [this] {
        m_groupChangedByPress = true;
        ListBox_Sms_KontaktgruppenClick();
    });
    connect(ListBox_Sms_Kontaktgruppen, &QListWidget::pressed, this, [this] {
        if (!m_groupChangedByPress)
            ListBox_Sms_KontaktgruppenClick();
        m_groupChangedByPress = false;
    });
    ListBox_Sms_Kontaktgruppen->viewport()->installEventFilter(this);
    ListBox_Sms_Kontaktgruppen->setItemDelegate(new TIconTextDelegate(Ico_Gruppe, ListBox_Sms_Kontaktgruppen));
    connect(ListBox_Sms_Kontaktgruppen, &QListWidget::itemDoubleClicked, this,
            &TSmsPage::ListBox_Sms_KontaktgruppenDblClick);
}

void TSmsPage::buildKontakte()
{
    auto* kontaktePanel = new QWidget(Panel_SMS_LeftSplitter);
    auto* kontakteLayout = new QVBoxLayout(kontaktePanel);
    kontakteLayout->setContentsMargins(0, 0, 0, 0);
    Panel_Sms_Kontakte_Suche = new QWidget(kontaktePanel);
    Panel_Sms_Kontakte_Suche->setObjectName(QStringLiteral("Panel_Sms_Kontakte_Suche"));
    auto* ks = new QGridLayout(Panel_Sms_Kontakte_Suche);
    ks->addWidget(new QLabel(QStringLiteral("Suche:"), Panel_Sms_Kontakte_Suche), 0, 0);
    Sms_Kontakt_Suchen = NewEdit(Panel_Sms_Kontakte_Suche, "Sms_Kontakt_Suchen");
    Sms_Kontakt_Suchen->setToolTip(QStringLiteral("Sucht innerhalb der vorhandenen Kontakte"));
    Sms_Kontakt_Suchen->setMaxLength(TKontaktDaten::kSuchtextLaenge);
    Sms_Kontakt_Suchen->installEventFilter(this);
    ks->addWidget(Sms_Kontakt_Suchen, 0, 1, 1, 2);
    Button_Sms_Kontakte_Suchen = NewPushButton(Panel_Sms_Kontakte_Suche, "Button_Sms_Kontakte_Suchen", QStringLiteral("Suche starten"));
    Button_Sms_Kontakte_Suchen_Stop = NewPushButton(Panel_Sms_Kontakte_Suche, "Button_Sms_Kontakte_Suchen_Stop", QStringLiteral("Zurücksetzen"));
    ks->addWidget(Button_Sms_Kontakte_Suchen, 1, 1);
    ks->addWidget(Button_Sms_Kontakte_Suchen_Stop, 1, 2);
    connect(Button_Sms_Kontakte_Suchen, &QPushButton::clicked, this, &TSmsPage::Button_Sms_Kontakte_SuchenClick);
    connect(Button_Sms_Kontakte_Suchen_Stop, &QPushButton::clicked, this,
            &TSmsPage::Button_Sms_Kontakte_Suchen_StopClick);
    kontakteLayout->addWidget(Panel_Sms_Kontakte_Suche);

    Sms_Kontakte_Sortierung = NewDropDown(kontaktePanel, "Sms_Kontakte_Sortierung", {});
    Sms_Kontakte_Sortierung->addItems({QStringLiteral("Nachname"), QStringLiteral("Vorname")});
    Sms_Kontakte_Sortierung->setCurrentIndex(0);
    connect(Sms_Kontakte_Sortierung, &QComboBox::activated, this, &TSmsPage::Sms_Kontakte_SortierungChange);
    kontakteLayout->addWidget(Sms_Kontakte_Sortierung);

    Grid_Sms_Kontakte = new TSmsKontakteGrid(kontaktePanel);
    Grid_Sms_Kontakte->setObjectName(QStringLiteral("Grid_Sms_Kontakte"));
    Grid_Sms_Kontakte->setModel(m_kontakte);
    Grid_Sms_Kontakte->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid_Sms_Kontakte->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid_Sms_Kontakte->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Grid_Sms_Kontakte->verticalHeader()->hide();
    Grid_Sms_Kontakte->horizontalHeader()->setStretchLastSection(true);
    Grid_Sms_Kontakte->verticalHeader()->setDefaultSectionSize(Grid_Sms_Kontakte->fontMetrics().height() + 6);
    PopupMenu_Sms_Kontakte = sendPopup(Grid_Sms_Kontakte, "PopupMenu_Sms_Kontakte", "SMSsenden1",
                                       &TSmsPage::SMSsenden1Click, SMSsenden1, "Eigenschaften1",
                                       &TSmsPage::Eigenschaften1Click, Eigenschaften1);
    connect(Grid_Sms_Kontakte, &QAbstractItemView::doubleClicked, this, &TSmsPage::Grid_Sms_KontakteDblClick);
    connect(Grid_Sms_Kontakte, &TSmsKontakteGrid::MouseUp, this, &TSmsPage::Grid_Sms_KontakteMouseUp);
    connect(Grid_Sms_Kontakte, &TSmsKontakteGrid::KeyPress, this, &TSmsPage::Grid_Sms_KontakteKeyPress);
    Grid_Sms_Kontakte->setItemDelegate(new TIconTextDelegate(Ico_Kontakt, Grid_Sms_Kontakte));
    InstallGridWheel(Grid_Sms_Kontakte);
    kontakteLayout->addWidget(Grid_Sms_Kontakte, 1);
}

// Right: the send log with its search, and the details of one SMS; the splitter this returns
// takes the log and the details.
QSplitter* TSmsPage::buildProtokollSuche()
{
    // Right: the send log with its search, and the details of one SMS.
    auto* right = new QWidget(Panel_SMS_Splitter);
    right->setObjectName(QStringLiteral("Panel_SMS_Right"));
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    Panel_Sms_Suche = new QWidget(right);
    Panel_Sms_Suche->setObjectName(QStringLiteral("Panel_Sms_Suche"));
    auto* ls = new QHBoxLayout(Panel_Sms_Suche);
    ls->addWidget(new QLabel(QStringLiteral("Suchen nach:"), Panel_Sms_Suche));
    Sms_Suchen = NewEdit(Panel_Sms_Suche, "Sms_Suchen");
    Sms_Suchen->setMaxLength(250);
    Sms_Suchen->installEventFilter(this);
    ls->addWidget(Sms_Suchen, 1);
    Button_Sms_Suchen = NewPushButton(Panel_Sms_Suche, "Button_Sms_Suchen", QStringLiteral("Suche starten"));
    Button_Sms_Suchen_Stop = NewPushButton(Panel_Sms_Suche, "Button_Sms_Suchen_Stop", QStringLiteral("Zurücksetzen"));
    ls->addWidget(Button_Sms_Suchen);
    ls->addWidget(Button_Sms_Suchen_Stop);
    connect(Button_Sms_Suchen, &QPushButton::clicked, this, &TSmsPage::Button_Sms_SuchenClick);
    connect(Button_Sms_Suchen_Stop, &QPushButton::clicked, this, &TSmsPage::Button_Sms_Suchen_StopClick);
    rightLayout->addWidget(Panel_Sms_Suche);

    Panel_Sms_Versendete_Hinweis = new QWidget(right);
    Panel_Sms_Versendete_Hinweis->setObjectName(QStringLiteral("Panel_Sms_Versendete_Hinweis"));
    auto* hl = new QHBoxLayout(Panel_Sms_Versendete_Hinweis);
    auto* hint = new QLabel(QStringLiteral(
        "Hier sehen Sie das lokal gespeicherte Versandprotokoll. Über \"Protokoll laden\" holen Sie "
        "den aktuellen Stand vom Webserver."), Panel_Sms_Versendete_Hinweis);
    hint->setWordWrap(true);
    hl->addWidget(hint);
    rightLayout->addWidget(Panel_Sms_Versendete_Hinweis);

    VersendeteSms_Sortierung = NewDropDown(right, "VersendeteSms_Sortierung", {});
    VersendeteSms_Sortierung->addItems({QStringLiteral("Datum absteigend"), QStringLiteral("Datum aufsteigend"),
                                        QStringLiteral("Empfängernummer")});
    VersendeteSms_Sortierung->setCurrentIndex(0);
    connect(VersendeteSms_Sortierung, &QComboBox::activated, this, &TSmsPage::VersendeteSms_SortierungChange);
    rightLayout->addWidget(VersendeteSms_Sortierung);

    auto* rightSplitter = new QSplitter(Qt::Vertical, right);
    rightSplitter->setChildrenCollapsible(false);
    rightLayout->addWidget(rightSplitter, 1);
    return rightSplitter;
}

void TSmsPage::buildProtokoll(QSplitter* rightSplitter)
{
    Grid_VersendeteSms = new QTableView(rightSplitter);
    Grid_VersendeteSms->setObjectName(QStringLiteral("Grid_VersendeteSms"));
    Grid_VersendeteSms->setModel(m_protokoll);
    Grid_VersendeteSms->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid_VersendeteSms->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid_VersendeteSms->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid_VersendeteSms->verticalHeader()->hide();
    Grid_VersendeteSms->verticalHeader()->setDefaultSectionSize(Grid_VersendeteSms->fontMetrics().height() + 6);
    Grid_VersendeteSms->setWordWrap(false);
    Grid_VersendeteSms->setItemDelegate(new TIconTextDelegate(Ico_Sms, Grid_VersendeteSms));
    InstallGridWheel(Grid_VersendeteSms);
    const int widths[] = {131, 102, 336, 70};
    for (int i = 0; i < 4; ++i)
        Grid_VersendeteSms->setColumnWidth(i, widths[i]);
    connect(Grid_VersendeteSms->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { ShowSelectedSmsDetails(); });
}

void TSmsPage::buildSmsDetails(QSplitter* rightSplitter)
{
    auto* details = new QWidget(rightSplitter);
    details->setObjectName(QStringLiteral("Panel_SMS_Details"));
    auto* dl = new QVBoxLayout(details);
    // It holds a contact's name.
    Panel_SMS_Content_Headline =
        NewLabel(details, "Panel_SMS_Content_Headline", QString(), {.bold = true, .plainText = true});
    dl->addWidget(Panel_SMS_Content_Headline);
    auto* body = new QHBoxLayout;
    auto* form = new QFormLayout;
    Label_SMS_Versandzeitpunkt = NewLabel(details, "Label_SMS_Versandzeitpunkt", QString(), kValue);
    Label_SMS_EmpfaengerNummer = NewLabel(details, "Label_SMS_EmpfaengerNummer", QString(), kValue);
    Label_SMS_Empfaenger = NewLabel(details, "Label_SMS_Empfaenger", QString());
    Label_SMS_Empfaenger->setTextFormat(Qt::PlainText);
    Label_SMS_Empfaenger->setCursor(Qt::PointingHandCursor);
    Label_SMS_Empfaenger->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    OnWidgetClick(Label_SMS_Empfaenger, [this] { Label_SMS_EmpfaengerClick(); });
    Label_SMS_Absender = NewLabel(details, "Label_SMS_Absender", QString(), kValue);
    Label_SMS_Typ = NewLabel(details, "Label_SMS_Typ", QString(), kValue);
    Label_SMS_MessageId = NewLabel(details, "Label_SMS_MessageId", QString(), kValue);
    Label_SMS_RequestId = NewLabel(details, "Label_SMS_RequestId", QString(), kValue);
    Label_SMS_SenderIp = NewLabel(details, "Label_SMS_SenderIp", QString(), kValue);
    Label_SMS_MsgParts = NewLabel(details, "Label_SMS_MsgParts", QString(), kValue);
    Label_SMS_Op = NewLabel(details, "Label_SMS_Op", QString(), kValue);
    Label_SMS_Versandstatus = NewLabel(details, "Label_SMS_Versandstatus", QString(), kValue);
    form->addRow(QStringLiteral("Versandzeitpunkt:"), Label_SMS_Versandzeitpunkt);
    form->addRow(QStringLiteral("Empfängernummer:"), Label_SMS_EmpfaengerNummer);
    form->addRow(QStringLiteral("Empfänger:"), Label_SMS_Empfaenger);
    form->addRow(QStringLiteral("Absender:"), Label_SMS_Absender);
    form->addRow(QStringLiteral("Typ:"), Label_SMS_Typ);
    form->addRow(QStringLiteral("Message-Id:"), Label_SMS_MessageId);
    form->addRow(QStringLiteral("Request-Id:"), Label_SMS_RequestId);
    form->addRow(QStringLiteral("Sender-IP:"), Label_SMS_SenderIp);
    form->addRow(QStringLiteral("SMS-Teile:"), Label_SMS_MsgParts);
    form->addRow(QStringLiteral("Netz:"), Label_SMS_Op);
    form->addRow(QStringLiteral("Versandstatus:"), Label_SMS_Versandstatus);
    body->addLayout(form);
    Memo_SMS_TextSMS = new QPlainTextEdit(details);
    Memo_SMS_TextSMS->setObjectName(QStringLiteral("Memo_SMS_TextSMS"));
    Memo_SMS_TextSMS->setReadOnly(true);
    body->addWidget(Memo_SMS_TextSMS, 1);
    dl->addLayout(body);
}

QMenu* TSmsPage::sendPopup(QAbstractItemView* view, const char* name, const char* sendName, void (TSmsPage::*send)(),
                           QAction*& sendAction, const char* propertiesName, void (TSmsPage::*properties)(),
                           QAction*& propertiesAction)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QLatin1String(name));
    sendAction = menu->addAction(QStringLiteral("SMS &senden"));
    sendAction->setObjectName(QLatin1String(sendName));
    propertiesAction = menu->addAction(QStringLiteral("&Eigenschaften"));
    propertiesAction->setObjectName(QLatin1String(propertiesName));
    menu->setDefaultAction(sendAction);
    connect(sendAction, &QAction::triggered, this, send);
    connect(propertiesAction, &QAction::triggered, this, properties);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [menu, view](const QPoint& p) { menu->popup(view->viewport()->mapToGlobal(p)); });
    return menu;
}

QString TSmsPage::TitleText() const { return QStringLiteral("  SMS versenden"); }
QWidget* TSmsPage::ToolBar() { return ToolBar_SmsVersand; }

bool TSmsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBox_Sms_Kontaktgruppen->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        // The right button only opens the pop-up menu: it acts on the groups selected before.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            return true;
        m_groupChangedByPress = false;
    }
    if (event->type() == QEvent::KeyPress && (watched == Sms_Kontakt_Suchen || watched == Sms_Suchen)) {
        const auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            if (watched == Sms_Kontakt_Suchen)
                Button_Sms_Kontakte_SuchenClick();
            else
                Button_Sms_SuchenClick();
            return true;
        }
    }
    return TPage::eventFilter(watched, event);
}

void TSmsPage::BeforeSwitch()
{
    ShowSmsDetails(-1);
}

void TSmsPage::Load()
{
    Guard([&] {
        ResetSmsKontakteSuche();
        ResetSmsSuche();
        LoadSmsKontaktgruppen();
        LoadProtokoll();
    });
}

void TSmsPage::applyPanelSizes()
{
    // The left panel and the group list keep their own sizes; the rest takes what remains.
    const int width = std::max(Panel_SMS_Splitter->width(), m_leftWidth + 1);
    Panel_SMS_Splitter->setSizes({m_leftWidth, width - m_leftWidth});
    const int height = std::max(Panel_SMS_LeftSplitter->height(), m_topHeight + 1);
    Panel_SMS_LeftSplitter->setSizes({m_topHeight, height - m_topHeight});
}

void TSmsPage::resizeEvent(QResizeEvent* event)
{
    TPage::resizeEvent(event);
    applyPanelSizes();
}

void TSmsPage::RestoreLayout(const TIniFileDaten& ini)
{
    m_leftWidth = std::max(0, ini.SMS_Width_Panel_Left);
    m_topHeight = std::max(0, ini.Height_Panel_LeftTop);
    applyPanelSizes();
    const QSignalBlocker b1(Sms_Kontakte_Sortierung);
    Sms_Kontakte_Sortierung->setCurrentIndex(
        ini.SortierungKontakte >= 0 && ini.SortierungKontakte < Sms_Kontakte_Sortierung->count()
            ? ini.SortierungKontakte : -1);
    if (ini.Widths_Versendete.size() == 4)
        for (int i = 0; i < 4; ++i)
            Grid_VersendeteSms->setColumnWidth(i, ini.Widths_Versendete[i]);
    // The design widths are fitted to the font in use; widths the user chose stay as they are.
    if (ini.Widths_Versendete == TIniFileDaten().Widths_Versendete)
        fitProtokollColumns(Grid_VersendeteSms);
    const QSignalBlocker b2(VersendeteSms_Sortierung);
    VersendeteSms_Sortierung->setCurrentIndex(
        ini.SortierungVersendete >= 0 && ini.SortierungVersendete < VersendeteSms_Sortierung->count()
            ? ini.SortierungVersendete : -1);
}

void TSmsPage::StoreLayout(TIniFileDaten& ini) const
{
    ini.Height_Panel_LeftTop = m_topHeight;
    ini.SMS_Width_Panel_Left = m_leftWidth;
    ini.SortierungKontakte = Sms_Kontakte_Sortierung->currentIndex();
    ini.Widths_Versendete.clear();
    for (int i = 0; i < m_protokoll->columnCount(); ++i)
        ini.Widths_Versendete.append(Grid_VersendeteSms->columnWidth(i));
    ini.SortierungVersendete = VersendeteSms_Sortierung->currentIndex();
}

int TSmsPage::GroupIndex() const
{
    return ListBox_Sms_Kontaktgruppen->currentRow();
}

void TSmsPage::RefreshAfterImport(int)
{
    Guard([&] {
        const QList<QListWidgetItem*> sel = ListBox_Sms_Kontaktgruppen->selectedItems();
        int id = 0;
        if (!sel.isEmpty()) {
            const int row = ListBox_Sms_Kontaktgruppen->row(sel.first());
            if (row >= 0 && row < int(SmsKontaktgruppenIds.size()))
                id = SmsKontaktgruppenIds[size_t(row)];
        }
        // The groups and their counts anew; the group chosen before stays chosen.
        LoadSmsKontaktgruppen();
        const auto at = std::find(SmsKontaktgruppenIds.begin(), SmsKontaktgruppenIds.end(), id);
        if (at == SmsKontaktgruppenIds.end())
            id = 0;
        {
            const QSignalBlocker block(ListBox_Sms_Kontaktgruppen);
            ListBox_Sms_Kontaktgruppen->setCurrentRow(id == 0 ? 0 : int(at - SmsKontaktgruppenIds.begin()),
                                                      QItemSelectionModel::ClearAndSelect);
        }
        LoadSmsKontakte(id);
    });
}

// --- groups and contacts ----------------------------------------------------------------------

QString TSmsPage::GetKontaktCountText(int id)
{
    return kontaktCountText(TKontaktDaten::KontaktAnzahl(id));
}

void TSmsPage::LoadSmsKontaktgruppen()
{
    // Called with the search reset: the list of the entry selected below is all contacts, and
    // its count is that entry's, so the table is counted once.
    std::unique_ptr<TKontaktDaten::TKontaktListe> alle;
    {
        StatusTextScope status(QStringLiteral("Bitte warten... die Kontaktgruppen werden eingelesen."));
        WaitCursor wait;
        const QSignalBlocker block(ListBox_Sms_Kontaktgruppen);
        ListBox_Sms_Kontaktgruppen->clear();
        // Counts of all groups at once instead of one statement per group.
        const QHash<int, int> counts = TKontaktDaten::KontaktAnzahlen();
        SmsKontaktgruppenIds.assign(1, 0);
        alle = NeueSmsKontakte(0);
        QStringList items;
        items << QStringLiteral("[alle Kontakte] (") + kontaktCountText(alle->Anzahl()) + QStringLiteral(")");
        for (const TKategorie& k : TKontaktDaten::Kategorien()) {
            SmsKontaktgruppenIds.push_back(k.id);
            items << k.name + QStringLiteral(" (") + kontaktCountText(counts.value(k.id)) + QStringLiteral(")");
        }
        ListBox_Sms_Kontaktgruppen->addItems(items);
        ListBox_Sms_Kontaktgruppen->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    }
    ZeigeSmsKontakte(std::move(alle));
}

int TSmsPage::CurrentGroupId() const
{
    const int row = ListBox_Sms_Kontaktgruppen->currentRow();
    if (row < 0 || row >= int(SmsKontaktgruppenIds.size()))
        return 0;
    return SmsKontaktgruppenIds[size_t(row)];
}

std::unique_ptr<TKontaktDaten::TKontaktListe> TSmsPage::NeueSmsKontakte(int id)
{
    StatusTextScope status(QStringLiteral("Bitte warten... die Kontaktdaten werden eingelesen."));
    WaitCursor wait;
    return std::make_unique<TKontaktDaten::TKontaktListe>(
        TKontaktDaten::TKontaktListe::Art::SmsKontakte, id, SmsKontakteSucheAktiv, Sms_Kontakt_Suchen->text(),
        Sms_Kontakte_Sortierung->currentIndex());
}

int TSmsPage::ZeigeSmsKontakte(std::unique_ptr<TKontaktDaten::TKontaktListe> liste)
{
    const int n = liste->Anzahl();
    m_kontakte->SetListe(std::move(liste), Sms_Kontakte_Sortierung->currentIndex());
    SmsKontakteAnker = QPersistentModelIndex();
    SmsKontakteZiel = QPersistentModelIndex();
    if (n > 0)
        Grid_Sms_Kontakte->selectionModel()->setCurrentIndex(m_kontakte->index(0, 0), QItemSelectionModel::NoUpdate);
    return n;
}

int TSmsPage::LoadSmsKontakte(int id)
{
    return ZeigeSmsKontakte(NeueSmsKontakte(id));
}

void TSmsPage::ListBox_Sms_KontaktgruppenClick()
{
    if (ListBox_Sms_Kontaktgruppen->count() == 0 || ListBox_Sms_Kontaktgruppen->currentRow() < 0)
        return;
    Guard([&] { LoadSmsKontakte(CurrentGroupId()); });
}

void TSmsPage::Sms_Kontakte_SortierungChange()
{
    ListBox_Sms_KontaktgruppenClick();
}

void TSmsPage::ListBox_Sms_KontaktgruppenDblClick()
{
    if (ListBox_Sms_Kontaktgruppen->count() == 0 || ListBox_Sms_Kontaktgruppen->currentRow() < 0)
        return;
    SendSmsToSelectedKontaktgruppen();
}

void TSmsPage::MenuItem1Click() { SendSmsToSelectedKontaktgruppen(); }

void TSmsPage::MenuItem2Click()
{
    if (ListBox_Sms_Kontaktgruppen->count() == 0 || ListBox_Sms_Kontaktgruppen->currentRow() < 0)
        return;
    const int id = CurrentGroupId();
    if (id >= 1) {
        showGruppeReadOnly(id);
    } else {
        Msg::Information(QStringLiteral("Für diese Systemkategorie stehen keine Eigenschaften zur Verfügung."));
    }
}

void TSmsPage::Grid_Sms_KontakteDblClick() { SendSmsToSelectedKontakte(); }
void TSmsPage::SMSsenden1Click() { SendSmsToSelectedKontakte(); }

void TSmsPage::Eigenschaften1Click()
{
    const QModelIndex cur = Grid_Sms_Kontakte->currentIndex();
    if (!cur.isValid())
        return;
    const int id = m_kontakte->At(cur.row()).id;
    if (id > 0)
        showKontaktReadOnly(id);
}

void TSmsPage::Label_SMS_EmpfaengerClick()
{
    const int id = Label_SMS_Empfaenger->property("tag").toInt();
    if (id > 0)
        showKontaktReadOnly(id);
}

void TSmsPage::Grid_Sms_KontakteKeyPress(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Grid_Sms_KontakteDblClick();
        return;
    }
    const QChar c = event->text().at(0);
    const int row = m_kontakte->FindPrefix(c, Sms_Kontakte_Sortierung->currentIndex() == 1);
    if (row >= 0) {
        const QModelIndex idx = m_kontakte->index(row, 0);
        Grid_Sms_Kontakte->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::NoUpdate);
        Grid_Sms_Kontakte->scrollTo(idx);
    }
}

void TSmsPage::Grid_Sms_KontakteMouseUp(Qt::KeyboardModifiers modifiers)
{
    const bool shift = modifiers & Qt::ShiftModifier;
    if (!shift)
        SmsKontakteAnker = QPersistentModelIndex();
    const QModelIndex cur = Grid_Sms_Kontakte->currentIndex();
    if (!SmsKontakteAnker.isValid())
        SmsKontakteAnker = cur;
    else
        SmsKontakteZiel = cur;
    if (SmsKontakteAnker.isValid() && SmsKontakteZiel.isValid() && shift)
        SelectGridRange(Grid_Sms_Kontakte, SmsKontakteAnker, SmsKontakteZiel);
}

void TSmsPage::SelectGridRange(QTableView* grid, const QPersistentModelIndex& anchor,
                               const QPersistentModelIndex& target)
{
    QAbstractItemModel* model = grid->model();
    if (!model || model->rowCount() == 0 || !anchor.isValid() || !target.isValid()
        || anchor.model() != model || target.model() != model)
        return;
    const int a = anchor.row();
    const int t = target.row();
    if (a == t)
        return;
    // The walk marks the rows from the anchor up to, not including, the target.
    const int from = a < t ? a : t + 1;
    const int to = a < t ? t - 1 : a;
    const QItemSelection range(model->index(from, 0), model->index(to, model->columnCount() - 1));
    grid->selectionModel()->select(range, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// --- sending ------------------------------------------------------------------------------------

void TSmsPage::SendSmsToSelectedKontakte()
{
    QModelIndexList selected = Grid_Sms_Kontakte->selectionModel()->selectedRows();
    std::vector<int> ids;
    if (!selected.isEmpty()) {
        std::sort(selected.begin(), selected.end(),
                  [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
        ids.reserve(size_t(selected.size()));
        for (const QModelIndex& i : selected)
            ids.push_back(m_kontakte->At(i.row()).id);
    } else {
        const QModelIndex cur = Grid_Sms_Kontakte->currentIndex();
        if (!cur.isValid())
            return;
        ids.push_back(m_kontakte->At(cur.row()).id);
    }
    openComposer(ids, {});
}

void TSmsPage::SendSmsToSelectedKontaktgruppen()
{
    if (ListBox_Sms_Kontaktgruppen->count() == 0)
        return;
    std::vector<int> groups;
    for (int row = 0; row < ListBox_Sms_Kontaktgruppen->count(); ++row)
        if (ListBox_Sms_Kontaktgruppen->item(row)->isSelected() && row < int(SmsKontaktgruppenIds.size()))
            groups.push_back(SmsKontaktgruppenIds[size_t(row)]);
    if (groups.empty())
        return;
    openComposer({}, groups);
}

void TSmsPage::ToolButton_Sms_NeuClick()
{
    openComposer({}, {});
}

// --- searches -----------------------------------------------------------------------------------

void TSmsPage::ToolButton_Sms_Kontakt_SuchenClick()
{
    toggleSearchPanel(SmsKontakteSucheOffen, ToolButton_Sms_Kontakt_Suchen, Panel_Sms_Kontakte_Suche,
                      Sms_Kontakt_Suchen, this);
}

void TSmsPage::startSearch(QLineEdit* edit, bool& aktiv, QPushButton* stop, const std::function<int()>& load)
{
    if (edit->text().isEmpty()) {
        Msg::Information(QString::fromUtf8(kNoSearchText));
        edit->setFocus();
        return;
    }
    aktiv = true;
    Guard([&] {
        if (load() > 0) {
            stop->setEnabled(true);
        } else {
            aktiv = false;
            Msg::Information(QString::fromUtf8(kNoHits));
        }
    });
}

void TSmsPage::Button_Sms_Kontakte_SuchenClick()
{
    startSearch(Sms_Kontakt_Suchen, SmsKontakteSucheAktiv, Button_Sms_Kontakte_Suchen_Stop,
                [this] { return LoadSmsKontakte(CurrentGroupId()); });
}

void TSmsPage::Button_Sms_Kontakte_Suchen_StopClick()
{
    SmsKontakteSucheAktiv = false;
    Button_Sms_Kontakte_Suchen_Stop->setEnabled(false);
    Sms_Kontakt_Suchen->clear();
    Guard([&] { LoadSmsKontakte(CurrentGroupId()); });
}

void TSmsPage::ResetSmsKontakteSuche()
{
    SmsKontakteSucheOffen = false;
    SmsKontakteSucheAktiv = false;
    ToolButton_Sms_Kontakt_Suchen->setChecked(false);
    Panel_Sms_Kontakte_Suche->setVisible(false);
    Sms_Kontakt_Suchen->clear();
    Button_Sms_Kontakte_Suchen_Stop->setEnabled(false);
}

void TSmsPage::ToolButton_Sms_SuchenClick()
{
    toggleSearchPanel(SmsSucheOffen, ToolButton_Sms_Suchen, Panel_Sms_Suche, Sms_Suchen, this,
                      Panel_Sms_Versendete_Hinweis);
}

void TSmsPage::Button_Sms_SuchenClick()
{
    startSearch(Sms_Suchen, SmsSucheAktiv, Button_Sms_Suchen_Stop, [this] { return LoadProtokoll(); });
}

void TSmsPage::Button_Sms_Suchen_StopClick()
{
    SmsSucheAktiv = false;
    Button_Sms_Suchen_Stop->setEnabled(false);
    Sms_Suchen->clear();
    Guard([&] { LoadProtokoll(); });
}

void TSmsPage::ResetSmsSuche()
{
    SmsSucheOffen = false;
    SmsSucheAktiv = false;
    ToolButton_Sms_Suchen->setChecked(false);
    Panel_Sms_Suche->setVisible(false);
    Panel_Sms_Versendete_Hinweis->setVisible(true);
    Sms_Suchen->clear();
    Button_Sms_Suchen_Stop->setEnabled(false);
}

void TSmsPage::VersendeteSms_SortierungChange()
{
    Guard([&] { LoadProtokoll(); });
}

// --- send log -----------------------------------------------------------------------------------

int TSmsPage::LoadProtokoll()
{
    {
        StatusTextScope status(QStringLiteral("Bitte warten... das Versandprotokoll wird eingelesen."));
        WaitCursor wait;
        ProcessPendingEvents();
        QVariantMap binds;
        if (SmsSucheAktiv)
            binds.insert(QStringLiteral("suche"), ProtokollSuchmuster(Sms_Suchen->text()));
        const TProtokollListe liste = ProtokollListSql(SmsSucheAktiv, VersendeteSms_Sortierung->currentIndex());
        m_protokoll->Open(liste.sql, binds, liste.ties);
    }
    // The list fetches lazily: the rows read so far (more than 0 when there are any).
    const int n = m_protokoll->rowCount();
    if (n > 0)
        Grid_VersendeteSms->setCurrentIndex(m_protokoll->index(0, 0));
    else
        ShowSmsDetails(-1);
    return n;
}

void TSmsPage::ShowSelectedSmsDetails()
{
    const QModelIndex cur = Grid_VersendeteSms->currentIndex();
    const int id = cur.isValid() ? m_protokoll->RowId(cur.row()) : -1;
    Guard([&] { ShowSmsDetails(id >= 1 ? id : -1); });
}

void TSmsPage::clearSmsDetails()
{
    Panel_SMS_Content_Headline->setText(QStringLiteral("  SMS-Details"));
    for (QLabel* l : {Label_SMS_Versandzeitpunkt, Label_SMS_EmpfaengerNummer, static_cast<QLabel*>(Label_SMS_Empfaenger),
                      Label_SMS_Absender, Label_SMS_Typ, Label_SMS_MessageId, Label_SMS_RequestId,
                      Label_SMS_SenderIp, Label_SMS_MsgParts, Label_SMS_Op, Label_SMS_Versandstatus})
        l->clear();
    Label_SMS_Empfaenger->setProperty("tag", 0);
    Memo_SMS_TextSMS->clear();
}

void TSmsPage::ShowSmsDetails(int id)
{
    if (id >= 0) {
        TVersandteSms d;
        if (LadeVersandteSms(id, d)) {
            FillSmsDetails(d);
            return;
        }
    }
    clearSmsDetails();
}

void TSmsPage::FillSmsDetails(const TVersandteSms& d)
{
    int kontaktId = 0;
    QString name = QStringLiteral("unbekannten Kontakt");
    {
        // Only a number that belongs to exactly one contact names it.
        TKontaktName k;
        if (TKontaktDaten::EinzigerKontaktMitMobil(d.dnr, k)) {
            kontaktId = k.id;
            name = GetKontaktName(k.vorname, k.nachname, k.firma);
        }
    }
    if (!d.ist.isValid())
        Panel_SMS_Content_Headline->setText(QStringLiteral("  SMS an ") + name);
    else
        Panel_SMS_Content_Headline->setText(QStringLiteral("  SMS vom ") + d.ist.toString(QStringLiteral("dd.MM.yyyy"))
                                            + QStringLiteral(", ") + d.ist.toString(QStringLiteral("HH:mm:ss"))
                                            + QStringLiteral(" Uhr an ") + name);
    Label_SMS_Versandzeitpunkt->setText(d.ist.isValid() ? d.ist.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                                                        : QStringLiteral("Unbekannt"));
    Label_SMS_EmpfaengerNummer->setText(d.dnr);
    Label_SMS_Empfaenger->setText(kontaktId > 0 ? name : QString(""));
    Label_SMS_Empfaenger->setProperty("tag", kontaktId);
    Label_SMS_Absender->setText(d.absender);
    Label_SMS_Typ->setText(d.typ);
    Label_SMS_MessageId->setText(d.messageid);
    Label_SMS_RequestId->setText(d.userrequestid);
    Label_SMS_SenderIp->setText(d.ip);
    Label_SMS_MsgParts->setText(QString::number(d.msgparts));
    Label_SMS_Op->setText(d.opcountry + QStringLiteral(" / ") + d.opnet);
    Label_SMS_Versandstatus->setText(GetProtokollStatusText(d.statusid));
    Memo_SMS_TextSMS->setPlainText(ProtokollMemoText(d.content));
}

void TSmsPage::ToolButton_Sms_ProtokollUpdateClick()
{
    // The download lets events through between pages: no second download inside the first.
    if (m_downloading)
        return;
    if (!Msg::Question(QStringLiteral(
            "Die Aktualisierung des Protokolls kann, je nach Datenmenge und Internetanbindung, bis zu "
            "einige Minuten dauern.\n\rSind Sie sicher, dass Sie das Protokoll jetzt aktualisieren möchten?")))
        return;
    m_downloading = true;
    ToolButton_Sms_ProtokollUpdate->setEnabled(false);
    Guard([&] {
        if (!DownloadProtokoll())
            return;
        RebuildProtokollIndex();
        LoadProtokoll();
        ListBox_Sms_KontaktgruppenClick();
    });
    ToolButton_Sms_ProtokollUpdate->setEnabled(true);
    m_downloading = false;
}

bool TSmsPage::DownloadProtokoll()
{
    const TIniFileDaten& ini = m_session.GetSettings().Live();
    // The status text stands from the start, the login included.
    StatusTextScope status(QStringLiteral("Bitte warten... das Versandprotokoll wird vom Server abgerufen."));
    const std::optional<TLogin> login = AcquireLogin(m_session, ini, this);
    if (!login)
        return false;
    const ProtokollFetch fetch = [&](const QStringList& params, QString* reply) {
        const TGatewayReply answer = m_session.Post(QLatin1String(kProtokollPath), params, QStringLiteral("Protocol"),
                                                    QLatin1String(kProtokollFailMessage));
        if (!answer.Success)
            return false;
        *reply = answer.Response;
        return true;
    };
    // Stored after the first page that the gateway accepted.
    const auto storeLogin = [&] { StoreLogin(m_session.GetSettings(), *login); };
    return RunProtokollDownload(login->Username, login->Passwort, ini.ProtokollLimit, fetch, storeLogin).Stored;
}

void TSmsPage::openComposer(const std::vector<int>& kontaktIds, const std::vector<int>& gruppenIds)
{
    if (!m_dialoge.Sms)
        return;
    const bool filled = Guard([&] {
        m_dialoge.Sms->ClearEmpfaenger();
        // Refusals (never SMS, no number, duplicates) are counted by the composer and shown
        // when it opens; it opens even when every contact was refused.
        m_dialoge.Sms->AddEmpfaengerByIds(QList<int>(kontaktIds.begin(), kontaktIds.end()));
        for (int id : gruppenIds)
            m_dialoge.Sms->AddEmpfaengerByKategorie(id);
    });
    // A failure while filling ends the command: no composer with half its recipients.
    if (!filled)
        return;
    // Only a successful send closes the composer with OK.
    if (m_dialoge.Sms->exec() != QDialog::Accepted)
        return;
    if (m_dialoge.Status)
        m_dialoge.Status->exec();
    ListBox_Sms_KontaktgruppenClick();
    Guard([&] { LoadProtokoll(); });
}

void TSmsPage::showKontaktReadOnly(int id)
{
    if (!m_dialoge.Kontakt)
        return;
    m_dialoge.Kontakt->SetKontaktId(id);
    m_dialoge.Kontakt->SetReadOnly(true);
    m_dialoge.Kontakt->exec();
    m_dialoge.Kontakt->SetReadOnly(false);
}

void TSmsPage::showGruppeReadOnly(int id)
{
    if (!m_dialoge.Gruppe)
        return;
    m_dialoge.Gruppe->SetKategorieId(id);
    m_dialoge.Gruppe->SetReadOnly(true);
    m_dialoge.Gruppe->exec();
    m_dialoge.Gruppe->SetReadOnly(false);
}
