#include "database/Presence.h"

#include "database/DatabaseErrors.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

// Layout of the companion file: byte i (0 <= i < slotCount) is the lock of slot i; the record of
// slot i, "machine\nhost\npid\n" in UTF-8 padded with zeros, lies at recordsStart + i * recordSize.
namespace {
constexpr int slotCount = 256;
constexpr off_t recordsStart = 4096;
constexpr int recordSize = 256;

bool lockSlot(int descriptor, int slot, short type, int command)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = slot;
    lock.l_len = 1;
    return fcntl(descriptor, command, &lock) == 0;
}

bool slotTaken(int descriptor, int slot)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = slot;
    lock.l_len = 1;
    if (fcntl(descriptor, F_OFD_GETLK, &lock) != 0)
        return false;
    return lock.l_type != F_UNLCK;
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
        const ssize_t got = pread(descriptor, raw.data(), recordSize,
                                  recordsStart + static_cast<off_t>(slot) * recordSize);
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

int presenceErrorNumber(const QString& databasePath)
{
    const PresenceReport report = queryPresence(databasePath);
    if (report.otherWorkstations > 0)
        return DatabaseError::InUseElsewhere;
    if (report.thisProcess + report.otherProcessesHere > 0)
        return DatabaseError::InUseHere;
    return DatabaseError::None;
}

PresenceMark::~PresenceMark()
{
    release();
}

bool PresenceMark::mark(const QString& databasePath, const WorkstationIdentity& identity)
{
    release();
    const QByteArray path = QFile::encodeName(presenceFilePath(databasePath));
    // Everyone sharing the folder must be able to lock the same file.
    const int descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return false;
    for (int slot = 0; slot < slotCount; ++slot) {
        if (!lockSlot(descriptor, slot, F_WRLCK, F_OFD_SETLK))
            continue;
        const QByteArray record = recordFor(identity);
        if (pwrite(descriptor, record.constData(), recordSize,
                   recordsStart + static_cast<off_t>(slot) * recordSize) != recordSize) {
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
        pwrite(m_descriptor, empty.constData(), recordSize,
               recordsStart + static_cast<off_t>(m_slot) * recordSize);
    ::close(m_descriptor);
    m_descriptor = -1;
    m_slot = -1;
}
