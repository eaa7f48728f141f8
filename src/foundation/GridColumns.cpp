#include "foundation/GridColumns.h"
#include "foundation/Global.h"
#include <QAbstractItemModel>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <algorithm>

namespace GridColumns {
namespace {
class ColumnFiller : public QObject {
public:
    ColumnFiller(QTableView* grid, int give, int giveMin)
        : QObject(grid), m_grid(grid), m_give(give), m_giveMin(giveMin)
    {
        grid->viewport()->installEventFilter(this);
        connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
            if (!m_setting)
                stop();
        });
        fit();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            fit();
        return false;
    }

private:
    void fit()
    {
        const int view = m_grid->viewport()->width();
        if (view <= 0)
            return;
        const int reserve = m_grid->verticalScrollBar()->isVisible()
                                ? 0 : m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid);
        int others = 0;
        for (int i = 0; i < m_grid->horizontalHeader()->count(); ++i)
            if (i != m_give && !m_grid->isColumnHidden(i))
                others += m_grid->columnWidth(i);
        const int width = std::max(m_giveMin, view - reserve - others);
        if (width == m_grid->columnWidth(m_give))
            return;
        m_setting = true;
        m_grid->setColumnWidth(m_give, width);
        m_setting = false;
    }
    void stop()
    {
        m_grid->viewport()->removeEventFilter(this);
        deleteLater();
    }

    QTableView* m_grid;
    int m_give, m_giveMin;
    bool m_setting = false;
};
}

void FillWithColumn(QTableView* grid, int give, int giveMin) { new ColumnFiller(grid, give, giveMin); }

int Needed(const QTableView* grid, int column, const QStringList& samples, int extra)
{
    // A styled cell keeps a focus-frame margin and one pixel on both sides of its text, and the
    // grid line takes one more.
    const int cellMargin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) + 1;
    int width = 0;
    for (const QString& s : samples)
        width = std::max(width, grid->fontMetrics().horizontalAdvance(s) + cellMargin + extra);
    const QHeaderView* header = grid->horizontalHeader();
    if (grid->model() && header && !header->isHidden()) {
        const QString title = grid->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int headerMargin = 2 * grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 2;
        width = std::max(width, header->fontMetrics().horizontalAdvance(title) + headerMargin);
    }
    return width;
}

void Widen(QTableView* grid, const QVector<int>& needed, int give, int giveMin)
{
    int gained = 0;
    for (int i = 0; i < needed.size(); ++i) {
        if (i == give || needed[i] <= 0)
            continue;
        const int current = grid->columnWidth(i);
        if (current < needed[i]) {
            gained += needed[i] - current;
            grid->setColumnWidth(i, needed[i]);
        }
    }
    if (give >= 0 && gained > 0) {
        const int current = grid->columnWidth(give);
        grid->setColumnWidth(give, std::max(std::min(current, giveMin), current - gained));
    }
}

QStringList DateTimeSamples() { return {QStringLiteral("28.12.2026 20:28:28")}; }
QStringList NumberSamples() { return {QStringLiteral("00491609876543210")}; }

QStringList StatusSamples()
{
    QStringList texts;
    for (int status = -1; status <= 2; ++status)
        texts << GetProtokollStatusText(status);
    return texts;
}
}
