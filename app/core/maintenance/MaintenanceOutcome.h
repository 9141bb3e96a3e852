#pragma once

#include "maintenance/Maintenance.h"

// The results compaction and repair hand back.
namespace MaintenanceOutcome {
// A failure with the engine error behind it: the in-use message for 3196 or 3356, otherwise
// failureMessage. No error number at all still reports the engine's reserved error.
[[nodiscard]] MaintenanceResult failed(int error, const QString& detail,
                                       const Message& failureMessage);
[[nodiscard]] MaintenanceResult succeeded(const Message& message);
} // namespace MaintenanceOutcome
