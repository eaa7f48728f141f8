#include "contacts/DragDropDBGrid.h"
#include <QCoreApplication>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

TDragDropDBGrid::TDragDropDBGrid(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Qt's own drag start (after the drag distance, keeping a selection pressed upon) is
    // used; startDrag decides whether the press armed it.
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setSortingEnabled(false);
    horizontalHeader()->setSectionsMovable(false);
}

void TDragDropDBGrid::BeginDrag() { m_dragArmed = true; }

int TDragDropDBGrid::Row() const
{
    const QModelIndex cur = currentIndex();
    return cur.isValid() ? cur.row() : -1;
}

QByteArray TDragDropDBGrid::DragTag() const
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + objectName().toUtf8();
}

QMimeData* TDragDropDBGrid::CreateDragData() const
{
    auto* data = new QMimeData;
    data->setData(QLatin1String(kMimeType), DragTag());
    return data;
}

bool TDragDropDBGrid::IsOwnDrag(const QMimeData* data, const QString& gridName)
{
    if (!data || !data->hasFormat(QLatin1String(kMimeType)))
        return false;
    const QByteArray expected = QByteArray::number(QCoreApplication::applicationPid()) + ':'
        + gridName.toUtf8();
    return data->data(QLatin1String(kMimeType)) == expected;
}

void TDragDropDBGrid::mousePressEvent(QMouseEvent* event)
{
    m_dragArmed = false;
    if (OnMouseDown)
        OnMouseDown(this, event);
    QTableView::mousePressEvent(event);
}

void TDragDropDBGrid::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragArmed = false;
    QTableView::mouseReleaseEvent(event);
}

void TDragDropDBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(this);
}

void TDragDropDBGrid::keyPressEvent(QKeyEvent* event)
{
    if (OnKeyPress && OnKeyPress(this, event)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDragDropDBGrid::startDrag(Qt::DropActions)
{
    if (!m_dragArmed)
        return;
    m_dragArmed = false;
    if (OnStartDrag)
        OnStartDrag(this);
    const bool dropped = execDrag(CreateDragData());
    if (OnEndDrag)
        OnEndDrag(this, dropped);
}

bool TDragDropDBGrid::execDrag(QMimeData* data)
{
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    return drag->exec(Qt::CopyAction) != Qt::IgnoreAction;
}
