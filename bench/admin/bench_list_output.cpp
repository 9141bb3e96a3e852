// Export and statistics benchmark, run by hand:
//   bench_list_output [folder] [--once] [--export | --statistics]
// On a file of 100,000 clients and 1,000,000 calls (built in a temporary folder, or reused from
// the given one), measures as medians of a few runs:
//  - the export of every call (S8) and of every client to CSV, while another process logs a
//    call every 50 ms (its failures and its longest wait are reported);
//  - the statistics of every call, of one workstation, of one year and of one month.
#include "LargeDatabase.h"
#include "Median.h"
#include "database/Statements.h"
#include "export/ListExport.h"
#include "statistics/CallStatistics.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <vector>

namespace {
// Runs of each measure; "--once" in the arguments makes it one.
int runs = 3;

const QList<ListColumn> callColumns = {
    {QStringLiteral("Fecha"), QStringLiteral("Fecha"), ListColumn::Format::DateTime},
    {QStringLiteral("Nombre"), QStringLiteral("Nombre")},
    {QStringLiteral("Domicilio"), QStringLiteral("Domicilio")},
    {QStringLiteral("Teléfono"), QStringLiteral("Telefono")},
    {QStringLiteral("Alerta"), QStringLiteral("Alerta"), ListColumn::Format::YesNo},
    {QStringLiteral("Puesto"), QStringLiteral("Puesto")}};
const QList<ListColumn> clientColumns = {
    {QStringLiteral("Nombre"), QStringLiteral("Nombre")},
    {QStringLiteral("Domicilio"), QStringLiteral("Domicilio")},
    {QStringLiteral("Teléfono"), QStringLiteral("Telefono")},
    {QStringLiteral("Llamadas"), QStringLiteral("CantLlamadas")},
    {QStringLiteral("Ingreso"), QStringLiteral("FIngreso"), ListColumn::Format::Date},
    {QStringLiteral("Alerta"), QStringLiteral("Alerta"), ListColumn::Format::YesNo},
    {QStringLiteral("Observaciones"), QStringLiteral("Observaciones")}};

void row(const char* measure, double ms, const char* goal, const QString& note = QString())
{
    std::printf("| %-44s | %9.1f ms | %-9s | %s\n", measure, ms, goal, qPrintable(note));
}

double exportMs(const QString& path, const Statement& statement, const QList<ListColumn>& columns,
                const QString& target, QString* note)
{
    QElapsedTimer timer;
    timer.start();
    ListExport job(path, statement, columns, target);
    const ListExport::Outcome outcome = job.run();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    *note = QStringLiteral("%1 rows, %2 MB")
                .arg(outcome.rows)
                .arg(static_cast<double>(QFileInfo(target).size()) / 1e6, 0, 'f', 1);
    return ms;
}

void exports(const QString& path, const QString& folder)
{
    // Another workstation logs calls all through the exports.
    QProcess logger;
    logger.start(QStringLiteral(LLAMORA_DB_WORKER),
                 {QStringLiteral("log-every"), path, QStringLiteral("9"), QStringLiteral("50")});
    logger.waitForStarted();
    QThread::msleep(500);
    const QString target = folder + QStringLiteral("/export.csv");
    std::vector<double> calls;
    std::vector<double> clients;
    QString callsNote;
    QString clientsNote;
    for (int run = 0; run < runs; ++run) {
        calls.push_back(exportMs(path, Statements::allCalls(), callColumns, target, &callsNote));
        clients.push_back(exportMs(path,
                                   Statements::clientList(ClientFilterField::Ninguno, {}, false),
                                   clientColumns, target, &clientsNote));
    }
    QFile::remove(target);
    logger.closeWriteChannel();
    logger.waitForFinished(10000);
    const QString report = QString::fromUtf8(logger.readAllStandardOutput()).simplified();
    row("Export of every call (S8) to CSV", median(calls), "<= 5000", callsNote);
    row("Export of every client to CSV", median(clients), "-", clientsNote);
    std::printf("  another workstation meanwhile: %s\n", qPrintable(report));
}

void statistics(const QString& path)
{
    const struct
    {
        const char* name;
        QDate desde;
        QDate hasta;
        int puesto;
    } ranges[] = {
        {"Statistics, every call (3 years)", QDate(2020, 1, 1), QDate(2025, 1, 1), 0},
        {"Statistics, every call of workstation 3", QDate(2020, 1, 1), QDate(2025, 1, 1), 3},
        {"Statistics, one year (2022)", QDate(2022, 1, 1), QDate(2022, 12, 31), 0},
        {"Statistics, one month (June 2022)", QDate(2022, 6, 1), QDate(2022, 6, 30), 0}};
    for (const auto& range : ranges) {
        std::vector<double> times;
        qint64 total = 0;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            const CallStatistics s =
                CallStatistics::read(path, range.desde, range.hasta, range.puesto);
            times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            total = s.error == 0 ? s.total : -s.error;
        }
        row(range.name, median(times), "<= 300", QStringLiteral("%1 calls").arg(total));
    }
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    if (arguments.removeAll(QStringLiteral("--once")) > 0)
        runs = 1;
    // One of the two measures only.
    const bool exportOnly = arguments.removeAll(QStringLiteral("--export")) > 0;
    const bool statisticsOnly = arguments.removeAll(QStringLiteral("--statistics")) > 0;
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    QTemporaryDir temporary;
    const QString folder = arguments.size() > 1 ? arguments.at(1) : temporary.path();
    const QString big = folder + QStringLiteral("/big.mdb");
    if (!LargeDatabase::buildIfMissing(big))
        return 1;
    std::printf("| %-44s | %12s | %-9s | %s\n", "Measure (medians)", "Result", "Goal", "Notes");
    if (!exportOnly)
        statistics(big);
    if (!statisticsOnly)
        exports(big, folder);
    return 0;
}
