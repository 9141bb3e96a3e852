#include "database/Presence.h"

#include "database/DatabaseErrors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Layout of the companion file: byte i (0 <= i < slotCount) is the lock of slot i; the record of
// slot i, "machine\nhost\npid\n" in UTF-8 padded with zeros, lies at recordsStart + i * recordSize.
// Byte gateByte is the gate; the record of its exclusive holder follows the slots' records.
namespace {
constexpr int slotCount = 256;
constexpr off_t recordsStart = 4096;
constexpr int recordSize = 256;
constexpr off_t gateByte = slotCount;
constexpr off_t gateRecord = recordsStart + static_cast<off_t>(slotCount) * recordSize;
constexpr int gatePollMs = 5;

// Who may write the database may also lock its companion: the database file's group, and the
// read and write bits of each class of user that may write it. The process's umask does not
// decide it, or another user sharing the folder could not mark presence and maintenance would
// not see them.
void matchDatabasePermissions(int descriptor, const QString& databasePath)
{
    struct stat companion = {};
    struct stat database = {};
    if (fstat(descriptor, &companion) != 0 || companion.st_uid != geteuid() ||
        stat(QFile::encodeName(databasePath).constData(), &database) != 0)
        return;
    mode_t mode = S_IRUSR | S_IWUSR;
    if (database.st_mode & S_IWGRP)
        mode |= S_IRGRP | S_IWGRP;
    else if (database.st_mode & S_IRGRP)
        mode |= S_IRGRP;
    if (database.st_mode & S_IWOTH)
        mode |= S_IROTH | S_IWOTH;
    else if (database.st_mode & S_IROTH)
        mode |= S_IROTH;
    if (companion.st_gid != database.st_gid) [[maybe_unused]]
        const int ignored = fchown(descriptor, static_cast<uid_t>(-1), database.st_gid);
    if ((companion.st_mode & 07777) != mode)
        fchmod(descriptor, mode);
}

// The companion file, opened for reading and writing and created when missing; -1 when that
// cannot be done.
int openCompanion(const QString& databasePath)
{
    const QByteArray path = QFile::encodeName(presenceFilePath(databasePath));
    const int descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor >= 0)
        matchDatabasePermissions(descriptor, databasePath);
    return descriptor;
}

// A lock on the one byte at offset of the companion file.
struct flock byteLock(short type, off_t offset)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    return lock;
}

bool lockByte(int descriptor, off_t offset, short type)
{
    struct flock lock = byteLock(type, offset);
    return fcntl(descriptor, F_OFD_SETLK, &lock) == 0;
}

// Tries to take the gate until timeoutMs has passed.
bool waitForGate(int descriptor, short type, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!lockByte(descriptor, gateByte, type)) {
        if (errno != EAGAIN && errno != EACCES && errno != EINTR)
            return false;
        if (waited.elapsed() >= timeoutMs)
            return false;
        QThread::msleep(gatePollMs);
    }
    return true;
}

bool slotTaken(int descriptor, int slot)
{
    struct flock lock = byteLock(F_WRLCK, slot);
    if (fcntl(descriptor, F_OFD_GETLK, &lock) != 0)
        return false;
    return lock.l_type != F_UNLCK;
}

off_t slotRecord(int slot)
{
    return recordsStart + static_cast<off_t>(slot) * recordSize;
}

QByteArray recordFor(const WorkstationIdentity& identity)
{
    QByteArray record = identity.machine.toUtf8() + '\n' + identity.hostName.toUtf8() + '\n' +
                        QByteArray::number(identity.processId) + '\n';
    record = record.left(recordSize);
    record.resize(recordSize, '\0');
    return record;
}

bool parseRecord(const QByteArray& raw, WorkstationIdentity* identity)
{
    const QList<QByteArray> parts = raw.left(raw.indexOf('\0')).split('\n');
    if (parts.size() < 3)
        return false;
    identity->machine = QString::fromUtf8(parts.at(0));
    identity->hostName = QString::fromUtf8(parts.at(1));
    bool ok = false;
    identity->processId = parts.at(2).toLongLong(&ok);
    return ok;
}
} // namespace

WorkstationIdentity WorkstationIdentity::current()
{
    WorkstationIdentity identity;
    identity.hostName = QSysInfo::machineHostName();
    const QByteArray machineId = QSysInfo::machineUniqueId();
    identity.machine = machineId.isEmpty() ? identity.hostName : QString::fromLatin1(machineId);
    identity.processId = QCoreApplication::applicationPid();
    return identity;
}

QString presenceFilePath(const QString& databasePath)
{
    const QFileInfo info(databasePath);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
           QStringLiteral(".ldb");
}

PresenceReport queryPresence(const QString& databasePath)
{
    PresenceReport report;
    const QByteArray path = QFile::encodeName(presenceFilePath(databasePath));
    const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return report;
    const WorkstationIdentity self = WorkstationIdentity::current();
    for (int slot = 0; slot < slotCount; ++slot) {
        if (!slotTaken(descriptor, slot))
            continue;
        QByteArray raw(recordSize, '\0');
        const ssize_t got = pread(descriptor, raw.data(), recordSize, slotRecord(slot));
        WorkstationIdentity other;
        // A mark whose record is not written yet, or unreadable, counts as another workstation:
        // the cautious answer for those who ask before compacting.
        if (got <= 0 || !parseRecord(raw, &other) || !self.sameWorkstation(other))
            ++report.otherWorkstations;
        else if (other.processId == self.processId)
            ++report.thisProcess;
        else
            ++report.otherProcessesHere;
    }
    ::close(descriptor);
    return report;
}

namespace {
int inUseNumberFor(const PresenceReport& report)
{
    if (report.otherWorkstations > 0)
        return DatabaseError::InUseElsewhere;
    if (report.thisProcess + report.otherProcessesHere > 0)
        return DatabaseError::InUseHere;
    return DatabaseError::None;
}

// The in-use number that the gate's exclusive holder stands for, seen from this workstation.
int gateHolderErrorNumber(int descriptor)
{
    QByteArray raw(recordSize, '\0');
    WorkstationIdentity holder;
    if (pread(descriptor, raw.data(), recordSize, gateRecord) == recordSize &&
        parseRecord(raw, &holder) && WorkstationIdentity::current().sameWorkstation(holder))
        return DatabaseError::InUseHere;
    return DatabaseError::InUseElsewhere;
}
} // namespace

int presenceErrorNumber(const QString& databasePath)
{
    return inUseNumberFor(queryPresence(databasePath));
}

PresenceGate::~PresenceGate()
{
    leave();
}

int PresenceGate::enterShared(const QString& databasePath, int timeoutMs, bool createCompanion)
{
    leave();
    int descriptor = createCompanion ? openCompanion(databasePath) : -1;
    if (descriptor < 0) {
        // An existing companion, even one we may only read, still shows the gate.
        const QByteArray path = QFile::encodeName(presenceFilePath(databasePath));
        descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0)
            return DatabaseError::None;
    }
    if (!waitForGate(descriptor, F_RDLCK, timeoutMs)) {
        const int error = gateHolderErrorNumber(descriptor);
        ::close(descriptor);
        return error;
    }
    m_descriptor = descriptor;
    return DatabaseError::None;
}

void PresenceGate::leave()
{
    if (m_descriptor < 0)
        return;
    ::close(m_descriptor);
    m_descriptor = -1;
}

ExclusivePresence::~ExclusivePresence()
{
    release();
}

int ExclusivePresence::acquire(const QString& databasePath, int timeoutMs,
                               const WorkstationIdentity& identity)
{
    release();
    const int descriptor = openCompanion(databasePath);
    if (descriptor < 0)
        return DatabaseError::NoPermission;
    // Someone opening the file right now holds the gate for a moment; someone else's
    // maintenance holds it for long.
    if (!waitForGate(descriptor, F_WRLCK, timeoutMs)) {
        const int error = gateHolderErrorNumber(descriptor);
        ::close(descriptor);
        return error;
    }
    const int inUse = inUseNumberFor(queryPresence(databasePath));
    if (inUse != DatabaseError::None) {
        ::close(descriptor);
        return inUse;
    }
    const QByteArray record = recordFor(identity);
    if (pwrite(descriptor, record.constData(), recordSize, gateRecord) != recordSize) {
        ::close(descriptor);
        return DatabaseError::NoPermission;
    }
    m_descriptor = descriptor;
    return DatabaseError::None;
}

void ExclusivePresence::release()
{
    if (m_descriptor < 0)
        return;
    const QByteArray empty(recordSize, '\0');
    [[maybe_unused]] const ssize_t written =
        pwrite(m_descriptor, empty.constData(), recordSize, gateRecord);
    ::close(m_descriptor);
    m_descriptor = -1;
}

PresenceMark::~PresenceMark()
{
    release();
}

bool PresenceMark::mark(const QString& databasePath, const WorkstationIdentity& identity)
{
    release();
    const int descriptor = openCompanion(databasePath);
    if (descriptor < 0)
        return false;
    for (int slot = 0; slot < slotCount; ++slot) {
        if (!lockByte(descriptor, slot, F_WRLCK))
            continue;
        const QByteArray record = recordFor(identity);
        if (pwrite(descriptor, record.constData(), recordSize, slotRecord(slot)) != recordSize) {
            ::close(descriptor);
            return false;
        }
        m_descriptor = descriptor;
        m_slot = slot;
        return true;
    }
    ::close(descriptor);
    return false;
}

void PresenceMark::release()
{
    if (m_descriptor < 0)
        return;
    const QByteArray empty(recordSize, '\0');
    // Clear the record while the slot is still ours, then let the lock go with the descriptor.
    [[maybe_unused]] const ssize_t written =
        pwrite(m_descriptor, empty.constData(), recordSize, slotRecord(m_slot));
    ::close(m_descriptor);
    m_descriptor = -1;
    m_slot = -1;
}
