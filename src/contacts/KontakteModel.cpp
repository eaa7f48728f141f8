#include "contacts/KontakteModel.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include <QSqlQuery>
#include <QTextDocument>

QString FormatDateTimeCell(const QDateTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")) : QString();
}

QString PlainToolTip(const QString& text)
{
    // A tooltip that looks like markup is shown as markup: hand over escaped text.
    if (text.isEmpty())
        return text;
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return Qt::convertFromPlainText(lines, Qt::WhiteSpaceNormal);
}

TKontakteModel::TKontakteModel(std::function<int()> sortIndex, QObject* parent)
    : QAbstractTableModel(parent), m_sortIndex(std::move(sortIndex))
{
}

TKontakteModel::~TKontakteModel() = default;

void TKontakteModel::Load(std::unique_ptr<TKontaktDaten::TKontaktListe> liste)
{
    beginResetModel();
    m_liste = std::move(liste);
    endResetModel();
}

void TKontakteModel::Clear()
{
    beginResetModel();
    m_liste.reset();
    endResetModel();
}

const TKontaktZeile& TKontakteModel::Zeile(int row) const
{
    static const TKontaktZeile leer;
    return m_liste ? m_liste->Zeile(row) : leer;
}

int TKontakteModel::RowById(int id) const
{
    return m_liste ? m_liste->Position(id) : -1;
}

int TKontakteModel::FindPrefix(QChar c, bool byVorname) const
{
    return m_liste ? m_liste->ErsteMitAnfang(c, byVorname) : -1;
}

int TKontakteModel::Gehalten() const
{
    return m_liste ? m_liste->Gehalten() : 0;
}

int TKontakteModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_liste ? 0 : m_liste->Anzahl();
}

int TKontakteModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TKontakteModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role != IdRole && role != CountRole && role != Qt::ToolTipRole && role != Qt::DisplayRole)
        return {};
    const TKontaktZeile& z = Zeile(index.row());
    if (role == IdRole)
        return z.id;
    if (role == CountRole)
        return z.c;
    if (role == Qt::ToolTipRole)
        return PlainToolTip(data(index, Qt::DisplayRole).toString());
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case NAME:
        return GetKontaktNameSortiert(m_sortIndex ? m_sortIndex() : -1, z.vorname, z.nachname, z.firma);
    case FIRMA: return z.firma;
    case MOBIL: return z.mobil;
    case MOBIL_LASTSEND: return FormatDateTimeCell(z.mobilLastSend);
    case EMAIL: return z.email;
    }
    return {};
}

QVariant TKontakteModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return QString();
    static const char* const titles[] = {"Name", "Firma", "Mobil", "Letzte SMS", "Email"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

Qt::ItemFlags TKontakteModel::flags(const QModelIndex& index) const
{
    return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
}

void TKontaktProtokollModel::Load(QSqlQuery& query)
{
    QVector<TProtokollZeile> rows;
    while (query.next()) {
        TProtokollZeile z;
        const QVariant ist = query.value(0);
        if (!ist.isNull())
            z.istzeitpunkt = ist.toDateTime();
        z.dnr = TDatenModul::TextValue(query.value(1));
        z.content = TDatenModul::TextValue(query.value(2));
        z.typ = TDatenModul::TextValue(query.value(3));
        z.statusid = query.value(4).toInt();
        rows.append(std::move(z));
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void TKontaktProtokollModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int TKontaktProtokollModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int TKontaktProtokollModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TKontaktProtokollModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()
        || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    if (role == Qt::ToolTipRole && index.column() != CONTENT)
        return PlainToolTip(data(index, Qt::DisplayRole).toString());
    const TProtokollZeile& z = m_rows[index.row()];
    switch (index.column()) {
    case ISTZEITPUNKT: return FormatDateTimeCell(z.istzeitpunkt);
    case CONTENT: {
        const QString text = GetProtokollContentText(z.typ, z.content);
        if (role == Qt::ToolTipRole)   // the whole message with its lines
            return PlainToolTip(text);
        return KontaktProtokollCellText(text);
    }
    case DNR: return z.dnr;
    case STATUSID: return GetProtokollStatusText(z.statusid);
    }
    return {};
}

QVariant TKontaktProtokollModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return QString();
    static const char* const titles[] = {"Versandzeitpunkt", "Nachrichtentext", "Zielrufnummer", "Status"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

QString KontaktProtokollCellText(const QString& text)
{
    // Laying out a whole long entry in the cell would stall the grid on every paint.
    qsizetype end = qMin<qsizetype>(text.size(), kKontaktProtokollCellTextMax);
    if (end < text.size() && end > 0 && text[end - 1].isHighSurrogate())
        --end;
    QString cell = text.left(end);
    // one line in the grid
    cell.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
    return cell;
}
