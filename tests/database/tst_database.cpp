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
#include <QTest>

using namespace Statements;

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

// Adds count clients in one write, so that the client table spans many pages.
void addManyClients(DataControl& control, int count)
{
    QCOMPARE(control.open(), DatabaseError::None);
    QCOMPARE(control.connection().beginWrite(), DatabaseError::None);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(control.addNew(), DatabaseError::None);
        control.setField(QStringLiteral("Telefono"), QString::number(4000000 + i));
        control.setField(QStringLiteral("Nombre"), QStringLiteral("Cliente número %1").arg(i));
        QCOMPARE(control.update(), DatabaseError::None);
    }
    QCOMPARE(control.connection().commit(), DatabaseError::None);
}
} // namespace

class DatabaseTest : public QObject
{
    Q_OBJECT

private slots:
    // The file.
    void missingFileOrFolderIsReportedAndNothingCreated();
    void damagedFileIsReported_data();
    void damagedFileIsReported();
    void damagedPagesSurfaceOnReading();
    void fileNameIsMatchedWithoutCase();
    void emptyDatabaseCarriesTheSchema();

    // The statements.
    void callListsRunToTheLastSecondOfTheEndDay();
    void purgeKeepsTheCutOffDay();
    void clientFilterMatchesLiterallyAndWithoutAccents_data();
    void clientFilterMatchesLiterallyAndWithoutAccents();
    void clientListSortsIgnoringCaseAndAccents();
    void telephoneWithQuotesFindsOnlyItsClient();
    void deletingAClientMovesOnAndLeavesItsCalls();

    // Data control and row operations.
    void listsReadInPagesAndSeeChanges();
    void savingSeeksTheClientAndEditNoticesChanges();
    void callerBecomesAClientCountedOnce();
    void presenceFollowsTheConnections();

    // Words and dates.
    void conflictMessages_data();
    void conflictMessages();
    void regionalDatesReadBackTheSameMoment_data();
    void regionalDatesReadBackTheSameMoment();
};

void DatabaseTest::missingFileOrFolderIsReportedAndNothingCreated()
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

void DatabaseTest::damagedFileIsReported_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: a healthy SQLite file without our tables
    QTest::addColumn<bool>("wholeFile");     // false: only the header is overwritten

    QTest::newRow("zeroed header") << QByteArray(100, '\0') << false;
    QTest::newRow("text file") << QByteArray("Nombre;Telefono\nJuan;555\n") << true;
    QTest::newRow("foreign database") << QByteArray() << true;
}

void DatabaseTest::damagedFileIsReported()
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

void DatabaseTest::damagedPagesSurfaceOnReading()
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

void DatabaseTest::fileNameIsMatchedWithoutCase()
{
    DatabaseFixture fixture;
    const QString folder = QFileInfo(fixture.databasePath()).absolutePath();
    QCOMPARE(probeDatabaseFile(folder + QStringLiteral("/llamora.mdb")), DatabaseError::None);
    QCOMPARE(probeDatabaseFile(folder + QStringLiteral("/LLAMORA.MDB")), DatabaseError::None);
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

void DatabaseTest::callListsRunToTheLastSecondOfTheEndDay()
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
    control.setReadOnly(true);
    QCOMPARE(fixture.attach(control, callsBetween(desde, hasta)), DatabaseError::None);
    QCOMPARE(control.recordCount(), 3);
    // Newest first, with the client's fields beside the call's.
    QCOMPARE(control.field(QStringLiteral("Fecha")).toDateTime(), at(2024, 3, 12, 23, 59, 59));
    QCOMPARE(control.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana"));
    QCOMPARE(control.valueAt(2, QStringLiteral("Fecha")).toDateTime(), at(2024, 3, 10, 0, 0, 0));
    QCOMPARE(control.edit(), DatabaseError::ReadOnly);

    QCOMPARE(fixture.attach(control, callsOfWorkstationBetween(desde, hasta, 1)),
             DatabaseError::None);
    QCOMPARE(control.recordCount(), 2);
    QCOMPARE(fixture.attach(control, callsOfWorkstation(2)), DatabaseError::None);
    QCOMPARE(control.recordCount(), 1);
    QCOMPARE(fixture.attach(control, callsOfClient(ana)), DatabaseError::None);
    QCOMPARE(control.recordCount(), 5);
    // Workstation 0 is carried by no call.
    for (const Statement& statement : {noCallsOfClient(), noCalls()}) {
        QCOMPARE(fixture.attach(control, statement), DatabaseError::None);
        QVERIFY(control.isBOF() && control.isEOF());
        QCOMPARE(control.moveFirst(), DatabaseError::NoCurrentRow);
    }
}

void DatabaseTest::purgeKeepsTheCutOffDay()
{
    DatabaseFixture fixture;
    const qint64 ana = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    QVERIFY(fixture.addCall(ana, at(2023, 12, 31, 23, 59, 59)));
    QVERIFY(fixture.addCall(ana, at(2024, 1, 1, 0, 0, 0)));
    QVERIFY(fixture.addCall(ana, at(2024, 1, 2, 0, 0, 0)));
    DataControl client;
    QCOMPARE(fixture.attach(client, clientByTelephone(QStringLiteral("111"))), DatabaseError::None);
    QCOMPARE(countCall(client), DatabaseError::None);

    DatabaseConnection& connection = client.connection();
    int affected = -1;
    // Rolled back, nothing goes.
    QCOMPARE(connection.beginWrite(), DatabaseError::None);
    QCOMPARE(connection.execute(purgeCallsBefore(QDate(2025, 1, 1)), &affected),
             DatabaseError::None);
    QCOMPARE(affected, 3);
    connection.rollback();
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 3);

    QCOMPARE(connection.beginWrite(), DatabaseError::None);
    QCOMPARE(connection.execute(purgeCallsBefore(QDate(2024, 1, 1)), &affected),
             DatabaseError::None);
    QCOMPARE(connection.commit(), DatabaseError::None);
    QCOMPARE(affected, 1);
    QCOMPARE(
        fixture.scalar(QStringLiteral("SELECT min(Fecha) = '2024-01-01 00:00:00' FROM Llamadas")),
        1);
    // Counts never go down.
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT CantLlamadas FROM Clientes")), 1);
}

void DatabaseTest::clientFilterMatchesLiterallyAndWithoutAccents_data()
{
    QTest::addColumn<ClientFilterField>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    const auto nombre = ClientFilterField::Nombre;
    const auto domicilio = ClientFilterField::Domicilio;
    const QString perez = QStringLiteral("Juan Pérez");
    const QString nunez = QStringLiteral("José Núñez");
    const QString obrien = QStringLiteral("Patrick O'Brien");
    QTest::newRow("any case") << nombre << QStringLiteral("PEREZ") << QStringList{perez};
    QTest::newRow("no accents typed")
        << nombre << QStringLiteral("jose") << QStringList{nunez, QStringLiteral("JOSÉ LUIS")};
    QTest::newRow("eñe typed as n") << nombre << QStringLiteral("nunez") << QStringList{nunez};
    QTest::newRow("accents typed") << nombre << QStringLiteral("NÚÑEZ") << QStringList{nunez};
    QTest::newRow("apostrophe") << nombre << QStringLiteral("O'Brien") << QStringList{obrien};
    QTest::newRow("double quote") << domicilio << QStringLiteral("\"El Sol\"")
                                  << QStringList{obrien};
    QTest::newRow("percent") << domicilio << QStringLiteral("50%") << QStringList{perez};
    QTest::newRow("underscore") << domicilio << QStringLiteral("a_b")
                                << QStringList{QStringLiteral("JOSÉ LUIS")};
    QTest::newRow("asterisk") << domicilio << QStringLiteral("*") << QStringList{nunez};
    QTest::newRow("anywhere in the number")
        << ClientFilterField::Telefono << QStringLiteral("12") << QStringList{perez, nunez};
}

void DatabaseTest::clientFilterMatchesLiterallyAndWithoutAccents()
{
    QFETCH(ClientFilterField, field);
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
    QCOMPARE(fixture.attach(control, clientList(field, text, false)), DatabaseError::None);
    QStringList names = namesOf(control);
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
}

void DatabaseTest::clientListSortsIgnoringCaseAndAccents()
{
    DatabaseFixture fixture;
    QVERIFY(fixture.addClient(QStringLiteral("300"), QStringLiteral("beto")));
    QVERIFY(fixture.addClient(QStringLiteral("100"), QStringLiteral("Ángel")));
    QVERIFY(fixture.addClient(QStringLiteral("200"), QStringLiteral("Carla")));
    QVERIFY(fixture.addClient(QStringLiteral("400")));
    DataControl counter;
    QCOMPARE(fixture.attach(counter, clientByTelephone(QStringLiteral("300"))),
             DatabaseError::None);
    QCOMPARE(countCall(counter), DatabaseError::None);

    DataControl control;
    const auto list = [&](ClientSortColumn column, SortDirection direction, bool onlyWithCalls) {
        [[maybe_unused]] const int error =
            fixture.attach(control, clientList(ClientFilterField::Ninguno, QString(), onlyWithCalls,
                                               column, direction));
        return namesOf(control);
    };
    // "Ángel" sorts with the A and "beto" with the B.
    QCOMPARE(list(ClientSortColumn::Nombre, SortDirection::Ascending, false),
             (QStringList{QString(), QStringLiteral("Ángel"), QStringLiteral("beto"),
                          QStringLiteral("Carla")}));
    QCOMPARE(list(ClientSortColumn::Nombre, SortDirection::Descending, false).constFirst(),
             QStringLiteral("Carla"));
    QCOMPARE(list(ClientSortColumn::Nombre, SortDirection::Ascending, true),
             QStringList{QStringLiteral("beto")});
}

void DatabaseTest::telephoneWithQuotesFindsOnlyItsClient()
{
    DatabaseFixture fixture;
    const QString odd = QStringLiteral("12'3\"%_*");
    const qint64 id = fixture.addClient(odd, QStringLiteral("Raro"));
    QVERIFY(id > 0);
    QVERIFY(fixture.addClient(QStringLiteral("12"), QStringLiteral("Otro")));
    DataControl control;
    QCOMPARE(fixture.attach(control, clientByTelephone(odd)), DatabaseError::None);
    QCOMPARE(control.recordCount(), 1);
    QCOMPARE(control.field(QStringLiteral("IdCliente")).toLongLong(), id);
    QCOMPARE(fixture.attach(control, clientByTelephone(QStringLiteral("1%"))), DatabaseError::None);
    QVERIFY(control.isEmpty());
}

void DatabaseTest::deletingAClientMovesOnAndLeavesItsCalls()
{
    DatabaseFixture fixture;
    const qint64 ana = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    const qint64 beto = fixture.addClient(QStringLiteral("222"), QStringLiteral("Beto"));
    QVERIFY(fixture.addCall(ana, at(2024, 5, 1, 10, 0, 0)));
    QVERIFY(fixture.addCall(beto, at(2024, 5, 1, 11, 0, 0)));

    DataControl datClientes;
    QCOMPARE(fixture.attach(datClientes, clientList(ClientFilterField::Ninguno, QString(), false)),
             DatabaseError::None);
    QCOMPARE(deleteCurrentClient(datClientes), DatabaseError::None);
    QCOMPARE(datClientes.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Beto"));
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 2);
    DataControl calls;
    QCOMPARE(fixture.attach(calls, allCalls()), DatabaseError::None);
    QCOMPARE(namesOf(calls), QStringList{QStringLiteral("Beto")});

    QCOMPARE(deleteCurrentClient(datClientes), DatabaseError::None);
    QVERIFY(datClientes.isEOF());
    QCOMPARE(deleteCurrentClient(datClientes), DatabaseError::NoCurrentRow);
    // A deleted key is never given again, so its calls cannot turn up under a new client.
    QVERIFY(fixture.addClient(QStringLiteral("333")) > beto);
}

void DatabaseTest::listsReadInPagesAndSeeChanges()
{
    DatabaseFixture fixture;
    DataControl writer;
    writer.setDatabaseName(fixture.databasePath());
    writer.setRecordSource(clientsTable());
    addManyClients(writer, 350);

    DataControl list;
    list.setReadOnly(true);
    QSignalSpy repositioned(&list, &DataControl::repositioned);
    QCOMPARE(
        fixture.attach(list, clientList(ClientFilterField::Ninguno, QString(), false,
                                        ClientSortColumn::Telefono, SortDirection::Descending)),
        DatabaseError::None);
    QCOMPARE(list.recordCount(), 350);
    QCOMPARE(list.field(QStringLiteral("Telefono")).toString(), QStringLiteral("4000349"));
    QCOMPARE(list.valueAt(349, QStringLiteral("Telefono")).toString(), QStringLiteral("4000000"));
    QCOMPARE(list.moveLast(), DatabaseError::None);
    QCOMPARE(list.moveNext(), DatabaseError::None);
    QCOMPARE(list.moveNext(), DatabaseError::NoCurrentRow);
    QCOMPARE(repositioned.count(), 3);

    // No read lock outlives the reads: another connection writes at once, and the list sees the
    // new row after a refresh and the changed row when its page is read again.
    QVERIFY(fixture.addClient(QStringLiteral("5000000")));
    QCOMPARE(list.recordCount(), 350);
    QCOMPARE(list.refresh(), DatabaseError::None);
    QCOMPARE(list.recordCount(), 351);
    QCOMPARE(saveClientDetails(fixture.databasePath(), list.keyAt(300),
                               {QStringLiteral("Ana María"), {}, {}, false}),
             DatabaseError::None);
    QCOMPARE(list.valueAt(300, QStringLiteral("Nombre")).toString(), QStringLiteral("Ana María"));
}

void DatabaseTest::savingSeeksTheClientAndEditNoticesChanges()
{
    DatabaseFixture fixture;
    const qint64 id = fixture.addClient(QStringLiteral("111"), QStringLiteral("Ana"));
    DataControl first;
    QCOMPARE(fixture.attach(first, clientByTelephone(QStringLiteral("111"))), DatabaseError::None);
    QCOMPARE(first.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana"));

    QCOMPARE(saveClientDetails(fixture.databasePath(), id,
                               {QStringLiteral("Ana Núñez"), QStringLiteral("Calle 1"),
                                QStringLiteral("línea 1\nlínea 2"), true}),
             DatabaseError::None);
    QCOMPARE(saveClientDetails(fixture.databasePath(), id + 100, {}), DatabaseError::NoCurrentRow);

    QCOMPARE(first.edit(), DatabaseError::RowChanged);
    QCOMPARE(first.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Ana Núñez"));
    QCOMPARE(first.field(QStringLiteral("Observaciones")).toString(),
             QStringLiteral("línea 1\nlínea 2"));
    QCOMPARE(first.field(QStringLiteral("Alerta")).toBool(), true);
    // Having seen the change, the next edit goes through.
    QCOMPARE(first.edit(), DatabaseError::None);
    QCOMPARE(first.setField(QStringLiteral("Domicilio"), QStringLiteral("Calle 3")),
             DatabaseError::None);
    QCOMPARE(first.setField(QStringLiteral("IdCliente"), 99), DatabaseError::FieldNotUpdatable);
    QCOMPARE(first.update(), DatabaseError::None);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes WHERE Domicilio = "
                                           "'Calle 3' AND Nombre = 'Ana Núñez'")),
             1);
}

void DatabaseTest::callerBecomesAClientCountedOnce()
{
    DatabaseFixture fixture;
    DataControl datLlamada;
    QCOMPARE(fixture.attach(datLlamada, clientByTelephone(QStringLiteral("4444"))),
             DatabaseError::None);
    QVERIFY(datLlamada.isEmpty());
    qint64 id = 0;
    QCOMPARE(addCallerAsClient(datLlamada, QStringLiteral("4444"), QDate(2024, 2, 29), &id),
             DatabaseError::None);
    QVERIFY(id > 0);
    QCOMPARE(datLlamada.field(QStringLiteral("IdCliente")).toLongLong(), id);
    // Only Telefono and FIngreso are set; the file's default makes the count 0.
    QCOMPARE(datLlamada.field(QStringLiteral("CantLlamadas")).toLongLong(), 0);
    QVERIFY(datLlamada.field(QStringLiteral("Nombre")).isNull());
    QCOMPARE(datLlamada.field(QStringLiteral("FIngreso")).toDate(), QDate(2024, 2, 29));
    QCOMPARE(appendCall(fixture.databasePath(), id, at(2024, 2, 29, 9, 30, 5), 3),
             DatabaseError::None);
    QCOMPARE(countCall(datLlamada), DatabaseError::None);
    QCOMPARE(datLlamada.field(QStringLiteral("CantLlamadas")).toLongLong(), 1);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT Fecha = '2024-02-29 09:30:05' FROM Llamadas")),
             1);

    // Another workstation's S1 ran a moment before this client existed: the existing client is
    // used, not a copy; the editor's R5 refuses the number.
    DataControl late;
    QCOMPARE(fixture.attach(late, noCallsOfClient()), DatabaseError::None);
    late.setRecordSource(clientByTelephone(QStringLiteral("4444")));
    qint64 again = 0;
    QCOMPARE(addCallerAsClient(late, QStringLiteral("4444"), QDate(2024, 3, 1), &again),
             DatabaseError::None);
    QCOMPARE(again, id);
    QCOMPARE(late.field(QStringLiteral("IdCliente")).toLongLong(), id);
    QCOMPARE(addClient(late, QStringLiteral("4444"), QDate(2024, 3, 1), {}, &again),
             DatabaseError::DuplicateValue);
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 1);
}

void DatabaseTest::presenceFollowsTheConnections()
{
    DatabaseFixture fixture;
    const QString path = fixture.databasePath();
    DataControl first;
    first.setDatabaseName(path);
    QCOMPARE(first.open(), DatabaseError::None);
    DataControl second;
    second.setDatabaseName(path);
    QCOMPARE(second.open(), DatabaseError::None);
    QCOMPARE(queryPresence(path).thisProcess, 2);
    // Detaching one leaves the other's mark in place.
    second.setDatabaseName(QString());
    QCOMPARE(queryPresence(path).thisProcess, 1);
    QCOMPARE(presenceErrorNumber(path), DatabaseError::InUseHere);
    first.setDatabaseName(QString());
    QCOMPARE(presenceErrorNumber(path), DatabaseError::None);
    // A probe leaves no mark, and a detached control holds nothing: the file can be replaced as a
    // whole, as compaction does.
    QCOMPARE(probeDatabaseFile(path), DatabaseError::None);
    QVERIFY(!queryPresence(path).anyone());
    QVERIFY(QFile::remove(path));
}

void DatabaseTest::conflictMessages_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<MessageIcon>("icon");

    const QString deleted = QStringLiteral("El cliente ha sido eliminado por otra estación");
    QTest::newRow("3260") << 3260
                          << QStringLiteral("El cliente está siendo actualizado por otra "
                                            "estación, espere o cancele la operación")
                          << MessageIcon::Information;
    QTest::newRow("3197") << 3197
                          << QStringLiteral(
                                 "Los datos no se guardarán, porque otra estación ya los actualizó")
                          << MessageIcon::Information;
    QTest::newRow("3021") << 3021 << deleted << MessageIcon::Information;
    QTest::newRow("3167") << 3167 << deleted << MessageIcon::Information;
    QTest::newRow("other") << 3343
                           << QStringLiteral("Comunique a la asistencia técnica el error: 3343")
                           << MessageIcon::Critical;
}

void DatabaseTest::conflictMessages()
{
    QFETCH(int, number);
    QFETCH(QString, text);
    QFETCH(MessageIcon, icon);
    QCOMPARE(conflictMessage(number), (Message{text, icon, MessageButtons::Ok}));
}

void DatabaseTest::regionalDatesReadBackTheSameMoment_data()
{
    QTest::addColumn<QString>("localeName");
    for (const char* name : {"es_AR", "es_ES", "ca_ES", "en_US", "de_DE", "ja_JP", "bg_BG", "C"})
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
        // No leftover of the time zone the clock text leaves out, such as es_ES's "()".
        QVERIFY2(!text.contains(QLatin1Char('(')) && !text.endsWith(QLatin1Char(' ')),
                 qPrintable(text));
        QCOMPARE(DateText::dateFromRegional(DateText::regionalDate(moment.date(), locale), locale),
                 moment.date());
        QCOMPARE(DateText::dateTimeFromStored(DateText::storedDateTime(moment)), moment);
    }
}

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
