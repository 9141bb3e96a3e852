#include "WorkerProcess.h"

#include "OrdinaryUser.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

WorkerProcess::~WorkerProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            kill();
    }
}

QString WorkerProcess::builtPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/outbox_worker");
}

bool WorkerProcess::start(const QString& dataHome, const QStringList& arguments,
                          const QString& ordinaryUsersCopy)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dataHome + QStringLiteral("/config"));
    environment.insert(QStringLiteral("HOME"), dataHome);
    m_process.setProcessEnvironment(environment);
    if (ordinaryUsersCopy.isEmpty()) {
        m_process.setProgram(builtPath());
        m_process.setArguments(arguments);
    } else {
        OrdinaryUser::prepare(m_process, ordinaryUsersCopy, arguments);
    }
    m_process.start();
    return m_process.waitForStarted(10000);
}

QString WorkerProcess::readLine(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return m_process.canReadLine() ? QString::fromUtf8(m_process.readLine()).trimmed()
                                           : QString();
        m_process.waitForReadyRead(static_cast<int>(qMin<qint64>(deadline.remainingTime(), 100)));
    }
    return QString::fromUtf8(m_process.readLine()).trimmed();
}

QString WorkerProcess::ask(const QString& command, int timeoutMs)
{
    m_process.write(command.toUtf8() + '\n');
    m_process.waitForBytesWritten(1000);
    return readLine(timeoutMs);
}

bool WorkerProcess::finish(int timeoutMs)
{
    m_process.closeWriteChannel();
    return m_process.waitForFinished(timeoutMs);
}

void WorkerProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString WorkerProcess::errors()
{
    return QString::fromUtf8(m_process.readAllStandardError());
}
