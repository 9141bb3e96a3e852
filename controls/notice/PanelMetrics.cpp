#include "PanelMetrics.h"

#include <QFontDatabase>
#include <QScreen>

#include <algorithm>

PanelMetrics::PanelMetrics(int twipsPerPixel)
    : m_twipsPerPixel(std::max(1, twipsPerPixel))
{}

PanelMetrics PanelMetrics::forScreen(const QScreen* screen)
{
    const qreal dpi = screen ? screen->logicalDotsPerInch() : 0.0;
    if (dpi <= 0.0)
        return PanelMetrics(15);
    return PanelMetrics(qRound(TwipsPerInch / dpi));
}

int PanelMetrics::toPixels(int twips) const
{
    return qRound(static_cast<double>(twips) / m_twipsPerPixel);
}

QRect PanelMetrics::toPixels(int left, int top, int width, int height) const
{
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

QFont panelFont(const QString& designFamily, qreal pointSize, bool bold)
{
    static const QString metricArial = QStringLiteral("Liberation Sans");
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    if (designFamily == QLatin1String("Arial") && QFontDatabase::families().contains(metricArial))
        font.setFamily(metricArial);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}
