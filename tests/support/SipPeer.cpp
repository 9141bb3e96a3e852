#include "SipPeer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>
#include <QUdpSocket>

namespace {

const QString Sipp = QStringLiteral("sipp");

// The scenarios live beside the tests, where the demonstration also finds them.
QString scenarioText(const QString& name)
{
    QFile file(QStringLiteral(LLAMORA_SIPP_SCENARIOS "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

bool waitForListener(int port, QProcess& process)
{
    // Bound once this process can no longer bind the port itself.
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        QUdpSocket probe;
        if (!probe.bind(QHostAddress::LocalHost, quint16(port)))
            return true;
        probe.close();
        QThread::msleep(20);
    }
    return false;
}

} // namespace

SipPeer::SipPeer() = default;

SipPeer::~SipPeer()
{
    killRegistrar();
}

bool SipPeer::isAvailable()
{
    return !QStandardPaths::findExecutable(Sipp).isEmpty();
}

int SipPeer::freePort(int besides)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        QUdpSocket udp;
        if (!udp.bind(QHostAddress::LocalHost, 0) || udp.localPort() == besides)
            continue;
        const quint16 port = udp.localPort();
        QTcpServer tcp;
        if (tcp.listen(QHostAddress::LocalHost, port))
            return port;
    }
    return 0;
}

QString SipPeer::writeScenario(const QString& name, const QString& text) const
{
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(text.toUtf8());
    return path;
}

bool SipPeer::startRegistrar(int port, const QString& user, const QString& password, int expires,
                             const QString& transport)
{
    killRegistrar();
    const QString scenario = QStringLiteral(LLAMORA_SIPP_SCENARIOS "/registrar.xml");
    m_registrarLog = m_folder.filePath(QStringLiteral("registrar-%1.log").arg(++m_registrarRuns));
    m_registrar = std::make_unique<QProcess>();
    m_registrar->setWorkingDirectory(m_folder.path());
    m_registrar->setStandardOutputFile(QProcess::nullDevice());
    const QString errors = m_registrarLog + QStringLiteral(".err");
    m_registrar->setStandardErrorFile(errors);
    m_registrar->start(Sipp, {QStringLiteral("-sf"),
                              scenario,
                              QStringLiteral("-i"),
                              QStringLiteral("127.0.0.1"),
                              QStringLiteral("-p"),
                              QString::number(port),
                              QStringLiteral("-t"),
                              transport,
                              QStringLiteral("-key"),
                              QStringLiteral("user"),
                              user,
                              QStringLiteral("-key"),
                              QStringLiteral("password"),
                              password,
                              QStringLiteral("-key"),
                              QStringLiteral("expires"),
                              QString::number(expires),
                              QStringLiteral("-nostdin"),
                              QStringLiteral("-trace_msg"),
                              QStringLiteral("-message_file"),
                              m_registrarLog});
    bool listening = false;
    if (!m_registrar->waitForStarted(5000)) {
        listening = false;
    } else if (transport.startsWith(QLatin1Char('t'))) {
        const QDeadlineTimer deadline(5000);
        while (!listening && !deadline.hasExpired()) {
            QTcpServer probe;
            listening = !probe.listen(QHostAddress::LocalHost, quint16(port));
            probe.close();
            if (!listening)
                QThread::msleep(20);
        }
    } else {
        listening = waitForListener(port, *m_registrar);
    }
    if (!listening) {
        QFile said(errors);
        said.open(QIODevice::ReadOnly);
        qWarning("sipp registrar on port %d did not listen: %s", port, said.readAll().constData());
        killRegistrar();
    }
    return listening;
}

int SipPeer::startRegistrarOnFreePort(const QString& user, const QString& password, int expires,
                                      const QString& transport)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int port = freePort();
        if (port != 0 && startRegistrar(port, user, password, expires, transport))
            return port;
    }
    return 0;
}

void SipPeer::killRegistrar()
{
    if (!m_registrar)
        return;
    m_registrar->kill();
    m_registrar->waitForFinished(5000);
    m_registrar.reset();
}

QString SipPeer::registrarMessages() const
{
    QFile file(m_registrarLog);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

bool SipPeer::call(int port, const QString& fromUri, const QString& extraHeaders, Expect expect,
                   const QString& source, int calls, int rate)
{
    QString scenario = scenarioText(expect == Expect::Ringing ? QStringLiteral("ringing.xml")
                                                              : QStringLiteral("forbidden.xml"));
    scenario.replace(QLatin1String("@FROM@"), fromUri);
    scenario.replace(QLatin1String("@HEADERS@\n"),
                     extraHeaders.isEmpty() ? QString() : extraHeaders + QLatin1Char('\n'));
    const QString path = writeScenario(QStringLiteral("caller.xml"), scenario);

    QProcess sipp;
    sipp.setWorkingDirectory(m_folder.path());
    sipp.setProcessChannelMode(QProcess::MergedChannels);
    sipp.start(Sipp,
               {QStringLiteral("-sf"), path, QStringLiteral("127.0.0.1:") + QString::number(port),
                QStringLiteral("-i"), source, QStringLiteral("-m"), QString::number(calls),
                QStringLiteral("-r"), QString::number(rate), QStringLiteral("-l"),
                QString::number(calls), QStringLiteral("-timeout"), QStringLiteral("20s"),
                QStringLiteral("-timeout_error"), QStringLiteral("-nostdin"),
                QStringLiteral("-trace_err")});
    // SIPp's screen output is read as it comes, so a full pipe never stops it.
    QByteArray output;
    if (!sipp.waitForStarted(5000))
        return false;
    while (sipp.state() != QProcess::NotRunning && !sipp.waitForFinished(100))
        output += sipp.readAll();
    output += sipp.readAll();
    const bool passed = sipp.exitStatus() == QProcess::NormalExit && sipp.exitCode() == 0;
    m_lastCallOutput = passed ? QString() : QString::fromLocal8Bit(output.right(4000));
    return passed;
}
