#pragma once

#include "statistics/CallStatistics.h"

#include <QString>
#include <QVariantMap>

class DatabaseConnection;

// The statistics counted in one pass over the calls of the range, for an engine that groups
// rows by sorting them: a million calls are read quicker than sorted. connection is open on
// databasePath; a long range is read in two halves at once, the second on a connection of its
// own. range binds :desde and :hasta; first and last are the dates of the range's first and
// last calls. Returns 0 or the engine error number.
[[nodiscard]] int scanCalls(const QString& databasePath, DatabaseConnection& connection, int puesto,
                            const QVariantMap& range, const QString& first, const QString& last,
                            CallStatistics* statistics);
