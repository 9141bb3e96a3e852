#include "LineoModemTest.h"

#include "Lineo.h"
#include "ModemSimulator.h"
#include "PortTable.h"
#include "TestEnvironment.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <ctime>

using namespace std::chrono_literals;

namespace {

constexpr auto Bound = 300ms;
constexpr int BoundMs = 300;

// A control on port 4, which the simulator's device stands for. The port leads to a link of this
// test's own: once the device is unplugged, the pseudo-terminal's number may go to another
// process at once, and the port must then lead nowhere.
struct Line
{
    bool start(const QStringList& simulatorOptions)
    {
        lineo.setPuerto(4);
        lineo.setReplyTimeout(Bound);
        if (!environment.isValid())
            return false;
        const QString link = environment.root() + QStringLiteral("/modem");
        if (!modem.start(simulatorOptions + QStringList{QStringLiteral("--link"), link}))
            return false;
        PortTable table = PortTable::load();
        table.setDevice(4, link);
        return table.save();
    }
    // Started and switched on, with replies waited for only briefly: for tests of what comes
    // after the detection.
    bool startEnabled(const QStringList& simulatorOptions)
    {
        if (!start(simulatorOptions))
            return false;
        lineo.setReplyTimeout(50ms);
        enable();
        return true;
    }
    qint64 enable()
    {
        QElapsedTimer clock;
        clock.start();
        lineo.setEnabled(true);
        return clock.elapsed();
    }
    TestEnvironment environment;
    ModemSimulator modem;
    Lineo lineo;
};

QStringList accepting(const char* command)
{
    return {QStringLiteral("--accept"), QLatin1String(command)};
}

} // namespace

void LineoModemTest::detection_data()
{
    QTest::addColumn<bool>("device");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("accepted");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    // "XXX" goes first and has to be waited out; refusals end at once.
    QTest::newRow("second candidate") << true << accepting("AT+VCID=1")
                                      << QStringLiteral("AT+VCID=1") << BoundMs - 10 << 2 * BoundMs;
    QTest::newRow("last candidate") << true << accepting("AT*ID1=1") << QStringLiteral("AT*ID1=1")
                                    << BoundMs - 10 << 2 * BoundMs;
    QTest::newRow("ERROR to everything")
        << true << QStringList{QStringLiteral("--error-all"), QStringLiteral("--no-echo")}
        << QString() << 0 << BoundMs;
    QTest::newRow("no device") << false << QStringList() << QString() << 0 << BoundMs;
}

void LineoModemTest::detection()
{
    QFETCH(bool, device);
    QFETCH(QStringList, options);
    QFETCH(QString, accepted);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    Line line;
    if (device) {
        QVERIFY(line.start(options));
    } else {
        PortTable table;
        table.setDevice(4, line.environment.root() + QStringLiteral("/no-such-device"));
        QVERIFY(table.save());
    }
    const qint64 elapsed = line.enable();
    QVERIFY2(elapsed >= minMs && elapsed < maxMs, qPrintable(QString::number(elapsed)));
    QCOMPARE(line.lineo.ComandoCID(), accepted);
    QCOMPARE(line.lineo.Enabled(), !accepted.isEmpty());
    if (accepted.isEmpty())
        return;
    // The port stayed open: a call comes through.
    QSignalSpy calls(&line.lineo, &Lineo::Llamada);
    QVERIFY(line.modem.call(QStringLiteral("5551234")));
    QTRY_COMPARE(calls.count(), 1);
    QCOMPARE(line.lineo.Numero(), QStringLiteral("5551234"));
}

void LineoModemTest::disablingClosesThePort()
{
    Line line;
    QVERIFY(line.start(accepting("AT#CID=1")));
    line.enable();
    QSignalSpy calls(&line.lineo, &Lineo::Llamada);
    line.lineo.setEnabled(false);
    QVERIFY(!line.lineo.Enabled());
    QVERIFY(line.modem.call(QStringLiteral("5551234")));
    QTest::qWait(100);
    QCOMPARE(calls.count(), 0);
    // A closed port can be opened again: nothing kept it busy.
    line.enable();
    QVERIFY(line.modem.call(QStringLiteral("5559876")));
    QTRY_COMPARE(calls.count(), 1);
    QCOMPARE(line.lineo.Numero(), QStringLiteral("5559876"));
}

void LineoModemTest::recordWholeAndSplitAtEveryPoint()
{
    const QByteArray record = "\r\nDATE = 1205\r\nTIME = 0931\r\nNMBR = 5551234\r\n";
    Line line;
    QVERIFY(line.startEnabled(accepting("AT+VCID=1")));
    QSignalSpy calls(&line.lineo, &Lineo::Llamada);
    QVERIFY(line.modem.raw(record));
    QTRY_COMPARE(calls.count(), 1);
    QCOMPARE(line.lineo.FechaHora(),
             QDateTime(QDate(QDate::currentDate().year(), 12, 5), QTime(9, 31)));

    for (qsizetype cut = 1; cut < record.size(); ++cut) {
        QVERIFY(line.modem.raw(record.left(cut)));
        QTest::qWait(2); // let the first part arrive as a chunk of its own
        QVERIFY(line.modem.raw(record.mid(cut)));
        QTRY_COMPARE(calls.count(), int(cut) + 1);
        QCOMPARE(line.lineo.Numero(), QStringLiteral("5551234"));
    }
    QTest::qWait(20);
    QCOMPARE(calls.count(), int(record.size()));
}

void LineoModemTest::dialects_data()
{
    QTest::addColumn<QStringList>("simulatorOptions");
    QTest::newRow("whole") << QStringList();
    QTest::newRow("chunked") << QStringList{QStringLiteral("--chunked"),
                                            QStringLiteral("--pattern"), QStringLiteral("42")};
}

void LineoModemTest::dialects()
{
    QFETCH(QStringList, simulatorOptions);
    Line line;
    QVERIFY(line.startEnabled(simulatorOptions + accepting("AT#CC1=1")));
    QStringList numbers;
    QList<QDateTime> times;
    connect(&line.lineo, &Lineo::Llamada, &line.lineo, [&] {
        numbers << line.lineo.Numero();
        times << line.lineo.FechaHora();
    });
    const QList<QStringList> calls{
        {QStringLiteral("5550001")},
        {QStringLiteral("5550002"), QStringLiteral("--nospace")},
        {QStringLiteral("5550003"), QStringLiteral("--ddn")},
        {QStringLiteral("5550004"), QStringLiteral("--name"), QStringLiteral("DIAZ JUAN"),
         QStringLiteral("--name-first")},
        {QStringLiteral("5550005"), QStringLiteral("--name"), QStringLiteral("DIAZ JUAN")},
        {QStringLiteral("5550006"), QStringLiteral("--mesg"), QStringLiteral("DD"),
         QStringLiteral("--mesg-pos"), QStringLiteral("time")},
        {QStringLiteral("5550007"), QStringLiteral("--before-ring")},
        {QStringLiteral("5550008"), QStringLiteral("--lf")},
        {QStringLiteral("5550009"), QStringLiteral("--time"), QStringLiteral("09315")},
        {QStringLiteral("5550010"), QStringLiteral("--date"), QStringLiteral("1332")},
        {QStringLiteral("P")},
        {QStringLiteral("O"), QStringLiteral("--lf")},
    };
    QStringList expected;
    for (const QStringList& call : calls) {
        QVERIFY(line.modem.call(call.first(), call.mid(1)));
        expected << (call.first().size() == 1 ? QStringLiteral("0")
                                              : call.first()); // P, O: withheld
    }
    QTRY_COMPARE(numbers, expected);
    QTest::qWait(20);
    QCOMPARE(numbers.size(), expected.size());
    for (const QDateTime& time : times)
        QVERIFY(time.isValid());
}

void LineoModemTest::realModemRecords()
{
    Line line;
    QVERIFY(line.startEnabled(accepting("AT+VCID=1")));
    QSignalSpy calls(&line.lineo, &Lineo::Llamada);

    // A record of several hundred characters (long MESG and NAME lines), one byte at a time.
    const QByteArray longRecord =
        "\r\nDATE = 1205\r\nTIME = 0931\r\nMESG = " + QByteArray(300, 'A') +
        "\r\nNAME = " + QByteArray(60, 'Z') + "\r\nNMBR = 5551234\r\n";
    for (const char c : longRecord) {
        QVERIFY(line.modem.raw(QByteArray(1, c)));
        QTest::qWait(1); // each byte a chunk of its own, as a slow line hands them over
    }
    QTRY_COMPARE(calls.count(), 1);
    QCOMPARE(line.lineo.Numero(), QStringLiteral("5551234"));

    // Withheld, padded with blanks.
    QVERIFY(line.modem.raw("\r\nDATE = 1205\r\nTIME = 0931\r\nNMBR = P  \r\n"));
    QTRY_COMPARE(calls.count(), 2);
    QCOMPARE(line.lineo.Numero(), QStringLiteral("0"));

    // The number alone: reported with the computer's clock.
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    QVERIFY(line.modem.raw("\r\nRING\r\nNMBR = 5559876\r\n\r\nRING\r\n"));
    QTRY_COMPARE(calls.count(), 3);
    QCOMPARE(line.lineo.Numero(), QStringLiteral("5559876"));
    QVERIFY2(line.lineo.FechaHora() >= before &&
                 line.lineo.FechaHora() <= QDateTime::currentDateTime(),
             qPrintable(line.lineo.FechaHora().toString(Qt::ISODate)));
}

void LineoModemTest::deviceGoesAway()
{
    Line line;
    QVERIFY(line.startEnabled(accepting("AT+VCID=1")));
    QSignalSpy lost(&line.lineo, &Lineo::deviceLost);
    QVERIFY(line.modem.unplug());
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!line.lineo.Enabled());

    // No busy loop on a dead device: the process stays nearly idle while events run.
    const std::clock_t cpuBefore = std::clock();
    QTest::qWait(300);
    const double cpuMs = 1000.0 * double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    QVERIFY2(cpuMs < 100, qPrintable(QString::number(cpuMs)));
    QCOMPARE(lost.count(), 1);

    // Enabling again finds no device, at once.
    QVERIFY(line.enable() < BoundMs);
    QVERIFY(!line.lineo.Enabled());
}
