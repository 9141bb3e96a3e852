#include "export/ListReader.h"

#include "database/DatabaseErrors.h"

#include <algorithm>

ListReader::ListReader(Statement statement, QList<ListColumn> columns)
    : m_statement(std::move(statement))
    , m_columns(std::move(columns))
{}

ListReader::~ListReader()
{
    m_connection.close();
}

int ListReader::open(const QString& databasePath)
{
    m_next = 0;
    m_nullPhase = false;
    m_anchor = KeySet::Anchor();
    m_keys.clear();
    m_atEnd = true;
    if (!m_statement.isValid())
        return DatabaseError::None;
    if (const int error = m_connection.open(databasePath, DatabaseConnection::Access::ReadOnly);
        error != DatabaseError::None)
        return error;
    if (const int error = m_keys.reset(m_statement); error != DatabaseError::None)
        return error;
    int error = m_keys.countRows();
    // The clients after the newest call counted: every call counted finds its client.
    if (error == DatabaseError::None && m_statement.callsWithClients)
        error = m_clients.read(m_connection, m_columns, m_texts);
    m_atEnd = error != DatabaseError::None || m_keys.isEmpty();
    return error;
}

int ListReader::readPage(const CellSink& cell)
{
    if (m_atEnd)
        return DatabaseError::None;
    return m_statement.readInChunks ? readInOrder(cell) : readByKeys(cell);
}

int ListReader::readPage(QList<QStringList>* rows)
{
    QStringList row;
    const auto last = static_cast<int>(m_columns.size()) - 1;
    return readPage([&](int column, QByteArrayView text) {
        row.append(QString::fromUtf8(text));
        if (column == last) {
            rows->append(row);
            row.clear();
        }
    });
}

QString ListReader::selectList() const
{
    QString sql = QStringLiteral("SELECT ");
    for (int c = 0; c < m_columns.size(); ++c)
        sql += (m_clients.isClientColumn(c) ? QStringLiteral("NULL") : m_columns.at(c).field) +
               QStringLiteral(", ");
    sql.chop(2);
    return sql;
}

int ListReader::readRows(const QString& sql, const QVariantMap& values, const CellSink& cell,
                         const std::function<void(const StoredRow& row)>& after)
{
    const int columns = static_cast<int>(m_columns.size());
    const bool withClients = m_statement.readInChunks && m_statement.callsWithClients;
    return m_connection.readRows(sql, values, [&](const StoredRow& row) {
        if (after)
            after(row);
        const int client = withClients ? m_clients.rowOf(row.number(columns + 2)) : -1;
        if (withClients && client < 0)
            return; // a call whose client was not on file, which the list leaves out
        for (int c = 0; c < columns; ++c)
            cell(c, client >= 0 && m_clients.isClientColumn(c)
                        ? m_clients.text(client, c)
                        : m_texts.text(row, c, m_columns.at(c).format));
    });
}

int ListReader::readByKeys(const CellSink& cell)
{
    // The page's keys come bound as one JSON array, and walking it first (CROSS JOIN keeps it
    // outermost) gives the rows in the list's order, each found by its key. Keys of rows
    // deleted since the count find nothing.
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
    const QString sql = selectList() + QStringLiteral(" FROM ") +
                        m_connection.dialect().keyList(QStringLiteral(":llamora_keys")) +
                        QStringLiteral(" AS Pagina CROSS JOIN ") + m_statement.from +
                        QStringLiteral(" WHERE ") + m_statement.keyColumn +
                        QStringLiteral(" = Pagina.value ORDER BY Pagina.key");
    const int error =
        readRows(sql, {{QStringLiteral(":llamora_keys"), QString::fromLatin1(keys)}}, cell);
    if (error != DatabaseError::None)
        return error;
    m_next = end;
    m_atEnd = m_next >= rowCount();
    return DatabaseError::None;
}

int ListReader::readInOrder(const CellSink& cell)
{
    // Each page starts just after the last row of the one before, on the index that gives the
    // list's order: no list of keys, no row read twice. The calls with a date come first, then
    // those without one.
    int rows = 0;
    while (rows < pageRows && !m_atEnd) {
        const KeySet::PhaseQuery query =
            KeySet::phaseQuery(m_statement, m_keys.newestKey(), true, m_nullPhase, m_anchor);
        const int limit = pageRows - rows;
        // A call beside its client reads the call alone; the client's cells are at hand.
        const QString sql =
            selectList() + QStringLiteral(", Llamadas.IdLlamada, Llamadas.Fecha") +
            (m_statement.callsWithClients ? QStringLiteral(", Llamadas.Cliente FROM Llamadas")
                                          : QStringLiteral(" FROM ") + m_statement.from) +
            QStringLiteral(" WHERE ") + query.where + QStringLiteral(" ORDER BY ") + query.order +
            QStringLiteral(" LIMIT ") + QString::number(limit);
        const int keyColumn = static_cast<int>(m_columns.size());
        int read = 0;
        qint64 lastKey = 0;
        QByteArray lastFecha;
        const int error = readRows(sql, query.values, cell, [&](const StoredRow& row) {
            ++read;
            lastKey = row.number(keyColumn);
            const QByteArrayView fecha = row.text(keyColumn + 1);
            lastFecha.resize(fecha.size());
            std::copy(fecha.begin(), fecha.end(), lastFecha.begin());
        });
        if (error != DatabaseError::None)
            return error;
        rows += read;
        if (read > 0)
            m_anchor = KeySet::Anchor{true, m_nullPhase, QString::fromUtf8(lastFecha), lastKey};
        if (read < limit) {
            // This phase is done.
            m_atEnd = m_nullPhase;
            m_nullPhase = true;
            m_anchor = KeySet::Anchor();
        }
    }
    return DatabaseError::None;
}
