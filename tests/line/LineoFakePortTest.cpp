#include "LineoFakePortTest.h"

#include "FakeSerialPort.h"
#include "Lineo.h"
#include "PortTable.h"
#include "TestEnvironment.h"

#include <QElapsedTimer>
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
    explicit Fixture(FakeSerialPort::Modem modem)
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

const QByteArray Record = "\r\nDATE = 1205\r\nTIME = 0931\r\nNMBR = 5551234\r\n";

} // namespace

void LineoFakePortTest::puertoOutOfRangeIsIgnored()
{
    Fixture f({});
    QSignalSpy changed(f.lineo.get(), &Lineo::propertyChanged);
    f.lineo->setPuerto(7);
    f.lineo->setPuerto(0);
    QCOMPARE(f.lineo->Puerto(), qint16(7));
    f.lineo->setPuerto(17);
    QCOMPARE(f.lineo->Puerto(), qint16(7));
    f.lineo->setPuerto(16);
    QCOMPARE(f.lineo->Puerto(), qint16(16));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("Puerto"));
    // Through the property system as a host would.
    QVERIFY(f.lineo->setProperty("Puerto", 3));
    QCOMPARE(f.lineo->property("Puerto").toInt(), 3);
}

void LineoFakePortTest::detectionStopsAtTheAcceptedCommand()
{
    Fixture f(modemAccepting("AT#CID=1"));
    QSignalSpy changed(f.lineo.get(), &Lineo::propertyChanged);
    f.lineo->setEnabled(true);
    QVERIFY(f.lineo->Enabled());
    QCOMPARE(f.lineo->ComandoCID(), QStringLiteral("AT#CID=1"));
    QCOMPARE(f.port->writes, (QByteArrayList{"XXX\r", "AT+VCID=1\r", "AT#CID=1\r"}));
    // Reopened for each unanswered candidate; left open after the accepted one.
    QCOMPARE(f.port->openedDevices.size(), 3);
    QVERIFY(f.port->isOpen());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("Enabled"));
    QCOMPARE(f.lineo->property("ComandoCID").toString(), QStringLiteral("AT#CID=1"));
}

void LineoFakePortTest::replyWithBothWordsIsAccepted()
{
    Fixture f([](const QByteArray& written) -> QByteArray {
        return written.startsWith("AT%") ? "\r\nERROR\r\nOK\r\n" : "";
    });
    f.lineo->setEnabled(true);
    QCOMPARE(f.lineo->ComandoCID(), QStringLiteral("AT%CCID=1"));
}

void LineoFakePortTest::unopenablePortFailsAtOnce()
{
    Fixture f(modemAccepting("AT+VCID=1"));
    f.lineo->setReplyTimeout(2s);
    f.port->refuseOpen = true;
    QElapsedTimer clock;
    clock.start();
    f.lineo->setEnabled(true);
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(!f.lineo->Enabled());
    QVERIFY(f.lineo->ComandoCID().isEmpty());
    QVERIFY(f.port->writes.isEmpty());
}

void LineoFakePortTest::silentModemWaitsOutEachCandidate()
{
    Fixture f({});
    f.lineo->setEnabled(true);
    f.lineo->setEnabled(true); // a former accepted command is forgotten too
    QVERIFY(!f.lineo->Enabled());
    QVERIFY(f.lineo->ComandoCID().isEmpty());
    QCOMPARE(f.port->writes.size(), 12);
    QVERIFY(!f.port->isOpen());
}

void LineoFakePortTest::portTableChoosesTheDevice()
{
    Fixture f(modemAccepting("AT+VCID=1"));
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
    Fixture f(modemAccepting("AT+VCID=1"));
    f.lineo->setEnabled(true);
    QSignalSpy calls(f.lineo.get(), &Lineo::Llamada);
    QString numberDuringEvent;
    connect(f.lineo.get(), &Lineo::Llamada, f.lineo.get(),
            [&] { numberDuringEvent = f.lineo->Numero(); });
    QVERIFY(f.lineo->Numero().isEmpty());

    f.port->receive("\r\nRING\r\n\r\nDATE = 1205\r\nTIME = 0931\r\nNMBR =  5551234 \r\n");
    QCOMPARE(calls.count(), 1);
    QCOMPARE(numberDuringEvent, QStringLiteral("5551234"));
    QCOMPARE(f.lineo->FechaHora(),
             QDateTime(QDate(QDate::currentDate().year(), 12, 5), QTime(9, 31, 0)));

    f.port->receive("NAME = DIAZ JUAN\r\n\r\nRING\r\n");
    QCOMPARE(calls.count(), 1);
    QVERIFY(f.lineo->Nombre().isEmpty());

    f.port->receive("\r\nDATE = 1205\r\nTIME = 0932\r\nNMBR = o\r\n");
    QCOMPARE(calls.count(), 2);
    QCOMPARE(f.lineo->Numero(), QStringLiteral("0"));
    QCOMPARE(f.lineo->property("Numero").toString(), QStringLiteral("0"));
}

void LineoFakePortTest::disablingClosesThePort()
{
    Fixture f(modemAccepting("AT+VCID=1"));
    f.lineo->setEnabled(true);
    QSignalSpy calls(f.lineo.get(), &Lineo::Llamada);
    f.lineo->setEnabled(false);
    QVERIFY(!f.port->isOpen());
    QVERIFY(!f.lineo->Enabled());
    // Data still queued in the port object's signal path must not raise a call.
    emit f.port->dataReceived();
    QCOMPARE(calls.count(), 0);
}

void LineoFakePortTest::newDetectionWhileListening()
{
    Fixture f(modemAccepting("AT+VCID=1"));
    f.lineo->setEnabled(true);
    QCOMPARE(f.port->openedDevices.size(), 2);
    // Over the open port: "XXX" goes out on it, unanswered, then the port is reopened.
    f.lineo->setEnabled(true);
    QVERIFY(f.lineo->Enabled());
    QCOMPARE(f.port->openedDevices.size(), 3);
    QCOMPARE(f.port->writes.size(), 4);
}

void LineoFakePortTest::deviceLost()
{
    Fixture f(modemAccepting("AT+VCID=1"));
    f.lineo->setEnabled(true);
    QSignalSpy lost(f.lineo.get(), &Lineo::deviceLost);
    QSignalSpy changed(f.lineo.get(), &Lineo::propertyChanged);
    QSignalSpy calls(f.lineo.get(), &Lineo::Llamada);
    f.port->receive(Record.left(20));
    f.port->fail();
    QCOMPARE(lost.count(), 1);
    QVERIFY(!f.lineo->Enabled());
    QCOMPARE(changed.count(), 1);
    // Nothing half received survives into the next session.
    f.lineo->setEnabled(true);
    f.port->receive(Record.mid(20));
    QCOMPARE(calls.count(), 0);
}

void LineoFakePortTest::storedProperties()
{
    Fixture f({});
    f.lineo->setPuerto(9);
    f.lineo->initNew();
    QCOMPARE(f.lineo->Puerto(), qint16(4));
    QVERIFY(!f.lineo->Enabled());

    VariantMapPropertyBag saved;
    f.lineo->setPuerto(12);
    f.lineo->writeProperties(saved);
    QCOMPARE(saved.values(),
             (QVariantMap{{QStringLiteral("Puerto"), 12}, {QStringLiteral("Enabled"), false}}));

    Fixture other({});
    QVERIFY(other.lineo->readProperties(saved).ok());
    QCOMPARE(other.lineo->Puerto(), qint16(12));
    // Out of range stored value: the setter's rule applies.
    VariantMapPropertyBag wrong(
        {{QStringLiteral("Puerto"), 40}, {QStringLiteral("Enabled"), false}});
    QVERIFY(other.lineo->readProperties(wrong).ok());
    QCOMPARE(other.lineo->Puerto(), qint16(12));
}

void LineoFakePortTest::loadingRunsTheDetection()
{
    Fixture f(modemAccepting("AT*ID1=1"));
    VariantMapPropertyBag stored(
        {{QStringLiteral("Puerto"), 2}, {QStringLiteral("Enabled"), true}});
    QVERIFY(f.lineo->readProperties(stored).ok());
    QVERIFY(f.lineo->Enabled());
    QCOMPARE(f.lineo->ComandoCID(), QStringLiteral("AT*ID1=1"));
    QCOMPARE(f.port->openedDevices.first(), QStringLiteral("/dev/ttyS1"));
}

void LineoFakePortTest::missingStoredPropertyFailsTheLoad()
{
    Fixture f(modemAccepting("AT+VCID=1"));
    const PropertyLoadResult noEnabled =
        f.lineo->readProperties(VariantMapPropertyBag({{QStringLiteral("Puerto"), 2}}));
    QVERIFY(!noEnabled.ok());
    QCOMPARE(noEnabled.missingProperty, QStringLiteral("Enabled"));
    QCOMPARE(f.lineo->Puerto(), qint16(4)); // nothing applied

    const PropertyLoadResult noPuerto =
        f.lineo->readProperties(VariantMapPropertyBag({{QStringLiteral("Enabled"), true}}));
    QCOMPARE(noPuerto.missingProperty, QStringLiteral("Puerto"));
    QVERIFY(f.port->openedDevices.isEmpty());

    const PropertyLoadResult notANumber = f.lineo->readProperties(VariantMapPropertyBag(
        {{QStringLiteral("Puerto"), QStringLiteral("COM2")}, {QStringLiteral("Enabled"), true}}));
    QCOMPARE(notANumber.missingProperty, QStringLiteral("Puerto"));
}
