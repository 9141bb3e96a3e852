#include "DiskSync.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
bool syncOpened(const QString& path, int flags)
{
    const QByteArray native = QFile::encodeName(path);
    int descriptor = -1;
    do {
        descriptor = ::open(native.constData(), flags | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}
} // namespace

bool syncFile(const QString& path)
{
    return syncOpened(path, O_RDWR);
}

bool syncFolder(const QString& folder)
{
    return syncOpened(folder, O_RDONLY | O_DIRECTORY);
}
