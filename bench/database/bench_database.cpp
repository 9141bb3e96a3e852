// Database benchmark, run by hand:  bench_database [folder] [--server] [--clients N --calls M]
// Builds a file of 100,000 clients and 1,000,000 calls (or N and M) and one of 100 clients and
// 100 calls in a temporary folder (or the given one), then measures on each:
//  - one call's work (S1, R1, R2 on an existing client): median in microseconds on each file;
//    the call row is written on a connection of its own each time, which on a server costs a
//    new session (bench_reception measures the program's own road, on one connection);
//  - the time to the first page and the memory taken by all calls (S8) and by the client list
//    sorted by each column, on the big file.
// With --server the same rows are copied to a PostgreSQL 15 server started for the run, and
// every figure is given for the file and the server side by side.
#include "LargeDatabase.h"
#include "Median.h"
#include "PostgresServer.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/RowOperations.h"
#include "database/ServerAddress.h"
#include "database/Statements.h"
#include "database/server/ServerSchema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {
using LargeDatabase::residentKb;
using LargeDatabase::telefonoFor;

// S1 + R1 + R2 for known callers, as the call reception does them; median in microseconds.
double oneCallMedian(const QString& path, int clients, int rounds)
{
    DataControl datLlamada;
    datLlamada.setDatabaseName(path);
    QRandomGenerator random(7);
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const QString telefono = telefonoFor(random.bounded(clients));
        QElapsedTimer timer;
        timer.start();
        datLlamada.setRecordSource(Statements::clientByTelephone(telefono));
        int error = datLlamada.refresh();
        const qint64 id = datLlamada.field(QStringLiteral("IdCliente")).toLongLong();
        if (error == DatabaseError::None)
            error = appendCall(path, id, QDateTime::currentDateTime(), 1);
        if (error == DatabaseError::None)
            error = countCall(datLlamada);
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
        if (error != DatabaseError::None) {
            std::printf("call failed with %d\n", error);
            return -1;
        }
    }
    return median(times);
}

// The time to the first page of a list, in ms (negative on failure).
double firstPage(const QString& path, const Statement& statement)
{
    const long before = residentKb();
    QElapsedTimer timer;
    timer.start();
    DataControl control;
    control.setDatabaseName(path);
    control.setReadOnly(true);
    control.setRecordSource(statement);
    const int error = control.refresh();
    int shown = 0;
    for (int row = 0; row < std::min(100, control.recordCount()); ++row) {
        const QStringList names = control.fieldNames();
        for (const QString& name : names) {
            if (control.valueAt(row, name).isValid())
                ++shown;
        }
    }
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    Q_UNUSED(before);
    return error == DatabaseError::None && shown > 0 ? ms : -1;
}

// A text array literal of the server ({"a","b",NULL}) for values bound as one parameter.
QString arrayLiteral(const QVariantList& values)
{
    QStringList items;
    for (const QVariant& value : values) {
        if (value.isNull()) {
            items << QStringLiteral("NULL");
            continue;
        }
        QString text = value.toString();
        text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        text.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        items << QLatin1Char('"') + text + QLatin1Char('"');
    }
    return QLatin1Char('{') + items.join(QLatin1Char(',')) + QLatin1Char('}');
}

// Copies the file's rows, keys included, into an empty database on the server.
bool copyToServer(const QString& file, const ServerAddress& server)
{
    bool copied = false;
    {
        QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "source");
        source.setDatabaseName(file);
        QSqlDatabase target = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), "target");
        applyServerAddress(target, server, 5);
        copied = source.open() && target.open() && ServerSchema::create(target) == 0 &&
                 target.transaction();
        const struct
        {
            const char* table;
            const char* columns;
            const char* types;
        } tables[] = {
            {"Clientes",
             "IdCliente, Nombre, Domicilio, Telefono, Observaciones, Alerta, "
             "CantLlamadas, FIngreso",
             "bigint,text,text,text,text,integer,integer,text"},
            {"Llamadas", "IdLlamada, Cliente, Fecha, Puesto", "bigint,bigint,text,integer"}};
        for (const auto& table : tables) {
            const QStringList types = QString::fromLatin1(table.types).split(QLatin1Char(','));
            QStringList unnest;
            for (const QString& type : types)
                unnest << QStringLiteral("CAST(? AS %1[])").arg(type);
            QSqlQuery insert(target);
            copied = copied && insert.prepare(QStringLiteral("INSERT INTO %1 (%2) SELECT * FROM "
                                                             "unnest(%3)")
                                                  .arg(QLatin1String(table.table),
                                                       QLatin1String(table.columns),
                                                       unnest.join(QStringLiteral(", "))));
            QSqlQuery read(source);
            read.setForwardOnly(true);
            copied = copied &&
                     read.exec(QStringLiteral("SELECT %1 FROM %2")
                                   .arg(QLatin1String(table.columns), QLatin1String(table.table)));
            QList<QVariantList> columns(types.size());
            const auto flush = [&] {
                for (int c = 0; c < columns.size(); ++c)
                    insert.bindValue(c, arrayLiteral(columns[c]));
                const bool done = columns[0].isEmpty() || insert.exec();
                if (!done)
                    std::printf("copy failed: %s\n", qPrintable(insert.lastError().text()));
                for (QVariantList& column : columns)
                    column.clear();
                return done;
            };
            while (copied && read.next()) {
                for (int c = 0; c < columns.size(); ++c)
                    columns[c].append(read.value(c));
                if (columns[0].size() == 20000)
                    copied = flush();
            }
            copied = copied && flush();
        }
        // The keys given next follow the copied ones.
        for (const char* key : {"SELECT setval(pg_get_serial_sequence('clientes', 'idcliente'), "
                                "(SELECT max(IdCliente) FROM Clientes))",
                                "SELECT setval(pg_get_serial_sequence('llamadas', 'idllamada'), "
                                "(SELECT max(IdLlamada) FROM Llamadas))"})
            copied = copied && QSqlQuery(target).exec(QString::fromLatin1(key));
        copied = copied && target.commit();
        QSqlQuery(target).exec(QStringLiteral("VACUUM ANALYZE Clientes, Llamadas"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("source"));
    QSqlDatabase::removeDatabase(QStringLiteral("target"));
    return copied;
}

int option(const QStringList& arguments, const QString& name, int fallback)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toInt() : fallback;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QTemporaryDir temporary;
    const QString folder = argc > 1 && !arguments.at(1).startsWith(QLatin1String("--"))
                               ? arguments.at(1)
                               : temporary.path();
    const int clients = option(arguments, QStringLiteral("--clients"), 100000);
    const int calls = option(arguments, QStringLiteral("--calls"), 1000000);
    const QString big = folder + QStringLiteral("/big.mdb");
    const QString small = folder + QStringLiteral("/small.mdb");
    QFile::remove(big);
    QFile::remove(small);

    QElapsedTimer timer;
    timer.start();
    if (!LargeDatabase::build(big, clients, calls) || !LargeDatabase::build(small, 100, 100)) {
        std::printf("could not build the files in %s\n", qPrintable(folder));
        return 1;
    }
    std::printf("%d clients, %d calls; files built in %.1f s\n", clients, calls,
                static_cast<double>(timer.elapsed()) / 1000.0);

    // Each engine's pair of databases: the big and the small.
    QList<std::pair<QString, QStringList>> engines = {{QStringLiteral("file"), {big, small}}};
    std::unique_ptr<PostgresServer> server;
    if (arguments.contains(QStringLiteral("--server"))) {
        server = std::make_unique<PostgresServer>(PostgresServer::Durability::Durable);
        const ServerAddress bigOnServer = server->freshDatabase(QStringLiteral("grande"));
        const ServerAddress smallOnServer = server->freshDatabase(QStringLiteral("chica"));
        timer.restart();
        if (!server->isValid() || !copyToServer(big, bigOnServer) ||
            !copyToServer(small, smallOnServer)) {
            std::printf("could not fill the server: %s\n", qPrintable(server->errorText()));
            return 1;
        }
        std::printf("copied to the server in %.1f s\n",
                    static_cast<double>(timer.elapsed()) / 1000.0);
        engines.append({QStringLiteral("server"),
                        {bigOnServer.toDatabaseName(), smallOnServer.toDatabaseName()}});
    }

    constexpr int rounds = 201;
    QList<std::pair<QByteArray, QList<double>>> figures;
    const auto add = [&figures](const QByteArray& label, double value) {
        for (auto& figure : figures) {
            if (figure.first == label) {
                figure.second.append(value);
                return;
            }
        }
        figures.append({label, {value}});
    };
    for (const auto& engine : engines) {
        const QString& bigName = engine.second.at(0);
        const double smallMedian = oneCallMedian(engine.second.at(1), 100, rounds);
        const double bigMedian = oneCallMedian(bigName, clients, rounds);
        add("one call (S1+R1+R2) median, empty, us", smallMedian);
        add("one call (S1+R1+R2) median, large, us", bigMedian);
        add("  ratio large / empty", bigMedian / smallMedian);
        add("all calls (S8) first page, ms", firstPage(bigName, Statements::allCalls()));
        DataControl last;
        last.setDatabaseName(bigName);
        last.setReadOnly(true);
        last.setRecordSource(Statements::allCalls());
        timer.restart();
        last.refresh();
        last.moveLast();
        const bool atLast = last.field(QStringLiteral("Fecha")).isValid();
        add("all calls, jump to the last row, ms",
            atLast ? static_cast<double>(timer.nsecsElapsed()) / 1e6 : -1);
        add("clients, name filter \"nunez\", ms",
            firstPage(bigName, Statements::clientList(ClientFilterField::Nombre,
                                                      QStringLiteral("nunez"), false)));
        double slowestSort = 0;
        for (int column = 0; column < 7; ++column) {
            for (const SortDirection direction :
                 {SortDirection::Ascending, SortDirection::Descending}) {
                const double ms = firstPage(
                    bigName,
                    Statements::clientList(ClientFilterField::Ninguno, QString(), false,
                                           static_cast<ClientSortColumn>(column), direction));
                slowestSort = ms < 0 || slowestSort < 0 ? -1 : std::max(slowestSort, ms);
            }
        }
        add("clients, slowest of the 14 sorts, ms", slowestSort);
    }
    std::printf("%-42s", "");
    for (const auto& engine : engines)
        std::printf("%12s", qPrintable(engine.first));
    std::printf("\n");
    for (const auto& figure : figures) {
        std::printf("%-42s", figure.first.constData());
        for (const double value : figure.second)
            std::printf("%12.2f", value);
        std::printf("\n");
    }
    return 0;
}
