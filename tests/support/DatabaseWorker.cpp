#include "DatabaseWorker.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace DatabaseWorker {

QString path()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/db_worker");
}

std::unique_ptr<QProcess> startReady(const QStringList& arguments, QStringList* said)
{
    auto process = std::make_unique<QProcess>();
    process->start(path(), arguments);
    if (!process->waitForStarted(10000))
        return nullptr;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        if (!process->canReadLine() && !process->waitForReadyRead(200))
            continue;
        while (process->canReadLine()) {
            const QString line = QString::fromUtf8(process->readLine()).trimmed();
            if (line == QLatin1String("READY"))
                return process;
            if (said != nullptr)
                said->append(line);
        }
    }
    return nullptr;
}

QString runToEnd(const QStringList& arguments)
{
    QProcess process;
    process.start(path(), arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace DatabaseWorker
