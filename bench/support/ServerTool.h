#pragma once

#include "database/ServerAddress.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

// Runs llamora-servidor (built beside the benchmarks) on a server database, as a technician
// would: "crear", or "migrar" and a file. True when it ended well.
inline bool runServerTool(const ServerAddress& address, const QStringList& command)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/llamora-servidor"),
               QStringList{QStringLiteral("--equipo"), address.host, QStringLiteral("--puerto"),
                           QString::number(address.port), QStringLiteral("--base"),
                           address.database, QStringLiteral("--usuario"), address.user} +
                   command);
    return tool.waitForFinished(600000) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}
