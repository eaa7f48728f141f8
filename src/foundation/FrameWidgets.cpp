#include "foundation/FrameWidgets.h"
#include "foundation/Global.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

namespace {
void drawPerson(QPainter& p, QRectF r, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    const qreal w = r.width();
    p.drawEllipse(QRectF(r.left() + w * 0.3, r.top(), w * 0.4, w * 0.4));
    QPainterPath body;
    body.moveTo(r.left() + w * 0.08, r.bottom());
    body.cubicTo(r.left() + w * 0.08, r.top() + w * 0.45, r.right() - w * 0.08, r.top() + w * 0.45,
                 r.right() - w * 0.08, r.bottom());
    body.closeSubpath();
    p.drawPath(body);
}

void drawLetter(QPainter& p, QRectF r, const QColor& body, const QColor& line)
{
    p.setPen(QPen(line, qMax<qreal>(1.0, r.width() / 16)));
    p.setBrush(body);
    p.drawRoundedRect(r, r.width() / 10, r.width() / 10);
    p.drawLine(r.topLeft(), QPointF(r.center().x(), r.center().y() + r.height() / 8));
    p.drawLine(QPointF(r.center().x(), r.center().y() + r.height() / 8), r.topRight());
}

// Two persons, the group icon and the contacts page's picture.
void drawGroup(QPainter& p, qreal s)
{
    drawPerson(p, QRectF(s * 0.35, s * 0.05, s * 0.62, s * 0.9), QColor(0x80, 0x80, 0xc0));
    drawPerson(p, QRectF(s * 0.02, s * 0.15, s * 0.62, s * 0.85), QColor(0x20, 0x50, 0xa0));
}

// A transparent square of `size` pixels drawn by `paint(painter, size)`.
template <class F>
QPixmap painted(int size, F&& paint)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, qreal(size));
    }
    return pm;
}

QPixmap paintIco(int index, int size)
{
    return painted(size, [index](QPainter& p, qreal s) {
        switch (index) {
        case Ico_Gruppe:
            drawGroup(p, s);
            break;
        case Ico_Kontakt:
            drawPerson(p, QRectF(s * 0.15, s * 0.05, s * 0.7, s * 0.95), QColor(0x20, 0x70, 0x30));
            break;
        case Ico_Sms:
            drawLetter(p, QRectF(s * 0.06, s * 0.2, s * 0.88, s * 0.6), QColor(0xff, 0xf0, 0xb0),
                       QColor(0x90, 0x60, 0x00));
            break;
        default:
            break;
        }
    });
}
}

QPixmap ImageList_Ico(int index)
{
    static QHash<int, QPixmap> cache;
    auto it = cache.find(index);
    if (it == cache.end())
        it = cache.insert(index, paintIco(index, kIcoSize));
    return *it;
}

namespace {
// A small round mark in the lower right corner: a plus (green) or a cross (red).
void drawBadge(QPainter& p, qreal s, bool plus)
{
    const QRectF r(s * 0.5, s * 0.5, s * 0.5, s * 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(plus ? QColor(0x20, 0x90, 0x20) : QColor(0xc0, 0x20, 0x20));
    p.drawEllipse(r);
    p.setPen(QPen(Qt::white, qMax<qreal>(1.5, s / 10), Qt::SolidLine, Qt::RoundCap));
    const qreal m = r.width() * 0.28;
    const QRectF in = r.adjusted(m, m, -m, -m);
    if (plus) {
        p.drawLine(QPointF(in.center().x(), in.top()), QPointF(in.center().x(), in.bottom()));
        p.drawLine(QPointF(in.left(), in.center().y()), QPointF(in.right(), in.center().y()));
    } else {
        p.drawLine(in.topLeft(), in.bottomRight());
        p.drawLine(in.topRight(), in.bottomLeft());
    }
}
}

QIcon ToolImage(TToolImage which, int size)
{
    return QIcon(painted(size, [which](QPainter& p, qreal s) {
        switch (which) {
        case TToolImage::GruppeNeu:
        case TToolImage::GruppeLoeschen:
            p.drawPixmap(QRectF(0, 0, s, s), ImageList_Ico(Ico_Gruppe), QRectF());
            drawBadge(p, s, which == TToolImage::GruppeNeu);
            break;
        case TToolImage::KontaktNeu:
        case TToolImage::KontaktLoeschen:
            p.drawPixmap(QRectF(0, 0, s, s), ImageList_Ico(Ico_Kontakt), QRectF());
            drawBadge(p, s, which == TToolImage::KontaktNeu);
            break;
        case TToolImage::Suchen: {
            p.setPen(QPen(QColor(0x30, 0x30, 0x30), qMax<qreal>(1.5, s / 9)));
            p.setBrush(QColor(0xd0, 0xe8, 0xff));
            const QRectF glass(s * 0.08, s * 0.08, s * 0.56, s * 0.56);
            p.drawEllipse(glass);
            p.setPen(QPen(QColor(0x60, 0x40, 0x20), qMax<qreal>(2.0, s / 6), Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(s * 0.58, s * 0.58), QPointF(s * 0.92, s * 0.92));
            break;
        }
        }
    }));
}

QIcon FrameImage(TFrameImage which, int size)
{
    return QIcon(painted(size, [which](QPainter& p, qreal s) {
        switch (which) {
        case TFrameImage::Home: {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xb0, 0x30, 0x20));
            QPolygonF roof({QPointF(s * 0.5, s * 0.08), QPointF(s * 0.95, s * 0.5), QPointF(s * 0.05, s * 0.5)});
            p.drawPolygon(roof);
            p.setBrush(QColor(0xe8, 0xd8, 0xb0));
            p.drawRect(QRectF(s * 0.18, s * 0.5, s * 0.64, s * 0.42));
            p.setBrush(QColor(0x70, 0x40, 0x20));
            p.drawRect(QRectF(s * 0.42, s * 0.62, s * 0.18, s * 0.3));
            break;
        }
        case TFrameImage::Kontakte:
            drawGroup(p, s);
            break;
        case TFrameImage::Sms:
            p.setPen(QPen(QColor(0x30, 0x30, 0x30), s / 20));
            p.setBrush(QColor(0x40, 0x40, 0x48));
            p.drawRoundedRect(QRectF(s * 0.28, s * 0.05, s * 0.44, s * 0.9), s * 0.06, s * 0.06);
            p.setBrush(QColor(0xa0, 0xd0, 0xff));
            p.drawRect(QRectF(s * 0.33, s * 0.15, s * 0.34, s * 0.45));
            drawLetter(p, QRectF(s * 0.5, s * 0.5, s * 0.45, s * 0.32), QColor(0xff, 0xf0, 0xb0),
                       QColor(0x90, 0x60, 0x00));
            break;
        }
    }));
}

int WheelRowOffset(int angleDelta)
{
    // Truncates towards zero: a partial notch moves nothing, and nothing accumulates.
    return -(angleDelta / 120);
}

TGridWheelFilter::TGridWheelFilter(QAbstractItemView* grid) : QObject(grid), m_grid(grid) {}

bool TGridWheelFilter::eventFilter(QObject*, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    auto* wheel = static_cast<QWheelEvent*>(event);
    // A sideways wheel scrolls the grid as usual; only the vertical wheel moves the row.
    if (wheel->angleDelta().y() == 0)
        return false;
    MoveBy(m_grid, WheelRowOffset(wheel->angleDelta().y()));
    wheel->accept();
    return true;
}

void TGridWheelFilter::MoveBy(QAbstractItemView* grid, int offset)
{
    QAbstractItemModel* model = grid->model();
    if (!model || offset == 0)
        return;
    const QModelIndex root = grid->rootIndex();
    const int rows = model->rowCount(root);
    if (rows == 0)
        return;
    const QModelIndex current = grid->currentIndex();
    const int from = current.isValid() ? current.row() : 0;
    const int to = qBound(0, from + offset, rows - 1);
    if (current.isValid() && to == from)
        return;
    const int column = current.isValid() ? current.column() : 0;
    const QModelIndex target = model->index(to, column, root);
    if (!grid->selectionModel())
        return;
    grid->selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    grid->scrollTo(target);
}

void InstallGridWheel(QAbstractItemView* grid)
{
    if (!grid || grid->property("vornix2GridWheel").toBool())
        return;
    grid->setProperty("vornix2GridWheel", true);
    auto* filter = new TGridWheelFilter(grid);
    grid->viewport()->installEventFilter(filter);
    grid->installEventFilter(filter);
}

TIconTextDelegate::TIconTextDelegate(IconsFn icons, int textSlots, QObject* parent)
    : QStyledItemDelegate(parent), m_icons(std::move(icons)), m_textSlots(textSlots)
{
}

TIconTextDelegate::TIconTextDelegate(int icon, QObject* parent)
    : TIconTextDelegate([icon](const QModelIndex&) { return QVector<int>{icon}; }, 1, parent)
{
}

int TIconTextDelegate::TextOffset(int iconSlots)
{
    return iconSlots <= 0 ? 0 : 2 + iconSlots * kIcoSize + (iconSlots - 1) * 4 + 4;
}

void TIconTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    if (index.column() != 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                         : QPalette::Inactive;
    painter->save();
    painter->fillRect(opt.rect, selected ? opt.palette.brush(group, QPalette::Highlight)
                                         : opt.backgroundBrush.style() != Qt::NoBrush
                                               ? opt.backgroundBrush
                                               : opt.palette.brush(group, QPalette::Base));
    int x = opt.rect.left() + 2;
    const QVector<int> icons = m_icons ? m_icons(index) : QVector<int>{};
    for (int icon : icons) {
        painter->drawPixmap(x, opt.rect.top(), ImageList_Ico(icon));
        x += kIcoSize + 4;
    }
    painter->restore();
    QStyleOptionViewItem text = option;
    text.rect.setLeft(option.rect.left() + TextOffset(m_textSlots));
    QStyledItemDelegate::paint(painter, text, index);
}

QSize TIconTextDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    if (index.column() == 0)
        s.setWidth(s.width() + TextOffset(m_textSlots));
    s.setHeight(qMax(s.height(), kIcoSize));
    return s;
}

QString MultiLineCaption(const QString& caption)
{
    static const QString marker = QStringLiteral("$#13$");
    if (!caption.contains(marker))
        return caption;
    QString result;
    // A marker at the very end gives no empty last piece.
    for (const QString& piece : Split(marker, caption)) {
        if (!result.isEmpty())
            result += QStringLiteral("\n\r");
        result += piece;
    }
    return result;
}
