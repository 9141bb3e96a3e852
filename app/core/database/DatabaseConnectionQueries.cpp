#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/SqliteHooks.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <sqlite3.h>

// The connection's commands and reads.

namespace {
// Enough for every statement a workstation repeats; past it the oldest are let go.
constexpr qsizetype keptQueries = 64;

void bindAll(QSqlQuery& query, const QVariantMap& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        query.bindValue(it.key(), it.value());
}
} // namespace

std::shared_ptr<QSqlQuery> DatabaseConnection::preparedQuery(const QString& sql, int* error)
{
    *error = DatabaseError::None;
    if (!isOpen()) {
        *error = DatabaseError::FileNotFound;
        return nullptr;
    }
    const bool keep = m_engine == Engine::Server;
    if (keep) {
        if (const auto it = m_preparedQueries.constFind(sql);
            it != m_preparedQueries.cend() && it->use_count() == 1)
            return *it;
    }
    auto query = std::make_shared<QSqlQuery>(database());
    query->setForwardOnly(true);
    if (!query->prepare(sql)) {
        *error = fail(query->lastError());
        return nullptr;
    }
    if (keep && !m_preparedQueries.contains(sql)) {
        if (m_preparedQueries.size() >= keptQueries)
            m_preparedQueries.clear();
        m_preparedQueries.insert(sql, query);
    }
    return query;
}

int DatabaseConnection::execute(const Command& command, int* affectedRows)
{
    if (affectedRows != nullptr)
        *affectedRows = 0;
    int prepareError = DatabaseError::None;
    const std::shared_ptr<QSqlQuery> prepared = preparedQuery(command.sql, &prepareError);
    if (!prepared)
        return prepareError;
    QSqlQuery& query = *prepared;
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
    if (columnNames != nullptr)
        *columnNames = columnNamesOf(record);
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

int DatabaseConnection::readKeys(const QString& sql, const QVariantMap& values, QList<qint64>* keys,
                                 QVariant* lastSecondColumn)
{
    if (lastSecondColumn != nullptr)
        *lastSecondColumn = QVariant();
    // The second column is copied as bytes into one buffer, and made a text only for the last row.
    bool lastNull = true;
    QByteArray last;
    const int error = readRows(sql, values, [&](const StoredRow& row) {
        keys->append(row.number(0));
        if (lastSecondColumn == nullptr)
            return;
        lastNull = row.isNull(1);
        const QByteArrayView text = row.text(1);
        last.resize(text.size());
        std::copy(text.begin(), text.end(), last.begin());
    });
    if (lastSecondColumn != nullptr && !lastNull)
        *lastSecondColumn = QString::fromUtf8(last);
    return error;
}

namespace {
class SqliteRow : public StoredRow
{
public:
    explicit SqliteRow(sqlite3_stmt* query)
        : m_query(query)
        , m_columns(sqlite3_column_count(query))
    {}
    bool isNull(int column) const override
    {
        return column >= m_columns || sqlite3_column_type(m_query, column) == SQLITE_NULL;
    }
    qint64 number(int column) const override
    {
        return column < m_columns ? sqlite3_column_int64(m_query, column) : 0;
    }
    QByteArrayView text(int column) const override
    {
        if (column >= m_columns)
            return {};
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_query, column));
        return {text, sqlite3_column_bytes(m_query, column)};
    }

private:
    sqlite3_stmt* m_query;
    int m_columns;
};

// A row of the server's driver: its texts are made once per cell asked for.
class QueryRow : public StoredRow
{
public:
    explicit QueryRow(const QSqlQuery& query)
        : m_query(query)
        , m_texts(query.record().count())
    {}
    bool isNull(int column) const override
    {
        return column >= m_texts.size() || m_query.isNull(column);
    }
    qint64 number(int column) const override
    {
        return column < m_texts.size() ? m_query.value(column).toLongLong() : 0;
    }
    QByteArrayView text(int column) const override
    {
        if (column >= m_texts.size())
            return {};
        m_texts[column] = m_query.value(column).toString().toUtf8();
        return m_texts.at(column);
    }

private:
    const QSqlQuery& m_query;
    mutable QList<QByteArray> m_texts;
};
} // namespace

int DatabaseConnection::readRows(const QString& sqlText, const QVariantMap& values,
                                 const std::function<void(const StoredRow& row)>& take)
{
    if (!isOpen())
        return DatabaseError::FileNotFound;
    if (m_engine == Engine::File)
        return readRowsFromFile(sqlText, values, take);
    int prepareError = DatabaseError::None;
    const std::shared_ptr<QSqlQuery> prepared = preparedQuery(sqlText, &prepareError);
    if (!prepared)
        return prepareError;
    QSqlQuery& query = *prepared;
    bindAll(query, values);
    if (!query.exec())
        return fail(query.lastError());
    const QueryRow row(query);
    while (query.next())
        take(row);
    const QSqlError error = query.lastError();
    query.finish();
    return error.type() == QSqlError::NoError ? DatabaseError::None : fail(error);
}

int DatabaseConnection::readRowsFromFile(const QString& sqlText, const QVariantMap& values,
                                         const std::function<void(const StoredRow& row)>& take)
{
    sqlite3* connection = sqliteHandle(database());
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
        const SqliteRow row(query);
        while ((code = sqlite3_step(query)) == SQLITE_ROW)
            take(row);
        if (code == SQLITE_DONE)
            code = SQLITE_OK;
    }
    if (code != SQLITE_OK)
        m_lastErrorText = QString::fromUtf8(sqlite3_errmsg(connection));
    // Finalizing ends the statement's read lock.
    sqlite3_finalize(query);
    return errorNumberForSqliteCode(code);
}
