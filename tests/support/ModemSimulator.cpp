#include "ModemSimulator.h"

#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

constexpr int StartTimeoutMs = 10000;
constexpr int CommandTimeoutMs = 10000;

QString quoted(const QString& word)
{
    if (!word.isEmpty() && !word.contains(QLatin1Char(' ')) && !word.contains(QLatin1Char('"')))
        return word;
    QString escaped = word;
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// Reads one line from the process, blocking at most until the deadline.
bool readLine(QProcess& process, QByteArray& pending, QByteArray& line, QDeadlineTimer deadline)
{
    while (true) {
        pending += process.readAllStandardOutput();
        const qsizetype end = pending.indexOf('\n');
        if (end >= 0) {
            line = pending.left(end);
            pending.remove(0, end + 1);
            return true;
        }
        if (deadline.hasExpired() || process.state() != QProcess::Running)
            return false;
        process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

} // namespace

ModemSimulator::~ModemSimulator()
{
    stop();
}

bool ModemSimulator::start(const QStringList& arguments)
{
    m_process.setProgram(TestEnvironment::builtToolPath(QStringLiteral("modemsim")));
    m_process.setArguments(arguments);
    m_process.start();
    if (!m_process.waitForStarted(StartTimeoutMs))
        return false;
    QByteArray line;
    if (!readLine(m_process, m_output, line, QDeadlineTimer(StartTimeoutMs)))
        return false;
    m_devicePath = QString::fromLocal8Bit(line.trimmed());
    return m_devicePath.startsWith(QLatin1Char('/'));
}

bool ModemSimulator::call(const QString& number, const QStringList& options)
{
    QString line = QStringLiteral("call ") + quoted(number);
    for (const QString& option : options)
        line += QLatin1Char(' ') + quoted(option);
    return command(line);
}

bool ModemSimulator::raw(const QByteArray& bytes)
{
    QString line = QStringLiteral("raw ");
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\')
            line += QLatin1String("\\\\");
        else if (byte >= 0x20 && byte < 0x7f)
            line += QLatin1Char(c);
        else
            line += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return command(line);
}

bool ModemSimulator::unplug()
{
    return command(QStringLiteral("unplug"));
}

bool ModemSimulator::command(const QString& line)
{
    if (m_process.state() != QProcess::Running)
        return false;
    m_process.write(line.toUtf8() + '\n');
    const QDeadlineTimer deadline(CommandTimeoutMs);
    QByteArray answer;
    while (readLine(m_process, m_output, answer, deadline)) {
        if (answer.trimmed() == "done")
            return true;
    }
    return false;
}

bool ModemSimulator::pointPort(int n) const
{
    // The line control's port table: group "Puertos", key "Com<n>" = device path.
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/Llamora/puertos.ini");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings table(path, QSettings::IniFormat);
    table.setValue(QStringLiteral("Puertos/Com") + QString::number(n), m_devicePath);
    table.sync();
    return table.status() == QSettings::NoError;
}

QString ModemSimulator::errorOutput()
{
    return QString::fromLocal8Bit(m_process.readAllStandardError());
}

void ModemSimulator::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}
