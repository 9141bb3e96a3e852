#include "statistics/CallStatistics.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "statistics/CallScan.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
constexpr int topCount = 10;

// The calls of the range and the workstation, as a condition on Llamadas.
QString callsCondition(int puesto)
{
    return puesto == 0 ? QStringLiteral("Fecha >= :desde AND Fecha <= :hasta")
                       : QStringLiteral("Puesto = :puesto AND Fecha >= :desde AND Fecha <= :hasta");
}

class Reader
{
public:
    Reader(DatabaseConnection& connection, int puesto)
        : m_connection(connection)
        , m_puesto(puesto)
    {}

    [[nodiscard]] SqlDialect dialect() const { return m_connection.dialect(); }

    // Runs sql with the values and hands each row to take; the query is read to its end.
    template <typename Take>
    int rows(const QString& sql, const QVariantMap& values, Take take)
    {
        QSqlQuery query(m_connection.database());
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            return errorNumberFor(query.lastError());
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            query.bindValue(it.key(), it.value());
        if (m_puesto != 0 && sql.contains(QStringLiteral(":puesto")))
            query.bindValue(QStringLiteral(":puesto"), m_puesto);
        if (!query.exec())
            return errorNumberFor(query.lastError());
        while (query.next())
            take(query);
        const QSqlError error = query.lastError();
        query.finish();
        return error.type() == QSqlError::NoError ? DatabaseError::None : errorNumberFor(error);
    }

private:
    DatabaseConnection& m_connection;
    int m_puesto;
};

// The calls of every hour from the first to the last of the range, each counted on the index
// (Fecha, or Puesto and Fecha): no sorting of the calls, which a GROUP BY over a million of
// them would need.
int readHours(Reader& reader, int puesto, const QString& firstHour, const QString& lastHour,
              CallStatistics* statistics)
{
    const QString sql =
        QStringLiteral("WITH RECURSIVE Horas(Hora) AS (SELECT CAST(:primera AS text) UNION ALL "
                       "SELECT ") +
        reader.dialect().nextHour(QStringLiteral("Hora")) +
        QStringLiteral(" FROM Horas WHERE Hora < :ultima) "
                       "SELECT Hora, (SELECT count(*) FROM Llamadas WHERE ") +
        QString(callsCondition(puesto))
            .replace(QStringLiteral(":desde"), QStringLiteral("Hora || ':00:00'"))
            .replace(QStringLiteral(":hasta"), QStringLiteral("Hora || ':59:59'")) +
        QStringLiteral(") FROM Horas");
    return reader.rows(
        sql, {{QStringLiteral(":primera"), firstHour}, {QStringLiteral(":ultima"), lastHour}},
        [statistics, dayText = QString()](const QSqlQuery& row) mutable {
            const QString hour = row.value(0).toString();
            const qint64 calls = row.value(1).toLongLong();
            // Twenty-four hours of one day come one after the other.
            if (dayText != QStringView(hour).left(10)) {
                dayText = hour.left(10);
                statistics->days.append(DateText::dateFromStored(dayText));
                statistics->callsPerDay.append(0);
            }
            statistics->callsPerDay.last() += calls;
            statistics->byHour.at(hour.mid(11, 2).toInt() % 24) += calls;
            statistics->byWeekday.at(statistics->days.constLast().dayOfWeek() - 1) += calls;
            statistics->total += calls;
        });
}

// The figures counted by the engine (the server), one grouped query each.
void countInGroups(Reader& reader, int puesto, const QVariantMap& range, const QString& first,
                   const QString& last, CallStatistics* result)
{
    CallStatistics& statistics = *result;
    statistics.error = readHours(reader, puesto, first.left(13), last.left(13), &statistics);
    if (statistics.error != DatabaseError::None)
        return;

    // Each workstation that ever logged a call (found by walking the index), then its calls.
    statistics.error = reader.rows(
        QStringLiteral("WITH RECURSIVE Puestos(Puesto) AS (SELECT min(Puesto) FROM Llamadas "
                       "UNION ALL SELECT (SELECT min(Llamadas.Puesto) FROM Llamadas WHERE "
                       "Llamadas.Puesto > Puestos.Puesto) FROM Puestos WHERE Puestos.Puesto IS "
                       "NOT NULL) "
                       "SELECT P.Puesto, (SELECT count(*) FROM Llamadas WHERE Llamadas.Puesto = "
                       "P.Puesto AND Fecha >= :desde AND Fecha <= :hasta) FROM Puestos AS P "
                       "WHERE P.Puesto IS NOT NULL") +
            (puesto == 0 ? QString() : QStringLiteral(" AND P.Puesto = :puesto")),
        range, [&statistics](const QSqlQuery& row) {
            if (const qint64 calls = row.value(1).toLongLong(); calls > 0)
                statistics.perWorkstation.insert(row.value(0).toInt(), calls);
        });
    if (statistics.error != DatabaseError::None)
        return;

    // Each client's calls in the range, grouped by the server (which hashes them).
    const QString perClient = QStringLiteral("SELECT Cliente, count(*) AS Cantidad FROM Llamadas "
                                             "WHERE ") +
                              callsCondition(puesto) + QStringLiteral(" GROUP BY Cliente");
    statistics.error = reader.rows(
        QStringLiteral("SELECT Clientes.IdCliente, Clientes.Nombre, Clientes.Telefono, G.Cantidad "
                       "FROM (") +
            perClient +
            QStringLiteral(
                ") AS G INNER JOIN Clientes ON Clientes.IdCliente = G.Cliente WHERE G.Cantidad > 0 "
                "ORDER BY G.Cantidad DESC, Clientes.Nombre, Clientes.IdCliente LIMIT ") +
            QString::number(topCount),
        range, [&statistics](const QSqlQuery& row) {
            statistics.topClients.append({row.value(0).toLongLong(), row.value(1).toString(),
                                          row.value(2).toString(), row.value(3).toLongLong()});
        });
}

} // namespace

CallStatistics CallStatistics::read(const QString& databasePath, const QDate& desde,
                                    const QDate& hasta, int puesto)
{
    CallStatistics statistics;
    DatabaseConnection connection;
    statistics.error = connection.open(databasePath, DatabaseConnection::Access::ReadOnly);
    if (statistics.error != DatabaseError::None)
        return statistics;
    Reader reader(connection, puesto);
    const QVariantMap range = {{QStringLiteral(":desde"), DateText::startOfDay(desde)},
                               {QStringLiteral(":hasta"), DateText::endOfDay(hasta)}};

    // The first and the last call of the range bound the hours counted; each is found at its
    // end of the index (min and max in one select would walk the whole range).
    QString first;
    QString last;
    statistics.error =
        reader.rows(QStringLiteral("SELECT (SELECT min(Fecha) FROM Llamadas WHERE %1), "
                                   "(SELECT max(Fecha) FROM Llamadas WHERE %1)")
                        .arg(callsCondition(puesto)),
                    range, [&](const QSqlQuery& row) {
                        first = row.value(0).toString();
                        last = row.value(1).toString();
                    });
    if (statistics.error != DatabaseError::None || first.isEmpty())
        return statistics;
    if (connection.dialect().groupsBySorting())
        statistics.error =
            scanCalls(databasePath, connection, puesto, range, first, last, &statistics);
    else
        countInGroups(reader, puesto, range, first, last, &statistics);
    return statistics;
}
