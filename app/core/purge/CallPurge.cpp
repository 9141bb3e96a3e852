#include "purge/CallPurge.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Batches are sized from the time the earlier ones took, aiming under the lock bound with room
// for a slower batch; the first one is small.
constexpr qint64 firstBatch = 2000;
constexpr qint64 smallestBatch = 100;
constexpr qint64 largestBatch = 200000;
constexpr double targetLockMs = CallPurge::maxLockMs * 0.7;
// Between two batches the lock is left free a moment, so a workstation waiting to log a call
// takes it then rather than after the whole purge.
constexpr unsigned long pauseMs = 4;
constexpr int mostSlices = 8;

QString cutoff(const QDate& corte)
{
    return DateText::startOfDay(corte);
}

// Calls are deleted in key order, a stretch of keys ("slab") at a time. Clients call in no
// order, so any batch of a few thousand calls touches nearly every page of the index on
// Cliente, and writing those pages (journal and file) costs more than the calls themselves.
// Splitting a slab into slices by client keeps each batch's part of that index small, at the
// price of touching the slab's table pages once per slice. The two costs balance, as measured on
// a million calls, at about sqrt(calls in the table / (4 x batch)) slices.
int slicesFor(qint64 callsInTable, qint64 batch)
{
    if (callsInTable <= 0 || batch <= 0)
        return 1;
    const double balanced =
        std::sqrt(static_cast<double>(callsInTable) / (4.0 * static_cast<double>(batch)));
    return std::clamp(static_cast<int>(std::lround(balanced)), 1, mostSlices);
}

struct Range
{
    qint64 low = 0;
    qint64 high = 0; // inclusive
};

// Roughly how many calls the table holds: the span of call keys (it only guides the slices).
int readTableSize(DatabaseConnection& connection, qint64* callsInTable)
{
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT max(IdLlamada) - min(IdLlamada) + 1 FROM Llamadas")) ||
        !query.next())
        return errorNumberFor(query.lastError());
    *callsInTable = query.value(0).toLongLong();
    return DatabaseError::None;
}

// The clients the calls of the slab (after, end] refer to: older calls come from the clients
// of their time, so each slab is split by its own range.
int readClients(DatabaseConnection& connection, qint64 after, qint64 end, Range* clients)
{
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT min(+Cliente), max(+Cliente) FROM Llamadas WHERE "
                                 "IdLlamada > :after AND IdLlamada <= :end"));
    query.bindValue(QStringLiteral(":after"), after);
    query.bindValue(QStringLiteral(":end"), end);
    if (!query.exec() || !query.next())
        return errorNumberFor(query.lastError());
    clients->low = query.value(0).toLongLong();
    clients->high = query.value(1).toLongLong();
    return DatabaseError::None;
}

// The key that ends the slab of the next `calls` calls after `after`, at most `newest`.
int slabEnd(DatabaseConnection& connection, qint64 after, qint64 newest, qint64 calls, qint64* end)
{
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT IdLlamada FROM Llamadas WHERE IdLlamada > :after AND "
                                 "IdLlamada <= :newest ORDER BY IdLlamada LIMIT 1 OFFSET :skip"));
    query.bindValue(QStringLiteral(":after"), after);
    query.bindValue(QStringLiteral(":newest"), newest);
    query.bindValue(QStringLiteral(":skip"), calls - 1);
    if (!query.exec())
        return errorNumberFor(query.lastError());
    *end = query.next() ? query.value(0).toLongLong() : newest;
    return DatabaseError::None;
}
} // namespace

namespace CallPurge {

Count count(const QString& databasePath, const QDate& corte)
{
    Count result;
    DatabaseConnection connection;
    result.error = connection.open(databasePath);
    if (result.error != DatabaseError::None)
        return result;
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    // One statement: the count and the key bound are read under the same short read lock.
    if (!query.prepare(QStringLiteral("SELECT count(*), max(IdLlamada) FROM Llamadas WHERE "
                                      "Llamadas.Fecha < :corte"))) {
        result.error = errorNumberFor(query.lastError());
        return result;
    }
    query.bindValue(QStringLiteral(":corte"), cutoff(corte));
    if (!query.exec() || !query.next()) {
        result.error = errorNumberFor(query.lastError());
        if (result.error == DatabaseError::None)
            result.error = DatabaseError::ReservedError;
        return result;
    }
    result.calls = query.value(0).toLongLong();
    result.newestKey = query.value(1).toLongLong();
    query.finish();
    return result;
}

} // namespace CallPurge

CallPurgeWorker::CallPurgeWorker(QString databasePath, QDate corte, qint64 newestKey)
    : m_databasePath(std::move(databasePath))
    , m_corte(corte)
    , m_newestKey(newestKey)
{}

// The calls of a slice: its keys (after, end], counted (before the day), and its clients
// [low, high) unless it is the slab's rest. By key range only: "+" keeps the client and date
// terms off their indexes.
QString CallPurgeWorker::sliceTerms(const Slice& slice)
{
    QString terms = QStringLiteral("IdLlamada > :after AND IdLlamada <= :end AND "
                                   "+Llamadas.Fecha < :corte");
    if (!slice.rest)
        terms += QStringLiteral(" AND +Llamadas.Cliente >= :low AND +Llamadas.Cliente < :high");
    return terms;
}

void CallPurgeWorker::bindSlice(QSqlQuery& query, const Slice& slice) const
{
    query.bindValue(QStringLiteral(":after"), slice.after);
    query.bindValue(QStringLiteral(":end"), slice.end);
    query.bindValue(QStringLiteral(":corte"), cutoff(m_corte));
    if (!slice.rest) {
        query.bindValue(QStringLiteral(":low"), slice.low);
        query.bindValue(QStringLiteral(":high"), slice.high);
    }
}

// Where the slice's next `calls` calls end (its end when it holds fewer). Read without any lock
// kept: calls may only disappear meanwhile, so the batch holds no more than these.
int CallPurgeWorker::batchEnd(DatabaseConnection& connection, const Slice& slice, qint64 calls,
                              qint64* end) const
{
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT IdLlamada FROM Llamadas WHERE ") + sliceTerms(slice) +
                  QStringLiteral(" ORDER BY IdLlamada LIMIT 1 OFFSET :skip"));
    bindSlice(query, slice);
    query.bindValue(QStringLiteral(":skip"), calls - 1);
    if (!query.exec())
        return errorNumberFor(query.lastError());
    *end = query.next() ? query.value(0).toLongLong() : slice.end;
    return DatabaseError::None;
}

// One batch: the calls of the slice. Returns the error; `removed` the calls deleted.
int CallPurgeWorker::deleteBatch(DatabaseConnection& connection, const Slice& slice,
                                 qint64* removed)
{
    *removed = 0;
    int error = connection.beginWrite();
    if (error != DatabaseError::None)
        return error;
    QSqlQuery query(connection.database());
    // Never a call logged after the count: the slab ends at the newest key counted.
    query.prepare(QStringLiteral("DELETE FROM Llamadas WHERE ") + sliceTerms(slice));
    bindSlice(query, slice);
    if (query.exec())
        *removed = query.numRowsAffected();
    else
        error = errorNumberFor(query.lastError());
    query.finish();
    if (error != DatabaseError::None) {
        // This batch's calls stay; the earlier batches are already committed.
        connection.rollback();
        *removed = 0;
        return error;
    }
    QElapsedTimer committing;
    committing.start();
    error = connection.commit();
    m_timing.commitMs += committing.elapsed();
    if (error != DatabaseError::None)
        *removed = 0;
    return error;
}

void CallPurgeWorker::run()
{
    DatabaseConnection connection;
    m_error = connection.open(m_databasePath);
    qint64 callsInTable = 0;
    if (m_error == DatabaseError::None)
        m_error = readTableSize(connection, &callsInTable);
    qint64 batch = firstBatch;
    qint64 after = 0;
    while (m_error == DatabaseError::None && !m_stopped && after < m_newestKey) {
        const int slices = slicesFor(callsInTable - m_deleted.load(), batch);
        Slice slice;
        slice.after = after;
        m_error = slabEnd(connection, after, m_newestKey, batch * slices, &slice.end);
        Range clients;
        if (m_error == DatabaseError::None && slices > 1)
            m_error = readClients(connection, after, slice.end, &clients);
        // Client keys in equal parts; the last slice takes whatever is left of the slab, so
        // calls without a client, or with keys outside the range read, go too.
        const double width =
            (static_cast<double>(clients.high) - static_cast<double>(clients.low) + 1.0) / slices;
        for (int part = 0; part < slices && m_error == DatabaseError::None; ++part) {
            slice.rest = part == slices - 1;
            slice.low = part == 0 ? std::numeric_limits<qint64>::min()
                                  : clients.low + static_cast<qint64>(width * part);
            slice.high = clients.low + static_cast<qint64>(width * (part + 1));
            // A slice a little over the batch (chance) still goes in one; one far over it
            // (clients unevenly spread) takes several batches.
            Slice left = slice;
            while (m_error == DatabaseError::None && !m_stopped && left.after < slice.end) {
                Slice next = left;
                m_error = batchEnd(connection, left, batch + batch / 8, &next.end);
                if (m_error == DatabaseError::None)
                    timedBatch(connection, next, &batch);
                left.after = next.end;
            }
        }
        after = slice.end;
    }
}

// One batch, timed: the size of the next one follows from it.
void CallPurgeWorker::timedBatch(DatabaseConnection& connection, const Slice& slice, qint64* batch)
{
    QElapsedTimer locked;
    locked.start();
    qint64 removed = 0;
    m_error = deleteBatch(connection, slice, &removed);
    if (m_error != DatabaseError::None)
        return;
    const qint64 ms = std::max<qint64>(locked.elapsed(), 1);
    ++m_timing.batches;
    m_timing.lockedMs += ms;
    m_timing.longestLockMs = std::max(m_timing.longestLockMs, ms);
    m_deleted += removed;
    emit progress(m_deleted.load());
    QThread::msleep(pauseMs);
    // A batch far smaller than planned (the end of a slice, newer calls in the slab) says little
    // about the cost per call; it only shrinks the next one if it was slow.
    qint64 next = *batch;
    if (removed >= *batch / 2)
        next = static_cast<qint64>(targetLockMs * static_cast<double>(removed) /
                                   static_cast<double>(ms));
    else if (static_cast<double>(ms) > targetLockMs)
        next = static_cast<qint64>(static_cast<double>(*batch) * targetLockMs /
                                   static_cast<double>(ms));
    // Grow gently: a batch that was quick by chance must not make the next one too long.
    *batch = std::clamp(std::min(next, *batch * 2), smallestBatch, largestBatch);
}
