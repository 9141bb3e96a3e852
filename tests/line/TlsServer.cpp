#include "TlsServer.h"

#include "SipPeer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpSocket>
#include <QThread>

TlsServer::~TlsServer()
{
    m_server.kill();
    m_server.waitForFinished(2000);
}

bool TlsServer::openssl(const QStringList& arguments)
{
    QProcess tool;
    tool.setWorkingDirectory(m_folder.path());
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral("openssl"), arguments);
    if (tool.waitForFinished(20000) && tool.exitStatus() == QProcess::NormalExit &&
        tool.exitCode() == 0)
        return true;
    qWarning("openssl %s: %s", qPrintable(arguments.join(QLatin1Char(' '))),
             tool.readAll().constData());
    return false;
}

bool TlsServer::start(MadeOutTo madeOutTo)
{
    if (!makeCertificates(madeOutTo))
        return false;
    // A port found free can be taken by another program's connection before the server binds
    // it; another one is tried then.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int port = SipPeer::freePort();
        if (port != 0 && listen(port)) {
            m_port = port;
            return true;
        }
    }
    return false;
}

bool TlsServer::makeCertificates(MadeOutTo madeOutTo)
{
    const QString names = madeOutTo == MadeOutTo::ThisAddress
                              ? QStringLiteral("subjectAltName=IP:127.0.0.1")
                              : QStringLiteral("subjectAltName=DNS:otro.example");
    QFile extensions(m_folder.filePath(QStringLiteral("names.cnf")));
    if (!m_folder.isValid() || !extensions.open(QIODevice::WriteOnly))
        return false;
    extensions.write(names.toUtf8() + '\n');
    extensions.close();
    const QStringList newKey{QStringLiteral("-newkey"), QStringLiteral("ec"),
                             QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:P-256"),
                             QStringLiteral("-nodes")};
    const bool made =
        openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + newKey +
                QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-subj", "/CN=Centralita CA",
                            "-days", "2"}) &&
        openssl(QStringList{QStringLiteral("req")} + newKey +
                QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj",
                            "/CN=centralita"}) &&
        openssl({"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                 "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "names.cnf"});
    return made;
}

bool TlsServer::listen(int port)
{
    m_server.setWorkingDirectory(m_folder.path());
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(QStringLiteral("openssl"),
                   {"s_server", "-quiet", "-accept", QStringLiteral("127.0.0.1:%1").arg(port),
                    "-cert", "server.pem", "-key", "server.key"});
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && m_server.state() != QProcess::NotRunning) {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
        if (probe.waitForConnected(200))
            return true;
        QThread::msleep(20);
    }
    m_server.kill();
    m_server.waitForFinished(2000);
    qWarning("openssl s_server on port %d: %s", port, m_server.readAll().constData());
    return false;
}

QString TlsServer::authorityFile() const
{
    return m_folder.filePath(QStringLiteral("ca.pem"));
}

QString TlsServer::received()
{
    m_received += QString::fromUtf8(m_server.readAll());
    return m_received;
}
