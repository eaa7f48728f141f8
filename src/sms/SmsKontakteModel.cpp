#include "sms/SmsKontakteModel.h"
#include "foundation/Global.h"
#include <QKeyEvent>
#include <QMouseEvent>

bool IsTypeAheadKey(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == 196
        || u == 214 || u == 220 || u == 228 || u == 246 || u == 252;
}

TSmsKontakteModel::TSmsKontakteModel(QObject* parent) : QAbstractTableModel(parent) {}
TSmsKontakteModel::~TSmsKontakteModel() = default;

void TSmsKontakteModel::SetListe(std::unique_ptr<TKontaktDaten::TKontaktListe> liste, int order)
{
    beginResetModel();
    m_liste = std::move(liste);
    m_order = order;
    endResetModel();
}

void TSmsKontakteModel::SetOrder(int order)
{
    m_order = order;
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0));
}

TSmsKontakteModel::Row TSmsKontakteModel::At(int row) const
{
    if (!m_liste)
        return {};
    const TKontaktZeile& z = m_liste->Zeile(row);
    return {z.id, z.vorname, z.nachname, z.firma};
}

int TSmsKontakteModel::FindPrefix(QChar c, bool byVorname) const
{
    return m_liste ? m_liste->ErsteMitAnfang(c, byVorname) : -1;
}

int TSmsKontakteModel::Gehalten() const { return m_liste ? m_liste->Gehalten() : 0; }

int TSmsKontakteModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_liste ? 0 : m_liste->Anzahl();
}

int TSmsKontakteModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

QVariant TSmsKontakteModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::UserRole))
        return {};
    const TKontaktZeile& r = m_liste->Zeile(index.row());
    if (role == Qt::DisplayRole)
        return GetKontaktNameSortiert(m_order, r.vorname, r.nachname, r.firma);
    return r.id;
}

QVariant TSmsKontakteModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section == 0)
        return QStringLiteral("Name");
    return QAbstractTableModel::headerData(section, o, role);
}

Qt::ItemFlags TSmsKontakteModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid())
        f |= Qt::ItemIsDragEnabled;
    return f;
}

// ---------------------------------------------------------------------------------------------

QItemSelectionModel::SelectionFlags TSmsKontakteGrid::selectionCommand(const QModelIndex& index,
                                                                       const QEvent* event) const
{
    if (event && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        const auto* me = static_cast<const QMouseEvent*>(event);
        // Shift+click selects the clicked row alone, as a plain click does; the range up to it
        // is the page's (from its anchor).
        if ((me->modifiers() & Qt::ShiftModifier) && !(me->modifiers() & Qt::ControlModifier))
            return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    }
    return QTableView::selectionCommand(index, event);
}

void TSmsKontakteGrid::mousePressEvent(QMouseEvent* event)
{
    // The right button only opens the pop-up menu: it acts on the rows selected before.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void TSmsKontakteGrid::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        Q_EMIT MouseUp(event->modifiers());
}

void TSmsKontakteGrid::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter || (!event->text().isEmpty() && IsTypeAheadKey(event->text().at(0)))) {
        Q_EMIT KeyPress(event);
        if (enter)
            return;
    }
    QTableView::keyPressEvent(event);
}
