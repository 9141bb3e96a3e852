// Migration benchmark, run by hand:  bench_migration
// Builds a file of 100,000 clients and 1,000,000 calls, starts a PostgreSQL server of its own
// and measures, median of three runs, llamora-servidor copying the file into a fresh database
// (tables created beforehand): the whole run of the tool, as a technician would see it.
#include "LargeDatabase.h"
#include "Median.h"
#include "PostgresServer.h"
#include "ServerTool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {
constexpr int clients = 100000;
constexpr int calls = 1000000;
constexpr int rounds = 3;
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("Llamora.mdb"));
    if (!LargeDatabase::build(file, clients, calls)) {
        std::fprintf(stderr, "could not build %s\n", qPrintable(file));
        return 1;
    }
    PostgresServer server;
    if (!server.isValid()) {
        std::fprintf(stderr, "server: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    std::vector<double> seconds;
    for (int round = 0; round < rounds; ++round) {
        const ServerAddress address = server.freshDatabase(QStringLiteral("bench"));
        if (!runServerTool(address, {QStringLiteral("crear")}))
            return 1;
        QElapsedTimer timer;
        timer.start();
        if (!runServerTool(address, {QStringLiteral("migrar"), file}))
            return 1;
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    std::printf("migration of %d clients and %d calls: median %.2f s (goal <= 60 s)\n", clients,
                calls, median(seconds));
    return 0;
}
