#pragma once
#include "contacts/KontaktDaten.h"
#include <QAbstractTableModel>
#include <QTableView>
#include <memory>

class QKeyEvent;

// The characters that move a contact grid to the first name beginning with them.
bool IsTypeAheadKey(QChar c);

// The contacts of the SMS page: id and the three name columns, NAME by the page's order; read
// lazily in that order (TKontaktListe).
class TSmsKontakteModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        int id = 0;
        QString vorname, nachname, firma;
    };
    explicit TSmsKontakteModel(QObject* parent = nullptr);
    ~TSmsKontakteModel() override;
    void SetListe(std::unique_ptr<TKontaktDaten::TKontaktListe> liste, int order);
    void SetOrder(int order);
    Row At(int row) const;
    // The first row whose first name (byVorname) or last name begins with c, without regard
    // to case (a query); -1 when none.
    int FindPrefix(QChar c, bool byVorname) const;
    // Rows held in memory.
    int Gehalten() const;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    // Rows can be dragged (the picker's grid); the SMS page's grid starts no drag.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::unique_ptr<TKontaktDaten::TKontaktListe> m_liste;
    int m_order = 0;
};

// The contact grid: a click and a Shift+click select their row only (the page adds the range
// of a Shift+click), Ctrl+click toggles; keys go to the page (no accumulating type-ahead).
class TSmsKontakteGrid : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    void keyboardSearch(const QString&) override {}
Q_SIGNALS:
    void MouseUp(Qt::KeyboardModifiers modifiers);
    void KeyPress(QKeyEvent* event);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
