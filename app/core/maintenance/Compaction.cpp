#include "database/DatabaseErrors.h"
#include "database/DatabaseFile.h"
#include "database/Presence.h"
#include "maintenance/FileReplacement.h"
#include "maintenance/Maintenance.h"
#include "maintenance/MaintenanceMessages.h"
#include "maintenance/MaintenanceOutcome.h"
#include "maintenance/SqliteFile.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

QString compactionTargetPath(const QString& carpetaBase)
{
    return QDir(carpetaBase).filePath(QStringLiteral("NewLlamora.mdb"));
}

QString backupPath(const QString& carpetaBase)
{
    return QDir(carpetaBase).filePath(QStringLiteral("Llamora.bak"));
}

namespace {
MaintenanceResult failed(int error, const QString& detail)
{
    return MaintenanceOutcome::failed(error, detail, MaintenanceMessages::compactionFailed());
}

void report(const MaintenanceProgress& progress, const QString& stage)
{
    if (progress)
        progress(stage, -1);
}
} // namespace

MaintenanceResult CompactaBaseDatos(const QString& carpetaBase, const MaintenanceProgress& progress)
{
    const QString live = resolveFileNameCase(databasePathIn(carpetaBase));
    const QString target = compactionTargetPath(carpetaBase);
    const QString backup = backupPath(carpetaBase);

    report(progress, QStringLiteral("Comprobando que nadie use la base de datos…"));
    if (!QFileInfo(live).isFile())
        return failed(DatabaseError::FileNotFound, QStringLiteral("no database file"));
    ExclusivePresence exclusive;
    if (const int inUse = exclusive.acquire(live); inUse != DatabaseError::None)
        return failed(inUse, QStringLiteral("the file is in use"));

    // Only a failed compaction of ours leaves this file; it would block every later one.
    if (!removeIfPresent(target) || !removeIfPresent(journalOf(target)))
        return failed(DatabaseError::NoPermission, QStringLiteral("cannot remove ") + target);

    report(progress, QStringLiteral("Copiando los datos a un archivo nuevo…"));
    {
        SqliteFile source;
        // Opening for writing rolls back what a workstation that died while writing left.
        int code = source.open(live);
        if (code == SQLITE_OK && source.scalar(ourTablesCountSql()) != 2)
            code = SQLITE_NOTADB;
        if (code == SQLITE_OK)
            code = source.exec(QStringLiteral("VACUUM INTO ") + sqlLiteral(target));
        if (code != SQLITE_OK) {
            const QString why = source.errorText();
            source.close();
            removeIfPresent(target);
            return failed(errorNumberForSqliteCode(code), why);
        }
    }

    report(progress, QStringLiteral("Guardando la copia anterior…"));
    QString why;
    if (!removeIfPresent(backup)) {
        removeIfPresent(target);
        return failed(DatabaseError::NoPermission, QStringLiteral("cannot remove ") + backup);
    }
    if (!replaceKeepingOld(live, target, backup, &why)) {
        removeIfPresent(target);
        return failed(DatabaseError::DiskError, why);
    }

    return MaintenanceOutcome::succeeded(MaintenanceMessages::compacted());
}
