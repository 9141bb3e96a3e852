// Compaction on real files, with other workstations as other processes, a compaction killed at
// random points, and the presence gate and companion file it relies on.
#include "DatabaseWorker.h"
#include "MaintenanceFixture.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/Presence.h"
#include "database/RowOperations.h"
#include "maintenance/FileReplacement.h"
#include "maintenance/Maintenance.h"
#include "maintenance/MaintenanceMessages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
namespace {
QStringList callRows(const QString& databasePath)
{
    return MaintenanceFixture::rows(databasePath,
                                    QStringLiteral("SELECT * FROM Llamadas ORDER BY IdLlamada"));
}
} // namespace

class MaintenanceTest : public QObject
{
    Q_OBJECT

private slots:
    void compactionKeepsTheOldFileAsBackup();
    void inUseRefusesAndChangesNothing_data();
    void inUseRefusesAndChangesNothing();
    void openingWaitsForMaintenanceThenIsRefused();
    void callsDuringCompactionLandInTheNewFile();
    void killedCompactionLeavesAWholeDatabase();
    void replacementWhereLinksAreRefused();
    void companionFileFollowsTheDatabasePermissions();
};

void MaintenanceTest::compactionKeepsTheOldFileAsBackup()
{
    MaintenanceFixture f;
    const QString before = MaintenanceFixture::fingerprint(f.databasePath());
    QVERIFY(!before.isEmpty());
    QVERIFY(QFile::setPermissions(f.databasePath(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ReadGroup | QFile::WriteGroup));
    // A leftover of an earlier failure is ours: it does not block the compaction.
    {
        QFile stale(f.path(QStringLiteral("NewLlamora.mdb")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("a compaction that died");
    }

    // No backup yet: the old file becomes it.
    const quint64 original = MaintenanceFixture::inode(f.databasePath());
    MaintenanceResult result = CompactaBaseDatos(f.folder());
    QVERIFY2(result.succeeded, qPrintable(result.detail));
    QCOMPARE(result.message, MaintenanceMessages::compacted());
    QCOMPARE(result.message.text, QStringLiteral("La Base de Datos ha sido compactada"));
    QCOMPARE(MaintenanceFixture::inode(f.path(QStringLiteral("Llamora.bak"))), original);
    QCOMPARE(MaintenanceFixture::fingerprint(f.path(QStringLiteral("Llamora.bak"))), before);
    QCOMPARE(MaintenanceFixture::fingerprint(f.databasePath()), before);
    QCOMPARE(MaintenanceFixture::integrity(f.databasePath()), QStringLiteral("ok"));
    QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("NewLlamora.mdb"))));
    // Whoever could write the old file can write the new one.
    QCOMPARE(QFileInfo(f.databasePath()).permissions(), QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ReadUser | QFile::WriteUser |
                                                            QFile::ReadGroup | QFile::WriteGroup);

    // Twice in a row: the backup is the file the first run produced.
    const quint64 firstResult = MaintenanceFixture::inode(f.databasePath());
    result = CompactaBaseDatos(f.folder());
    QVERIFY2(result.succeeded, qPrintable(result.detail));
    QCOMPARE(MaintenanceFixture::inode(f.path(QStringLiteral("Llamora.bak"))), firstResult);
    QCOMPARE(MaintenanceFixture::fingerprint(f.databasePath()), before);
}

void MaintenanceTest::inUseRefusesAndChangesNothing_data()
{
    QTest::addColumn<bool>("otherWorkstation");
    QTest::addColumn<bool>("repair");
    QTest::newRow("this workstation, compaction") << false << false;
    QTest::newRow("this workstation, repair") << false << true;
    QTest::newRow("other workstation, compaction") << true << false;
    QTest::newRow("other workstation, repair") << true << true;
}

void MaintenanceTest::inUseRefusesAndChangesNothing()
{
    QFETCH(bool, otherWorkstation);
    QFETCH(bool, repair);
    MaintenanceFixture f(20, 50);
    const QString before = MaintenanceFixture::fingerprint(f.databasePath());
    const QStringList files = MaintenanceFixture::filesIn(f.folder());

    DatabaseConnection here;
    std::unique_ptr<QProcess> other;
    if (otherWorkstation) {
        other = DatabaseWorker::startReady(
            {QStringLiteral("present"), f.databasePath(), QStringLiteral("otro-puesto")});
        QVERIFY(other);
    } else {
        QCOMPARE(here.open(f.databasePath()), DatabaseError::None);
    }

    const MaintenanceResult result =
        repair ? ReparaBaseDatos(f.folder()) : CompactaBaseDatos(f.folder());
    QVERIFY(!result.succeeded);
    const int expected =
        otherWorkstation ? DatabaseError::InUseElsewhere : DatabaseError::InUseHere;
    QCOMPARE(result.error, expected);
    QCOMPARE(result.message, *MaintenanceMessages::inUse(expected));
    QCOMPARE(result.message.icon, MessageIcon::Critical);
    QCOMPARE(MaintenanceFixture::filesIn(f.folder()), files);
    here.close();
    if (other) {
        other->closeWriteChannel();
        QVERIFY(other->waitForFinished(10000));
    }
    QCOMPARE(MaintenanceFixture::fingerprint(f.databasePath()), before);
}

// While maintenance holds the file, another workstation's open waits, then is refused as the
// file in use; once it is over the call is logged.
void MaintenanceTest::openingWaitsForMaintenanceThenIsRefused()
{
    MaintenanceFixture f(20, 50);
    ExclusivePresence maintenance;
    QCOMPARE(maintenance.acquire(f.databasePath()), DatabaseError::None);
    auto other = DatabaseWorker::startReady({QStringLiteral("append-calls"), f.databasePath(),
                                             QStringLiteral("1"), QStringLiteral("0")});
    QVERIFY(other);
    QVERIFY(other->waitForReadyRead(15000));
    QCOMPARE(QString::fromUtf8(other->readLine()).trimmed(),
             QStringLiteral("refused %1").arg(DatabaseError::InUseHere));
    QCOMPARE(MaintenanceFixture::callCount(f.databasePath()), 50);

    maintenance.release();
    QVERIFY(other->waitForFinished(15000));
    QCOMPARE(other->exitCode(), 0);
    QCOMPARE(MaintenanceFixture::callCount(f.databasePath()), 51);
}

void MaintenanceTest::callsDuringCompactionLandInTheNewFile()
{
    MaintenanceFixture f(500, 40000);
    const QStringList before = callRows(f.databasePath());
    constexpr int calls = 400;
    auto other = DatabaseWorker::startReady({QStringLiteral("append-calls"), f.databasePath(),
                                             QString::number(calls), QStringLiteral("5")});
    QVERIFY(other);
    // Some of its calls go into the file before the compaction, the rest after.
    QTRY_VERIFY_WITH_TIMEOUT(MaintenanceFixture::callCount(f.databasePath()) >= before.size() + 10,
                             20000);
    // The other workstation has the file open while it logs a call: try until it has not.
    MaintenanceResult result;
    for (int attempt = 0; attempt < 200 && !result.succeeded; ++attempt) {
        result = CompactaBaseDatos(f.folder());
        if (!result.succeeded)
            QThread::msleep(2);
    }
    QVERIFY2(result.succeeded, qPrintable(result.detail));
    QVERIFY(other->waitForFinished(60000));
    QCOMPARE(other->exitCode(), 0);

    const QStringList backup = callRows(f.path(QStringLiteral("Llamora.bak")));
    const QStringList after = callRows(f.databasePath());
    QCOMPARE(after.size(), before.size() + calls);
    // Every call that reached the old file is in the new one too: none went only into the backup.
    QVERIFY(backup.size() > before.size());
    QVERIFY(backup.size() < after.size());
    QCOMPARE(after.mid(0, backup.size()), backup);
    QCOMPARE(MaintenanceFixture::integrity(f.databasePath()), QStringLiteral("ok"));
}

void MaintenanceTest::killedCompactionLeavesAWholeDatabase()
{
    MaintenanceFixture f(200, 20000);
    const QString before = MaintenanceFixture::fingerprint(f.databasePath());
    const QStringList arguments{QStringLiteral("compact"), f.folder()};

    // How long a whole run takes here, from its "READY".
    QElapsedTimer timer;
    auto whole = DatabaseWorker::startReady(arguments);
    QVERIFY(whole);
    timer.start();
    QVERIFY(whole->waitForFinished(30000));
    const qint64 span = std::max<qint64>(timer.elapsed(), 10);
    QCOMPARE(whole->exitCode(), 0);

    constexpr int runs = 20;
    for (int run = 0; run < runs; ++run) {
        const int delay = QRandomGenerator::global()->bounded(static_cast<int>(span * 5 / 4) + 1);
        auto process = DatabaseWorker::startReady(arguments);
        QVERIFY(process);
        QThread::msleep(static_cast<unsigned long>(delay));
        ::kill(static_cast<pid_t>(process->processId()), SIGKILL);
        QVERIFY(process->waitForFinished(10000));
        const QString where = QStringLiteral("run %1, killed after %2 ms").arg(run).arg(delay);
        QVERIFY2(MaintenanceFixture::integrity(f.databasePath()) == QLatin1String("ok"),
                 qPrintable(where));
        QVERIFY2(MaintenanceFixture::fingerprint(f.databasePath()) == before, qPrintable(where));
    }
    const MaintenanceResult last = CompactaBaseDatos(f.folder());
    QVERIFY2(last.succeeded, qPrintable(last.detail));
    QCOMPARE(MaintenanceFixture::fingerprint(f.databasePath()), before);
}

// Some network shares refuse hard links: two renames, and the old file back in place when the
// second one fails.
void MaintenanceTest::replacementWhereLinksAreRefused()
{
    MaintenanceFixture f(20, 50);
    const QString before = MaintenanceFixture::fingerprint(f.databasePath());
    const QString backup = f.path(QStringLiteral("Llamora.bak"));
    const QString fresh = f.path(QStringLiteral("NewLlamora.mdb"));
    QVERIFY(QFile::copy(f.databasePath(), fresh));
    QCOMPARE(appendCall(fresh, 1, QDateTime(QDate(2030, 1, 1), QTime(9, 0)), 4),
             DatabaseError::None);
    const QString after = MaintenanceFixture::fingerprint(fresh);
    QString why;
    QVERIFY2(replaceKeepingOld(f.databasePath(), fresh, backup, &why, Links::Refused),
             qPrintable(why));
    QCOMPARE(MaintenanceFixture::fingerprint(f.databasePath()), after);
    QCOMPARE(MaintenanceFixture::fingerprint(backup), before);
    QVERIFY(!QFileInfo::exists(fresh));

    // A new file on another file system cannot be renamed into the folder.
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/llamora-XXXXXX"));
    struct stat shm = {};
    struct stat here = {};
    if (!elsewhere.isValid() || stat(QFile::encodeName(elsewhere.path()).constData(), &shm) != 0 ||
        stat(QFile::encodeName(f.folder()).constData(), &here) != 0 || shm.st_dev == here.st_dev)
        QSKIP("needs a second file system in /dev/shm");
    const QString away = elsewhere.filePath(QStringLiteral("NewLlamora.mdb"));
    QVERIFY(QFile::copy(backup, away));
    QVERIFY(QFile::remove(backup));
    const quint64 live = MaintenanceFixture::inode(f.databasePath());
    QVERIFY(!replaceKeepingOld(f.databasePath(), away, backup, &why, Links::Refused));
    QCOMPARE(MaintenanceFixture::inode(f.databasePath()), live);
    QCOMPARE(MaintenanceFixture::fingerprint(f.databasePath()), after);
    QVERIFY(!QFileInfo::exists(backup));
}

void MaintenanceTest::companionFileFollowsTheDatabasePermissions()
{
    if (geteuid() != 0)
        QSKIP("needs root to act as a second user");
    MaintenanceFixture f(5, 5);
    constexpr gid_t sharedGroup = 65534;
    QVERIFY(QFile::setPermissions(f.folder(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::WriteOther | QFile::ExeOther));
    QVERIFY(QFile::setPermissions(QFileInfo(f.folder()).absolutePath(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadOther | QFile::ExeOther));
    const QByteArray database = QFile::encodeName(f.databasePath());
    QCOMPARE(chown(database.constData(), static_cast<uid_t>(-1), sharedGroup), 0);
    QCOMPARE(chmod(database.constData(), 0660), 0);

    DatabaseConnection here;
    QCOMPARE(here.open(f.databasePath()), DatabaseError::None);
    struct stat companion = {};
    QCOMPARE(stat(QFile::encodeName(presenceFilePath(f.databasePath())).constData(), &companion),
             0);
    QCOMPARE(companion.st_mode & 0777, mode_t(0660));
    QCOMPARE(companion.st_gid, sharedGroup);

    QProcess other;
    other.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=65533"), QStringLiteral("--regid=65534"),
                 QStringLiteral("--clear-groups"), DatabaseWorker::path(),
                 QStringLiteral("present"), f.databasePath(), QString()});
    QVERIFY(other.waitForStarted(10000));
    QVERIFY(other.waitForReadyRead(10000));
    QCOMPARE(QString::fromUtf8(other.readLine()).trimmed(), QStringLiteral("marked 1"));
    here.close();
    QCOMPARE(CompactaBaseDatos(f.folder()).error, DatabaseError::InUseHere);
    other.closeWriteChannel();
    QVERIFY(other.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(MaintenanceTest)
#include "tst_maintenance.moc"
