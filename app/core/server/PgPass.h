#pragma once

#include "database/ServerAddress.h"

#include <QString>

// The password file of libpq, where a server's password lives instead of the settings: lines
// "host:port:database:user:password", ":" and "\" escaped with "\", mode 0600 (libpq ignores a
// file that others can read).
namespace PgPass {

// $PGPASSFILE when set, else ~/.pgpass: where libpq will look.
[[nodiscard]] QString filePath();

// Stores the password for exactly this host, port, database and user: the line for them is
// replaced, every other line kept as it was. The file is replaced in one step and is readable by
// this user only. False with *problem in the user's words when it could not be written.
bool store(const ServerAddress& address, const QString& password, QString* problem);

// A password given to a command: the first line of a file, or of the standard input for "-",
// so that it never shows in the command line. False when it cannot be read.
bool readFromFile(const QString& path, QString* password);

// One field as the file writes it.
[[nodiscard]] QString escaped(const QString& field);

} // namespace PgPass
