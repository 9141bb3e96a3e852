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

} // namespace DesktopPlacement
