#include "foundation/DatenModul.h"
#include "foundation/Messages.h"
#include "foundation/SplashScreenForm.h"
#include "foundation/ProgramDir.h"
#include <QSqlError>
#include <QSqlRecord>
#include <QFileInfo>
#include <QUuid>
#include <cerrno>
#include <thread>
#include <vector>

TDatenModul* DatenModul = nullptr;

namespace {
QString errorText(const QSqlError& e)
{
    const QString db = e.databaseText().trimmed();
    const QString text = db.isEmpty() ? e.text().trimmed() : db;
    // The engine's "attempted update on read-only database", in the user's words.
    if (text.contains(QLatin1String("read-only database"), Qt::CaseInsensitive))
        return QString::fromUtf8(TDatenModul::kMsgReadOnly);
    return text;
}
}

TDatenModul::TDatenModul(QObject* parent)
    : QObject(parent),
      m_connectionName(QStringLiteral("vornix2-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    setObjectName(QStringLiteral("DatenModul"));
    if (!DatenModul)
        DatenModul = this;
}

TDatenModul::~TDatenModul()
{
    DataModuleDestroy();
    if (DatenModul == this)
        DatenModul = nullptr;
}

bool TDatenModul::Connect(QString* error)
{
    QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
        ? QSqlDatabase::database(m_connectionName, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), m_connectionName);
    if (!db.isValid()) {
        if (error)
            *error = QStringLiteral("Der Datenbanktreiber QIBASE ist nicht verfügbar.");
        return false;
    }
    const QString file = ProgramFile(QLatin1String(kFileName));
    db.setHostName(QString());
    db.setDatabaseName(file);
    db.setUserName(QLatin1String(kUser));
    db.setPassword(QLatin1String(kPassword));
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    if (!db.open()) {
        if (error)
            *error = errorText(db.lastError());
        return false;
    }
    beginTransaction();
    return true;
}

bool TDatenModul::DataModuleCreate()
{
    QString error;
    if (Connect(&error))
        return true;
    TSplashScreenForm::HideAll();
    Msg::Error(QStringLiteral("Es konnte keine Verbindung zur Datenbank hergestellt werden.\n\r"
                              "Fehlermeldung: ") + error
               + QStringLiteral("\n\rDas Programm kann nicht gestartet werden."));
    return false;
}

void TDatenModul::ReleaseReadDatabase()
{
    if (m_readConnectionName.isEmpty())
        return;
    // The engine's detach reads errno without setting it first and retries for as long as it
    // says EINTR; a signal that interrupted the event loop leaves exactly that behind.
    errno = 0;
    {
        QSqlDatabase rdb = QSqlDatabase::database(m_readConnectionName, false);
        if (rdb.isOpen()) {
            rdb.rollback();
            rdb.close();
        }
    }
    QSqlDatabase::removeDatabase(m_readConnectionName);
    m_readConnectionName.clear();
    ++m_readGeneration;
}

void TDatenModul::DataModuleDestroy()
{
    ReleaseReadDatabase();
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen()) {
            // Pending writes (drag-and-drop assignments) were shown to the user: keep them.
            db.commit();
            errno = 0;   // as above: a stale EINTR makes the detach spin
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool TDatenModul::IsConnected() const
{
    return QSqlDatabase::contains(m_connectionName)
        && QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase TDatenModul::Database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

QSqlQuery TDatenModul::Query() const
{
    QSqlQuery q(Database());
    q.setForwardOnly(true);
    return q;
}

QSqlDatabase TDatenModul::ReadDatabase()
{
    if (m_readConnectionName.isEmpty()) {
        const QString name = m_connectionName + QStringLiteral("-read");
        QString error;
        {
            QSqlDatabase rdb = QSqlDatabase::cloneDatabase(m_connectionName, name);
            if (rdb.open())
                rdb.transaction();
            else
                error = errorText(rdb.lastError());
        }
        // A failed open is not kept: the next use tries again instead of reading a closed one.
        if (!error.isNull()) {
            QSqlDatabase::removeDatabase(name);
            throw DbError(error);
        }
        m_readConnectionName = name;
    }
    return QSqlDatabase::database(m_readConnectionName, false);
}

void TDatenModul::RefreshReadDatabase()
{
    QSqlDatabase rdb = ReadDatabase();
    ++m_readGeneration;
    rdb.rollback();
    rdb.transaction();
}

void TDatenModul::Prepare(QSqlQuery& query, const QString& sql)
{
    if (!query.prepare(sql))
        throw DbError(errorText(query.lastError()));
}

void TDatenModul::Exec(QSqlQuery& query)
{
    if (!query.exec())
        throw DbError(errorText(query.lastError()));
}

QSqlQuery TDatenModul::Run(const QString& sql, const QVariantMap& binds)
{
    QSqlQuery q = Query();
    Prepare(q, sql);
    for (auto it = binds.cbegin(); it != binds.cend(); ++it)
        q.bindValue(QLatin1Char(':') + it.key(), it.value());
    Exec(q);
    return q;
}

namespace {
// One statement as a unit on a connection of its own, in the calling thread; its error or null.
QString runAlone(const QString& original, const QString& name, const QString& statement)
{
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::cloneDatabase(original, name);
        if (!db.open()) {
            error = errorText(db.lastError());
        } else {
            db.transaction();
            {
                QSqlQuery q(db);
                if (!q.exec(statement))
                    error = errorText(q.lastError());
            }
            if (!error.isNull())
                db.rollback();
            else if (!db.commit())
                error = errorText(db.lastError());
            errno = 0;   // see ReleaseReadDatabase: a stale EINTR makes the detach spin
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}
} // namespace

QHash<QString, QString> TDatenModul::RunParallel(const QStringList& statements)
{
    ReleaseReadDatabase();
    Commit();
    std::vector<QString> errors(statements.size());
    {
        std::vector<std::jthread> threads;
        threads.reserve(statements.size());
        for (qsizetype i = 0; i < statements.size(); ++i)
            threads.emplace_back([&, i] {
                errors[i] = runAlone(m_connectionName, m_connectionName + QStringLiteral("-parallel-")
                                         + QString::number(i), statements[i]);
            });
    }
    // A snapshot of its own that sees what they committed.
    Commit();
    QHash<QString, QString> failed;
    for (qsizetype i = 0; i < statements.size(); ++i)
        if (!errors[i].isNull())
            failed.insert(statements[i], errors[i]);
    return failed;
}

int TDatenModul::callIdProcedure(const char* name)
{
    QSqlQuery q = Query();
    if (!q.exec(QStringLiteral("EXECUTE PROCEDURE ") + QLatin1String(name)))
        throw DbError(errorText(q.lastError()));
    if (!q.next())
        throw DbError(KeineIdGrund(name));
    return q.value(0).toInt();
}

QString TDatenModul::KeineIdGrund(const char* procedure)
{
    QSqlQuery q = Query();
    if (q.exec(QStringLiteral("SELECT MON$READ_ONLY FROM MON$DATABASE")) && q.next() && q.value(0).toInt() == 1)
        return QString::fromUtf8(kMsgReadOnly);
    return QStringLiteral("Die Prozedur %1 lieferte keine Id.").arg(QLatin1String(procedure));
}

int TDatenModul::GetNewKontakteId() { return callIdProcedure("GET_NEW_KONTAKTE_ID"); }
int TDatenModul::GetNewKategorienId() { return callIdProcedure("GET_NEW_KATEGORIEN_ID"); }
int TDatenModul::GetNewSmsVorlagenId() { return callIdProcedure("GET_NEW_SMSVORLAGEN_ID"); }

void TDatenModul::beginTransaction()
{
    Database().transaction();
}

void TDatenModul::Commit()
{
    QSqlDatabase db = Database();
    const bool committed = db.commit();
    const QString text = committed ? QString() : errorText(db.lastError());
    // Never leave the connection without a transaction: it would commit every statement.
    beginTransaction();
    if (!committed)
        throw DbError(text);
}

void TDatenModul::Rollback()
{
    QSqlDatabase db = Database();
    db.rollback();
    beginTransaction();
}

QString TDatenModul::TextValue(const QVariant& value)
{
    if (value.isNull())
        return QString("");
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

void TDatenModul::LoadLaenderVorwahlen()
{
    m_laenderVorwahlen.clear();
    // Read once: a table that cannot be read leaves the list empty for the run.
    m_laenderVorwahlenLoaded = true;
    // No ORDER BY: the table's row order is the order in which numbers are tried.
    QSqlQuery q = Run(QStringLiteral("SELECT vorwahl FROM laendervorwahlen"));
    QStringList list;
    while (q.next())
        list.append(TextValue(q.value(0)));
    m_laenderVorwahlen = list;
}

QStringList TDatenModul::LaenderVorwahlen()
{
    if (!m_laenderVorwahlenLoaded)
        LoadLaenderVorwahlen();
    return m_laenderVorwahlen;
}
