#include "ProgramDatabase.h"

#include "database/ServerAddress.h"

#include <QAtomicInt>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

QAtomicInt connectionCount;

template <typename Work>
bool withConnection(const QString& databasePath, bool readOnly, Work work)
{
    const QString name = QStringLiteral("acceptance-probe-") +
                         QString::number(connectionCount.fetchAndAddRelaxed(1));
    bool ok = false;
    {
        QSqlDatabase db;
        if (isServerDatabaseName(databasePath)) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            applyServerAddress(db, ServerAddress::fromDatabaseName(databasePath), 5);
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(databasePath);
            db.setConnectOptions(
                readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000")
                         : QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        }
        if (db.open()) {
            ok = work(db);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

namespace ProgramDatabase {

QVariant scalar(const QString& databasePath, const QString& sql)
{
    QVariant value;
    withConnection(databasePath, true, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (!query.exec(sql) || !query.next())
            return false;
        value = query.value(0);
        return true;
    });
    return value;
}

int count(const QString& databasePath, const QString& sql)
{
    return scalar(databasePath, sql).toInt();
}

int callsOf(const QString& databasePath, const QString& telefono)
{
    return count(databasePath, QStringLiteral("SELECT COUNT(*) FROM Llamadas L JOIN Clientes C ON "
                                              "L.Cliente = C.IdCliente WHERE C.Telefono = '") +
                                   telefono + QLatin1Char('\''));
}

bool execute(const QString& databasePath, const QString& sql)
{
    return withConnection(databasePath, false, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        return query.exec(sql);
    });
}

qint64 addClient(const QString& databasePath, const QString& telefono, const QVariant& nombre,
                 bool alerta, int calls, const QVariant& domicilio, const QVariant& observaciones)
{
    qint64 id = 0;
    withConnection(databasePath, false, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(
            QStringLiteral("INSERT INTO Clientes (Nombre, Domicilio, Observaciones, "
                           "Telefono, Alerta, CantLlamadas, FIngreso) "
                           "VALUES (?, ?, ?, ?, ?, ?, '2023-03-01') RETURNING IdCliente"));
        query.addBindValue(nombre);
        query.addBindValue(domicilio);
        query.addBindValue(observaciones);
        query.addBindValue(telefono);
        query.addBindValue(alerta ? 1 : 0);
        query.addBindValue(calls);
        if (!query.exec() || !query.next())
            return false;
        const qint64 key = query.value(0).toLongLong();
        for (int i = 0; i < calls; ++i) {
            QSqlQuery call(db);
            call.prepare(QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) "
                                        "VALUES (?, ?, 1)"));
            call.addBindValue(key);
            call.addBindValue(QString(QDate(2023, 3, 1).addDays(i).toString(Qt::ISODate) +
                                      QStringLiteral(" 10:00:00")));
            if (!call.exec())
                return false;
        }
        id = key;
        return true;
    });
    return id;
}

} // namespace ProgramDatabase
