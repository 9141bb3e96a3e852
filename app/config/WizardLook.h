#pragma once

#include <QColor>
#include <QFont>
#include <QLatin1String>
#include <QPalette>
#include <QWidget>

// What the wizard's parts share: its list sizes, the port entries' prefix and its colours.
namespace wizard {

inline constexpr int portCount = 16;
inline constexpr int workstationCount = 10;
inline constexpr int defaultPort = 4;
inline constexpr int explanationWidth = 230;

inline const QLatin1String portPrefix("Com");

// The wizard's colours, as the program always drew them.
inline const QColor headingColour(0xC0, 0x00, 0x00);
inline const QColor explanationColour(0x00, 0x00, 0xFF);
inline const QColor detectedColour(0x00, 0x80, 0x00);
inline const QColor notDetectedColour(0xFF, 0x00, 0x00);

inline void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

inline void makeBold(QWidget* widget)
{
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

} // namespace wizard
