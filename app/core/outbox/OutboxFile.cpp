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

// What a failed system call means, for the person at the desk.
QString reasonFor(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("el disco está lleno");
    case EACCES:
    case EPERM:
        return QStringLiteral("no hay permiso para usarlo");
    case EROFS:
        return QStringLiteral("el disco es de solo lectura");
    case EISDIR:
        return QStringLiteral("es una carpeta, no un archivo");
    case EEXIST:
    case ENOTDIR:
        return QStringLiteral("un archivo ocupa el lugar de una carpeta");
    case ENOENT:
        return QStringLiteral("la carpeta no existe");
    case EIO:
        return QStringLiteral("falla de lectura o escritura del disco");
    default:
        return QStringLiteral("error del sistema número %1").arg(error);
    }
}

QString quoted(const QString& path)
{
    return QStringLiteral("«%1»").arg(path);
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
        const QString path = outboxPath + QStringLiteral(".lock");
        m_fd = openRetrying(nativePath(path), O_RDWR | O_CREAT);
        if (m_fd < 0) {
            m_problem = QStringLiteral("no se puede abrir su archivo de bloqueo %1: %2")
                            .arg(quoted(path), reasonFor(errno));
            return;
        }
        const QDeadlineTimer deadline(lockTimeoutMs);
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
                m_problem = errno == EWOULDBLOCK
                                ? QStringLiteral("otro programa lo tiene bloqueado")
                                : QStringLiteral("no se puede bloquear: ") + reasonFor(errno);
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
    [[nodiscard]] QString problem() const { return m_problem; }

private:
    int m_fd = -1;
    QString m_problem;
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

bool OutboxFile::decode(const QByteArray& lineWithEnd, PendingCall* call)
{
    // A file that went through another system may end its lines in CR LF.
    const QByteArray line = lineWithEnd.endsWith('\r') ? lineWithEnd.chopped(1) : lineWithEnd;
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

bool OutboxFile::fail(const QString& problem)
{
    m_problem = problem;
    return false;
}

bool OutboxFile::succeed()
{
    m_problem.clear();
    return true;
}

bool OutboxFile::append(const PendingCall& call)
{
    const QString folder = QFileInfo(m_filePath).absolutePath();
    errno = 0;
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("no se puede crear la carpeta %1: %2")
                        .arg(quoted(folder), reasonFor(errno == 0 ? EEXIST : errno)));
    const Lock lock(m_filePath);
    if (!lock.isHeld())
        return fail(lock.problem());
    const bool existed = QFileInfo::exists(m_filePath);
    const int fd = openRetrying(nativePath(m_filePath), O_RDWR | O_CREAT | O_APPEND);
    if (fd < 0)
        return fail(QStringLiteral("no se puede escribir en %1: %2")
                        .arg(quoted(m_filePath), reasonFor(errno)));
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
    const int writeError = errno;
    // A line half written (the disk filled up) is taken back, so it is not set aside as damage
    // later while the call waits in memory.
    if (!ok && S_ISREG(status.st_mode)) {
        const bool takenBack = ::ftruncate(fd, status.st_size) == 0;
        Q_UNUSED(takenBack) // at worst the half line is set aside as damage at the next read
    }
    const bool closed = ::close(fd) == 0;
    if (!ok || !closed)
        return fail(QStringLiteral("no se puede escribir en %1: %2")
                        .arg(quoted(m_filePath), reasonFor(ok ? errno : writeError)));
    if (!existed && !syncFolder(folder))
        return fail(QStringLiteral("no se puede escribir en la carpeta %1").arg(quoted(folder)));
    return succeed();
}

bool OutboxFile::read(QList<PendingCall>* calls, QString* asidePath)
{
    calls->clear();
    if (asidePath != nullptr)
        asidePath->clear();
    if (!QFileInfo::exists(m_filePath))
        return succeed();
    const Lock lock(m_filePath);
    if (!lock.isHeld())
        return fail(lock.problem());
    return readLocked(calls, asidePath);
}

bool OutboxFile::readBytes(QByteArray* bytes)
{
    bytes->clear();
    struct stat status
    {
    };
    if (::stat(nativePath(m_filePath).constData(), &status) != 0)
        return errno == ENOENT ? succeed()
                               : fail(QStringLiteral("no se puede leer %1: %2")
                                          .arg(quoted(m_filePath), reasonFor(errno)));
    // A device or a pipe in its place would be read without end, or block.
    if (!S_ISREG(status.st_mode))
        return fail(QStringLiteral("%1 no es un archivo común").arg(quoted(m_filePath)));
    QFile file(m_filePath);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("no se puede leer %1: %2")
                        .arg(quoted(m_filePath), reasonFor(errno == 0 ? EACCES : errno)));
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(
            QStringLiteral("no se puede leer %1: %2").arg(quoted(m_filePath), reasonFor(EIO)));
    return succeed();
}

int OutboxFile::countWithoutLock()
{
    QByteArray bytes;
    if (!readBytes(&bytes))
        return -1;
    int count = 0;
    for (const QByteArray& line : bytes.split('\n')) {
        PendingCall call;
        count += decode(line, &call) ? 1 : 0;
    }
    return count;
}

bool OutboxFile::readLocked(QList<PendingCall>* calls, QString* asidePath)
{
    QByteArray bytes;
    if (!readBytes(&bytes))
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
        else if (!line.isEmpty() && line != "\r")
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
        return fail(lock.problem());
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
    if (!rewriteLocked(calls))
        return fail(QStringLiteral("no se puede reescribir %1: %2")
                        .arg(quoted(m_filePath), reasonFor(errno)));
    return succeed();
}

bool OutboxFile::setAside(const QList<PendingCall>& refused, QString* asidePath)
{
    const Lock lock(m_filePath);
    if (!lock.isHeld())
        return fail(lock.problem());
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
