#pragma once

#include "Message.h"

class QSqlError;

// The engine error numbers the program acts on. Every SQLite or server condition is turned into
// one of these by errorNumberFor(), in this one place.
namespace DatabaseError {
inline constexpr int None = 0;
inline constexpr int RowLocked = 3260;         // another workstation holds the write lock
inline constexpr int RowChanged = 3197;        // the row changed after it was read
inline constexpr int NoCurrentRow = 3021;      // no current row
inline constexpr int RowDeleted = 3167;        // the row has been deleted
inline constexpr int FileNotFound = 3024;      // the database file does not exist
inline constexpr int PathNotFound = 3044;      // its folder does not exist or cannot be reached
inline constexpr int InUseHere = 3196;         // open elsewhere at this workstation
inline constexpr int InUseElsewhere = 3356;    // open at another workstation
inline constexpr int NotADatabase = 3343;      // damaged, or not a database of ours
inline constexpr int NoPermission = 3051;      // the file or folder cannot be written or read
inline constexpr int ReadOnly = 3027;          // the set or the database cannot be changed
inline constexpr int DuplicateValue = 3022;    // the row would repeat a value that must be unique
inline constexpr int FieldNotUpdatable = 3164; // the field cannot be written (the automatic key)
inline constexpr int ItemNotFound = 3265;      // no field of that name
inline constexpr int DiskFull = 3026;          // no room left on the disk
inline constexpr int DiskError = 3043;         // disk or network error
inline constexpr int ValueNotAllowed = 3317;   // a value breaks a rule of the table (length, form)
inline constexpr int ReservedError = 3000;     // anything else
} // namespace DatabaseError

// The engine error number for a failed QtSql operation on the database (0 when there is none).
[[nodiscard]] int errorNumberFor(const QSqlError& error);
// The same from a database server's SQLSTATE ("55P03").
[[nodiscard]] int errorNumberForSqlState(const QString& sqlState);
// The same from a SQLite primary result code.
[[nodiscard]] int errorNumberForSqliteCode(int sqliteCode);

// The conflict table's message for an error number: 3260, 3197 and 3021/3167 have their own
// text with the information icon; any other number gives the technical-support message with the
// critical icon.
[[nodiscard]] Message conflictMessage(int errorNumber);
// "Comunique a la asistencia técnica el error: " + the number, critical icon.
[[nodiscard]] Message technicalSupportMessage(int errorNumber);
