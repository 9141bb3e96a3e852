#include "AdminFixture.h"

#include "PostgresServer.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"

#include <QSqlQuery>

Office::Office(PostgresServer* server)
{
    m_path = server != nullptr ? server->freshProgramDatabase()
                               : TestEnvironment::copyEmptyDatabase(m_environment.programFolder());
}

qint64 Office::client(const QString& nombre, const QString& telefono, int cantLlamadas, bool alerta)
{
    return exec(
        QStringLiteral(
            "INSERT INTO Clientes (Nombre, Domicilio, Telefono, Alerta, "
            "CantLlamadas, FIngreso) VALUES (?, ?, ?, ?, ?, '2024-03-01') RETURNING IdCliente"),
        {nombre, QString(QStringLiteral("Calle ") + telefono), telefono, alerta ? 1 : 0,
         cantLlamadas});
}

qint64 Office::call(qint64 cliente, const QDateTime& fecha, int puesto)
{
    return exec(QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) VALUES (?, ?, ?) "
                               "RETURNING IdLlamada"),
                {cliente, DateText::storedDateTime(fecha), puesto});
}

bool Office::oldCalls(qint64 cliente, int count, const QDate& day)
{
    DatabaseConnection connection;
    if (connection.open(m_path) != DatabaseError::None ||
        connection.beginWrite() != DatabaseError::None)
        return false;
    QSqlQuery insert(connection.database());
    insert.prepare(
        QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) VALUES (?, ?, 2)"));
    for (int i = 0; i < count; ++i) {
        insert.addBindValue(cliente);
        insert.addBindValue(DateText::storedDateTime(QDateTime(day, QTime(8, 0)).addSecs(i)));
        if (!insert.exec())
            return false;
    }
    insert.finish();
    return connection.commit() == DatabaseError::None;
}

qint64 Office::scalar(const QString& sql)
{
    DatabaseConnection connection;
    if (connection.open(m_path, DatabaseConnection::Access::ReadOnly) != DatabaseError::None)
        return -1;
    QSqlQuery query(connection.database());
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
}

qint64 Office::exec(const QString& sql, const QVariantList& values)
{
    DatabaseConnection connection;
    if (connection.open(m_path) != DatabaseError::None)
        return 0;
    QSqlQuery query(connection.database());
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return 0;
    return query.next() ? query.value(0).toLongLong() : query.numRowsAffected();
}
