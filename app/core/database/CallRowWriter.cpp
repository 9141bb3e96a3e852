#include "database/CallRowWriter.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"

#include <QSqlError>

namespace {
int failure(const QSqlQuery& query)
{
    const int number = errorNumberFor(query.lastError());
    return number == DatabaseError::None ? DatabaseError::ReservedError : number;
}
} // namespace

CallRowWriter::CallRowWriter(DatabaseConnection& connection)
    : m_insert(connection.preparedQuery(
          QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) VALUES (?, ?, ?) "
                         "RETURNING IdLlamada"),
          &m_prepareError))
{
    if (m_insert)
        m_readBack = connection.preparedQuery(
            QStringLiteral("SELECT Cliente, Fecha, Puesto FROM Llamadas WHERE IdLlamada = ?"),
            &m_prepareError);
}

int CallRowWriter::append(qint64 cliente, const QString& fecha, qint16 puesto)
{
    if (!m_insert || !m_readBack)
        return m_prepareError == DatabaseError::None ? DatabaseError::ReservedError
                                                     : m_prepareError;
    QSqlQuery& insert = *m_insert;
    insert.bindValue(0, cliente);
    insert.bindValue(1, fecha);
    insert.bindValue(2, puesto);
    if (!insert.exec())
        return failure(insert);
    const qint64 key = insert.next() ? insert.value(0).toLongLong() : 0;
    insert.finish();

    // A seek on the key, inside the same transaction: cheap, and it reads the page just written.
    QSqlQuery& readBack = *m_readBack;
    readBack.bindValue(0, key);
    if (!readBack.exec())
        return failure(readBack);
    const bool found = readBack.next();
    const bool same = found && readBack.value(0).toLongLong() == cliente &&
                      readBack.value(1).toString() == fecha &&
                      readBack.value(2).toLongLong() == puesto;
    const bool more = found && readBack.next();
    const int error =
        readBack.lastError().type() == QSqlError::NoError ? DatabaseError::None : failure(readBack);
    readBack.finish();
    if (error != DatabaseError::None)
        return error;
    return same && !more ? DatabaseError::None : DatabaseError::NotADatabase;
}
