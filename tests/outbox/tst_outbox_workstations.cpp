// The outbox across processes: calls taken while the database folder is read-only, renamed away,
// locked by another workstation or damaged reach the log once the cause is gone; a workstation
// killed at random points while it delivers never logs a call twice; a batch whose commit fails
// stays in the outbox; two workstations deliver into one file at once while a third takes live
// calls.

#include "DamagedDatabase.h"
#include "DatabaseWorker.h"
#include "OrdinaryUser.h"
#include "ProgramDatabase.h"
#include "TestEnvironment.h"
#include "WorkerProcess.h"
#include "database/DatabaseErrors.h"
#include "outbox/OutboxDelivery.h"
#include "outbox/OutboxFile.h"
#include "settings/SettingsStore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>

namespace {

enum Cause
{
    ReadOnlyFolder,
    RenamedFolder,
    LockedFile,
    DamagedFile,
};

// Where the program keeps the outbox of this installation for a user with this data home.
QString outboxPath(const QString& dataHome, const QString& programFolder)
{
    return dataHome + QStringLiteral("/Llamora/") +
           SettingsStore::encodedApplicationName(programFolder) + QStringLiteral(".pendientes");
}

using ProgramDatabase::callsOf;
using ProgramDatabase::count;

// The office's shared database folder, with an empty database, in a test environment.
struct Office
{
    TestEnvironment env;
    QString folder = env.makeFolder(QStringLiteral("servidor"));
    QString db = TestEnvironment::copyEmptyDatabase(folder);

    // An outbox_worker's arguments for this installation and workstation.
    [[nodiscard]] QStringList station(int puesto, const QStringList& options = {}) const
    {
        return QStringList{env.programFolder(), folder, QString::number(puesto)} + options;
    }
    [[nodiscard]] int callsFrom(int puesto) const
    {
        return count(db,
                     QStringLiteral("SELECT COUNT(*) FROM Llamadas WHERE Puesto = %1").arg(puesto));
    }
};

// Every call once, every count equal to the calls logged for its client, one client a number.
void verifyLogIsConsistent(const QString& db)
{
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) FROM (SELECT COUNT(*) n FROM Llamadas L "
                                      "JOIN Clientes C ON C.IdCliente = L.Cliente GROUP BY "
                                      "C.Telefono, L.Fecha, L.Puesto HAVING n > 1)")),
             0);
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) FROM Clientes C WHERE "
                                      "IFNULL(C.CantLlamadas, 0) <> (SELECT COUNT(*) FROM "
                                      "Llamadas L WHERE L.Cliente = C.IdCliente)")),
             0);
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT Telefono) FROM Clientes")),
             0);
}

// The outbox of a workstation filled beforehand, as a long outage leaves it.
bool fillOutbox(const QString& path, const QList<PendingCall>& calls)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QByteArray bytes;
    for (const PendingCall& call : calls)
        bytes += OutboxFile::encode(call) + '\n';
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int waitingIn(const QString& path)
{
    QList<PendingCall> calls;
    OutboxFile(path).read(&calls);
    return static_cast<int>(calls.size());
}

} // namespace

class OutboxWorkstationsTest : public QObject
{
    Q_OBJECT

private slots:
    void callsDuringAnOutageReachTheLogOnce_data();
    void callsDuringAnOutageReachTheLogOnce();
    void killDuringDeliveryLogsEveryCallOnce();
    void batchStaysInTheOutboxWhenTheCommitFails();
    void twoWorkstationsDeliverIntoOneFile();
};

void OutboxWorkstationsTest::callsDuringAnOutageReachTheLogOnce_data()
{
    QTest::addColumn<int>("cause");
    QTest::newRow("read-only folder") << int(ReadOnlyFolder);
    QTest::newRow("folder renamed away and back") << int(RenamedFolder);
    QTest::newRow("file locked past the wait") << int(LockedFile);
    QTest::newRow("damaged file") << int(DamagedFile);
}

void OutboxWorkstationsTest::callsDuringAnOutageReachTheLogOnce()
{
    QFETCH(int, cause);
    Office office;
    const TestEnvironment& env = office.env;
    const QString& folder = office.folder;
    const QString& db = office.db;
    QVERIFY(ProgramDatabase::addClient(db, QStringLiteral("4567890"), QStringLiteral("DÍAZ JUAN"),
                                       true, 4));
    const QString dataHome = env.makeFolder(QStringLiteral("puesto2"));

    // Root writes anywhere: the read-only case runs the workstation as an ordinary user, from
    // a copy of the worker that user may run.
    QString asNobody;
    if (cause == ReadOnlyFolder && OrdinaryUser::isRoot()) {
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("setpriv is needed to run a workstation as an ordinary user");
        const QString copy = env.root() + QStringLiteral("/outbox_worker");
        QVERIFY(QFile::copy(WorkerProcess::builtPath(), copy));
        asNobody = copy;
        const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        const auto shared = open | QFile::WriteGroup | QFile::WriteOther;
        QVERIFY(QFile::setPermissions(env.root(), open));
        QVERIFY(QFile::setPermissions(copy, open));
        QVERIFY(QFile::setPermissions(folder, shared));
        QVERIFY(QFile::setPermissions(dataHome, shared));
        QVERIFY(QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                              QFile::WriteGroup | QFile::ReadOther |
                                              QFile::WriteOther));
    }
    WorkerProcess station;
    QVERIFY(station.start(dataHome,
                          office.station(2, {QStringLiteral("--busy-ms"), QStringLiteral("300")}),
                          asNobody));
    QCOMPARE(station.readLine(), QStringLiteral("READY"));
    QCOMPARE(station.ask(QStringLiteral("call 999000")), QStringLiteral("CALL 1 0 0 0 0"));

    const QString away = folder + QStringLiteral("-fuera");
    const QByteArray good = fileBytes(db);
    std::unique_ptr<QProcess> other;
    switch (cause) {
    case ReadOnlyFolder:
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadGroup | QFile::ExeGroup |
                                                  QFile::ReadOther | QFile::ExeOther));
        break;
    case RenamedFolder:
        QVERIFY(QDir().rename(folder, away));
        break;
    case LockedFile:
        other = DatabaseWorker::startReady({QStringLiteral("hold-write"), db});
        QVERIFY(other);
        break;
    case DamagedFile:
        QVERIFY(damageDatabase(db));
        break;
    }

    // A known client and two new numbers: shown, not logged, kept on the disk.
    const QStringList numbers{QStringLiteral("4567890"), QStringLiteral("3515550001"),
                              QStringLiteral("3515550002")};
    for (int i = 0; i < numbers.size(); ++i) {
        const QStringList answer = station.ask(QStringLiteral("call ") + numbers.at(i)).split(' ');
        QCOMPARE(answer.size(), 6);
        QCOMPARE(answer.at(1), QStringLiteral("2")); // not logged
        if (cause == DamagedFile)
            QCOMPARE(answer.at(2), QStringLiteral("3343"));
        QCOMPARE(answer.mid(3),
                 (QStringList{QStringLiteral("1"), QStringLiteral("1"), QString::number(i + 1)}));
    }
    QCOMPARE(waitingIn(outboxPath(dataHome, env.programFolder())), 3);

    switch (cause) {
    case ReadOnlyFolder:
        QVERIFY(QFile::setPermissions(folder, QFile::permissions(folder) | QFile::WriteOwner |
                                                  QFile::WriteGroup | QFile::WriteOther));
        break;
    case RenamedFolder:
        QVERIFY(QDir().rename(away, folder));
        break;
    case LockedFile:
        other->closeWriteChannel();
        QVERIFY(other->waitForFinished(10000));
        break;
    case DamagedFile:
        // The repair gives the file back.
        QVERIFY(overwriteFile(db, good));
        break;
    }

    if (cause == RenamedFolder) {
        // The next call that logs brings the waiting ones after it.
        QCOMPARE(station.ask(QStringLiteral("call 999001")).section(' ', 1, 2),
                 QStringLiteral("1 0"));
        const QDeadlineTimer deadline(20000);
        while (station.ask(QStringLiteral("count")) != QStringLiteral("COUNT 0") &&
               !deadline.hasExpired())
            QTest::qWait(50);
    } else {
        QCOMPARE(station.ask(QStringLiteral("deliver")), QStringLiteral("DELIVERED 0 0"));
    }
    QVERIFY2(station.finish(), qPrintable(station.errors()));

    QCOMPARE(callsOf(db, numbers.at(0)), 5);
    QCOMPARE(callsOf(db, numbers.at(1)), 1);
    QCOMPARE(callsOf(db, numbers.at(2)), 1);
    QCOMPARE(office.callsFrom(2), cause == RenamedFolder ? 5 : 4);
    verifyLogIsConsistent(db);
    QVERIFY(!QFileInfo::exists(outboxPath(dataHome, env.programFolder())));
}

void OutboxWorkstationsTest::killDuringDeliveryLogsEveryCallOnce()
{
    Office office;
    const QString& db = office.db;
    QVERIFY(ProgramDatabase::addClient(db, QStringLiteral("4567890"), QStringLiteral("DÍAZ JUAN"),
                                       false, 4));
    const QString dataHome = office.env.makeFolder(QStringLiteral("puesto6"));
    const QString outbox = outboxPath(dataHome, office.env.programFolder());
    // Calls of one long outage, 300 at a time: a known client, and 37 new numbers called again
    // and again, each call a second after the one before.
    constexpr int Refill = 300;
    const QDateTime start(QDate(2024, 3, 5), QTime(8, 0, 0));
    int filled = 0;
    const auto refill = [&] {
        QList<PendingCall> calls;
        for (int i = filled; i < filled + Refill; ++i) {
            const QString number =
                i % 5 == 0 ? QStringLiteral("4567890")
                           : QStringLiteral("35155%1").arg(i % 37, 5, 10, QLatin1Char('0'));
            calls.append({number, start.addSecs(i), 6});
        }
        filled += Refill;
        return fillOutbox(outbox, calls);
    };
    QVERIFY(refill());

    // Two calls to a transaction, so that a kill falls between many commits and file rewrites.
    const QStringList arguments = office.station(
        6, {QStringLiteral("--batch"), QStringLiteral("2"), QStringLiteral("--deliver")});
    const quint32 firstDraw = QRandomGenerator::global()->generate();
    QRandomGenerator random(firstDraw);
    // The kill comes a random moment after the start. The moments follow the machine's speed,
    // so that each run delivers a little and is cut short in the middle; a faster machine that
    // empties the outbox all the same gets more calls.
    constexpr int KillsWanted = 20;
    int killedMidway = 0;
    int runs = 0;
    int earliest = 20;
    int spread = 80;
    int waiting = Refill;
    while (killedMidway < KillsWanted && runs < 5 * KillsWanted) {
        ++runs;
        WorkerProcess station;
        QVERIFY(station.start(dataHome, arguments));
        if (!station.process().waitForFinished(earliest + static_cast<int>(random.bounded(spread))))
            station.kill();
        const int left = waitingIn(outbox);
        if (left < waiting && left > 0)
            ++killedMidway;
        if (left == waiting) {
            earliest += 15;
        } else if (waiting - left > 20) {
            earliest = qMax(0, earliest - 10);
            spread = qMax(10, spread / 2);
        }
        waiting = left;
        if (waiting == 0) {
            QVERIFY(refill());
            waiting = Refill;
        }
    }
    qInfo("kill -9: %d runs, %d killed mid-delivery, %d of %d calls left for the last run "
          "(random start %u)",
          runs, killedMidway, waiting, filled, firstDraw);
    QCOMPARE(killedMidway, KillsWanted);

    WorkerProcess last;
    QVERIFY(last.start(dataHome, arguments));
    QVERIFY2(last.finish(), qPrintable(last.errors()));
    QCOMPARE(QString::fromUtf8(last.process().readAllStandardOutput()).trimmed(),
             QStringLiteral("DELIVERED 0 0"));

    QCOMPARE(office.callsFrom(6), filled);
    QCOMPARE(callsOf(db, QStringLiteral("4567890")), 4 + filled / 5);
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) FROM Clientes")), 1 + 37);
    verifyLogIsConsistent(db);
    // Each call kept its own moment: one row for every second of the outage.
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(DISTINCT Fecha) FROM Llamadas WHERE "
                                      "Puesto = 6")),
             filled);
    QVERIFY(!QFileInfo::exists(outbox));
}

void OutboxWorkstationsTest::batchStaysInTheOutboxWhenTheCommitFails()
{
    Office office;
    const QString outbox =
        outboxPath(office.env.makeFolder(QStringLiteral("puesto4")), office.env.programFolder());
    const QDateTime start(QDate(2024, 3, 5), QTime(8, 0, 0));
    QList<PendingCall> calls;
    for (int i = 0; i < 3; ++i)
        calls.append({QStringLiteral("351555000%1").arg(i), start.addSecs(i), 4});
    QVERIFY(fillOutbox(outbox, calls));
    // Another workstation is reading the file: the delivery can write its batch, not commit it.
    const std::unique_ptr<QProcess> reader =
        DatabaseWorker::startReady({QStringLiteral("hold-read"), office.db});
    QVERIFY(reader);
    OutboxFile file(outbox);
    DeliveryLimits limits;
    limits.busyTimeoutMs = 300;

    DeliveryReport report = deliverOutbox(file, office.db, {}, limits);

    QCOMPARE(report.error, DatabaseError::RowLocked);
    QCOMPARE(report.delivered, 0);
    QList<PendingCall> left;
    QVERIFY(file.read(&left));
    QCOMPARE(left, calls);
    reader->closeWriteChannel();
    QVERIFY(reader->waitForFinished(10000));
    QCOMPARE(office.callsFrom(4), 0);

    report = deliverOutbox(file, office.db, {}, limits);
    QCOMPARE(report.error, 0);
    QCOMPARE(report.delivered, 3);
    QCOMPARE(office.callsFrom(4), 3);
    QVERIFY(!QFileInfo::exists(outbox));
}

void OutboxWorkstationsTest::twoWorkstationsDeliverIntoOneFile()
{
    Office office;
    const TestEnvironment& env = office.env;
    // Both were cut off at the same time and took calls from many of the same new numbers.
    constexpr int Calls = 300;
    const QDateTime start(QDate(2024, 3, 5), QTime(8, 0, 0));
    QStringList homes;
    for (int puesto = 1; puesto <= 2; ++puesto) {
        homes << env.makeFolder(QStringLiteral("puesto%1").arg(puesto));
        QList<PendingCall> calls;
        for (int i = 0; i < Calls; ++i)
            calls.append({QStringLiteral("3516%1").arg(i % 60, 6, 10, QLatin1Char('0')),
                          start.addSecs(i), static_cast<qint16>(puesto)});
        QVERIFY(fillOutbox(outboxPath(homes.last(), env.programFolder()), calls));
    }
    // A third workstation takes live calls meanwhile: no delivery keeps it waiting too long.
    WorkerProcess live;
    QVERIFY(live.start(env.makeFolder(QStringLiteral("puesto3")), office.station(3)));
    QCOMPARE(live.readLine(), QStringLiteral("READY"));

    WorkerProcess stations[2];
    for (int puesto = 1; puesto <= 2; ++puesto)
        QVERIFY(stations[puesto - 1].start(
            homes.at(puesto - 1),
            office.station(puesto, {QStringLiteral("--batch"), QStringLiteral("20"),
                                    QStringLiteral("--deliver")})));
    for (int i = 0; i < 10; ++i)
        QCOMPARE(live.ask(QStringLiteral("call 35177%1").arg(i)).section(' ', 1, 2),
                 QStringLiteral("1 0"));
    for (WorkerProcess& station : stations) {
        QVERIFY2(station.finish(), qPrintable(station.errors()));
        QCOMPARE(QString::fromUtf8(station.process().readAllStandardOutput()).trimmed(),
                 QStringLiteral("DELIVERED 0 0"));
    }

    for (int puesto = 1; puesto <= 2; ++puesto)
        QCOMPARE(office.callsFrom(puesto), Calls);
    const QString& db = office.db;
    QCOMPARE(count(db, QStringLiteral("SELECT COUNT(*) FROM Clientes WHERE Telefono LIKE '3516%'")),
             60);
    QCOMPARE(count(db, QStringLiteral("SELECT SUM(CantLlamadas) FROM Clientes WHERE Telefono "
                                      "LIKE '3516%'")),
             2 * Calls);
    verifyLogIsConsistent(db);
}

QTEST_GUILESS_MAIN(OutboxWorkstationsTest)
#include "tst_outbox_workstations.moc"
