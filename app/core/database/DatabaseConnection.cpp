#include "database/DatabaseConnection.h"

#include "database/DatabaseErrors.h"
#include "database/Presence.h"

#include <QAtomicInteger>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUrl>

#include <sqlite3.h>

struct BusyWait
{
    int timeoutMs = DatabaseConnection::defaultBusyTimeoutMs;
    QElapsedTimer waited;
};

namespace {
QAtomicInteger<quint64> connectionCounter;

// SQLite calls this for llamora_fold(text): lower case without accents. Plain ASCII, by far
// the most common, is folded without leaving UTF-8.
void foldCallback(sqlite3_context* context, int argumentCount, sqlite3_value** arguments)
{
    if (argumentCount != 1 || sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const int size = sqlite3_value_bytes(arguments[0]);
    bool ascii = true;
    for (int i = 0; i < size && ascii; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    if (ascii) {
        QByteArray lower(text, size);
        for (char& c : lower) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        sqlite3_result_text(context, lower.constData(), static_cast<int>(lower.size()),
                            SQLITE_TRANSIENT);
        return;
    }
    const QByteArray folded = foldForMatching(QString::fromUtf8(text, size)).toUtf8();
    sqlite3_result_text(context, folded.constData(), static_cast<int>(folded.size()),
                        SQLITE_TRANSIENT);
}

sqlite3* sqliteHandle(const QSqlDatabase& database)
{
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

// Waiting for another workstation's lock. SQLite's own timeout handler sleeps longer and longer
// (up to 100 ms between tries), so a workstation that writes often can keep the lock from one
// that waits until the timeout runs out. Trying again every 1 to 3 ms, a random amount, gives
// every waiter a fair chance; the whole wait still ends at the connection's busy timeout.
int waitForLock(void* data, int attempt)
{
    auto* wait = static_cast<BusyWait*>(data);
    if (attempt == 0)
        wait->waited.start();
    if (wait->waited.elapsed() >= wait->timeoutMs)
        return 0;
    QThread::usleep(1000 + QRandomGenerator::global()->bounded(2000));
    return 1;
}

void installBusyWait(const QSqlDatabase& database, BusyWait* wait)
{
    if (sqlite3* connection = sqliteHandle(database))
        sqlite3_busy_handler(connection, &waitForLock, wait);
}

bool registerFoldFunction(const QSqlDatabase& database)
{
    sqlite3* connection = sqliteHandle(database);
    if (connection == nullptr)
        return false;
    const QByteArray name = foldFunctionName().toUtf8();
    return sqlite3_create_function_v2(connection, name.constData(), 1,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &foldCallback,
                                      nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString uriFor(const QString& filePath, DatabaseConnection::Access access)
{
    // mode=rw / mode=ro: SQLite never creates the file (it reports "cannot open" instead).
    const QString mode = access == DatabaseConnection::Access::ReadOnly ? QStringLiteral("ro")
                                                                        : QStringLiteral("rw");
    return QUrl::fromLocalFile(QFileInfo(filePath).absoluteFilePath())
               .toString(QUrl::FullyEncoded) +
           QStringLiteral("?mode=") + mode;
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

void bindAll(QSqlQuery& query, const QVariantMap& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        query.bindValue(it.key(), it.value());
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
    close();
    m_lastErrorText.clear();
    m_lastNativeCode = SQLITE_OK;
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

int DatabaseConnection::openAndCheck(const QString& uri, int busyTimeoutMs)
{
    m_connectionName = QStringLiteral("llamora-") + QString::number(++connectionCounter);
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
    if (!check.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                                   "name IN ('Clientes', 'Llamadas')")))
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
    // IMMEDIATE takes the write lock now, waiting at most the busy timeout, rather than at the
    // first write, where a deadlock between two readers turning writers could occur.
    QSqlQuery query(database());
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

int DatabaseConnection::execute(const Command& command, int* affectedRows)
{
    if (affectedRows != nullptr)
        *affectedRows = 0;
    if (!isOpen())
        return DatabaseError::FileNotFound;
    QSqlQuery query(database());
    if (!query.prepare(command.sql))
        return fail(query.lastError());
    bindAll(query, command.values);
    if (!query.exec())
        return fail(query.lastError());
    if (affectedRows != nullptr)
        *affectedRows = query.numRowsAffected();
    query.finish();
    return DatabaseError::None;
}

int DatabaseConnection::readAll(const Statement& statement, QList<QVariantList>* rows,
                                QStringList* columnNames)
{
    rows->clear();
    if (!isOpen())
        return DatabaseError::FileNotFound;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(statement.sql()))
        return fail(query.lastError());
    bindAll(query, statement.values);
    if (!query.exec())
        return fail(query.lastError());
    const QSqlRecord record = query.record();
    if (columnNames != nullptr) {
        columnNames->clear();
        for (int i = 0; i < record.count(); ++i)
            columnNames->append(record.fieldName(i));
    }
    while (query.next()) {
        QVariantList row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            row.append(query.value(i));
        rows->append(row);
    }
    const QSqlError error = query.lastError();
    query.finish();
    return error.type() == QSqlError::NoError ? DatabaseError::None : fail(error);
}

int DatabaseConnection::readKeys(const Statement& statement, QList<qint64>* keys)
{
    keys->clear();
    const int error = readKeys(statement.keysSql(), statement.values, keys);
    if (error != DatabaseError::None)
        keys->clear();
    return error;
}

int DatabaseConnection::readNumber(const QString& sql, const QVariantMap& values, qint64* number)
{
    *number = 0;
    QList<qint64> numbers;
    const int error = readKeys(sql, values, &numbers);
    if (error == DatabaseError::None)
        *number = numbers.value(0, 0);
    return error;
}

int DatabaseConnection::readKeys(const QString& sqlText, const QVariantMap& values,
                                 QList<qint64>* keys, QVariant* lastSecondColumn)
{
    if (lastSecondColumn != nullptr)
        *lastSecondColumn = QVariant();
    sqlite3* connection = isOpen() ? sqliteHandle(database()) : nullptr;
    if (connection == nullptr)
        return DatabaseError::FileNotFound;
    const QByteArray sql = sqlText.toUtf8();
    sqlite3_stmt* query = nullptr;
    int code = sqlite3_prepare_v2(connection, sql.constData(), static_cast<int>(sql.size()), &query,
                                  nullptr);
    for (auto it = values.cbegin(); code == SQLITE_OK && it != values.cend(); ++it) {
        const int index = sqlite3_bind_parameter_index(query, it.key().toUtf8().constData());
        if (index == 0)
            continue;
        const QVariant& value = it.value();
        if (value.isNull()) {
            code = sqlite3_bind_null(query, index);
        } else if (value.typeId() == QMetaType::QString) {
            const QByteArray text = value.toString().toUtf8();
            code = sqlite3_bind_text(query, index, text.constData(), static_cast<int>(text.size()),
                                     SQLITE_TRANSIENT);
        } else if (value.typeId() == QMetaType::Double) {
            code = sqlite3_bind_double(query, index, value.toDouble());
        } else {
            code = sqlite3_bind_int64(query, index, value.toLongLong());
        }
    }
    if (code == SQLITE_OK) {
        const bool wantsSecond = lastSecondColumn != nullptr && sqlite3_column_count(query) > 1;
        while ((code = sqlite3_step(query)) == SQLITE_ROW) {
            keys->append(sqlite3_column_int64(query, 0));
            if (wantsSecond) {
                if (sqlite3_column_type(query, 1) == SQLITE_NULL) {
                    *lastSecondColumn = QVariant();
                } else {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(query, 1));
                    *lastSecondColumn = QString::fromUtf8(text, sqlite3_column_bytes(query, 1));
                }
            }
        }
        if (code == SQLITE_DONE)
            code = SQLITE_OK;
    }
    if (code != SQLITE_OK)
        m_lastErrorText = QString::fromUtf8(sqlite3_errmsg(connection));
    // Finalizing ends the statement's read lock.
    sqlite3_finalize(query);
    return errorNumberForSqliteCode(code);
}
