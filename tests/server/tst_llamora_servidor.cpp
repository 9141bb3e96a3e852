#include "PostgresServer.h"
#include "TestEnvironment.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QUuid>

#include <csignal>
#include <memory>

// llamora-servidor run as a process against a real server: creating the tables twice, copying a
// file of 10,000 clients and 100,000 calls row for row, refusing a database that holds data,
// and a copy killed half-way that leaves nothing behind.
class LlamoraServidorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void createTwiceChangesNothingTheSecondTime();
    void migrationCopiesEveryRowAndKey();
    void migrationKilledHalfWayLeavesTheTargetEmpty();

private:
    struct Run
    {
        int exitCode = -1;
        QString output;
        QString errors;
    };
    Run run(const ServerAddress& address, const QStringList& command);
    // Every row of a table, each value as text, ordered by key.
    QStringList rows(QSqlDatabase database, const QString& table, const QString& key);
    // A query on the server giving one value.
    QVariant serverValue(const ServerAddress& address, const QString& sql);

    std::unique_ptr<PostgresServer> m_server;
    std::unique_ptr<TestEnvironment> m_environment;
    QString m_file;
    qint64 m_lastClientKey = 0;
};

namespace {
constexpr int clientCount = 10000;
constexpr int callCount = 100000;
const QString fileConnection = QStringLiteral("archivo");

QStringList tableRows(QSqlQuery& query)
{
    QStringList rows;
    while (query.next()) {
        QStringList values;
        for (int column = 0; column < query.record().count(); ++column) {
            const QVariant value = query.value(column);
            values << (value.isNull() ? QStringLiteral("<null>") : value.toString());
        }
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}
} // namespace

void LlamoraServidorTest::initTestCase()
{
    m_server = std::make_unique<PostgresServer>();
    QVERIFY2(m_server->isValid(), qPrintable(m_server->errorText()));
    m_environment = std::make_unique<TestEnvironment>();
    m_file = TestEnvironment::copyEmptyDatabase(m_environment->programFolder());

    // Names with what COPY's text form must escape, accents, empty and missing values; the last
    // client deleted, so the file's sequence is past its highest key.
    QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fileConnection);
    file.setDatabaseName(m_file);
    QVERIFY(file.open());
    QSqlQuery query(file);
    QVERIFY(query.exec(QStringLiteral("BEGIN")));
    QVERIFY(query.prepare(QStringLiteral(
        "INSERT INTO Clientes (Nombre, Domicilio, Telefono, Observaciones, Alerta, CantLlamadas, "
        "FIngreso) VALUES (?, ?, ?, ?, ?, ?, ?)")));
    for (int n = 1; n <= clientCount + 1; ++n) {
        query.addBindValue(n % 7 == 0 ? QVariant() : QStringLiteral("Núñez\t%1 \\N").arg(n));
        query.addBindValue(n % 5 == 0 ? QString() : QStringLiteral("Calle\n%1\r\\").arg(n));
        query.addBindValue(QString::number(4000000 + n));
        query.addBindValue(n % 3 == 0 ? QVariant() : QStringLiteral("«nota» ' \" ; %1").arg(n));
        query.addBindValue(n % 2);
        query.addBindValue(n % 11 == 0 ? QVariant() : QVariant(n % 13));
        query.addBindValue(QStringLiteral("2024-%1-15").arg(n % 12 + 1, 2, 10, QLatin1Char('0')));
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    }
    // The calls made by the engine itself: a hundred thousand single inserts would take seconds.
    QVERIFY2(query.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                       "FROM n WHERE i < ") +
                        QString::number(callCount) +
                        QStringLiteral(") INSERT INTO Llamadas (Cliente, Fecha, Puesto) SELECT "
                                       "CASE WHEN i % 997 = 0 THEN NULL ELSE i % ") +
                        QString::number(clientCount) +
                        QStringLiteral(" + 1 END, printf('2024-03-%02d 10:%02d:%02d', i % 28 + 1, "
                                       "i % 60, i / 60 % 60), i % 10 + 1 FROM n")),
             qPrintable(query.lastError().text()));
    QVERIFY(query.exec(
        QStringLiteral("DELETE FROM Clientes WHERE IdCliente = %1").arg(clientCount + 1)));
    QVERIFY(query.exec(QStringLiteral("COMMIT")));
    m_lastClientKey = clientCount + 1;
}

LlamoraServidorTest::Run LlamoraServidorTest::run(const ServerAddress& address,
                                                  const QStringList& command)
{
    QProcess tool;
    tool.start(TestEnvironment::builtToolPath(QStringLiteral("llamora-servidor")),
               QStringList{QStringLiteral("--equipo"), address.host, QStringLiteral("--puerto"),
                           QString::number(address.port), QStringLiteral("--base"),
                           address.database, QStringLiteral("--usuario"), address.user} +
                   command);
    if (!tool.waitForFinished(60000))
        return {};
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromUtf8(tool.readAllStandardOutput()),
            QString::fromUtf8(tool.readAllStandardError())};
}

QVariant LlamoraServidorTest::serverValue(const ServerAddress& address, const QString& sql)
{
    const QString name = QUuid::createUuid().toString();
    QVariant value;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        applyServerAddress(database, address, 5);
        if (database.open()) {
            QSqlQuery query(database);
            if (query.exec(sql) && query.next())
                value = query.value(0);
            else
                qWarning("%s", qPrintable(query.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

void LlamoraServidorTest::createTwiceChangesNothingTheSecondTime()
{
    const ServerAddress address = m_server->freshDatabase(QStringLiteral("crear"));
    const Run first = run(address, {QStringLiteral("crear")});
    QVERIFY2(first.exitCode == 0, qPrintable(first.errors));
    QVERIFY2(first.output.startsWith(QStringLiteral("Creadas las tablas")),
             qPrintable(first.output));
    // Every object of the schema with its identity and definition.
    const QString catalogue = QStringLiteral(
        "SELECT string_agg(c.oid::text || c.relname || c.relkind::text || "
        "coalesce(pg_get_indexdef(c.oid), "
        "''), ',' ORDER BY c.oid) || (SELECT string_agg(p.oid::text || pg_get_functiondef(p.oid), "
        "',') FROM pg_proc p "
        "WHERE p.pronamespace = 'public'::regnamespace) FROM pg_class c WHERE c.relnamespace = "
        "'public'::regnamespace");
    const QVariant before = serverValue(address, catalogue);
    QVERIFY(!before.toString().isEmpty());
    const Run second = run(address, {QStringLiteral("crear")});
    QVERIFY2(second.exitCode == 0, qPrintable(second.errors));
    QVERIFY2(second.output.contains(QStringLiteral("no se cambió nada")),
             qPrintable(second.output));
    QCOMPARE(serverValue(address, catalogue), before);

    // Without a database the tool says so and fails.
    ServerAddress missing = address;
    missing.database = QStringLiteral("no_existe");
    const Run refused = run(missing, {QStringLiteral("crear")});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.errors.contains(QStringLiteral("no tiene una base de datos «no_existe»")),
             qPrintable(refused.errors));
}

QStringList LlamoraServidorTest::rows(QSqlDatabase database, const QString& table,
                                      const QString& key)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table, key)))
        qWarning("%s", qPrintable(query.lastError().text()));
    return tableRows(query);
}

void LlamoraServidorTest::migrationCopiesEveryRowAndKey()
{
    const ServerAddress address = m_server->freshDatabase(QStringLiteral("migrar"));
    QCOMPARE(run(address, {QStringLiteral("crear")}).exitCode, 0);
    const Run copied = run(address, {QStringLiteral("migrar"), m_file});
    QVERIFY2(copied.exitCode == 0, qPrintable(copied.errors));
    QVERIFY2(copied.output.contains(QStringLiteral("(100 %)")), qPrintable(copied.output));
    QVERIFY2(
        copied.output.contains(
            QStringLiteral("Copiados %1 clientes y %2 llamadas").arg(clientCount).arg(callCount)),
        qPrintable(copied.output));
    // Vacuumed and analyzed after the copy, so the lists are planned on true figures at once.
    QCOMPARE(serverValue(address, QStringLiteral("SELECT count(*) FROM pg_stat_user_tables WHERE "
                                                 "last_vacuum IS NOT NULL AND last_analyze IS "
                                                 "NOT NULL AND relname IN ('clientes', "
                                                 "'llamadas')"))
                 .toInt(),
             2);

    const QString name = QStringLiteral("servidor");
    {
        QSqlDatabase server = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        applyServerAddress(server, address, 5);
        QVERIFY(server.open());
        const QSqlDatabase file = QSqlDatabase::database(fileConnection);
        const QStringList clients = rows(file, QStringLiteral("Clientes"), QStringLiteral("1"));
        QCOMPARE(clients.size(), clientCount);
        QCOMPARE(rows(server, QStringLiteral("clientes"), QStringLiteral("1")), clients);
        const QStringList calls = rows(file, QStringLiteral("Llamadas"), QStringLiteral("1"));
        QCOMPARE(calls.size(), callCount);
        QCOMPARE(rows(server, QStringLiteral("llamadas"), QStringLiteral("1")), calls);

        // The deleted client's key is never given again.
        QSqlQuery query(server);
        QVERIFY(query.exec(
            QStringLiteral("INSERT INTO clientes (telefono) VALUES ('1') RETURNING idcliente")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toLongLong(), m_lastClientKey + 1);
        QVERIFY(query.exec(
            QStringLiteral("INSERT INTO llamadas (puesto) VALUES (1) RETURNING idllamada")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toLongLong(), qint64(callCount) + 1);
    }
    QSqlDatabase::removeDatabase(name);

    // A database that holds data is refused and kept as it was.
    const Run refused = run(address, {QStringLiteral("migrar"), m_file});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.errors.contains(QStringLiteral("ya tiene datos (%1 clientes, %2 llamadas)")
                                         .arg(clientCount + 1)
                                         .arg(callCount + 1)),
             qPrintable(refused.errors));
    QCOMPARE(serverValue(address, QStringLiteral("SELECT count(*) FROM llamadas")).toInt(),
             callCount + 1);
}

void LlamoraServidorTest::migrationKilledHalfWayLeavesTheTargetEmpty()
{
    const ServerAddress address = m_server->freshDatabase(QStringLiteral("cortada"));
    QCOMPARE(run(address, {QStringLiteral("crear")}).exitCode, 0);
    QProcess tool;
    tool.start(TestEnvironment::builtToolPath(QStringLiteral("llamora-servidor")),
               {QStringLiteral("--equipo"), address.host, QStringLiteral("--puerto"),
                QString::number(address.port), QStringLiteral("--base"), address.database,
                QStringLiteral("--usuario"), address.user, QStringLiteral("migrar"), m_file});
    // Killed once the calls are on their way (past the clients' tenth of the rows): the clients
    // are already in the server's transaction by then.
    const auto callsUnderWay = [&tool] {
        static const QRegularExpression percent(QStringLiteral("\\(([1-9][0-9]) %\\)"));
        tool.waitForReadyRead(10);
        const QString output = QString::fromUtf8(tool.peek(1 << 16));
        for (const QRegularExpressionMatch& match : percent.globalMatch(output)) {
            if (match.captured(1).toInt() >= 10)
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(callsUnderWay(), 20000);
    ::kill(pid_t(tool.processId()), SIGKILL);
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitStatus(), QProcess::CrashExit);
    QTRY_COMPARE(serverValue(address, QStringLiteral(
                                          "SELECT count(*) FROM pg_stat_activity "
                                          "WHERE datname = 'cortada' AND pid <> pg_backend_pid()"))
                     .toInt(),
                 0);
    QCOMPARE(serverValue(address, QStringLiteral("SELECT count(*) FROM clientes")).toInt(), 0);
    QCOMPARE(serverValue(address, QStringLiteral("SELECT count(*) FROM llamadas")).toInt(), 0);
    // And the copy can simply be made again.
    const Run again = run(address, {QStringLiteral("migrar"), m_file});
    QVERIFY2(again.exitCode == 0, qPrintable(again.errors));
}

QTEST_GUILESS_MAIN(LlamoraServidorTest)
#include "tst_llamora_servidor.moc"
