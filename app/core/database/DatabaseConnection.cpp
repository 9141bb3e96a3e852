#include "database/DatabaseConnection.h"

#include "database/DatabaseErrors.h"
#include "database/DatabaseFile.h"
#include "database/Presence.h"
#include "database/ServerAddress.h"
#include "database/SqliteHooks.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace {
QAtomicInteger<quint64> connectionCounter;

// The key of the server's one write lock (an advisory lock: any number the program alone uses).
constexpr qint64 serverWriteLock = 0x4c6c616d6f7261; // "Llamora"

QString uriFor(const QString& filePath, DatabaseConnection::Access access)
{
    // mode=rw / mode=ro: SQLite never creates the file (it reports "cannot open" instead).
    const QString mode = access == DatabaseConnection::Access::ReadOnly ? QStringLiteral("ro")
                                                                        : QStringLiteral("rw");
    return sqliteUriOf(filePath) + QStringLiteral("?mode=") + mode;
}

// A workstation that died while writing (a power cut, a dropped network) leaves the journal of
// its unfinished write beside the file. A read-only connection may not roll it back and refuses
// the file, which would then look unusable to the start-up and the wizard; a read-write open rolls
// it back on its first read.
bool rollBackInterruptedWrite(const QString& filePath, int busyTimeoutMs)
{
    DatabaseConnection writer;
    return writer.open(filePath, DatabaseConnection::Access::ReadWrite, busyTimeoutMs, false) ==
           DatabaseError::None;
}
} // namespace

DatabaseConnection::DatabaseConnection() = default;

DatabaseConnection::~DatabaseConnection()
{
    close();
}

QSqlDatabase DatabaseConnection::database() const
{
    if (m_connectionName.isEmpty())
        return {};
    return QSqlDatabase::database(m_connectionName, false);
}

bool DatabaseConnection::isOpen() const
{
    return !m_connectionName.isEmpty() && database().isOpen();
}

int DatabaseConnection::fail(const QSqlError& error)
{
    m_lastErrorText = error.text();
    m_lastNativeCode = error.nativeErrorCode().toInt();
    const int number = errorNumberFor(error);
    return number == DatabaseError::None ? DatabaseError::ReservedError : number;
}

int DatabaseConnection::open(const QString& filePath, Access access, int busyTimeoutMs,
                             bool markPresence)
{
    if (isServerDatabaseName(filePath)) {
        // Presence is the file's matter: the server keeps its own list of sessions.
        Q_UNUSED(markPresence);
        return open(ServerAddress::fromDatabaseName(filePath), access, busyTimeoutMs);
    }
    close();
    m_lastErrorText.clear();
    m_lastNativeCode = SQLITE_OK;
    m_engine = Engine::File;
    const QFileInfo file(filePath);
    if (filePath.isEmpty() || !file.absoluteDir().exists())
        return DatabaseError::PathNotFound;
    if (!file.exists())
        return DatabaseError::FileNotFound;
    if (!file.isFile())
        return DatabaseError::NotADatabase;

    m_filePath = file.absoluteFilePath();
    m_access = access;
    m_busyTimeoutMs = busyTimeoutMs;
    // Held until the presence is marked: compaction or repair cannot start meanwhile, and while
    // one runs the file is not opened at all (it may be replaced under this path).
    PresenceGate gate;
    if (const int inUse = gate.enterShared(m_filePath, busyTimeoutMs, markPresence); inUse != 0) {
        m_lastErrorText = QStringLiteral("The file is being compacted or repaired");
        return inUse;
    }
    int error = openAndCheck(uriFor(m_filePath, access), busyTimeoutMs);
    if (error != DatabaseError::None && m_lastNativeCode == SQLITE_READONLY_ROLLBACK &&
        rollBackInterruptedWrite(m_filePath, busyTimeoutMs)) {
        close();
        error = openAndCheck(uriFor(m_filePath, access), busyTimeoutMs);
    }
    // The folder and file exist, so "cannot open" means they may not be read or written.
    if (error == DatabaseError::PathNotFound)
        error = DatabaseError::NoPermission;
    if (error != DatabaseError::None) {
        close();
        return error;
    }
    if (markPresence) {
        m_presence = std::make_unique<PresenceMark>();
        m_presence->mark(m_filePath);
    }
    return DatabaseError::None;
}

QString DatabaseConnection::newConnectionName()
{
    return QStringLiteral("llamora-") + QString::number(++connectionCounter);
}

int DatabaseConnection::openAndCheck(const QString& uri, int busyTimeoutMs)
{
    m_connectionName = newConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=") +
                         QString::number(busyTimeoutMs));
    db.setDatabaseName(uri);
    if (!db.open())
        return fail(db.lastError());
    registerFoldFunction(db);
    m_busyWait = std::make_unique<BusyWait>();
    m_busyWait->timeoutMs = busyTimeoutMs;
    installBusyWait(db, m_busyWait.get());

    // A damaged file, or one that is not a database, opens without complaint; the first read
    // tells. A database without our two tables is not ours either.
    QSqlQuery check(db);
    check.setForwardOnly(true);
    if (!check.exec(ourTablesCountSql()))
        return fail(check.lastError());
    const int tables = check.next() ? check.value(0).toInt() : 0;
    check.finish();
    if (tables != 2) {
        m_lastErrorText = QStringLiteral("The file has no Clientes and Llamadas tables");
        return DatabaseError::NotADatabase;
    }
    if (check.exec(QStringLiteral("PRAGMA user_version")) && check.next())
        m_schemaVersion = check.value(0).toInt();
    check.finish();
    // Room for the whole client table of a large office (about 10 MB per 100,000 clients), so
    // that listing a million calls beside their clients does not read the same pages again.
    check.exec(QStringLiteral("PRAGMA cache_size = -16384"));
    check.finish();
    return DatabaseError::None;
}

void DatabaseConnection::close()
{
    if (m_inWrite)
        rollback();
    m_presence.reset();
    m_preparedQueries.clear();
    if (!m_connectionName.isEmpty()) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connectionName);
        m_connectionName.clear();
    }
    m_busyWait.reset();
    m_schemaVersion = 0;
}

int DatabaseConnection::beginWrite()
{
    if (!isOpen())
        return DatabaseError::FileNotFound;
    if (m_inWrite)
        return DatabaseError::None;
    QSqlQuery query(database());
    if (m_engine == Engine::Server) {
        // One writer at a time, as with the file: the lock is the transaction's, waited for at
        // most lock_timeout (the busy timeout), and ends with it. Two workstations looking up
        // the same new number therefore never both add its client.
        if (!query.exec(QStringLiteral("BEGIN")))
            return fail(query.lastError());
        if (!query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(serverWriteLock))) {
            const int error = fail(query.lastError());
            query.finish();
            query.exec(QStringLiteral("ROLLBACK"));
            return error;
        }
        query.finish();
        m_inWrite = true;
        return DatabaseError::None;
    }
    // IMMEDIATE takes the write lock now, waiting at most the busy timeout, rather than at the
    // first write, where a deadlock between two readers turning writers could occur.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(query.lastError());
    m_inWrite = true;
    return DatabaseError::None;
}

int DatabaseConnection::commit()
{
    if (!m_inWrite)
        return DatabaseError::None;
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("COMMIT"))) {
        const int error = fail(query.lastError());
        query.finish();
        rollback();
        return error;
    }
    m_inWrite = false;
    return DatabaseError::None;
}

void DatabaseConnection::rollback()
{
    if (!m_inWrite)
        return;
    m_inWrite = false;
    if (!isOpen())
        return;
    QSqlQuery query(database());
    query.exec(QStringLiteral("ROLLBACK"));
}
