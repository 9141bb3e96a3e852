#include "ModemSimulator.h"

#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTest>

// The modem simulator as tests and the demo use it, seen through a real serial port.
class ModemSimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void answersCommands();
    void callDialects_data();
    void callDialects();
    void rawTextAndChunking();
    void scriptAndLink();
    void unplug();
    void lastLineWithoutLineEnd();
    void help();
};

namespace {

// Opens the simulator's device as the line control does.
bool openPort(QSerialPort& port, const QString& device)
{
    port.setPortName(device);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    port.setBaudRate(QSerialPort::Baud9600);
    port.clear();
    return true;
}

// Everything that arrives until `quietMs` pass without data.
QByteArray readUntilQuiet(QSerialPort& port, int quietMs = 150)
{
    QByteArray data = port.readAll();
    while (port.waitForReadyRead(quietMs))
        data += port.readAll();
    return data;
}

QByteArray exchange(QSerialPort& port, const QByteArray& command)
{
    port.write(command);
    port.waitForBytesWritten(1000);
    return readUntilQuiet(port);
}

} // namespace

void ModemSimulatorTest::answersCommands()
{
    ModemSimulator modem;
    QVERIFY(modem.start({QStringLiteral("--accept"), QStringLiteral("AT#CID=1")}));
    QSerialPort port;
    QVERIFY(openPort(port, modem.devicePath()));
    QCOMPARE(exchange(port, "XXX\r"), QByteArray("XXX\r"));
    QCOMPARE(exchange(port, "AT#CID=1\r"), QByteArray("AT#CID=1\r\r\nOK\r\n"));
    QCOMPARE(exchange(port, "ATE0\r"), QByteArray("ATE0\r\r\nOK\r\n"));
    QCOMPARE(exchange(port, "AT\r"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(exchange(port, "ATZ\r"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(exchange(port, "AT+VCID=1\r"), QByteArray("\r\nERROR\r\n"));
    QCOMPARE(exchange(port, "XXX\r"), QByteArray());
    // Accepted later on, even the candidate without "AT".
    QVERIFY(modem.command(QStringLiteral("accept XXX")));
    QCOMPARE(exchange(port, "XXX\r"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(exchange(port, "ATE1\r"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(exchange(port, "AT\r"), QByteArray("AT\r\r\nOK\r\n"));
}

void ModemSimulatorTest::callDialects_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("expected");
    const QStringList at{QStringLiteral("--date"), QStringLiteral("1205"), QStringLiteral("--time"),
                         QStringLiteral("0931")};
    QTest::newRow("plain") << at
                           << QByteArray("\r\nRING\r\n\r\nDATE = 1205\r\nTIME = 0931\r\n"
                                         "NMBR = 5551234\r\n\r\nRING\r\n");
    QTest::newRow("no blanks, LF")
        << at + QStringList{QStringLiteral("--nospace"), QStringLiteral("--lf"),
                            QStringLiteral("--no-ring")}
        << QByteArray("\nDATE=1205\nTIME=0931\nNMBR=5551234\n");
    QTest::newRow("name first, DDN")
        << at + QStringList{QStringLiteral("--name"), QStringLiteral("DIAZ JUAN"),
                            QStringLiteral("--name-first"), QStringLiteral("--ddn"),
                            QStringLiteral("--no-ring")}
        << QByteArray("\r\nDATE = 1205\r\nTIME = 0931\r\nNAME = DIAZ JUAN\r\n"
                      "DDN_NMBR = 5551234\r\n");
    QTest::newRow("MESG after DATE, before ring")
        << at + QStringList{QStringLiteral("--mesg"), QStringLiteral("0A"),
                            QStringLiteral("--mesg-pos"), QStringLiteral("date"),
                            QStringLiteral("--before-ring")}
        << QByteArray("\r\nDATE = 1205\r\nMESG = 0A\r\nTIME = 0931\r\nNMBR = 5551234\r\n"
                      "\r\nRING\r\n");
}

void ModemSimulatorTest::callDialects()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, expected);
    ModemSimulator modem;
    QVERIFY(modem.start({QStringLiteral("--no-echo")}));
    QSerialPort port;
    QVERIFY(openPort(port, modem.devicePath()));
    QVERIFY(modem.call(QStringLiteral("5551234"), options));
    QCOMPARE(readUntilQuiet(port), expected);
}

void ModemSimulatorTest::rawTextAndChunking()
{
    ModemSimulator modem;
    QVERIFY(modem.start(
        {QStringLiteral("--chunked"), QStringLiteral("--pattern"), QStringLiteral("3")}));
    QSerialPort port;
    QVERIFY(openPort(port, modem.devicePath()));
    const QByteArray text = "DATE = 1205\r\n\\ \x01\xff" + QByteArray(200, 'x');
    QVERIFY(modem.raw(text));
    QCOMPARE(readUntilQuiet(port), text);
    QVERIFY(modem.command(QStringLiteral("raw a\\x41\\r\\n\\\\")));
    QCOMPARE(readUntilQuiet(port), QByteArray("aA\r\n\\"));
}

void ModemSimulatorTest::scriptAndLink()
{
    TestEnvironment environment;
    const QString script = environment.root() + QStringLiteral("/calls.txt");
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# waits for the port to be opened\nsleep 300\ncall P --no-ring --date 0101 "
               "--time 0000\n");
    file.close();
    const QString link = environment.root() + QStringLiteral("/modem");
    {
        ModemSimulator modem;
        QVERIFY(modem.start({QStringLiteral("--script"), script, QStringLiteral("--link"), link,
                             QStringLiteral("--no-echo")}));
        QCOMPARE(QFileInfo(link).symLinkTarget(), modem.devicePath());
        QSerialPort port;
        QVERIFY(openPort(port, link));
        QByteArray data;
        const QDeadlineTimer deadline(3000);
        while (!data.endsWith("NMBR = P\r\n") && !deadline.hasExpired() &&
               port.waitForReadyRead(int(deadline.remainingTime())))
            data += port.readAll();
        QCOMPARE(data, QByteArray("\r\nDATE = 0101\r\nTIME = 0000\r\nNMBR = P\r\n"));
    }
    QVERIFY(!QFileInfo::exists(link));
}

void ModemSimulatorTest::unplug()
{
    ModemSimulator modem;
    QVERIFY(modem.start());
    QSerialPort port;
    QVERIFY(openPort(port, modem.devicePath()));
    bool failed = false;
    connect(&port, &QSerialPort::errorOccurred, &port, [&](QSerialPort::SerialPortError error) {
        // close() on the dead device reports errors of its own: close once.
        if (!failed && error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
            failed = true;
            port.close();
        }
    });
    QVERIFY(modem.unplug());
    QTRY_VERIFY(failed);
    // Still running and answering its driver.
    QVERIFY(modem.call(QStringLiteral("5551234")));
    QVERIFY(modem.errorOutput().contains(QLatin1String("unplugged")));
    QVERIFY(!openPort(port, modem.devicePath()));
}

void ModemSimulatorTest::lastLineWithoutLineEnd()
{
    QProcess process;
    process.start(TestEnvironment::builtToolPath(QStringLiteral("modemsim")));
    QVERIFY(process.waitForStarted(5000));
    process.write("quit");
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(3000));
    QCOMPARE(process.exitCode(), 0);
}

void ModemSimulatorTest::help()
{
    QProcess process;
    process.start(TestEnvironment::builtToolPath(QStringLiteral("modemsim")),
                  {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray text = process.readAllStandardOutput();
    for (const char* documented : {"--accept", "--echo", "--no-echo", "--chunked", "--pattern",
                                   "--script", "--link", "call NUMBER", "raw TEXT", "unplug",
                                   "--ddn", "--lf", "--before-ring", "--name-first", "--mesg"})
        QVERIFY2(text.contains(documented), documented);
}

QTEST_GUILESS_MAIN(ModemSimulatorTest)
#include "ModemSimulatorTest.moc"
