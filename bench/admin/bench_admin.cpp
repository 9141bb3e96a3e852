// Browser and purge benchmark, run by hand:
//   bench_admin [folder] [--purge-only | --range-only | --server-purge | --server-calls]
// On a file of 100,000 clients and 1,000,000 calls (built in a temporary folder, or reused from
// the given one), drives the real browser offscreen and measures, as medians of a few runs:
//  - all calls of all workstations (S8): first rows painted, memory, jump to the last row, count;
//  - one workstation (S7), a one-day range (S6) and one workstation in it (S5);
//  - three years of all workstations (S6) while another process logs a call every 50 ms: the
//    count, the window's longest stall and the other process's longest wait;
//  - the name filter "nunez", and a header click re-sorting all clients by each column;
//  - the purge of every call while another process logs a call every 50 ms; with
//    --server-purge, that purge on a PostgreSQL 15 server started for the run, the file copied
//    there by llamora-servidor (--server-calls: all calls of all workstations there).
#include "DateBox.h"
#include "LargeDatabase.h"
#include "Median.h"
#include "MessageBox.h"
#include "PostgresServer.h"
#include "ServerTool.h"
#include "SplitGrid.h"
#include "database/DataControl.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "frmAdministrar.h"
#include "frmEliminar.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {
constexpr int runs = 5;

// CPU time of this process, all threads, in seconds.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Milliseconds from the action to the grid painted with its rows.
double timed(const std::function<void()>& action, QWidget* painted)
{
    QElapsedTimer timer;
    timer.start();
    action();
    painted->repaint();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

template <typename T>
T* child(QWidget* window, const char* name)
{
    return window->findChild<T*>(QLatin1String(name));
}

qint64 scalar(const QString& path, const QString& sql)
{
    DatabaseConnection connection;
    if (connection.open(path, DatabaseConnection::Access::ReadOnly) != DatabaseError::None)
        return -1;
    QSqlQuery query(connection.database());
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
}

void row(const char* measure, double ms, const char* goal, const QString& note = QString())
{
    std::printf("| %-44s | %9.1f ms | %-9s | %s\n", measure, ms, goal, qPrintable(note));
}

void calls(const QString& path)
{
    const long before = LargeDatabase::residentKb();
    frmAdministrar browser(path, nullptr);
    browser.show();
    QTest::qWait(50);
    auto* grid = child<QTableView>(&browser, "grdLlamadas");
    auto* cmdVer = child<QPushButton>(&browser, "cmdVer");
    auto* chkFiltro = child<QCheckBox>(&browser, "chkFiltro");
    auto* cboPuesto = child<QComboBox>(&browser, "cboPuesto");
    const qint64 exact =
        scalar(path, QStringLiteral("SELECT count(*) FROM Clientes INNER JOIN "
                                    "Llamadas ON Clientes.IdCliente = Llamadas.Cliente"));

    chkFiltro->click(); // all dates
    std::vector<double> first;
    std::vector<double> last;
    long grown = 0;
    for (int run = 0; run < runs; ++run) {
        first.push_back(timed([&] { cmdVer->click(); }, grid->viewport()));
        last.push_back(timed([&] { QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier); },
                             grid->viewport()));
        grown = std::max(grown, LargeDatabase::residentKb() - before);
    }
    const QString shown = child<QLabel>(&browser, "lblLlamadasPuesto")->text();
    const QString lastDate = grid->model()->index(grid->currentIndex().row(), 0).data().toString();
    // The rest of the keys come in while idle; the memory then holds them all.
    QTest::qWait(3000);
    grown = std::max(grown, LargeDatabase::residentKb() - before);
    row("S8 all calls: first rows painted", median(first), "<= 100");
    row("S8 all calls: jump to the last row", median(last), "<= 200",
        QStringLiteral("last row %1").arg(lastDate));
    std::printf("| %-44s | %9.1f MB | %-9s | count shown %s, exact %lld\n",
                "S8 all calls: memory growth", static_cast<double>(grown) / 1024.0, "<= 100",
                qPrintable(shown), exact);

    // The count follows the first rows at the first idle moment.
    std::vector<double> counted;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        cmdVer->click();
        grid->viewport()->repaint();
        while (!browser.datLlamadas().isCounted())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        counted.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    row("S8 all calls: count shown", median(counted), "-");

    std::vector<double> one;
    std::vector<double> oneCounted;
    cboPuesto->setCurrentText(QStringLiteral("3"));
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        one.push_back(timed([&] { cmdVer->click(); }, grid->viewport()));
        while (!browser.datLlamadas().isCounted())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        oneCounted.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    row("S7 one workstation: first rows painted", median(one), "<= 100");
    row("S7 one workstation: count shown", median(oneCounted), "-",
        QStringLiteral("%1 calls").arg(child<QLabel>(&browser, "lblLlamadasPuesto")->text()));

    chkFiltro->click(); // a range again
    const QDate day(2022, 6, 15);
    child<DateBox>(&browser, "mskDesde")->setDate(day);
    child<DateBox>(&browser, "mskHasta")->setDate(day);
    std::vector<double> range;
    std::vector<double> rangeOne;
    for (int run = 0; run < runs; ++run) {
        cboPuesto->setCurrentIndex(0);
        range.push_back(timed([&] { cmdVer->click(); }, grid->viewport()));
        cboPuesto->setCurrentText(QStringLiteral("3"));
        rangeOne.push_back(timed([&] { cmdVer->click(); }, grid->viewport()));
    }
    row("S6 one day, all workstations", median(range), "<= 100");
    row("S5 one day, one workstation", median(rangeOne), "<= 100");
}

// The other workstation: logs a call every 50 ms until stopped, then says its longest wait.
class OtherWorkstation
{
public:
    explicit OtherWorkstation(const QString& path)
    {
        m_logger.start(
            QStringLiteral(LLAMORA_DB_WORKER),
            {QStringLiteral("log-every"), path, QStringLiteral("9"), QStringLiteral("50")});
        m_logger.waitForStarted();
        QTest::qWait(500);
    }
    // "logged N failures N longest N", the wait in ms.
    QString stop()
    {
        m_logger.closeWriteChannel();
        m_logger.waitForFinished(10000);
        return QString::fromUtf8(m_logger.readAllStandardOutput()).simplified();
    }

private:
    QProcess m_logger;
};

// The longest time the window's events waited, sampled by a timer.
class StallWatch
{
public:
    StallWatch()
    {
        m_since.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_since.elapsed() - tickMs);
            m_since.restart();
        });
        m_timer.start(tickMs);
    }
    [[nodiscard]] qint64 longestMs() const { return m_longest; }

private:
    static constexpr int tickMs = 10;
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

// Three years of calls of all workstations (S6) while another workstation logs calls: the
// count comes on its own connection, in short reads, so neither waits long.
void longRange(const QString& path)
{
    OtherWorkstation other(path);
    frmAdministrar browser(path, nullptr);
    browser.show();
    QTest::qWait(50);
    auto* grid = child<QTableView>(&browser, "grdLlamadas");
    child<DateBox>(&browser, "mskDesde")->setDate(QDate(2021, 1, 1));
    child<DateBox>(&browser, "mskHasta")->setDate(QDate(2023, 12, 31));
    std::vector<double> first;
    std::vector<double> counted;
    qint64 stall = 0;
    for (int run = 0; run < runs; ++run) {
        const StallWatch watch;
        QElapsedTimer timer;
        timer.start();
        first.push_back(
            timed([&] { child<QPushButton>(&browser, "cmdVer")->click(); }, grid->viewport()));
        while (!browser.datLlamadas().isCounted())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        counted.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        // The rest of the keys come in while idle.
        QTest::qWait(1500);
        stall = std::max(stall, watch.longestMs());
    }
    const QString report = other.stop();
    row("S6 three years, all: first rows painted", median(first), "<= 100");
    row("S6 three years, all: count shown", median(counted), "-",
        QStringLiteral("%1 calls").arg(child<QLabel>(&browser, "lblLlamadasPuesto")->text()));
    row("S6 three years, all: longest window stall", static_cast<double>(stall), "<= 100",
        QStringLiteral("other workstation: %1 (goal: longest <= 250)").arg(report));
}

void clients(const QString& path)
{
    frmAdministrar browser(path, nullptr);
    browser.show();
    QTest::qWait(50);
    auto* grid = child<SplitGrid>(&browser, "grdClientes");
    auto* cmdMostrar = child<QPushButton>(&browser, "cmdMostrar");
    child<QRadioButton>(&browser, "Opcion1")->setChecked(true);
    child<QLineEdit>(&browser, "txtFiltro")->setText(QStringLiteral("nunez"));
    std::vector<double> filter;
    for (int run = 0; run < runs; ++run)
        filter.push_back(timed([&] { cmdMostrar->click(); }, grid));
    row("Filter \"nunez\" by name", median(filter), "<= 150",
        QStringLiteral("%1 clients").arg(child<QLabel>(&browser, "lblCantidad")->text()));

    child<QRadioButton>(&browser, "Opcion4")->setChecked(true);
    cmdMostrar->click();
    const char* names[] = {"Nombre",  "Domicilio", "Teléfono",     "Llamadas",
                           "Ingreso", "Alerta",    "Observaciones"};
    for (int column = 0; column < 7; ++column) {
        QTableView* pane = column == 0 ? grid->fixedPane() : grid->scrollingPane();
        QHeaderView* header = pane->horizontalHeader();
        std::vector<double> sorts;
        for (int run = 0; run < 3; ++run) {
            sorts.push_back(timed(
                [&] {
                    QTest::mouseClick(
                        header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
                },
                grid));
        }
        const QByteArray label = QByteArray("Header click, 100,000 clients by ") + names[column];
        row(label.constData(), median(sorts), "<= 300");
    }
}

void purge(const QString& path)
{
    OtherWorkstation other(path);
    const qint64 before = scalar(path, QStringLiteral("SELECT count(*) FROM Llamadas"));
    frmAdministrar browser(path, nullptr);
    MessageBox::Script messages;
    messages.queueAnswer(MessageAnswer::Yes);
    frmEliminar form(browser.datLlamadas(), &browser);
    form.mskDesde()->setDate(QDate::currentDate());
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuSeconds();
    child<QPushButton>(&form, "cmdOK")->click();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const double cpu = cpuSeconds() - cpuBefore;
    QTest::qWait(300);
    const QString report = other.stop();
    const qint64 after = scalar(path, QStringLiteral("SELECT count(*) FROM Llamadas"));
    const CallPurgeWorker::Timing& timing = form.purgeTiming();
    row("Purge of every call (count, ask, delete)", ms, "<= 5000",
        QStringLiteral("CPU %1 s; %2 calls before, %3 after; %4; messages: %5")
            .arg(cpu, 0, 'f', 1)
            .arg(before)
            .arg(after)
            .arg(report, messages.texts().join(QStringLiteral(" / "))));
    std::printf("| %-44s | %9d    | %-9s | locked %lld ms in all, of which COMMIT %lld ms; "
                "longest batch %lld ms\n",
                "Purge: batches", timing.batches, "-", timing.lockedMs, timing.commitMs,
                timing.longestLockMs);
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const bool purgeOnly = argc > 2 && qstrcmp(argv[2], "--purge-only") == 0;
    const bool rangeOnly = argc > 2 && qstrcmp(argv[2], "--range-only") == 0;
    const bool serverPurge = argc > 2 && qstrcmp(argv[2], "--server-purge") == 0;
    const bool serverCalls = argc > 2 && qstrcmp(argv[2], "--server-calls") == 0;
    const QString big = folder + QStringLiteral("/big.mdb");
    if (!LargeDatabase::buildIfMissing(big))
        return 1;
    std::printf("| %-44s | %12s | %-9s | %s\n", "Measure (medians)", "Result", "Goal", "Notes");
    if (serverPurge || serverCalls) {
        PostgresServer server(PostgresServer::Durability::Durable);
        const ServerAddress address = server.freshDatabase(QStringLiteral("grande"));
        if (!server.isValid() || !runServerTool(address, {QStringLiteral("crear")}) ||
            !runServerTool(address, {QStringLiteral("migrar"), big}))
            return 1;
        if (serverCalls)
            calls(address.toDatabaseName());
        else
            purge(address.toDatabaseName());
        return 0;
    }
    if (rangeOnly) {
        longRange(big);
        return 0;
    }
    if (!purgeOnly) {
        calls(big);
        longRange(big);
        clients(big);
    }
    const QString work = folder + QStringLiteral("/purge.mdb");
    // A journal left by an interrupted run would be rolled back into the fresh copy.
    QFile::remove(work + QStringLiteral("-journal"));
    QFile::remove(work);
    QFile::copy(big, work);
    purge(work);
    QFile::remove(work);
    return 0;
}
