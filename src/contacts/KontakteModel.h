#pragma once
#include "contacts/KontaktDaten.h"
#include <QAbstractTableModel>
#include <QDateTime>
#include <QVector>
#include <functional>
#include <memory>

class QSqlQuery;

// The contact list of the contacts page, read lazily in the page's order (TKontaktListe): the
// row count is exact from the start, rows are read as the view shows them. Columns NAME,
// FIRMA, MOBIL, MOBIL_LASTSEND, EMAIL; NAME follows the page's sort order.
class TKontakteModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NAME, FIRMA, MOBIL, MOBIL_LASTSEND, EMAIL, ColumnCount };
    static constexpr int IdRole = Qt::UserRole;
    static constexpr int CountRole = Qt::UserRole + 1;

    // sortIndex gives the index of the page's sort combo (1 shows first name first).
    explicit TKontakteModel(std::function<int()> sortIndex, QObject* parent = nullptr);
    ~TKontakteModel() override;

    // Shows the list (already in its order).
    void Load(std::unique_ptr<TKontaktDaten::TKontaktListe> liste);
    void Clear();

    const TKontaktZeile& Zeile(int row) const;
    int Id(int row) const { return Zeile(row).id; }
    // The contact's row (a query, not a scan); -1 when it is not in the list.
    int RowById(int id) const;
    // The first row whose first name (byVorname) or last name begins with the character,
    // compared without regard to case (a query); -1 when none.
    int FindPrefix(QChar c, bool byVorname) const;
    // Rows held in memory.
    int Gehalten() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::function<int()> m_sortIndex;
    std::unique_ptr<TKontaktDaten::TKontaktListe> m_liste;
};

// One entry of a contact's send log.
struct TProtokollZeile {
    QDateTime istzeitpunkt;
    QString dnr, content, typ;
    int statusid = 0;
};

// The send log of one contact: ISTZEITPUNKT, CONTENT, DNR, STATUSID with the log's
// display texts for content and status.
class TKontaktProtokollModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ISTZEITPUNKT, CONTENT, DNR, STATUSID, ColumnCount };
    using QAbstractTableModel::QAbstractTableModel;

    // Reads istzeitpunkt, dnr, content, typ, statusid.
    void Load(QSqlQuery& query);
    void Clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVector<TProtokollZeile> m_rows;
};

// What a cell of a contact's send log shows of an entry's text: its first
// kKontaktProtokollCellTextMax characters on one line (line breaks as blanks).
inline constexpr qsizetype kKontaktProtokollCellTextMax = 300;
QString KontaktProtokollCellText(const QString& text);

// A text from the database as a tooltip that shows it literally.
QString PlainToolTip(const QString& text);
// "dd.MM.yyyy HH:mm:ss", empty for no time.
QString FormatDateTimeCell(const QDateTime& t);
