#include "database/DatabaseFile.h"

#include "database/DatabaseConnection.h"

#include <QDir>
#include <QFileInfo>

QString databaseFileName()
{
    return QStringLiteral("Llamora.mdb");
}

QString databasePathIn(const QString& folder)
{
    return folder + QLatin1Char('/') + databaseFileName();
}

QString resolveFileNameCase(const QString& filePath)
{
    const QFileInfo info(filePath);
    if (info.exists())
        return filePath;
    const QDir folder = info.dir();
    if (!folder.exists())
        return filePath;
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0)
            return folder.filePath(entry);
    }
    return filePath;
}

int probeDatabaseFile(const QString& filePath)
{
    DatabaseConnection connection;
    const int error =
        connection.open(resolveFileNameCase(filePath), DatabaseConnection::Access::ReadOnly,
                        DatabaseConnection::defaultBusyTimeoutMs, false);
    connection.close();
    return error;
}
