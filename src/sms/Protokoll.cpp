#include "sms/Protokoll.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/WaitCursor.h"
#include "gateway/Xml.h"
#include <QSet>
#include <QSqlRecord>
#include <algorithm>
#include <string_view>

namespace {

// Widths of the text columns written from an entry (the schema's).
constexpr int kWidthMessageId = 100, kWidthDnr = 25, kWidthAbsender = 50, kWidthTyp = 15,
              kWidthIp = 50, kWidthOp = 100, kWidthRequestId = 100;

// The driver would cut an over-long text silently (possibly inside a character): refuse it
// as the database refuses it, so that nothing is stored half.
QVariant checkedText(const QString& text, int width, const char* column)
{
    if (text.size() > width)
        throw DbError(QStringLiteral("arithmetic exception, numeric overflow, or string truncation\n"
                                     "string right truncation\n")
                      + QString::fromLatin1(column) + QStringLiteral(": ")
                      + QString::number(text.size()) + QStringLiteral(" > ") + QString::number(width));
    return TDatenModul::Text(text);
}

constexpr int kIndexLength = 250;

// The first n characters (code points, as the database counts them).
QString firstCharacters(const QString& text, int n)
{
    qsizetype i = 0;
    for (int count = 0; i < text.size() && count < n; ++count)
        i += (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
    return text.left(i);
}

} // namespace

bool IsProtokollTextTyp(const QString& typ)
{
    return typ.startsWith(QLatin1String("Tx")) || typ.startsWith(QLatin1String("Fs"));
}

QVariant ProtokollContentIndex(const QString& typ, const QString& content)
{
    if (!IsProtokollTextTyp(typ))
        return QVariant(QMetaType::fromType<QString>());
    return TDatenModul::Text(firstCharacters(content, kIndexLength));
}

int ProtokollMsgParts(const QString& text)
{
    int v = 0;
    return ParseStrictInt(text, v) ? v : 0;
}

int ProtokollStatusId(const QString& text)
{
    int v = 0;
    return ParseStrictInt(text, v) ? v : -1;
}

TProtokollReply::TProtokollReply(const QString& reply) : m_cursor(reply)
{
    // The cursor narrows to Protocol and then to SmsList without copying the (large) reply.
    if (!m_cursor.Enter(QStringLiteral("Protocol")))
        return;
    const auto peekInt = [this](const char* tag, int def) {
        const QString value = m_cursor.Peek(QLatin1String(tag));
        int out = def;
        return value.isEmpty() || !ParseStrictInt(value, out) ? def : out;
    };
    m_seite.Count = peekInt("Count", 1);
    m_seite.FollowUp = peekInt("Follow-Up", 0);
    m_seite.Position = peekInt("Position", 0);
    m_seite.DisplayCount = peekInt("DisplayCount", 0);
    m_cursor.Enter(QStringLiteral("SmsList"));
}

namespace {
// Equal without regard to case, as the gateway readers compare element names.
bool gleicherName(QStringView a, QLatin1StringView tag)
{
    for (qsizetype k = 0; k < a.size(); ++k) {
        char16_t x = a[k].unicode();
        char16_t y = char16_t(tag[k].unicode());
        if (x == y)
            continue;
        if (x >= 0x80)
            return a.compare(tag, Qt::CaseInsensitive) == 0;
        if (x >= 'A' && x <= 'Z')
            x += 32;
        if (y >= 'A' && y <= 'Z')
            y += 32;
        if (x != y)
            return false;
    }
    return true;
}
}

// The thirteen elements of one entry in one pass over it, each as XmlElement finds it: the text
// between its first opening tag and the first closing tag; "" when the closing tag comes first
// or is missing.
void LeseProtokollEintrag(const QString& sms, TProtokollEintrag& e)
{
    struct Feld {
        QLatin1StringView tag;
        QString TProtokollEintrag::*field;
        qsizetype open;
        bool done;
    };
    Feld felder[] = {
        {QLatin1StringView("DispatchTime"), &TProtokollEintrag::DispatchTime, -1, false},
        {QLatin1StringView("Recipient"), &TProtokollEintrag::Recipient, -1, false},
        {QLatin1StringView("Content"), &TProtokollEintrag::Content, -1, false},
        {QLatin1StringView("Sender"), &TProtokollEintrag::Sender, -1, false},
        {QLatin1StringView("Type"), &TProtokollEintrag::Type, -1, false},
        {QLatin1StringView("MsgParts"), &TProtokollEintrag::MsgParts, -1, false},
        {QLatin1StringView("IP"), &TProtokollEintrag::IP, -1, false},
        {QLatin1StringView("OpNet"), &TProtokollEintrag::OpNet, -1, false},
        {QLatin1StringView("OpCountry"), &TProtokollEintrag::OpCountry, -1, false},
        {QLatin1StringView("UserRequestId"), &TProtokollEintrag::UserRequestId, -1, false},
        {QLatin1StringView("StatusId"), &TProtokollEintrag::StatusId, -1, false},
        {QLatin1StringView("ReferenceTime"), &TProtokollEintrag::ReferenceTime, -1, false},
        {QLatin1StringView("MessageId"), &TProtokollEintrag::MessageId, -1, false},
    };
    for (Feld& f : felder)
        e.*f.field = QString("");
    int offen = int(std::size(felder));
    const QStringView v(sms);
    for (qsizetype pos = 0; offen > 0;) {
        const qsizetype c = v.indexOf(u'<', pos);
        if (c < 0)
            break;
        pos = c + 1;
        const bool closing = c + 1 < v.size() && v[c + 1] == u'/';
        const qsizetype nameAt = c + (closing ? 2 : 1);
        for (Feld& f : felder) {
            if (f.done || (!closing && f.open >= 0))
                continue;
            const qsizetype len = f.tag.size();
            if (nameAt + len >= v.size() || v[nameAt + len] != u'>' || !gleicherName(v.mid(nameAt, len), f.tag))
                continue;
            if (closing) {
                f.done = true;
                --offen;
                if (f.open >= 0) {
                    const qsizetype start = f.open + len + 2;
                    e.*f.field = sms.mid(start, c > start ? c - start : 0);
                }
            } else {
                f.open = c;
            }
        }
    }
}

bool TProtokollReply::Next(TProtokollEintrag& e)
{
    QString sms;
    if (!m_cursor.Next(QStringLiteral("Sms"), sms))
        return false;
    LeseProtokollEintrag(sms, e);
    return true;
}

int TProtokollReply::CountEntries() const
{
    TProtokollReply copy = *this;
    int n = 0;
    TProtokollEintrag e;
    while (copy.Next(e))
        ++n;
    return n;
}

TProtokollSpeicher::TProtokollSpeicher() = default;
TProtokollSpeicher::~TProtokollSpeicher()
{
    if (m_wartend.empty() || std::uncaught_exceptions() > m_ausnahmen)
        return;
    try {
        Flush();
    } catch (const std::exception& e) {
        qCritical("Versandprotokoll: %s", e.what());
    } catch (...) {
        qCritical("Versandprotokoll: unbekannter Fehler beim Schreiben");
    }
}

void TProtokollSpeicher::DeleteProtokoll()
{
    DatenModul->Run(QStringLiteral("DELETE FROM protokoll"));
}

namespace {
// The inserted columns after kontaktid and version (both 0), in the order of the bound values.
constexpr const char* kProtokollSpalten[] = {"messageid", "sollzeitpunkt", "istzeitpunkt", "dnr", "content",
                                         "absender", "typ", "msgparts", "ip", "opnet", "opcountry",
                                         "userrequestid", "statusid", "contentindex"};
constexpr int kProtokollWerte = int(std::size(kProtokollSpalten));
constexpr int kContentWert = 4, kTypWert = 6;
static_assert(std::string_view(kProtokollSpalten[kProtokollWerte - 1]) == "contentindex");
// A row's bound values in the message: UTF8 texts 4 bytes a character plus a length, two
// timestamps, two integers, a null flag each, some alignment.
constexpr int kBlockZeile = 4 * (kWidthMessageId + kWidthDnr + TProtokollSpeicher::kInlineContent + kWidthAbsender
                                 + kWidthTyp + kWidthIp + 2 * kWidthOp + kWidthRequestId)
    + 2 * 9 + 2 * 8 + 2 * 4 + 2 * 13 + 64;
static_assert(TProtokollSpeicher::kBlock * kBlockZeile <= 65535, "the block's message must stay within 64 KB");
}

// kBlock rows per execute: the driver's cost per execute is several times the engine's per
// row. Ten rows of the widest values, content as a text of kInlineContent, stay inside the
// engine's 64 KB message (UTF8: 4 bytes a character); a larger message is much slower.
TProtokollSpeicher::Werte TProtokollSpeicher::werte(const TProtokollEintrag& e)
{
    const QDateTime now = Clock::Now();
    return Werte{checkedText(e.MessageId, kWidthMessageId, "messageid"),
                 ParseGatewayDateTime(e.ReferenceTime, now),
                 ParseGatewayDateTime(e.DispatchTime, now),
                 checkedText(e.Recipient, kWidthDnr, "dnr"),
                 TDatenModul::Text(e.Content),
                 checkedText(e.Sender, kWidthAbsender, "absender"),
                 checkedText(e.Type, kWidthTyp, "typ"),
                 ProtokollMsgParts(e.MsgParts),
                 checkedText(e.IP, kWidthIp, "ip"),
                 checkedText(e.OpNet, kWidthOp, "opnet"),
                 checkedText(e.OpCountry, kWidthOp, "opcountry"),
                 checkedText(e.UserRequestId, kWidthRequestId, "userrequestid"),
                 ProtokollStatusId(e.StatusId),
                 // Written with the row: an update afterwards would leave a back version of every row.
                 ProtokollContentIndex(e.Type, e.Content)};
}

void TProtokollSpeicher::einzeln(const Werte& w)
{
    if (!m_insert) {
        m_insert = std::make_unique<QSqlQuery>(DatenModul->Query());
        QString sql = QStringLiteral("INSERT INTO protokoll (kontaktid, version");
        for (const char* c : kProtokollSpalten)
            sql += QStringLiteral(", ") + QLatin1String(c);
        sql += QStringLiteral(") VALUES (0, 0");
        for (int i = 0; i < kProtokollWerte; ++i)
            sql += QStringLiteral(", ?");
        TDatenModul::Prepare(*m_insert, sql + QLatin1Char(')'));
    }
    for (int i = 0; i < kProtokollWerte; ++i)
        m_insert->bindValue(i, w[size_t(i)]);
    TDatenModul::Exec(*m_insert);
    ++m_gespeichert;
}

void TProtokollSpeicher::block()
{
    // The block binds every value but contentindex, which it takes from content and typ by the
    // same rule as ProtokollContentIndex: that leaves room in the message for a text content.
    constexpr int gebunden = kProtokollWerte - 1;
    if (!m_block) {
        m_block = std::make_unique<QSqlQuery>(DatenModul->Query());
        QString params, body;
        for (int r = 0; r < kBlock; ++r) {
            const auto name = [r](int i) { return QStringLiteral("\"P%1_%2\"").arg(r).arg(i); };
            body += QStringLiteral("INSERT INTO protokoll (kontaktid, version");
            for (const char* c : kProtokollSpalten)
                body += QStringLiteral(", ") + QLatin1String(c);
            body += QStringLiteral(") VALUES (0, 0");
            for (int i = 0; i < gebunden; ++i) {
                params += (params.isEmpty() ? QString() : QStringLiteral(", ")) + name(i)
                    + (i == kContentWert ? QStringLiteral(" VARCHAR(%1) CHARACTER SET UTF8").arg(kInlineContent)
                                         : QStringLiteral(" TYPE OF COLUMN protokoll.") + QLatin1String(kProtokollSpalten[i]))
                    + QStringLiteral(" = ?");
                body += QStringLiteral(", :") + name(i);
            }
            body += QStringLiteral(", IIF(:%1 STARTING WITH 'Tx' OR :%1 STARTING WITH 'Fs', "
                                   "SUBSTRING(:%2 FROM 1 FOR %3), NULL)); ")
                        .arg(name(kTypWert), name(kContentWert)).arg(kIndexLength);
        }
        TDatenModul::Prepare(*m_block, QStringLiteral("EXECUTE BLOCK (") + params + QStringLiteral(") AS BEGIN ")
                                           + body + QStringLiteral("END"));
    }
    for (int r = 0; r < kBlock; ++r)
        for (int i = 0; i < gebunden; ++i)
            m_block->bindValue(r * gebunden + i, m_wartend[size_t(r)][size_t(i)]);
    TDatenModul::Exec(*m_block);
    m_gespeichert += kBlock;
}

void TProtokollSpeicher::InsertProtokollEintrag(const TProtokollEintrag& e)
{
    Werte w;
    try {
        w = werte(e);
    } catch (...) {
        Flush();   // the entries before this one are stored
        throw;
    }
    if (e.Content.size() > kInlineContent) {
        // Too long for the block's text parameter: stored alone, after the rows before it.
        Flush();
        einzeln(w);
        return;
    }
    m_wartend.push_back(std::move(w));
    if (int(m_wartend.size()) < kBlock)
        return;
    try {
        block();
    } catch (const DbError&) {
        // The failed block left nothing: store its rows one by one up to the failing one.
        std::vector<Werte> rows;
        rows.swap(m_wartend);
        for (const Werte& r : rows)
            einzeln(r);
        throw;   // not reached unless the engine refused the block alone
    }
    m_wartend.clear();
}

void TProtokollSpeicher::Flush()
{
    std::vector<Werte> rows;
    rows.swap(m_wartend);
    for (const Werte& r : rows)
        einzeln(r);
}

void RebuildProtokollIndex()
{
    const StatusTextScope status(QStringLiteral("Bitte warten... der Datenbank-Index wird neu erstellt."));
    WaitCursor wait;
    ProcessPendingEvents();
    // One statement for all rows; the download already wrote the index of its own rows, so only
    // rows without one are touched. The other types keep their null.
    bool any = false;
    DatenModul->Unit([&] {
        DatenModul->Run(QStringLiteral(
            "UPDATE protokoll SET contentindex = CAST(SUBSTRING(content FROM 1 FOR 250) AS VARCHAR(250)) "
            "WHERE ((typ LIKE 'Tx%') OR (typ LIKE 'Fs%')) AND (contentindex IS NULL)"));
        any = DatenModul->Run(QStringLiteral(
            "SELECT FIRST 1 id FROM protokoll WHERE (typ LIKE 'Tx%') OR (typ LIKE 'Fs%')")).next();
    });
    // The progress of a run over the text rows; without any there is none to show.
    if (any)
        StatusText::Set(QStringLiteral("Bitte warten... der Datenbank-Index wird neu erstellt (100% abgeschloseen)."));
}

namespace {
// An entry as a whole, for telling entries already read in this download from new ones.
size_t eintragSchluessel(const TProtokollEintrag& e)
{
    // Field by field: no joined copy of the entry per row.
    return qHashMulti(size_t(0x5eed), e.MessageId, e.ReferenceTime, e.DispatchTime, e.Recipient, e.Content,
                      e.Sender, e.Type, e.MsgParts, e.IP, e.OpNet, e.OpCountry, e.UserRequestId, e.StatusId);
}
}

TProtokollErgebnis RunProtokollDownload(const QString& username, const QString& password, int limit,
                                        const ProtokollFetch& fetch,
                                        const std::function<void()>& firstPage)
{
    const QString fetching = QStringLiteral("Bitte warten... das Versandprotokoll wird vom Server abgerufen.");
    TProtokollErgebnis result;
    const StatusTextScope status(fetching);
    WaitCursor wait;
    int position = 0;
    qint64 processed = 0;
    qint64 announced = 0;   // the first page's total; a gateway whose pages never end stops there
    QSet<size_t> gelesen;   // every entry of this download so far
    bool more = true;
    while (more) {
        QStringList params;
        params << QStringLiteral("username=") + username << QStringLiteral("password=") + password
               << QStringLiteral("pos=") + QString::number(position);
        if (limit > 0)
            params << QStringLiteral("limit=") + QString::number(limit);
        StatusText::Set(fetching);
        ProcessPendingEvents();
        QString reply;
        ++result.Requests;
        if (!fetch(params, &reply))
            break;
        const bool first = !result.Stored;
        if (first && firstPage)
            firstPage();
        TProtokollReply page(reply);
        const TProtokollSeite& seite = page.Seite();
        // A page that brings nothing new ends the download, whatever count the gateway
        // announced: pages that repeat themselves would otherwise be asked for without end.
        {
            TProtokollReply vorab(reply);
            TProtokollEintrag e;
            bool neu = false;
            bool leer = true;
            while (vorab.Next(e)) {
                leer = false;
                if (!gelesen.contains(eintragSchluessel(e))) {
                    neu = true;
                    break;
                }
            }
            if (!leer && !neu)
                break;
        }
        // A page without a usable total counts its own entries as the total.
        const qint64 total = seite.Count > 0 ? seite.Count : page.CountEntries();
        const int step = ProgressStep(int(qMin<qint64>(total, INT_MAX)));
        more = seite.FollowUp == 1;
        if (more) {
            // A next position that does not advance would ask for the same page forever.
            const qint64 next = qint64(seite.Position) + seite.DisplayCount;
            if (next <= position || next > INT_MAX)
                more = false;
            else
                position = int(next);
        }
        if (first)
            announced = seite.Count;
        std::optional<DbError> failed;
        int pageStored = 0;
        DatenModul->Unit([&] {
            // A prepared statement does not outlive the transaction it ran in.
            TProtokollSpeicher speicher;
            if (first)
                speicher.DeleteProtokoll();
            TProtokollEintrag e;
            int handed = 0;
            try {
                while (page.Next(e)) {
                    gelesen.insert(eintragSchluessel(e));
                    speicher.InsertProtokollEintrag(e);
                    const bool pageFirst = handed++ == 0;
                    ++processed;
                    if (pageFirst || processed % step == 0) {
                        StatusText::Set(QStringLiteral("Bitte warten... das heruntergeladene Versandprotokoll "
                                                       "wird verarbeitet (")
                                        + QString::number(ProgressPercent(processed, total))
                                        + QStringLiteral("% abgeschloseen)."));
                        ProcessPendingEvents();
                    }
                }
                speicher.Flush();
            } catch (const DbError& error) {
                // The entries before the failing one stay stored, as if each had been
                // committed by itself; without any, the page leaves nothing (nor its delete).
                if (speicher.Gespeichert() == 0)
                    throw;
                failed = error;
            }
            pageStored = speicher.Gespeichert();
        });
        if (failed)
            throw *failed;
        result.Stored = true;
        result.Count = seite.Count;
        // Positions that advance without end: a page without entries, or all announced read.
        if (pageStored == 0 || (announced > 0 && processed >= announced))
            more = false;
    }
    return result;
}

QString ProtokollSuchmuster(const QString& text)
{
    // Upper-cased by the database itself, once, as its UPPER treats the columns.
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT UPPER(CAST(:t AS VARCHAR(1000))) FROM RDB$DATABASE"),
                                  {{QStringLiteral("t"), TDatenModul::Text(QStringLiteral("%") + text + QStringLiteral("%"))}});
    return q.next() ? TDatenModul::TextValue(q.value(0)) : QString("");
}

TProtokollListe ProtokollListSql(bool search, int order)
{
    TProtokollListe out;
    QString& sql = out.sql;
    sql = QStringLiteral("SELECT id,istzeitpunkt,dnr,content,typ,statusid FROM protokoll ");
    if (search) {
        // One bound pattern (ProtokollSuchmuster) in six places; its % and _ act as wildcards.
        const QString p = QStringLiteral(" LIKE CAST(:suche AS VARCHAR(1000))) OR ");
        sql += QStringLiteral("WHERE ( (UPPER(messageid)") + p + QStringLiteral("(UPPER(dnr)") + p
             + QStringLiteral("(UPPER(absender)") + p + QStringLiteral("(UPPER(ip)") + p
             + QStringLiteral("(UPPER(userrequestid)") + p
             + QStringLiteral("(UPPER(contentindex) LIKE CAST(:suche AS VARCHAR(1000))) ) ");
    }
    switch (order) {
    case 1:
        if (search) {
            sql += QStringLiteral("ORDER BY istzeitpunkt ASC,dnr ASC");
        } else {
            // Reads along an ascending time index where the database has one.
            sql += QStringLiteral("ORDER BY istzeitpunkt ASC");
            out.ties = TProtokollTies::DnrAsc;
        }
        break;
    case 2:
        if (search) {
            sql += QStringLiteral("ORDER BY dnr ASC,istzeitpunkt DESC");
        } else {
            sql += QStringLiteral("ORDER BY dnr ASC");
            out.ties = TProtokollTies::IstDesc;
        }
        break;
    default:
        if (search) {
            sql += QStringLiteral("ORDER BY istzeitpunkt DESC,dnr ASC");
        } else {
            sql += QStringLiteral("ORDER BY istzeitpunkt DESC");
            out.ties = TProtokollTies::DnrAsc;
        }
        break;
    }
    return out;
}

TProtokollModel::TProtokollModel(const QStringList& columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns)
{
}

void TProtokollModel::Close()
{
    beginResetModel();
    m_query.reset();
    m_rows.clear();
    m_pending.reset();
    m_atEnd = true;
    endResetModel();
}

bool TProtokollModel::Open(const QString& sql, const QVariantMap& binds, TProtokollTies ties)
{
    beginResetModel();
    m_query.reset();
    m_rows.clear();
    m_pending.reset();
    m_atEnd = true;
    m_ties = ties;
    try {
        DatenModul->RefreshReadDatabase();
        m_query = std::make_unique<QSqlQuery>(DatenModul->ReadDatabase());
        m_query->setForwardOnly(true);
        TDatenModul::Prepare(*m_query, sql);
        for (auto it = binds.cbegin(); it != binds.cend(); ++it)
            m_query->bindValue(QLatin1Char(':') + it.key(), it.value());
        TDatenModul::Exec(*m_query);
        const QSqlRecord rec = m_query->record();
        m_colId = rec.indexOf(QStringLiteral("ID"));
        m_colIst = rec.indexOf(QStringLiteral("ISTZEITPUNKT"));
        m_colDnr = rec.indexOf(QStringLiteral("DNR"));
        m_colContent = rec.indexOf(QStringLiteral("CONTENT"));
        m_colTyp = rec.indexOf(QStringLiteral("TYP"));
        m_colStatus = rec.indexOf(QStringLiteral("STATUSID"));
        m_atEnd = false;
        m_rows = fetch(kFetchSize);
    } catch (...) {
        m_query.reset();
        m_atEnd = true;
        endResetModel();
        throw;
    }
    endResetModel();
    return !m_rows.empty();
}

bool TProtokollModel::readRow(Row& r)
{
    if (!m_query || !m_query->next()) {
        m_query.reset();   // the cursor is done: release it
        return false;
    }
    const QSqlQuery& q = *m_query;
    if (m_colId >= 0)
        r.id = q.value(m_colId).isNull() ? -1 : q.value(m_colId).toInt();
    if (m_colIst >= 0)
        r.ist = q.value(m_colIst).isNull() ? QDateTime() : q.value(m_colIst).toDateTime();
    if (m_colDnr >= 0)
        r.dnr = TDatenModul::TextValue(q.value(m_colDnr));
    if (m_colContent >= 0)
        r.content = TDatenModul::TextValue(q.value(m_colContent));
    if (m_colTyp >= 0)
        r.typ = TDatenModul::TextValue(q.value(m_colTyp));
    if (m_colStatus >= 0)
        r.statusid = q.value(m_colStatus).toInt();
    return true;
}

bool TProtokollModel::sameKey(const Row& a, const Row& b) const
{
    // The key the statement orders by; its ties come in index order.
    return m_ties == TProtokollTies::DnrAsc ? a.ist == b.ist : a.dnr == b.dnr;
}

void TProtokollModel::sortTies(std::vector<Row>& rows) const
{
    const auto less = [this](const Row& a, const Row& b) {
        if (m_ties == TProtokollTies::DnrAsc)
            return QString::compare(a.dnr, b.dnr, Qt::CaseSensitive) < 0;
        // Later first; rows without a time last, as the database orders them.
        if (a.ist.isValid() != b.ist.isValid())
            return a.ist.isValid();
        return a.ist > b.ist;
    };
    for (size_t i = 0; i < rows.size();) {
        size_t j = i + 1;
        while (j < rows.size() && sameKey(rows[i], rows[j]))
            ++j;
        if (j - i > 1)
            std::stable_sort(rows.begin() + qsizetype(i), rows.begin() + qsizetype(j), less);
        i = j;
    }
}

std::vector<TProtokollModel::Row> TProtokollModel::fetch(int count)
{
    std::vector<Row> rows;
    if (m_pending) {
        rows.push_back(std::move(*m_pending));
        m_pending.reset();
    }
    while (int(rows.size()) < count && !m_atEnd) {
        Row r;
        if (!readRow(r)) {
            m_atEnd = true;
            break;
        }
        rows.push_back(std::move(r));
    }
    if (m_ties != TProtokollTies::None && !rows.empty()) {
        // A batch ends where the key changes, so that every run of ties is ordered whole.
        while (!m_atEnd) {
            Row r;
            if (!readRow(r)) {
                m_atEnd = true;
                break;
            }
            if (!sameKey(rows.back(), r)) {
                m_pending = std::move(r);
                break;
            }
            rows.push_back(std::move(r));
        }
        sortTies(rows);
    }
    return rows;
}

int TProtokollModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TProtokollModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

bool TProtokollModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && (!m_atEnd || m_pending);
}

void TProtokollModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !canFetchMore())
        return;
    std::vector<Row> rows = fetch(kFetchSize);
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    for (Row& r : rows)
        m_rows.push_back(std::move(r));
    endInsertRows();
}

QString ProtokollCellText(const QString& text)
{
    // A cell shows one line; laying out a whole long entry would stall the grid.
    qsizetype end = qMin<qsizetype>(text.size(), kProtokollCellTextMax);
    for (qsizetype i = 0; i < end; ++i) {
        if (text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r')) {
            end = i;
            break;
        }
    }
    if (end < text.size() && end > 0 && text[end - 1].isHighSurrogate())
        --end;
    return end == text.size() ? text : text.left(end);
}

QString ProtokollMemoText(const QString& text)
{
    // One paragraph of megabytes takes the editor minutes to wrap.
    QString out;
    qsizetype lineStart = 0;
    bool changed = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            lineStart = i + 1;
        } else if (i - lineStart >= kProtokollMemoLineMax && !c.isLowSurrogate()) {
            if (!changed) {
                out.reserve(text.size() + text.size() / kProtokollMemoLineMax + 1);
                out = text.left(i);
                changed = true;
            }
            out += QLatin1Char('\n');
            lineStart = i;
        }
        if (changed)
            out += c;
    }
    return changed ? out : text;
}

QVariant TProtokollModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()) || index.column() >= m_columns.size())
        return {};
    const Row& r = m_rows[size_t(index.row())];
    const QString& col = m_columns[index.column()];
    if (role == Qt::DisplayRole) {
        if (col == QLatin1String("ISTZEITPUNKT"))
            return r.ist.isValid() ? r.ist.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")) : QString("");
        if (col == QLatin1String("DNR"))
            return r.dnr;
        if (col == QLatin1String("CONTENT"))
            return ProtokollCellText(GetProtokollContentText(r.typ, r.content));
        if (col == QLatin1String("STATUSID"))
            return GetProtokollStatusText(r.statusid);
    } else if (role == Qt::EditRole || role == Qt::UserRole) {
        if (col == QLatin1String("ISTZEITPUNKT"))
            return r.ist;
        if (col == QLatin1String("DNR"))
            return r.dnr;
        if (col == QLatin1String("CONTENT"))
            return r.content;
        if (col == QLatin1String("STATUSID"))
            return r.statusid;
    }
    return {};
}

QVariant TProtokollModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, o, role);
    const QString& col = m_columns[section];
    if (col == QLatin1String("ISTZEITPUNKT"))
        return QStringLiteral("Versandzeitpunkt");
    if (col == QLatin1String("DNR"))
        return QStringLiteral("Zielrufnummer");
    if (col == QLatin1String("CONTENT"))
        return QStringLiteral("Nachrichtentext");
    if (col == QLatin1String("STATUSID"))
        return QStringLiteral("Status");
    return {};
}

int TProtokollModel::RowId(int row) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return -1;
    return m_rows[size_t(row)].id;
}

int ProtokollAnzahl()
{
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT COUNT(*) FROM protokoll"));
    return q.next() ? q.value(0).toInt() : 0;
}

namespace {
const char* const kEintragSpalten =
    "SELECT messageid,istzeitpunkt,dnr,content,absender,typ,"
    "msgparts,ip,version,opnet,opcountry,userrequestid,statusid FROM protokoll ";

TVersandteSms zeile(const QSqlQuery& q)
{
    TVersandteSms z;
    z.messageid = TDatenModul::TextValue(q.value(0));
    z.ist = q.value(1).isNull() ? QDateTime() : q.value(1).toDateTime();
    z.dnr = TDatenModul::TextValue(q.value(2));
    z.content = TDatenModul::TextValue(q.value(3));
    z.absender = TDatenModul::TextValue(q.value(4));
    z.typ = TDatenModul::TextValue(q.value(5));
    z.msgparts = q.value(6).toInt();
    z.ip = TDatenModul::TextValue(q.value(7));
    z.opnet = TDatenModul::TextValue(q.value(9));
    z.opcountry = TDatenModul::TextValue(q.value(10));
    z.userrequestid = TDatenModul::TextValue(q.value(11));
    z.statusid = q.value(12).toInt();
    return z;
}
}

void ProtokollFuerExport(const std::function<void(const TVersandteSms&)>& row)
{
    QSqlQuery q = DatenModul->Run(QLatin1String(kEintragSpalten) + QStringLiteral("ORDER BY istzeitpunkt DESC"));
    while (q.next())
        row(zeile(q));
}

bool LadeVersandteSms(int id, TVersandteSms& out)
{
    QSqlQuery q = DatenModul->Run(QLatin1String(kEintragSpalten) + QStringLiteral("WHERE id=:smsId"),
                                  {{QStringLiteral("smsId"), id}});
    if (!q.next())
        return false;
    out = zeile(q);
    return true;
}
