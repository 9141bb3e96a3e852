#pragma once

#include <QString>
#include <QVariant>

// Reads and prepares a Llamora.mdb file (or a server's database, named as the program names it)
// the way another program would: a fresh connection for each statement, closed at once, so the
// program under test is never kept waiting.
namespace ProgramDatabase {

// The first column of the first row; an invalid QVariant when the statement fails.
QVariant scalar(const QString& databasePath, const QString& sql);
// The first column as a whole number (0 when the statement fails).
int count(const QString& databasePath, const QString& sql);
// How many calls the client with this telephone has in the log.
int callsOf(const QString& databasePath, const QString& telefono);
// Runs a changing statement; false when it fails.
bool execute(const QString& databasePath, const QString& sql);
// Adds a client with these details and `calls` earlier calls (CantLlamadas agreeing); a null
// QVariant leaves a text Null. Returns its IdCliente, 0 when it fails.
qint64 addClient(const QString& databasePath, const QString& telefono, const QVariant& nombre,
                 bool alerta, int calls, const QVariant& domicilio = {},
                 const QVariant& observaciones = {});

} // namespace ProgramDatabase
