// Call latency benchmark, run by hand:  bench_reception [calls] [--server]
//
// The whole road of a call on one workstation: the modem simulator writes a caller-ID record on
// a pseudo-terminal, the line control reads it over QSerialPort and raises Llamada, the call
// reception looks the number up, logs and counts the call, and the notice panel shows it
// (offscreen) and is painted. Measured from the command to the simulator (which writes the
// record at once, so this slightly overstates the time from its last byte) to the painted panel.
//
// Two database files: the empty one, and one of 100,000 clients and 1,000,000 calls. Half the
// calls come from known clients, half from new numbers. Prints median and 95th percentile in
// milliseconds and the big file's ratio to the empty one. Everything lives in a temporary
// folder, the configuration home included. With --server both files are also copied by
// llamora-servidor to a PostgreSQL 15 server started for the run, and the calls taken there.
#include "Lineo.h"
#include "Parlux.h"
#include "PortTable.h"
#include "PostgresServer.h"
#include "PrivateHome.h"
#include "ServerTool.h"
#include "database/DataControl.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"
#include "startup/DatabaseAttach.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

const QString programFolder = QStringLiteral(LLAMORA_PROGRAM_DIR_AT_BUILD);
constexpr int BenchPort = 5;

QString knownTelefono(int client)
{
    return QStringLiteral("11%1").arg(client, 8, 10, QLatin1Char('0'));
}

// Fills the file with clients and calls in one transaction; each client's count matches its
// calls.
bool fill(const QString& path, int clients, int calls)
{
    DatabaseConnection connection;
    if (connection.open(path) != DatabaseError::None)
        return false;
    QSqlQuery pragma(connection.database());
    pragma.exec(QStringLiteral("PRAGMA synchronous = OFF"));
    if (connection.beginWrite() != DatabaseError::None)
        return false;
    QRandomGenerator random(1234);
    std::vector<int> callClient(static_cast<size_t>(calls));
    std::vector<int> counts(static_cast<size_t>(clients), 0);
    for (int& client : callClient) {
        client = static_cast<int>(random.bounded(clients));
        ++counts[static_cast<size_t>(client)];
    }
    QSqlQuery client(connection.database());
    client.prepare(QStringLiteral("INSERT INTO Clientes (IdCliente, Nombre, Domicilio, Telefono, "
                                  "Alerta, CantLlamadas, FIngreso) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < clients; ++i) {
        client.addBindValue(i + 1);
        client.addBindValue(QStringLiteral("Cliente %1").arg(i));
        client.addBindValue(QStringLiteral("Calle %1 nº %2").arg(i % 500).arg(i));
        client.addBindValue(knownTelefono(i));
        client.addBindValue(i % 40 == 0 ? 1 : 0);
        client.addBindValue(counts[static_cast<size_t>(i)]);
        client.addBindValue(DateText::storedDate(QDate(2019, 1, 1).addDays(i % 1800)));
        if (!client.exec())
            return false;
    }
    QSqlQuery call(connection.database());
    call.prepare(QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) VALUES (?, ?, ?)"));
    const QDateTime start(QDate(2020, 1, 1), QTime(8, 0));
    for (int i = 0; i < calls; ++i) {
        call.addBindValue(callClient[static_cast<size_t>(i)] + 1);
        call.addBindValue(DateText::storedDateTime(start.addSecs(i * 120LL)));
        call.addBindValue(1 + i % 10);
        if (!call.exec())
            return false;
    }
    return connection.commit() == DatabaseError::None;
}

struct Percentiles
{
    double median = 0;
    double p95 = 0;
};

Percentiles percentiles(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    if (values.empty())
        return {};
    const auto at = [&](double q) {
        const auto index = static_cast<size_t>(std::ceil(q * double(values.size()))) - 1;
        return values[std::min(index, values.size() - 1)];
    };
    return {at(0.5), at(0.95)};
}

struct Run
{
    Percentiles total;
    Percentiles reception;
    int notLogged = 0;
};

// One workstation taking `calls` calls from the simulator on the database of `folder`, or on
// the server when one is given.
bool takeCalls(const QString& folder, const ServerAddress& server, int calls, int knownClients,
               Run* run)
{
    QProcess modem;
    modem.start(programFolder + QStringLiteral("/modemsim"),
                {QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")});
    if (!modem.waitForStarted() || !modem.waitForReadyRead(5000))
        return false;
    const QString device = QString::fromLocal8Bit(modem.readLine()).trimmed();
    PortTable table = PortTable::load();
    table.setDevice(BenchPort, device);
    if (!table.save())
        return false;
    QObject::connect(&modem, &QProcess::readyReadStandardOutput, &modem,
                     [&] { modem.readAllStandardOutput(); });

    ProgramValues values;
    values.programFolder = programFolder;
    values.CarpetaBase = folder;
    values.Servidor = server;
    values.NumeroPuesto = 1;
    DataControl datLlamada;
    if (const int error = attachDatLlamada(datLlamada, values.databasePath()).error;
        error != DatabaseError::None) {
        std::fprintf(stderr, "database error %d\n", error);
        return false;
    }
    CallReception reception(values, datLlamada);
    Parlux panel;
    panel.show();
    Lineo lineo;
    lineo.setReplyTimeout(100ms);
    lineo.setPuerto(BenchPort);
    lineo.setEnabled(true);
    if (!lineo.Enabled()) {
        std::fprintf(stderr, "the line control found no caller-ID modem on %s\n",
                     qPrintable(device));
        return false;
    }

    QElapsedTimer clock;
    clock.start();
    QRandomGenerator random(99);
    std::vector<double> total;
    std::vector<double> inReception;
    qint64 sentAt = 0;
    int sent = 0;
    QEventLoop loop;
    const auto sendNext = [&] {
        if (sent == calls) {
            loop.quit();
            return;
        }
        const QString number = sent % 2 == 0
                                   ? knownTelefono(static_cast<int>(random.bounded(knownClients)))
                                   : QStringLiteral("15%1").arg(sent, 8, 10, QLatin1Char('0'));
        ++sent;
        sentAt = clock.nsecsElapsed();
        modem.write(QStringLiteral("call %1 --no-ring\n").arg(number).toLatin1());
    };
    QObject::connect(&lineo, &Lineo::Llamada, &lineo, [&] {
        const qint64 start = clock.nsecsElapsed();
        const ReceptionResult result = reception.receive(lineo.Numero());
        const qint64 received = clock.nsecsElapsed();
        if (result.outcome != ReceptionResult::Outcome::Logged)
            ++run->notLogged;
        if (result.notice) {
            const CallerNotice& n = *result.notice;
            panel.Mostrar(n.Num, n.F, n.H, n.Nom, n.Dom, n.Ob, n.Al, n.N);
            panel.repaint();
        }
        const qint64 shown = clock.nsecsElapsed();
        total.push_back(double(shown - sentAt) / 1e6);
        inReception.push_back(double(received - start) / 1e6);
        // A short pause between calls, as between rings.
        QTimer::singleShot(2, &lineo, sendNext);
    });
    QTimer::singleShot(0, &lineo, sendNext);
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] {
        std::fprintf(stderr, "no call came through after %d\n", sent);
        loop.exit(1);
    });
    watchdog.start(std::chrono::seconds(10 + calls / 10));
    const int status = loop.exec();
    lineo.setEnabled(false);
    modem.write("quit\n");
    modem.waitForFinished(3000);
    run->total = percentiles(total);
    run->reception = percentiles(inReception);
    return status == 0 && int(total.size()) == calls;
}

void print(const char* name, const Run& run)
{
    std::printf("%-30s total median %6.2f ms  p95 %6.2f ms | reception median %6.2f ms  p95 "
                "%6.2f ms | not logged %d\n",
                name, run.total.median, run.total.p95, run.reception.median, run.reception.p95,
                run.notLogged);
}

} // namespace

int main(int argc, char** argv)
{
    const PrivateHome root;
    if (!root.isValid())
        return 1;
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    const int calls =
        argc > 1 && QByteArray(argv[1]).toInt() > 0 ? QByteArray(argv[1]).toInt() : 1000;

    const QString emptyFolder = root.path() + QStringLiteral("/empty");
    const QString bigFolder = root.path() + QStringLiteral("/big");
    QDir().mkpath(emptyFolder);
    QDir().mkpath(bigFolder);
    const QString emptyDatabase = programFolder + QStringLiteral("/Llamora.mdb");
    if (!QFile::copy(emptyDatabase, emptyFolder + QStringLiteral("/Llamora.mdb")) ||
        !QFile::copy(emptyDatabase, bigFolder + QStringLiteral("/Llamora.mdb")))
        return 1;
    for (const QString& folder : {emptyFolder, bigFolder})
        QFile::setPermissions(folder + QStringLiteral("/Llamora.mdb"),
                              QFile::ReadOwner | QFile::WriteOwner);

    QElapsedTimer filling;
    filling.start();
    if (!fill(bigFolder + QStringLiteral("/Llamora.mdb"), 100000, 1000000)) {
        std::fprintf(stderr, "could not fill the big database\n");
        return 1;
    }
    // Its writes go to the disk before anything is measured, so they do not slow the first run.
    ::sync();
    std::printf("filled 100,000 clients and 1,000,000 calls in %.1f s\n",
                double(filling.elapsed()) / 1000.0);

    std::vector<std::pair<ServerAddress, QString>> engines = {{ServerAddress(), "file"}};
    std::unique_ptr<PostgresServer> server;
    if (QCoreApplication::arguments().contains(QStringLiteral("--server"))) {
        server = std::make_unique<PostgresServer>(PostgresServer::Durability::Durable);
        engines.emplace_back(server->address(), QStringLiteral("server"));
    }
    for (const auto& [address, engine] : engines) {
        ServerAddress empty;
        ServerAddress big;
        if (address.isSet()) {
            empty = server->freshDatabase(QStringLiteral("vacia"));
            big = server->freshDatabase(QStringLiteral("grande"));
            for (const auto& [target, folder] : {std::pair{empty, emptyFolder}, {big, bigFolder}}) {
                if (!runServerTool(target, {QStringLiteral("crear")}) ||
                    !runServerTool(target, {QStringLiteral("migrar"),
                                            folder + QStringLiteral("/Llamora.mdb")})) {
                    std::fprintf(stderr, "could not copy the files to the server\n");
                    return 1;
                }
            }
        }
        Run emptyRun;
        Run bigRun;
        // In the empty file the "known" half repeats numbers of the first calls.
        if (!takeCalls(emptyFolder, empty, calls, 250, &emptyRun) ||
            !takeCalls(bigFolder, big, calls, 100000, &bigRun)) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        std::printf("%s: %d calls each, milliseconds from the simulator's record to the painted "
                    "panel\n",
                    qPrintable(engine), calls);
        print("empty database", emptyRun);
        print("100,000 clients, 1,000,000 calls", bigRun);
        std::printf("ratio big / empty: median %.2f, p95 %.2f\n",
                    bigRun.total.median / emptyRun.total.median,
                    bigRun.total.p95 / emptyRun.total.p95);
    }
    return 0;
}
