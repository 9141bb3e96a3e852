// Database benchmark, run by hand:  bench_database [folder]
// Builds a file of 100,000 clients and 1,000,000 calls and one of 100 clients and 100 calls in a
// temporary folder (or the given one), then measures:
//  - one call's work (S1, R1, R2 on an existing client): median in microseconds on each file;
//  - the time to the first page and the memory taken by all calls (S8) and by the client list
//    sorted by each column, on the big file.
#include "LargeDatabase.h"
#include "Median.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/RowOperations.h"
#include "database/Statements.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
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

void firstPage(const QString& path, const char* label, const Statement& statement)
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
    std::printf("%-34s %8d rows  first page %8.1f ms  memory +%6ld kB  (error %d, %d values)\n",
                label, control.recordCount(), ms, residentKb() - before, error, shown);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString big = folder + QStringLiteral("/big.mdb");
    const QString small = folder + QStringLiteral("/small.mdb");
    QFile::remove(big);
    QFile::remove(small);

    QElapsedTimer timer;
    timer.start();
    if (!LargeDatabase::build(big, 100000, 1000000) || !LargeDatabase::build(small, 100, 100)) {
        std::printf("could not build the files in %s\n", qPrintable(folder));
        return 1;
    }
    std::printf("files built in %.1f s\n", static_cast<double>(timer.elapsed()) / 1000.0);

    constexpr int rounds = 201;
    const double smallMedian = oneCallMedian(small, 100, rounds);
    const double bigMedian = oneCallMedian(big, 100000, rounds);
    std::printf("one call (S1+R1+R2), median of %d: small %.0f us, big %.0f us, ratio %.2f\n",
                rounds, smallMedian, bigMedian, bigMedian / smallMedian);

    firstPage(big, "all calls (S8)", Statements::allCalls());
    const char* columns[] = {"Nombre",   "Domicilio", "Telefono",     "CantLlamadas",
                             "FIngreso", "Alerta",    "Observaciones"};
    for (int column = 0; column < 7; ++column) {
        for (const SortDirection direction :
             {SortDirection::Ascending, SortDirection::Descending}) {
            const QByteArray label = QByteArray("clients by ") + columns[column] +
                                     (direction == SortDirection::Descending ? " desc" : " asc");
            firstPage(big, label.constData(),
                      Statements::clientList(ClientFilterField::Ninguno, QString(), false,
                                             static_cast<ClientSortColumn>(column), direction));
        }
    }
    firstPage(big, "clients, name filter \"nunez\"",
              Statements::clientList(ClientFilterField::Nombre, QStringLiteral("nunez"), false));
    return 0;
}
