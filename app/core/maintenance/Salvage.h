#pragma once

#include "maintenance/Maintenance.h"

#include <QString>
#include <QtGlobal>

// What a salvage saved from a damaged database file.
struct SalvageReport
{
    int tablesRead = 0;  // of Clientes and Llamadas, those with at least one readable part
    qint64 clientes = 0; // rows saved
    qint64 llamadas = 0;
    int damagedParts = 0; // places where reading failed and was taken up again further on
    bool headerRestored = false;
    QString detail; // why it stopped, for diagnostics

    [[nodiscard]] bool complete() const { return tablesRead == 2 && damagedParts == 0; }
};

// Saves every readable row of the damaged file source into target, a new file made from the
// installation's schema (indexes built after the rows). Each table is read in key order; where a
// page fails, reading takes up again at the first key past the damage, found by probing ever
// further ahead and then narrowing back. A file whose first 100 bytes are damaged is read through
// a copy, scratch, with a rebuilt header. source is never written.
[[nodiscard]] SalvageReport salvageDatabase(const QString& source, const QString& target,
                                            const QString& scratch,
                                            const MaintenanceProgress& progress = {});
