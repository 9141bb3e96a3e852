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

// The file as an SQLite URI (absolute and percent-encoded), for the caller to add its
// parameters to.
[[nodiscard]] QString sqliteUriOf(const QString& filePath);

// A query giving how many of the program's two tables (Clientes, Llamadas) a file holds: a file
// with both is one of ours.
[[nodiscard]] QString ourTablesCountSql();

// The existing file that filePath names, matching its file name without regard to case; filePath
// itself when nothing matches.
[[nodiscard]] QString resolveFileNameCase(const QString& filePath);

// Whether this user may change a database file: the file itself must be writable, and so must
// its folder, where the engine writes the journal of every change. A file that only opens for
// reading passes every open and then logs no call.
enum class WriteAccess
{
    Writable,
    FileNotWritable,
    FolderNotWritable,
};
// Proves it: asks the system about the file, and creates (and removes) a file in the folder.
[[nodiscard]] WriteAccess probeWriteAccess(const QString& filePath);
// What the user reads about a file that cannot be written, naming the file or the folder:
// "sin permiso de escritura en ..."; empty for a writable one.
[[nodiscard]] QString writeAccessProblem(WriteAccess access, const QString& filePath);
