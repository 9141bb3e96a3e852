// Several workstations on one file: each is a separate process (db_worker), as in an office.
#include "DatabaseFixture.h"
#include "DatabaseWorker.h"
#include "EngineRows.h"
#include "PostgresServer.h"
#include "WorkerProcess.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DatabaseFile.h"
#include "database/Presence.h"
#include "database/RowOperations.h"
#include "database/Statements.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Statements;

namespace {

void finish(QProcess& process)
{
    process.closeWriteChannel();
    process.waitForFinished(5000);
}

// The file goes to memory when the system offers it: the point of the many-write tests is the
// locking between processes, which tmpfs honours like a disk, while a busy build machine's disk
// can take tens of milliseconds per synced commit.
QString fastDatabase(const DatabaseFixture& fixture, const QTemporaryDir& memoryFolder)
{
    if (isServerDatabaseName(fixture.databasePath()))
        return fixture.databasePath();
    return memoryFolder.isValid() ? TestEnvironment::copyEmptyDatabase(memoryFolder.path())
                                  : fixture.databasePath();
}

} // namespace

class WorkstationsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void editHeldElsewhereGives3260AndWritesNothing_data() { addEngineRows(); }
    void editHeldElsewhereGives3260AndWritesNothing();
    void writeWaitsForAShortEditElsewhere();
    void rowDeletedElsewhereGives3167_data() { addEngineRows(); }
    void rowDeletedElsewhereGives3167();
    void workstationsLoseNoCall_data();
    void workstationsLoseNoCall();
    void serverStoppedAtOnceLosesNoCall();
    void savesSucceedWhileCallsAreCounted();
    void presenceIsSeenAcrossProcesses();
    void writeCutShortIsRolledBackByAReadOnlyOpen();

private:
    // The database of a case run on both engines.
    std::unique_ptr<DatabaseFixture> engineFixture();

    std::unique_ptr<PostgresServer> m_server;
};

void WorkstationsTest::initTestCase()
{
    m_server = std::make_unique<PostgresServer>();
    QVERIFY2(m_server->isValid(), qPrintable(m_server->errorText()));
}

std::unique_ptr<DatabaseFixture> WorkstationsTest::engineFixture()
{
    QFETCH(bool, onServer);
    auto fixture = std::make_unique<DatabaseFixture>(onServer ? m_server.get() : nullptr);
    return fixture->databasePath().isEmpty() ? nullptr : std::move(fixture);
}

void WorkstationsTest::editHeldElsewhereGives3260AndWritesNothing()
{
    const auto made = engineFixture();
    QVERIFY(made);
    DatabaseFixture& fixture = *made;
    const qint64 id = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    QStringList said;
    auto holder = DatabaseWorker::startReady(
        {QStringLiteral("hold-edit"), fixture.databasePath(), QStringLiteral("111")}, &said);
    QVERIFY(holder);
    QCOMPARE(said, QStringList{QStringLiteral("edit 0")});

    DataControl mine;
    mine.setBusyTimeout(150);
    // Reading is not blocked by the other's edit.
    QCOMPARE(fixture.attach(mine, clientByTelephone(QStringLiteral("111"))), DatabaseError::None);
    QCOMPARE(mine.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana"));
    QCOMPARE(mine.edit(), DatabaseError::RowLocked);
    QCOMPARE(mine.update(), DatabaseError::NoCurrentRow);
    QCOMPARE(countCall(mine), DatabaseError::RowLocked);
    finish(*holder);

    // The other cancelled; nothing of ours was written either.
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes WHERE Nombre = 'Ana' "
                                           "AND CantLlamadas = 0 AND IdCliente = ") +
                            QString::number(id)),
             1);
    QCOMPARE(mine.edit(), DatabaseError::None);
    mine.cancelUpdate();
}

void WorkstationsTest::writeWaitsForAShortEditElsewhere()
{
    DatabaseFixture fixture;
    fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    DataControl mine;
    QCOMPARE(fixture.attach(mine, clientByTelephone(QStringLiteral("111"))), DatabaseError::None);
    // The other workstation lets go after 300 ms, within our busy timeout: our count waits for
    // it and goes in.
    QStringList said;
    auto holder = DatabaseWorker::startReady({QStringLiteral("hold-edit"), fixture.databasePath(),
                                              QStringLiteral("111"), QStringLiteral("300")},
                                             &said);
    QVERIFY(holder);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(countCall(mine), DatabaseError::None);
    QVERIFY(timer.elapsed() < DatabaseConnection::defaultBusyTimeoutMs);
    holder->waitForFinished(5000);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT CantLlamadas FROM Clientes")), 1);
}

void WorkstationsTest::rowDeletedElsewhereGives3167()
{
    const auto made = engineFixture();
    QVERIFY(made);
    DatabaseFixture& fixture = *made;
    fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    DataControl datLlamada;
    QCOMPARE(fixture.attach(datLlamada, clientByTelephone(QStringLiteral("111"))),
             DatabaseError::None);

    QCOMPARE(DatabaseWorker::runToEnd(
                 {QStringLiteral("delete"), fixture.databasePath(), QStringLiteral("111")}),
             QStringLiteral("delete 0"));

    const int counted = countCall(datLlamada);
    QVERIFY2(counted == DatabaseError::RowDeleted || counted == DatabaseError::NoCurrentRow,
             qPrintable(QString::number(counted)));
    QCOMPARE(datLlamada.edit(), DatabaseError::RowDeleted);
    QCOMPARE(datLlamada.currentRowError(), DatabaseError::RowDeleted);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 0);
}

void WorkstationsTest::workstationsLoseNoCall_data()
{
    QTest::addColumn<bool>("onServer");
    QTest::addColumn<int>("workstations");
    QTest::addColumn<int>("callsEach");
    QTest::newRow("file") << false << 4 << 250;
    // The server is for larger offices.
    QTest::newRow("server") << true << 10 << 300;
}

void WorkstationsTest::workstationsLoseNoCall()
{
    QFETCH(int, workstations);
    QFETCH(int, callsEach);
    const auto made = engineFixture();
    QVERIFY(made);
    QTemporaryDir memoryFolder(QStringLiteral("/dev/shm/llamora-test-XXXXXX"));
    const QString database = fastDatabase(*made, memoryFolder);
    const auto scalar = [&](const QString& sql) {
        return DatabaseFixture::scalarIn(database, sql);
    };
    constexpr int numbers = 20; // few numbers: the workstations count the same clients at once
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int puesto = 1; puesto <= workstations; ++puesto) {
        auto worker = std::make_unique<QProcess>();
        worker->start(DatabaseWorker::path(),
                      {QStringLiteral("log-calls"), database, QString::number(puesto),
                       QString::number(callsEach), QString::number(numbers)});
        QVERIFY(worker->waitForStarted(5000));
        workers.push_back(std::move(worker));
    }
    for (auto& worker : workers) {
        QVERIFY(worker->waitForFinished(60000));
        const QString output = QString::fromUtf8(worker->readAllStandardOutput()).trimmed();
        QCOMPARE(output, QStringLiteral("failures 0"));
        QCOMPARE(worker->exitCode(), 0);
    }
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), workstations * callsEach);
    QCOMPARE(scalar(QStringLiteral("SELECT sum(CantLlamadas) FROM Clientes")),
             workstations * callsEach);
    // One client per number, even when several workstations met a new number at once.
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM Clientes")), numbers);
    QCOMPARE(scalar(QStringLiteral("SELECT count(DISTINCT Puesto) FROM Llamadas")), workstations);
    // Every client's count is its calls.
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM Clientes WHERE CantLlamadas <> (SELECT "
                                   "count(*) FROM Llamadas WHERE Cliente = IdCliente)")),
             0);
}

void WorkstationsTest::serverStoppedAtOnceLosesNoCall()
{
    DatabaseFixture fixture(m_server.get());
    const QString database = fixture.databasePath();
    QVERIFY(!database.isEmpty());
    const auto scalar = [&](const QString& sql) {
        return DatabaseFixture::scalarIn(database, sql);
    };
    WorkerProcess station;
    QVERIFY(station.start(fixture.environment().dataHome(),
                          {fixture.environment().programFolder(), fixture.environment().root(),
                           QStringLiteral("3"), QStringLiteral("--busy-ms"), QStringLiteral("300"),
                           QStringLiteral("--database"), database}));
    QCOMPARE(station.readLine(), QStringLiteral("READY"));
    // "CALL <outcome> <error> <waiting> <on disk> <outbox count>"; outcome 1 is logged. Calls
    // kept during the outage have numbers of their own: a call of the same number, workstation
    // and second as one logged counts as that one.
    const auto call = [&station](int number) {
        const QString telefono = number < 6 || number >= 12 ? QStringLiteral("55%1").arg(number % 4)
                                                            : QStringLiteral("66%1").arg(number);
        return station.ask(QStringLiteral("call ") + telefono).section(QLatin1Char(' '), 1, 1);
    };
    int calls = 0;
    for (; calls < 6; ++calls)
        QCOMPARE(call(calls), QStringLiteral("1"));
    // As a crash would: the sessions are cut, nothing is shut down in order.
    QVERIFY(m_server->stop(true));
    for (; calls < 12; ++calls)
        QCOMPARE(call(calls), QStringLiteral("2")); // shown, kept for later
    QCOMPARE(station.ask(QStringLiteral("count")), QStringLiteral("COUNT 6"));
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));
    // The next call reaches the server again and brings the waiting ones after it.
    QCOMPARE(call(calls++), QStringLiteral("1"));
    QVERIFY(station.ask(QStringLiteral("deliver")).startsWith(QLatin1String("DELIVERED 0 ")));
    QTRY_COMPARE(station.ask(QStringLiteral("count")), QStringLiteral("COUNT 0"));
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), calls);
    QCOMPARE(scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 4 + 6);
    QCOMPARE(scalar(QStringLiteral("SELECT sum(CantLlamadas) FROM Clientes")), calls);
}

void WorkstationsTest::savesSucceedWhileCallsAreCounted()
{
    DatabaseFixture fixture;
    QTemporaryDir memoryFolder(QStringLiteral("/dev/shm/llamora-test-XXXXXX"));
    const QString database = fastDatabase(fixture, memoryFolder);
    DataControl s1;
    s1.setDatabaseName(database);
    s1.setRecordSource(clientByTelephone(QStringLiteral("111")));
    qint64 id = 0;
    QCOMPARE(addClient(s1, QStringLiteral("111"), QDate(2024, 1, 15), {}, &id),
             DatabaseError::None);

    // Another workstation counts calls on the same client, as fast as it can, all along.
    QStringList said;
    auto counter = DatabaseWorker::startReady(
        {QStringLiteral("count-calls"), database, QStringLiteral("111")}, &said);
    QVERIFY(counter);
    constexpr int saves = 200;
    QList<qint64> countsSeen;
    for (int i = 0; i < saves; ++i) {
        std::optional<qint64> cant;
        const ClientDetails details{QStringLiteral("Núñez O'Brien %1").arg(i),
                                    QStringLiteral("Peña & Cía."), QStringLiteral("línea"),
                                    i % 2 == 1};
        QCOMPARE(saveClientDetails(database, id, details, &cant), DatabaseError::None);
        QVERIFY(cant);
        countsSeen.append(*cant);
    }
    finish(*counter);
    const QStringList report =
        QString::fromUtf8(counter->readAllStandardOutput()).trimmed().split(QLatin1Char('\n'));
    QCOMPARE(report.value(1), QStringLiteral("failures 0"));
    const qint64 counted = report.value(0).section(QLatin1Char(' '), 1).toLongLong();
    // The counts really went in between the saves, and every one of them survived.
    QVERIFY2(
        countsSeen.constLast() > countsSeen.constFirst(),
        qPrintable(
            QStringLiteral("%1 .. %2").arg(countsSeen.constFirst()).arg(countsSeen.constLast())));
    QCOMPARE(
        DatabaseFixture::scalarIn(database, QStringLiteral("SELECT CantLlamadas FROM Clientes")),
        counted);
    // The last save is what is stored.
    ClientRecord stored;
    QCOMPARE(readClient(database, id, &stored), DatabaseError::None);
    QCOMPARE(stored.details.Nombre, QStringLiteral("Núñez O'Brien %1").arg(saves - 1));
    QCOMPARE(stored.details.Alerta, true);
}

void WorkstationsTest::presenceIsSeenAcrossProcesses()
{
    DatabaseFixture fixture;
    const QString path = fixture.databasePath();
    QVERIFY(!queryPresence(path).anyone());

    QStringList said;
    auto here = DatabaseWorker::startReady({QStringLiteral("present"), path, QString()}, &said);
    QVERIFY(here);
    QCOMPARE(said, QStringList{QStringLiteral("marked 1")});
    QCOMPARE(queryPresence(path).otherProcessesHere, 1);
    QCOMPARE(presenceErrorNumber(path), DatabaseError::InUseHere);

    said.clear();
    auto elsewhere = DatabaseWorker::startReady(
        {QStringLiteral("present"), path, QStringLiteral("puesto-2")}, &said);
    QVERIFY(elsewhere);
    QCOMPARE(queryPresence(path).otherWorkstations, 1);
    QCOMPARE(presenceErrorNumber(path), DatabaseError::InUseElsewhere);

    finish(*elsewhere);
    QCOMPARE(presenceErrorNumber(path), DatabaseError::InUseHere);
    // A process that dies without closing leaves no mark behind.
    here->kill();
    here->waitForFinished(5000);
    QCOMPARE(presenceErrorNumber(path), DatabaseError::None);
}

void WorkstationsTest::writeCutShortIsRolledBackByAReadOnlyOpen()
{
    DatabaseFixture fixture;
    DatabaseWorker::runToEnd({QStringLiteral("die-writing"), fixture.databasePath()});
    QVERIFY(QFile::exists(fixture.databasePath() + QStringLiteral("-journal")));
    // The start-up check and the wizard open the file read-only; they must not refuse it.
    QCOMPARE(probeDatabaseFile(fixture.databasePath()), DatabaseError::None);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 0);
}

QTEST_GUILESS_MAIN(WorkstationsTest)
#include "tst_database_workstations.moc"
