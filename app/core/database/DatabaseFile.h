#pragma once

#include <QString>

// The live database file of a folder: folder + "/Llamora.mdb".
[[nodiscard]] QString databaseFileName();
[[nodiscard]] QString databasePathIn(const QString& folder);

// Opens the file shared and read-only and closes it at once, never creating it.
// Returns 0, or 3024 (no such file), 3044 (no such folder), 3343 (damaged or not our database)
// or another engine error number. The file name is matched without regard to case, so
// "llamora.mdb" finds "Llamora.mdb".
[[nodiscard]] int probeDatabaseFile(const QString& filePath);

// The existing file that filePath names, matching its file name without regard to case; filePath
// itself when nothing matches.
[[nodiscard]] QString resolveFileNameCase(const QString& filePath);
