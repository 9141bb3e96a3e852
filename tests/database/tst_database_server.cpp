// The office's database server: its tables made in an empty database, and the server stopped
// and started under the program.
#include "DatabaseFixture.h"
#include "PostgresServer.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/Statements.h"
#include "database/server/ServerSchema.h"

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
             6);
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

QTEST_GUILESS_MAIN(DatabaseServerTest)
#include "tst_database_server.moc"
