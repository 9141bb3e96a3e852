// SIP line benchmark, run by hand:  sip_bench [calls]
//
// A workstation registered with SIPp (the office's registrar on the loopback address) receives
// INVITEs from the registrar's address. Measured per call: the INVITE sent to 180 Ringing
// received, and the INVITE sent to the call committed in a database of 100,000 clients and
// 1,000,000 calls and the notice panel painted (offscreen). Each call is then cancelled as when
// another telephone answers. Also the processor time of the whole process over ten idle seconds
// while registered. Everything lives in a temporary folder, the configuration home included.
#include "LargeDatabase.h"
#include "Lineo.h"
#include "Median.h"
#include "Parlux.h"
#include "PrivateHome.h"
#include "SipOffice.h"
#include "database/DataControl.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"
#include "startup/DatabaseAttach.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QUdpSocket>

#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

qint64 processorMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// A request of the bench's caller, always the same transaction for one call.
QByteArray request(const char* method, int call, quint16 ownPort, int target, const QString& number,
                   const QByteArray& toTag = {})
{
    const QByteArray branch = "z9hG4bK-bench-" + QByteArray::number(call);
    return QByteArray(method) + " sip:alice@127.0.0.1:" + QByteArray::number(target) +
           " SIP/2.0\r\nVia: SIP/2.0/UDP 127.0.0.1:" + QByteArray::number(ownPort) +
           ";branch=" + branch + "\r\nFrom: <sip:100@127.0.0.1>;tag=b" + QByteArray::number(call) +
           "\r\nTo: <sip:alice@127.0.0.1>" + toTag + "\r\nCall-ID: bench-" +
           QByteArray::number(call) + "@127.0.0.1\r\nCSeq: 1 " + method +
           "\r\nMax-Forwards: 70\r\nP-Asserted-Identity: <sip:" + number.toLatin1() +
           "@127.0.0.1>\r\nContent-Length: 0\r\n\r\n";
}

// The next datagram whose status line starts with `status`, within two seconds.
QByteArray awaitStatus(QUdpSocket& socket, const QByteArray& status)
{
    const QDeadlineTimer deadline(2000);
    while (!deadline.hasExpired()) {
        if (!socket.hasPendingDatagrams() &&
            !socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
        QByteArray datagram(int(socket.pendingDatagramSize()), '\0');
        socket.readDatagram(datagram.data(), datagram.size());
        if (datagram.startsWith(QByteArray(QByteArray("SIP/2.0 ") + status)))
            return datagram;
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    const PrivateHome root;
    if (!root.isValid())
        return 1;
    QApplication app(argc, argv);
    const int calls = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 300;

    QElapsedTimer filling;
    filling.start();
    const QString folder = root.path();
    if (!LargeDatabase::build(folder + QStringLiteral("/Llamora.mdb"), 100000, 1000000)) {
        std::fprintf(stderr, "could not build the database\n");
        return 1;
    }
    std::printf("filled 100,000 clients and 1,000,000 calls in %.1f s\n",
                double(filling.elapsed()) / 1000.0);

    SipPeer pbx;
    LineSettings line;
    if (!startSipOffice(pbx, QStringLiteral("recepcion"), QStringLiteral("clave"), &line)) {
        std::fprintf(stderr, "could not start the registrar\n");
        return 1;
    }

    ProgramValues values;
    values.programFolder = folder;
    values.CarpetaBase = folder;
    values.NumeroPuesto = 1;
    DataControl datLlamada;
    if (attachDatLlamada(datLlamada, values.databasePath()).error != 0)
        return 1;
    CallReception reception(values, datLlamada);
    Parlux panel;
    panel.show();
    Lineo lineo;
    QElapsedTimer clock;
    clock.start();
    qint64 paintedAt = 0;
    QObject::connect(&lineo, &Lineo::Llamada, &lineo, [&] {
        const ReceptionResult result = reception.receive(lineo.Numero());
        if (result.notice) {
            const CallerNotice& n = *result.notice;
            panel.Mostrar(n.Num, n.F, n.H, n.Nom, n.Dom, n.Ob, n.Al, n.N);
            panel.repaint();
        }
        paintedAt = clock.nsecsElapsed();
    });
    lineo.setEnabled(true);
    const QDeadlineTimer registering(10000);
    while (lineo.Estado() != QStringLiteral("Registrado") && !registering.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (lineo.Estado() != QStringLiteral("Registrado")) {
        std::fprintf(stderr, "not registered: %s\n", qPrintable(lineo.Estado()));
        return 1;
    }

    // Idle while registered: nothing but the library's timers.
    const qint64 idleStart = processorMs();
    QEventLoop idle;
    QTimer::singleShot(10000, &idle, &QEventLoop::quit);
    idle.exec();
    const qint64 idleMs = processorMs() - idleStart;

    QUdpSocket caller;
    if (!caller.bind(QHostAddress::LocalHost, 0))
        return 1;
    std::vector<double> ringing;
    std::vector<double> painted;
    for (int call = 0; call < calls; ++call) {
        const QString number = call % 2 == 0
                                   ? LargeDatabase::telefonoFor(call * 37 % 100000)
                                   : QStringLiteral("15%1").arg(call, 8, 10, QLatin1Char('0'));
        paintedAt = 0;
        const qint64 sentAt = clock.nsecsElapsed();
        caller.writeDatagram(
            request("INVITE", call, caller.localPort(), line.sip.localPort, number),
            QHostAddress::LocalHost, quint16(line.sip.localPort));
        const QByteArray ring = awaitStatus(caller, "180");
        if (ring.isEmpty()) {
            std::fprintf(stderr, "no 180 for call %d\n", call);
            return 1;
        }
        ringing.push_back(double(clock.nsecsElapsed() - sentAt) / 1e6);
        const QDeadlineTimer shown(5000);
        while (paintedAt == 0 && !shown.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (paintedAt == 0) {
            std::fprintf(stderr, "call %d never reached the panel\n", call);
            return 1;
        }
        painted.push_back(double(paintedAt - sentAt) / 1e6);
        // Another telephone answered.
        const qsizetype tagAt = ring.indexOf(";tag=", ring.indexOf("\nTo:"));
        const QByteArray toTag = ring.mid(tagAt, ring.indexOf('\r', tagAt) - tagAt);
        caller.writeDatagram(
            request("CANCEL", call, caller.localPort(), line.sip.localPort, number),
            QHostAddress::LocalHost, quint16(line.sip.localPort));
        awaitStatus(caller, "487");
        caller.writeDatagram(
            request("ACK", call, caller.localPort(), line.sip.localPort, number, toTag),
            QHostAddress::LocalHost, quint16(line.sip.localPort));
    }
    lineo.setEnabled(false);

    std::printf("%d calls: INVITE -> 180 Ringing median %.2f ms; INVITE -> committed and painted "
                "median %.2f ms\n",
                calls, median(ringing), median(painted));
    std::printf("idle while registered: %lld ms of processor time in 10 s\n",
                static_cast<long long>(idleMs));
    return 0;
}
