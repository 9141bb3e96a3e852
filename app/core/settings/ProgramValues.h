#pragma once

#include "database/ServerAddress.h"

#include <QString>
#include <QtGlobal>

// Values the program holds for the whole run, set at start-up and when the main window loads.
struct ProgramValues
{
    QString programFolder;
    QString CarpetaBase;    // folder of the database file, without a closing separator
    ServerAddress Servidor; // the office's database server; when set, CarpetaBase is not used
    qint16 NumeroPuesto = 0;
    int twipsPerPixelX = 15;
    int twipsPerPixelY = 15;

    // CarpetaBase + "/Llamora.mdb", or the server's database name when Servidor is set.
    [[nodiscard]] QString databasePath() const;
};

// The shared data folder that the Debian package creates for every user of the workstation
// (group "llamora", group-writable, set-group-id).
[[nodiscard]] QString packagedDataFolder();
// The stored "Base de datos", or the program folder when that is empty.
[[nodiscard]] QString carpetaBaseFrom(const QString& storedFolder, const QString& programFolder);
// The stored "Puesto"; 1 when it is missing, 0, negative or not a 16-bit number.
[[nodiscard]] qint16 numeroPuestoFrom(const QString& storedPuesto);
// 1440 / logical DPI, rounded (15 at 96 DPI); 15 for a DPI that makes no sense.
[[nodiscard]] int twipsPerPixel(double logicalDpi);
