// Repair on real files: sound, with a zeroed header, with damaged pages, beyond repair.
#include "MaintenanceFixture.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/RowOperations.h"
#include "maintenance/Maintenance.h"
#include "maintenance/MaintenanceMessages.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTest>

namespace {
QStringList damagedFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("Llamora-averiada-*.mdb")}, QDir::Files);
}
} // namespace

class RepairTest : public QObject
{
    Q_OBJECT

private slots:
    void repairOfASoundFileChangesNothing();
    void repairRebuildsIndexesInPlace();
    void repairReadsAFileWithAZeroedHeader();
    void repairSavesEveryRowOnUndamagedPages();
    void fileThatCannotBeRepaired();
};

void RepairTest::repairOfASoundFileChangesNothing()
{
    MaintenanceFixture f(20, 50);
    const quint64 original = MaintenanceFixture::inode(f.databasePath());
    const MaintenanceResult result = ReparaBaseDatos(f.folder());
    QVERIFY(result.succeeded);
    QCOMPARE(result.message.text, QStringLiteral("La Base de Datos ha sido reparada"));
    QCOMPARE(result.message.icon, MessageIcon::Information);
    QCOMPARE(MaintenanceFixture::inode(f.databasePath()), original);
    QVERIFY(damagedFiles(f.folder()).isEmpty());
}

// Two indexes of the call table swapped: only indexes disagree with their table, and rebuilding
// them mends the file where it is.
void RepairTest::repairRebuildsIndexesInPlace()
{
    MaintenanceFixture f(50, 500);
    const QString before = MaintenanceFixture::fingerprint(f.databasePath());
    const auto rootOf = [&](const char* index) {
        return MaintenanceFixture::scalar(
            f.databasePath(),
            QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(index));
    };
    const qint64 fecha = rootOf("Fecha");
    const qint64 cliente = rootOf("Cliente");
    const QString swap = QStringLiteral("UPDATE sqlite_master SET rootpage = %1 WHERE name = '%2'");
    QVERIFY(MaintenanceFixture::execute(f.databasePath(),
                                        {QStringLiteral("PRAGMA writable_schema = ON"),
                                         swap.arg(cliente).arg(QStringLiteral("Fecha")),
                                         swap.arg(fecha).arg(QStringLiteral("Cliente"))}));
    QVERIFY2(MaintenanceFixture::integrity(f.databasePath()).contains(QStringLiteral("index")),
             qPrintable(MaintenanceFixture::integrity(f.databasePath())));
    const quint64 original = MaintenanceFixture::inode(f.databasePath());

    const MaintenanceResult result = ReparaBaseDatos(f.folder());
    QVERIFY2(result.succeeded, qPrintable(result.detail));
    QCOMPARE(result.message, MaintenanceMessages::repaired());
    QCOMPARE(MaintenanceFixture::integrity(f.databasePath()), QStringLiteral("ok"));
    QCOMPARE(MaintenanceFixture::fingerprint(f.databasePath()), before);
    QCOMPARE(MaintenanceFixture::inode(f.databasePath()), original);
    QVERIFY(damagedFiles(f.folder()).isEmpty());
}

void RepairTest::repairReadsAFileWithAZeroedHeader()
{
    MaintenanceFixture f;
    const QString before = MaintenanceFixture::fingerprint(f.databasePath());
    QVERIFY(CompactaBaseDatos(f.folder()).succeeded);
    const QString backup = MaintenanceFixture::fingerprint(f.path(QStringLiteral("Llamora.bak")));
    QVERIFY(MaintenanceFixture::zeroHeader(f.databasePath()));
    DatabaseConnection probe;
    QCOMPARE(probe.open(f.databasePath()), DatabaseError::NotADatabase);

    const MaintenanceResult result = ReparaBaseDatos(f.folder());
    QVERIFY2(result.succeeded, qPrintable(result.detail));
    QCOMPARE(result.message, MaintenanceMessages::repaired());
    QCOMPARE(MaintenanceFixture::fingerprint(f.databasePath()), before);
    QCOMPARE(MaintenanceFixture::integrity(f.databasePath()), QStringLiteral("ok"));
    // The damaged file is kept under a name of its own; the last good backup stays as it was.
    QCOMPARE(damagedFiles(f.folder()).size(), 1);
    QCOMPARE(MaintenanceFixture::fingerprint(f.path(QStringLiteral("Llamora.bak"))), backup);
    QCOMPARE(probe.open(f.databasePath()), DatabaseError::None);
}

void RepairTest::repairSavesEveryRowOnUndamagedPages()
{
    MaintenanceFixture f(600, 12000);
    const QList<int> callPages =
        MaintenanceFixture::leafPages(f.databasePath(), QStringLiteral("Llamadas"));
    const QList<int> clientPages =
        MaintenanceFixture::leafPages(f.databasePath(), QStringLiteral("Clientes"));
    QVERIFY(callPages.size() > 20);
    QVERIFY(clientPages.size() > 4);
    // Pages in the middle, apart and side by side, and the one with the lowest keys.
    const int middle = static_cast<int>(callPages.size() / 2);
    const int first =
        MaintenanceFixture::firstLeafPage(f.databasePath(), QStringLiteral("Llamadas"));
    QVERIFY(first > 0 && first != callPages.at(middle / 2) && first < callPages.at(middle));
    const QList<int> damagedCalls{first, callPages.at(middle / 2), callPages.at(middle),
                                  callPages.at(middle + 1)};
    const QList<int> damagedClients{clientPages.at(clientPages.size() / 2)};
    const qint64 lostCalls =
        MaintenanceFixture::rowsOnPages(f.databasePath(), QStringLiteral("Llamadas"), damagedCalls);
    const qint64 lostClients = MaintenanceFixture::rowsOnPages(
        f.databasePath(), QStringLiteral("Clientes"), damagedClients);
    QVERIFY(lostCalls > 0 && lostClients > 0);
    const qint64 lastCall = MaintenanceFixture::scalar(
        f.databasePath(), QStringLiteral("SELECT max(IdLlamada) FROM Llamadas"));
    QVERIFY(MaintenanceFixture::overwritePages(f.databasePath(), damagedCalls + damagedClients));
    QVERIFY(MaintenanceFixture::integrity(f.databasePath()) != QLatin1String("ok"));

    const MaintenanceResult result = ReparaBaseDatos(f.folder());
    QVERIFY2(result.succeeded, qPrintable(result.detail));
    const QStringList kept = damagedFiles(f.folder());
    QCOMPARE(kept.size(), 1);
    QCOMPARE(result.message, MaintenanceMessages::repairedWithLosses(
                                 600 - lostClients, 12000 - lostCalls, kept.first()));
    QVERIFY(result.message.text.startsWith(QStringLiteral("La Base de Datos ha sido reparada")));
    QCOMPARE(MaintenanceFixture::integrity(f.databasePath()), QStringLiteral("ok"));
    QCOMPARE(MaintenanceFixture::callCount(f.databasePath()), 12000 - lostCalls);

    // The repaired file takes calls again, under keys never given before.
    QCOMPARE(appendCall(f.databasePath(), 1, QDateTime(QDate(2030, 5, 1), QTime(9, 0)), 3),
             DatabaseError::None);
    QCOMPARE(MaintenanceFixture::scalar(f.databasePath(),
                                        QStringLiteral("SELECT max(IdLlamada) FROM Llamadas")),
             lastCall + 1);
}

void RepairTest::fileThatCannotBeRepaired()
{
    MaintenanceFixture f(20, 50);
    {
        QFile file(f.databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(8 * 4096, '\xab'));
    }
    const QStringList files = MaintenanceFixture::filesIn(f.folder());
    const MaintenanceResult result = ReparaBaseDatos(f.folder());
    QVERIFY(!result.succeeded);
    QCOMPARE(result.message.text, QStringLiteral("La Base de Datos no puede ser reparada."));
    QCOMPARE(result.message.icon, MessageIcon::Critical);
    QCOMPARE(MaintenanceFixture::filesIn(f.folder()), files);
    QFile file(f.databasePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(8 * 4096, '\xab'));

    // Compaction refuses it too, and says what to do.
    QCOMPARE(CompactaBaseDatos(f.folder()).message.text,
             QStringLiteral(
                 "La Base de Datos no puede ser compactada. Repare la base y vuelva a intentar"));
    QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("NewLlamora.mdb"))));
}

// Another user of the database's group can mark presence on a companion file this one created,
// whatever this process's umask.
QTEST_GUILESS_MAIN(RepairTest)
#include "tst_repair.moc"
