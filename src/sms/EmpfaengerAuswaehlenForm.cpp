#include "sms/EmpfaengerAuswaehlenForm.h"
#include "contacts/DragDropDBGrid.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Clock.h"
#include "foundation/FrameWidgets.h"
#include "foundation/Global.h"
#include "foundation/Guard.h"
#include "foundation/Messages.h"
#include "foundation/WaitCursor.h"
#include "foundation/WidgetKit.h"
#include "sms/GeburtstagBaum.h"
#include "sms/SmsKontakteModel.h"
#include <QAbstractListModel>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

namespace {

const char* const kKeinSuchbegriff = "Bitte geben Sie einen Suchbegriff ein.";
const char* const kKeineTreffer = "Zu Ihrer Suche wurden keine Einträge gefunden.";

// A flat text button of the search rows.
TToolButtonLook speedLook(const char* caption)
{
    return {.text = u(caption), .autoRaise = true, .style = Qt::ToolButtonTextOnly};
}

// The title strip over a list, in the palette's dark colours.
QLabel* stripCaption(QWidget* parent, const char* text)
{
    QLabel* l = NewLabel(parent, nullptr, u(text), {.margins = QMargins(4, 2, 4, 2), .autoFill = true});
    l->setBackgroundRole(QPalette::Mid);
    l->setForegroundRole(QPalette::BrightText);
    return l;
}
const char* const kKeinZeitraum = "Bitte geben Sie einen Zeitraum mit Anfangs- und Enddatum ein.";
const char* const kUngueltigesDatum = "Bitte geben Sie ein gültiges Datum im Format tt.mm. (z.B. '09.02.') an.";
const char* const kAlleKontakte = "[alle Kontakte]";

// Day and month of a range edit read in a leap year; invalid when the text is none.
QDate rangeDate(const QString& text)
{
    return QDate::fromString(text + QStringLiteral("2004"), QStringLiteral("d.M.yyyy"));
}

// Appends " (dd.MM.yyyy)" of a birth date, by hand: a whole year's texts are made at once.
void appendGeburtstag(QString& out, const QDate& d)
{
    char buf[] = " (dd.MM.yyyy)";
    const auto zwei = [&](int at, int v) {
        buf[at] = char('0' + v / 10 % 10);
        buf[at + 1] = char('0' + v % 10);
    };
    zwei(2, d.day());
    zwei(5, d.month());
    zwei(8, d.year() / 100);
    zwei(10, d.year() % 100);
    out += QLatin1String(buf, sizeof buf - 1);
}

// Appends the name as GetKontaktName gives it.
void appendName(QString& out, const QString& vorname, const QString& nachname, const QString& firma)
{
    if (!vorname.isEmpty() && !nachname.isEmpty()) {
        out += vorname;
        out += u' ';
        out += nachname;
    } else if (!vorname.isEmpty()) {
        out += vorname;
    } else if (!nachname.isEmpty()) {
        out += nachname;
    } else if (!firma.isEmpty()) {
        out += QLatin1String("Firma ");
        out += firma;
    } else {
        out += QLatin1String("Unbenannt");
    }
}

bool isEnter(const QKeyEvent* e) { return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter; }

// A list or tree of the picker that starts its drags with its own name as the source.
template <class View>
class TQuellView : public View {
public:
    using View::View;

protected:
    void startDrag(Qt::DropActions) override
    {
        auto* drag = new QDrag(this);
        drag->setMimeData(TEmpfaengerAuswaehlenForm::CreateDragData(this->objectName()));
        drag->exec(Qt::CopyAction);
    }
};

// The contact grid: its drags name the picker's grid as the source besides the grid's own tag.
class TEmpfaengerGrid : public TDragDropDBGrid {
public:
    using TDragDropDBGrid::TDragDropDBGrid;

protected:
    bool execDrag(QMimeData* data) override
    {
        std::unique_ptr<QMimeData> ours(TEmpfaengerAuswaehlenForm::CreateDragData(objectName()));
        data->setData(QLatin1String(TEmpfaengerAuswaehlenForm::kQuelleMimeType),
                      ours->data(QLatin1String(TEmpfaengerAuswaehlenForm::kQuelleMimeType)));
        return TDragDropDBGrid::execDrag(data);
    }
};

} // namespace

namespace {
// A set of contact ids: bits for the ids of one sequence (dense from 1), a hash set for the rest.
class TIdMenge {
public:
    bool Contains(int id) const
    {
        if (id >= 0 && id < kBits)
            return size_t(id) < m_bits.size() && m_bits[size_t(id)];
        return m_rest.contains(id);
    }
    // True when the id was not in the set.
    bool Insert(int id)
    {
        if (id >= 0 && id < kBits) {
            if (size_t(id) >= m_bits.size())
                m_bits.resize(std::max<size_t>(size_t(id) + 1, std::min<size_t>(m_bits.size() * 2, kBits)), false);
            if (m_bits[size_t(id)])
                return false;
            m_bits[size_t(id)] = true;
            return true;
        }
        const qsizetype vorher = m_rest.size();
        m_rest.insert(id);
        return m_rest.size() != vorher;
    }
    void Remove(int id)
    {
        if (id >= 0 && id < kBits) {
            if (size_t(id) < m_bits.size())
                m_bits[size_t(id)] = false;
        } else {
            m_rest.remove(id);
        }
    }
    void Clear()
    {
        m_bits = {};
        m_rest.clear();
    }

private:
    static constexpr int kBits = 1 << 27;   // 16 MB of bits at most
    std::vector<bool> m_bits;
    QSet<int> m_rest;
};

// The list text of a chosen contact, appended: the name as GetKontaktName gives it and the number.
// The pieces first, then one growth of the buffer and plain copies: a million texts go into it.
void appendText(QString& out, const TKontaktDaten::TKontaktAuswahl& k)
{
    QStringView teile[6];
    int n = 0;
    if (!k.vorname.isEmpty() && !k.nachname.isEmpty()) {
        teile[n++] = k.vorname;
        teile[n++] = u" ";
        teile[n++] = k.nachname;
    } else if (!k.vorname.isEmpty()) {
        teile[n++] = k.vorname;
    } else if (!k.nachname.isEmpty()) {
        teile[n++] = k.nachname;
    } else if (!k.firma.isEmpty()) {
        teile[n++] = u"Firma ";
        teile[n++] = k.firma;
    } else {
        teile[n++] = u"Unbenannt";
    }
    teile[n++] = u" <";
    teile[n++] = k.mobil;
    teile[n++] = u">";
    qsizetype laenge = 0;
    for (int i = 0; i < n; ++i)
        laenge += teile[i].size();
    qsizetype at = out.size();
    out.resize(at + laenge);
    QChar* ziel = out.data() + at;
    for (int i = 0; i < n; ++i)
        ziel = std::copy(teile[i].begin(), teile[i].end(), ziel);
}
} // namespace

// The chosen list: ids and their texts in one buffer side by side (a text is made into a string
// only when shown), with a set for the "already listed" test, so that a million entries are
// added and removed in linear time and compact memory.
class TEmpfaengerListe : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // New entries gathered before they go in at once.
    struct Neu {
        QVector<int> ids;
        QVector<qsizetype> ende;   // end of each text in `text`
        QString text;
    };

    bool Contains(int id) const { return m_menge.Contains(id); }
    int IndexOf(int id) const { return m_menge.Contains(id) ? int(m_ids.indexOf(id)) : -1; }
    const QVector<int>& Ids() const { return m_ids; }
    int Id(int row) const { return m_ids[row]; }

    void Append(const QVector<TKontaktDaten::TKontaktAuswahl>& kontakte)
    {
        Neu neu;
        for (const auto& k : kontakte)
            if (!m_menge.Contains(k.id)) {
                neu.ids.append(k.id);
                appendText(neu.text, k);
                neu.ende.append(neu.text.size());
            }
        // The ids are taken by Append(neu); a repeated one stays once.
        Append(std::move(neu));
    }

    // Every contact that `lesen` hands to its callback and that is not listed, each once.
    // Should reading fail, nothing is added.
    void AppendGelesen(const std::function<void(const std::function<void(const TKontaktDaten::TKontaktAuswahl&)>&)>& lesen)
    {
        Neu neu;
        try {
            lesen([&](const TKontaktDaten::TKontaktAuswahl& k) {
                if (!m_menge.Insert(k.id))
                    return;
                neu.ids.append(k.id);
                appendText(neu.text, k);
                neu.ende.append(neu.text.size());
            });
        } catch (...) {
            for (int id : std::as_const(neu.ids))
                m_menge.Remove(id);
            throw;
        }
        for (int id : std::as_const(neu.ids))
            m_menge.Remove(id);
        Append(std::move(neu));
    }

    // Removes every listed id of `ids`; the number removed.
    int Remove(const QSet<int>& ids)
    {
        int found = 0;
        for (int id : ids)
            if (m_menge.Contains(id))
                ++found;
        if (found == 0)
            return 0;
        if (found == 1) {
            for (int id : ids)
                if (m_menge.Contains(id)) {
                    const int row = int(m_ids.indexOf(id));
                    beginRemoveRows({}, row, row);
                    const qsizetype a = anfang(row), len = m_ende[row] - a;
                    m_text.remove(a, len);
                    for (int i = row + 1; i < m_ende.size(); ++i)
                        m_ende[i] -= len;
                    m_ende.remove(row);
                    m_ids.remove(row);
                    m_menge.Remove(id);
                    endRemoveRows();
                }
            return 1;
        }
        beginResetModel();
        Neu kept;
        kept.ids.reserve(m_ids.size() - found);
        kept.ende.reserve(m_ids.size() - found);
        for (int i = 0; i < m_ids.size(); ++i) {
            if (ids.contains(m_ids[i])) {
                m_menge.Remove(m_ids[i]);
            } else {
                kept.ids.append(m_ids[i]);
                kept.text += QStringView(m_text).mid(anfang(i), m_ende[i] - anfang(i));
                kept.ende.append(kept.text.size());
            }
        }
        m_ids = std::move(kept.ids);
        m_ende = std::move(kept.ende);
        m_text = std::move(kept.text);
        endResetModel();
        return found;
    }

    void Clear()
    {
        beginResetModel();
        m_ids = {};
        m_ende = {};
        m_text = QString();
        m_menge.Clear();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_ids.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_ids.size())
            return {};
        if (role == Qt::DisplayRole)
            return m_text.mid(anfang(index.row()), m_ende[index.row()] - anfang(index.row()));
        if (role == Qt::UserRole)
            return m_ids[index.row()];
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled : Qt::NoItemFlags;
    }

private:
    qsizetype anfang(int row) const { return row == 0 ? 0 : m_ende[row - 1]; }

    // Appends the gathered entries (ids not listed, each once).
    void Append(Neu&& neu)
    {
        // A repeated id of the batch keeps its first place.
        std::vector<bool> doppelt(size_t(neu.ids.size()), false);
        int n = 0;
        for (int i = 0; i < neu.ids.size(); ++i) {
            if (m_menge.Insert(neu.ids[i]))
                ++n;
            else
                doppelt[size_t(i)] = true;
        }
        if (n == 0)
            return;
        if (n != neu.ids.size()) {
            Neu ohne;
            for (int i = 0; i < neu.ids.size(); ++i)
                if (!doppelt[size_t(i)]) {
                    const qsizetype a = i == 0 ? 0 : neu.ende[i - 1];
                    ohne.ids.append(neu.ids[i]);
                    ohne.text += QStringView(neu.text).mid(a, neu.ende[i] - a);
                    ohne.ende.append(ohne.text.size());
                }
            neu = std::move(ohne);
        }
        beginInsertRows({}, int(m_ids.size()), int(m_ids.size() + neu.ids.size() - 1));
        if (m_ids.isEmpty()) {
            m_ids = std::move(neu.ids);
            m_ende = std::move(neu.ende);
            m_text = std::move(neu.text);
        } else {
            const qsizetype basis = m_text.size();
            m_ids += neu.ids;
            m_ende.reserve(m_ende.size() + neu.ende.size());
            for (qsizetype e : std::as_const(neu.ende))
                m_ende.append(basis + e);
            m_text += neu.text;
        }
        endInsertRows();
    }

    QVector<int> m_ids;
    QVector<qsizetype> m_ende;
    QString m_text;
    TIdMenge m_menge;
};

// ---------------------------------------------------------------------------------------------

TEmpfaengerAuswaehlenForm::TEmpfaengerAuswaehlenForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EmpfaengerAuswaehlenForm"));
    UseDialogKeys(this);
    setWindowTitle(u("Empfänger auswählen"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildUi();
    m_built = true;
}

TEmpfaengerAuswaehlenForm::~TEmpfaengerAuswaehlenForm() = default;

void TEmpfaengerAuswaehlenForm::buildUi()
{
    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    buildKontakteTab();
    layoutKontakteTab();
    PageControl->addTab(TabSheet_Kontakte, u("&Kontakte"));
    buildGeburtstagTab();
    PageControl->addTab(TabSheet_Geburtstag, u("Suche [Ge&burtstag]"));
    buildEmpfaengerListe();
    connectHandlers();
}

QMenu* TEmpfaengerAuswaehlenForm::newPopup(const char* name, QWidget* owner)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QLatin1String(name));
    owner->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(owner, &QWidget::customContextMenuRequested, this, [menu, owner](const QPoint& pos) {
        auto* view = qobject_cast<QAbstractItemView*>(owner);
        menu->popup(view ? view->viewport()->mapToGlobal(pos) : owner->mapToGlobal(pos));
    });
    return menu;
}

QAction* TEmpfaengerAuswaehlenForm::addPopupAction(QMenu* menu, const char* name, const char* text,
                                                   void (TEmpfaengerAuswaehlenForm::*f)())
{
    QAction* a = menu->addAction(u(text));
    a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, this, [this, f] { Guard([&] { (this->*f)(); }); });
    return a;
}

// Drags start here and drops land here; the form's event filter handles both.
void TEmpfaengerAuswaehlenForm::acceptDrops(QAbstractItemView* view)
{
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    view->viewport()->setAcceptDrops(true);
    view->setDropIndicatorShown(false);
    view->viewport()->installEventFilter(this);
    view->installEventFilter(this);
}

void TEmpfaengerAuswaehlenForm::buildKontakteTab()
{
    TabSheet_Kontakte = new QWidget;
    // ---- Contacts tab
    TabSheet_Kontakte->setObjectName(QStringLiteral("TabSheet_Kontakte"));
    ListBox_Kontaktgruppen = new TQuellView<QListWidget>(TabSheet_Kontakte);
    ListBox_Kontaktgruppen->setObjectName(QStringLiteral("ListBox_Kontaktgruppen"));
    ListBox_Kontaktgruppen->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox_Kontaktgruppen->setItemDelegate(new TIconTextDelegate(Ico_Gruppe, ListBox_Kontaktgruppen));
    acceptDrops(ListBox_Kontaktgruppen);
    PopupMenu_Kontaktgruppen = newPopup("PopupMenu_Kontaktgruppen", ListBox_Kontaktgruppen);
    PopupMenu_Kontaktgruppen->setDefaultAction(addPopupAction(PopupMenu_Kontaktgruppen, "Kontaktgruppen_Hinzufuegen",
        "Kontaktgruppe(n) &hinzufügen", &TEmpfaengerAuswaehlenForm::AddSelectedKontaktgruppen));
    addPopupAction(PopupMenu_Kontaktgruppen, "Kontaktgruppen_Entfernen", "Kontaktgruppe(n) &entfernen",
           &TEmpfaengerAuswaehlenForm::DeleteSelectedKontaktgruppen);
    Button_An_Kontaktgruppen = NewPushButton(TabSheet_Kontakte, "Button_An_Kontaktgruppen", u("An: ->"));

    Kontakt_Suchen = NewEdit(TabSheet_Kontakte, "Kontakt_Suchen");
    Kontakt_Suchen->setToolTip(u("Suche innerhalb der vorhandenen Kontakte."));
    Kontakt_Suchen->setMaxLength(TKontaktDaten::kSuchtextLaenge);
    Kontakt_Suchen->installEventFilter(this);
    Button_Kontakte_Suchen = NewToolButton(TabSheet_Kontakte, "Button_Kontakte_Suchen", speedLook("Suche starten"));
    Button_Kontakte_Suchen_Stop = NewToolButton(TabSheet_Kontakte, "Button_Kontakte_Suchen_Stop", speedLook("Zurücksetzen"));

    m_kontakte = new TSmsKontakteModel(this);
    Grid_Kontakte = new TEmpfaengerGrid(TabSheet_Kontakte);
    Grid_Kontakte->setObjectName(QStringLiteral("Grid_Kontakte"));
    Grid_Kontakte->setModel(m_kontakte);
    Grid_Kontakte->horizontalHeader()->setStretchLastSection(true);
    Grid_Kontakte->verticalHeader()->setDefaultSectionSize(18);
    Grid_Kontakte->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The row numbers are shown whole: the header is as wide as the largest one needs.
    Grid_Kontakte->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Grid_Kontakte->setItemDelegate(new TIconTextDelegate(Ico_Kontakt, Grid_Kontakte));
    acceptDrops(Grid_Kontakte);
    Grid_Kontakte->setDragDropMode(QAbstractItemView::DragDrop);
    PopupMenu_Kontakte = newPopup("PopupMenu_Kontakte", Grid_Kontakte);
    PopupMenu_Kontakte->setDefaultAction(addPopupAction(PopupMenu_Kontakte, "Kontakte_Hinzufuegen", "Kontakt(e) &hinzufügen",
                                                &TEmpfaengerAuswaehlenForm::AddSelectedKontakte));
    addPopupAction(PopupMenu_Kontakte, "Kontakte_Entfernen", "Kontakt(e) &entfernen",
           &TEmpfaengerAuswaehlenForm::DeleteSelectedKontakte);
    Grid_Kontakte->OnMouseDown = [](TDragDropDBGrid* grid, QMouseEvent* e) {
        // Only a data cell arms a drag; the headers are widgets of their own.
        if (grid->indexAt(e->position().toPoint()).isValid())
            grid->BeginDrag();
    };
    Grid_Kontakte->OnDblClick = [this](TDragDropDBGrid*) { Guard([&] { AddSelectedKontakte(); }); };
    Grid_Kontakte->OnKeyPress = [this](TDragDropDBGrid*, QKeyEvent* e) {
        bool swallow = false;
        Guard([&] { gridKeyPress(e, swallow); });
        return swallow;
    };

    Kontakte_Sortierung = NewDropDown(TabSheet_Kontakte, "Kontakte_Sortierung", {});
    Kontakte_Sortierung->addItems({QStringLiteral("Nachname"), QStringLiteral("Vorname")});
    Kontakte_Sortierung->setToolTip(u("Legt die Sortierung der Kontakte fest"));
    Button_An_Kontakte = NewPushButton(TabSheet_Kontakte, "Button_An_Kontakte", u("An: ->"));
}

void TEmpfaengerAuswaehlenForm::layoutKontakteTab()
{
    auto* groupsBox = new QVBoxLayout;
    groupsBox->addWidget(stripCaption(TabSheet_Kontakte, "Kontaktgruppen"));
    groupsBox->addWidget(ListBox_Kontaktgruppen, 1);
    groupsBox->addWidget(Button_An_Kontaktgruppen, 0, Qt::AlignRight);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(new QLabel(u("Suche:"), TabSheet_Kontakte));
    searchRow->addWidget(Kontakt_Suchen, 1);
    searchRow->addWidget(Button_Kontakte_Suchen);
    searchRow->addWidget(Button_Kontakte_Suchen_Stop);
    auto* sortRow = new QHBoxLayout;
    sortRow->addWidget(new QLabel(u("Sortieren nach:"), TabSheet_Kontakte));
    sortRow->addWidget(Kontakte_Sortierung);
    sortRow->addStretch();
    sortRow->addWidget(Button_An_Kontakte);
    auto* contactsBox = new QVBoxLayout;
    contactsBox->addWidget(stripCaption(TabSheet_Kontakte, "Kontakte"));
    contactsBox->addLayout(searchRow);
    contactsBox->addWidget(Grid_Kontakte, 1);
    contactsBox->addLayout(sortRow);
    auto* kontakteLayout = new QHBoxLayout(TabSheet_Kontakte);
    kontakteLayout->addLayout(groupsBox, 2);
    kontakteLayout->addLayout(contactsBox, 3);
}

void TEmpfaengerAuswaehlenForm::buildGeburtstagTab()
{
    // ---- Birthday tab
    TabSheet_Geburtstag = new QWidget;
    TabSheet_Geburtstag->setObjectName(QStringLiteral("TabSheet_Geburtstag"));
    auto rangeEdit = [this](const char* name) {
        auto* e = new QLineEdit(TabSheet_Geburtstag);
        e->setObjectName(QLatin1String(name));
        e->setFixedWidth(48);
        e->installEventFilter(this);
        return e;
    };
    Geburtstag_Von = rangeEdit("Geburtstag_Von");
    Geburtstag_Bis = rangeEdit("Geburtstag_Bis");
    Button_Geburtstag_Suchen = NewToolButton(TabSheet_Geburtstag, "Button_Geburtstag_Suchen", speedLook("Suche &starten"));
    Button_Geburtstag_Suchen_Stop = NewToolButton(TabSheet_Geburtstag, "Button_Geburtstag_Suchen_Stop", speedLook("&Zurücksetzen"));
    m_geburtstag = new TGeburtstagBaum(u(kAlleKontakte), this);
    TreeView_Geburtstag = new TQuellView<QTreeView>(TabSheet_Geburtstag);
    TreeView_Geburtstag->setObjectName(QStringLiteral("TreeView_Geburtstag"));
    TreeView_Geburtstag->setModel(m_geburtstag);
    TreeView_Geburtstag->setHeaderHidden(true);
    TreeView_Geburtstag->setSelectionMode(QAbstractItemView::ExtendedSelection);
    TreeView_Geburtstag->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView_Geburtstag->setUniformRowHeights(true);
    acceptDrops(TreeView_Geburtstag);
    PopupMenu_Geburtstag = newPopup("PopupMenu_Geburtstag", TreeView_Geburtstag);
    PopupMenu_Geburtstag->setDefaultAction(addPopupAction(PopupMenu_Geburtstag, "Geburtstag_Hinzufuegen",
        "Kontakt(e) &hinzufügen", &TEmpfaengerAuswaehlenForm::AddSelectedGeburtstagKontakte));
    addPopupAction(PopupMenu_Geburtstag, "Geburtstag_Entfernen", "Kontakt(e) &entfernen",
           &TEmpfaengerAuswaehlenForm::DeleteSelectedGeburtstagKontakte);
    Button1 = NewPushButton(TabSheet_Geburtstag, "Button1", u("An: ->"));

    auto* sentence = new QHBoxLayout;
    sentence->addWidget(new QLabel(u("Zeige alle Kontakte, die zwischen dem"), TabSheet_Geburtstag));
    sentence->addWidget(Geburtstag_Von);
    sentence->addWidget(new QLabel(u("und dem"), TabSheet_Geburtstag));
    sentence->addWidget(Geburtstag_Bis);
    sentence->addWidget(new QLabel(u("Geburtstag haben."), TabSheet_Geburtstag));
    sentence->addStretch();
    auto* searchButtons = new QHBoxLayout;
    searchButtons->addWidget(Button_Geburtstag_Suchen);
    searchButtons->addWidget(Button_Geburtstag_Suchen_Stop);
    searchButtons->addStretch();
    auto* geburtstagLayout = new QVBoxLayout(TabSheet_Geburtstag);
    geburtstagLayout->addLayout(sentence);
    geburtstagLayout->addLayout(searchButtons);
    geburtstagLayout->addWidget(TreeView_Geburtstag, 1);
    geburtstagLayout->addWidget(Button1, 0, Qt::AlignRight);
}

// The chosen recipients beside the tabs, OK and Abbrechen under them.
void TEmpfaengerAuswaehlenForm::buildEmpfaengerListe()
{
    // ---- Chosen list and buttons
    m_empfaenger = new TEmpfaengerListe(this);
    ListBox_Empfaenger = new TQuellView<QListView>(this);
    ListBox_Empfaenger->setObjectName(QStringLiteral("ListBox_Empfaenger"));
    ListBox_Empfaenger->setModel(m_empfaenger);
    ListBox_Empfaenger->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox_Empfaenger->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox_Empfaenger->setUniformItemSizes(true);
    acceptDrops(ListBox_Empfaenger);
    PopupMenu_Empfaenger = newPopup("PopupMenu_Empfaenger", ListBox_Empfaenger);
    PopupMenu_Empfaenger->setDefaultAction(addPopupAction(PopupMenu_Empfaenger, "Empfaenger_Entfernen",
        "selektierte Kontakte &entfernen", &TEmpfaengerAuswaehlenForm::DeleteSelectedEmpfaenger));

    Btn_OK = NewPushButton(this, "Btn_OK", u("&OK"));
    Btn_Abbrechen = NewPushButton(this, "Btn_Abbrechen", u("A&bbrechen"));

    auto* chosenBox = new QVBoxLayout;
    chosenBox->addWidget(stripCaption(this, "Empfänger"));
    chosenBox->addWidget(ListBox_Empfaenger, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(PageControl, 3);
    top->addLayout(chosenBox, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(NewOkAbbrechenRow(Btn_OK, Btn_Abbrechen));
    resize(860, 520);
}

void TEmpfaengerAuswaehlenForm::connectHandlers()
{
    auto guarded = [this](void (TEmpfaengerAuswaehlenForm::*f)()) {
        return [this, f] { Guard([&] { (this->*f)(); }); };
    };
    connect(Button_Kontakte_Suchen, &QToolButton::clicked, this, &TEmpfaengerAuswaehlenForm::Button_Kontakte_SuchenClick);
    connect(Button_Kontakte_Suchen_Stop, &QToolButton::clicked, this,
            &TEmpfaengerAuswaehlenForm::Button_Kontakte_Suchen_StopClick);
    connect(Kontakte_Sortierung, QOverload<int>::of(&QComboBox::activated), this,
            &TEmpfaengerAuswaehlenForm::Kontakte_SortierungChange);
    // A list box's click comes with keyboard moves and with every mouse click, also on the
    // item that is current already.
    connect(ListBox_Kontaktgruppen, &QListWidget::currentRowChanged, this,
            &TEmpfaengerAuswaehlenForm::ListBox_KontaktgruppenClick);
    connect(ListBox_Kontaktgruppen, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.row() == m_groupRowAtPress)
            ListBox_KontaktgruppenClick();
    });
    connect(ListBox_Kontaktgruppen, &QListWidget::itemDoubleClicked, this,
            guarded(&TEmpfaengerAuswaehlenForm::AddSelectedKontaktgruppen));
    connect(Button_An_Kontaktgruppen, &QPushButton::clicked, this,
            guarded(&TEmpfaengerAuswaehlenForm::AddSelectedKontaktgruppen));
    connect(Button_An_Kontakte, &QPushButton::clicked, this, guarded(&TEmpfaengerAuswaehlenForm::AddSelectedKontakte));
    connect(Button_Geburtstag_Suchen, &QToolButton::clicked, this,
            &TEmpfaengerAuswaehlenForm::Button_Geburtstag_SuchenClick);
    connect(Button_Geburtstag_Suchen_Stop, &QToolButton::clicked, this,
            &TEmpfaengerAuswaehlenForm::Button_Geburtstag_Suchen_StopClick);
    connect(TreeView_Geburtstag, &QAbstractItemView::doubleClicked, this,
            guarded(&TEmpfaengerAuswaehlenForm::AddSelectedGeburtstagKontakte));
    connect(Button1, &QPushButton::clicked, this, guarded(&TEmpfaengerAuswaehlenForm::AddSelectedGeburtstagKontakte));
    connect(Btn_OK, &QPushButton::clicked, this, &TEmpfaengerAuswaehlenForm::Btn_OKClick);
    connect(Btn_Abbrechen, &QPushButton::clicked, this, &TEmpfaengerAuswaehlenForm::Btn_AbbrechenClick);
}

// ---- Showing and the result ----

void TEmpfaengerAuswaehlenForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guard([&] { FormShow(); });
}

void TEmpfaengerAuswaehlenForm::FormShow()
{
    Kontakt_Suchen->clear();
    Button_Kontakte_Suchen_Stop->setEnabled(false);
    KontakteSucheAktiv = false;
    Kontakte_Sortierung->setCurrentIndex(0);
    LoadKontaktgruppen();
    setDefaultRange();
    Button_Geburtstag_Suchen_Stop->setEnabled(false);
    GeburtstagSucheAktiv = false;
    BuildGeburtstagTree();
    m_empfaenger->Clear();
    PageControl->setCurrentIndex(0);
    Kontakt_Suchen->setFocus();
}

void TEmpfaengerAuswaehlenForm::setDefaultRange()
{
    const QDate today = Clock::Today();
    Geburtstag_Von->setText(today.addDays(-7).toString(QStringLiteral("dd.MM.")));
    Geburtstag_Bis->setText(today.addDays(7).toString(QStringLiteral("dd.MM.")));
}

QList<int> TEmpfaengerAuswaehlenForm::GetEmpfaengerIds() const
{
    const QVector<int>& ids = m_empfaenger->Ids();
    return QList<int>(ids.begin(), ids.end());
}

void TEmpfaengerAuswaehlenForm::Btn_OKClick() { accept(); }
void TEmpfaengerAuswaehlenForm::Btn_AbbrechenClick() { reject(); }

// ---- Groups and the contact grid ----

QString TEmpfaengerAuswaehlenForm::GetKontakteAnzahl(int anzahl)
{
    return anzahl == 1 ? QStringLiteral("1 Eintrag") : QString::number(anzahl) + QStringLiteral(" Einträge");
}

void TEmpfaengerAuswaehlenForm::LoadKontaktgruppen()
{
    {
        WaitCursor wait;
        const QVector<TKategorie> gruppen = TKontaktDaten::Kategorien();
        // One count for all groups instead of one statement per group: the same numbers.
        const QHash<int, int> anzahlen = TKontaktDaten::KontaktAnzahlen();
        const int alle = TKontaktDaten::KontaktAnzahl(0);
        QSignalBlocker block(ListBox_Kontaktgruppen);
        ListBox_Kontaktgruppen->clear();
        KontaktgruppenIds.clear();
        KontaktgruppenIds.reserve(gruppen.size() + 1);
        KontaktgruppenIds.append(0);
        QStringList items;
        items.append(u(kAlleKontakte) + QStringLiteral(" (") + GetKontakteAnzahl(alle) + QStringLiteral(")"));
        for (const TKategorie& g : gruppen) {
            KontaktgruppenIds.append(g.id);
            items.append(g.name + QStringLiteral(" (") + GetKontakteAnzahl(anzahlen.value(g.id)) + QStringLiteral(")"));
        }
        ListBox_Kontaktgruppen->addItems(items);
        ListBox_Kontaktgruppen->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    }
    ListBox_KontaktgruppenClick();
}

int TEmpfaengerAuswaehlenForm::currentGroupId() const
{
    const int row = ListBox_Kontaktgruppen->currentRow();
    return row >= 0 && row < KontaktgruppenIds.size() ? KontaktgruppenIds[row] : 0;
}

int TEmpfaengerAuswaehlenForm::OpenKontakte(int kategorieId)
{
    std::unique_ptr<TKontaktDaten::TKontaktListe> liste;
    {
        WaitCursor wait;
        liste = std::make_unique<TKontaktDaten::TKontaktListe>(
            TKontaktDaten::TKontaktListe::Art::SmsKontakte, kategorieId, KontakteSucheAktiv,
            Kontakt_Suchen->text(), Kontakte_Sortierung->currentIndex());
    }
    const int n = liste->Anzahl();
    m_kontakte->SetListe(std::move(liste), Kontakte_Sortierung->currentIndex());
    // An opened list stands on its first row, without a selection.
    if (n > 0)
        Grid_Kontakte->selectionModel()->setCurrentIndex(m_kontakte->index(0, 0), QItemSelectionModel::NoUpdate);
    return n;
}

void TEmpfaengerAuswaehlenForm::ListBox_KontaktgruppenClick()
{
    if (ListBox_Kontaktgruppen->count() == 0 || ListBox_Kontaktgruppen->currentRow() < 0)
        return;
    Guard([&] { OpenKontakte(currentGroupId()); });
}

void TEmpfaengerAuswaehlenForm::Kontakte_SortierungChange() { ListBox_KontaktgruppenClick(); }

void TEmpfaengerAuswaehlenForm::Button_Kontakte_SuchenClick()
{
    if (Kontakt_Suchen->text().isEmpty()) {
        Msg::Information(u(kKeinSuchbegriff));
        Kontakt_Suchen->setFocus();
        return;
    }
    KontakteSucheAktiv = true;
    int count = 0;
    if (!Guard([&] { count = OpenKontakte(currentGroupId()); }))
        return;
    if (count > 0) {
        Button_Kontakte_Suchen_Stop->setEnabled(true);
    } else {
        KontakteSucheAktiv = false;
        Msg::Information(u(kKeineTreffer));
    }
}

void TEmpfaengerAuswaehlenForm::Button_Kontakte_Suchen_StopClick()
{
    KontakteSucheAktiv = false;
    Button_Kontakte_Suchen_Stop->setEnabled(false);
    Kontakt_Suchen->clear();
    Guard([&] { OpenKontakte(currentGroupId()); });
}

void TEmpfaengerAuswaehlenForm::gridKeyPress(QKeyEvent* event, bool& swallow)
{
    if (isEnter(event)) {
        swallow = true;
        AddSelectedKontakte();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        swallow = true;
        DeleteSelectedKontakte();
        return;
    }
    if (event->text().isEmpty() || !IsTypeAheadKey(event->text().at(0)))
        return;
    // One character, searched anew from the first row.
    const QString key(event->text().at(0));
    const bool byVorname = Kontakte_Sortierung->currentIndex() == 1;
    const int row = m_kontakte->FindPrefix(key.at(0), byVorname);
    if (row >= 0) {
        const QModelIndex idx = m_kontakte->index(row, 0);
        Grid_Kontakte->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::NoUpdate);
        Grid_Kontakte->scrollTo(idx);
    }
}

// ---- The chosen list ----

bool TEmpfaengerAuswaehlenForm::AddKontakt(int kontaktId)
{
    if (m_empfaenger->Contains(kontaktId))
        return false;
    TKontaktDaten::TKontaktAuswahl k;
    if (!TKontaktDaten::LadeKontaktAuswahl(kontaktId, k))
        return false;
    m_empfaenger->Append({k});
    return true;
}

bool TEmpfaengerAuswaehlenForm::DeleteKontakt(int kontaktId) { return m_empfaenger->Remove({kontaktId}) == 1; }

// AddKontakt for each id in order, as one read and one insertion into the list.
void TEmpfaengerAuswaehlenForm::addKontakte(const QVector<int>& ids)
{
    QVector<int> neu;
    QSet<int> seen;
    for (int id : ids)
        if (!m_empfaenger->Contains(id) && !seen.contains(id)) {
            seen.insert(id);
            neu.append(id);
        }
    if (neu.isEmpty())
        return;
    QVector<TKontaktDaten::TKontaktAuswahl> rows;
    rows.reserve(neu.size());
    TKontaktDaten::KontakteAuswahlByIds(neu, [&](const TKontaktDaten::TKontaktAuswahl& k) { rows.append(k); });
    m_empfaenger->Append(rows);
}

void TEmpfaengerAuswaehlenForm::removeKontakte(const QSet<int>& ids) { m_empfaenger->Remove(ids); }

void TEmpfaengerAuswaehlenForm::AddKontaktgruppe(int kategorieId)
{
    WaitCursor wait;
    m_empfaenger->AppendGelesen([&](const std::function<void(const TKontaktDaten::TKontaktAuswahl&)>& neu) {
        TKontaktDaten::KontakteAuswahlByKategorie(kategorieId, neu);
    });
}

void TEmpfaengerAuswaehlenForm::DeleteKontaktgruppe(int kategorieId)
{
    const QVector<int> ids = TKontaktDaten::KontaktIdsByKategorie(kategorieId);
    removeKontakte(QSet<int>(ids.begin(), ids.end()));
}

void TEmpfaengerAuswaehlenForm::AddSelectedKontakte()
{
    QVector<int> ids;
    {
        WaitCursor wait;
        QModelIndexList rows = Grid_Kontakte->selectionModel()->selectedRows();
        if (rows.isEmpty()) {
            const QModelIndex cur = Grid_Kontakte->currentIndex();
            if (cur.isValid())
                ids.append(m_kontakte->At(cur.row()).id);
        } else {
            // In the grid's order, whatever order the rows were selected in.
            std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
            for (const QModelIndex& i : rows)
                ids.append(m_kontakte->At(i.row()).id);
        }
    }
    addKontakte(ids);
}

void TEmpfaengerAuswaehlenForm::DeleteSelectedKontakte()
{
    QSet<int> ids;
    for (const QModelIndex& i : Grid_Kontakte->selectionModel()->selectedRows())
        ids.insert(m_kontakte->At(i.row()).id);
    removeKontakte(ids);
}

void TEmpfaengerAuswaehlenForm::AddSelectedKontaktgruppen()
{
    for (int i = 0; i < ListBox_Kontaktgruppen->count() && i < KontaktgruppenIds.size(); ++i)
        if (ListBox_Kontaktgruppen->item(i)->isSelected())
            AddKontaktgruppe(KontaktgruppenIds[i]);
}

void TEmpfaengerAuswaehlenForm::DeleteSelectedKontaktgruppen()
{
    for (int i = 0; i < ListBox_Kontaktgruppen->count() && i < KontaktgruppenIds.size(); ++i)
        if (ListBox_Kontaktgruppen->item(i)->isSelected())
            DeleteKontaktgruppe(KontaktgruppenIds[i]);
}

void TEmpfaengerAuswaehlenForm::DeleteSelectedEmpfaenger()
{
    QSet<int> ids;
    for (const QModelIndex& i : ListBox_Empfaenger->selectionModel()->selectedRows())
        ids.insert(m_empfaenger->Id(i.row()));
    removeKontakte(ids);
}

// ---- Birthday search ----

namespace {
// contact id -> row of the ordered result: a vector over the ids' span when dense (the ids are
// keys from one sequence), else a hash.
class TTrefferPosition {
public:
    explicit TTrefferPosition(const QVector<int>& ids)
    {
        const auto [lo, hi] = std::minmax_element(ids.cbegin(), ids.cend());
        m_lo = *lo;
        m_spanne = qint64(*hi) - *lo + 1;
        m_dicht = m_spanne <= qint64(ids.size()) * 8 + 1000000;
        if (m_dicht)
            m_dichtPos.assign(size_t(m_spanne), -1);
        else
            m_hashPos.reserve(ids.size());
        for (int i = 0; i < ids.size(); ++i) {
            if (m_dicht)
                m_dichtPos[size_t(ids[i] - m_lo)] = i;
            else
                m_hashPos.insert(ids[i], i);
        }
    }
    // -1 for an id outside the result.
    int operator()(int id) const
    {
        if (!m_dicht)
            return m_hashPos.value(id, -1);
        const qint64 i = qint64(id) - m_lo;
        return i >= 0 && i < m_spanne ? m_dichtPos[size_t(i)] : -1;
    }

private:
    int m_lo = 0;
    qint64 m_spanne = 0;
    bool m_dicht = true;
    std::vector<int> m_dichtPos;
    QHash<int, int> m_hashPos;
};

void readGeburtstage(TGeburtstagTreffer& treffer, int von, int bis)
{
    QString zeile;
    TKontaktDaten::GeburtstagKontakte(von, bis, [&](const TKontaktDaten::TKontaktGeburtstag& k) {
        zeile.clear();
        appendName(zeile, k.vorname, k.nachname, k.firma);
        appendGeburtstag(zeile, k.geburtsdatum);
        treffer.Append(k.id, zeile);
    });
    treffer.Squeeze();
}

// The group nodes below the root: one per group with members in the result, in the groups'
// order; each group's members (rows of the result, one group after another into `zeilen`) in
// the order of the whole result. One statement for all groups instead of one per group.
void readGeburtstagGruppen(const TGeburtstagTreffer& treffer, int von, int bis,
                           QVector<TGeburtstagBaum::Gruppe>& gruppen, QVector<int>& zeilen)
{
    const TTrefferPosition positionOf(treffer.ids);
    QHash<int, QVector<int>> members;
    qsizetype alle = 0;
    for (const auto& [kategorie, kontakt] : TKontaktDaten::GeburtstagZuordnungen(von, bis)) {
        const int row = positionOf(kontakt);
        if (row >= 0) {
            members[kategorie].append(row);
            ++alle;
        }
    }
    zeilen.reserve(alle);
    for (const TKategorie& g : TKontaktDaten::Kategorien()) {
        auto it = members.find(g.id);
        if (it == members.end() || it->isEmpty())
            continue;
        std::stable_sort(it->begin(), it->end());
        zeilen += *it;
        gruppen.append({g.id, g.name, zeilen.size()});
        *it = {};
    }
}

// The selected nodes of the birthday tree in the tree's order, each once: f(top, -1) for a
// selected root or group (top-level row top), f(top, i) for its selected child i. From the
// selection's ranges: a selected root holds a million children.
template <class F>
void forSelectedNodes(const QItemSelectionModel* selection, F f)
{
    struct Lauf {
        int top, von, bis;   // von = bis = -1: the top-level node itself
    };
    std::vector<Lauf> laeufe;
    for (const QItemSelectionRange& r : selection->selection()) {
        if (!r.isValid())
            continue;
        if (!r.parent().isValid()) {
            for (int top = r.top(); top <= r.bottom(); ++top)
                laeufe.push_back({top, -1, -1});
        } else {
            laeufe.push_back({r.parent().row(), r.top(), r.bottom()});
        }
    }
    std::sort(laeufe.begin(), laeufe.end(),
              [](const Lauf& a, const Lauf& b) { return a.top != b.top ? a.top < b.top : a.von < b.von; });
    int top = -1, bis = -2;   // the last node visited under `top`
    for (const Lauf& l : laeufe) {
        if (l.top != top) {
            top = l.top;
            bis = -2;
        }
        // Ranges may overlap: what an earlier one covered is not visited again.
        for (int i = std::max(l.von, bis + 1); i <= l.bis; ++i)
            f(top, i);
        bis = std::max(bis, l.bis);
    }
}
} // namespace

int TEmpfaengerAuswaehlenForm::BuildGeburtstagTree()
{
    WaitCursor wait;
    // The previous result goes before the next one is read.
    m_geburtstag->Leeren();
    if (!GeburtstagSucheAktiv)
        return 0;
    const QDate von = rangeDate(Geburtstag_Von->text());
    const QDate bis = rangeDate(Geburtstag_Bis->text());
    const int v = TKontaktDaten::MonatTag(von.month(), von.day());
    const int b = TKontaktDaten::MonatTag(bis.month(), bis.day());
    TGeburtstagTreffer treffer;
    readGeburtstage(treffer, v, b);
    if (treffer.ids.isEmpty())
        return 0;
    QVector<TGeburtstagBaum::Gruppe> gruppen;
    QVector<int> zeilen;
    readGeburtstagGruppen(treffer, v, b, gruppen, zeilen);
    m_geburtstag->Setzen(std::move(treffer), std::move(gruppen), std::move(zeilen));
    for (int top = 0; top < m_geburtstag->TopAnzahl(); ++top)
        TreeView_Geburtstag->expand(m_geburtstag->index(top, 0));
    return 1;
}

void TEmpfaengerAuswaehlenForm::Button_Geburtstag_SuchenClick()
{
    if (Geburtstag_Von->text().isEmpty() || Geburtstag_Bis->text().isEmpty()) {
        Msg::Information(u(kKeinZeitraum));
        Geburtstag_Von->setFocus();
        return;
    }
    if (!rangeDate(Geburtstag_Von->text()).isValid()) {
        Msg::Information(u(kUngueltigesDatum));
        Geburtstag_Von->setFocus();
        return;
    }
    if (!rangeDate(Geburtstag_Bis->text()).isValid()) {
        Msg::Information(u(kUngueltigesDatum));
        Geburtstag_Bis->setFocus();
        return;
    }
    GeburtstagSucheAktiv = true;
    int result = 0;
    if (!Guard([&] { result = BuildGeburtstagTree(); }))
        return;
    if (result > 0) {
        Button_Geburtstag_Suchen_Stop->setEnabled(true);
    } else {
        GeburtstagSucheAktiv = false;
        Msg::Information(u(kKeineTreffer));
    }
}

void TEmpfaengerAuswaehlenForm::Button_Geburtstag_Suchen_StopClick()
{
    GeburtstagSucheAktiv = false;
    Button_Geburtstag_Suchen_Stop->setEnabled(false);
    setDefaultRange();
    Guard([&] { BuildGeburtstagTree(); });
}

void TEmpfaengerAuswaehlenForm::normalizeRange(QLineEdit* edit)
{
    if (edit->text().isEmpty())
        return;
    const QString normal = NormalizeDayMonth(edit->text());
    if (!normal.isEmpty())
        edit->setText(normal);
}

void TEmpfaengerAuswaehlenForm::AddSelectedGeburtstagKontakte()
{
    QVector<int> ids;
    forSelectedNodes(TreeView_Geburtstag->selectionModel(), [&](int top, int kind) {
        if (kind >= 0) {
            ids.append(m_geburtstag->KindId(top, kind));
            return;
        }
        // A root or group adds what it shows, in its order.
        const int n = m_geburtstag->KinderAnzahl(top);
        ids.reserve(ids.size() + n);
        for (int i = 0; i < n; ++i)
            ids.append(m_geburtstag->KindId(top, i));
    });
    addKontakte(ids);
}

void TEmpfaengerAuswaehlenForm::DeleteSelectedGeburtstagKontakte()
{
    QSet<int> ids;
    forSelectedNodes(TreeView_Geburtstag->selectionModel(), [&](int top, int kind) {
        if (kind >= 0) {
            ids.insert(m_geburtstag->KindId(top, kind));
            return;
        }
        // Every member of the group, also those the tree does not show (the root: all).
        const int wert = m_geburtstag->Wert(m_geburtstag->index(top, 0));
        for (int id : TKontaktDaten::KontaktIdsByKategorie(-wert))
            ids.insert(id);
    });
    removeKontakte(ids);
}

// ---- Drag and drop, keys and leaving the range edits ----

QMimeData* TEmpfaengerAuswaehlenForm::CreateDragData(const QString& quelle)
{
    auto* data = new QMimeData;
    data->setData(QLatin1String(kQuelleMimeType),
                  QByteArray::number(QCoreApplication::applicationPid()) + ':' + quelle.toUtf8());
    return data;
}

QString TEmpfaengerAuswaehlenForm::DragQuelle(const QMimeData* data)
{
    if (!data || !data->hasFormat(QLatin1String(kQuelleMimeType)))
        return {};
    const QByteArray tag = data->data(QLatin1String(kQuelleMimeType));
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + ':';
    return tag.startsWith(pid) ? QString::fromUtf8(tag.mid(pid.size())) : QString();
}

bool TEmpfaengerAuswaehlenForm::dropAllowed(QObject* target, const QMimeData* data) const
{
    const QString quelle = DragQuelle(data);
    if (quelle.isEmpty())
        return false;
    if (target == ListBox_Empfaenger->viewport()) {
        if (PageControl->currentIndex() == 0)
            return quelle == ListBox_Kontaktgruppen->objectName() || quelle == Grid_Kontakte->objectName();
        return quelle == TreeView_Geburtstag->objectName();
    }
    return quelle == ListBox_Empfaenger->objectName();
}

void TEmpfaengerAuswaehlenForm::dropOn(QObject* target, const QMimeData* data)
{
    if (target != ListBox_Empfaenger->viewport()) {
        DeleteSelectedEmpfaenger();
        return;
    }
    const QString quelle = DragQuelle(data);
    if (quelle == ListBox_Kontaktgruppen->objectName())
        AddSelectedKontaktgruppen();
    else if (quelle == Grid_Kontakte->objectName())
        AddSelectedKontakte();
    else
        AddSelectedGeburtstagKontakte();
}

bool TEmpfaengerAuswaehlenForm::dragEvent(QObject* watched, QEvent* event)
{
    const bool viewport = watched == ListBox_Empfaenger->viewport() || watched == ListBox_Kontaktgruppen->viewport()
        || watched == Grid_Kontakte->viewport() || watched == TreeView_Geburtstag->viewport();
    if (!viewport)
        return false;
    if (event->type() == QEvent::Drop) {
        auto* e = static_cast<QDropEvent*>(event);
        if (dropAllowed(watched, e->mimeData())) {
            e->setDropAction(Qt::CopyAction);
            e->accept();
            Guard([&] { dropOn(watched, e->mimeData()); });
        } else {
            e->ignore();
        }
        return true;
    }
    auto* e = static_cast<QDragMoveEvent*>(event);
    if (dropAllowed(watched, e->mimeData())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
    return true;
}

bool TEmpfaengerAuswaehlenForm::keyPress(QObject* watched, QKeyEvent* e)
{
    const bool enter = isEnter(e);
    const bool del = e->key() == Qt::Key_Delete;
    if (watched == Kontakt_Suchen && enter) {
        Button_Kontakte_SuchenClick();
        return true;
    }
    if (watched == Geburtstag_Von && enter) {
        Geburtstag_Bis->setFocus();
        return true;
    }
    if (watched == Geburtstag_Bis && enter) {
        Button_Geburtstag_SuchenClick();
        return true;
    }
    if (watched == ListBox_Kontaktgruppen && (enter || del)) {
        Guard([&] { enter ? AddSelectedKontaktgruppen() : DeleteSelectedKontaktgruppen(); });
        return true;
    }
    if (watched == TreeView_Geburtstag && (enter || del)) {
        Guard([&] { enter ? AddSelectedGeburtstagKontakte() : DeleteSelectedGeburtstagKontakte(); });
        return true;
    }
    if (watched == ListBox_Empfaenger && del) {
        DeleteSelectedEmpfaenger();
        return true;
    }
    return false;
}

bool TEmpfaengerAuswaehlenForm::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_built)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (dragEvent(watched, event))
            return true;
        break;
    case QEvent::MouseButtonPress:
        if (watched == ListBox_Kontaktgruppen->viewport())
            m_groupRowAtPress = ListBox_Kontaktgruppen->currentRow();
        break;
    case QEvent::KeyPress:
        if (keyPress(watched, static_cast<QKeyEvent*>(event)))
            return true;
        break;
    case QEvent::FocusOut:
        // Leaving the field, not losing the focus to a message box or a popup.
        if (watched == Geburtstag_Von || watched == Geburtstag_Bis) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                normalizeRange(static_cast<QLineEdit*>(watched));
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
