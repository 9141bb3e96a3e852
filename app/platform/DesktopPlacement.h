#pragma once

#include <QList>
#include <QRect>

class QWidget;

// Where desktop notes go on the screen, and how they stay on the desktop.
namespace DesktopPlacement {

// Asks the window manager to show the window on every workspace. Does nothing where the
// desktop has no such notion (or no window manager): the note then stays on the one it is on.
void showOnAllWorkspaces(QWidget* window);

// A place of this size inside area that overlaps none of taken: columns from the area's right
// edge leftwards, each filled from the top. When the area is full, the first place is reused.
[[nodiscard]] QRect freePlace(const QRect& area, const QSize& size, const QList<QRect>& taken);

// A place kept from an earlier run, made fit for the screens there are now (a monitor gone, a
// damaged list): its size within smallest and largest and no larger than the screen, and its
// top strip of titleHeight wholly on one screen, so the note can be seen and moved. A place
// that already meets this stays where it is. The first of screens stands in when none is near.
[[nodiscard]] QRect reachablePlace(const QRect& place, const QList<QRect>& screens,
                                   const QSize& smallest, const QSize& largest, int titleHeight);

} // namespace DesktopPlacement
