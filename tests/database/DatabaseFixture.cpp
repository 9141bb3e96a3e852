#include "DatabaseFixture.h"

#include "PostgresServer.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/RowOperations.h"
#include "database/ServerAddress.h"
#include "database/Statements.h"

#include <QSqlDatabase>
#include <QSqlQuery>

DatabaseFixture::DatabaseFixture(PostgresServer* server)
    : m_environment(std::make_unique<TestEnvironment>())
{
    m_databasePath = server != nullptr
                         ? server->freshProgramDatabase()
                         : TestEnvironment::copyEmptyDatabase(m_environment->programFolder());
}

qint64 DatabaseFixture::addClient(const QString& telefono, const QString& nombre,
                                  const QString& domicilio)
{
    DataControl control;
    if (attach(control, Statements::clientByTelephone(telefono)) != DatabaseError::None)
        return 0;
    qint64 id = 0;
    ClientDetails details;
    details.Nombre = nombre;
    details.Domicilio = domicilio;
    if (::addClient(control, telefono, QDate(2024, 1, 15), details, &id) != DatabaseError::None)
        return 0;
    return id;
}

bool DatabaseFixture::addCall(qint64 cliente, const QDateTime& fecha, qint16 puesto)
{
    return appendCall(m_databasePath, cliente, fecha, puesto) == DatabaseError::None;
}

int DatabaseFixture::attach(DataControl& control, const Statement& statement) const
{
    control.setDatabaseName(m_databasePath);
    control.setRecordSource(statement);
    return control.refresh();
}

qint64 DatabaseFixture::scalarIn(const QString& databasePath, const QString& sql)
{
    const QString name = QStringLiteral("fixture-scalar");
    qint64 value = -1;
    {
        const bool onServer = isServerDatabaseName(databasePath);
        QSqlDatabase db = QSqlDatabase::addDatabase(
            onServer ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
        if (onServer)
            applyServerAddress(db, ServerAddress::fromDatabaseName(databasePath), 5);
        else
            db.setDatabaseName(databasePath);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(sql) && query.next())
                value = query.value(0).toLongLong();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}
