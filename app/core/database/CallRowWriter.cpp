#include "database/CallRowWriter.h"

#include "database/DatabaseErrors.h"

#include <QSqlError>

namespace {
int failure(const QSqlQuery& query)
{
    const int number = errorNumberFor(query.lastError());
    return number == DatabaseError::None ? DatabaseError::ReservedError : number;
}
} // namespace

CallRowWriter::CallRowWriter(const QSqlDatabase& database)
    : m_insert(database)
    , m_readBack(database)
{
    m_readBack.setForwardOnly(true);
    if (!m_insert.prepare(
            QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) VALUES (?, ?, ?) "
                           "RETURNING IdLlamada")))
        m_prepareError = failure(m_insert);
    else if (!m_readBack.prepare(
                 QStringLiteral("SELECT Cliente, Fecha, Puesto FROM Llamadas WHERE IdLlamada = ?")))
        m_prepareError = failure(m_readBack);
}

int CallRowWriter::append(qint64 cliente, const QString& fecha, qint16 puesto)
{
    if (m_prepareError != DatabaseError::None)
        return m_prepareError;
    m_insert.bindValue(0, cliente);
    m_insert.bindValue(1, fecha);
    m_insert.bindValue(2, puesto);
    if (!m_insert.exec())
        return failure(m_insert);
    const qint64 key = m_insert.next() ? m_insert.value(0).toLongLong() : 0;
    m_insert.finish();

    // A seek on the key, inside the same transaction: cheap, and it reads the page just written.
    m_readBack.bindValue(0, key);
    if (!m_readBack.exec())
        return failure(m_readBack);
    const bool found = m_readBack.next();
    const bool same = found && m_readBack.value(0).toLongLong() == cliente &&
                      m_readBack.value(1).toString() == fecha &&
                      m_readBack.value(2).toLongLong() == puesto;
    const bool more = found && m_readBack.next();
    const int error = m_readBack.lastError().type() == QSqlError::NoError ? DatabaseError::None
                                                                          : failure(m_readBack);
    m_readBack.finish();
    if (error != DatabaseError::None)
        return error;
    return same && !more ? DatabaseError::None : DatabaseError::NotADatabase;
}
