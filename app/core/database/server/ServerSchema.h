#pragma once

class QSqlDatabase;
#include <QStringList>

// The program's tables on a database server.
namespace ServerSchema {

// Creates the tables, indexes and the fold function in the connection's database, in one
// transaction. A database that has them already is left as it is, so it may run again.
// 0 or an engine error number; a database whose encoding is not UTF-8 is refused with 3343,
// since names could not be folded the same way as on the workstations.
[[nodiscard]] int create(QSqlDatabase& database);

// The statements of the schema, in order.
[[nodiscard]] QStringList statements();

} // namespace ServerSchema
