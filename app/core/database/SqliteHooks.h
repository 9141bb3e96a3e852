#pragma once

#include <QElapsedTimer>

class QSqlDatabase;
struct sqlite3;

// What the program adds to the SQLite connection under a QtSql one.

// The SQLite handle behind a QtSql connection; nullptr when its driver is not SQLite's.
[[nodiscard]] sqlite3* sqliteHandle(const QSqlDatabase& database);

// Registers llamora_fold(text) on the connection; false when it could not.
bool registerFoldFunction(const QSqlDatabase& database);

// How long a connection has waited for another workstation's lock, and for how long it may.
struct BusyWait
{
    int timeoutMs = 0;
    QElapsedTimer waited;
};

// Makes the connection wait for a lock by trying again every few milliseconds, fairly, until
// wait's timeout. wait must outlive the connection's use.
void installBusyWait(const QSqlDatabase& database, BusyWait* wait);
