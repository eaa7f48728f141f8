#pragma once
#include <QAbstractTableModel>
#include <QDateTime>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include "gateway/Xml.h"
#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSqlDatabase;

// The local send log: the gateway's record of sent SMS, fetched page by page into the
// table protokoll.

// One entry as the gateway sends it: the thirteen texts of an Sms element.
struct TProtokollEintrag {
    QString MessageId, ReferenceTime, DispatchTime, Recipient, Content, Sender, Type, MsgParts,
        IP, OpNet, OpCountry, UserRequestId, StatusId;
};

// Text and flash SMS: the type begins with "Tx" or "Fs" (case-sensitive).
bool IsProtokollTextTyp(const QString& typ);
// contentindex of a row: the first 250 characters of a text or flash SMS, else null.
QVariant ProtokollContentIndex(const QString& typ, const QString& content);
// MsgParts as stored: 0 when the text is not an integer.
int ProtokollMsgParts(const QString& text);
// StatusId as stored: -1 when the text is not an integer.
int ProtokollStatusId(const QString& text);

// The thirteen elements of one Sms element's text, read in one pass (each as XmlElement would).
void LeseProtokollEintrag(const QString& sms, TProtokollEintrag& e);

// The head of one reply page.
struct TProtokollSeite {
    int Count = 1;          // total number of entries (for the progress)
    int FollowUp = 0;       // 1: a further page follows
    int Position = 0;       // position of the page's first entry
    int DisplayCount = 0;   // entries on the page
};

// Reads one page of the reply: its head, then its entries one after the other.
class TProtokollReply {
public:
    explicit TProtokollReply(const QString& reply);
    const TProtokollSeite& Seite() const { return m_seite; }
    // The next Sms entry; false at the end of the list (a missing or empty Sms ends it).
    bool Next(TProtokollEintrag& out);
    // Number of entries that Next would deliver (walks a copy of the list).
    int CountEntries() const;

private:
    TProtokollSeite m_seite;
    TXmlCursor m_cursor;
};

// Writes entries into protokoll, kBlock rows per execute of a block prepared once; Flush
// writes the rest. Commits nothing itself. A failure leaves the entries before the failing one
// stored (in the open transaction) and nothing after it. Rows still waiting when it goes out of
// scope normally are written by the destructor; since a destructor cannot throw, a failure there
// is only logged: a caller that must see it calls Flush() first. Unwinding from an exception
// drops them, as the failed operation's unit rolls back anyway.
class TProtokollSpeicher {
public:
    static constexpr int kBlock = 10;
    // Contents up to this many UTF-16 units go through the block as text; longer ones alone.
    static constexpr int kInlineContent = 1000;
    TProtokollSpeicher();
    ~TProtokollSpeicher();
    void DeleteProtokoll();
    // Throws DbError (also for a text longer than its column: nothing is cut silently).
    void InsertProtokollEintrag(const TProtokollEintrag& e);
    void Flush();
    // Entries written so far.
    int Gespeichert() const { return m_gespeichert; }

private:
    using Werte = std::array<QVariant, 14>;
    static Werte werte(const TProtokollEintrag& e);
    void einzeln(const Werte& w);
    void block();
    std::unique_ptr<QSqlQuery> m_insert, m_block;
    std::vector<Werte> m_wartend;
    int m_gespeichert = 0;
    int m_ausnahmen = std::uncaught_exceptions();   // in flight when constructed
};

// contentindex := the first 250 characters of content for text and flash SMS; commits.
void RebuildProtokollIndex();

// One page request: the form fields in, true and the reply out on success. A failed
// request has reported itself to the user.
using ProtokollFetch = std::function<bool(const QStringList& params, QString* reply)>;

struct TProtokollErgebnis {
    bool Stored = false;    // the first page succeeded: the old log was replaced
    int Count = -1;         // Count of the last page received
    int Requests = 0;
};

// The page loop: asks from pos 0 while Follow-Up is 1 and the position advances, replaces
// the old log with the first page that succeeds, commits each page. A database failure ends it:
// the entries stored before the failing one stay committed. `firstPage` runs once when the
// first page has arrived (login storing). Throws DbError.
TProtokollErgebnis RunProtokollDownload(const QString& username, const QString& password,
                                        int limit, const ProtokollFetch& fetch,
                                        const std::function<void()>& firstPage = {});

// The gateway request of one page: path and expected root.
inline constexpr const char* kProtokollPath = "/smscommand/Protocol.do";
inline constexpr const char* kProtokollFailMessage =
    "Das Versandprotokoll konnte nicht erfolgreich vom Server abgerufen werden.";

// The bound pattern of the log search: "%text%" upper-cased as the database does it.
QString ProtokollSuchmuster(const QString& text);

// How the list orders rows of equal sort key that the statement returns in index order.
enum class TProtokollTies { None, DnrAsc, IstDesc };

struct TProtokollListe {
    QString sql;
    TProtokollTies ties = TProtokollTies::None;
};

// Statement of the SMS page's log list: the filter (when `search` is set) and the order index of
// "Datum absteigend", "Datum aufsteigend", "Empfängernummer". Without a filter, orders whose
// first key has an index read along that index, so that the first rows come without sorting
// the whole table; the list then orders the ties itself.
TProtokollListe ProtokollListSql(bool search, int order);

// What a grid cell shows of a log entry's text: its first line, at most kProtokollCellTextMax
// characters (the details show the whole text).
inline constexpr qsizetype kProtokollCellTextMax = 300;
QString ProtokollCellText(const QString& text);
// The text for the details memo: lines longer than kProtokollMemoLineMax are broken into
// pieces of that length, which the editor lays out quickly; shorter lines stay as they are.
inline constexpr qsizetype kProtokollMemoLineMax = 1000;
QString ProtokollMemoText(const QString& text);

// A lazily fetching list of log rows. Reads through the data module's read connection, whose
// cursors the write operations' commits do not close; Open starts a fresh read snapshot.
// Columns are chosen by name from ISTZEITPUNKT, DNR, CONTENT, STATUSID; the statement must
// also select ID (optional) and TYP.
class TProtokollModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kFetchSize = 256;
    explicit TProtokollModel(const QStringList& columns, QObject* parent = nullptr);

    // Runs the statement; returns true when it has at least one row. Throws DbError.
    bool Open(const QString& sql, const QVariantMap& binds = {},
              TProtokollTies ties = TProtokollTies::None);
    void Close();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = {}) const override;
    void fetchMore(const QModelIndex& parent = {}) override;

    int RowId(int row) const;   // -1 when the row has no id
    int FetchedRows() const { return int(m_rows.size()); }
    bool AtEnd() const { return m_atEnd && !m_pending; }

    struct Row {
        int id = -1;
        QDateTime ist;
        QString dnr, content, typ;
        int statusid = -1;
    };
    const Row& At(int row) const { return m_rows[size_t(row)]; }

private:
    std::vector<Row> fetch(int count);
    bool readRow(Row& r);
    bool sameKey(const Row& a, const Row& b) const;
    void sortTies(std::vector<Row>& rows) const;

    QStringList m_columns;
    std::unique_ptr<QSqlQuery> m_query;
    std::vector<Row> m_rows;
    bool m_atEnd = true;
    TProtokollTies m_ties = TProtokollTies::None;
    std::optional<Row> m_pending;   // read ahead: the first row of the next batch
    int m_colId = -1, m_colIst = -1, m_colDnr = -1, m_colContent = -1, m_colTyp = -1,
        m_colStatus = -1;
};

// One row of the send log as the CSV export writes it (version is read but not used).
// One stored send-log row as the details and the export read it.
struct TVersandteSms {
    QDateTime ist;            // invalid: NULL
    QString messageid, dnr, content, absender, typ, ip, opnet, opcountry, userrequestid;
    int msgparts = 0;         // NULL reads as 0
    int statusid = 0;
};

// The number of rows in the send log.
int ProtokollAnzahl();
// Every row of the send log, newest first, passed to `row` as it is read. Throws DbError.
void ProtokollFuerExport(const std::function<void(const TVersandteSms&)>& row);
// The entry of that id; false when there is none. Throws DbError.
bool LadeVersandteSms(int id, TVersandteSms& out);
