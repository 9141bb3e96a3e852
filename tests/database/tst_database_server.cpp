// The office's database server: its tables made in an empty database, and the server stopped
// and started under the program.
#include "DatabaseFixture.h"
#include "PostgresServer.h"
#include "database/DataControl.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/Statements.h"
#include "database/server/ServerSchema.h"
#include "export/ListReader.h"
#include "maintenance/ServerMaintenance.h"
#include "purge/CallPurge.h"
#include "statistics/CallStatistics.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {
// A plain connection to the server apart from the layer.
class PlainConnection
{
public:
    explicit PlainConnection(const ServerAddress& address)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        applyServerAddress(db, address, 5);
        db.open();
    }
    ~PlainConnection() { QSqlDatabase::removeDatabase(m_name); }
    [[nodiscard]] QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    qint64 number(const QString& sql) const
    {
        QSqlQuery query(db());
        return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
    }

private:
    QString m_name = QStringLiteral("plain");
};
} // namespace

class DatabaseServerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void schemaIsMadeOnceAndAgainChangesNothing();
    void serverStoppedAtOnceComesBackWithItsRows();
    void filterAndSortGiveWhatTheFileGives_data();
    void filterAndSortGiveWhatTheFileGives();
    void openTellsWhyTheServerRefused();
    void callListsPurgeStatisticsAndExportAgree();
    void maintenanceOnTheServerTellsWhatItDid();

private:
    std::unique_ptr<PostgresServer> m_server;
    // The same clients on the file and on the server, made by the first case that needs them.
    std::pair<std::unique_ptr<DatabaseFixture>, std::unique_ptr<DatabaseFixture>> m_sameClients;
};

void DatabaseServerTest::initTestCase()
{
    m_server = std::make_unique<PostgresServer>();
    QVERIFY2(m_server->isValid(), qPrintable(m_server->errorText()));
}

void DatabaseServerTest::schemaIsMadeOnceAndAgainChangesNothing()
{
    const ServerAddress address = m_server->freshDatabase(QStringLiteral("schema_twice"));
    PlainConnection connection(address);
    QSqlDatabase db = connection.db();
    QVERIFY(db.isOpen());
    QCOMPARE(ServerSchema::create(db), DatabaseError::None);
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("INSERT INTO Clientes (Nombre, Telefono) VALUES "
                                      "('Núñez', '1'), ('JOSÉ', '2')")));
    QCOMPARE(ServerSchema::create(db), DatabaseError::None);
    QCOMPARE(connection.number(QStringLiteral("SELECT count(*) FROM Clientes")), 2);
    QCOMPARE(connection.number(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE tablename IN "
                                              "('clientes', 'llamadas')")),
             9);
    QCOMPARE(connection.number(
                 QStringLiteral("SELECT count(*) FROM Clientes WHERE llamora_fold(Nombre) IN "
                                "('nunez', 'jose')")),
             2);
    // The rules of the file hold: a form of date, a length.
    QVERIFY(!query.exec(QStringLiteral("INSERT INTO Llamadas (Fecha) VALUES ('2024-1-1')")));
    QCOMPARE(errorNumberFor(query.lastError()), DatabaseError::ValueNotAllowed);
    QVERIFY(
        !query.exec(QStringLiteral("INSERT INTO Clientes (Telefono) VALUES (repeat('1', 21))")));
    QCOMPARE(errorNumberFor(query.lastError()), DatabaseError::ValueNotAllowed);
}

void DatabaseServerTest::serverStoppedAtOnceComesBackWithItsRows()
{
    const ServerAddress address = m_server->freshDatabase(QStringLiteral("restart"));
    {
        PlainConnection connection(address);
        QSqlDatabase db = connection.db();
        QCOMPARE(ServerSchema::create(db), DatabaseError::None);
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("INSERT INTO Llamadas (Puesto) VALUES (1)")));
        QVERIFY(m_server->stop(true));
        QVERIFY(!query.exec(QStringLiteral("INSERT INTO Llamadas (Puesto) VALUES (1)")));
        QCOMPARE(errorNumberFor(query.lastError()), DatabaseError::DiskError);
    }
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));
    PlainConnection again(address);
    QCOMPARE(again.number(QStringLiteral("SELECT count(*) FROM Llamadas")), 1);
}

void DatabaseServerTest::filterAndSortGiveWhatTheFileGives_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("sort");
    QTest::addColumn<bool>("descending");
    const auto row = [](const char* name, ClientFilterField field, const QString& text,
                        ClientSortColumn sort, bool descending) {
        QTest::newRow(name) << int(field) << text << int(sort) << descending;
    };
    row("all by name", ClientFilterField::Ninguno, {}, ClientSortColumn::Nombre, false);
    row("all by name down", ClientFilterField::Ninguno, {}, ClientSortColumn::Nombre, true);
    row("all by address", ClientFilterField::Ninguno, {}, ClientSortColumn::Domicilio, false);
    row("all by telephone down", ClientFilterField::Ninguno, {}, ClientSortColumn::Telefono, true);
    row("jose", ClientFilterField::Nombre, QStringLiteral("jose"), ClientSortColumn::Nombre, false);
    row("NUÑEZ", ClientFilterField::Nombre, QStringLiteral("NUÑEZ"), ClientSortColumn::Nombre,
        true);
    row("angel", ClientFilterField::Nombre, QStringLiteral("ángel"), ClientSortColumn::Nombre,
        false);
    row("percent", ClientFilterField::Nombre, QStringLiteral("50%"), ClientSortColumn::Nombre,
        false);
    row("underscore", ClientFilterField::Domicilio, QStringLiteral("a_b"),
        ClientSortColumn::Domicilio, false);
    row("quote", ClientFilterField::Nombre, QStringLiteral("o'b"), ClientSortColumn::Nombre, false);
    row("calle", ClientFilterField::Domicilio, QStringLiteral("CALLE"), ClientSortColumn::Domicilio,
        true);
    row("telephone", ClientFilterField::Telefono, QStringLiteral("55"), ClientSortColumn::Telefono,
        false);
}

void DatabaseServerTest::filterAndSortGiveWhatTheFileGives()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(int, sort);
    QFETCH(bool, descending);
    // The same clients, added in the same order, on the file and on the server.
    static const QList<QStringList> clients = {
        {QStringLiteral("José Núñez"), QStringLiteral("Calle Mayor 1")},
        {QStringLiteral("JOSE NUNEZ"), QStringLiteral("calle mayor 2")},
        {QStringLiteral("jose"), QString()},
        {QString(), QStringLiteral("Ángel a_b")},
        {QStringLiteral("Ángela"), QStringLiteral("axb")},
        {QStringLiteral("angela"), QStringLiteral("Cállé")},
        {QStringLiteral("Ñandú"), QStringLiteral("Plaza")},
        {QStringLiteral("nandu"), QString()},
        {QStringLiteral("O'Brien"), QStringLiteral("50% off")},
        {QStringLiteral("Zoë 50%"), QStringLiteral("zeta")},
        {QStringLiteral("Ángel"), QStringLiteral("CALLE")},
        {QStringLiteral("angel"), QStringLiteral("calle")},
    };
    if (!m_sameClients.first) {
        m_sameClients = {std::make_unique<DatabaseFixture>(),
                         std::make_unique<DatabaseFixture>(m_server.get())};
        for (int i = 0; i < clients.size(); ++i) {
            const QString telefono = QStringLiteral("%1%2").arg(i % 3 == 0 ? 55 : 66).arg(i);
            for (DatabaseFixture* fixture : {m_sameClients.first.get(), m_sameClients.second.get()})
                QVERIFY(fixture->addClient(telefono, clients.at(i).at(0), clients.at(i).at(1)) > 0);
        }
    }
    const Statement statement =
        Statements::clientList(ClientFilterField(field), text, false, ClientSortColumn(sort),
                               descending ? SortDirection::Descending : SortDirection::Ascending);
    const auto keysIn = [&statement](const DatabaseFixture& fixture) {
        DataControl control;
        QList<qint64> keys;
        if (fixture.attach(control, statement) != DatabaseError::None)
            return QList<qint64>{-1};
        for (int i = 0; i < control.recordCount(); ++i)
            keys << control.valueAt(i, QStringLiteral("IdCliente")).toLongLong();
        return keys;
    };
    const QList<qint64> onFile = keysIn(*m_sameClients.first);
    QVERIFY(!onFile.isEmpty());
    QCOMPARE(keysIn(*m_sameClients.second), onFile);
}

void DatabaseServerTest::openTellsWhyTheServerRefused()
{
    const auto openError = [](const ServerAddress& address) {
        DatabaseConnection connection;
        return connection.open(address.toDatabaseName());
    };
    ServerAddress address = m_server->freshDatabase(QStringLiteral("sin_tablas"));
    QCOMPARE(openError(address), DatabaseError::NotADatabase);
    address.database = QStringLiteral("no_existe");
    QCOMPARE(openError(address), DatabaseError::FileNotFound);
    address = m_server->address();
    address.user = QStringLiteral("nadie");
    QCOMPARE(openError(address), DatabaseError::NoPermission);
    address = m_server->address();
    address.port = m_server->port() == 1 ? 2 : 1; // nobody listens there
    QCOMPARE(openError(address), DatabaseError::PathNotFound);
    // The socket's folder as the host works as well as the loopback address.
    address = ServerAddress::fromDatabaseName(m_server->freshProgramDatabase());
    address.host = m_server->socketFolder();
    QCOMPARE(openError(address), DatabaseError::None);
    QCOMPARE(ServerAddress::fromDatabaseName(address.toDatabaseName()), address);
}

void DatabaseServerTest::callListsPurgeStatisticsAndExportAgree()
{
    DatabaseFixture file;
    DatabaseFixture server(m_server.get());
    const QDateTime start(QDate(2024, 3, 1), QTime(8, 0));
    for (DatabaseFixture* fixture : {&file, &server}) {
        const qint64 ana = fixture->addClient(QStringLiteral("111"), QStringLiteral("Ana"));
        const qint64 luis = fixture->addClient(QStringLiteral("222"), QStringLiteral("Luis"));
        for (int i = 0; i < 120; ++i)
            QVERIFY(fixture->addCall(i % 3 == 0 ? luis : ana, start.addSecs(i * 3600),
                                     qint16(1 + i % 2)));
    }
    // What each engine gives for the same questions, side by side.
    const auto answers = [&](const DatabaseFixture& fixture) {
        QStringList said;
        DataControl calls;
        fixture.attach(calls, Statements::callsBetween(QDate(2024, 3, 2), QDate(2024, 3, 5)));
        calls.countRecords();
        said << QString::number(calls.recordCount())
             << calls.valueAt(0, QStringLiteral("Fecha")).toString()
             << calls.valueAt(calls.recordCount() - 1, QStringLiteral("Nombre")).toString();
        const CallStatistics statistics =
            CallStatistics::read(fixture.databasePath(), QDate(2024, 3, 1), QDate(2024, 3, 4), 0);
        said << QString::number(statistics.error) << QString::number(statistics.total)
             << QString::number(statistics.days.size())
             << QString::number(statistics.perWorkstation.value(2));
        ListReader list(Statements::callsOfWorkstation(2),
                        {{QStringLiteral("Nombre"), QStringLiteral("Clientes.Nombre")},
                         {QStringLiteral("Fecha"), QStringLiteral("Llamadas.Fecha")}});
        QList<QStringList> rows;
        said << QString::number(list.open(fixture.databasePath()))
             << QString::number(list.readPage(&rows)) << QString::number(rows.size())
             << rows.value(0).join(QLatin1Char('|')) << rows.value(59).join(QLatin1Char('|'));
        const CallPurge::Count count = CallPurge::count(fixture.databasePath(), QDate(2024, 3, 4));
        CallPurgeWorker purge(fixture.databasePath(), QDate(2024, 3, 4), count.newestKey);
        purge.run();
        said << QString::number(count.calls) << QString::number(purge.error())
             << QString::number(purge.deleted())
             << QString::number(fixture.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")));
        return said;
    };
    const QStringList onFile = answers(file);
    QCOMPARE(onFile.at(0), QStringLiteral("96"));                 // four days of 24 calls
    QCOMPARE(onFile.at(onFile.size() - 4), QStringLiteral("64")); // before the 4th, purged
    QCOMPARE(answers(server), onFile);
}

void DatabaseServerTest::maintenanceOnTheServerTellsWhatItDid()
{
    DatabaseFixture server(m_server.get());
    QVERIFY(server.addClient(QStringLiteral("111"), QStringLiteral("Ana")) > 0);
    QVERIFY(server.addCall(1, QDateTime(QDate(2024, 3, 1), QTime(8, 0))));
    QStringList stages;
    const MaintenanceProgress progress = [&stages](const QString& stage, int) {
        stages << stage;
    };
    const MaintenanceResult compacted = compactServerDatabase(server.databasePath(), progress);
    QVERIFY2(compacted.succeeded, qPrintable(compacted.detail));
    QVERIFY(stages.contains(QStringLiteral("Compactando Llamadas")));
    const MaintenanceResult checked = checkServerDatabase(server.databasePath(), progress);
    QVERIFY2(checked.succeeded, qPrintable(checked.detail));
    QVERIFY2(checked.message.text.startsWith(
                 QStringLiteral("Se leyeron 1 clientes y 1 llamadas del servidor sin errores.")),
             qPrintable(checked.message.text));
    // The call was added without counting it: a count below the calls kept is told, and left.
    QVERIFY(checked.message.text.endsWith(
        QStringLiteral("1 clientes tienen menos llamadas contadas que registradas.")));
    QCOMPARE(server.scalar(QStringLiteral("SELECT CantLlamadas FROM Clientes")), 0);
    // Gone from the server: the failure says so, with the number to give support.
    m_server->runAsSuperuser(QStringLiteral("DROP DATABASE ") +
                             ServerAddress::fromDatabaseName(server.databasePath()).database +
                             QStringLiteral(" WITH (FORCE)"));
    const MaintenanceResult gone = compactServerDatabase(server.databasePath());
    QVERIFY(!gone.succeeded);
    QCOMPARE(gone.error, DatabaseError::FileNotFound);
    QVERIFY(gone.message.text.contains(QStringLiteral("3024")));
}

QTEST_GUILESS_MAIN(DatabaseServerTest)
#include "tst_database_server.moc"
