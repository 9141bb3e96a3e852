#pragma once

#include "ProgramInfo.h"

#include <QStandardPaths>
#include <QString>

// The program's own folder in the user's data home ("<data home>/Llamora"): desktop notes, their
// list and the outbox of calls waiting for the database all live under it.
[[nodiscard]] inline QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + ProgramInfo::title();
}
