#include "maintenance/FileReplacement.h"

#include "DiskSync.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

QString journalOf(const QString& databasePath)
{
    return databasePath + QStringLiteral("-journal");
}

namespace {
QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString failure(const char* what, const QString& path)
{
    return QString::fromLatin1(what) + QLatin1Char(' ') + path + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(errno));
}

// The new file may be written by whoever could write the old one.
void takePermissionsOf(const QString& fresh, const QString& live)
{
    struct stat old = {};
    if (stat(native(live).constData(), &old) != 0)
        return;
    const QByteArray path = native(fresh);
    [[maybe_unused]] const int group = chown(path.constData(), static_cast<uid_t>(-1), old.st_gid);
    chmod(path.constData(), old.st_mode & 07777);
}

// Nobody has the file open (the caller holds it exclusively), so a journal beside it is one left
// behind by the old file; beside the new file it would be played back into it.
bool moveJournal(const QString& from, const QString& to)
{
    const QString journal = journalOf(from);
    return !QFileInfo::exists(journal) ||
           ::rename(native(journal).constData(), native(journalOf(to)).constData()) == 0;
}

bool linksRefused(int error)
{
    return error == EPERM || error == EXDEV || error == ENOTSUP || error == EOPNOTSUPP ||
           error == EMLINK || error == ENOSYS;
}
} // namespace

bool removeIfPresent(const QString& path)
{
    if (::unlink(native(path).constData()) == 0 || errno == ENOENT)
        return true;
    return false;
}

bool replaceKeepingOld(const QString& live, const QString& fresh, const QString& keepAs,
                       QString* error, Links links)
{
    const QString folder = QFileInfo(live).absolutePath();
    takePermissionsOf(fresh, live);
    if (!syncFile(fresh)) {
        *error = failure("cannot write through", fresh);
        return false;
    }
    const bool linked =
        links == Links::Try && ::link(native(live).constData(), native(keepAs).constData()) == 0;
    if (linked) {
        if (!moveJournal(live, keepAs)) {
            *error = failure("cannot move the journal of", live);
            ::unlink(native(keepAs).constData());
            return false;
        }
        if (::rename(native(fresh).constData(), native(live).constData()) != 0) {
            *error = failure("cannot rename", fresh);
            moveJournal(keepAs, live);
            ::unlink(native(keepAs).constData());
            return false;
        }
        syncFolder(folder);
        return true;
    }
    if (links == Links::Try && !linksRefused(errno)) {
        *error = failure("cannot link", live);
        return false;
    }

    if (::rename(native(live).constData(), native(keepAs).constData()) != 0) {
        *error = failure("cannot rename", live);
        return false;
    }
    if (!moveJournal(live, keepAs) ||
        ::rename(native(fresh).constData(), native(live).constData()) != 0) {
        *error = failure("cannot rename", fresh);
        ::rename(native(keepAs).constData(), native(live).constData());
        moveJournal(keepAs, live);
        syncFolder(folder);
        return false;
    }
    syncFolder(folder);
    return true;
}
