// Outbox benchmark, run by hand:  bench_outbox [calls] [runs]
// In a temporary folder, on a file of 1,000 clients:
//  - keeping one call in the outbox (appended and synced): median in microseconds;
//  - delivering an outbox of `calls` calls (default 2,000; one in ten a new number): calls per
//    second, median of `runs` runs (default 5);
//  - meanwhile another workstation logs a call every 10 ms: its longest and median wait for the
//    file's write lock.
#include "LargeDatabase.h"
#include "Median.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "outbox/OutboxDelivery.h"
#include "outbox/OutboxFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace {

constexpr int Clients = 1000;

// A fresh file of Clients clients and no calls, replacing the last run's.
bool makeDatabase(const QString& path)
{
    QFile::remove(path);
    return LargeDatabase::build(path, Clients, 0);
}

// Another workstation: one call's write every 10 ms, timing how long it waits for the lock.
class LiveWorkstation : public QThread
{
public:
    explicit LiveWorkstation(QString path)
        : m_path(std::move(path))
    {}
    std::atomic_bool stop{false};
    QList<double> waitsMs;
    int failures = 0;

protected:
    void run() override
    {
        DatabaseConnection connection;
        if (connection.open(m_path) != DatabaseError::None)
            return;
        while (!stop) {
            QElapsedTimer waited;
            waited.start();
            int error = connection.beginWrite();
            waitsMs.append(double(waited.nsecsElapsed()) / 1e6);
            if (error == DatabaseError::None)
                error = connection.execute({QStringLiteral("live"),
                                            QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, "
                                                           "Puesto) VALUES (1, '2024-01-01 "
                                                           "00:00:00', 9)"),
                                            {}});
            if (error == DatabaseError::None)
                error = connection.commit();
            else
                connection.rollback();
            failures += error == DatabaseError::None ? 0 : 1;
            QThread::msleep(10);
        }
    }

private:
    QString m_path;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int calls = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;
    const int runs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    QTemporaryDir folder;
    const QString db = folder.filePath(QStringLiteral("Llamora.mdb"));
    OutboxFile outbox(folder.filePath(QStringLiteral("bench.pendientes")));
    const QDateTime start(QDate(2024, 3, 5), QTime(8, 0, 0));

    QList<double> appendUs;
    QList<double> rates;
    QList<double> longestWaits;
    QList<double> medianWaits;
    int liveFailures = 0;
    for (int run = 0; run < runs; ++run) {
        if (!makeDatabase(db)) {
            std::fprintf(stderr, "cannot build the database\n");
            return 1;
        }
        for (int i = 0; i < calls; ++i) {
            const QString number = i % 10 == 0
                                       ? QStringLiteral("35%1").arg(i, 8, 10, QLatin1Char('0'))
                                       : LargeDatabase::telefonoFor((i * 7919) % Clients);
            QElapsedTimer kept;
            kept.start();
            if (!outbox.append({number, start.addSecs(i), 1}))
                return 1;
            if (i < 200)
                appendUs.append(double(kept.nsecsElapsed()) / 1e3);
        }
        LiveWorkstation live(db);
        live.start();
        QElapsedTimer timer;
        timer.start();
        const DeliveryReport report = deliverOutbox(outbox, db);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        live.stop = true;
        live.wait();
        if (report.error != 0 || report.delivered != calls) {
            std::fprintf(stderr, "delivery failed: error %d, %d delivered\n", report.error,
                         report.delivered);
            return 1;
        }
        rates.append(calls / seconds);
        longestWaits.append(*std::max_element(live.waitsMs.cbegin(), live.waitsMs.cend()));
        medianWaits.append(median(live.waitsMs));
        liveFailures += live.failures;
    }
    std::printf("Keeping one call in the outbox (synced): median %.0f us\n", median(appendUs));
    std::printf("Delivering %d calls: median %.0f calls/s over %d runs (min %.0f, max %.0f)\n",
                calls, median(rates), runs, *std::min_element(rates.cbegin(), rates.cend()),
                *std::max_element(rates.cbegin(), rates.cend()));
    std::printf("Another workstation's wait for the write lock meanwhile: median %.1f ms, "
                "longest %.1f ms (median of the runs' longest), %d calls failed\n",
                median(medianWaits), median(longestWaits), liveFailures);
    return 0;
}
