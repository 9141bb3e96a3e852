#pragma once

#include "database/ServerAddress.h"

#include <QString>
#include <QTemporaryDir>

// A PostgreSQL 15 server of the test's own: a cluster in a temporary folder, listening on a Unix
// socket there and on a free loopback port, with a user and a database for the program. The
// server refuses to run as root, so under root (CI) it runs as "nobody". Start one per test
// executable: making the cluster takes a second or two.
class PostgresServer
{
public:
    enum class Durability
    {
        Fast,    // no fsync: the tests stop the server, they never cut the machine's power
        Durable, // as an office's server runs, for the benchmarks
    };

    // Makes the cluster and starts it; isValid() tells whether that worked, errorText() why not.
    explicit PostgresServer(Durability durability = Durability::Fast);
    // Stops the server at once and removes everything.
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Whether PostgreSQL 15's programs are installed.
    [[nodiscard]] static bool isInstalled();

    [[nodiscard]] bool isValid() const { return m_valid; }
    [[nodiscard]] QString errorText() const { return m_errorText; }

    // The program's database, over the loopback port, as the program's user (no password).
    [[nodiscard]] ServerAddress address() const;
    // Another database owned by the program's user, made empty (dropped first if it exists).
    [[nodiscard]] ServerAddress freshDatabase(const QString& name);
    // A fresh database with the program's tables, named as the program names a database; empty
    // when it could not be made.
    [[nodiscard]] QString freshProgramDatabase();
    // The folder of the server's Unix socket; an address with it as host connects there.
    [[nodiscard]] QString socketFolder() const;
    [[nodiscard]] int port() const { return m_port; }

    // Runs statements as the superuser in a database; false (and errorText()) on failure.
    bool runAsSuperuser(const QString& sql, const QString& database = QStringLiteral("postgres"));

    // pg_ctl stop: "fast" ends the sessions cleanly, immediate = true kills the server as a
    // crash would (it recovers from its log at the next start).
    bool stop(bool immediate = false);
    bool start();
    [[nodiscard]] bool isRunning() const { return m_running; }

private:
    bool runTool(const QString& tool, const QStringList& arguments, int timeoutMs = 60000);

    QTemporaryDir m_root;
    Durability m_durability = Durability::Fast;
    int m_port = 0;
    bool m_valid = false;
    bool m_running = false;
    QString m_errorText;
};
