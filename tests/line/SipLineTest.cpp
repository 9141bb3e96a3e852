#include "SipLineTest.h"

#include "LineSettings.h"
#include "Lineo.h"
#include "SipCallerNumber.h"
#include "SipLine.h"
#include "SipPeer.h"
#include "TestEnvironment.h"
#include "TlsServer.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

const QString User = QStringLiteral("alice");
const QString Password = QStringLiteral("s3creta");

// A registrar and a workstation's line whose stored settings point at it.
struct Office
{
    bool start(int expires = 600, SipTransport transport = SipTransport::Udp,
               const QString& password = Password)
    {
        registrarPort = peer.startRegistrarOnFreePort(
            User, Password, expires,
            transport == SipTransport::Tcp ? QStringLiteral("t1") : QStringLiteral("u1"));
        localPort = SipPeer::freePort(registrarPort);
        if (!environment.isValid() || !registrarPort || !localPort)
            return false;
        LineSettings settings;
        settings.source = LineSource::Sip;
        settings.sip = account(transport, password);
        QString problem;
        return settings.save(&problem);
    }
    [[nodiscard]] SipAccount account(SipTransport transport = SipTransport::Udp,
                                     const QString& password = Password) const
    {
        SipAccount sip;
        sip.server = QStringLiteral("127.0.0.1");
        sip.port = registrarPort;
        sip.transport = transport;
        sip.user = User;
        sip.password = password;
        sip.localPort = localPort;
        return sip;
    }
    // Identification switched on, and registered.
    bool goOnLine()
    {
        lineo.setEnabled(true);
        return QTest::qWaitFor([this] { return lineo.Estado() == QStringLiteral("Registrado"); },
                               5000);
    }
    bool ring(const QString& fromUri, const QString& headers = {})
    {
        return peer.call(localPort, fromUri, headers, SipPeer::Expect::Ringing);
    }

    TestEnvironment environment;
    SipPeer peer;
    int registrarPort = 0;
    int localPort = 0;
    Lineo lineo;
};

// The numbers of the calls the line raised, in order.
struct CallLog
{
    explicit CallLog(Lineo& lineo)
    {
        QObject::connect(&lineo, &Lineo::Llamada, &lineo,
                         [this, &lineo] { numbers.append(lineo.Numero()); });
    }
    QStringList numbers;
};

// Processor time this process used, in milliseconds.
qint64 processorMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Processor time used over one second in which nothing should happen.
qint64 idleProcessorMs()
{
    const qint64 before = processorMs();
    QTest::qWait(1000);
    return processorMs() - before;
}

} // namespace

void SipLineTest::initTestCase()
{
    if (!SipPeer::isAvailable())
        QFAIL("sipp (Debian package sip-tester) is not installed");
}

void SipLineTest::callerNumber_data()
{
    QTest::addColumn<std::optional<QString>>("asserted");
    QTest::addColumn<std::optional<QString>>("party");
    QTest::addColumn<bool>("partyPrivate");
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("privacyId");
    QTest::addColumn<QString>("number");
    const std::optional<QString> none;
    const auto is = [](const char* text) {
        return std::optional<QString>(QLatin1String(text));
    };

    QTest::newRow("asserted first")
        << is("4567890") << is("111") << false << "222" << false << "4567890";
    QTest::newRow("party next") << none << is("1112222") << false << "222" << false << "1112222";
    QTest::newRow("from last") << none << none << false << "3334444" << false << "3334444";
    QTest::newRow("plus") << is("+34 911-22.33") << none << false << "" << false << "00349112233";
    QTest::newRow("parameters") << none << none << false << "+1555;isub=9" << false << "001555";
    QTest::newRow("anonymous") << none << none << false << "Anonymous" << false << "0";
    QTest::newRow("empty user") << none << none << false << "" << false << "0";
    QTest::newRow("no digit") << none << none << false << "recepcion" << false << "0";
    QTest::newRow("privacy id") << is("4567890") << none << false << "4567890" << true << "0";
    QTest::newRow("party private") << none << is("4567890") << true << "4567890" << false << "0";
    QTest::newRow("asserted anonymous wins")
        << is("anonymous") << none << false << "4567890" << false << "0";
}

void SipLineTest::callerNumber()
{
    QFETCH(std::optional<QString>, asserted);
    QFETCH(std::optional<QString>, party);
    QFETCH(bool, partyPrivate);
    QFETCH(QString, from);
    QFETCH(bool, privacyId);
    QFETCH(QString, number);
    const SipCallerHeaders headers{asserted, party, partyPrivate, from, privacyId};
    QCOMPARE(sipCallerNumber(headers, QStringLiteral("00")), number);
}

void SipLineTest::registersAndUnregisters()
{
    Office office;
    QVERIFY(office.start());
    // The password is this user's alone and stays out of the settings file.
    QCOMPARE((QFile::permissions(LineSettings::passwordFilePath()) & 0x0077).toInt(), 0);
    QFile settingsFile(LineSettings::filePath());
    QVERIFY(settingsFile.open(QIODevice::ReadOnly));
    QVERIFY(!settingsFile.readAll().contains(Password.toUtf8()));

    QSignalSpy changes(&office.lineo, &Lineo::estadoChanged);
    office.lineo.setEnabled(true);
    QVERIFY(office.lineo.Enabled());
    QTRY_COMPARE(office.lineo.Estado(), QStringLiteral("Registrado"));
    QVERIFY(office.peer.registrarMessages().contains(QLatin1String("Authorization: Digest")));

    office.lineo.setEnabled(false);
    QVERIFY(!office.lineo.Enabled());
    QCOMPARE(office.lineo.Estado(), QString());
    QTRY_VERIFY(office.peer.registrarMessages().contains(QLatin1String(";expires=0")));
}

void SipLineTest::probe_data()
{
    QTest::addColumn<SipTransport>("transport");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("registrarUp");
    QTest::addColumn<bool>("registered");
    QTest::addColumn<QString>("text");
    QTest::newRow("udp") << SipTransport::Udp << Password << true << true << "Registrado";
    QTest::newRow("tcp") << SipTransport::Tcp << Password << true << true << "Registrado";
    QTest::newRow("wrong password")
        << SipTransport::Udp << "otra" << true << false << "usuario o contraseña incorrectos";
    QTest::newRow("no server") << SipTransport::Udp << Password << false << false
                               << "el servidor no responde";
}

void SipLineTest::probe()
{
    QFETCH(SipTransport, transport);
    QFETCH(QString, password);
    QFETCH(bool, registrarUp);
    QFETCH(bool, registered);
    QFETCH(QString, text);
    Office office;
    QVERIFY(office.start(600, transport, password));
    if (!registrarUp)
        office.peer.killRegistrar();

    SipLine line(office.account(transport, password));
    QSignalSpy finished(&line, &SipLine::probeFinished);
    line.probe();
    QVERIFY(finished.wait(6000));
    QCOMPARE(finished.first().at(0).toBool(), registered);
    QCOMPARE(finished.first().at(1).toString(), text);
    QCOMPARE(finished.size(), 1);
}

void SipLineTest::tlsServerIsChecked_data()
{
    QTest::addColumn<TlsServer::MadeOutTo>("madeOutTo");
    QTest::addColumn<bool>("authorityTrusted");
    QTest::addColumn<QString>("text");
    QTest::newRow("unknown authority")
        << TlsServer::MadeOutTo::ThisAddress << false
        << "el certificado del servidor no es de una autoridad de confianza de este equipo";
    QTest::newRow("another server's")
        << TlsServer::MadeOutTo::AnotherName << true
        << "el certificado del servidor es de otro servidor, no de «127.0.0.1»";
    // The handshake completes and the REGISTER goes out; this server answers nothing.
    QTest::newRow("trusted") << TlsServer::MadeOutTo::ThisAddress << true
                             << "el servidor no responde";
}

void SipLineTest::tlsServerIsChecked()
{
    QFETCH(TlsServer::MadeOutTo, madeOutTo);
    QFETCH(bool, authorityTrusted);
    QFETCH(QString, text);
    TlsServer server;
    QVERIFY(server.start(madeOutTo));
    Office office;
    office.registrarPort = server.port();
    office.localPort = SipPeer::freePort(office.registrarPort);
    // The machine's own authorities are replaced by the made-up one, or by none.
    const QTemporaryDir noAuthorities;
    qputenv("SSL_CERT_DIR", QFile::encodeName(noAuthorities.path()));
    qputenv("SSL_CERT_FILE", QFile::encodeName(authorityTrusted ? server.authorityFile()
                                                                : noAuthorities.path() + "/none"));
    SipLine line(office.account(SipTransport::Tls));
    QSignalSpy finished(&line, &SipLine::probeFinished);
    line.probe();
    const bool answered = finished.wait(8000);
    qunsetenv("SSL_CERT_DIR");
    qunsetenv("SSL_CERT_FILE");
    QVERIFY(answered);
    QCOMPARE(finished.first().at(0).toBool(), false);
    QVERIFY2(finished.first().at(1).toString().startsWith(text),
             qPrintable(finished.first().at(1).toString()));
    // Nothing, not even the user's name, goes to a server that was not trusted.
    QTRY_COMPARE(server.received().contains(QLatin1String("REGISTER sip:")),
                 text == QLatin1String("el servidor no responde"));
}

void SipLineTest::callsFromTheRegistrar()
{
    Office office;
    QVERIFY(office.start());
    CallLog calls(office.lineo);
    QVERIFY(office.goOnLine());

    const QString pbx = QStringLiteral("@127.0.0.1");
    QVERIFY2(
        office.ring(QStringLiteral("sip:100") + pbx,
                    QStringLiteral("P-Asserted-Identity: <sip:4567890") + pbx + QLatin1Char('>')),
        qPrintable(office.peer.lastCallOutput()));
    QVERIFY2(office.ring(QStringLiteral("sip:1112222") + pbx),
             qPrintable(office.peer.lastCallOutput()));
    QVERIFY2(office.ring(QStringLiteral("sip:anonymous@anonymous.invalid")),
             qPrintable(office.peer.lastCallOutput()));
    QVERIFY2(office.ring(QStringLiteral("sip:100") + pbx,
                         QStringLiteral("P-Asserted-Identity: <tel:+34911223344>")),
             qPrintable(office.peer.lastCallOutput()));
    QVERIFY2(office.ring(QStringLiteral("sip:3334444") + pbx, QStringLiteral("Privacy: id")),
             qPrintable(office.peer.lastCallOutput()));
    QTRY_COMPARE(calls.numbers, (QStringList{QStringLiteral("4567890"), QStringLiteral("1112222"),
                                             QStringLiteral("0"), QStringLiteral("0034911223344"),
                                             QStringLiteral("0")}));
}

void SipLineTest::strangersAreRefused()
{
    Office office;
    QVERIFY(office.start());
    CallLog calls(office.lineo);
    QVERIFY(office.goOnLine());

    const QString stranger = QStringLiteral("127.0.0.2");
    QVERIFY2(office.peer.call(office.localPort, QStringLiteral("sip:4567890@127.0.0.2"), {},
                              SipPeer::Expect::Forbidden, stranger),
             qPrintable(office.peer.lastCallOutput()));
    // A thousand in a second: each refused, none raised, and the line is quiet afterwards.
    QVERIFY2(office.peer.call(office.localPort, QStringLiteral("sip:4567890@127.0.0.2"), {},
                              SipPeer::Expect::Forbidden, stranger, 1000, 1000),
             qPrintable(office.peer.lastCallOutput()));
    QVERIFY(idleProcessorMs() < 150);
    QTest::qWait(50);
    QCOMPARE(calls.numbers, QStringList());
    QCOMPARE(office.lineo.Estado(), QStringLiteral("Registrado"));
}

void SipLineTest::registrarComesBack()
{
    Office office;
    // A registration of two seconds is renewed every 1.8 seconds.
    QVERIFY(office.start(2));
    CallLog calls(office.lineo);
    QVERIFY(office.goOnLine());

    office.peer.killRegistrar();
    QTest::qWait(2500);
    QVERIFY(office.peer.startRegistrar(office.registrarPort, User, Password, 2));
    // The new registrar knows nothing: it challenges afresh and the line registers with it.
    QTRY_VERIFY_WITH_TIMEOUT(
        office.peer.registrarMessages().contains(QLatin1String("SIP/2.0 200 OK")), 15000);
    QTRY_COMPARE(office.lineo.Estado(), QStringLiteral("Registrado"));
    QVERIFY2(office.ring(QStringLiteral("sip:1112222@127.0.0.1")),
             qPrintable(office.peer.lastCallOutput()));
    QTRY_COMPARE(calls.numbers, QStringList{QStringLiteral("1112222")});
    QTest::qWait(100);
    QCOMPARE(calls.numbers, QStringList{QStringLiteral("1112222")});
}

void SipLineTest::hostileMessages_data()
{
    QTest::addColumn<SipTransport>("transport");
    QTest::newRow("udp") << SipTransport::Udp;
    QTest::newRow("tcp") << SipTransport::Tcp;
}

void SipLineTest::hostileMessages()
{
    QFETCH(SipTransport, transport);
    const bool tcp = transport == SipTransport::Tcp;
    Office office;
    QVERIFY(office.start(600, transport));
    CallLog calls(office.lineo);
    QVERIFY(office.goOnLine());

    // From the registrar's own address, the one that may ring, each message in a datagram or on
    // a connection of its own: cut short, with a header past 64 kB where the transport allows
    // it, with lengths that do not hold, and no SIP at all.
    const QByteArray via = tcp ? "TCP" : "UDP";
    const QByteArray head = "INVITE sip:alice@127.0.0.1 SIP/2.0\r\n"
                            "Via: SIP/2.0/" +
                            via +
                            " 127.0.0.1:5999;branch=z9hG4bK-hostile\r\n"
                            "To: <sip:alice@127.0.0.1>\r\nCSeq: 1 INVITE\r\n";
    const QByteArray hostile = head + "From: <sip:666@127.0.0.1>;tag=h\r\nCall-ID: h@127.0.0.1\r\n";
    const QList<QByteArray> messages{
        hostile.left(hostile.size() / 2),
        hostile + "X-Relleno: " + QByteArray(tcp ? 70000 : 60000, 'a') +
            "\r\nContent-Length: 0\r\n\r\n",
        hostile + "Content-Length: 999999\r\n\r\nv=0\r\n",
        hostile + "Content-Length: -5\r\n\r\n",
        QByteArray(2000, '\0'),
    };
    QUdpSocket udp;
    std::vector<std::unique_ptr<QTcpSocket>> connections;
    const auto send = [&](const QByteArray& message) {
        if (!tcp) {
            udp.writeDatagram(message, QHostAddress::LocalHost, quint16(office.localPort));
            return;
        }
        auto& connection = connections.emplace_back(std::make_unique<QTcpSocket>());
        connection->connectToHost(QHostAddress::LocalHost, quint16(office.localPort));
        if (connection->waitForConnected(2000)) {
            connection->write(message);
            connection->waitForBytesWritten(2000);
        }
    };
    for (const QByteArray& message : messages)
        send(message);

    QTest::qWait(300);
    QVERIFY(idleProcessorMs() < 150);
    // Still in service: a true call is raised, and only that one.
    send(head + "From: <sip:1112222@127.0.0.1>;tag=c\r\nCall-ID: c@127.0.0.1\r\n"
                "Content-Length: 0\r\n\r\n");
    QTRY_COMPARE(calls.numbers, QStringList{QStringLiteral("1112222")});
    QTest::qWait(100);
    QCOMPARE(calls.numbers, QStringList{QStringLiteral("1112222")});
}
