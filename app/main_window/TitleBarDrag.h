#pragma once

#include <QPoint>

#include <optional>

// Dragging the window by its title bar: each move shifts the window by the cursor's travel
// since the last move, converted to twips with the window's twips-per-pixel factors.
class TitleBarDrag
{
public:
    void press(const QPoint& cursorPixels)
    {
        m_last = cursorPixels;
        m_dragging = true;
    }

    // The shift in twips to apply to the window's left and top, or nothing when no drag runs.
    [[nodiscard]] std::optional<QPoint> move(const QPoint& cursorPixels, int twipsPerPixelX,
                                             int twipsPerPixelY)
    {
        if (!m_dragging)
            return std::nullopt;
        const QPoint shift((cursorPixels.x() - m_last.x()) * twipsPerPixelX,
                           (cursorPixels.y() - m_last.y()) * twipsPerPixelY);
        m_last = cursorPixels;
        return shift;
    }

    void release() { m_dragging = false; }
    [[nodiscard]] bool isDragging() const { return m_dragging; }

private:
    bool m_dragging = false;
    QPoint m_last;
};
