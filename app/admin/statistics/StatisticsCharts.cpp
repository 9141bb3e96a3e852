#include "StatisticsCharts.h"

#include "database/DateText.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>

namespace {
// A value axis from 0 to a little over the largest value, in whole numbers.
QValueAxis* countAxis(const QList<qint64>& values)
{
    auto* axis = new QValueAxis;
    const qint64 largest = values.isEmpty() ? 0 : *std::max_element(values.cbegin(), values.cend());
    axis->setRange(0, std::max<qint64>(largest + largest / 10, 1));
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->applyNiceNumbers();
    return axis;
}

// A fresh chart in the view, with the title of the old one.
QChart* freshChart(QChartView* view)
{
    QChart* old = view->chart();
    auto* chart = new QChart;
    chart->setTitle(old->title());
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setAnimationOptions(QChart::NoAnimation);
    view->setChart(chart);
    delete old;
    return chart;
}

QBarSet* barSet(const QList<qint64>& values)
{
    auto* set = new QBarSet(QStringLiteral("Llamadas"));
    for (const qint64 value : values)
        set->append(static_cast<qreal>(value));
    return set;
}
} // namespace

namespace StatisticsCharts {

QChartView* makeView(const char* name, const QString& title, QWidget* parent)
{
    auto* view = new QChartView(parent);
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(240, 170);
    view->chart()->setTitle(title);
    view->chart()->legend()->hide();
    return view;
}

void showBars(QChartView* view, const QStringList& categories, const QList<qint64>& values)
{
    QChart* chart = freshChart(view);
    auto* series = new QBarSeries;
    series->append(barSet(values));
    chart->addSeries(series);
    auto* axisX = new QBarCategoryAxis;
    axisX->append(categories);
    // Small labels, on end when there are many, so that each stays readable.
    QFont font = axisX->labelsFont();
    font.setPointSizeF(font.pointSizeF() * 0.8);
    axisX->setLabelsFont(font);
    if (categories.size() > 12)
        axisX->setLabelsAngle(-90);
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
    QValueAxis* axisY = countAxis(values);
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);
}

void showRanking(QChartView* view, const QStringList& categories, const QList<qint64>& values)
{
    QChart* chart = freshChart(view);
    // The axis draws its first category at the bottom: the list goes in reversed.
    QStringList bottomUp = categories;
    std::reverse(bottomUp.begin(), bottomUp.end());
    QList<qint64> reversed = values;
    std::reverse(reversed.begin(), reversed.end());
    auto* series = new QHorizontalBarSeries;
    series->append(barSet(reversed));
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsInsideEnd);
    chart->addSeries(series);
    auto* axisY = new QBarCategoryAxis;
    axisY->append(bottomUp);
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);
    QValueAxis* axisX = countAxis(values);
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
}

void showLine(QChartView* view, const QList<QDate>& days, const QList<qint64>& values)
{
    QChart* chart = freshChart(view);
    auto* series = new QLineSeries;
    for (int i = 0; i < days.size(); ++i)
        series->append(static_cast<qreal>(days.at(i).startOfDay().toMSecsSinceEpoch()),
                       static_cast<qreal>(values.value(i)));
    chart->addSeries(series);
    auto* axisX = new QDateTimeAxis;
    axisX->setFormat(DateText::shortDateFormat());
    axisX->setTickCount(5);
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
    QValueAxis* axisY = countAxis(values);
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);
}

void clear(QChartView* view)
{
    freshChart(view);
}

} // namespace StatisticsCharts
