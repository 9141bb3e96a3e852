#include "LineoFakePortTest.h"

#include "FakeSerialPort.h"
#include "Lineo.h"
#include "PortTable.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// A modem that answers OK to `accepted`, ERROR to other AT commands and nothing to the rest.
FakeSerialPort::Modem modemAccepting(const QByteArray& accepted)
{
    return [accepted](const QByteArray& written) -> QByteArray {
        const QByteArray command = written.trimmed();
        if (command == accepted)
            return "\r\nOK\r\n";
        return command.startsWith("AT") ? QByteArray("\r\nERROR\r\n") : QByteArray();
    };
}

struct Fixture
{
    explicit Fixture(FakeSerialPort::Modem modem = modemAccepting("AT+VCID=1"))
    {
        auto owned = std::make_unique<FakeSerialPort>(std::move(modem));
        port = owned.get();
        lineo = std::make_unique<Lineo>(std::move(owned));
        lineo->setReplyTimeout(30ms);
    }
    TestEnvironment environment;
    FakeSerialPort* port = nullptr;
    std::unique_ptr<Lineo> lineo;
};

using Bag = VariantMapPropertyBag;

} // namespace

void LineoFakePortTest::puertoOutOfRangeIsIgnored()
{
    Fixture f;
    QSignalSpy changed(f.lineo.get(), &Lineo::propertyChanged);
    for (const int value : {7, 0, 17})
        f.lineo->setPuerto(value);
    QCOMPARE(f.lineo->Puerto(), qint16(7));
    QVERIFY(f.lineo->setProperty("Puerto", 16));
    QCOMPARE(f.lineo->property("Puerto").toInt(), 16);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("Puerto"));
}

void LineoFakePortTest::detection_data()
{
    QTest::addColumn<FakeSerialPort::Modem>("modem");
    QTest::addColumn<QString>("accepted");
    QTest::addColumn<int>("tried");
    QTest::newRow("third candidate")
        << modemAccepting("AT#CID=1") << QStringLiteral("AT#CID=1") << 3;
    QTest::newRow("OK and ERROR in one reply")
        << FakeSerialPort::Modem([](const QByteArray& written) -> QByteArray {
               return written.startsWith("AT%") ? "\r\nERROR\r\nOK\r\n" : "";
           })
        << QStringLiteral("AT%CCID=1") << 4;
    QTest::newRow("silent") << FakeSerialPort::Modem() << QString() << 6;
}

void LineoFakePortTest::detection()
{
    QFETCH(FakeSerialPort::Modem, modem);
    QFETCH(QString, accepted);
    QFETCH(int, tried);
    Fixture f(modem);
    QSignalSpy changed(f.lineo.get(), &Lineo::propertyChanged);
    f.lineo->setEnabled(true);
    QCOMPARE(f.lineo->Enabled(), !accepted.isEmpty());
    QCOMPARE(f.lineo->property("ComandoCID").toString(), accepted);
    // Each candidate on a freshly opened port, in order; the accepted one leaves it open.
    const QByteArrayList candidates{"XXX\r",       "AT+VCID=1\r", "AT#CID=1\r",
                                    "AT%CCID=1\r", "AT#CC1=1\r",  "AT*ID1=1\r"};
    QCOMPARE(f.port->writes, candidates.mid(0, tried));
    QCOMPARE(f.port->openedDevices.size(), tried);
    QCOMPARE(f.port->isOpen(), !accepted.isEmpty());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("Enabled"));
}

void LineoFakePortTest::portTableChoosesTheDevice()
{
    Fixture f;
    f.lineo->setPuerto(3);
    f.lineo->setEnabled(true);
    QCOMPARE(f.port->openedDevices.first(), QStringLiteral("/dev/ttyS2"));

    PortTable table = PortTable::load();
    table.setDevice(3, QStringLiteral("/dev/ttyACM0"));
    QVERIFY(table.save());
    QVERIFY(PortTable::filePath().startsWith(f.environment.configHome()));
    f.lineo->setEnabled(false);
    f.lineo->setEnabled(true);
    QCOMPARE(f.port->openedDevices.last(), QStringLiteral("/dev/ttyACM0"));
}

void LineoFakePortTest::callsWhileListening()
{
    Fixture f;
    f.lineo->setEnabled(true);
    QStringList numbersDuringEvent;
    connect(f.lineo.get(), &Lineo::Llamada, f.lineo.get(),
            [&] { numbersDuringEvent << f.lineo->Numero(); });
    QVERIFY(f.lineo->Numero().isEmpty());

    f.port->receive("\r\nRING\r\n\r\nDATE = 1205\r\nTIME = 0931\r\nNMBR =  5551234 \r\n");
    QCOMPARE(f.lineo->FechaHora(),
             QDateTime(QDate(QDate::currentDate().year(), 12, 5), QTime(9, 31, 0)));
    f.port->receive("NAME = DIAZ JUAN\r\n\r\nRING\r\n");
    QVERIFY(f.lineo->Nombre().isEmpty());
    f.port->receive("\r\nDATE = 1205\r\nTIME = 0932\r\nNMBR = o\r\n");
    QCOMPARE(numbersDuringEvent, (QStringList{QStringLiteral("5551234"), QStringLiteral("0")}));
}

void LineoFakePortTest::newDetectionWhileListening()
{
    Fixture f;
    f.lineo->setEnabled(true);
    // Over the open port: "XXX" goes out on it, unanswered, then the port is reopened.
    f.lineo->setEnabled(true);
    QVERIFY(f.lineo->Enabled());
    QCOMPARE(f.port->openedDevices.size(), 3);
    QCOMPARE(f.port->writes.size(), 4);
}

void LineoFakePortTest::deviceLostForgetsHalfARecord()
{
    const QByteArray record = "\r\nDATE = 1205\r\nTIME = 0931\r\nNMBR = 5551234\r\n";
    Fixture f;
    f.lineo->setEnabled(true);
    QSignalSpy lost(f.lineo.get(), &Lineo::deviceLost);
    QSignalSpy calls(f.lineo.get(), &Lineo::Llamada);
    f.port->receive(record.left(20));
    f.port->fail();
    QCOMPARE(lost.count(), 1);
    QVERIFY(!f.lineo->Enabled());
    f.lineo->setEnabled(true);
    f.port->receive(record.mid(20));
    // The number line that arrives now stands alone, as a number-only record at the clock's
    // time: the date and time from before the loss are not joined to it.
    QCOMPARE(calls.count(), 1);
    QCOMPARE(f.lineo->Numero(), QStringLiteral("5551234"));
    QVERIFY(f.lineo->FechaHora().time() != QTime(9, 31));
}

void LineoFakePortTest::storedProperties()
{
    Fixture f;
    f.lineo->setPuerto(9);
    f.lineo->initNew();
    Bag saved;
    f.lineo->writeProperties(saved);
    QCOMPARE(saved.values(),
             (QVariantMap{{QStringLiteral("Puerto"), 4}, {QStringLiteral("Enabled"), false}}));

    // Loading applies the setters: the range rule, and a detection for Enabled True.
    Fixture other(modemAccepting("AT*ID1=1"));
    QVERIFY(other.lineo
                ->readProperties(
                    Bag({{QStringLiteral("Puerto"), 40}, {QStringLiteral("Enabled"), false}}))
                .ok());
    QCOMPARE(other.lineo->Puerto(), qint16(4));
    QVERIFY(other.lineo
                ->readProperties(
                    Bag({{QStringLiteral("Puerto"), 2}, {QStringLiteral("Enabled"), true}}))
                .ok());
    QCOMPARE(other.lineo->ComandoCID(), QStringLiteral("AT*ID1=1"));
    QCOMPARE(other.port->openedDevices.first(), QStringLiteral("/dev/ttyS1"));
}

void LineoFakePortTest::missingStoredPropertyFailsTheLoad()
{
    Fixture f;
    const PropertyLoadResult noEnabled =
        f.lineo->readProperties(Bag({{QStringLiteral("Puerto"), 2}}));
    QVERIFY(!noEnabled.ok());
    QCOMPARE(noEnabled.missingProperty, QStringLiteral("Enabled"));
    QCOMPARE(f.lineo->Puerto(), qint16(4)); // nothing applied
    const PropertyLoadResult notANumber = f.lineo->readProperties(Bag(
        {{QStringLiteral("Puerto"), QStringLiteral("COM2")}, {QStringLiteral("Enabled"), true}}));
    QCOMPARE(notANumber.missingProperty, QStringLiteral("Puerto"));
    QVERIFY(f.port->openedDevices.isEmpty());
}
