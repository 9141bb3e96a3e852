#include "DatabaseFixture.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DatabaseFile.h"
#include "database/DateText.h"
#include "database/Presence.h"
#include "database/RowOperations.h"
#include "database/Statements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {
QStringList namesOf(DataControl& control)
{
    QStringList names;
    for (int row = 0; row < control.recordCount(); ++row)
        names << control.valueAt(row, QStringLiteral("Nombre")).toString();
    return names;
}

QDateTime at(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}
} // namespace

class DatabaseTest : public QObject
{
    Q_OBJECT

private slots:
    // The file.
    void missingFileIsReportedAndNeverCreated();
    void missingFolderIsReported();
    void damagedFileIsReported_data();
    void damagedFileIsReported();
    void damagedPagesSurfaceOnReading();
    void fileNameIsMatchedWithoutCase();
    void emptyDatabaseCarriesTheSchema();

    // The statements.
    void callRangesRunToTheLastSecondOfTheEndDay();
    void purgeKeepsTheCutOffDay();
    void workstationZeroListsAreEmpty();
    void clientFilterMatchesLiterallyAndWithoutAccents_data();
    void clientFilterMatchesLiterallyAndWithoutAccents();
    void clientListSortsByEachColumn();
    void telephoneWithQuotesFindsItsClient();
    void deletedClientsCallsStayButLeaveTheLists();

    // Data control and row operations.
    void listsReadInPagesAndSeeChanges();
    void editNoticesARowChangedSinceItWasRead();
    void rowDeletedMeanwhileGives3167();
    void callerBecomesAClientCountedOnce();
    void savingDetailsSeeksTheClient();
    void addingAnExistingNumberIsRefused();
    void deletingMovesToTheNextRow();
    void detachedControlHoldsNothing();
    void presenceFollowsTheConnection();

    // Words and dates.
    void conflictMessagesHaveTheirTextsAndIcons();
    void regionalDatesReadBackTheSameMoment_data();
    void regionalDatesReadBackTheSameMoment();
};

void DatabaseTest::missingFileIsReportedAndNeverCreated()
{
    DatabaseFixture fixture;
    const QString folder = fixture.environment().makeFolder(QStringLiteral("vacia"));
    const QString path = databasePathIn(folder);
    QCOMPARE(probeDatabaseFile(path), DatabaseError::FileNotFound);

    DataControl control;
    control.setDatabaseName(path);
    control.setRecordSource(Statements::allCalls());
    QCOMPARE(control.refresh(), DatabaseError::FileNotFound);
    QCOMPARE(appendCall(path, 1, QDateTime::currentDateTime(), 1), DatabaseError::FileNotFound);
    QCOMPARE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void DatabaseTest::missingFolderIsReported()
{
    DatabaseFixture fixture;
    const QString folder = fixture.environment().root() + QStringLiteral("/no/existe");
    QCOMPARE(probeDatabaseFile(databasePathIn(folder)), DatabaseError::PathNotFound);
    QVERIFY(!QDir(folder).exists());
}

void DatabaseTest::damagedFileIsReported_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("offset"); // -1: replace the whole file

    QTest::newRow("zeroed header") << QByteArray(100, '\0') << 0;
    QTest::newRow("text file") << QByteArray("Nombre;Telefono\nJuan;555\n") << -1;
    QTest::newRow("empty file") << QByteArray() << -1;
    QTest::newRow("foreign database") << QByteArray("foreign") << -2;
}

void DatabaseTest::damagedFileIsReported()
{
    QFETCH(QByteArray, content);
    QFETCH(int, offset);
    DatabaseFixture fixture;
    const QString path = fixture.databasePath();
    QFile file(path);
    if (offset == -2) {
        // A healthy SQLite file without our tables.
        QVERIFY(file.remove());
        const QString name = QStringLiteral("foreign");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery(db).exec(QStringLiteral("CREATE TABLE Otra (x)"));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    } else if (offset < 0) {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
    } else {
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(offset);
        file.write(content);
        file.close();
    }
    QCOMPARE(probeDatabaseFile(path), DatabaseError::NotADatabase);
    DataControl control;
    control.setDatabaseName(path);
    control.setRecordSource(Statements::allCalls());
    QCOMPARE(control.refresh(), DatabaseError::NotADatabase);
    QCOMPARE(conflictMessage(DatabaseError::NotADatabase).text,
             QStringLiteral("Comunique a la asistencia técnica el error: 3343"));
}

void DatabaseTest::damagedPagesSurfaceOnReading()
{
    DatabaseFixture fixture;
    DataControl control;
    control.setDatabaseName(fixture.databasePath());
    // Enough rows for the client table to span many pages.
    control.setRecordSource(Statements::clientsTable());
    QVERIFY(control.connection().open(fixture.databasePath()) == DatabaseError::None);
    QCOMPARE(control.connection().beginWrite(), DatabaseError::None);
    for (int i = 0; i < 600; ++i) {
        QCOMPARE(control.addNew(), DatabaseError::None);
        control.setField(QStringLiteral("Telefono"), QString::number(4000000 + i));
        control.setField(QStringLiteral("Nombre"),
                         QStringLiteral("Cliente con un nombre largo %1").arg(i));
        QCOMPARE(control.update(), DatabaseError::None);
    }
    QCOMPARE(control.connection().commit(), DatabaseError::None);
    control.setDatabaseName(QString());

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
    damaged.setDatabaseName(fixture.databasePath());
    damaged.setRecordSource(
        Statements::clientList(ClientFilterField::Nombre, QStringLiteral("largo"), false));
    QCOMPARE(damaged.refresh(), DatabaseError::NotADatabase);
    QVERIFY(damaged.isEmpty());
    QCOMPARE(appendCall(fixture.databasePath(), 1, QDateTime::currentDateTime(), 1),
             DatabaseError::NotADatabase);
}

void DatabaseTest::fileNameIsMatchedWithoutCase()
{
    DatabaseFixture fixture;
    const QString folder = QFileInfo(fixture.databasePath()).absolutePath();
    QCOMPARE(probeDatabaseFile(folder + QStringLiteral("/llamora.mdb")), DatabaseError::None);
    QCOMPARE(probeDatabaseFile(folder + QStringLiteral("/LLAMORA.MDB")), DatabaseError::None);
    QVERIFY(!QFile::exists(folder + QStringLiteral("/llamora.mdb")) ||
            QFileInfo(folder + QStringLiteral("/llamora.mdb")).fileName() ==
                QStringLiteral("Llamora.mdb"));
}

void DatabaseTest::emptyDatabaseCarriesTheSchema()
{
    DatabaseFixture fixture;
    QCOMPARE(fixture.scalar(QStringLiteral("PRAGMA user_version")), 1);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 0);
    QCOMPARE(fixture.scalar(QStringLiteral(
                 "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                 "('Telefono', 'Fecha', 'Cliente', 'PuestoFecha')")),
             4);
    DatabaseConnection connection;
    QCOMPARE(connection.open(fixture.databasePath()), DatabaseError::None);
    QCOMPARE(connection.schemaVersion(), 1);
    QList<QVariantList> rows;
    Statement mode;
    mode.columns = QStringLiteral("journal_mode");
    mode.from = QStringLiteral("pragma_journal_mode");
    QCOMPARE(connection.readAll(mode, &rows), DatabaseError::None);
    QCOMPARE(rows.value(0).value(0).toString(), QStringLiteral("delete"));
    // Text lengths are those the editor allows, and no more.
    DataControl control;
    control.setDatabaseName(fixture.databasePath());
    control.setRecordSource(Statements::clientsTable());
    QCOMPARE(control.addNew(), DatabaseError::None);
    control.setField(QStringLiteral("Telefono"), QString(21, QLatin1Char('1')));
    QCOMPARE(control.update(), DatabaseError::ValueNotAllowed);
    QCOMPARE(control.addNew(), DatabaseError::None);
    control.setField(QStringLiteral("Telefono"), QString(20, QLatin1Char('1')));
    control.setField(QStringLiteral("Nombre"), QString(50, QChar(0x00D1)));
    control.setField(QStringLiteral("Observaciones"), QString(200, QLatin1Char('x')));
    QCOMPARE(control.update(), DatabaseError::None);
}

void DatabaseTest::callRangesRunToTheLastSecondOfTheEndDay()
{
    DatabaseFixture fixture;
    const qint64 ana = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    QVERIFY(fixture.addCall(ana, at(2024, 3, 9, 23, 59, 59), 1)); // before the range
    QVERIFY(fixture.addCall(ana, at(2024, 3, 10, 0, 0, 0), 2));   // first moment
    QVERIFY(fixture.addCall(ana, at(2024, 3, 11, 12, 0, 0), 1));
    QVERIFY(fixture.addCall(ana, at(2024, 3, 12, 23, 59, 59), 1)); // last second
    QVERIFY(fixture.addCall(ana, at(2024, 3, 13, 0, 0, 0), 1));    // next midnight
    const QDate desde(2024, 3, 10);
    const QDate hasta(2024, 3, 12);

    DataControl control;
    control.setDatabaseName(fixture.databasePath());
    control.setReadOnly(true);
    control.setRecordSource(Statements::callsBetween(desde, hasta));
    QCOMPARE(control.refresh(), DatabaseError::None);
    QCOMPARE(control.recordCount(), 3);
    // Newest first, with the client's fields beside the call's.
    QCOMPARE(control.field(QStringLiteral("Fecha")).toDateTime(), at(2024, 3, 12, 23, 59, 59));
    QCOMPARE(control.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana"));
    QCOMPARE(control.valueAt(2, QStringLiteral("Fecha")).toDateTime(), at(2024, 3, 10, 0, 0, 0));

    control.setRecordSource(Statements::callsOfWorkstationBetween(desde, hasta, 1));
    QCOMPARE(control.refresh(), DatabaseError::None);
    QCOMPARE(control.recordCount(), 2);
    control.setRecordSource(Statements::callsOfWorkstationBetween(hasta, hasta, 1));
    QCOMPARE(control.refresh(), DatabaseError::None);
    QCOMPARE(control.recordCount(), 1);
    control.setRecordSource(Statements::callsOfWorkstation(2));
    QCOMPARE(control.refresh(), DatabaseError::None);
    QCOMPARE(control.recordCount(), 1);
    control.setRecordSource(Statements::allCalls());
    QCOMPARE(control.refresh(), DatabaseError::None);
    QCOMPARE(control.recordCount(), 5);
    // A read-only control refuses changes.
    QCOMPARE(control.edit(), DatabaseError::ReadOnly);
}

void DatabaseTest::purgeKeepsTheCutOffDay()
{
    DatabaseFixture fixture;
    const qint64 ana = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    QVERIFY(fixture.addCall(ana, at(2023, 12, 31, 23, 59, 59)));
    QVERIFY(fixture.addCall(ana, at(2024, 1, 1, 8, 0, 0).addDays(-1)));
    QVERIFY(fixture.addCall(ana, at(2024, 1, 1, 0, 0, 0)));
    QVERIFY(fixture.addCall(ana, at(2024, 1, 2, 0, 0, 0)));
    DataControl client;
    client.setDatabaseName(fixture.databasePath());
    client.setRecordSource(Statements::clientByTelephone(QStringLiteral("111")));
    QCOMPARE(client.refresh(), DatabaseError::None);
    QCOMPARE(countCall(client), DatabaseError::None);

    DatabaseConnection& connection = client.connection();
    QCOMPARE(connection.beginWrite(), DatabaseError::None);
    int affected = -1;
    QCOMPARE(connection.execute(Statements::purgeCallsBefore(QDate(2024, 1, 1)), &affected),
             DatabaseError::None);
    QCOMPARE(connection.commit(), DatabaseError::None);
    QCOMPARE(affected, 2);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 2);
    QCOMPARE(
        fixture.scalar(QStringLiteral("SELECT min(Fecha) = '2024-01-01 00:00:00' FROM Llamadas")),
        1);
    // Counts never go down.
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT CantLlamadas FROM Clientes")), 1);

    // Rolled back, nothing goes.
    QCOMPARE(connection.beginWrite(), DatabaseError::None);
    QCOMPARE(connection.execute(Statements::purgeCallsBefore(QDate(2025, 1, 1)), &affected),
             DatabaseError::None);
    QCOMPARE(affected, 2);
    connection.rollback();
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 2);
}

void DatabaseTest::workstationZeroListsAreEmpty()
{
    DatabaseFixture fixture;
    const qint64 ana = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    for (qint16 puesto = 1; puesto <= 10; ++puesto)
        QVERIFY(fixture.addCall(ana, QDateTime::currentDateTime(), puesto));
    DataControl control;
    control.setDatabaseName(fixture.databasePath());
    control.setReadOnly(true);
    for (const Statement& statement : {Statements::noCallsOfClient(), Statements::noCalls()}) {
        control.setRecordSource(statement);
        QCOMPARE(control.refresh(), DatabaseError::None);
        QVERIFY(control.isEmpty());
        QVERIFY(control.isBOF() && control.isEOF());
        QCOMPARE(control.moveFirst(), DatabaseError::NoCurrentRow);
        QCOMPARE(control.currentRowError(), DatabaseError::NoCurrentRow);
    }
    control.setRecordSource(Statements::callsOfClient(ana));
    QCOMPARE(control.refresh(), DatabaseError::None);
    QCOMPARE(control.recordCount(), 10);
}

void DatabaseTest::clientFilterMatchesLiterallyAndWithoutAccents_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    const int nombre = static_cast<int>(ClientFilterField::Nombre);
    const int domicilio = static_cast<int>(ClientFilterField::Domicilio);
    const int telefono = static_cast<int>(ClientFilterField::Telefono);
    QTest::newRow("plain, any case")
        << nombre << QStringLiteral("PEREZ") << QStringList{QStringLiteral("Juan Pérez")};
    QTest::newRow("no accents typed")
        << nombre << QStringLiteral("jose")
        << QStringList{QStringLiteral("José Núñez"), QStringLiteral("JOSÉ LUIS")};
    QTest::newRow("eñe typed as n")
        << nombre << QStringLiteral("nunez") << QStringList{QStringLiteral("José Núñez")};
    QTest::newRow("accents typed")
        << nombre << QStringLiteral("NÚÑEZ") << QStringList{QStringLiteral("José Núñez")};
    QTest::newRow("apostrophe") << nombre << QStringLiteral("O'Brien")
                                << QStringList{QStringLiteral("Patrick O'Brien")};
    QTest::newRow("double quote") << domicilio << QStringLiteral("\"El Sol\"")
                                  << QStringList{QStringLiteral("Patrick O'Brien")};
    QTest::newRow("percent is literal")
        << domicilio << QStringLiteral("50%") << QStringList{QStringLiteral("Juan Pérez")};
    QTest::newRow("underscore is literal")
        << domicilio << QStringLiteral("a_b") << QStringList{QStringLiteral("JOSÉ LUIS")};
    QTest::newRow("asterisk is literal")
        << domicilio << QStringLiteral("*") << QStringList{QStringLiteral("José Núñez")};
    QTest::newRow("anywhere in the number")
        << telefono << QStringLiteral("12")
        << QStringList{QStringLiteral("Juan Pérez"), QStringLiteral("José Núñez")};
    QTest::newRow("no match") << nombre << QStringLiteral("zz") << QStringList{};
}

void DatabaseTest::clientFilterMatchesLiterallyAndWithoutAccents()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    DatabaseFixture fixture;
    QVERIFY(fixture.addClient(QStringLiteral("4412"), QStringLiteral("Juan Pérez"),
                              QStringLiteral("Descuento 50% Calle 1")));
    QVERIFY(fixture.addClient(QStringLiteral("1299"), QStringLiteral("José Núñez"),
                              QStringLiteral("Manzana * lote 3")));
    QVERIFY(fixture.addClient(QStringLiteral("3000"), QStringLiteral("JOSÉ LUIS"),
                              QStringLiteral("Pasaje a_b")));
    QVERIFY(fixture.addClient(QStringLiteral("3100"), QStringLiteral("Patrick O'Brien"),
                              QStringLiteral("Bar \"El Sol\", ab 50")));

    DataControl control;
    control.setDatabaseName(fixture.databasePath());
    control.setRecordSource(
        Statements::clientList(static_cast<ClientFilterField>(field), text, false));
    QCOMPARE(control.refresh(), DatabaseError::None);
    QStringList names = namesOf(control);
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
}

void DatabaseTest::clientListSortsByEachColumn()
{
    DatabaseFixture fixture;
    const qint64 beto =
        fixture.addClient(QStringLiteral("300"), QStringLiteral("beto"), QStringLiteral("Zona"));
    fixture.addClient(QStringLiteral("100"), QStringLiteral("Ángel"), QStringLiteral("centro"));
    fixture.addClient(QStringLiteral("200"), QStringLiteral("Carla"), QString());
    const qint64 sinNombre = fixture.addClient(QStringLiteral("400"));
    DataControl counter;
    counter.setDatabaseName(fixture.databasePath());
    counter.setRecordSource(Statements::clientByTelephone(QStringLiteral("300")));
    QCOMPARE(counter.refresh(), DatabaseError::None);
    QCOMPARE(countCall(counter), DatabaseError::None);
    QCOMPARE(countCall(counter), DatabaseError::None);
    QVERIFY(beto && sinNombre);

    DataControl control;
    control.setDatabaseName(fixture.databasePath());
    const auto list = [&](ClientSortColumn column, SortDirection direction, bool onlyWithCalls) {
        control.setRecordSource(Statements::clientList(ClientFilterField::Ninguno, QString(),
                                                       onlyWithCalls, column, direction));
        [[maybe_unused]] const int error = control.refresh();
        return namesOf(control);
    };
    // Capitals and accents do not move a name: "Ángel" sorts with the A.
    QCOMPARE(list(ClientSortColumn::Nombre, SortDirection::Ascending, false),
             (QStringList{QString(), QStringLiteral("Ángel"), QStringLiteral("beto"),
                          QStringLiteral("Carla")}));
    QCOMPARE(list(ClientSortColumn::Nombre, SortDirection::Descending, false),
             (QStringList{QStringLiteral("Carla"), QStringLiteral("beto"), QStringLiteral("Ángel"),
                          QString()}));
    QCOMPARE(list(ClientSortColumn::Telefono, SortDirection::Descending, false),
             (QStringList{QString(), QStringLiteral("beto"), QStringLiteral("Carla"),
                          QStringLiteral("Ángel")}));
    QCOMPARE(list(ClientSortColumn::Domicilio, SortDirection::Ascending, false).mid(2),
             (QStringList{QStringLiteral("Ángel"), QStringLiteral("beto")}));
    QCOMPARE(list(ClientSortColumn::CantLlamadas, SortDirection::Descending, false).constFirst(),
             QStringLiteral("beto"));
    QCOMPARE(list(ClientSortColumn::Nombre, SortDirection::Ascending, true),
             QStringList{QStringLiteral("beto")});
    for (int column = 0; column <= 6; ++column) {
        QCOMPARE(
            list(static_cast<ClientSortColumn>(column), SortDirection::Descending, false).size(),
            4);
    }
}

void DatabaseTest::telephoneWithQuotesFindsItsClient()
{
    DatabaseFixture fixture;
    const QString odd = QStringLiteral("12'3\"%_*");
    const qint64 id = fixture.addClient(odd, QStringLiteral("Raro"));
    QVERIFY(id > 0);
    fixture.addClient(QStringLiteral("12"), QStringLiteral("Otro"));
    DataControl control;
    control.setDatabaseName(fixture.databasePath());
    control.setRecordSource(Statements::clientByTelephone(odd));
    QCOMPARE(control.refresh(), DatabaseError::None);
    QCOMPARE(control.recordCount(), 1);
    QCOMPARE(control.field(QStringLiteral("IdCliente")).toLongLong(), id);
    control.setRecordSource(Statements::clientByTelephone(QStringLiteral("1%")));
    QCOMPARE(control.refresh(), DatabaseError::None);
    QVERIFY(control.isEmpty());
    // The statements never carry the values in their text.
    QVERIFY(!Statements::clientByTelephone(odd).sql().contains(odd));
}

void DatabaseTest::deletedClientsCallsStayButLeaveTheLists()
{
    DatabaseFixture fixture;
    const qint64 ana = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    const qint64 beto = fixture.addClient(QStringLiteral("222"), QStringLiteral("Beto"));
    QVERIFY(fixture.addCall(ana, at(2024, 5, 1, 10, 0, 0)));
    QVERIFY(fixture.addCall(beto, at(2024, 5, 1, 11, 0, 0)));

    DataControl clients;
    clients.setDatabaseName(fixture.databasePath());
    clients.setRecordSource(Statements::clientByTelephone(QStringLiteral("222")));
    QCOMPARE(clients.refresh(), DatabaseError::None);
    QCOMPARE(deleteCurrentClient(clients), DatabaseError::None);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 2);

    DataControl calls;
    calls.setDatabaseName(fixture.databasePath());
    calls.setRecordSource(Statements::allCalls());
    QCOMPARE(calls.refresh(), DatabaseError::None);
    QCOMPARE(calls.recordCount(), 1);
    QCOMPARE(calls.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana"));

    // The deleted key is never given again, so its calls cannot turn up under a new client.
    const qint64 carla = fixture.addClient(QStringLiteral("333"), QStringLiteral("Carla"));
    QVERIFY(carla > beto);
    calls.setRecordSource(Statements::callsOfClient(carla));
    QCOMPARE(calls.refresh(), DatabaseError::None);
    QVERIFY(calls.isEmpty());
}

void DatabaseTest::listsReadInPagesAndSeeChanges()
{
    DatabaseFixture fixture;
    const qint64 ana = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    DataControl writer;
    writer.setDatabaseName(fixture.databasePath());
    writer.setRecordSource(Statements::callsTable());
    QCOMPARE(writer.open(), DatabaseError::None);
    QCOMPARE(writer.connection().beginWrite(), DatabaseError::None);
    const QDateTime start = at(2024, 1, 1, 0, 0, 0);
    for (int i = 0; i < 350; ++i) {
        QCOMPARE(writer.addNew(), DatabaseError::None);
        writer.setField(QStringLiteral("Cliente"), ana);
        writer.setField(QStringLiteral("Fecha"), start.addSecs(60 * i));
        writer.setField(QStringLiteral("Puesto"), 1 + i % 3);
        QCOMPARE(writer.update(), DatabaseError::None);
    }
    QCOMPARE(writer.connection().commit(), DatabaseError::None);

    DataControl list;
    list.setDatabaseName(fixture.databasePath());
    list.setReadOnly(true);
    list.setRecordSource(Statements::allCalls());
    QSignalSpy repositioned(&list, &DataControl::repositioned);
    QCOMPARE(list.refresh(), DatabaseError::None);
    QCOMPARE(list.recordCount(), 350);
    QCOMPARE(repositioned.count(), 1);
    QCOMPARE(list.field(QStringLiteral("Fecha")).toDateTime(), start.addSecs(60 * 349));
    QCOMPARE(list.valueAt(349, QStringLiteral("Fecha")).toDateTime(), start);
    QCOMPARE(list.valueAt(150, QStringLiteral("Fecha")).toDateTime(), start.addSecs(60 * 199));
    QCOMPARE(list.moveLast(), DatabaseError::None);
    QCOMPARE(list.field(QStringLiteral("IdLlamada")).toLongLong(), list.keyAt(349));
    QCOMPARE(list.moveNext(), DatabaseError::None);
    QVERIFY(list.isEOF());
    QCOMPARE(list.moveNext(), DatabaseError::NoCurrentRow);
    QCOMPARE(repositioned.count(), 3);

    // No read lock outlives the reads: another connection writes at once.
    QVERIFY(fixture.addCall(ana, start.addYears(1)));
    // New rows appear after a refresh; the count grows.
    QCOMPARE(list.recordCount(), 350);
    QCOMPARE(list.refresh(), DatabaseError::None);
    QCOMPARE(list.recordCount(), 351);
    // Rows changed by others show their new values when their page is read again.
    DataControl editor;
    editor.setDatabaseName(fixture.databasePath());
    editor.setRecordSource(Statements::clientByTelephone(QStringLiteral("111")));
    QCOMPARE(editor.refresh(), DatabaseError::None);
    QCOMPARE(editor.edit(), DatabaseError::None);
    QCOMPARE(editor.setField(QStringLiteral("Nombre"), QStringLiteral("Ana María")),
             DatabaseError::None);
    QCOMPARE(editor.update(), DatabaseError::None);
    QCOMPARE(list.valueAt(300, QStringLiteral("Nombre")).toString(), QStringLiteral("Ana María"));
}

void DatabaseTest::editNoticesARowChangedSinceItWasRead()
{
    DatabaseFixture fixture;
    fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    DataControl first;
    first.setDatabaseName(fixture.databasePath());
    first.setRecordSource(Statements::clientByTelephone(QStringLiteral("111")));
    QCOMPARE(first.refresh(), DatabaseError::None);
    QCOMPARE(first.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana"));

    QCOMPARE(
        saveClientDetails(fixture.databasePath(), first.currentKey(),
                          {QStringLiteral("Ana B"), QStringLiteral("Calle 2"), QString(), true}),
        DatabaseError::None);

    QCOMPARE(first.edit(), DatabaseError::RowChanged);
    QCOMPARE(first.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana B"));
    QCOMPARE(first.field(QStringLiteral("Alerta")).toBool(), true);
    // Having seen the change, the next edit goes through.
    QCOMPARE(first.edit(), DatabaseError::None);
    QCOMPARE(first.setField(QStringLiteral("Domicilio"), QStringLiteral("Calle 3")),
             DatabaseError::None);
    QCOMPARE(first.setField(QStringLiteral("IdCliente"), 99), DatabaseError::FieldNotUpdatable);
    QCOMPARE(first.setField(QStringLiteral("NoExiste"), 1), DatabaseError::ItemNotFound);
    QCOMPARE(first.update(), DatabaseError::None);
    QCOMPARE(first.field(QStringLiteral("Domicilio")).toString(), QStringLiteral("Calle 3"));
    QCOMPARE(first.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana B"));
    // A count written meanwhile is not a conflict for the counter itself.
    QCOMPARE(countCall(first), DatabaseError::None);
    QCOMPARE(first.field(QStringLiteral("CantLlamadas")).toLongLong(), 1);
}

void DatabaseTest::rowDeletedMeanwhileGives3167()
{
    DatabaseFixture fixture;
    fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    fixture.addClient(QStringLiteral("222"), QStringLiteral("Beto"));
    DataControl list;
    list.setDatabaseName(fixture.databasePath());
    list.setRecordSource(Statements::clientList(ClientFilterField::Ninguno, QString(), false));
    QCOMPARE(list.refresh(), DatabaseError::None);
    DataControl other;
    other.setDatabaseName(fixture.databasePath());
    other.setRecordSource(Statements::clientByTelephone(QStringLiteral("111")));
    QCOMPARE(other.refresh(), DatabaseError::None);
    QCOMPARE(deleteCurrentClient(other), DatabaseError::None);
    QVERIFY(other.isEOF());

    QCOMPARE(list.edit(), DatabaseError::RowDeleted);
    QCOMPARE(list.currentRowError(), DatabaseError::RowDeleted);
    QVERIFY(list.field(QStringLiteral("Nombre")).isNull());
    QCOMPARE(countCall(list), DatabaseError::RowDeleted);
    QCOMPARE(deleteCurrentClient(list), DatabaseError::RowDeleted);
    QCOMPARE(list.moveNext(), DatabaseError::None);
    QCOMPARE(list.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Beto"));
}

void DatabaseTest::callerBecomesAClientCountedOnce()
{
    DatabaseFixture fixture;
    DataControl datLlamada;
    datLlamada.setDatabaseName(fixture.databasePath());
    datLlamada.setRecordSource(Statements::clientByTelephone(QStringLiteral("4444")));
    QCOMPARE(datLlamada.refresh(), DatabaseError::None);
    QVERIFY(datLlamada.isEmpty());
    qint64 id = 0;
    QCOMPARE(addCallerAsClient(datLlamada, QStringLiteral("4444"), QDate(2024, 2, 29), &id),
             DatabaseError::None);
    QVERIFY(id > 0);
    QCOMPARE(datLlamada.field(QStringLiteral("IdCliente")).toLongLong(), id);
    // Only Telefono and FIngreso are set; the file's default makes the count 0.
    QCOMPARE(datLlamada.field(QStringLiteral("CantLlamadas")).toLongLong(), 0);
    QVERIFY(datLlamada.field(QStringLiteral("Nombre")).isNull());
    QCOMPARE(datLlamada.field(QStringLiteral("Alerta")).toBool(), false);
    QCOMPARE(datLlamada.field(QStringLiteral("FIngreso")).toDate(), QDate(2024, 2, 29));
    QCOMPARE(appendCall(fixture.databasePath(), id, at(2024, 2, 29, 9, 30, 5), 3),
             DatabaseError::None);
    QCOMPARE(countCall(datLlamada), DatabaseError::None);
    QCOMPARE(datLlamada.field(QStringLiteral("CantLlamadas")).toLongLong(), 1);

    // A second "new" caller with the same number, as another workstation would have seen it a
    // moment before: the existing client is used, not a copy.
    DataControl late;
    late.setDatabaseName(fixture.databasePath());
    late.setRecordSource(Statements::noCallsOfClient());
    QCOMPARE(late.refresh(), DatabaseError::None);
    late.setRecordSource(Statements::clientByTelephone(QStringLiteral("4444")));
    QVERIFY(late.isEmpty());
    qint64 again = 0;
    QCOMPARE(addCallerAsClient(late, QStringLiteral("4444"), QDate(2024, 3, 1), &again),
             DatabaseError::None);
    QCOMPARE(again, id);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 1);
    QCOMPARE(late.field(QStringLiteral("IdCliente")).toLongLong(), id);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT Fecha = '2024-02-29 09:30:05' FROM Llamadas")),
             1);
}

void DatabaseTest::savingDetailsSeeksTheClient()
{
    DatabaseFixture fixture;
    const qint64 id = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    QCOMPARE(saveClientDetails(fixture.databasePath(), id,
                               {QStringLiteral("Ana Núñez"), QStringLiteral("Calle 1"),
                                QStringLiteral("línea 1\nlínea 2"), true}),
             DatabaseError::None);
    DataControl control;
    control.setDatabaseName(fixture.databasePath());
    control.setRecordSource(Statements::clientsTable());
    QCOMPARE(control.seek(id), DatabaseError::None);
    QCOMPARE(control.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana Núñez"));
    QCOMPARE(control.field(QStringLiteral("Observaciones")).toString(),
             QStringLiteral("línea 1\nlínea 2"));
    QCOMPARE(control.field(QStringLiteral("Telefono")).toString(), QStringLiteral("111"));
    QCOMPARE(control.seek(id + 100), DatabaseError::NoCurrentRow);
    QVERIFY(control.isEOF());
    QCOMPARE(saveClientDetails(fixture.databasePath(), id + 100, {}), DatabaseError::NoCurrentRow);
}

void DatabaseTest::addingAnExistingNumberIsRefused()
{
    DatabaseFixture fixture;
    const qint64 id = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    DataControl control;
    control.setDatabaseName(fixture.databasePath());
    control.setRecordSource(Statements::clientByTelephone(QStringLiteral("111")));
    qint64 other = 0;
    QCOMPARE(addClient(control, QStringLiteral("111"), QDate::currentDate(), {}, &other),
             DatabaseError::DuplicateValue);
    QCOMPARE(other, id);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 1);
}

void DatabaseTest::deletingMovesToTheNextRow()
{
    DatabaseFixture fixture;
    fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    fixture.addClient(QStringLiteral("222"), QStringLiteral("Beto"));
    DataControl datClientes;
    datClientes.setDatabaseName(fixture.databasePath());
    datClientes.setRecordSource(
        Statements::clientList(ClientFilterField::Ninguno, QString(), false));
    QCOMPARE(datClientes.refresh(), DatabaseError::None);
    QSignalSpy repositioned(&datClientes, &DataControl::repositioned);
    QCOMPARE(deleteCurrentClient(datClientes), DatabaseError::None);
    QCOMPARE(datClientes.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Beto"));
    QCOMPARE(deleteCurrentClient(datClientes), DatabaseError::None);
    QVERIFY(datClientes.isEOF());
    QCOMPARE(repositioned.count(), 2);
    QCOMPARE(deleteCurrentClient(datClientes), DatabaseError::NoCurrentRow);
    QCOMPARE(datClientes.refresh(), DatabaseError::None);
    QVERIFY(datClientes.isEmpty());
}

void DatabaseTest::detachedControlHoldsNothing()
{
    DatabaseFixture fixture;
    DataControl control;
    control.setDatabaseName(fixture.databasePath());
    control.setRecordSource(Statements::allCalls());
    QCOMPARE(control.refresh(), DatabaseError::None);
    QVERIFY(control.isAttached());
    control.setDatabaseName(QString());
    QCOMPARE(control.refresh(), DatabaseError::None);
    QVERIFY(!control.isAttached());
    QVERIFY(control.isEmpty());
    QVERIFY(!queryPresence(fixture.databasePath()).anyone());
    // Detached, the file can be replaced as a whole (compaction does so).
    QVERIFY(QFile::remove(fixture.databasePath()));
    QCOMPARE(control.refresh(), DatabaseError::None);
}

void DatabaseTest::presenceFollowsTheConnection()
{
    DatabaseFixture fixture;
    QCOMPARE(presenceErrorNumber(fixture.databasePath()), DatabaseError::None);
    {
        DataControl first;
        first.setDatabaseName(fixture.databasePath());
        QCOMPARE(first.open(), DatabaseError::None);
        DataControl second;
        second.setDatabaseName(fixture.databasePath());
        QCOMPARE(second.open(), DatabaseError::None);
        QCOMPARE(queryPresence(fixture.databasePath()).thisProcess, 2);
        second.setDatabaseName(QString());
        // Closing one connection leaves the other's mark in place.
        QCOMPARE(queryPresence(fixture.databasePath()).thisProcess, 1);
        QCOMPARE(presenceErrorNumber(fixture.databasePath()), DatabaseError::InUseHere);
    }
    QVERIFY(!queryPresence(fixture.databasePath()).anyone());
    QCOMPARE(probeDatabaseFile(fixture.databasePath()), DatabaseError::None);
    QVERIFY(!queryPresence(fixture.databasePath()).anyone());
}

void DatabaseTest::conflictMessagesHaveTheirTextsAndIcons()
{
    QCOMPARE(conflictMessage(3260),
             (Message{QStringLiteral("El cliente está siendo actualizado por otra estación, "
                                     "espere o cancele la operación"),
                      MessageIcon::Information, MessageButtons::Ok}));
    QCOMPARE(
        conflictMessage(3197),
        (Message{QStringLiteral("Los datos no se guardarán, porque otra estación ya los actualizó"),
                 MessageIcon::Information, MessageButtons::Ok}));
    for (const int number : {3021, 3167}) {
        QCOMPARE(conflictMessage(number),
                 (Message{QStringLiteral("El cliente ha sido eliminado por otra estación"),
                          MessageIcon::Information, MessageButtons::Ok}));
    }
    QCOMPARE(conflictMessage(3024),
             (Message{QStringLiteral("Comunique a la asistencia técnica el error: 3024"),
                      MessageIcon::Critical, MessageButtons::Ok}));
    QCOMPARE(errorNumberForSqliteCode(5), 3260);   // busy
    QCOMPARE(errorNumberForSqliteCode(26), 3343);  // not a database
    QCOMPARE(errorNumberForSqliteCode(11), 3343);  // malformed
    QCOMPARE(errorNumberForSqliteCode(261), 3260); // busy, extended code
}

void DatabaseTest::regionalDatesReadBackTheSameMoment_data()
{
    QTest::addColumn<QString>("localeName");
    for (const char* name : {"es_AR", "es_ES", "en_US", "de_DE", "ja_JP", "C"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void DatabaseTest::regionalDatesReadBackTheSameMoment()
{
    QFETCH(QString, localeName);
    const QLocale locale(localeName);
    for (const QDateTime& moment :
         {at(2024, 2, 29, 23, 59, 59), at(1999, 12, 31, 0, 0, 0), at(2031, 1, 5, 13, 7, 9)}) {
        const QString text = DateText::regionalDateTime(moment, locale);
        QCOMPARE(DateText::dateTimeFromRegional(text, locale), moment);
        QCOMPARE(DateText::dateFromRegional(DateText::regionalDate(moment.date(), locale), locale),
                 moment.date());
        QCOMPARE(DateText::dateTimeFromStored(DateText::storedDateTime(moment)), moment);
    }
    // The stored form sorts as text.
    QVERIFY(DateText::storedDateTime(at(2024, 10, 1, 0, 0, 0)) >
            DateText::storedDateTime(at(2024, 9, 30, 23, 59, 59)));
}

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
