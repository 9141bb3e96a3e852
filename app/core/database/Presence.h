#pragma once

#include <QString>
#include <QtGlobal>

// Who has a database file open. Each open connection holds a byte-range lock on one slot of a
// companion file beside the database ("Llamora.ldb" next to "Llamora.mdb") and writes its
// workstation and process there. The operating system drops the lock when the process ends,
// crash included, and file locks travel over network shares (NFS, SMB), so the marks of other
// workstations are seen too. Open-file-description locks are used, so the several connections of
// one process mark and release independently of each other.
struct WorkstationIdentity
{
    QString machine; // machine id, or host name when the system gives none
    QString hostName;
    qint64 processId = 0;

    [[nodiscard]] static WorkstationIdentity current();
    [[nodiscard]] bool sameWorkstation(const WorkstationIdentity& other) const
    {
        return machine == other.machine && hostName == other.hostName;
    }
};

struct PresenceReport
{
    int thisProcess = 0;        // connections of the asking process
    int otherProcessesHere = 0; // other processes of this workstation
    int otherWorkstations = 0;  // processes of other workstations

    [[nodiscard]] bool anyone() const
    {
        return thisProcess + otherProcessesHere + otherWorkstations > 0;
    }
};

// The companion file of a database file: same folder, same base name, suffix ".ldb".
[[nodiscard]] QString presenceFilePath(const QString& databasePath);

// Everyone marked present on the database file, as seen from this process.
[[nodiscard]] PresenceReport queryPresence(const QString& databasePath);
// 0 when nobody has the file open; 3356 when another workstation does; 3196 when only this
// workstation does (this process or another one). Compaction and repair act on it.
[[nodiscard]] int presenceErrorNumber(const QString& databasePath);

// The gate of a database file, one byte of its companion file. Whoever opens the file holds the
// gate shared from before the engine opens the file until its presence is marked; compaction and
// repair hold it exclusively from their in-use check to their end, so nobody can open the file
// they are about to replace and keep writing into the old one.
class PresenceGate
{
public:
    PresenceGate() = default;
    ~PresenceGate();
    PresenceGate(const PresenceGate&) = delete;
    PresenceGate& operator=(const PresenceGate&) = delete;

    // Waits at most timeoutMs while maintenance holds the file: 0, or the in-use number of the
    // holder (3196 this workstation, 3356 another). Where no companion file can be made (a
    // read-only folder) nobody can hold the gate, and this lets the open go on. A probe that
    // marks no presence leaves no companion file behind: where there is none, nobody holds it.
    int enterShared(const QString& databasePath, int timeoutMs, bool createCompanion = true);
    void leave();

private:
    int m_descriptor = -1;
};

// The gate held exclusively, for compaction and repair.
class ExclusivePresence
{
public:
    ExclusivePresence() = default;
    ~ExclusivePresence();
    ExclusivePresence(const ExclusivePresence&) = delete;
    ExclusivePresence& operator=(const ExclusivePresence&) = delete;

    // Takes the gate, waiting at most timeoutMs for connections being opened right now, then
    // checks that nobody has the file open. 0 when the file is ours alone until release();
    // 3196 or 3356 when someone has it open or is opening it; 3051 when the companion file
    // cannot be written. Nothing is held after a failure.
    int acquire(const QString& databasePath, int timeoutMs = 3000,
                const WorkstationIdentity& identity = WorkstationIdentity::current());
    void release();
    [[nodiscard]] bool isHeld() const { return m_descriptor >= 0; }

private:
    int m_descriptor = -1;
};

// One mark of presence; released when destroyed.
class PresenceMark
{
public:
    PresenceMark() = default;
    ~PresenceMark();
    PresenceMark(const PresenceMark&) = delete;
    PresenceMark& operator=(const PresenceMark&) = delete;

    // Marks presence on the database file. Returns false when the companion file cannot be
    // created or locked (a read-only folder): the database still works, unmarked.
    bool mark(const QString& databasePath,
              const WorkstationIdentity& identity = WorkstationIdentity::current());
    void release();
    [[nodiscard]] bool isMarked() const { return m_descriptor >= 0; }

private:
    int m_descriptor = -1;
    int m_slot = -1;
};
