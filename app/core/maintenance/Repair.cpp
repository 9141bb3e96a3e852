#include "database/DatabaseErrors.h"
#include "database/DatabaseFile.h"
#include "database/Presence.h"
#include "maintenance/FileReplacement.h"
#include "maintenance/Maintenance.h"
#include "maintenance/MaintenanceMessages.h"
#include "maintenance/MaintenanceOutcome.h"
#include "maintenance/Salvage.h"
#include "maintenance/SqliteFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

namespace {
enum class Verdict
{
    Sound,
    IndexesOnly, // only indexes disagree with their tables: rebuilding them mends the file
    Damaged,     // tables or the file's structure are damaged: rows must be saved elsewhere
};

Verdict checkIntegrity(SqliteFile& file)
{
    sqlite3_stmt* check = nullptr;
    if (sqlite3_prepare_v2(file.handle(), "PRAGMA integrity_check(100)", -1, &check, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(check);
        return Verdict::Damaged;
    }
    QStringList problems;
    int code = SQLITE_OK;
    while ((code = sqlite3_step(check)) == SQLITE_ROW)
        problems.append(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))));
    sqlite3_finalize(check);
    if (code != SQLITE_DONE)
        return Verdict::Damaged;
    if (problems == QStringList{QStringLiteral("ok")})
        return Verdict::Sound;
    for (const QString& problem : problems) {
        if (!problem.contains(QLatin1String("index")))
            return Verdict::Damaged;
    }
    return Verdict::IndexesOnly;
}

MaintenanceResult failed(int error, const QString& detail)
{
    return MaintenanceOutcome::failed(error, detail, MaintenanceMessages::repairFailed());
}

// Where the damaged file is kept: a name of its own, never "Llamora.bak", which holds the last
// good copy.
QString damagedFilePath(const QString& carpetaBase)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QDir folder(carpetaBase);
    QString path = folder.filePath(QStringLiteral("Llamora-averiada-%1.mdb").arg(stamp));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QStringLiteral("Llamora-averiada-%1-%2.mdb").arg(stamp).arg(n));
    return path;
}
} // namespace

MaintenanceResult ReparaBaseDatos(const QString& carpetaBase, const MaintenanceProgress& progress)
{
    const QString live = resolveFileNameCase(databasePathIn(carpetaBase));
    const auto report = [&](const QString& stage, int perMille) {
        if (progress)
            progress(stage, perMille);
    };

    report(QStringLiteral("Comprobando que nadie use la base de datos…"), -1);
    if (!QFileInfo(live).isFile())
        return failed(DatabaseError::FileNotFound, QStringLiteral("no database file"));
    ExclusivePresence exclusive;
    if (const int inUse = exclusive.acquire(live); inUse != DatabaseError::None)
        return failed(inUse, QStringLiteral("the file is in use"));

    report(QStringLiteral("Comprobando la base de datos…"), -1);
    {
        SqliteFile file;
        // Opening for writing rolls back what a workstation that died while writing left.
        if (file.open(live) == SQLITE_OK) {
            Verdict verdict = checkIntegrity(file);
            if (verdict == Verdict::IndexesOnly) {
                report(QStringLiteral("Reconstruyendo los índices…"), -1);
                if (file.exec(QStringLiteral("REINDEX")) == SQLITE_OK)
                    verdict = checkIntegrity(file);
            }
            if (verdict == Verdict::Sound)
                return MaintenanceOutcome::succeeded(MaintenanceMessages::repaired());
        }
    }

    const QString target = QDir(carpetaBase).filePath(QStringLiteral("RepLlamora.mdb"));
    // The leftover of a repair that did not finish.
    if (!removeIfPresent(target))
        return failed(DatabaseError::NoPermission, QStringLiteral("cannot remove ") + target);
    const SalvageReport saved = salvageDatabase(live, target, report);
    if (saved.tablesRead == 0) {
        removeIfPresent(target);
        return failed(DatabaseError::NotADatabase, saved.detail);
    }

    report(QStringLiteral("Poniendo en su lugar la base reparada…"), -1);
    const QString damaged = damagedFilePath(carpetaBase);
    QString why;
    if (!replaceKeepingOld(live, target, damaged, &why)) {
        removeIfPresent(target);
        return failed(DatabaseError::DiskError, why);
    }
    return MaintenanceOutcome::succeeded(
        MaintenanceMessages::repairedBySalvage(saved, QFileInfo(damaged).fileName()));
}
