#include "sms/GeburtstagBaum.h"
#include <algorithm>

void TGeburtstagTreffer::Append(int id, QStringView text)
{
    ids.append(id);
    if (!m_breit && !std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; })) {
        m_breit = true;
        m_text = QString::fromLatin1(m_latin1);
        m_latin1 = QByteArray();
    }
    if (m_breit) {
        m_text += text;
    } else {
        const qsizetype at = m_latin1.size();
        m_latin1.resize(at + text.size());
        std::transform(text.begin(), text.end(), m_latin1.begin() + at, [](QChar c) { return char(c.unicode()); });
    }
    // Far below 4 G characters: a million contacts' texts take some 40 M.
    m_ende.append(quint32(m_breit ? m_text.size() : m_latin1.size()));
}

void TGeburtstagTreffer::Squeeze()
{
    ids.squeeze();
    m_ende.squeeze();
    m_latin1.squeeze();
    m_text.squeeze();
}

QString TGeburtstagTreffer::Text(int row) const
{
    const qsizetype a = row == 0 ? 0 : m_ende[row - 1];
    const qsizetype n = m_ende[row] - a;
    return m_breit ? m_text.mid(a, n) : QString::fromLatin1(m_latin1.constData() + a, n);
}

// ---------------------------------------------------------------------------------------------

TGeburtstagBaum::TGeburtstagBaum(const QString& wurzelText, QObject* parent)
    : QAbstractItemModel(parent), m_wurzel(wurzelText)
{
}

void TGeburtstagBaum::Leeren()
{
    beginResetModel();
    m_treffer = {};
    m_gruppen = {};
    m_zeilen = {};
    endResetModel();
}

void TGeburtstagBaum::Setzen(TGeburtstagTreffer treffer, QVector<Gruppe> gruppen, QVector<int> zeilen)
{
    beginResetModel();
    m_treffer = std::move(treffer);
    m_gruppen = std::move(gruppen);
    m_zeilen = std::move(zeilen);
    endResetModel();
}

int TGeburtstagBaum::TopZeile(const QModelIndex& index)
{
    return IstKontakt(index) ? int(index.internalId() - 1) : index.row();
}

int TGeburtstagBaum::KinderAnzahl(int top) const
{
    if (top == 0)
        return int(m_treffer.ids.size());
    if (top < 1 || top > m_gruppen.size())
        return 0;
    const qsizetype anfang = top == 1 ? 0 : m_gruppen[top - 2].ende;
    return int(m_gruppen[top - 1].ende - anfang);
}

int TGeburtstagBaum::trefferZeile(int top, int i) const
{
    if (top == 0)
        return i;
    const qsizetype anfang = top == 1 ? 0 : m_gruppen[top - 2].ende;
    return m_zeilen[anfang + i];
}

int TGeburtstagBaum::KindId(int top, int i) const { return m_treffer.ids[trefferZeile(top, i)]; }

int TGeburtstagBaum::Wert(const QModelIndex& index) const
{
    if (!index.isValid())
        return 0;
    if (IstKontakt(index))
        return KindId(TopZeile(index), index.row());
    return index.row() == 0 ? 0 : -m_gruppen[index.row() - 1].id;
}

QModelIndex TGeburtstagBaum::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, column, quintptr(0));
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex TGeburtstagBaum::parent(const QModelIndex& child) const
{
    if (!child.isValid() || !IstKontakt(child))
        return {};
    return createIndex(TopZeile(child), 0, quintptr(0));
}

int TGeburtstagBaum::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return TopAnzahl();
    if (parent.column() != 0 || IstKontakt(parent))
        return 0;
    return KinderAnzahl(parent.row());
}

int TGeburtstagBaum::columnCount(const QModelIndex&) const { return 1; }

bool TGeburtstagBaum::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant TGeburtstagBaum::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() != 0)
        return {};
    if (role == WertRole)
        return Wert(index);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (IstKontakt(index))
        return m_treffer.Text(trefferZeile(TopZeile(index), index.row()));
    return index.row() == 0 ? m_wurzel : m_gruppen[index.row() - 1].name;
}

Qt::ItemFlags TGeburtstagBaum::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    // The view then asks a contact row for no children while it lays out two million of them.
    return IstKontakt(index) ? f | Qt::ItemNeverHasChildren : f;
}
