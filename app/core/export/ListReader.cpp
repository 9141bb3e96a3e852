#include "export/ListReader.h"

#include "database/DatabaseErrors.h"

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
    // One statement for every page: the page's keys come bound as one JSON array, and walking
    // it first (CROSS JOIN keeps it outermost) gives the rows in the list's order, each found by
    // its key. Keys of rows deleted since the count find nothing.
    QString sql = QStringLiteral("SELECT ");
    for (const ListColumn& column : std::as_const(m_columns))
        sql += column.field + QStringLiteral(", ");
    sql.chop(2);
    sql += QStringLiteral(" FROM ") + m_connection.dialect().keyList(QStringLiteral("?")) +
           QStringLiteral(" AS Pagina CROSS JOIN ") + m_statement.from + QStringLiteral(" WHERE ") +
           m_statement.keyColumn + QStringLiteral(" = Pagina.value ORDER BY Pagina.key");
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
    QByteArray keys = "[";
    const int end = std::min(m_next + pageRows, rowCount());
    for (int row = m_next; row < end; ++row) {
        const qint64 key = m_keys.at(row);
        if (m_keys.lastError() != DatabaseError::None)
            return m_keys.lastError();
        keys += QByteArray::number(key);
        keys += ',';
    }
    keys.back() = ']';
    m_query->bindValue(0, QString::fromLatin1(keys));
    if (!m_query->exec())
        return errorNumberFor(m_query->lastError());
    const int columns = static_cast<int>(m_columns.size());
    while (m_query->next()) {
        QStringList texts;
        texts.reserve(columns);
        for (int c = 0; c < columns; ++c)
            texts.append(m_texts.text(m_query->value(c), m_columns.at(c).format));
        rows->append(texts);
    }
    const QSqlError error = m_query->lastError();
    // Finishing ends the page's read lock before anything else happens.
    m_query->finish();
    if (error.type() != QSqlError::NoError)
        return errorNumberFor(error);
    m_next = end;
    return DatabaseError::None;
}
