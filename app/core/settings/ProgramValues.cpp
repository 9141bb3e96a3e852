#include "settings/ProgramValues.h"

#include "database/DatabaseFile.h"

#include <algorithm>
#include <cmath>

QString ProgramValues::databasePath() const
{
    // Every part of the program opens what this names, the file or the server alike.
    if (Servidor.isSet())
        return Servidor.toDatabaseName();
    return databasePathIn(CarpetaBase);
}

QString packagedDataFolder()
{
    return QStringLiteral("/var/lib/llamora");
}

QString carpetaBaseFrom(const QString& storedFolder, const QString& programFolder)
{
    return storedFolder.isEmpty() ? programFolder : storedFolder;
}

qint16 numeroPuestoFrom(const QString& storedPuesto)
{
    bool ok = false;
    const int value = storedPuesto.trimmed().toInt(&ok);
    if (!ok || value <= 0 || value > 32767)
        return 1;
    return static_cast<qint16>(value);
}

int twipsPerPixel(double logicalDpi)
{
    if (!(logicalDpi > 0.0) || !std::isfinite(logicalDpi))
        return 15;
    return std::max(1, static_cast<int>(std::lround(1440.0 / logicalDpi)));
}
