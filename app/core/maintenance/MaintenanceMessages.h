#pragma once

#include "Message.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// The messages of compaction and repair.
namespace MaintenanceMessages {
// Shown before either starts.
[[nodiscard]] Message closeOtherWorkstations();
// 3196 or 3356 (the file is in use); empty for any other number.
[[nodiscard]] std::optional<Message> inUse(int errorNumber);
[[nodiscard]] Message compacted();
[[nodiscard]] Message compactionFailed();
[[nodiscard]] Message repaired();
// Repaired, but rows on damaged parts of the file could not be read.
[[nodiscard]] Message repairedWithLosses(qint64 clientes, qint64 llamadas,
                                         const QString& damagedFileName);
[[nodiscard]] Message repairFailed();
// Attaching the main window again found no database it could open.
[[nodiscard]] Message cannotAttachAgain(const QString& databasePath, int errorNumber);
} // namespace MaintenanceMessages
