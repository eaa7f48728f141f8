#pragma once
#include <QMimeData>
#include <QTableView>
#include <functional>

// The contact grid that can start a drag from its rows. Its mouse-down hook runs for every
// press before the grid's own handling (current row, selection), so the form decides there
// whether a press arms a drag. The drag carries a private MIME type naming this grid and this
// process, so that a drop target can tell it from any foreign data.
class TDragDropDBGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr const char* kMimeType = "application/x-vornix2-kontakte";

    explicit TDragDropDBGrid(QWidget* parent = nullptr);

    // Called first on every mouse press (the grid itself, the press event).
    std::function<void(TDragDropDBGrid*, QMouseEvent*)> OnMouseDown;
    std::function<void(TDragDropDBGrid*)> OnStartDrag;
    // After the drag ended, dropped or cancelled (true when a target accepted it).
    std::function<void(TDragDropDBGrid*, bool)> OnEndDrag;
    // Double click anywhere on the grid, also on its empty area.
    std::function<void(TDragDropDBGrid*)> OnDblClick;
    // Key presses before the grid's own handling; return true to swallow the key.
    std::function<bool(TDragDropDBGrid*, QKeyEvent*)> OnKeyPress;

    // Arms a drag that starts once the mouse has moved the system's drag distance with the
    // button held (a plain click still only selects).
    void BeginDrag();
    bool DragArmed() const { return m_dragArmed; }

    // The current row (-1 when none).
    int Row() const;

    // The drag's data for this grid; a drop target checks it with IsOwnDrag.
    QMimeData* CreateDragData() const;
    // True when `data` is a drag of the grid named `gridName` in this process.
    static bool IsOwnDrag(const QMimeData* data, const QString& gridName);
    // The payload of this grid's drags.
    QByteArray DragTag() const;

    void keyboardSearch(const QString&) override {}   // type-ahead is the form's (one key, first row)

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    // Runs the drag itself (QDrag::exec); returns true when it was dropped.
    virtual bool execDrag(QMimeData* data);

private:
    bool m_dragArmed = false;
};
