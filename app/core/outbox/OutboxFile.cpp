#include "outbox/OutboxFile.h"

#include "DataFolder.h"
#include "DiskSync.h"
#include "database/DateText.h"
#include "settings/SettingsStore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray lineTag = QByteArrayLiteral("L1");
constexpr char fieldSeparator = '\t';

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

int openRetrying(const QByteArray& path, int flags, mode_t mode = 0600)
{
    int fd = -1;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += written;
    }
    return true;
}

bool readWhole(const QString& path, QByteArray* bytes, bool* exists)
{
    bytes->clear();
    QFile file(path);
    *exists = file.exists();
    if (!*exists)
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

// Writes bytes as a file of its own, synced: appended to what is there, or replacing it.
bool writeSynced(const QString& path, const QByteArray& bytes, bool append)
{
    const int fd =
        openRetrying(nativePath(path), O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC));
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

} // namespace

// An exclusive lock on the outbox's companion lock file, held while the object lives.
class OutboxFile::Lock
{
public:
    explicit Lock(const QString& outboxPath)
    {
        m_fd = openRetrying(nativePath(outboxPath + QStringLiteral(".lock")), O_RDWR | O_CREAT);
        if (m_fd < 0)
            return;
        const QDeadlineTimer deadline(lockTimeoutMs);
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            QThread::msleep(2);
        }
    }
    ~Lock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // closing drops the lock
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    [[nodiscard]] bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

OutboxFile::OutboxFile(QString filePath)
    : m_filePath(std::move(filePath))
{}

QString OutboxFile::pathFor(const QString& programFolder)
{
    return dataFolder() + QLatin1Char('/') + SettingsStore::encodedApplicationName(programFolder) +
           QStringLiteral(".pendientes");
}

QByteArray OutboxFile::encode(const PendingCall& call)
{
    QByteArray line = lineTag;
    line += fieldSeparator;
    line += DateText::storedDateTime(call.Fecha).toLatin1();
    line += fieldSeparator;
    line += QByteArray::number(call.Puesto);
    line += fieldSeparator;
    line += QUrl::toPercentEncoding(call.Telefono);
    const quint16 sum = qChecksum(line);
    line += fieldSeparator;
    line += QByteArray::number(sum, 16).rightJustified(4, '0');
    return line;
}

bool OutboxFile::decode(const QByteArray& line, PendingCall* call)
{
    const QList<QByteArray> fields = line.split(fieldSeparator);
    if (fields.size() != 5 || fields.at(0) != lineTag)
        return false;
    bool ok = false;
    const quint16 sum = fields.at(4).toUShort(&ok, 16);
    if (!ok || fields.at(4).size() != 4 ||
        qChecksum(QByteArrayView(line).first(line.lastIndexOf(fieldSeparator))) != sum)
        return false;
    const QDateTime fecha = DateText::dateTimeFromStored(QString::fromLatin1(fields.at(1)));
    const int puesto = fields.at(2).toInt(&ok);
    if (!fecha.isValid() || !ok || puesto <= 0 || puesto > std::numeric_limits<qint16>::max())
        return false;
    call->Telefono = QUrl::fromPercentEncoding(fields.at(3));
    call->Fecha = fecha;
    call->Puesto = static_cast<qint16>(puesto);
    return true;
}

bool OutboxFile::append(const PendingCall& call)
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    const Lock lock(m_filePath);
    if (!lock.isHeld())
        return false;
    const bool existed = QFileInfo::exists(m_filePath);
    const int fd = openRetrying(nativePath(m_filePath), O_RDWR | O_CREAT | O_APPEND);
    if (fd < 0)
        return false;
    QByteArray line = encode(call) + '\n';
    // A line cut short by a crash must not swallow the new one: start on a line of its own.
    struct stat status
    {
    };
    char last = '\n';
    if (::fstat(fd, &status) == 0 && status.st_size > 0 &&
        ::pread(fd, &last, 1, status.st_size - 1) == 1 && last != '\n')
        line.prepend('\n');
    const bool ok = writeAll(fd, line) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    return ok && closed && (existed || syncFolder(folder));
}

bool OutboxFile::read(QList<PendingCall>* calls, QString* asidePath)
{
    calls->clear();
    if (asidePath != nullptr)
        asidePath->clear();
    if (!QFileInfo::exists(m_filePath))
        return true;
    const Lock lock(m_filePath);
    if (!lock.isHeld())
        return false;
    return readLocked(calls, asidePath);
}

bool OutboxFile::readLocked(QList<PendingCall>* calls, QString* asidePath)
{
    QByteArray bytes;
    bool exists = false;
    if (!readWhole(m_filePath, &bytes, &exists))
        return false;
    QByteArray damaged;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const bool complete = end >= 0;
        if (!complete)
            end = bytes.size();
        const QByteArray line = bytes.mid(start, end - start);
        PendingCall call;
        if (complete && decode(line, &call))
            calls->append(call);
        else if (!line.isEmpty())
            damaged += line + '\n';
        start = end + 1;
    }
    if (damaged.isEmpty())
        return true;
    QString aside;
    if (!setAsideLocked(damaged, &aside) || !rewriteLocked(*calls))
        return true; // the good lines are read all the same; the damage stays for the next read
    if (asidePath != nullptr)
        *asidePath = aside;
    return true;
}

bool OutboxFile::setAsideLocked(const QByteArray& damaged, QString* asidePath)
{
    // One file per day: a second damage the same day joins the first, nothing is overwritten.
    *asidePath = m_filePath + QStringLiteral(".danado-") +
                 QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    const bool existed = QFileInfo::exists(*asidePath);
    return writeSynced(*asidePath, damaged, true) &&
           (existed || syncFolder(QFileInfo(m_filePath).absolutePath()));
}

bool OutboxFile::remove(const QList<PendingCall>& delivered)
{
    if (delivered.isEmpty())
        return true;
    const Lock lock(m_filePath);
    if (!lock.isHeld())
        return false;
    return removeLocked(delivered);
}

bool OutboxFile::removeLocked(const QList<PendingCall>& taken)
{
    QList<PendingCall> calls;
    if (!readLocked(&calls, nullptr))
        return false;
    for (const PendingCall& call : taken) {
        const qsizetype at = calls.indexOf(call);
        if (at >= 0)
            calls.removeAt(at);
    }
    return rewriteLocked(calls);
}

bool OutboxFile::setAside(const QList<PendingCall>& refused, QString* asidePath)
{
    const Lock lock(m_filePath);
    if (!lock.isHeld())
        return false;
    QByteArray lines;
    for (const PendingCall& call : refused)
        lines += encode(call) + '\n';
    // Kept first, taken off after: a crash in between leaves the call in both, never in none.
    return setAsideLocked(lines, asidePath) && removeLocked(refused);
}

bool OutboxFile::rewriteLocked(const QList<PendingCall>& calls)
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (calls.isEmpty()) {
        if (!QFileInfo::exists(m_filePath))
            return true;
        return ::unlink(nativePath(m_filePath).constData()) == 0 && syncFolder(folder);
    }
    QByteArray bytes;
    for (const PendingCall& call : calls)
        bytes += encode(call) + '\n';
    const QString temporary = m_filePath + QStringLiteral(".nuevo");
    if (!writeSynced(temporary, bytes, false))
        return false;
    if (::rename(nativePath(temporary).constData(), nativePath(m_filePath).constData()) != 0) {
        ::unlink(nativePath(temporary).constData());
        return false;
    }
    return syncFolder(folder);
}
