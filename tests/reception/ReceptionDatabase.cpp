#include "ReceptionDatabase.h"

#include "TestEnvironment.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace {

// Runs fn on a fresh connection to path, then drops the connection.
template <typename Fn>
auto withConnection(const QString& path, Fn fn)
{
    const QString name = QStringLiteral("reception-test-") + QUuid::createUuid().toString();
    decltype(fn(std::declval<QSqlDatabase&>())) result{};
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        db.setDatabaseName(QStringLiteral("file:") + path + QStringLiteral("?mode=rw"));
        if (db.open())
            result = fn(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace

ReceptionDatabase::ReceptionDatabase(const QString& folder)
    : m_folder(folder)
    , m_path(TestEnvironment::copyEmptyDatabase(folder))
{}

bool ReceptionDatabase::exists() const
{
    return QFile::exists(m_path);
}

QList<QVariantList> ReceptionDatabase::rows(const QString& sql) const
{
    return withConnection(m_path, [&](QSqlDatabase& db) {
        QList<QVariantList> result;
        QSqlQuery query(db);
        if (!query.exec(sql))
            qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < query.record().count(); ++i)
                row.append(query.value(i));
            result.append(row);
        }
        return result;
    });
}

qint64 ReceptionDatabase::scalar(const QString& sql) const
{
    const QList<QVariantList> result = rows(sql);
    return result.isEmpty() ? -1 : result.constFirst().value(0).toLongLong();
}

bool ReceptionDatabase::execute(const QString& sql) const
{
    return withConnection(m_path, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        const bool ok = query.exec(sql);
        if (!ok)
            qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        return ok;
    });
}

qint64 ReceptionDatabase::addClient(const QString& telefono, const QVariant& nombre,
                                    const QVariant& domicilio, const QVariant& observaciones,
                                    bool alerta, int earlierCalls)
{
    return withConnection(m_path, [&](QSqlDatabase& db) -> qint64 {
        QSqlQuery query(db);
        query.prepare(QStringLiteral(
            "INSERT INTO Clientes (Nombre, Domicilio, Telefono, Observaciones, Alerta, "
            "CantLlamadas, FIngreso) VALUES (?, ?, ?, ?, ?, ?, '2023-01-10')"));
        query.addBindValue(nombre);
        query.addBindValue(domicilio);
        query.addBindValue(telefono);
        query.addBindValue(observaciones);
        query.addBindValue(alerta ? 1 : 0);
        query.addBindValue(earlierCalls);
        if (!query.exec())
            return 0;
        const qint64 key = query.lastInsertId().toLongLong();
        for (int i = 0; i < earlierCalls; ++i) {
            QSqlQuery call(db);
            call.prepare(
                QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) VALUES (?, ?, 1)"));
            call.addBindValue(key);
            call.addBindValue(QStringLiteral("2023-02-%1 10:00:00").arg(i + 10));
            if (!call.exec())
                return 0;
        }
        return key;
    });
}
