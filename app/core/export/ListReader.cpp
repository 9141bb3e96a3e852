#include "export/ListReader.h"

#include "database/DatabaseErrors.h"

#include <QHash>
#include <QSqlError>

ListReader::ListReader(Statement statement, QList<ListColumn> columns)
    : m_statement(std::move(statement))
    , m_columns(std::move(columns))
{}

ListReader::~ListReader()
{
    m_query.reset();
    m_connection.close();
}

int ListReader::open(const QString& databasePath)
{
    m_next = 0;
    m_keys.clear();
    if (!m_statement.isValid())
        return DatabaseError::None;
    if (const int error = m_connection.open(databasePath, DatabaseConnection::Access::ReadOnly);
        error != DatabaseError::None)
        return error;
    if (const int error = m_keys.reset(m_statement); error != DatabaseError::None)
        return error;
    return m_keys.countRows();
}

int ListReader::prepare()
{
    // One statement for every page: a short last page is filled with key 0, which no row has.
    QString sql = QStringLiteral("SELECT ") + m_statement.keyColumn;
    for (const ListColumn& column : std::as_const(m_columns))
        sql += QStringLiteral(", ") + column.field;
    sql += QStringLiteral(" FROM ") + m_statement.from + QStringLiteral(" WHERE ") +
           m_statement.keyColumn + QStringLiteral(" IN (?") +
           QStringLiteral(",?").repeated(pageRows - 1) + QLatin1Char(')');
    m_query = std::make_unique<QSqlQuery>(m_connection.database());
    m_query->setForwardOnly(true);
    if (!m_query->prepare(sql))
        return errorNumberFor(m_query->lastError());
    return DatabaseError::None;
}

int ListReader::readPage(QList<QStringList>* rows)
{
    if (atEnd())
        return DatabaseError::None;
    if (!m_query) {
        if (const int error = prepare(); error != DatabaseError::None)
            return error;
    }
    QList<qint64> keys;
    keys.reserve(pageRows);
    const int end = std::min(m_next + pageRows, rowCount());
    for (int row = m_next; row < end; ++row) {
        keys.append(m_keys.at(row));
        if (m_keys.lastError() != DatabaseError::None)
            return m_keys.lastError();
    }
    for (int i = 0; i < pageRows; ++i)
        m_query->bindValue(i, i < keys.size() ? keys.at(i) : 0);
    if (!m_query->exec())
        return errorNumberFor(m_query->lastError());
    const int columns = static_cast<int>(m_columns.size());
    QHash<qint64, QStringList> found;
    found.reserve(pageRows);
    while (m_query->next()) {
        QStringList texts;
        texts.reserve(columns);
        for (int c = 0; c < columns; ++c)
            texts.append(m_texts.text(m_query->value(c + 1), m_columns.at(c).format));
        found.insert(m_query->value(0).toLongLong(), texts);
    }
    const QSqlError error = m_query->lastError();
    // Finishing ends the page's read lock before anything else happens.
    m_query->finish();
    if (error.type() != QSqlError::NoError)
        return errorNumberFor(error);
    // In the list's order; rows deleted by others since the count (key 0 or not found) go.
    for (const qint64 key : std::as_const(keys)) {
        const auto it = found.constFind(key);
        if (key != 0 && it != found.cend())
            rows->append(*it);
    }
    m_next = end;
    return DatabaseError::None;
}
