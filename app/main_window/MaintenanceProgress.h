#pragma once

#include "maintenance/Maintenance.h"

#include <QString>

#include <functional>

class QWidget;

// Runs compaction or repair on a thread of its own behind a modal progress dialog, with the
// hourglass, so the windows keep repainting and the user sees the work moving; returns its
// result once done. The dialog cannot be closed meanwhile: the work has no safe point at which
// to stop.
MaintenanceResult
runWithProgress(QWidget* parent, const QString& caption,
                const std::function<MaintenanceResult(const MaintenanceProgress& progress)>& work);
