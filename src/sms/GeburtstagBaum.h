#pragma once
#include <QAbstractItemModel>
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVector>

// The birthday search's result in the tree's order: ids and texts side by side in one buffer,
// shared by the root's and the groups' rows (a whole year holds every contact twice over).
// The texts are kept as Latin-1 bytes while every character is one, which names mostly are.
class TGeburtstagTreffer {
public:
    QVector<int> ids;

    void Append(int id, QStringView text);
    void Squeeze();
    QString Text(int row) const;

private:
    QVector<quint32> m_ende;   // end of each text
    QByteArray m_latin1;
    QString m_text;            // all texts once one is not Latin-1
    bool m_breit = false;
};

// The birthday tree over one search result, without an object per node: the top-level rows
// are the root (every hit) and the groups with members among the hits; their children are rows
// of the result. A child's index carries its parent's top-level row (plus one) as internal id.
// Read-only; a whole year of a million contacts makes two million rows.
class TGeburtstagBaum : public QAbstractItemModel {
    Q_OBJECT
public:
    // The node's value: a contact's id, minus a group's id, 0 for the root.
    static constexpr int WertRole = Qt::UserRole;

    // A group node: the group, and the end of its members in the rows handed to Setzen.
    struct Gruppe {
        int id = 0;
        QString name;
        qsizetype ende = 0;
    };

    explicit TGeburtstagBaum(const QString& wurzelText, QObject* parent = nullptr);

    // The root alone, without children.
    void Leeren();
    // A new result: the root with every hit, then the groups; `zeilen` holds the result rows of
    // each group's members one group after another, each group's up to its `ende`.
    void Setzen(TGeburtstagTreffer treffer, QVector<Gruppe> gruppen, QVector<int> zeilen);

    // The top-level row of a node: its own, or its parent's for a contact.
    static int TopZeile(const QModelIndex& index);
    static bool IstKontakt(const QModelIndex& index) { return index.internalId() != 0; }
    int Wert(const QModelIndex& index) const;
    // The contact id of child i of a top-level row.
    int KindId(int top, int i) const;
    int KinderAnzahl(int top) const;
    int TopAnzahl() const { return 1 + int(m_gruppen.size()); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // The result row of child i of a top-level row.
    int trefferZeile(int top, int i) const;

    QString m_wurzel;
    TGeburtstagTreffer m_treffer;
    QVector<Gruppe> m_gruppen;
    QVector<int> m_zeilen;
};
