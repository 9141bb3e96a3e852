#pragma once

#include <QDate>
#include <QList>
#include <QStringList>

class QChartView;
class QWidget;

// The figures of the statistics tab drawn with Qt Charts: each a view whose chart is replaced
// when new numbers arrive; with no numbers the chart stays empty.
namespace StatisticsCharts {
[[nodiscard]] QChartView* makeView(const char* name, const QString& title, QWidget* parent);
// Vertical bars, one per category.
void showBars(QChartView* view, const QStringList& categories, const QList<qint64>& values);
// Horizontal bars, the first category at the top (the clients who called most).
void showRanking(QChartView* view, const QStringList& categories, const QList<qint64>& values);
// A line over the days, for ranges too long for a bar each.
void showLine(QChartView* view, const QList<QDate>& days, const QList<qint64>& values);
void clear(QChartView* view);
} // namespace StatisticsCharts
