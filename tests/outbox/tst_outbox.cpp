// The outbox in one process: its file (damage set aside, never deleted), a delivery into a real
// database file (order, counts, calls found already logged, numbers longer than the column), the
// calls kept in memory when the outbox cannot be written, an outbox that cannot be locked or
// read, damage the engine does not report on write, and when it tries again.

#include "DamagedDatabase.h"
#include "OrdinaryUser.h"
#include "ProgramDatabase.h"
#include "TestEnvironment.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "outbox/Outbox.h"
#include "outbox/OutboxDelivery.h"
#include "outbox/OutboxFile.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

namespace {

const QDateTime Start(QDate(2024, 3, 5), QTime(21, 7, 9));

bool appendBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

QStringList asideFiles(const QString& outboxPath)
{
    const QFileInfo info(outboxPath);
    return QDir(info.absolutePath())
        .entryList({info.fileName() + QStringLiteral(".danado-*")}, QDir::Files);
}

} // namespace

class OutboxTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void damagedPartIsSetAsideAndTheRestKept();
    void deliveryLogsEachCallOnceInArrivalOrder();
    void unwritableOutboxKeepsCallsInMemory();
    void outboxThatCannotBeLockedOrReadIsCountedAndReported();
    void damageTheEngineDoesNotReportKeepsTheCall();
    void retriesBackOffAndStopWhenEmpty();

private:
    std::unique_ptr<TestEnvironment> m_env;
    QString m_path;
};

void OutboxTest::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_path = OutboxFile::pathFor(m_env->programFolder());
}

void OutboxTest::cleanup()
{
    m_env.reset();
}

void OutboxTest::damagedPartIsSetAsideAndTheRestKept()
{
    // Under the data home, named after the installation as its settings file is.
    QCOMPARE(m_path, m_env->dataHome() + QStringLiteral("/Llamora/Llamora-") +
                         QString::fromLatin1(QUrl::toPercentEncoding(m_env->programFolder())) +
                         QStringLiteral(".pendientes"));
    OutboxFile outbox(m_path);
    const PendingCall first{QStringLiteral("4567890"), Start, 3};
    const PendingCall odd{QStringLiteral("35 1\t'%ñ"), Start.addSecs(1), 10};
    QVERIFY(outbox.append(first));
    // A line ending in CR LF (the file went through another system) is a good line.
    const PendingCall crlf{QStringLiteral("4567891"), Start, 3};
    QVERIFY(appendBytes(m_path, OutboxFile::encode(crlf) + "\r\n\r\n"));
    QVERIFY(outbox.append(odd));
    // A line damaged in the middle (one character changed) and a last one cut short by a crash.
    QByteArray changed = OutboxFile::encode({QStringLiteral("1112222"), Start, 3});
    changed[changed.indexOf("1112222")] = '7';
    const QByteArray cut = OutboxFile::encode({QStringLiteral("3334444"), Start, 3}).left(20);
    QVERIFY(appendBytes(m_path, changed + '\n' + cut));

    // A call taken after the crash starts a line of its own and survives.
    const PendingCall after{QStringLiteral("5556666"), Start.addSecs(2), 3};
    QVERIFY(outbox.append(after));
    QList<PendingCall> calls;
    QString aside;
    QVERIFY(outbox.read(&calls, &aside));

    QCOMPARE(calls, (QList<PendingCall>{first, crlf, odd, after}));
    QCOMPARE(asideFiles(m_path).size(), 1);
    QCOMPARE(aside, QFileInfo(m_path).absolutePath() + QLatin1Char('/') + asideFiles(m_path).at(0));
    QCOMPARE(fileBytes(aside), changed + '\n' + cut + '\n');
    // The outbox itself is whole again.
    QCOMPARE(fileBytes(m_path), OutboxFile::encode(first) + '\n' + OutboxFile::encode(crlf) + '\n' +
                                    OutboxFile::encode(odd) + '\n' + OutboxFile::encode(after) +
                                    '\n');
    QVERIFY(outbox.read(&calls, &aside));
    QVERIFY(aside.isEmpty());

    // Removing takes one line for each delivered call; an empty outbox leaves no file.
    QVERIFY(outbox.remove({odd}));
    QVERIFY(outbox.read(&calls));
    QCOMPARE(calls, (QList<PendingCall>{first, crlf, after}));
    QVERIFY(outbox.remove({first, crlf, after}));
    QVERIFY(!QFile::exists(m_path));
}

void OutboxTest::deliveryLogsEachCallOnceInArrivalOrder()
{
    const QString db = TestEnvironment::copyEmptyDatabase(m_env->makeFolder(QStringLiteral("db")));
    const qint64 known =
        ProgramDatabase::addClient(db, QStringLiteral("4567890"), QStringLiteral("Juan"), false, 4);
    OutboxFile outbox(m_path);
    const QList<PendingCall> calls{
        {QStringLiteral("4567890"), Start, 3},
        {QStringLiteral("3515550001"), Start.addSecs(1), 3},
        // Longer than the column: logged by its last 20 digits, a client of its own.
        {QStringLiteral("1234567890123456789012345"), Start.addSecs(2), 3},
        {QStringLiteral("3515550001"), Start.addSecs(3), 3},
        // Logged already by a run that died before taking it off.
        {QStringLiteral("4567890"), Start.addSecs(4), 3},
        {QStringLiteral("4567890"), Start.addSecs(5), 4},
    };
    for (const PendingCall& call : calls)
        QVERIFY(outbox.append(call));
    QVERIFY(ProgramDatabase::execute(
        db, QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) VALUES (%1, "
                           "'2024-03-05 21:07:13', 3)")
                .arg(known)));
    QVERIFY(ProgramDatabase::execute(
        db,
        QStringLiteral("UPDATE Clientes SET CantLlamadas = 5 WHERE IdCliente = %1").arg(known)));

    // Two calls to a transaction: the batches meet the set-aside and the already logged call.
    DeliveryLimits limits;
    limits.batchCalls = 2;
    const DeliveryReport report = deliverOutbox(outbox, db, {}, limits);

    QCOMPARE(report.error, 0);
    QVERIFY(!report.outboxError);
    QCOMPARE(report.delivered, 6);
    QCOMPARE(report.alreadyLogged, 1);
    QCOMPARE(report.refused, 0);
    QVERIFY(!QFile::exists(m_path));
    QVERIFY(report.asidePath.isEmpty());
    // In arrival order, each with its own moment and workstation; the new number's client
    // entered on the day of its first call.
    QCOMPARE(ProgramDatabase::scalar(
                 db, QStringLiteral("SELECT group_concat(C.Telefono || ' ' || L.Fecha || ' ' || "
                                    "L.Puesto, ', ') FROM (SELECT * FROM Llamadas WHERE Fecha "
                                    "LIKE '2024-03-05%' ORDER BY IdLlamada) L JOIN Clientes C ON "
                                    "C.IdCliente = L.Cliente"))
                 .toString(),
             QStringLiteral("4567890 2024-03-05 21:07:13 3, 4567890 2024-03-05 21:07:09 3, "
                            "3515550001 2024-03-05 21:07:10 3, 67890123456789012345 2024-03-05 "
                            "21:07:11 3, 3515550001 2024-03-05 21:07:12 3, 4567890 2024-03-05 "
                            "21:07:14 4"));
    QCOMPARE(ProgramDatabase::scalar(db, QStringLiteral("SELECT group_concat(Telefono || ' ' || "
                                                        "CantLlamadas || ' ' || FIngreso, ', ') "
                                                        "FROM Clientes"))
                 .toString(),
             QStringLiteral("4567890 7 2023-03-01, 3515550001 2 2024-03-05, "
                            "67890123456789012345 1 2024-03-05"));
}

void OutboxTest::unwritableOutboxKeepsCallsInMemory()
{
    const QString db = TestEnvironment::copyEmptyDatabase(m_env->makeFolder(QStringLiteral("db")));
    // The data folder cannot be made: a file stands where it should be.
    const QString blocker = m_env->dataHome() + QStringLiteral("/Llamora");
    QVERIFY(QDir().mkpath(m_env->dataHome()));
    QVERIFY(appendBytes(blocker, "no es una carpeta"));
    Outbox outbox(m_path, [db] { return db; });
    // No delivery on a timer here: only the outbox taking the calls again moves them.
    outbox.setRetryDelays(60000, 60000);
    QSignalSpy counts(&outbox, &Outbox::countChanged);

    QVERIFY(!outbox.add({QStringLiteral("4567890"), Start, 3}));
    QVERIFY(!outbox.add({QStringLiteral("4567890"), Start.addSecs(1), 3}));
    QCOMPARE(outbox.count(), 2);
    QCOMPARE(outbox.unsavedCount(), 2);
    QCOMPARE(counts.size(), 2);
    QCOMPARE(outbox.saveProblem(),
             QStringLiteral("no se puede crear la carpeta «%1»: un archivo ocupa el lugar de una "
                            "carpeta")
                 .arg(blocker));

    // Delivered from memory all the same, in order.
    outbox.deliver();
    QTRY_COMPARE(outbox.count(), 0);
    QCOMPARE(outbox.unsavedCount(), 0);
    QVERIFY(outbox.saveProblem().isEmpty());
    QCOMPARE(ProgramDatabase::scalar(db, QStringLiteral("SELECT group_concat(Fecha, ', ') FROM "
                                                        "(SELECT Fecha FROM Llamadas ORDER BY "
                                                        "IdLlamada)"))
                 .toString(),
             QStringLiteral("2024-03-05 21:07:09, 2024-03-05 21:07:10"));

    // The calls reach the disk the moment it takes them again: no call after them, no delivery.
    const PendingCall third{QStringLiteral("4567890"), Start.addSecs(2), 3};
    QVERIFY(!outbox.add(third));
    QVERIFY(QFile::remove(blocker));
    QTRY_COMPARE_WITH_TIMEOUT(outbox.unsavedCount(), 0, 3 * Outbox::saveRetryMs);
    QVERIFY(outbox.saveProblem().isEmpty());
    QCOMPARE(outbox.count(), 1);
    QCOMPARE(fileBytes(m_path), OutboxFile::encode(third) + '\n');

    // A full disk says so.
    const QString full = m_env->dataHome() + QStringLiteral("/lleno.pendientes");
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), full));
    OutboxFile onFullDisk(full);
    QVERIFY(!onFullDisk.append(third));
    QCOMPARE(onFullDisk.problem(),
             QStringLiteral("no se puede escribir en «%1»: el disco está lleno").arg(full));
}

void OutboxTest::outboxThatCannotBeLockedOrReadIsCountedAndReported()
{
    // Root reads a file of mode 000.
    if (OrdinaryUser::isRoot()) {
        QVERIFY(OrdinaryUser::runTestFunction(QTest::currentTestFunction()));
        return;
    }
    const QString db = TestEnvironment::copyEmptyDatabase(m_env->makeFolder(QStringLiteral("db")));
    const auto fill = [this](int firstSecond) {
        OutboxFile file(m_path);
        for (int i = firstSecond; i < firstSecond + 8; ++i)
            QVERIFY(file.append({QStringLiteral("4567890"), Start.addSecs(i), 3}));
    };
    fill(0);
    // The lock path is taken by a folder: the calls are counted, not touched, and said why.
    const QString lockPath = m_path + QStringLiteral(".lock");
    QVERIFY(QFile::remove(lockPath));
    QVERIFY(QDir().mkdir(lockPath));
    auto outbox = std::make_unique<Outbox>(m_path, [db] { return db; });
    outbox->setRetryDelays(60000, 60000);
    QCOMPARE(outbox->count(), 8);
    QVERIFY(!outbox->isUnreadable());
    QCOMPARE(outbox->readProblem(),
             QStringLiteral("no se puede abrir su archivo de bloqueo «%1»: es una carpeta, no un "
                            "archivo")
                 .arg(lockPath));
    // A new call waits in memory and is delivered from there; the file's wait, untouched.
    QVERIFY(!outbox->add({QStringLiteral("3515550001"), Start.addSecs(60), 3}));
    QCOMPARE(outbox->count(), 9);
    outbox->deliver();
    QTRY_COMPARE(outbox->count(), 8);
    QCOMPARE(ProgramDatabase::count(db, QStringLiteral("SELECT COUNT(*) FROM Llamadas")), 1);
    QCOMPARE(OutboxFile(m_path).countWithoutLock(), 8);
    // Once the lock can be had, they go at once.
    QVERIFY(QDir().rmdir(lockPath));
    QTRY_COMPARE(outbox->count(), 0);
    QVERIFY(outbox->readProblem().isEmpty());
    QCOMPARE(ProgramDatabase::count(db, QStringLiteral("SELECT COUNT(*) FROM Llamadas")), 9);

    // A file that cannot be read at all: its calls cannot be counted, and it says so.
    outbox.reset();
    fill(100);
    QVERIFY(QFile::setPermissions(m_path, {}));
    outbox = std::make_unique<Outbox>(m_path, [db] { return db; });
    QVERIFY(outbox->isUnreadable());
    QCOMPARE(outbox->count(), 0);
    QCOMPARE(outbox->readProblem(),
             QStringLiteral("no se puede leer «%1»: no hay permiso para usarlo").arg(m_path));
    QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
    QTRY_VERIFY(!outbox->isUnreadable());
    QTRY_COMPARE(outbox->count(), 0);
    QCOMPARE(ProgramDatabase::count(db, QStringLiteral("SELECT COUNT(*) FROM Llamadas")), 17);
}

void OutboxTest::damageTheEngineDoesNotReportKeepsTheCall()
{
    const QString folder = m_env->makeFolder(QStringLiteral("db"));
    const QString db = TestEnvironment::copyEmptyDatabase(folder);
    QVERIFY(ProgramDatabase::addClient(db, QStringLiteral("4567890"), QStringLiteral("DÍAZ JUAN"),
                                       false, 10));
    const QByteArray good = fileBytes(db);
    // The root page of Llamadas, a leaf, garbage past its first 8 bytes: the engine takes an
    // insert there without an error, and the row cannot be read back.
    QVERIFY(overwriteRootPage(
        db, ProgramDatabase::count(db, QStringLiteral("SELECT rootpage FROM "
                                                      "sqlite_master WHERE name = "
                                                      "'Llamadas'"))));
    ProgramValues values;
    values.CarpetaBase = folder;
    values.NumeroPuesto = 3;
    DataControl datLlamada;
    datLlamada.setDatabaseName(db);
    CallReception reception(values, datLlamada);
    reception.setClock([] { return Start; });
    OutboxFile outbox(m_path);
    reception.setKeepForLater([&outbox](const PendingCall& call) { return outbox.append(call); });

    const ReceptionResult result = reception.receive(QStringLiteral("4567890"));

    QCOMPARE(result.outcome, ReceptionResult::Outcome::NotLogged);
    QCOMPARE(result.databaseError, DatabaseError::NotADatabase);
    QVERIFY(result.waiting && result.keptOnDisk);
    // Delivered into the same damage: refused, and kept.
    DeliveryReport report = deliverOutbox(outbox, db);
    QCOMPARE(report.error, DatabaseError::NotADatabase);
    QList<PendingCall> calls;
    QVERIFY(outbox.read(&calls));
    QCOMPARE(calls, (QList<PendingCall>{{QStringLiteral("4567890"), Start, 3}}));

    // Repaired: it goes in, counted.
    QVERIFY(overwriteFile(db, good));
    report = deliverOutbox(outbox, db);
    QCOMPARE(report.error, 0);
    QCOMPARE(report.delivered, 1);
    QCOMPARE(ProgramDatabase::callsOf(db, QStringLiteral("4567890")), 11);
}

void OutboxTest::retriesBackOffAndStopWhenEmpty()
{
    const QString folder = m_env->makeFolder(QStringLiteral("db"));
    QString db = folder + QStringLiteral("/falta/Llamora.mdb");
    Outbox outbox(m_path, [&db] { return db; });
    outbox.setRetryDelays(40, 200);
    QSignalSpy finished(&outbox, &Outbox::deliveryFinished);
    QCOMPARE(outbox.nextAttemptMs(), -1);

    QVERIFY(outbox.add({QStringLiteral("4567890"), Start, 3}));
    QCOMPARE(outbox.nextAttemptMs(), 40);
    // Each failed attempt waits twice as long, up to the longest delay.
    for (const int next : {80, 160, 200, 200}) {
        QVERIFY(finished.wait(5000));
        QCOMPARE(outbox.lastError(), DatabaseError::PathNotFound);
        QCOMPARE(outbox.nextAttemptMs(), next);
    }

    db = TestEnvironment::copyEmptyDatabase(folder);
    QVERIFY(finished.wait(5000));
    QCOMPARE(outbox.lastError(), 0);
    QCOMPARE(outbox.count(), 0);
    QCOMPARE(outbox.nextAttemptMs(), -1);
    // Leftovers of an earlier run are found at start and planned for at once.
    QVERIFY(OutboxFile(m_path).append({QStringLiteral("4567890"), Start.addSecs(1), 3}));
    Outbox restarted(m_path, [&db] { return db; });
    QCOMPARE(restarted.count(), 1);
    QCOMPARE(restarted.nextAttemptMs(), Outbox::firstRetryMs);
}

QTEST_GUILESS_MAIN(OutboxTest)
#include "tst_outbox.moc"
