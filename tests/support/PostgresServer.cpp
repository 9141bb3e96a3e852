#include "PostgresServer.h"

#include "database/DatabaseErrors.h"
#include "database/server/ServerSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QUuid>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString binFolder = QStringLiteral("/usr/lib/postgresql/15/bin/");
const QString superuser = QStringLiteral("postgres");
const QString programUser = QStringLiteral("llamora");
const QString programDatabase = QStringLiteral("llamora");

int freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

// The unprivileged user the server runs as when the tests run as root.
const passwd* serverUser()
{
    return geteuid() == 0 ? getpwnam("nobody") : nullptr;
}

// Gives a path to the server's user.
bool handOver(const QString& path)
{
    const passwd* user = serverUser();
    if (user == nullptr)
        return true;
    return chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) == 0;
}
} // namespace

bool PostgresServer::isInstalled()
{
    return QFileInfo(binFolder + QStringLiteral("postgres")).isExecutable();
}

PostgresServer::PostgresServer(Durability durability)
    : m_durability(durability)
{
    if (!isInstalled()) {
        m_errorText = QStringLiteral("PostgreSQL 15 is not installed in ") + binFolder;
        return;
    }
    if (!m_root.isValid() || !handOver(m_root.path())) {
        m_errorText = QStringLiteral("cannot prepare the server's folder");
        return;
    }
    if (serverUser() == nullptr && geteuid() == 0) {
        m_errorText = QStringLiteral("no user \"nobody\" to run the server as");
        return;
    }
    if (!runTool(QStringLiteral("initdb"),
                 {QStringLiteral("-D"), m_root.filePath(QStringLiteral("data")),
                  QStringLiteral("-U"), superuser, QStringLiteral("-E"), QStringLiteral("UTF8"),
                  QStringLiteral("--locale=C"), QStringLiteral("--auth=trust"),
                  QStringLiteral("--no-sync")}))
        return;
    m_port = freeLoopbackPort();
    if (m_port == 0 || !start())
        return;
    m_valid = runAsSuperuser(QStringLiteral("CREATE ROLE %1 LOGIN").arg(programUser)) &&
              runAsSuperuser(
                  QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(programDatabase, programUser));
}

PostgresServer::~PostgresServer()
{
    if (m_running)
        stop(true);
}

QString PostgresServer::socketFolder() const
{
    return m_root.path();
}

ServerAddress PostgresServer::address() const
{
    ServerAddress address;
    address.host = QStringLiteral("127.0.0.1");
    address.port = m_port;
    address.database = programDatabase;
    address.user = programUser;
    return address;
}

ServerAddress PostgresServer::freshDatabase(const QString& name)
{
    runAsSuperuser(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    runAsSuperuser(QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(name, programUser));
    ServerAddress fresh = address();
    fresh.database = name;
    return fresh;
}

QString PostgresServer::freshProgramDatabase()
{
    static int made = 0;
    const ServerAddress address = freshDatabase(QStringLiteral("prueba_%1").arg(++made));
    const QString name = QStringLiteral("fixture-schema");
    int error = DatabaseError::ReservedError;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        applyServerAddress(db, address, 5);
        if (db.open())
            error = ServerSchema::create(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return error == DatabaseError::None ? address.toDatabaseName() : QString();
}

bool PostgresServer::runAsSuperuser(const QString& sql, const QString& database)
{
    const QString name = QStringLiteral("postgres-fixture-") + QUuid::createUuid().toString();
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(socketFolder());
        db.setPort(m_port);
        db.setUserName(superuser);
        db.setDatabaseName(database);
        db.setConnectOptions(QStringLiteral("options=-cclient_min_messages=warning"));
        if (db.open()) {
            QSqlQuery query(db);
            done = query.exec(sql);
            if (!done)
                m_errorText = query.lastError().text();
        } else {
            m_errorText = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

bool PostgresServer::start()
{
    // Fast: the kernel keeps what the server wrote when the server stops, so fsync may go;
    // commits still wait for the server's log.
    QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -k %2 "
                                     "-c max_connections=60")
                          .arg(m_port)
                          .arg(socketFolder());
    if (m_durability == Durability::Fast)
        options += QStringLiteral(" -c fsync=off -c full_page_writes=off");
    m_running =
        runTool(QStringLiteral("pg_ctl"),
                {QStringLiteral("-D"), m_root.filePath(QStringLiteral("data")),
                 QStringLiteral("-l"), m_root.filePath(QStringLiteral("server.log")),
                 QStringLiteral("-o"), options, QStringLiteral("-w"), QStringLiteral("start")});
    return m_running;
}

bool PostgresServer::stop(bool immediate)
{
    const bool stopped = runTool(QStringLiteral("pg_ctl"),
                                 {QStringLiteral("-D"), m_root.filePath(QStringLiteral("data")),
                                  QStringLiteral("-m"),
                                  immediate ? QStringLiteral("immediate") : QStringLiteral("fast"),
                                  QStringLiteral("-w"), QStringLiteral("stop")});
    if (stopped)
        m_running = false;
    return stopped;
}

bool PostgresServer::runTool(const QString& tool, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setWorkingDirectory(m_root.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    if (const passwd* user = serverUser()) {
        // setpriv (util-linux) drops root for the server's programs.
        QStringList withUser = {QStringLiteral("--reuid=") + QString::number(user->pw_uid),
                                QStringLiteral("--regid=") + QString::number(user->pw_gid),
                                QStringLiteral("--clear-groups"), binFolder + tool};
        process.start(QStringLiteral("setpriv"), withUser + arguments);
    } else {
        process.start(binFolder + tool, arguments);
    }
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        m_errorText = tool + QStringLiteral(" failed: ") +
                      QString::fromLocal8Bit(process.readAll()).trimmed();
        if (process.state() != QProcess::NotRunning)
            process.kill();
        return false;
    }
    return true;
}
