#include "database/DatabaseFile.h"

#include "database/DatabaseConnection.h"
#include "database/ServerAddress.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>

QString databaseFileName()
{
    return QStringLiteral("Llamora.mdb");
}

QString databasePathIn(const QString& folder)
{
    return folder + QLatin1Char('/') + databaseFileName();
}

QString sqliteUriOf(const QString& filePath)
{
    return QUrl::fromLocalFile(QFileInfo(filePath).absoluteFilePath()).toString(QUrl::FullyEncoded);
}

QString ourTablesCountSql()
{
    return QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                          "name IN ('Clientes', 'Llamadas')");
}

QString resolveFileNameCase(const QString& filePath)
{
    if (isServerDatabaseName(filePath))
        return filePath;
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

WriteAccess probeWriteAccess(const QString& filePath)
{
    const QFileInfo file(resolveFileNameCase(filePath));
    // Only asked, never opened: closing a descriptor of the file would drop the engine's locks
    // that this process may hold on it.
    if (!file.isWritable())
        return WriteAccess::FileNotWritable;
    // The journal is a new file beside the database: only creating one proves the folder.
    QTemporaryFile probe(file.absolutePath() + QStringLiteral("/.Llamora-escritura-XXXXXX"));
    if (!probe.open())
        return WriteAccess::FolderNotWritable;
    return WriteAccess::Writable;
}

QString writeAccessProblem(WriteAccess access, const QString& filePath)
{
    const QFileInfo file(resolveFileNameCase(filePath));
    switch (access) {
    case WriteAccess::Writable:
        break;
    case WriteAccess::FileNotWritable:
        return QStringLiteral("sin permiso de escritura en el archivo «%1»")
            .arg(QDir::toNativeSeparators(file.absoluteFilePath()));
    case WriteAccess::FolderNotWritable:
        return QStringLiteral("sin permiso de escritura en la carpeta «%1»")
            .arg(QDir::toNativeSeparators(file.absolutePath()));
    }
    return QString();
}
