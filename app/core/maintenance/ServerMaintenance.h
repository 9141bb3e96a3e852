#pragma once

#include "maintenance/Maintenance.h"

// Compaction and repair when the data is on the office's server. The server keeps its own
// files, so there is nothing to copy or replace: compaction has the server reclaim the room of
// deleted rows and refresh its statistics (VACUUM (ANALYZE)), and the repair reads every row and
// reports what it found without changing anything. Workstations may keep working meanwhile.
// databaseName is the server's (ServerAddress::toDatabaseName()).

[[nodiscard]] MaintenanceResult compactServerDatabase(const QString& databaseName,
                                                      const MaintenanceProgress& progress = {});
[[nodiscard]] MaintenanceResult checkServerDatabase(const QString& databaseName,
                                                    const MaintenanceProgress& progress = {});
