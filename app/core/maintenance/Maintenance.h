#pragma once

#include "Message.h"

#include <QString>

#include <functional>

// What compaction or repair reports while it works, from its own thread: what it is doing, and
// how much of it is done in thousandths (-1 when that cannot be told).
using MaintenanceProgress = std::function<void(const QString& stage, int perMille)>;

struct MaintenanceResult
{
    bool succeeded = false;
    // The engine error number behind a failure (3196 and 3356: the file is in use).
    int error = 0;
    // What the user is told; every outcome has one.
    Message message;
    // Why it failed, for diagnostics (English, never shown).
    QString detail;
};

// The files beside the live database, in its folder.
[[nodiscard]] QString compactionTargetPath(const QString& carpetaBase); // "NewLlamora.mdb"
[[nodiscard]] QString backupPath(const QString& carpetaBase);           // "Llamora.bak"

// Compacts the database file of the folder into "NewLlamora.mdb" and puts that in place, keeping
// the old file as "Llamora.bak". The folder's file must not be open anywhere; it stays closed to
// every workstation until this returns.
[[nodiscard]] MaintenanceResult CompactaBaseDatos(const QString& carpetaBase,
                                                  const MaintenanceProgress& progress = {});

// Repairs the database file of the folder: rebuilds damaged indexes, and when tables are damaged
// saves every readable row into a fresh file that replaces it; the damaged file is kept beside it
// under a name of its own. Same exclusive use as compaction.
[[nodiscard]] MaintenanceResult ReparaBaseDatos(const QString& carpetaBase,
                                                const MaintenanceProgress& progress = {});
