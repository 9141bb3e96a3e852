// Another workstation for the tests: one process doing one job on the shared database file.
// It prints "READY" when it holds what the test waits for, and results as "key value" lines.
//
//   hold-edit <db> <telefono> [ms]        edits the client and holds the lock until stdin closes,
//                                         or for ms milliseconds
//   log-calls <db> <puesto> <count> <n>   logs count calls spread over n numbers (S1, R3, R1, R2)
//   log-every <db> <puesto> <ms> [day]    logs a call every ms milliseconds, as the call reception
//                                         does, until stdin closes; the calls carry that day
//                                         (yyyy-MM-dd, default: now). Prints "READY" after the
//                                         first call, then "logged", "failures" and "longest"
//                                         (the longest time one call's work took, in ms)
//   count-calls <db> <telefono>           counts calls on the client (R2) until stdin closes
//   hold-write <db>                       takes the file's write lock until stdin closes
//   hold-read <db>                        reads the file inside a transaction until stdin closes:
//                                         another writer can begin, not commit
//   hold-exclusive <db> <ms>              takes the file's exclusive lock, which stops readers
//                                         too, for ms milliseconds, then ends
//   delete <db> <telefono>                deletes the client
//   present <db> <machine>                holds the file open as workstation <machine>
//   die-writing <db>                      dies in the middle of a large write, leaving its journal
//   compact <folder>                      compacts the folder's database (tests kill it midway)
//   append-calls <db> <count> <ms>        logs count calls (R1 only) as workstation 2, each
//                                         through its own connection and ms apart, trying a
//                                         refused call again until it is logged
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/Presence.h"
#include "database/RowOperations.h"
#include "database/Statements.h"
#include "maintenance/Maintenance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {
QTextStream out(stdout);

void say(const QString& line)
{
    out << line << '\n';
    out.flush();
}

// The test ends the hold by closing our stdin (or by ending itself).
void waitForStdinToClose()
{
    std::string line;
    while (std::getline(std::cin, line)) {
    }
}

int holdEdit(const QString& database, const QString& telefono, int milliseconds)
{
    DataControl control;
    control.setDatabaseName(database);
    control.setRecordSource(Statements::clientByTelephone(telefono));
    int error = control.refresh();
    if (error == DatabaseError::None)
        error = control.edit();
    if (error == DatabaseError::None)
        error = control.setField(QStringLiteral("Nombre"), QStringLiteral("Editado en el otro"));
    say(QStringLiteral("edit ") + QString::number(error));
    say(QStringLiteral("READY"));
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
    else
        waitForStdinToClose();
    control.cancelUpdate();
    return 0;
}

// One call taken the way the call reception takes it: S1, R3 for a new number, R1, R2.
int logCall(DataControl& datLlamada, const QString& database, const QString& telefono,
            const QDateTime& fecha, qint16 puesto)
{
    datLlamada.setRecordSource(Statements::clientByTelephone(telefono));
    int error = datLlamada.refresh();
    qint64 id = 0;
    if (error == DatabaseError::None && datLlamada.isEmpty())
        error = addCallerAsClient(datLlamada, telefono, fecha.date(), &id);
    else if (error == DatabaseError::None)
        id = datLlamada.field(QStringLiteral("IdCliente")).toLongLong();
    if (error == DatabaseError::None)
        error = appendCall(database, id, fecha, puesto);
    if (error == DatabaseError::None)
        error = countCall(datLlamada);
    return error;
}

int logCalls(const QString& database, qint16 puesto, int count, int numbers)
{
    DataControl datLlamada;
    datLlamada.setDatabaseName(database);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const QString telefono = QStringLiteral("555%1").arg(i % numbers, 4, 10, QLatin1Char('0'));
        const int error =
            logCall(datLlamada, database, telefono, QDateTime::currentDateTime(), puesto);
        if (error != DatabaseError::None) {
            ++failures;
            say(QStringLiteral("error ") + QString::number(error));
        }
    }
    say(QStringLiteral("failures ") + QString::number(failures));
    return failures == 0 ? 0 : 1;
}

int logEvery(const QString& database, qint16 puesto, int interval, const QDate& day)
{
    DataControl datLlamada;
    datLlamada.setDatabaseName(database);
    int logged = 0;
    int failures = 0;
    qint64 longest = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const QString telefono = QStringLiteral("777%1").arg(logged % 50, 4, 10, QLatin1Char('0'));
        QDateTime fecha = QDateTime::currentDateTime();
        if (day.isValid())
            fecha.setDate(day);
        QElapsedTimer took;
        took.start();
        const int error = logCall(datLlamada, database, telefono, fecha, puesto);
        longest = std::max(longest, took.elapsed());
        if (error == DatabaseError::None) {
            ++logged;
        } else {
            ++failures;
            say(QStringLiteral("error ") + QString::number(error));
        }
        // The first call tells the test that logging has begun.
        if (logged + failures == 1)
            say(QStringLiteral("READY"));
    });
    timer.start(interval);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            QCoreApplication::quit();
    });
    QCoreApplication::exec();
    say(QStringLiteral("logged ") + QString::number(logged));
    say(QStringLiteral("failures ") + QString::number(failures));
    say(QStringLiteral("longest ") + QString::number(longest));
    return failures == 0 ? 0 : 1;
}

int countCalls(const QString& database, const QString& telefono)
{
    DataControl datLlamada;
    datLlamada.setDatabaseName(database);
    datLlamada.setRecordSource(Statements::clientByTelephone(telefono));
    if (datLlamada.refresh() != DatabaseError::None || datLlamada.isEmpty())
        return 1;
    std::atomic<bool> stop = false;
    std::thread watcher([&stop] {
        waitForStdinToClose();
        stop = true;
    });
    say(QStringLiteral("READY"));
    int counted = 0;
    int failures = 0;
    while (!stop) {
        if (const int error = countCall(datLlamada); error == DatabaseError::None) {
            ++counted;
        } else {
            ++failures;
            say(QStringLiteral("error ") + QString::number(error));
        }
    }
    watcher.join();
    say(QStringLiteral("counted ") + QString::number(counted));
    say(QStringLiteral("failures ") + QString::number(failures));
    return failures == 0 ? 0 : 1;
}

int holdWrite(const QString& database)
{
    DatabaseConnection connection;
    int error = connection.open(database);
    if (error == DatabaseError::None)
        error = connection.beginWrite();
    say(QStringLiteral("READY"));
    waitForStdinToClose();
    connection.rollback();
    return error == DatabaseError::None ? 0 : 1;
}

int holdRead(const QString& database)
{
    DatabaseConnection connection;
    int error = connection.open(database);
    QSqlQuery query(connection.database());
    if (error == DatabaseError::None &&
        !(query.exec(QStringLiteral("BEGIN")) &&
          query.exec(QStringLiteral("SELECT count(*) FROM Llamadas")) && query.next()))
        error = errorNumberFor(query.lastError());
    query.finish();
    say(QStringLiteral("READY"));
    waitForStdinToClose();
    QSqlQuery(connection.database()).exec(QStringLiteral("ROLLBACK"));
    return error == DatabaseError::None ? 0 : 1;
}

int holdExclusive(const QString& database, int milliseconds)
{
    DatabaseConnection connection;
    int error = connection.open(database);
    QSqlQuery begin(connection.database());
    if (error == DatabaseError::None && !begin.exec(QStringLiteral("BEGIN EXCLUSIVE")))
        error = errorNumberFor(begin.lastError());
    say(QStringLiteral("READY"));
    QThread::msleep(static_cast<unsigned long>(milliseconds));
    QSqlQuery(connection.database()).exec(QStringLiteral("ROLLBACK"));
    return error == DatabaseError::None ? 0 : 1;
}

int deleteClient(const QString& database, const QString& telefono)
{
    DataControl control;
    control.setDatabaseName(database);
    control.setRecordSource(Statements::clientByTelephone(telefono));
    int error = control.refresh();
    if (error == DatabaseError::None)
        error = deleteCurrentClient(control);
    say(QStringLiteral("delete ") + QString::number(error));
    return error == DatabaseError::None ? 0 : 1;
}

int present(const QString& database, const QString& machine)
{
    WorkstationIdentity identity = WorkstationIdentity::current();
    if (!machine.isEmpty()) {
        identity.machine = machine;
        identity.hostName = machine;
    }
    DatabaseConnection connection;
    const int error = connection.open(database, DatabaseConnection::Access::ReadWrite,
                                      DatabaseConnection::defaultBusyTimeoutMs, false);
    PresenceMark mark;
    const bool marked = error == DatabaseError::None && mark.mark(database, identity);
    say(QStringLiteral("marked ") + QString::number(marked ? 1 : 0));
    say(QStringLiteral("READY"));
    waitForStdinToClose();
    return 0;
}
// A small page cache makes SQLite write changed pages into the file before the commit, so the
// journal that restores them is left behind when the process dies, as after a power cut.
int dieWriting(const QString& database)
{
    DatabaseConnection connection;
    if (connection.open(database) != DatabaseError::None ||
        connection.beginWrite() != DatabaseError::None)
        return 1;
    QSqlQuery query(connection.database());
    query.exec(QStringLiteral("PRAGMA cache_size = 10"));
    for (int i = 0; i < 3000; ++i)
        query.exec(QStringLiteral("INSERT INTO Clientes (Telefono, Nombre) VALUES ('%1', '%2')")
                       .arg(i)
                       .arg(QString(40, QLatin1Char('x'))));
    std::_Exit(0);
}

int compact(const QString& folder)
{
    say(QStringLiteral("READY"));
    const MaintenanceResult result = CompactaBaseDatos(folder);
    say(QStringLiteral("error ") + QString::number(result.error));
    return result.succeeded ? 0 : 1;
}

int appendCalls(const QString& database, int count, int pauseMs)
{
    say(QStringLiteral("READY"));
    int refused = 0;
    const QDateTime start(QDate(2030, 1, 1), QTime(0, 0));
    for (int i = 0; i < count; ++i) {
        int error = DatabaseError::None;
        for (int attempt = 0; attempt < 100; ++attempt) {
            error = appendCall(database, 1, start.addSecs(i), 2);
            if (error == DatabaseError::None)
                break;
            ++refused;
            say(QStringLiteral("refused ") + QString::number(error));
            QThread::msleep(20);
        }
        if (error != DatabaseError::None)
            return 1;
        QThread::msleep(static_cast<unsigned long>(pauseMs));
    }
    say(QStringLiteral("logged ") + QString::number(count));
    say(QStringLiteral("refusals ") + QString::number(refused));
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString job = arguments.value(1);
    const QString database = arguments.value(2);
    if (job == QLatin1String("hold-edit"))
        return holdEdit(database, arguments.value(3), arguments.value(4).toInt());
    if (job == QLatin1String("log-calls"))
        return logCalls(database, static_cast<qint16>(arguments.value(3).toInt()),
                        arguments.value(4).toInt(), arguments.value(5).toInt());
    if (job == QLatin1String("log-every"))
        return logEvery(database, static_cast<qint16>(arguments.value(3).toInt()),
                        arguments.value(4).toInt(),
                        QDate::fromString(arguments.value(5), QStringLiteral("yyyy-MM-dd")));
    if (job == QLatin1String("count-calls"))
        return countCalls(database, arguments.value(3));
    if (job == QLatin1String("hold-write"))
        return holdWrite(database);
    if (job == QLatin1String("hold-read"))
        return holdRead(database);
    if (job == QLatin1String("hold-exclusive"))
        return holdExclusive(database, arguments.value(3).toInt());
    if (job == QLatin1String("delete"))
        return deleteClient(database, arguments.value(3));
    if (job == QLatin1String("present"))
        return present(database, arguments.value(3));
    if (job == QLatin1String("die-writing"))
        return dieWriting(database);
    if (job == QLatin1String("compact"))
        return compact(database);
    if (job == QLatin1String("append-calls"))
        return appendCalls(database, arguments.value(3).toInt(), arguments.value(4).toInt());
    say(QStringLiteral("unknown job ") + job);
    return 2;
}
