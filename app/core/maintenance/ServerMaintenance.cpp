#include "maintenance/ServerMaintenance.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"

#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

namespace {
void report(const MaintenanceProgress& progress, const QString& stage, int perMille)
{
    if (progress)
        progress(stage, perMille);
}

MaintenanceResult failed(int error, const QString& detail, const QString& what)
{
    MaintenanceResult result;
    result.error = error == DatabaseError::None ? DatabaseError::ReservedError : error;
    result.detail = detail;
    result.message = {what + QStringLiteral(" Comunique a la asistencia técnica el error: ") +
                          QString::number(result.error),
                      MessageIcon::Critical, MessageButtons::Ok};
    return result;
}

QString number(qint64 n)
{
    return QLocale(QLocale::Spanish, QLocale::Spain).toString(n);
}

// Reads every row of a table in key order, a slice at a time so that no read lasts long.
// *rows receives how many were read; the server checks each page and row as it reads them.
int readEveryRow(DatabaseConnection& connection, const QString& table, const QString& key,
                 qint64* rows, const std::function<void(qint64)>& readSoFar)
{
    constexpr int slice = 20000;
    *rows = 0;
    qint64 after = 0;
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT * FROM %1 WHERE %2 > ? ORDER BY %2 LIMIT %3")
                           .arg(table, key)
                           .arg(slice)))
        return errorNumberFor(query.lastError());
    for (;;) {
        query.bindValue(0, after);
        if (!query.exec())
            return errorNumberFor(query.lastError());
        int read = 0;
        while (query.next()) {
            after = query.value(0).toLongLong();
            ++read;
        }
        if (query.lastError().type() != QSqlError::NoError)
            return errorNumberFor(query.lastError());
        query.finish();
        *rows += read;
        readSoFar(*rows);
        if (read < slice)
            return DatabaseError::None;
    }
}

qint64 numberOf(DatabaseConnection& connection, const QString& sql, int* error)
{
    qint64 value = 0;
    if (*error == DatabaseError::None)
        *error = connection.readNumber(sql, {}, &value);
    return value;
}
} // namespace

MaintenanceResult compactServerDatabase(const QString& databaseName,
                                        const MaintenanceProgress& progress)
{
    const QString what = QStringLiteral("No se pudo compactar la base de datos del servidor.");
    DatabaseConnection connection;
    if (const int error = connection.open(databaseName); error != DatabaseError::None)
        return failed(error, connection.lastErrorText(), what);
    const QStringList tables = {QStringLiteral("Clientes"), QStringLiteral("Llamadas")};
    for (int i = 0; i < tables.size(); ++i) {
        report(progress, QStringLiteral("Compactando ") + tables.at(i), i * 1000 / tables.size());
        QSqlQuery query(connection.database());
        // VACUUM runs outside any transaction, as the driver's plain statements do.
        if (!query.exec(QStringLiteral("VACUUM (ANALYZE) ") + tables.at(i)))
            return failed(errorNumberFor(query.lastError()), query.lastError().text(), what);
    }
    report(progress, QStringLiteral("Compactada"), 1000);
    MaintenanceResult result;
    result.succeeded = true;
    result.message = {QStringLiteral("La Base de Datos ha sido compactada: el servidor recuperó el "
                                     "espacio de las filas borradas y actualizó sus estadísticas."),
                      MessageIcon::Information, MessageButtons::Ok};
    return result;
}

MaintenanceResult checkServerDatabase(const QString& databaseName,
                                      const MaintenanceProgress& progress)
{
    const QString what =
        QStringLiteral("No se pudieron leer todas las filas de la base de datos del servidor.");
    DatabaseConnection connection;
    if (const int error = connection.open(databaseName, DatabaseConnection::Access::ReadOnly);
        error != DatabaseError::None)
        return failed(error, connection.lastErrorText(), what);
    int error = DatabaseError::None;
    const qint64 expectedClients =
        numberOf(connection, QStringLiteral("SELECT count(*) FROM Clientes"), &error);
    const qint64 expectedCalls =
        numberOf(connection, QStringLiteral("SELECT count(*) FROM Llamadas"), &error);
    if (error != DatabaseError::None)
        return failed(error, connection.lastErrorText(), what);
    const qint64 all = std::max<qint64>(1, expectedClients + expectedCalls);
    qint64 clients = 0;
    qint64 calls = 0;
    error = readEveryRow(connection, QStringLiteral("Clientes"), QStringLiteral("IdCliente"),
                         &clients, [&](qint64 read) {
                             report(progress, QStringLiteral("Leyendo los clientes"),
                                    static_cast<int>(read * 1000 / all));
                         });
    if (error == DatabaseError::None)
        error = readEveryRow(connection, QStringLiteral("Llamadas"), QStringLiteral("IdLlamada"),
                             &calls, [&](qint64 read) {
                                 report(progress, QStringLiteral("Leyendo las llamadas"),
                                        static_cast<int>((clients + read) * 1000 / all));
                             });
    // What no engine counts as damage but the program would: counts that differ from the calls
    // kept, and calls whose client is gone (deleting a client leaves its calls, so these are
    // told, not changed).
    const qint64 wrongCounts =
        numberOf(connection,
                 QStringLiteral(
                     "SELECT count(*) FROM Clientes C WHERE coalesce(C.CantLlamadas, 0) < (SELECT "
                     "count(*) FROM Llamadas L WHERE L.Cliente = C.IdCliente)"),
                 &error);
    if (error != DatabaseError::None)
        return failed(error, connection.lastErrorText(), what);
    report(progress, QStringLiteral("Leída"), 1000);

    MaintenanceResult result;
    result.succeeded = true;
    QString text =
        QStringLiteral("Se leyeron %1 clientes y %2 llamadas del servidor sin errores. El "
                       "servidor cuida sus propios archivos: no hubo nada que reparar y no se "
                       "cambió ningún dato.")
            .arg(number(clients), number(calls));
    if (wrongCounts > 0)
        text += QStringLiteral(" %1 clientes tienen menos llamadas contadas que registradas.")
                    .arg(number(wrongCounts));
    result.message = {text, MessageIcon::Information, MessageButtons::Ok};
    return result;
}
