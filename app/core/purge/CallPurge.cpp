#include "purge/CallPurge.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>

namespace {
// The first batch is small; later ones are sized from the time the earlier ones took, aiming
// under the lock bound with room for a slower batch. Large batches matter: each one rewrites
// much of the index on Cliente, whatever its size.
constexpr qint64 firstBatch = 2000;
constexpr qint64 smallestBatch = 100;
constexpr qint64 largestBatch = 200000;
constexpr double targetLockMs = CallPurge::maxLockMs * 0.7;
// Between two batches the lock is left free a moment, so a workstation waiting to log a call
// takes it then rather than after the whole purge.
constexpr unsigned long pauseMs = 4;

QString cutoff(const QDate& corte)
{
    return DateText::startOfDay(corte);
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

void CallPurgeWorker::run()
{
    DatabaseConnection connection;
    m_error = connection.open(m_databasePath);
    qint64 batch = firstBatch;
    while (m_error == DatabaseError::None) {
        QElapsedTimer locked;
        locked.start();
        m_error = connection.beginWrite();
        if (m_error != DatabaseError::None)
            break;
        QSqlQuery query(connection.database());
        // Oldest first through the index on Fecha; never a call logged after the count.
        query.prepare(QStringLiteral(
            "DELETE FROM Llamadas WHERE IdLlamada IN (SELECT IdLlamada FROM Llamadas WHERE "
            "Llamadas.Fecha < :corte AND Llamadas.IdLlamada <= :newest LIMIT :batch)"));
        query.bindValue(QStringLiteral(":corte"), cutoff(m_corte));
        query.bindValue(QStringLiteral(":newest"), m_newestKey);
        query.bindValue(QStringLiteral(":batch"), batch);
        qint64 removed = 0;
        if (!query.exec()) {
            m_error = errorNumberFor(query.lastError());
        } else {
            removed = query.numRowsAffected();
        }
        query.finish();
        if (m_error != DatabaseError::None) {
            // This batch's calls stay; the earlier batches are already committed.
            connection.rollback();
            break;
        }
        m_error = connection.commit();
        if (m_error != DatabaseError::None)
            break;
        const qint64 ms = std::max<qint64>(locked.elapsed(), 1);
        m_longestLockMs = std::max(m_longestLockMs, ms);
        m_deleted += removed;
        emit progress(m_deleted.load());
        if (removed < batch)
            break;
        QThread::msleep(pauseMs);
        const double perRowMs = static_cast<double>(ms) / static_cast<double>(removed);
        const auto next = static_cast<qint64>(targetLockMs / perRowMs);
        // Grow gently: a batch that was quick by chance must not make the next one too long.
        batch = std::clamp(std::min(next, batch * 2), smallestBatch, largestBatch);
    }
    emit finished();
}
