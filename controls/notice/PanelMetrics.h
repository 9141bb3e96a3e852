#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QScreen;

// Turns the panel's design measures, in twips (1/1440 inch), into pixels of a screen.
class PanelMetrics
{
public:
    static constexpr int TwipsPerInch = 1440;

    explicit PanelMetrics(int twipsPerPixel);
    // 1440 over the screen's logical DPI, rounded; 15 (96 DPI) when there is no screen.
    [[nodiscard]] static PanelMetrics forScreen(const QScreen* screen);

    [[nodiscard]] int twipsPerPixel() const { return m_twipsPerPixel; }
    [[nodiscard]] int toPixels(int twips) const;
    [[nodiscard]] QRect toPixels(int left, int top, int width, int height) const;

private:
    int m_twipsPerPixel;
};

// The font for a design family: "Arial" becomes the metric-compatible Liberation Sans where it is
// installed, anything else (and Arial without it) the desktop's default sans.
[[nodiscard]] QFont panelFont(const QString& designFamily, qreal pointSize, bool bold);
