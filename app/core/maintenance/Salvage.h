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
    qint64 correctedClientes = 0; // of those, rows saved with a value made valid
    qint64 correctedLlamadas = 0;
    int damagedParts = 0; // pages and cells of the tables that could not be read
    qint64 refused = 0;   // rows read that the fresh file refused all the same
    QString detail;       // why it stopped, for diagnostics

    [[nodiscard]] bool complete() const
    {
        return tablesRead == 2 && damagedParts == 0 && refused == 0;
    }
};

// Saves every readable row of the damaged file source into target, a new file made from the
// installation's schema (indexes built after the rows). The rows are read from source's pages
// directly (see readTablesFromPages), so no damage can stop or trap the reading; a value that
// breaks a rule of the schema is made valid rather than the row dropped. source is never written.
[[nodiscard]] SalvageReport salvageDatabase(const QString& source, const QString& target,
                                            const MaintenanceProgress& progress = {});
