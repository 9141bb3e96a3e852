#pragma once

#include "database/SqlDialect.h"
#include "database/Statements.h"

#include <QByteArrayView>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>

#include <functional>
#include <memory>

class PresenceMark;
struct BusyWait;
struct ServerAddress;

// One row handed over by DatabaseConnection::readRows, valid only until its callback returns.
class StoredRow
{
public:
    virtual ~StoredRow() = default;
    [[nodiscard]] virtual bool isNull(int column) const = 0;
    [[nodiscard]] virtual qint64 number(int column) const = 0;
    // The cell as the file stores it, in UTF-8 (a number as its digits).
    [[nodiscard]] virtual QByteArrayView text(int column) const = 0;
};

// One shared connection to the database: the file in the shared folder, or the office's server
// when the name given is a server's (ServerAddress::toDatabaseName()). With the file it never
// creates it (URI mode=rw or ro) and uses the rollback journal. Either way a write waits for
// another workstation's write at most busyTimeout() before it fails with 3260. Writes go inside
// beginWrite() ... commit(), which takes the database's one write lock at once (BEGIN IMMEDIATE
// on the file, a transaction lock on the server): keep that span short and never show a dialog
// inside it. Everything that differs between the two engines is in this class.
class DatabaseConnection
{
public:
    enum class Access
    {
        ReadWrite,
        ReadOnly,
    };

    using Engine = SqlDialect::Engine;

    // How long a write waits for another workstation's write before reporting 3260.
    static constexpr int defaultBusyTimeoutMs = 2000;

    DatabaseConnection();
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;

    // 0 or an engine error number (3024, 3044, 3343, ...). markPresence = false for a probe
    // that closes at once. While the file is being compacted or repaired the open waits at most
    // busyTimeoutMs, then fails with 3196 or 3356 (the file is in use).
    // A server that cannot be reached gives 3044, a database that is not there 3024, a user or
    // password refused 3051, a database without the program's tables 3343.
    int open(const QString& filePath, Access access = Access::ReadWrite,
             int busyTimeoutMs = defaultBusyTimeoutMs, bool markPresence = true);
    int open(const ServerAddress& server, Access access = Access::ReadWrite,
             int busyTimeoutMs = defaultBusyTimeoutMs);
    void close();
    [[nodiscard]] bool isOpen() const;
    // The file's path, or the server's database name.
    [[nodiscard]] QString filePath() const { return m_filePath; }
    [[nodiscard]] Engine engine() const { return m_engine; }
    [[nodiscard]] SqlDialect dialect() const { return SqlDialect(m_engine); }
    [[nodiscard]] Access access() const { return m_access; }
    [[nodiscard]] int busyTimeout() const { return m_busyTimeoutMs; }
    [[nodiscard]] int schemaVersion() const { return m_schemaVersion; }
    [[nodiscard]] QSqlDatabase database() const;

    // Write transaction: BEGIN IMMEDIATE; 3260 when the lock stays taken past the busy timeout.
    int beginWrite();
    int commit();
    void rollback();
    [[nodiscard]] bool inWrite() const { return m_inWrite; }

    // Runs a command (S10 and the like); affectedRows receives the count of rows it touched.
    int execute(const Command& command, int* affectedRows = nullptr);
    // Runs a statement and reads it to the end (no read lock stays behind).
    int readAll(const Statement& statement, QList<QVariantList>* rows,
                QStringList* columnNames = nullptr);

    // The keys of a statement's rows, in order, read to the end (lists of a million rows: this
    // skips QtSql's per-row work).
    int readKeys(const Statement& statement, QList<qint64>* keys);
    // The same for a query whose first column is a key: appends the keys, and gives the second
    // column of the last row when asked.
    int readKeys(const QString& sql, const QVariantMap& values, QList<qint64>* keys,
                 QVariant* lastSecondColumn = nullptr);
    // Runs a query and hands each row to take as stored, read to the end: a page of a long list
    // without QtSql's per-row copies.
    int readRows(const QString& sql, const QVariantMap& values,
                 const std::function<void(const StoredRow& row)>& take);
    // A query giving one number (a count, a key), read to the end.
    int readNumber(const QString& sql, const QVariantMap& values, qint64* number);

    // A query prepared for sql (forward only), or null with the engine error in *error. On the
    // server, where each statement prepared anew costs three round trips (PREPARE, EXECUTE,
    // DEALLOCATE), the connection keeps its queries and hands each out again once nobody holds
    // it. The file's are prepared anew each time, at no trip, so that no statement of the file
    // stays open between uses. Bind every value at each use, and finish() the query.
    [[nodiscard]] std::shared_ptr<QSqlQuery> preparedQuery(const QString& sql, int* error);

    // The column names of a query as the program spells them (the server gives them in lower
    // case).
    [[nodiscard]] static QStringList columnNamesOf(const QSqlRecord& record);

    // Text of the last engine error, for diagnostics.
    [[nodiscard]] QString lastErrorText() const { return m_lastErrorText; }

private:
    int fail(const QSqlError& error);
    int openAndCheck(const QString& uri, int busyTimeoutMs);
    [[nodiscard]] static QString newConnectionName();
    int readRowsFromFile(const QString& sql, const QVariantMap& values,
                         const std::function<void(const StoredRow& row)>& take);

    QString m_connectionName;
    QString m_filePath;
    Access m_access = Access::ReadWrite;
    Engine m_engine = Engine::File;
    int m_busyTimeoutMs = defaultBusyTimeoutMs;
    int m_schemaVersion = 0;
    bool m_inWrite = false;
    QString m_lastErrorText;
    int m_lastNativeCode = 0; // SQLite's extended result code behind the last error
    std::unique_ptr<PresenceMark> m_presence;
    std::unique_ptr<BusyWait> m_busyWait;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_preparedQueries; // the server's only
};
