// The office's database server: its tables made in an empty database, and the server stopped
// and started under the program.
#include "PostgresServer.h"
#include "database/DatabaseErrors.h"
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

private:
    std::unique_ptr<PostgresServer> m_server;
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

QTEST_GUILESS_MAIN(DatabaseServerTest)
#include "tst_database_server.moc"
