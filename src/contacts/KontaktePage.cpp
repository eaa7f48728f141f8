#include "contacts/KontaktePage.h"
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
#include "contacts/DragDropDBGrid.h"
#include "foundation/FrameWidgets.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktgruppenForm.h"
#include "contacts/KontakteModel.h"
#include <QComboBox>
#include <QDragEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QSplitter>
#include <QSqlQuery>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const char* const kGridName = "Grid_Kontakte";
// A title over a list: a little air around it so that it does not touch the frame's edge.
const TLabelLook kListTitle{.bold = true, .margins = QMargins(4, 3, 4, 3)};

// Rows of fixed height under a narrow indicator, one line each; the columns keep their
// widths and are not sorted by a click on their titles.
void setupGrid(QTableView* grid, const QVector<int>& widths)
{
    grid->setWordWrap(false);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->verticalHeader()->setFixedWidth(12);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->horizontalHeader()->setSectionsClickable(false);
    for (int i = 0; i < widths.size(); ++i)
        grid->setColumnWidth(i, widths[i]);
}

// The contact's send log shows its dates, numbers and status texts whole; the message text
// gives up the room they need.
void fitProtokollColumns(QTableView* grid)
{
    using namespace GridColumns;
    Widen(grid,
          {Needed(grid, TKontaktProtokollModel::ISTZEITPUNKT, DateTimeSamples(), TIconTextDelegate::TextOffset(1)), 0,
           Needed(grid, TKontaktProtokollModel::DNR, NumberSamples()),
           Needed(grid, TKontaktProtokollModel::STATUSID, StatusSamples())},
          TKontaktProtokollModel::CONTENT, 100);
}

// Text under the picture, at least 107 x 41 pixels.
TToolButtonLook pageButton(const QString& text, const QString& hint, TToolImage image)
{
    return TToolButtonLook{.text = text, .hint = hint, .icon = ToolImage(image, kIcoSize), .iconSize = kIcoSize,
                           .minimumSize = QSize(107, 41), .style = Qt::ToolButtonTextUnderIcon};
}
} // namespace

// ---- group list ----

TKontaktgruppenListBox::TKontaktgruppenListBox(TKontaktePage* page, QWidget* parent)
    : QListWidget(parent), m_page(page)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void TKontaktgruppenListBox::SelectSilently(int row)
{
    QSignalBlocker block(this);
    QSignalBlocker blockSel(selectionModel());
    setCurrentRow(row);
    viewport()->update();
}

void TKontaktgruppenListBox::mousePressEvent(QMouseEvent* event)
{
    m_pressedRow = indexAt(event->position().toPoint()).row();
    if (event->button() == Qt::RightButton) {
        // The group commands act on the group pointed at: select (and show) it first.
        if (m_pressedRow >= 0 && m_pressedRow != currentRow()) {
            SelectSilently(m_pressedRow);
            Guard([&] { m_page->ListBox_KontaktgruppenClick(); });
        }
        return;
    }
    QSignalBlocker block(this);
    QListWidget::mousePressEvent(event);
}

void TKontaktgruppenListBox::mouseReleaseEvent(QMouseEvent* event)
{
    {
        QSignalBlocker block(this);
        QListWidget::mouseReleaseEvent(event);
    }
    // Every click on an item reloads, a click on the item already selected included, and so
    // does a press that the mouse dragged on to another item: the list shows what is highlighted.
    if (event->button() == Qt::LeftButton && m_pressedRow >= 0)
        Guard([&] { m_page->ListBox_KontaktgruppenClick(); });
    m_pressedRow = -1;
}

void TKontaktgruppenListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Guard([&] { m_page->ListBox_KontaktgruppenDblClick(); });
}

void TKontaktgruppenListBox::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Delete:
        Guard([&] { m_page->ToolButton_Kontaktgruppe_LoeschenClick(); });
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Guard([&] { m_page->ListBox_KontaktgruppenDblClick(); });
        return;
    default:
        break;
    }
    const int before = currentRow();
    {
        QSignalBlocker block(this);
        QListWidget::keyPressEvent(event);
    }
    if (currentRow() != before)
        Guard([&] { m_page->ListBox_KontaktgruppenClick(); });
}

void TKontaktgruppenListBox::dragEnterEvent(QDragEnterEvent* event)
{
    // Accepted here so that moves follow; each move decides on its own item.
    if (TDragDropDBGrid::IsOwnDrag(event->mimeData(), QLatin1String(kGridName)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TKontaktgruppenListBox::dragMoveEvent(QDragMoveEvent* event)
{
    // Qt's own handler scrolls a long list while the pointer rests at its top or bottom edge;
    // whether the drop is taken is decided here.
    QListWidget::dragMoveEvent(event);
    const int row = indexAt(event->position().toPoint()).row();
    if (m_page->ListBox_KontaktgruppenDragOver(event->mimeData(), row))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TKontaktgruppenListBox::dragLeaveEvent(QDragLeaveEvent* event)
{
    stopAutoScroll();
    event->accept();
}

void TKontaktgruppenListBox::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    const int row = indexAt(event->position().toPoint()).row();
    if (!m_page->ListBox_KontaktgruppenDragOver(event->mimeData(), row)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    m_page->ListBox_KontaktgruppenDragDrop();
}

// ---- page ----

TKontaktePage::TKontaktePage(const TKontaktDialoge& dialoge, QWidget* parent) : TPage(parent), m_dialoge(dialoge)
{
    setObjectName(QStringLiteral("Panel_Kontakte"));
    buildToolBar();
    buildGruppenPanel();
    QWidget* right = buildKontaktListe();
    QWidget* details = buildDetails();
    buildSplitters(right, details);
    buildPopupMenus();
    connectHandlers();
    ShowKontaktDetails(-1);
}

void TKontaktePage::buildToolBar()
{
    ToolBar_Kontakte = new QToolBar(this);
    ToolBar_Kontakte->setObjectName(QStringLiteral("ToolBar_Kontakte"));
    ToolButton_Kontaktgruppe_Neu = NewToolButton(ToolBar_Kontakte, "ToolButton_Kontaktgruppe_Neu",
        pageButton(QStringLiteral("Neue Gruppe"), QStringLiteral("legt eine neue Kontaktgruppe an"), TToolImage::GruppeNeu));
    ToolButton_Kontaktgruppe_Loeschen = NewToolButton(ToolBar_Kontakte, "ToolButton_Kontaktgruppe_Loeschen",
        pageButton(u("Gruppe löschen"), u("löscht die aktuell ausgewählte Kontaktgruppe"), TToolImage::GruppeLoeschen));
    ToolBar_Kontakte->addSeparator();
    ToolButton_Kontakt_Neu = NewToolButton(ToolBar_Kontakte, "ToolButton_Kontakt_Neu",
        pageButton(QStringLiteral("Neuer Kontakt"), QStringLiteral("legt einen neuen Kontakt an"), TToolImage::KontaktNeu));
    ToolButton_Kontakt_Loeschen = NewToolButton(ToolBar_Kontakte, "ToolButton_Kontakt_Loeschen",
        pageButton(u("Kontakt löschen"), u("löscht den aktuell ausgewählten Kontakt"), TToolImage::KontaktLoeschen));
    ToolBar_Kontakte->addSeparator();
    ToolButton_Kontakt_Suchen = NewToolButton(ToolBar_Kontakte, "ToolButton_Kontakt_Suchen",
        pageButton(QStringLiteral("Suchen"), QStringLiteral("sucht nach Kontakten"), TToolImage::Suchen));
    ToolButton_Kontakt_Suchen->setCheckable(true);
}

// Left: groups.
void TKontaktePage::buildGruppenPanel()
{
    // Left: groups.
    Panel_Kontakte_Left = new QWidget;
    Panel_Kontakte_Left->setObjectName(QStringLiteral("Panel_Kontakte_Left"));
    ListBox_Kontaktgruppen = new TKontaktgruppenListBox(this, Panel_Kontakte_Left);
    ListBox_Kontaktgruppen->setObjectName(QStringLiteral("ListBox_Kontaktgruppen"));
    ListBox_Kontaktgruppen->setToolTip(QStringLiteral("Verwenden Sie Kontaktgruppen, um Ihre Kontakte zu kategorisieren"));
    {
        auto* v = new QVBoxLayout(Panel_Kontakte_Left);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        v->addWidget(NewLabel(Panel_Kontakte_Left, nullptr, QStringLiteral("Kontaktgruppen"), kListTitle));
        v->addWidget(ListBox_Kontaktgruppen);
    }
}

// Right: the contacts with their sort order and the search panel; the panel this returns
// holds them until the splitters take them.
QWidget* TKontaktePage::buildKontaktListe()
{
    // Right: contacts.
    auto* right = new QWidget;
    Kontakte_Sortierung = NewDropDown(right, "Kontakte_Sortierung", {});
    Kontakte_Sortierung->addItems({QStringLiteral("Nachname"), QStringLiteral("Vorname"), QStringLiteral("Firma"),
                                   QStringLiteral("Mobil"), QStringLiteral("letzte SMS"), QStringLiteral("Email")});
    Kontakte_Sortierung->setToolTip(QStringLiteral("legt die Sortierung der Kontaktliste fest"));
    Panel_Kontakte_Suche = new QWidget(right);
    Panel_Kontakte_Suche->setObjectName(QStringLiteral("Panel_Kontakte_Suche"));
    Kontakt_Suchen = NewEdit(Panel_Kontakte_Suche, "Kontakt_Suchen");
    Kontakt_Suchen->setToolTip(QStringLiteral("Suche nach vorhandenen Kontakten"));
    Kontakt_Suchen->setMaxLength(TKontaktDaten::kSuchtextLaenge);
    Button_Kontakte_Suchen = NewToolButton(Panel_Kontakte_Suche, "Button_Kontakte_Suchen",
                                           {.text = QStringLiteral("Suche starten"),
                                            .hint = QStringLiteral("Startet die Suche nach Kontakten"),
                                            .iconSize = 0, .autoRaise = true});
    Button_Kontakte_Suchen_Stop = NewToolButton(Panel_Kontakte_Suche, "Button_Kontakte_Suchen_Stop",
                                                {.text = u("Zurücksetzen"),
                                                 .hint = u("Setzt die Suche nach Kontakten zurück"), .iconSize = 0,
                                                 .autoRaise = true, .enabled = false});
    {
        auto* h = new QHBoxLayout(Panel_Kontakte_Suche);
        h->setContentsMargins(2, 0, 2, 0);
        h->addWidget(new QLabel(QStringLiteral("Suchen nach:"), Panel_Kontakte_Suche));
        h->addWidget(Kontakt_Suchen, 1);
        h->addWidget(Button_Kontakte_Suchen);
        h->addWidget(Button_Kontakte_Suchen_Stop);
    }
    Panel_Kontakte_Suche->setFixedHeight(qMax(21, Panel_Kontakte_Suche->sizeHint().height()));
    Panel_Kontakte_Suche->hide();

    m_kontakteModel = new TKontakteModel([this] { return Kontakte_Sortierung->currentIndex(); }, this);
    Grid_Kontakte = new TDragDropDBGrid(right);
    Grid_Kontakte->setObjectName(QLatin1String(kGridName));
    Grid_Kontakte->setModel(m_kontakteModel);
    Grid_Kontakte->setToolTip(QStringLiteral("Liste der vorhandenen Kontakte"));
    Grid_Kontakte->setContextMenuPolicy(Qt::CustomContextMenu);
    setupGrid(Grid_Kontakte, TIniFileDaten().Widths);
    return right;
}

// The details under the list: the contact's data beside its send log.
QWidget* TKontaktePage::buildDetails()
{
    auto* details = new QWidget;
    Panel_Kontaktdetails_Headline = NewLabel(details, "Panel_Kontaktdetails_Headline",
                                             QStringLiteral("  Kontaktdetails"), {.bold = true, .plainText = true});
    auto* scroll = new QScrollArea(details);
    scroll->setObjectName(QStringLiteral("ScrollBox_Kontaktdetails"));
    scroll->setToolTip(u("Detailinformationen zu dem gewählten Kontakt"));
    scroll->setWidgetResizable(true);
    auto* labels = new QWidget;
    buildDetailLabels(labels);
    layoutDetailLabels(labels);
    scroll->setWidget(labels);
    buildKontaktProtokoll(details, scroll);
    return details;
}

void TKontaktePage::buildDetailLabels(QWidget* labels)
{
    auto makeLabel = [&](const char* name) {
        auto* l = new QLabel(labels);
        l->setObjectName(QLatin1String(name));
        l->setTextFormat(Qt::PlainText);
        l->setTextInteractionFlags(Qt::NoTextInteraction);
        m_detailLabels.append(l);
        return l;
    };
    Label_Kontakte_Name = makeLabel("Label_Kontakte_Name");
    Label_Kontakte_P_Strasse = makeLabel("Label_Kontakte_P_Strasse");
    Label_Kontakte_P_Ort = makeLabel("Label_Kontakte_P_Ort");
    Label_Kontakte_P_Land = makeLabel("Label_Kontakte_P_Land");
    Label_Kontakte_P_Telefon = makeLabel("Label_Kontakte_P_Telefon");
    Label_Kontakte_P_Telefax = makeLabel("Label_Kontakte_P_Telefax");
    Label_Kontakte_P_Webseite = makeLabel("Label_Kontakte_P_Webseite");
    Label_Kontakte_Firma = makeLabel("Label_Kontakte_Firma");
    Label_Kontakte_F_Strasse = makeLabel("Label_Kontakte_F_Strasse");
    Label_Kontakte_F_Ort = makeLabel("Label_Kontakte_F_Ort");
    Label_Kontakte_F_Land = makeLabel("Label_Kontakte_F_Land");
    Label_Kontakte_F_Telefon = makeLabel("Label_Kontakte_F_Telefon");
    Label_Kontakte_F_Telefax = makeLabel("Label_Kontakte_F_Telefax");
    Label_Kontakte_F_Webseite = makeLabel("Label_Kontakte_F_Webseite");
    Label_Kontakte_Mobil = makeLabel("Label_Kontakte_Mobil");
    Label_Kontakte_Email = makeLabel("Label_Kontakte_Email");
    Label_Kontakte_Geburtsdatum = makeLabel("Label_Kontakte_Geburtsdatum");
    Label_Kontakte_Geschlecht = makeLabel("Label_Kontakte_Geschlecht");
    Label_Kontakte_LetzteSMS = makeLabel("Label_Kontakte_LetzteSMS");
    Label_Kontakte_Kategorien = makeLabel("Label_Kontakte_Kategorien");
    Label_Kontakte_KdNr = makeLabel("Label_Kontakte_KdNr");
    Label_Kontakte_Kategorien->setWordWrap(true);
    for (QLabel* link : {Label_Kontakte_Email, Label_Kontakte_P_Webseite, Label_Kontakte_F_Webseite})
        ShowAsLink(link);
    OnWidgetClick(Label_Kontakte_Email, [this] { Guard([&] { Label_Kontakte_EmailClick(); }); });
    OnWidgetClick(Label_Kontakte_P_Webseite, [this] { Guard([&] { Label_Kontakte_P_WebseiteClick(); }); });
    OnWidgetClick(Label_Kontakte_F_Webseite, [this] { Guard([&] { Label_Kontakte_F_WebseiteClick(); }); });
    Label_Kontakte_Email->setToolTip(QStringLiteral("Klicken, um das Standard-Emailprogramm zu öffnen"));
    Label_Kontakte_P_Webseite->setToolTip(QStringLiteral("Klicken, um den Standard-Webbrowser zu öffnen"));
    Label_Kontakte_F_Webseite->setToolTip(QStringLiteral("Klicken, um den Standard-Webbrowser zu öffnen"));
}

void TKontaktePage::layoutDetailLabels(QWidget* labels)
{
    auto* g = new QGridLayout(labels);
    int r = 0;
    auto caption = [&](const QString& text, QLabel* value) {
        g->addWidget(new QLabel(text, labels), r, 0);
        g->addWidget(value, r, 1);
        ++r;
    };
    g->addWidget(NewHeading(labels, QStringLiteral("Private Kontaktdaten")), r++, 0, 1, 2);
    g->addWidget(Label_Kontakte_Name, r++, 0, 1, 2);
    g->addWidget(Label_Kontakte_P_Strasse, r++, 0, 1, 2);
    g->addWidget(Label_Kontakte_P_Ort, r++, 0, 1, 2);
    g->addWidget(Label_Kontakte_P_Land, r++, 0, 1, 2);
    caption(QStringLiteral("Telefon:"), Label_Kontakte_P_Telefon);
    caption(QStringLiteral("Telefax:"), Label_Kontakte_P_Telefax);
    caption(QStringLiteral("Mobil:"), Label_Kontakte_Mobil);
    caption(QStringLiteral("Email:"), Label_Kontakte_Email);
    caption(QStringLiteral("Webseite:"), Label_Kontakte_P_Webseite);
    caption(QStringLiteral("Geburtsdatum:"), Label_Kontakte_Geburtsdatum);
    caption(QStringLiteral("Geschlecht:"), Label_Kontakte_Geschlecht);
    caption(QStringLiteral("Letzte SMS:"), Label_Kontakte_LetzteSMS);
    caption(QStringLiteral("Kategorie(en):"), Label_Kontakte_Kategorien);
    g->addWidget(NewHeading(labels, u("Geschäftliche Kontaktdaten")), r++, 0, 1, 2);
    g->addWidget(Label_Kontakte_Firma, r++, 0, 1, 2);
    g->addWidget(Label_Kontakte_F_Strasse, r++, 0, 1, 2);
    g->addWidget(Label_Kontakte_F_Ort, r++, 0, 1, 2);
    g->addWidget(Label_Kontakte_F_Land, r++, 0, 1, 2);
    caption(QStringLiteral("Telefon:"), Label_Kontakte_F_Telefon);
    caption(QStringLiteral("Telefax:"), Label_Kontakte_F_Telefax);
    caption(QStringLiteral("Webseite:"), Label_Kontakte_F_Webseite);
    caption(QStringLiteral("Kd.-Nr.:"), Label_Kontakte_KdNr);
    g->setRowStretch(r, 1);
    g->setColumnStretch(1, 1);
}

void TKontaktePage::buildKontaktProtokoll(QWidget* details, QWidget* scroll)
{
    m_protokollModel = new TKontaktProtokollModel(this);
    Grid_Kontakte_Versandprotokoll = new QTableView(details);
    Grid_Kontakte_Versandprotokoll->setObjectName(QStringLiteral("Grid_Kontakte_Versandprotokoll"));
    Grid_Kontakte_Versandprotokoll->setModel(m_protokollModel);
    Grid_Kontakte_Versandprotokoll->setToolTip(QStringLiteral("Liste der versendeten SMS an den gewählten Kontakt"));
    Grid_Kontakte_Versandprotokoll->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid_Kontakte_Versandprotokoll->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid_Kontakte_Versandprotokoll->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setupGrid(Grid_Kontakte_Versandprotokoll, TIniFileDaten().Widths_Versandprotokoll);
    {
        auto* logPanel = new QWidget(details);
        auto* v = new QVBoxLayout(logPanel);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        v->addWidget(NewLabel(logPanel, nullptr, QStringLiteral("Versandprotokoll des Kontakts"), kListTitle));
        v->addWidget(Grid_Kontakte_Versandprotokoll);
        auto* h = new QHBoxLayout;
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(scroll, 1);
        h->addWidget(logPanel, 2);
        auto* dv = new QVBoxLayout(details);
        dv->setContentsMargins(0, 0, 0, 0);
        dv->setSpacing(0);
        dv->addWidget(Panel_Kontaktdetails_Headline);
        dv->addLayout(h);
    }
}

void TKontaktePage::buildSplitters(QWidget* right, QWidget* details)
{
    auto* listPanel = new QWidget;
    {
        auto* strip = new QHBoxLayout;
        strip->addWidget(NewLabel(listPanel, nullptr, QStringLiteral("Kontakte"), kListTitle));
        strip->addStretch();
        strip->addWidget(new QLabel(QStringLiteral("Sortieren nach:"), listPanel));
        strip->addWidget(Kontakte_Sortierung);
        auto* v = new QVBoxLayout(listPanel);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        v->addLayout(strip);
        v->addWidget(Panel_Kontakte_Suche);
        v->addWidget(Grid_Kontakte);
        Panel_Kontakte_Suche->setParent(listPanel);
        Kontakte_Sortierung->setParent(listPanel);
        Grid_Kontakte->setParent(listPanel);
    }
    auto* vsplit = new QSplitter(Qt::Vertical, right);
    vsplit->setObjectName(QStringLiteral("Splitter_Kontaktdetails"));
    vsplit->addWidget(listPanel);
    vsplit->addWidget(details);
    vsplit->setStretchFactor(0, 1);
    vsplit->setStretchFactor(1, 0);
    vsplit->setChildrenCollapsible(false);
    {
        auto* v = new QVBoxLayout(right);
        v->setContentsMargins(0, 0, 0, 0);
        v->addWidget(vsplit);
    }

    Splitter_Kontakte = new QSplitter(Qt::Horizontal, this);
    Splitter_Kontakte->setObjectName(QStringLiteral("Splitter_Kontakte"));
    Splitter_Kontakte->addWidget(Panel_Kontakte_Left);
    Splitter_Kontakte->addWidget(right);
    Splitter_Kontakte->setStretchFactor(0, 0);
    Splitter_Kontakte->setStretchFactor(1, 1);
    Splitter_Kontakte->setChildrenCollapsible(false);
    Splitter_Kontakte->setSizes({m_leftWidth, 600});
    connect(Splitter_Kontakte, &QSplitter::splitterMoved, this,
            [this] { m_leftWidth = Splitter_Kontakte->sizes().value(0, m_leftWidth); });
    {
        auto* v = new QVBoxLayout(this);
        v->setContentsMargins(0, 0, 0, 0);
        v->addWidget(Splitter_Kontakte);
    }
}

void TKontaktePage::buildPopupMenus()
{
    // Popup menus.
    auto addAction = [this](QMenu* menu, const char* name, const QString& text, void (TKontaktePage::*slot)()) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, slot] { Guard([&] { (this->*slot)(); }); });
        return a;
    };
    PopupMenu_Kontaktgruppen = new QMenu(this);
    PopupMenu_Kontaktgruppen->setObjectName(QStringLiteral("PopupMenu_Kontaktgruppen"));
    PopupMenu_Kontaktgruppen->setDefaultAction(addAction(PopupMenu_Kontaktgruppen, "Bearbeiten1",
        QStringLiteral("&Bearbeiten"), &TKontaktePage::ListBox_KontaktgruppenDblClick));
    addAction(PopupMenu_Kontaktgruppen, "Neu1", QStringLiteral("&Neu"), &TKontaktePage::ToolButton_Kontaktgruppe_NeuClick);
    PopupMenu_Kontaktgruppen->addSeparator();
    addAction(PopupMenu_Kontaktgruppen, "Zuordnungenaufheben1", QStringLiteral("&Zuordnungen aufheben"),
              &TKontaktePage::Zuordnungenaufheben1Click);
    addAction(PopupMenu_Kontaktgruppen, "Kontaktelschen1", u("&Kontakte löschen"), &TKontaktePage::Kontaktelschen1Click);
    PopupMenu_Kontaktgruppen->addSeparator();
    addAction(PopupMenu_Kontaktgruppen, "Lschen1", u("&Löschen"), &TKontaktePage::ToolButton_Kontaktgruppe_LoeschenClick);
    PopupMenu_Kontakte = new QMenu(this);
    PopupMenu_Kontakte->setObjectName(QStringLiteral("PopupMenu_Kontakte"));
    PopupMenu_Kontakte->setDefaultAction(addAction(PopupMenu_Kontakte, "Bearbeiten2", QStringLiteral("&Bearbeiten"),
                                                   &TKontaktePage::Grid_KontakteDblClick));
    addAction(PopupMenu_Kontakte, "Neu2", QStringLiteral("&Neu"), &TKontaktePage::ToolButton_Kontakt_NeuClick);
    PopupMenu_Kontakte->addSeparator();
    addAction(PopupMenu_Kontakte, "Lschen2", u("&Löschen"), &TKontaktePage::ToolButton_Kontakt_LoeschenClick);
    connect(ListBox_Kontaktgruppen, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupMenu_Kontaktgruppen->popup(ListBox_Kontaktgruppen->viewport()->mapToGlobal(p)); });
    connect(Grid_Kontakte, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupMenu_Kontakte->popup(Grid_Kontakte->viewport()->mapToGlobal(p)); });
}

void TKontaktePage::connectHandlers()
{
    // Handlers.
    auto bind = [this](auto* sender, auto signal, void (TKontaktePage::*slot)()) {
        connect(sender, signal, this, [this, slot] { Guard([&] { (this->*slot)(); }); });
    };
    bind(ToolButton_Kontaktgruppe_Neu, &QToolButton::clicked, &TKontaktePage::ToolButton_Kontaktgruppe_NeuClick);
    bind(ToolButton_Kontaktgruppe_Loeschen, &QToolButton::clicked, &TKontaktePage::ToolButton_Kontaktgruppe_LoeschenClick);
    bind(ToolButton_Kontakt_Neu, &QToolButton::clicked, &TKontaktePage::ToolButton_Kontakt_NeuClick);
    bind(ToolButton_Kontakt_Loeschen, &QToolButton::clicked, &TKontaktePage::ToolButton_Kontakt_LoeschenClick);
    bind(ToolButton_Kontakt_Suchen, &QToolButton::clicked, &TKontaktePage::ToolButton_Kontakt_SuchenClick);
    bind(Button_Kontakte_Suchen, &QToolButton::clicked, &TKontaktePage::Button_Kontakte_SuchenClick);
    bind(Button_Kontakte_Suchen_Stop, &QToolButton::clicked, &TKontaktePage::Button_Kontakte_Suchen_StopClick);
    bind(Kontakte_Sortierung, &QComboBox::activated, &TKontaktePage::Kontakte_SortierungChange);
    Kontakt_Suchen->installEventFilter(this);
    connect(Grid_Kontakte->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { Guard([&] { ShowSelectedKontaktDetails(); }); });
    Grid_Kontakte->OnMouseDown = [this](TDragDropDBGrid*, QMouseEvent* e) { Grid_KontakteMouseDown(e); };
    Grid_Kontakte->OnStartDrag = [this](TDragDropDBGrid*) { Grid_KontakteStartDrag(); };
    Grid_Kontakte->OnEndDrag = [this](TDragDropDBGrid*, bool) { Grid_KontakteEndDrag(); };
    Grid_Kontakte->OnDblClick = [this](TDragDropDBGrid*) { Guard([&] { Grid_KontakteDblClick(); }); };
    Grid_Kontakte->OnKeyPress = [this](TDragDropDBGrid*, QKeyEvent* e) {
        bool swallow = false;
        Guard([&] { swallow = Grid_KontakteKeyPress(e); });
        return swallow;
    };

    // Icons before the texts: group; contact, and group when the contact is in one; SMS.
    ListBox_Kontaktgruppen->setItemDelegate(new TIconTextDelegate(Ico_Gruppe, ListBox_Kontaktgruppen));
    Grid_Kontakte->setItemDelegate(new TIconTextDelegate(
        [](const QModelIndex& index) {
            QVector<int> icons{Ico_Kontakt};
            if (index.data(TKontakteModel::CountRole).toInt() > 0)
                icons.append(Ico_Gruppe);
            return icons;
        }, 2, Grid_Kontakte));
    Grid_Kontakte_Versandprotokoll->setItemDelegate(new TIconTextDelegate(Ico_Sms, Grid_Kontakte_Versandprotokoll));
}

TKontaktePage::~TKontaktePage() = default;

QString TKontaktePage::TitleText() const { return QStringLiteral("  Kontakte verwalten"); }
QWidget* TKontaktePage::ToolBar() { return ToolBar_Kontakte; }

void TKontaktePage::BeforeSwitch()
{
    Guard([&] { ShowKontaktDetails(-1); });
}

void TKontaktePage::Load()
{
    Guard([&] {
        ResetKontakteSuche();
        LoadKontaktgruppen();
        ListBox_Kontaktgruppen->SelectSilently(0);
        ListBox_KontaktgruppenClick();
    });
}

void TKontaktePage::RestoreLayout(const TIniFileDaten& ini)
{
    m_leftWidth = ini.Kontakte_Width_Panel_Left;
    const QList<int> sizes = Splitter_Kontakte->sizes();
    const int total = std::max(sizes.value(0) + sizes.value(1), m_leftWidth + 600);
    Splitter_Kontakte->setSizes({m_leftWidth, total - m_leftWidth});
    if (ini.Widths.size() == TKontakteModel::ColumnCount)
        for (int i = 0; i < ini.Widths.size(); ++i)
            Grid_Kontakte->setColumnWidth(i, ini.Widths[i]);
    if (ini.Widths_Versandprotokoll.size() == TKontaktProtokollModel::ColumnCount)
        for (int i = 0; i < ini.Widths_Versandprotokoll.size(); ++i)
            Grid_Kontakte_Versandprotokoll->setColumnWidth(i, ini.Widths_Versandprotokoll[i]);
    // The design widths are fitted to the font in use; widths the user chose stay as they are.
    if (ini.Widths_Versandprotokoll == TIniFileDaten().Widths_Versandprotokoll) {
        fitProtokollColumns(Grid_Kontakte_Versandprotokoll);
        // Beside the details the log is narrow: the message text leaves the status in view.
        GridColumns::FillWithColumn(Grid_Kontakte_Versandprotokoll, TKontaktProtokollModel::CONTENT, 100);
    }
    QSignalBlocker block(Kontakte_Sortierung);
    Kontakte_Sortierung->setCurrentIndex(ini.Sortierung >= 0 && ini.Sortierung < Kontakte_Sortierung->count()
                                             ? ini.Sortierung : -1);
}

void TKontaktePage::StoreLayout(TIniFileDaten& ini) const
{
    // A page never shown in this run keeps the width it was given.
    ini.Kontakte_Width_Panel_Left = Panel_Kontakte_Left->isVisible() ? Panel_Kontakte_Left->width() : m_leftWidth;
    ini.Widths.clear();
    for (int i = 0; i < TKontakteModel::ColumnCount; ++i)
        ini.Widths.append(Grid_Kontakte->columnWidth(i));
    ini.Widths_Versandprotokoll.clear();
    for (int i = 0; i < TKontaktProtokollModel::ColumnCount; ++i)
        ini.Widths_Versandprotokoll.append(Grid_Kontakte_Versandprotokoll->columnWidth(i));
    ini.Sortierung = Kontakte_Sortierung->currentIndex();
}

int TKontaktePage::GroupIndex() const { return ListBox_Kontaktgruppen->currentRow(); }

void TKontaktePage::RefreshAfterImport(int previousGroupIndex)
{
    Guard([&] {
        LoadKontaktgruppen();
        ListBox_Kontaktgruppen->SelectSilently(previousGroupIndex);
        ListBox_KontaktgruppenClick();
    });
}

// ---- groups ----

void TKontaktePage::LoadKontaktgruppen()
{
    WaitCursor wait;
    StatusText::Set(QStringLiteral("Bitte warten... die Kontaktgruppen werden eingelesen."));
    QSignalBlocker block(ListBox_Kontaktgruppen);
    QSignalBlocker blockSel(ListBox_Kontaktgruppen->selectionModel());
    ListBox_Kontaktgruppen->setUpdatesEnabled(false);
    ListBox_Kontaktgruppen->clear();
    m_kontaktgruppenIds.clear();
    QStringList names;
    QVector<int> ids{0};
    try {
        for (const TKategorie& k : TKontaktDaten::Kategorien()) {
            ids.append(k.id);
            names.append(k.name);
        }
    } catch (...) {
        ListBox_Kontaktgruppen->setUpdatesEnabled(true);
        StatusText::Set(QString());
        throw;
    }
    m_kontaktgruppenIds = ids;
    ListBox_Kontaktgruppen->addItem(QStringLiteral("[alle Kontaktgruppen]"));
    ListBox_Kontaktgruppen->addItems(names);
    for (int i = 0; i < ListBox_Kontaktgruppen->count(); ++i)
        ListBox_Kontaktgruppen->item(i)->setSizeHint(QSize(0, 16));
    ListBox_Kontaktgruppen->setUpdatesEnabled(true);
    StatusText::Set(QString());
}

int TKontaktePage::SelectedKategorieId() const
{
    const int i = ListBox_Kontaktgruppen->currentRow();
    if (ListBox_Kontaktgruppen->count() == 0 || i < 0 || i >= m_kontaktgruppenIds.size())
        return -1;
    return m_kontaktgruppenIds[i];
}

void TKontaktePage::SelectKontaktgruppe(int kategorieId)
{
    const int i = m_kontaktgruppenIds.indexOf(kategorieId);
    ListBox_Kontaktgruppen->SelectSilently(i >= 0 ? i : 0);
}

void TKontaktePage::ListBox_KontaktgruppenClick() { LoadKontakte(SelectedKategorieId()); }

void TKontaktePage::WithSelectedKontaktgruppe(const char* refusal, void (TKontaktePage::*operation)(int))
{
    const int i = ListBox_Kontaktgruppen->currentRow();
    if (ListBox_Kontaktgruppen->count() == 0 || i < 0 || i >= m_kontaktgruppenIds.size())
        return;
    if (i == 0 && refusal)
        Msg::Information(u(refusal));
    else
        (this->*operation)(m_kontaktgruppenIds[i]);
}

void TKontaktePage::ListBox_KontaktgruppenDblClick()
{
    WithSelectedKontaktgruppe("Für diese Systemkategorie stehen keine Eigenschaften zur Verfügung.",
                              &TKontaktePage::EditKontaktgruppe);
}

void TKontaktePage::ToolButton_Kontaktgruppe_NeuClick() { NewKontaktgruppe(); }

void TKontaktePage::ToolButton_Kontaktgruppe_LoeschenClick()
{
    WithSelectedKontaktgruppe("Diese Systemkategorie kann nicht gelöscht werden.", &TKontaktePage::DeleteKontaktgruppe);
}

void TKontaktePage::Zuordnungenaufheben1Click()
{
    WithSelectedKontaktgruppe("Die Zuordnungen dieser Systemkategorie können nicht verändert werden.",
                              &TKontaktePage::ClearKontaktgruppe);
}

void TKontaktePage::Kontaktelschen1Click()
{
    // Entry 0 is allowed here: every contact, after its own question.
    WithSelectedKontaktgruppe(nullptr, &TKontaktePage::DeleteKontakteOfKontaktgruppe);
}

void TKontaktePage::ReloadKontaktgruppen(int selectId)
{
    LoadKontaktgruppen();
    SelectKontaktgruppe(selectId);
    ListBox_KontaktgruppenClick();
}

void TKontaktePage::EditKontaktgruppe(int kategorieId)
{
    m_dialoge.Gruppe->SetKategorieId(kategorieId);
    if (m_dialoge.Gruppe->exec() == QDialog::Accepted)
        ReloadKontaktgruppen(kategorieId);
}

void TKontaktePage::NewKontaktgruppe()
{
    m_dialoge.Gruppe->SetKategorieId(-1);
    if (m_dialoge.Gruppe->exec() == QDialog::Accepted)
        ReloadKontaktgruppen(m_dialoge.Gruppe->GetKategorieId());
}

template <class F> void TKontaktePage::KontaktgruppenOperation(const QString& question, int kategorieId, F&& operation)
{
    if (!Msg::WarningQuestion(question))
        return;
    // Afterwards the group is selected again (entry 0 when it is gone); after a failure too,
    // so that the lists show what the rollback left.
    try {
        operation();
    } catch (...) {
        Guard([&] { ReloadKontaktgruppen(kategorieId); });
        throw;
    }
    ReloadKontaktgruppen(kategorieId);
}

void TKontaktePage::DeleteKontaktgruppe(int kategorieId)
{
    KontaktgruppenOperation(u("Sind Sie sicher, dass Sie die gewählte Kontaktgruppe unwiderruflich löschen möchten?"),
                            kategorieId, [&] { TKontaktDaten::DeleteKategorie(kategorieId); });
}

void TKontaktePage::ClearKontaktgruppe(int kategorieId)
{
    KontaktgruppenOperation(u("Es werden nun alle Zuordnungen zu der gewählten Kontaktgruppe aufgehoben.\n\r"
                              "Nach Ausführen dieser Aktion werden sich keine Kontakte mehr in dieser Kontaktgruppe befinden.\n\r"
                              "Die Kontakte selbst werden dabei jedoch nicht gelöscht.\n\r"
                              "Sind Sie sicher, dass Sie fortfahren möchten?"),
                            kategorieId, [&] { TKontaktDaten::DeleteKategorieZuordnungen(kategorieId); });
}

void TKontaktePage::DeleteKontakteOfKontaktgruppe(int kategorieId)
{
    const QString question = kategorieId != 0
        ? u("Es werden nun alle Kontakte, die sich in der gewählten Kontaktgruppe befinden, gelöscht.\n\r"
            "Es werden dabei nicht nur die Zuordnungen der Kontakte zu dieser Kontaktgruppe entfernt, sondern die Kontakte selbst.\n\r"
            "Dieser Vorgang ist unwiderruflich.\r\n"
            "Sind Sie sicher, dass Sie fortfahren möchten?")
        : u("ACHTUNG!\n\rEs werden nun alle(!) Kontakte gelöscht.\n\rDiese Aktion ist unwiderruflich.\n\r"
            "Sind Sie sicher, dass Sie fortfahren möchten?");
    KontaktgruppenOperation(question, kategorieId, [&] { TKontaktDaten::DeleteKontakteOfKategorie(kategorieId); });
}

// ---- contacts ----

int TKontaktePage::LoadKontakte(int kategorieId)
{
    StatusText::Set(QStringLiteral("Bitte warten... die Kontakte werden eingelesen."));
    WaitCursor wait;
    ProcessPendingEvents();
    StatusTextScope clearStatus;

    m_kontakteModel->Load(std::make_unique<TKontaktDaten::TKontaktListe>(
        TKontaktDaten::TKontaktListe::Art::Kontakte, kategorieId, m_sucheAktiv, Kontakt_Suchen->text(),
        Kontakte_Sortierung->currentIndex()));
    const int rows = m_kontakteModel->rowCount();
    // After the reopen the first row is current (no rows selected); its details follow.
    if (rows > 0) {
        SetCurrentKontaktRow(0, false);
    } else {
        ShowKontaktDetails(-1);
    }
    return rows;
}

void TKontaktePage::SetCurrentKontaktRow(int row, bool select)
{
    QItemSelectionModel* sel = Grid_Kontakte->selectionModel();
    const QModelIndex idx = m_kontakteModel->index(row, 0);
    {
        QSignalBlocker block(sel);
        if (select)
            sel->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else
            sel->setCurrentIndex(idx, QItemSelectionModel::Clear);
    }
    Grid_Kontakte->scrollTo(idx);
    Grid_Kontakte->viewport()->update();
    ShowSelectedKontaktDetails();
}

void TKontaktePage::Locate(int kontaktId)
{
    const int row = m_kontakteModel->RowById(kontaktId);
    if (row >= 0)
        SetCurrentKontaktRow(row, true);
}

void TKontaktePage::ShowSelectedKontaktDetails()
{
    const int row = Grid_Kontakte->Row();
    int id = row >= 0 && row < m_kontakteModel->rowCount() ? m_kontakteModel->Id(row) : -1;
    if (id < 1)
        id = -1;
    ShowKontaktDetails(id);
}

void TKontaktePage::ShowKontaktDetails(int kontaktId)
{
    auto clear = [&] {
        Panel_Kontaktdetails_Headline->setText(QStringLiteral("  Kontaktdetails"));
        for (QLabel* l : std::as_const(m_detailLabels))
            l->clear();
        LoadKontaktProtokoll(QString());
    };
    if (kontaktId < 0) {
        clear();
        return;
    }
    TKontakt k;
    if (!TKontaktDaten::LadeKontakt(kontaktId, k)) {
        clear();
        return;
    }
    const QStringList kategorien = GetKontaktKategorienText(kontaktId);
    auto ort = [](const QString& plz, const QString& ort) {
        return plz.isEmpty() ? ort : (ort.isEmpty() ? plz : plz + QLatin1Char(' ') + ort);
    };
    Panel_Kontaktdetails_Headline->setText(QStringLiteral("  ") + GetKontaktName(k.vorname, k.nachname, k.firma));
    Label_Kontakte_Name->setText(k.vorname + QLatin1Char(' ') + k.nachname);
    Label_Kontakte_Geschlecht->setText(k.geschlecht);
    Label_Kontakte_Geburtsdatum->setText(!k.geburtsdatum.isValid() ? QString()
                                         : k.geburtsdatum.toString(QStringLiteral("dd.MM.yyyy")));
    Label_Kontakte_LetzteSMS->setText(!k.mobilLastSend.isValid() ? QString() : FormatDateTimeCell(k.mobilLastSend));
    Label_Kontakte_Mobil->setText(k.mobil);
    Label_Kontakte_Email->setText(k.email);
    Label_Kontakte_KdNr->setText(k.kdnr);
    Label_Kontakte_Firma->setText(k.firma);
    Label_Kontakte_P_Strasse->setText(k.pStrasse);
    Label_Kontakte_P_Ort->setText(ort(k.pPlz, k.pOrt));
    Label_Kontakte_P_Land->setText(k.pLand);
    Label_Kontakte_P_Telefon->setText(k.pTelefon);
    Label_Kontakte_P_Telefax->setText(k.pTelefax);
    Label_Kontakte_P_Webseite->setText(k.pWebseite);
    Label_Kontakte_F_Strasse->setText(k.fStrasse);
    Label_Kontakte_F_Ort->setText(ort(k.fPlz, k.fOrt));
    Label_Kontakte_F_Land->setText(k.fLand);
    Label_Kontakte_F_Telefon->setText(k.fTelefon);
    Label_Kontakte_F_Telefax->setText(k.fTelefax);
    Label_Kontakte_F_Webseite->setText(k.fWebseite);
    Label_Kontakte_Kategorien->setText(kategorien.join(QStringLiteral(", ")));
    LoadKontaktProtokoll(k.mobil);
}

QStringList TKontaktePage::GetKontaktKategorienText(int kontaktId)
{
    return TKontaktDaten::KontaktKategorieNamen(kontaktId);
}

void TKontaktePage::LoadKontaktProtokoll(const QString& mobil)
{
    // No number, no log: entries without a recipient number belong to nobody.
    if (mobil.isEmpty()) {
        m_protokollModel->Clear();
        return;
    }
    StatusText::Set(QStringLiteral("Bitte warten... das Versandprotokoll des Kontakts eingelesen."));
    WaitCursor wait;
    ProcessPendingEvents();
    StatusTextScope clearStatus;
    QSqlQuery q = TKontaktDaten::KontaktProtokoll(mobil);
    m_protokollModel->Load(q);
}

void TKontaktePage::Kontakte_SortierungChange() { ListBox_KontaktgruppenClick(); }

void TKontaktePage::Grid_KontakteDblClick()
{
    const int row = Grid_Kontakte->Row();
    const int id = row >= 0 && row < m_kontakteModel->rowCount() ? m_kontakteModel->Id(row) : 0;
    if (id < 1)
        NewKontakt();
    else
        EditKontakt(id);
}

bool TKontaktePage::Grid_KontakteKeyPress(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Grid_KontakteDblClick();
        return true;
    }
    if (event->key() == Qt::Key_Delete) {
        ToolButton_Kontakt_LoeschenClick();
        return true;
    }
    const QString text = event->text();
    if (text.size() != 1 || event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    const QChar c = text.at(0);
    static const QString umlaute = QString::fromUtf8("ÄÖÜäöü");
    const bool typeAhead = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || umlaute.contains(c);
    if (!typeAhead)
        return false;
    const int row = m_kontakteModel->FindPrefix(c, Kontakte_Sortierung->currentIndex() == 1);
    if (row >= 0)
        SetCurrentKontaktRow(row, true);
    return false;   // not swallowed; the grid's own search is off
}

void TKontaktePage::ToolButton_Kontakt_NeuClick() { NewKontakt(); }

QVector<int> TKontaktePage::GewaehlteKontaktIds() const
{
    QVector<int> ids;
    QModelIndexList rows = Grid_Kontakte->selectionModel()->selectedRows();
    if (!rows.isEmpty()) {
        std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
        ids.reserve(rows.size());
        for (const QModelIndex& r : std::as_const(rows))
            ids.append(m_kontakteModel->Id(r.row()));
        return ids;
    }
    const int row = Grid_Kontakte->Row();
    if (row >= 0 && row < m_kontakteModel->rowCount())
        ids.append(m_kontakteModel->Id(row));
    return ids;
}

void TKontaktePage::ToolButton_Kontakt_LoeschenClick()
{
    const int selected = Grid_Kontakte->selectionModel()->selectedRows().size();
    QVector<int> ids;
    if (selected > 0) {
        const QString word = selected == 1 ? u("den gewählten Kontakt") : u("die gewählten Kontakte");
        if (!Msg::WarningQuestion(u("Sind Sie sicher, dass Sie ") + word + u(" unwiderruflich löschen möchten?")))
            return;
        WaitCursor wait;
        ids = GewaehlteKontaktIds();
    } else {
        ids = GewaehlteKontaktIds();
        if (ids.isEmpty())
            return;
        if (!Msg::WarningQuestion(u("Sind Sie sicher, dass Sie den gewählten Kontakt unwiderruflich löschen möchten?")))
            return;
    }
    try {
        TKontaktDaten::DeleteKontakte(ids);
    } catch (...) {
        Guard([&] { ListBox_KontaktgruppenClick(); });
        throw;
    }
    ListBox_KontaktgruppenClick();
}

void TKontaktePage::EditKontakt(int kontaktId)
{
    m_dialoge.Kontakt->SetKontaktId(kontaktId);
    if (m_dialoge.Kontakt->exec() != QDialog::Accepted)
        return;
    ListBox_KontaktgruppenClick();
    Locate(kontaktId);
}

void TKontaktePage::NewKontakt()
{
    m_dialoge.Kontakt->SetKontaktId(-1);
    if (m_dialoge.Kontakt->exec() != QDialog::Accepted)
        return;
    ListBox_KontaktgruppenClick();
    Locate(m_dialoge.Kontakt->GetKontaktId());
}

// ---- search ----

void TKontaktePage::ToolButton_Kontakt_SuchenClick()
{
    m_sucheSichtbar = !m_sucheSichtbar;
    ToolButton_Kontakt_Suchen->setChecked(m_sucheSichtbar);
    Panel_Kontakte_Suche->setVisible(m_sucheSichtbar);
    if (m_sucheSichtbar)
        Kontakt_Suchen->setFocus();
}

void TKontaktePage::Button_Kontakte_SuchenClick()
{
    if (Kontakt_Suchen->text().isEmpty()) {
        Msg::Information(QStringLiteral("Bitte geben Sie einen Suchbegriff ein."));
        Kontakt_Suchen->setFocus();
        return;
    }
    m_sucheAktiv = true;
    int rows = 0;
    try {
        rows = LoadKontakte(SelectedKategorieId());
    } catch (...) {
        m_sucheAktiv = false;
        throw;
    }
    if (rows == 0) {
        m_sucheAktiv = false;
        Msg::Information(QStringLiteral("Zu Ihrer Suche wurden keine Einträge gefunden."));
    } else {
        Button_Kontakte_Suchen_Stop->setEnabled(true);
    }
}

void TKontaktePage::Button_Kontakte_Suchen_StopClick()
{
    m_sucheAktiv = false;
    Button_Kontakte_Suchen_Stop->setEnabled(false);
    Kontakt_Suchen->clear();
    ListBox_KontaktgruppenClick();
}

void TKontaktePage::ResetKontakteSuche()
{
    m_sucheAktiv = false;
    m_sucheSichtbar = false;
    ToolButton_Kontakt_Suchen->setChecked(false);
    Panel_Kontakte_Suche->hide();
    Kontakt_Suchen->clear();
    Button_Kontakte_Suchen_Stop->setEnabled(false);
}

void TKontaktePage::Label_Kontakte_EmailClick()
{
    if (!Label_Kontakte_Email->text().isEmpty())
        OpenMail(Label_Kontakte_Email->text(), this);
}

void TKontaktePage::Label_Kontakte_P_WebseiteClick()
{
    if (!Label_Kontakte_P_Webseite->text().isEmpty())
        OpenUrl(Label_Kontakte_P_Webseite->text(), this);
}

void TKontaktePage::Label_Kontakte_F_WebseiteClick()
{
    if (!Label_Kontakte_F_Webseite->text().isEmpty())
        OpenUrl(Label_Kontakte_F_Webseite->text(), this);
}

bool TKontaktePage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Kontakt_Suchen && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Guard([&] { Button_Kontakte_SuchenClick(); });
            return true;
        }
    }
    return TPage::eventFilter(watched, event);
}

// ---- drag and drop ----

void TKontaktePage::Grid_KontakteMouseDown(QMouseEvent* event)
{
    // Only a data cell starts a drag (the headers are widgets of their own), and only the
    // left button: the right one opens the popup menu.
    if (event->button() == Qt::LeftButton && Grid_Kontakte->indexAt(event->position().toPoint()).isValid())
        Grid_Kontakte->BeginDrag();
}

void TKontaktePage::Grid_KontakteStartDrag() { m_dragItemIndex = ListBox_Kontaktgruppen->currentRow(); }

bool TKontaktePage::ListBox_KontaktgruppenDragOver(const QMimeData* data, int row)
{
    if (!TDragDropDBGrid::IsOwnDrag(data, QLatin1String(kGridName)) || row <= 0
        || row >= ListBox_Kontaktgruppen->count())
        return false;
    ListBox_Kontaktgruppen->SelectSilently(row);
    return true;
}

void TKontaktePage::ListBox_KontaktgruppenDragDrop()
{
    Guard([&] {
        const int kategorieId = SelectedKategorieId();
        if (kategorieId <= 0)
            return;
        QVector<int> ids;
        {
            WaitCursor wait;
            ids = GewaehlteKontaktIds();
        }
        if (ids.isEmpty())
            return;
        WaitCursor wait;
        // The drop is a write operation of its own: committed at its end.
        DatenModul->Unit([&] { TKontaktDaten::AddKategorieZuordnungen(ids, kategorieId); });
    });
}

void TKontaktePage::Grid_KontakteEndDrag() { ListBox_Kontaktgruppen->SelectSilently(m_dragItemIndex); }
