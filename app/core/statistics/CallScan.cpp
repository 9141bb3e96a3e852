#include "statistics/CallScan.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "statistics/CallTally.h"

#include <QThread>

#include <algorithm>
#include <limits>
#include <memory>

namespace {
constexpr int topCount = 10;

// A range with at least this share of the calls is read from the whole table, its rows in the
// order they are stored: cheaper than looking up each from the index on Fecha.
constexpr double wholeTableShare = 0.3;

struct ScanPlan
{
    bool wholeTable = false;
    qint64 firstKey = 0; // the table's first and last keys
    qint64 lastKey = 0;
};

// Calls are logged in date order, nearly always, so the keys of the range's first and last
// calls tell roughly what share of the table it holds. A guess only chooses how to read.
int planScan(DatabaseConnection& connection, int puesto, const QVariantMap& range, ScanPlan* plan)
{
    if (puesto != 0)
        return DatabaseError::None; // one workstation's calls come from its own index
    qint64 rangeSpan = 0;
    const int error = connection.readRows(
        QStringLiteral("SELECT (SELECT min(IdLlamada) FROM Llamadas), (SELECT max(IdLlamada) "
                       "FROM Llamadas), (SELECT IdLlamada FROM Llamadas WHERE Fecha >= :desde "
                       "AND Fecha <= :hasta ORDER BY Fecha LIMIT 1), (SELECT IdLlamada FROM "
                       "Llamadas WHERE Fecha >= :desde AND Fecha <= :hasta ORDER BY Fecha DESC "
                       "LIMIT 1)"),
        range, [&](const StoredRow& row) {
            plan->firstKey = row.number(0);
            plan->lastKey = row.number(1);
            rangeSpan = std::abs(row.number(3) - row.number(2)) + 1;
        });
    const qint64 tableSpan = plan->lastKey - plan->firstKey + 1;
    plan->wholeTable = tableSpan > 0 && static_cast<double>(rangeSpan) >=
                                            wholeTableShare * static_cast<double>(tableSpan);
    return error;
}

QString scanSql(int puesto, bool wholeTable)
{
    if (!wholeTable) {
        return puesto == 0 ? QStringLiteral("SELECT Fecha, Puesto, Cliente FROM Llamadas WHERE "
                                            "Fecha >= :desde AND Fecha <= :hasta")
                           : QStringLiteral("SELECT Fecha, Puesto, Cliente FROM Llamadas WHERE "
                                            "Puesto = :puesto AND Fecha >= :desde AND Fecha <= "
                                            ":hasta");
    }
    // The table read in key order; the tally leaves out the calls of days outside the range.
    return QStringLiteral("SELECT Fecha, Puesto, Cliente FROM Llamadas WHERE IdLlamada >= :de "
                          "AND IdLlamada <= :a");
}

int countInto(DatabaseConnection& connection, const QString& sql, const QVariantMap& values,
              CallTally* tally)
{
    return connection.readRows(sql, values, [tally](const StoredRow& row) {
        tally->add(row.text(0), static_cast<int>(row.number(1)), row.number(2));
    });
}

// The ten clients still on file with most calls, looked up from the most called down: each
// lookup takes in every client tied with its last, so those not looked up have fewer calls.
int readTopClients(DatabaseConnection& connection,
                   const std::vector<std::pair<qint64, qint64>>& clientsByCalls,
                   QList<CallStatistics::ClientCalls>* top)
{
    const QString sql = QStringLiteral("SELECT Clientes.IdCliente, Clientes.Nombre, "
                                       "Clientes.Telefono FROM ") +
                        connection.dialect().keyList(QStringLiteral(":claves")) +
                        QStringLiteral(" AS Claves INNER JOIN Clientes ON Clientes.IdCliente = "
                                       "Claves.value");
    QHash<qint64, qint64> callsOf;
    size_t next = 0;
    while (next < clientsByCalls.size() && top->size() < topCount) {
        size_t end = std::min(clientsByCalls.size(), next + topCount);
        while (end < clientsByCalls.size() &&
               clientsByCalls[end].second == clientsByCalls[end - 1].second)
            ++end;
        QByteArray keys = "[";
        for (size_t i = next; i < end; ++i) {
            keys += QByteArray::number(clientsByCalls[i].first) + ',';
            callsOf.insert(clientsByCalls[i].first, clientsByCalls[i].second);
        }
        keys.back() = ']';
        const int error = connection.readRows(
            sql, {{QStringLiteral(":claves"), QString::fromLatin1(keys)}},
            [&](const StoredRow& row) {
                const qint64 id = row.number(0);
                top->append({id, QString::fromUtf8(row.text(1)), QString::fromUtf8(row.text(2)),
                             callsOf.value(id)});
            });
        if (error != DatabaseError::None)
            return error;
        next = end;
    }
    // Most calls first, then by name as the engine orders text (byte by byte), then by key.
    std::sort(top->begin(), top->end(), [](const auto& a, const auto& b) {
        if (a.calls != b.calls)
            return a.calls > b.calls;
        if (const int byName = a.nombre.toUtf8().compare(b.nombre.toUtf8()); byName != 0)
            return byName < 0;
        return a.idCliente < b.idCliente;
    });
    if (top->size() > topCount)
        top->resize(topCount);
    return DatabaseError::None;
}
} // namespace

int scanCalls(const QString& databasePath, DatabaseConnection& connection, int puesto,
              const QVariantMap& range, const QString& first, const QString& last,
              CallStatistics* statistics)
{
    ScanPlan plan;
    if (const int error = planScan(connection, puesto, range, &plan); error != DatabaseError::None)
        return error;
    const QDate firstDay = DateText::dateFromStored(first.left(10));
    const QDate lastDay = DateText::dateFromStored(last.left(10));
    const QString sql = scanSql(puesto, plan.wholeTable);
    CallTally tally(firstDay, lastDay);
    QVariantMap values = range;
    values.insert(QStringLiteral(":puesto"), puesto);
    if (!plan.wholeTable) {
        if (const int error = countInto(connection, sql, values, &tally);
            error != DatabaseError::None)
            return error;
    } else {
        // The upper half of the keys on a second connection and thread, at the same time.
        const qint64 middle = plan.firstKey + (plan.lastKey - plan.firstKey) / 2;
        CallTally upperTally(firstDay, lastDay);
        int upperError = DatabaseError::None;
        QVariantMap upper = values;
        upper.insert(QStringLiteral(":de"), middle + 1);
        // Calls logged since the plan fall in the upper half too.
        upper.insert(QStringLiteral(":a"), std::numeric_limits<qint64>::max());
        const std::unique_ptr<QThread> thread(QThread::create([&] {
            DatabaseConnection own;
            upperError = own.open(databasePath, DatabaseConnection::Access::ReadOnly);
            if (upperError == DatabaseError::None)
                upperError = countInto(own, sql, upper, &upperTally);
        }));
        thread->start();
        values.insert(QStringLiteral(":de"), plan.firstKey);
        values.insert(QStringLiteral(":a"), middle);
        const int error = countInto(connection, sql, values, &tally);
        thread->wait();
        if (error != DatabaseError::None)
            return error;
        if (upperError != DatabaseError::None)
            return upperError;
        tally.merge(upperTally);
    }
    tally.fill(statistics);
    return readTopClients(connection, tally.clientsByCalls(), &statistics->topClients);
}
