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

namespace {
// Batches are sized from the time the earlier ones held the lock, aiming under the bound with
// room for a slower batch; the first one is small.
constexpr qint64 firstBatch = 2000;
constexpr qint64 smallestBatch = 100;
constexpr qint64 largestBatch = 50000;
constexpr double targetLockMs = CallPurge::maxLockMs * 0.8;
// Between two batches the lock is left free a moment, so a workstation waiting to log a call
// takes it then rather than after the whole purge.
constexpr unsigned long pauseMs = 4;
constexpr int mostSlices = 8;
// The keys of a slab are read in one short read: never more than these.
constexpr qint64 largestSlab = 200000;
// Times a batch waits a busy timeout for the lock before the purge gives up.
constexpr int lockAttempts = 5;

QString cutoff(const QDate& corte)
{
    return DateText::startOfDay(corte);
}

// Clients call in no order, so a batch of calls in key order touches nearly every page of the
// index on Cliente, and writing those pages (journal and file) costs more than the calls
// themselves. A slab of calls is therefore split into slices by client, each deleted in its own
// batches: a batch then touches a part of that index only, at the price of touching more of
// the slab's table pages. The two costs balance, as measured on a million calls, at about
// sqrt(calls in the table / (4 x batch)) slices.
int slicesFor(qint64 callsInTable, qint64 batch)
{
    if (callsInTable <= 0 || batch <= 0)
        return 1;
    const double balanced =
        std::sqrt(static_cast<double>(callsInTable) / (4.0 * static_cast<double>(batch)));
    return std::clamp(static_cast<int>(std::lround(balanced)), 1, mostSlices);
}

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

// The keys as the engine's JSON array, bound as one value.
QString jsonArray(QList<CallPurgeWorker::Call>::const_iterator first,
                  QList<CallPurgeWorker::Call>::const_iterator last)
{
    QString text = QStringLiteral("[");
    for (auto it = first; it != last; ++it) {
        if (it != first)
            text += QLatin1Char(',');
        text += QString::number(it->key);
    }
    return text + QLatin1Char(']');
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

// The counted calls among the next `calls` keys after `after`, with their clients, in one read
// with no lock kept; *end is the last key read. Calls may only disappear meanwhile (none with
// a key up to the newest counted is ever added), and the delete checks them again.
int CallPurgeWorker::readSlab(DatabaseConnection& connection, qint64 after, qint64 calls,
                              QList<Call>* slab, qint64* end) const
{
    slab->clear();
    *end = m_newestKey;
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    // Never a call logged after the count: the slab ends at the newest key counted.
    query.prepare(QStringLiteral("SELECT IdLlamada, Cliente, Fecha < :corte FROM Llamadas WHERE "
                                 "IdLlamada > :after AND IdLlamada <= :newest ORDER BY IdLlamada "
                                 "LIMIT :calls"));
    query.bindValue(QStringLiteral(":corte"), cutoff(m_corte));
    query.bindValue(QStringLiteral(":after"), after);
    query.bindValue(QStringLiteral(":newest"), m_newestKey);
    query.bindValue(QStringLiteral(":calls"), calls);
    if (!query.exec())
        return errorNumberFor(query.lastError());
    qint64 read = 0;
    qint64 last = after;
    while (query.next()) {
        ++read;
        last = query.value(0).toLongLong();
        if (query.value(2).toBool())
            slab->append(Call{last, query.value(1).toLongLong()});
    }
    const QSqlError error = query.lastError();
    query.finish();
    if (error.type() != QSqlError::NoError)
        return errorNumberFor(error);
    if (read == calls)
        *end = last;
    return DatabaseError::None;
}

// One batch: exactly these calls, still before the day. Returns the error; `removed` the calls
// deleted, `locked` started when the lock was taken.
int CallPurgeWorker::deleteBatch(DatabaseConnection& connection, const QString& calls,
                                 const QVariantMap& values, qint64* removed, QElapsedTimer* locked)
{
    *removed = 0;
    // Another workstation holding the lock past the busy timeout (a slow disk) is waited for
    // again: nothing of this batch is done yet.
    int error = connection.beginWrite();
    for (int attempt = 1; error == DatabaseError::RowLocked && attempt < lockAttempts && !m_stopped;
         ++attempt)
        error = connection.beginWrite();
    if (error != DatabaseError::None)
        return error;
    *locked = QElapsedTimer();
    locked->start();
    QSqlQuery query(connection.database());
    query.prepare(QStringLiteral("DELETE FROM Llamadas WHERE ") + calls +
                  QStringLiteral(" AND IdLlamada <= :newest AND ") +
                  connection.dialect().unindexed(QStringLiteral("Llamadas.Fecha")) +
                  QStringLiteral(" < :corte"));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        query.bindValue(it.key(), it.value());
    query.bindValue(QStringLiteral(":newest"), m_newestKey);
    query.bindValue(QStringLiteral(":corte"), cutoff(m_corte));
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
    m_lastCommitMs = committing.elapsed();
    m_timing.commitMs += m_lastCommitMs;
    if (error != DatabaseError::None)
        *removed = 0;
    return error;
}

void CallPurgeWorker::run()
{
    DatabaseConnection connection;
    m_error = connection.open(m_databasePath);
    if (m_error != DatabaseError::None)
        return;
    if (connection.dialect().deleteTouchesIndexes())
        deleteBySlabs(connection);
    else
        deleteByKeyRanges(connection);
}

// Where a delete takes each row out of every index at once (the file), the calls are read
// slab by slab and deleted grouped by client.
void CallPurgeWorker::deleteBySlabs(DatabaseConnection& connection)
{
    qint64 callsInTable = 0;
    m_error = readTableSize(connection, &callsInTable);
    const QString listed = QStringLiteral("IdLlamada IN (SELECT value FROM ") +
                           connection.dialect().keyList(QStringLiteral(":keys")) +
                           QStringLiteral(" AS Lista)");
    qint64 batch = firstBatch;
    qint64 after = 0;
    QList<Call> slab;
    while (m_error == DatabaseError::None && !m_stopped && after < m_newestKey) {
        const int slices = slicesFor(callsInTable - m_deleted.load(), batch);
        qint64 end = 0;
        m_error = readSlab(connection, after, std::min(batch * slices, largestSlab), &slab, &end);
        // By client, then by key: each batch takes the next run of calls in that order, so it
        // touches one part of the index on Cliente, and its own rows in key order.
        std::sort(slab.begin(), slab.end(), [](const Call& a, const Call& b) {
            return a.cliente != b.cliente ? a.cliente < b.cliente : a.key < b.key;
        });
        for (auto first = slab.cbegin();
             m_error == DatabaseError::None && !m_stopped && first != slab.cend();) {
            const auto last = first + std::min<qint64>(batch, slab.cend() - first);
            QList<Call> keys(first, last);
            std::sort(keys.begin(), keys.end(),
                      [](const Call& a, const Call& b) { return a.key < b.key; });
            timedBatch(connection, listed,
                       {{QStringLiteral(":keys"), jsonArray(keys.cbegin(), keys.cend())}},
                       keys.size(), &batch);
            first = last;
        }
        after = end;
    }
}

// Where deleted rows leave their index entries to a later vacuum (the server), a run of keys
// costs the same whatever its clients: the calls are deleted run by run of keys, with no reading
// of them first.
void CallPurgeWorker::deleteByKeyRanges(DatabaseConnection& connection)
{
    qint64 after = 0;
    m_error = connection.readNumber(QStringLiteral("SELECT coalesce(min(IdLlamada), 1) - 1 FROM "
                                                   "Llamadas"),
                                    {}, &after);
    const QString ranged = QStringLiteral("IdLlamada > :after AND IdLlamada <= :upto");
    qint64 batch = firstBatch;
    while (m_error == DatabaseError::None && !m_stopped && after < m_newestKey) {
        const qint64 upto = std::min(after + batch, m_newestKey);
        timedBatch(connection, ranged,
                   {{QStringLiteral(":after"), after}, {QStringLiteral(":upto"), upto}},
                   upto - after, &batch);
        after = upto;
    }
}

// One batch, timed: the size of the next one follows from it.
void CallPurgeWorker::timedBatch(DatabaseConnection& connection, const QString& calls,
                                 const QVariantMap& values, qint64 covered, qint64* batch)
{
    QElapsedTimer locked;
    qint64 removed = 0;
    m_error = deleteBatch(connection, calls, values, &removed, &locked);
    if (m_error != DatabaseError::None)
        return;
    const qint64 ms = std::max<qint64>(locked.elapsed(), 1);
    ++m_timing.batches;
    m_timing.lockedMs += ms;
    m_timing.longestLockMs = std::max(m_timing.longestLockMs, ms);
    m_deleted += removed;
    emit progress(m_deleted.load());
    QThread::msleep(pauseMs);
    // The lock's time is the disk's syncs at COMMIT, whatever the batch, plus the deleting,
    // which grows with it: the next batch gets what the syncs leave of the target. A batch far
    // smaller than planned (the end of a slab) says little about the cost per call; it only
    // shrinks the next one if it was slow.
    const double syncs = std::min(static_cast<double>(m_lastCommitMs), targetLockMs / 2);
    const double perCall = std::max(static_cast<double>(ms) - syncs, 1.0) /
                           static_cast<double>(std::max<qint64>(covered, 1));
    qint64 next = *batch;
    if (covered >= *batch / 2)
        next = static_cast<qint64>((targetLockMs - syncs) / perCall);
    else if (static_cast<double>(ms) > targetLockMs)
        next = static_cast<qint64>(static_cast<double>(*batch) * targetLockMs /
                                   static_cast<double>(ms));
    // Grow gently: a batch that was quick by chance must not make the next one too long.
    *batch = std::clamp(std::min(next, *batch * 2), smallestBatch, largestBatch);
}
