#pragma once
#include "foundation/TextError.h"
#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>

// A failed statement; its text is the database's own message.
class DbError : public TextError {
public:
    using TextError::TextError;
};

// The data module: the one connection to VORNIX2.GDB, its single transaction and the id
// procedures. Every subsystem runs its SQL through it.
class TDatenModul : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kUser = "VORNIX2";
    static constexpr const char* kPassword = "Tq4Lw9Re";
    static constexpr const char* kFileName = "VORNIX2.GDB";

    explicit TDatenModul(QObject* parent = nullptr);
    ~TDatenModul() override;

    // Connects to the database in the program directory. On failure shows the connection
    // message and returns false: the program must then end.
    bool DataModuleCreate();
    // Connects without showing anything; the database's text on failure.
    bool Connect(QString* errorText);
    // Commits what is still open and closes the connection.
    void DataModuleDestroy();
    bool IsConnected() const;

    QSqlDatabase Database() const;
    // A fresh query on the connection, inside the current transaction.
    QSqlQuery Query() const;
    // A second, read-only connection for lists that fetch lazily: commits of the write
    // operations do not close its cursors. Opened on first use.
    QSqlDatabase ReadDatabase();
    // Starts a fresh read transaction on the read connection (to see committed changes).
    void RefreshReadDatabase();
    // Closes the read connection, so that nothing else holds the tables (changes to their
    // indexes need that); the next use opens it again.
    void ReleaseReadDatabase();
    // Changes with every new read transaction: a cursor opened under another one is closed.
    quint64 ReadGeneration() const { return m_readGeneration; }

    // Each statement as a unit of its own, on a connection and thread of its own, all at the
    // same time: the engine builds an index on one core, so six take the time of one or two.
    // Commits the open transaction and closes the read connection first, so that nothing of
    // ours holds the tables the statements change. The failed ones' texts, by statement.
    QHash<QString, QString> RunParallel(const QStringList& statements);

    // prepare + bind (":name" -> value) + exec; throws DbError.
    QSqlQuery Run(const QString& sql, const QVariantMap& binds = {});
    static void Prepare(QSqlQuery& query, const QString& sql);
    static void Exec(QSqlQuery& query);

    // The country dialling prefixes in the table's order (the order numbers are tried in),
    // read once (the frame reads them at its first show); LoadLaenderVorwahlen reads them anew.
    void LoadLaenderVorwahlen();
    QStringList LaenderVorwahlen();

    int GetNewKontakteId();
    int GetNewKategorienId();
    int GetNewSmsVorlagenId();
    // Why an id procedure gave no id: a read-only database says so, anything else names the
    // procedure. (The engine's error on such a database does not always reach the caller.)
    QString KeineIdGrund(const char* procedure);
    static constexpr const char* kMsgReadOnly = "Die Datenbank ist schreibgeschützt.";

    // Ends the transaction and starts the next one. Commit throws DbError on failure.
    void Commit();
    void Rollback();

    // One write operation as a unit: commits at its end; a failure rolls back what it wrote
    // and is rethrown for the caller to show.
    template <class F>
    void Unit(F&& body)
    {
        try {
            std::forward<F>(body)();
            Commit();
        } catch (...) {
            Rollback();
            throw;
        }
    }

    // NOT NULL text columns refuse SQL NULL: a null QString is bound as "".
    static QVariant Text(const QString& text) { return text.isNull() ? QVariant(QString(""))
                                                                      : QVariant(text); }
    // Text columns and text BLOBs (which come back as bytes) as a QString.
    static QString TextValue(const QVariant& value);

private:
    int callIdProcedure(const char* name);
    void beginTransaction();

    QString m_connectionName;
    QString m_readConnectionName;
    QStringList m_laenderVorwahlen;
    bool m_laenderVorwahlenLoaded = false;
    quint64 m_readGeneration = 0;
};

// The program's one data module (null until created).
extern TDatenModul* DatenModul;
