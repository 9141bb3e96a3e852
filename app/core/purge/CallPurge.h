#pragma once

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>

class DatabaseConnection;
class QElapsedTimer;

// The purge of calls older than a day, in steps that never hold the file's write lock while the
// user decides, nor for long at a time, so other workstations keep logging calls meanwhile.
//
//  1. count(): how many calls lie before the day, read without any lock kept, with the newest
//     call key among them.
//  2. The user is asked with that number.
//  3. CallPurgeWorker::run(): deletes exactly those calls (none newer than the key seen at the
//     count), in batches that each hold the write lock for about maxLockMs at most. Each
//     stretch of keys is read once, without a lock kept, and each batch then deletes its own
//     calls by key, so the lock is held for the deleting alone.
namespace CallPurge {

struct Count
{
    int error = 0;
    qint64 calls = 0;
    qint64 newestKey = 0; // the highest IdLlamada among them
};

// Reads the count on a connection of its own, opened and closed here.
[[nodiscard]] Count count(const QString& databasePath, const QDate& corte);

// How long one batch may hold the write lock.
inline constexpr int maxLockMs = 100;

} // namespace CallPurge

// Deletes the counted calls on a connection of its own; meant to run on a worker thread (the
// connection is opened in run(), on the thread that calls it).
class CallPurgeWorker : public QObject
{
    Q_OBJECT

public:
    CallPurgeWorker(QString databasePath, QDate corte, qint64 newestKey);

    [[nodiscard]] qint64 deleted() const { return m_deleted.load(); }
    [[nodiscard]] int error() const { return m_error; }
    // Asks run() to end after the batch under way (from any thread).
    void stop() { m_stopped = true; }
    [[nodiscard]] bool isStopped() const { return m_stopped.load(); }
    // Where the time went, for the benchmark.
    struct Timing
    {
        int batches = 0;
        qint64 longestLockMs = 0; // the longest time one batch held the write lock
        qint64 lockedMs = 0;      // all batches, from the lock taken to the end of COMMIT
        qint64 commitMs = 0;      // COMMIT alone (the disk's syncs)
    };
    [[nodiscard]] const Timing& timing() const { return m_timing; }

    // A call to go, with its client.
    struct Call
    {
        qint64 key = 0;
        qint64 cliente = 0;
    };

public slots:
    void run();

signals:
    void progress(qint64 deletedSoFar);

private:
    int readSlab(DatabaseConnection& connection, qint64 after, qint64 calls, QList<Call>* slab,
                 qint64* end) const;
    // The batch's calls are those of Llamadas meeting `calls`, which binds `values`.
    int deleteBatch(DatabaseConnection& connection, const QString& calls, const QVariantMap& values,
                    qint64* removed, QElapsedTimer* locked);
    // `covered` is how many calls the batch stood for, which sizes the next one.
    void timedBatch(DatabaseConnection& connection, const QString& calls, const QVariantMap& values,
                    qint64 covered, qint64* batch);
    void deleteBySlabs(DatabaseConnection& connection);
    void deleteByKeyRanges(DatabaseConnection& connection);

    QString m_databasePath;
    QDate m_corte;
    qint64 m_newestKey = 0;
    std::atomic<qint64> m_deleted{0};
    std::atomic<bool> m_stopped{false};
    int m_error = 0;
    Timing m_timing;
    qint64 m_lastCommitMs = 0;
};
