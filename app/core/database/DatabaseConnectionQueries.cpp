#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/SqliteHooks.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

// The connection's commands and reads.

namespace {
void bindAll(QSqlQuery& query, const QVariantMap& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        query.bindValue(it.key(), it.value());
}
} // namespace

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

int DatabaseConnection::readKeys(const QString& sqlText, const QVariantMap& values,
                                 QList<qint64>* keys, QVariant* lastSecondColumn)
{
    if (lastSecondColumn != nullptr)
        *lastSecondColumn = QVariant();
    if (!isOpen())
        return DatabaseError::FileNotFound;
    if (m_engine == Engine::File)
        return readKeysFromFile(sqlText, values, keys, lastSecondColumn);
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(sqlText))
        return fail(query.lastError());
    bindAll(query, values);
    if (!query.exec())
        return fail(query.lastError());
    const bool wantsSecond = lastSecondColumn != nullptr && query.record().count() > 1;
    while (query.next()) {
        keys->append(query.value(0).toLongLong());
        if (wantsSecond)
            *lastSecondColumn = query.value(1);
    }
    const QSqlError error = query.lastError();
    query.finish();
    return error.type() == QSqlError::NoError ? DatabaseError::None : fail(error);
}

int DatabaseConnection::readKeysFromFile(const QString& sqlText, const QVariantMap& values,
                                         QList<qint64>* keys, QVariant* lastSecondColumn)
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
