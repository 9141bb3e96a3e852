#include "OrdinaryUser.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <unistd.h>

namespace OrdinaryUser {

namespace {
QStringList setprivArguments()
{
    return {QStringLiteral("--reuid=%1").arg(Id), QStringLiteral("--regid=%1").arg(Id),
            QStringLiteral("--clear-groups"), QStringLiteral("--")};
}
} // namespace

bool isRoot()
{
    return geteuid() == 0;
}

void prepare(QProcess& process, const QString& program, const QStringList& arguments)
{
    if (!isRoot()) {
        process.setProgram(program);
        process.setArguments(arguments);
        return;
    }
    process.setProgram(QStandardPaths::findExecutable(QStringLiteral("setpriv")));
    process.setArguments(setprivArguments() + QStringList{program} + arguments);
}

bool runTestFunction(const char* testFunction)
{
    QProcess child;
    prepare(child, QCoreApplication::applicationFilePath(), {QLatin1String(testFunction)});
    // Nobody may not enter root's folders: the child starts in the temporary folder.
    child.setWorkingDirectory(QStringLiteral("/tmp"));
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start();
    if (!child.waitForFinished(120000))
        return false;
    return child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}

} // namespace OrdinaryUser
