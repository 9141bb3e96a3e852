#pragma once

#include "Message.h"
#include "maintenance/Salvage.h"

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
// Repaired by saving the rows into a fresh file: the plain message when every part was read and
// no value had to change; otherwise what was saved, what could not be read, and how many rows
// were kept with a value made valid.
[[nodiscard]] Message repairedBySalvage(const SalvageReport& saved, const QString& damagedFileName);
[[nodiscard]] Message repairFailed();
// Attaching the main window again found no database it could open: says why, from the file's
// state and the error.
[[nodiscard]] Message cannotAttachAgain(const QString& databasePath, int errorNumber);
} // namespace MaintenanceMessages
