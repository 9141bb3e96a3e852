#pragma once

#include "statistics/CallStatistics.h"

#include <QWidget>

class ClientEditorOpener;
class DateBox;
class QChartView;
class QComboBox;
class QLabel;
class QPushButton;

// The browser's tab of figures: for a range of days and a workstation (or all), the calls per
// day, by hour of the day, by day of the week and per workstation, and the ten clients who
// called most; a double click on one of them opens that client's record. The numbers are read
// off the user-interface thread.
class StatisticsTab : public QWidget
{
    Q_OBJECT

public:
    StatisticsTab(QString databasePath, ClientEditorOpener* editor, QWidget* parent = nullptr);

    // Takes the range and the workstation ("Todos" is 0) and shows their figures.
    void showRange(const QDate& desde, const QDate& hasta, int puesto);
    [[nodiscard]] const CallStatistics& statistics() const { return m_statistics; }
    [[nodiscard]] QPushButton* defaultButton() const { return m_cmdVerEstadisticas; }

public slots:
    void cmdVerEstadisticas_Click();
    // The client of a bar of the ranking, its most calling first.
    void openClient(int rank);

private:
    void showFigures();

    QString m_databasePath;
    ClientEditorOpener* m_editor = nullptr;
    CallStatistics m_statistics;

    DateBox* m_mskDesde = nullptr;
    DateBox* m_mskHasta = nullptr;
    QComboBox* m_cboPuesto = nullptr;
    QPushButton* m_cmdVerEstadisticas = nullptr;
    QLabel* m_lblTotal = nullptr;
    QLabel* m_lblSinLlamadas = nullptr;
    QChartView* m_chtPorDia = nullptr;
    QChartView* m_chtPorHora = nullptr;
    QChartView* m_chtPorDiaSemana = nullptr;
    QChartView* m_chtPorPuesto = nullptr;
    QChartView* m_chtMasLlamaron = nullptr;
};
