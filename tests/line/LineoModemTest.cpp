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

// A simulator on port 4 and a control over it.
struct Line
{
    bool start(const QStringList& simulatorOptions)
    {
        if (!environment.isValid() || !modem.start(simulatorOptions) || !modem.pointPort(4))
            return false;
        lineo.setPuerto(4);
        lineo.setReplyTimeout(Bound);
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

const QByteArray Record = "\r\nDATE = 1205\r\nTIME = 0931\r\nNMBR = 5551234\r\n";

} // namespace

void LineoModemTest::acceptsSecondCandidateAfterWaitingOutTheFirst()
{
    Line line;
    QVERIFY(line.start({QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")}));
    const qint64 elapsed = line.enable();
    QVERIFY(line.lineo.Enabled());
    QCOMPARE(line.lineo.ComandoCID(), QStringLiteral("AT+VCID=1"));
    // "XXX" went first and had to be waited out.
    QVERIFY2(elapsed >= BoundMs - 10 && elapsed < 2 * BoundMs,
             qPrintable(QString::number(elapsed)));
    // The port stayed open: a call comes through.
    QSignalSpy calls(&line.lineo, &Lineo::Llamada);
    QVERIFY(line.modem.call(QStringLiteral("5551234")));
    QTRY_COMPARE(calls.count(), 1);
    QCOMPARE(line.lineo.Numero(), QStringLiteral("5551234"));
}

void LineoModemTest::acceptsOnlyTheLastCandidate()
{
    Line line;
    QVERIFY(line.start({QStringLiteral("--accept"), QStringLiteral("AT*ID1=1")}));
    const qint64 elapsed = line.enable();
    QVERIFY(line.lineo.Enabled());
    QCOMPARE(line.lineo.ComandoCID(), QStringLiteral("AT*ID1=1"));
    // One silent candidate, four quick refusals.
    QVERIFY2(elapsed < 2 * BoundMs, qPrintable(QString::number(elapsed)));
}

void LineoModemTest::errorToEverythingEndsEachCandidateAtOnce()
{
    Line line;
    QVERIFY(line.start({QStringLiteral("--error-all"), QStringLiteral("--no-echo")}));
    const qint64 elapsed = line.enable();
    QVERIFY(!line.lineo.Enabled());
    QVERIFY(line.lineo.ComandoCID().isEmpty());
    QVERIFY2(elapsed < BoundMs, qPrintable(QString::number(elapsed)));
}

void LineoModemTest::noDeviceFailsQuickly()
{
    TestEnvironment environment;
    PortTable table;
    table.setDevice(4, environment.root() + QStringLiteral("/no-such-device"));
    QVERIFY(table.save());
    Lineo lineo;
    lineo.setReplyTimeout(2s);
    QElapsedTimer clock;
    clock.start();
    lineo.setEnabled(true);
    QVERIFY(clock.elapsed() < 500);
    QVERIFY(!lineo.Enabled());
    QVERIFY(lineo.ComandoCID().isEmpty());
}

void LineoModemTest::disablingClosesThePort()
{
    Line line;
    QVERIFY(line.start({QStringLiteral("--accept"), QStringLiteral("AT#CID=1")}));
    line.enable();
    QCOMPARE(line.lineo.ComandoCID(), QStringLiteral("AT#CID=1"));
    QSignalSpy calls(&line.lineo, &Lineo::Llamada);
    line.lineo.setEnabled(false);
    QVERIFY(!line.lineo.Enabled());
    QVERIFY(line.modem.call(QStringLiteral("5551234")));
    QTest::qWait(100);
    QCOMPARE(calls.count(), 0);
    // A closed port can be opened again: nothing kept it busy.
    line.enable();
    QVERIFY(line.lineo.Enabled());
    QVERIFY(line.modem.call(QStringLiteral("5559876")));
    QTRY_COMPARE(calls.count(), 1);
    QCOMPARE(line.lineo.Numero(), QStringLiteral("5559876"));
}

void LineoModemTest::recordWholeAndSplitAtEveryPoint()
{
    Line line;
    QVERIFY(line.start({QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")}));
    line.enable();
    QVERIFY(line.lineo.Enabled());
    QSignalSpy calls(&line.lineo, &Lineo::Llamada);
    QVERIFY(line.modem.raw(Record));
    QTRY_COMPARE(calls.count(), 1);
    const QDateTime expected(QDate(QDate::currentDate().year(), 12, 5), QTime(9, 31));
    QCOMPARE(line.lineo.FechaHora(), expected);

    for (qsizetype cut = 1; cut < Record.size(); ++cut) {
        QVERIFY(line.modem.raw(Record.left(cut)));
        QTest::qWait(2); // let the first part arrive as a chunk of its own
        QVERIFY(line.modem.raw(Record.mid(cut)));
        QTRY_COMPARE(calls.count(), int(cut) + 1);
        QCOMPARE(line.lineo.Numero(), QStringLiteral("5551234"));
    }
    QTest::qWait(20);
    QCOMPARE(calls.count(), int(Record.size()));
}

void LineoModemTest::dialects_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QStringLiteral("5551234") << QStringList{}
                           << QStringLiteral("5551234");
    QTest::newRow("no blanks") << QStringLiteral("5551234")
                               << QStringList{QStringLiteral("--nospace")}
                               << QStringLiteral("5551234");
    QTest::newRow("DDN_NMBR") << QStringLiteral("5551234") << QStringList{QStringLiteral("--ddn")}
                              << QStringLiteral("5551234");
    QTest::newRow("name first") << QStringLiteral("5551234")
                                << QStringList{QStringLiteral("--name"),
                                               QStringLiteral("DIAZ JUAN"),
                                               QStringLiteral("--name-first")}
                                << QStringLiteral("5551234");
    QTest::newRow("name after") << QStringLiteral("5551234")
                                << QStringList{QStringLiteral("--name"),
                                               QStringLiteral("DIAZ JUAN")}
                                << QStringLiteral("5551234");
    QTest::newRow("MESG first") << QStringLiteral("5551234")
                                << QStringList{QStringLiteral("--mesg"), QStringLiteral("0D0A")}
                                << QStringLiteral("5551234");
    QTest::newRow("MESG after time")
        << QStringLiteral("5551234")
        << QStringList{QStringLiteral("--mesg"), QStringLiteral("DD"), QStringLiteral("--mesg-pos"),
                       QStringLiteral("time")}
        << QStringLiteral("5551234");
    QTest::newRow("before ring") << QStringLiteral("5551234")
                                 << QStringList{QStringLiteral("--before-ring")}
                                 << QStringLiteral("5551234");
    QTest::newRow("LF only") << QStringLiteral("5551234") << QStringList{QStringLiteral("--lf")}
                             << QStringLiteral("5551234");
    QTest::newRow("time of five digits")
        << QStringLiteral("5551234")
        << QStringList{QStringLiteral("--time"), QStringLiteral("09315")}
        << QStringLiteral("5551234");
    QTest::newRow("invalid date") << QStringLiteral("5551234")
                                  << QStringList{QStringLiteral("--date"), QStringLiteral("1332")}
                                  << QStringLiteral("5551234");
    QTest::newRow("private") << QStringLiteral("P") << QStringList{} << QStringLiteral("0");
    QTest::newRow("unavailable") << QStringLiteral("O") << QStringList{QStringLiteral("--lf")}
                                 << QStringLiteral("0");
}

void LineoModemTest::dialects()
{
    QFETCH(QString, number);
    QFETCH(QStringList, options);
    QFETCH(QString, expected);
    Line line;
    QVERIFY(line.start({QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")}));
    line.lineo.setReplyTimeout(50ms); // this test is about the records
    line.enable();
    QVERIFY(line.lineo.Enabled());
    QSignalSpy calls(&line.lineo, &Lineo::Llamada);
    QVERIFY(line.modem.call(number, options));
    QTRY_COMPARE(calls.count(), 1);
    QCOMPARE(line.lineo.Numero(), expected);
    QVERIFY(line.lineo.FechaHora().isValid());
    QTest::qWait(20);
    QCOMPARE(calls.count(), 1);
}

void LineoModemTest::chunkedCalls()
{
    Line line;
    QVERIFY(
        line.start({QStringLiteral("--accept"), QStringLiteral("AT#CC1=1"),
                    QStringLiteral("--chunked"), QStringLiteral("--seed"), QStringLiteral("42")}));
    line.lineo.setReplyTimeout(50ms);
    line.enable();
    QCOMPARE(line.lineo.ComandoCID(), QStringLiteral("AT#CC1=1"));
    QSignalSpy calls(&line.lineo, &Lineo::Llamada);
    QStringList numbers;
    connect(&line.lineo, &Lineo::Llamada, &line.lineo, [&] { numbers << line.lineo.Numero(); });
    const QStringList sent{QStringLiteral("5550001"), QStringLiteral("P"),
                           QStringLiteral("5550003"), QStringLiteral("5550004")};
    QVERIFY(line.modem.call(sent[0], {QStringLiteral("--name"), QStringLiteral("DIAZ JUAN"),
                                      QStringLiteral("--name-first")}));
    QVERIFY(line.modem.call(sent[1], {QStringLiteral("--nospace")}));
    QVERIFY(line.modem.call(sent[2], {QStringLiteral("--ddn"), QStringLiteral("--lf")}));
    QVERIFY(line.modem.call(sent[3], {QStringLiteral("--before-ring")}));
    QTRY_COMPARE(calls.count(), 4);
    QCOMPARE(numbers, (QStringList{sent[0], QStringLiteral("0"), sent[2], sent[3]}));
}

void LineoModemTest::deviceGoesAway()
{
    Line line;
    QVERIFY(line.start({QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")}));
    line.lineo.setReplyTimeout(50ms);
    line.enable();
    QVERIFY(line.lineo.Enabled());
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

    // Enabling again finds no device, quickly.
    QElapsedTimer clock;
    clock.start();
    line.lineo.setEnabled(true);
    QVERIFY(!line.lineo.Enabled());
    QVERIFY(clock.elapsed() < 1000);
}
