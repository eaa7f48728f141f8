#pragma once
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QVector>
#include <functional>

class QAbstractItemView;

// Icons of ImageList_Ico, drawn before list and grid texts.
enum TIco { Ico_Gruppe = 0, Ico_Kontakt = 1, Ico_Sms = 2 };
inline constexpr int kIcoSize = 16;
QPixmap ImageList_Ico(int index);

// Pictures of the contacts page's tool buttons: each its own, the group or contact icon
// with a plus or a cross, and a magnifier.
enum class TToolImage { GruppeNeu, GruppeLoeschen, KontaktNeu, KontaktLoeschen, Suchen };
QIcon ToolImage(TToolImage which, int size);

// Pictures of the left bar's page buttons and the frame's logo.
enum class TFrameImage { Home, Kontakte, Sms };
QIcon FrameImage(TFrameImage which, int size);

// Rows a wheel delta moves the current row by: one notch (120) away from the user is one row
// up (negative), towards the user one row down; partial notches move nothing.
int WheelRowOffset(int angleDelta);

// Turns the vertical mouse wheel on a grid into moves of its current row (not of the
// selection); it does not scroll the grid by pixels. A sideways wheel scrolls as usual. Install once per grid (repeated installs
// are ignored).
class TGridWheelFilter : public QObject {
    Q_OBJECT
public:
    explicit TGridWheelFilter(QAbstractItemView* grid);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Moves the grid's current row by `offset`, stopping at the first and last row.
    static void MoveBy(QAbstractItemView* grid, int offset);

private:
    QAbstractItemView* m_grid;
};
void InstallGridWheel(QAbstractItemView* grid);

// Draws icons of ImageList_Ico before the text: in data column 0 of a grid, in every item of
// a list. The text starts after room for `textSlots` icons, whatever the row shows.
class TIconTextDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using IconsFn = std::function<QVector<int>(const QModelIndex&)>;
    TIconTextDelegate(IconsFn icons, int textSlots, QObject* parent);
    TIconTextDelegate(int icon, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Left edge of the text relative to the cell for `iconSlots` icons.
    static int TextOffset(int iconSlots);

private:
    IconsFn m_icons;
    int m_textSlots;
};

// A caption with the marker "$#13$" split at every marker and joined with "\n\r"; no break
// before the first non-empty piece. Without the marker the caption is returned as it is.
QString MultiLineCaption(const QString& caption);
