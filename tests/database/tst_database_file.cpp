// The database file: missing, damaged, named in any case, and the schema of the empty one.

#include "DatabaseFixture.h"
#include "DatabaseTestHelpers.h"
#include "database/DatabaseFile.h"
#include "database/RowOperations.h"
#include "database/Statements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Statements;

class DatabaseFileTest : public QObject
{
    Q_OBJECT

private slots:
    void missingFileOrFolderIsReportedAndNothingCreated();
    void damagedFileIsReported_data();
    void damagedFileIsReported();
    void damagedPagesSurfaceOnReading();
    void fileNameIsMatchedWithoutCase();
    void emptyDatabaseCarriesTheSchema();
};

void DatabaseFileTest::missingFileOrFolderIsReportedAndNothingCreated()
{
    DatabaseFixture fixture;
    const QString folder = fixture.environment().makeFolder(QStringLiteral("vacia"));
    const QString path = databasePathIn(folder);
    QCOMPARE(probeDatabaseFile(path), DatabaseError::FileNotFound);
    DataControl control;
    control.setDatabaseName(path);
    control.setRecordSource(allCalls());
    QCOMPARE(control.refresh(), DatabaseError::FileNotFound);
    QCOMPARE(appendCall(path, 1, QDateTime::currentDateTime(), 1), DatabaseError::FileNotFound);
    QCOMPARE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

    const QString missingFolder = fixture.environment().root() + QStringLiteral("/no/existe");
    QCOMPARE(probeDatabaseFile(databasePathIn(missingFolder)), DatabaseError::PathNotFound);
    QVERIFY(!QDir(missingFolder).exists());
}

void DatabaseFileTest::damagedFileIsReported_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: a healthy SQLite file without our tables
    QTest::addColumn<bool>("wholeFile");     // false: only the header is overwritten

    QTest::newRow("zeroed header") << QByteArray(100, '\0') << false;
    QTest::newRow("text file") << QByteArray("Nombre;Telefono\nJuan;555\n") << true;
    QTest::newRow("foreign database") << QByteArray() << true;
}

void DatabaseFileTest::damagedFileIsReported()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, wholeFile);
    DatabaseFixture fixture;
    const QString path = fixture.databasePath();
    QFile file(path);
    if (content.isEmpty()) {
        QVERIFY(file.remove());
        DatabaseFixture::scalarIn(path, QStringLiteral("CREATE TABLE Otra (x)"));
    } else {
        QVERIFY(file.open(wholeFile ? QIODevice::WriteOnly | QIODevice::Truncate
                                    : QIODevice::ReadWrite));
        file.write(content);
        file.close();
    }
    QCOMPARE(probeDatabaseFile(path), DatabaseError::NotADatabase);
    DataControl control;
    QCOMPARE(fixture.attach(control, allCalls()), DatabaseError::NotADatabase);
}

void DatabaseFileTest::damagedPagesSurfaceOnReading()
{
    DatabaseFixture fixture;
    {
        DataControl writer;
        writer.setDatabaseName(fixture.databasePath());
        writer.setRecordSource(clientsTable());
        addManyClients(writer, 600);
    }
    QFile file(fixture.databasePath());
    QVERIFY(file.size() > 8 * 4096);
    QVERIFY(file.open(QIODevice::ReadWrite));
    // The header page stays intact, so the file opens; the pages after it are garbage.
    for (qint64 page = 1; page * 4096 < file.size(); ++page) {
        file.seek(page * 4096);
        file.write(QByteArray(4096, '\xA5'));
    }
    file.close();

    DataControl damaged;
    QCOMPARE(fixture.attach(damaged,
                            clientList(ClientFilterField::Nombre, QStringLiteral("número"), false)),
             DatabaseError::NotADatabase);
    QVERIFY(damaged.isEmpty());
    QCOMPARE(appendCall(fixture.databasePath(), 1, QDateTime::currentDateTime(), 1),
             DatabaseError::NotADatabase);
}

void DatabaseFileTest::fileNameIsMatchedWithoutCase()
{
    DatabaseFixture fixture;
    const QString folder = QFileInfo(fixture.databasePath()).absolutePath();
    QCOMPARE(probeDatabaseFile(folder + QStringLiteral("/llamora.mdb")), DatabaseError::None);
    QCOMPARE(probeDatabaseFile(folder + QStringLiteral("/LLAMORA.MDB")), DatabaseError::None);
}

void DatabaseFileTest::emptyDatabaseCarriesTheSchema()
{
    DatabaseFixture fixture;
    QCOMPARE(fixture.scalar(QStringLiteral("PRAGMA user_version")), 1);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 0);
    QCOMPARE(fixture.scalar(QStringLiteral(
                 "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                 "('Telefono', 'Fecha', 'Cliente', 'PuestoFecha')")),
             4);
    // The rollback journal, never WAL: the file lives in shared network folders.
    QFile file(fixture.databasePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(20);
    QCOMPARE(int(header.at(18)), 1);
    QCOMPARE(int(header.at(19)), 1);

    // Text lengths are those the editor allows, and no more.
    DataControl control;
    QCOMPARE(fixture.attach(control, clientsTable()), DatabaseError::None);
    QCOMPARE(control.addNew(), DatabaseError::None);
    control.setField(QStringLiteral("Telefono"), QString(21, QLatin1Char('1')));
    QCOMPARE(control.update(), DatabaseError::ValueNotAllowed);
    QCOMPARE(control.addNew(), DatabaseError::None);
    control.setField(QStringLiteral("Telefono"), QString(20, QLatin1Char('1')));
    control.setField(QStringLiteral("Nombre"), QString(50, QChar(0x00D1)));
    control.setField(QStringLiteral("Observaciones"), QString(200, QLatin1Char('x')));
    QCOMPARE(control.update(), DatabaseError::None);
}

std::unique_ptr<QObject> makeDatabaseFileTest()
{
    return std::make_unique<DatabaseFileTest>();
}

#include "tst_database_file.moc"
