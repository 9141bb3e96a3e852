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
