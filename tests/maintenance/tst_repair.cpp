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
#include <QLocale>
#include <QSet>
#include <QTest>

namespace {
using Fill = MaintenanceFixture::Fill;

QStringList damagedFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("Llamora-averiada-*.mdb")}, QDir::Files);
}

// The beginning of the message of a repair that saved rows into a fresh file.
QString savedRows(qint64 clientes, qint64 llamadas)
{
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    return QStringLiteral("La Base de Datos ha sido reparada. Se recuperaron %1 clientes y %2 "
                          "llamadas.")
        .arg(spanish.toString(clientes), spanish.toString(llamadas));
}

QSet<QString> allRows(const QString& databasePath, const QString& table)
{
    const QStringList rows =
        MaintenanceFixture::rows(databasePath, QStringLiteral("SELECT * FROM ") + table);
    return {rows.cbegin(), rows.cend()};
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
    void repairSavesRowsBeneathDamagedTreePages_data();
    void repairSavesRowsBeneathDamagedTreePages();
    void deletedRowsStayDeleted();
    void rowsBreakingTheRulesAreKeptMadeValid();
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
    QVERIFY2(result.message.text.startsWith(savedRows(600 - lostClients, 12000 - lostCalls)),
             qPrintable(result.message.text));
    QVERIFY(result.message.text.endsWith(QStringLiteral("«%1».").arg(kept.first())));
    QCOMPARE(MaintenanceFixture::integrity(f.databasePath()), QStringLiteral("ok"));
    QCOMPARE(MaintenanceFixture::callCount(f.databasePath()), 12000 - lostCalls);

    // The repaired file takes calls again, under keys never given before.
    QCOMPARE(appendCall(f.databasePath(), 1, QDateTime(QDate(2030, 5, 1), QTime(9, 0)), 3),
             DatabaseError::None);
    QCOMPARE(MaintenanceFixture::scalar(f.databasePath(),
                                        QStringLiteral("SELECT max(IdLlamada) FROM Llamadas")),
             lastCall + 1);
}

void RepairTest::repairSavesRowsBeneathDamagedTreePages_data()
{
    QTest::addColumn<Fill>("fill");
    QTest::newRow("0xFF") << Fill::Ones;
    QTest::newRow("0xFF past the page header") << Fill::OnesPastFirst8;
    QTest::newRow("zeros") << Fill::Zeros;
    QTest::newRow("random") << Fill::Random;
}

// The root, an interior page and a leaf of each table damaged, on a tree of three levels: the
// repair ends, and every row of the other leaves is saved as it was.
void RepairTest::repairSavesRowsBeneathDamagedTreePages()
{
    QFETCH(Fill, fill);
    MaintenanceFixture f(600, 3000, 512);
    QList<int> damaged;
    qint64 lost[2] = {};
    QSet<QString> before[2];
    const QString tables[] = {QStringLiteral("Clientes"), QStringLiteral("Llamadas")};
    for (int t = 0; t < 2; ++t) {
        const int root = MaintenanceFixture::rootPage(f.databasePath(), tables[t]);
        QList<int> interior =
            MaintenanceFixture::treePages(f.databasePath(), tables[t], QStringLiteral("internal"));
        interior.removeAll(root);
        const QList<int> leaves = MaintenanceFixture::leafPages(f.databasePath(), tables[t]);
        QVERIFY2(!interior.isEmpty() && leaves.size() > 50, "the tree has three levels");
        const int leaf = leaves.at(leaves.size() / 3);
        damaged += {root, interior.last(), leaf};
        lost[t] = MaintenanceFixture::rowsOnPages(f.databasePath(), tables[t], {leaf});
        before[t] = allRows(f.databasePath(), tables[t]);
    }
    QVERIFY(MaintenanceFixture::overwritePages(f.databasePath(), damaged, fill));

    const MaintenanceResult result = ReparaBaseDatos(f.folder());
    QVERIFY2(result.succeeded, qPrintable(result.detail));
    QVERIFY2(result.message.text.startsWith(savedRows(600 - lost[0], 3000 - lost[1])),
             qPrintable(result.message.text));
    QVERIFY(result.message.text.contains(QStringLiteral("dañadas")));
    QCOMPARE(MaintenanceFixture::integrity(f.databasePath()), QStringLiteral("ok"));
    for (int t = 0; t < 2; ++t) {
        const QSet<QString> after = allRows(f.databasePath(), tables[t]);
        QCOMPARE(after.size(), before[t].size() - lost[t]);
        QVERIFY(before[t].contains(after));
    }
}

// Purged calls and deleted clients lie on free pages (and in freed parts of pages) with their
// data still there: the repair of a file whose roots are damaged brings none of them back.
void RepairTest::deletedRowsStayDeleted()
{
    MaintenanceFixture f(600, 3000, 512);
    QVERIFY(MaintenanceFixture::execute(
        f.databasePath(), {QStringLiteral("PRAGMA secure_delete = OFF"),
                           QStringLiteral("DELETE FROM Llamadas WHERE IdLlamada <= 1200"),
                           QStringLiteral("DELETE FROM Clientes WHERE IdCliente BETWEEN 200 AND "
                                          "400 OR IdCliente % 7 = 0")}));
    QVERIFY(MaintenanceFixture::scalar(f.databasePath(), QStringLiteral("PRAGMA freelist_count")) >
            20);
    const QSet<QString> clientes = allRows(f.databasePath(), QStringLiteral("Clientes"));
    const QSet<QString> llamadas = allRows(f.databasePath(), QStringLiteral("Llamadas"));
    QVERIFY(MaintenanceFixture::overwritePages(
        f.databasePath(),
        {MaintenanceFixture::rootPage(f.databasePath(), QStringLiteral("Clientes")),
         MaintenanceFixture::rootPage(f.databasePath(), QStringLiteral("Llamadas"))},
        Fill::Ones));

    const MaintenanceResult result = ReparaBaseDatos(f.folder());
    QVERIFY2(result.succeeded, qPrintable(result.detail));
    QCOMPARE(allRows(f.databasePath(), QStringLiteral("Clientes")), clientes);
    QCOMPARE(allRows(f.databasePath(), QStringLiteral("Llamadas")), llamadas);
}

// Rows whose values break a rule of the schema (left by an older program, or a hand-made copy)
// are saved with the value made valid, and counted in the message.
void RepairTest::rowsBreakingTheRulesAreKeptMadeValid()
{
    MaintenanceFixture f(20, 50);
    const QString longNote(3000, QChar(u'ñ')); // runs onto overflow pages
    QVERIFY(MaintenanceFixture::execute(
        f.databasePath(),
        {QStringLiteral("PRAGMA ignore_check_constraints = ON"),
         QStringLiteral("UPDATE Clientes SET Alerta = 2 WHERE IdCliente = 3"),
         QStringLiteral("UPDATE Clientes SET FIngreso = '01/03/2024' WHERE IdCliente = 4"),
         QStringLiteral("UPDATE Clientes SET Observaciones = '%1' WHERE IdCliente = 5")
             .arg(longNote),
         QStringLiteral("UPDATE Llamadas SET Fecha = 'ayer' WHERE IdLlamada = 7"),
         QStringLiteral("UPDATE Llamadas SET Fecha = '2024-03-05T10:00:00' WHERE IdLlamada = 8")}));
    const QString before = MaintenanceFixture::fingerprint(f.databasePath());

    const MaintenanceResult result = ReparaBaseDatos(f.folder());
    QVERIFY2(result.succeeded, qPrintable(result.detail));
    QVERIFY2(result.message.text.startsWith(savedRows(20, 50) +
                                            QStringLiteral(" De lo recuperado, 3 clientes y 2 "
                                                           "llamadas tenían datos que no "
                                                           "cumplían las reglas de la base")),
             qPrintable(result.message.text));
    QCOMPARE(result.message.icon, MessageIcon::Exclamation);
    QCOMPARE(MaintenanceFixture::integrity(f.databasePath()), QStringLiteral("ok"));
    const auto client = [&](int id) {
        return MaintenanceFixture::rows(
                   f.databasePath(),
                   QStringLiteral("SELECT Alerta, FIngreso, Observaciones FROM Clientes WHERE "
                                  "IdCliente = %1")
                       .arg(id))
            .value(0);
    };
    QCOMPARE(client(3), QStringLiteral("1|2024-03-01|Nota"));
    QCOMPARE(client(4), QStringLiteral("0|2024-03-01|"));
    QCOMPARE(client(5), QStringLiteral("0|2024-03-01|") + longNote.left(200));
    QCOMPARE(MaintenanceFixture::rows(f.databasePath(), QStringLiteral("SELECT Fecha FROM "
                                                                       "Llamadas WHERE IdLlamada "
                                                                       "IN (7, 8) ORDER BY 1")),
             (QStringList{QString(), QStringLiteral("2024-03-05 10:00:00")}));
    // The damaged file keeps the rows as they were.
    QCOMPARE(MaintenanceFixture::fingerprint(f.path(damagedFiles(f.folder()).value(0))), before);
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
