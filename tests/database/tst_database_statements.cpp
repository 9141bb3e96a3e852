// The statements: call lists by day, the purge's cut-off, the client filter and order, quoted
// telephones, deleting a client.

#include "DatabaseFixture.h"
#include "DatabaseTestHelpers.h"
#include "database/RowOperations.h"
#include "database/Statements.h"

using namespace Statements;

class DatabaseStatementsTest : public QObject
{
    Q_OBJECT

private slots:
    void callListsRunToTheLastSecondOfTheEndDay();
    void purgeKeepsTheCutOffDay();
    void clientFilterMatchesLiterallyAndWithoutAccents_data();
    void clientFilterMatchesLiterallyAndWithoutAccents();
    void clientListSortsIgnoringCaseAndAccents();
    void telephoneWithQuotesFindsOnlyItsClient();
    void deletingAClientMovesOnAndLeavesItsCalls();
};

void DatabaseStatementsTest::callListsRunToTheLastSecondOfTheEndDay()
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

void DatabaseStatementsTest::purgeKeepsTheCutOffDay()
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

void DatabaseStatementsTest::clientFilterMatchesLiterallyAndWithoutAccents_data()
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

void DatabaseStatementsTest::clientFilterMatchesLiterallyAndWithoutAccents()
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

void DatabaseStatementsTest::clientListSortsIgnoringCaseAndAccents()
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

void DatabaseStatementsTest::telephoneWithQuotesFindsOnlyItsClient()
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

void DatabaseStatementsTest::deletingAClientMovesOnAndLeavesItsCalls()
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

std::unique_ptr<QObject> makeDatabaseStatementsTest()
{
    return std::make_unique<DatabaseStatementsTest>();
}

#include "tst_database_statements.moc"
