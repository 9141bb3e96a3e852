#include "OrdinaryUser.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

namespace OrdinaryUser {

namespace {
constexpr auto openFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                            QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

QString setprivPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("setpriv"));
}

QStringList setprivArguments()
{
    return {QStringLiteral("--reuid=%1").arg(Id), QStringLiteral("--regid=%1").arg(Id),
            QStringLiteral("--clear-groups"), QStringLiteral("--")};
}

// Whether nobody may run program and enter the built program folder.
bool nobodyReaches(const QString& program)
{
    QProcess probe;
    probe.start(setprivPath(), setprivArguments() +
                                   QStringList{QStringLiteral("test"), QStringLiteral("-x"),
                                               program, QStringLiteral("-a"), QStringLiteral("-x"),
                                               TestEnvironment::builtProgramFolder()});
    return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

// A hard link costs nothing and nobody cannot change root's file through it; another file
// system needs a copy.
bool linkOrCopy(const QString& from, const QString& to)
{
    return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0 ||
           QFile::copy(from, to);
}

bool copyFolder(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to) || !QFile::setPermissions(to, openFolder))
        return false;
    const auto entries =
        QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() && !entry.isSymLink() ? !copyFolder(entry.filePath(), target)
                                                : !linkOrCopy(entry.filePath(), target))
            return false;
    }
    return true;
}

// The part of path below the folder it shares with other.
QString belowCommonFolder(const QString& path, const QString& other)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    const QStringList otherParts = other.split(QLatin1Char('/'));
    qsizetype common = 0;
    while (common < parts.size() && common < otherParts.size() &&
           parts[common] == otherParts[common])
        ++common;
    return parts.mid(common).join(QLatin1Char('/'));
}

// The copy of a build made for one process, removed with it.
class BuildCopy : public QObject
{
public:
    explicit BuildCopy(QObject* process)
        : QObject(process)
    {}
    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/llamora-nobody-XXXXXX")};
};
} // namespace

bool isRoot()
{
    return geteuid() == 0;
}

QString copyBuild(const QString& program, const QString& folder, QString* programFolder)
{
    const QString builtFolder =
        QFileInfo(TestEnvironment::builtProgramFolder()).canonicalFilePath();
    const QFileInfo built(QFileInfo(program).canonicalFilePath());
    const QString programCopy =
        QDir::cleanPath(folder + QLatin1Char('/') + belowCommonFolder(built.path(), builtFolder) +
                        QLatin1Char('/') + built.fileName());
    *programFolder =
        QDir::cleanPath(folder + QLatin1Char('/') + belowCommonFolder(builtFolder, built.path()));
    if (!copyFolder(builtFolder, *programFolder) || !QDir().mkpath(QFileInfo(programCopy).path()) ||
        !QFile::setPermissions(QFileInfo(programCopy).path(), openFolder))
        return {};
    // The program may be one of the program folder's own.
    if (!QFileInfo::exists(programCopy) && !linkOrCopy(built.filePath(), programCopy))
        return {};
    return programCopy;
}

void prepare(QProcess& process, const QString& program, const QStringList& arguments)
{
    if (!isRoot()) {
        process.setProgram(program);
        process.setArguments(arguments);
        return;
    }
    QString reachable = program;
    if (!nobodyReaches(program)) {
        auto* copy = new BuildCopy(&process);
        QString programFolder;
        if (copy->folder.isValid() && QFile::setPermissions(copy->folder.path(), openFolder))
            reachable = copyBuild(program, copy->folder.path(), &programFolder);
        if (reachable.isEmpty()) {
            qWarning("The user nobody cannot reach %s (its build is in a folder closed to other "
                     "users), and no copy of it could be made in %s.",
                     qPrintable(program), qPrintable(QDir::tempPath()));
            reachable = program;
        } else {
            QProcessEnvironment environment = process.processEnvironment();
            if (environment.isEmpty())
                environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("LLAMORA_PROGRAM_DIR"), programFolder);
            process.setProcessEnvironment(environment);
        }
    }
    process.setProgram(setprivPath());
    process.setArguments(setprivArguments() + QStringList{reachable} + arguments);
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
