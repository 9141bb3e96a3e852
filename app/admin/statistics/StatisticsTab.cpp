#include "StatisticsTab.h"

#include "ClientEditorOpener.h"
#include "DateBox.h"
#include "MessageBox.h"
#include "StatisticsCharts.h"
#include "WaitCursor.h"
#include "WorkerThread.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

namespace {
// Up to about two months the days are bars; beyond, a line.
constexpr int mostDayBars = 62;

template <typename T>
T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QList<qint64> listOf(const auto& values)
{
    return QList<qint64>(values.cbegin(), values.cend());
}
} // namespace

StatisticsTab::StatisticsTab(QString databasePath, ClientEditorOpener* editor, QWidget* parent)
    : QWidget(parent)
    , m_databasePath(std::move(databasePath))
    , m_editor(editor)
{
    auto* lblDesde = new QLabel(QStringLiteral("Desde"), this);
    m_mskDesde = named(new DateBox(false, this), "mskDesdeEstadisticas");
    lblDesde->setBuddy(m_mskDesde);
    auto* lblHasta = new QLabel(QStringLiteral("Hasta"), this);
    m_mskHasta = named(new DateBox(false, this), "mskHastaEstadisticas");
    lblHasta->setBuddy(m_mskHasta);
    auto* lblPuesto = new QLabel(QStringLiteral("Puesto"), this);
    m_cboPuesto = named(new QComboBox(this), "cboPuestoEstadisticas");
    m_cboPuesto->addItem(QStringLiteral("Todos"));
    for (int puesto = 1; puesto <= 10; ++puesto)
        m_cboPuesto->addItem(QString::number(puesto));
    lblPuesto->setBuddy(m_cboPuesto);
    m_cmdVerEstadisticas =
        named(new QPushButton(QStringLiteral("Mostrar"), this), "cmdVerEstadisticas");
    m_lblTotal = named(new QLabel(this), "lblTotalEstadisticas");
    m_lblSinLlamadas = named(new QLabel(QStringLiteral("No hay llamadas en esas fechas."), this),
                             "lblSinLlamadas");
    m_lblSinLlamadas->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    m_lblSinLlamadas->hide();

    auto* controls = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{lblDesde, m_mskDesde, lblHasta,
                                                           m_mskHasta, lblPuesto, m_cboPuesto})
        controls->addWidget(widget);
    controls->addWidget(m_lblTotal);
    controls->addWidget(m_lblSinLlamadas);
    controls->addStretch();
    controls->addWidget(m_cmdVerEstadisticas);

    m_chtPorDia = StatisticsCharts::makeView("chtPorDia", QStringLiteral("Llamadas por día"), this);
    m_chtPorHora =
        StatisticsCharts::makeView("chtPorHora", QStringLiteral("Por hora del día"), this);
    m_chtPorDiaSemana =
        StatisticsCharts::makeView("chtPorDiaSemana", QStringLiteral("Por día de la semana"), this);
    m_chtPorPuesto = StatisticsCharts::makeView("chtPorPuesto", QStringLiteral("Por puesto"), this);
    m_chtMasLlamaron = StatisticsCharts::makeView(
        "chtMasLlamaron", QStringLiteral("Los diez clientes que más llamaron"), this);
    m_chtMasLlamaron->setToolTip(QStringLiteral("Doble clic en una barra abre la ficha del "
                                                "cliente."));

    auto* figures = new QGridLayout;
    figures->addWidget(m_chtPorDia, 0, 0, 1, 2);
    figures->addWidget(m_chtMasLlamaron, 0, 2);
    figures->addWidget(m_chtPorHora, 1, 0);
    figures->addWidget(m_chtPorDiaSemana, 1, 1);
    figures->addWidget(m_chtPorPuesto, 1, 2);
    for (int column = 0; column < 3; ++column)
        figures->setColumnStretch(column, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(figures, 1);

    connect(m_cmdVerEstadisticas, &QPushButton::clicked, this,
            &StatisticsTab::cmdVerEstadisticas_Click);
}

void StatisticsTab::showRange(const QDate& desde, const QDate& hasta, int puesto)
{
    m_mskDesde->setDate(desde);
    m_mskHasta->setDate(hasta);
    m_cboPuesto->setCurrentIndex(std::clamp(puesto, 0, 10));
    cmdVerEstadisticas_Click();
}

void StatisticsTab::cmdVerEstadisticas_Click()
{
    if (!acceptDateRange(this, m_mskDesde, m_mskHasta))
        return;
    const QDate desde = m_mskDesde->date();
    const QDate hasta = m_mskHasta->date();
    const int puesto = m_cboPuesto->currentIndex();
    CallStatistics statistics;
    {
        const WaitCursor hourglass;
        // The window keeps painting meanwhile; a second click cannot start another reading.
        runOffUiThread(
            [&] { statistics = CallStatistics::read(m_databasePath, desde, hasta, puesto); },
            QEventLoop::ExcludeUserInputEvents);
    }
    m_statistics = statistics;
    if (statistics.error != DatabaseError::None) {
        m_statistics = CallStatistics();
        showFigures();
        MessageBox::show(this, technicalSupportMessage(statistics.error));
        return;
    }
    showFigures();
}

void StatisticsTab::showFigures()
{
    const CallStatistics& s = m_statistics;
    const bool empty = s.total == 0;
    m_lblSinLlamadas->setVisible(empty);
    m_lblTotal->setText(empty ? QString() : QString::number(s.total) + QStringLiteral(" llamadas"));
    if (empty) {
        for (QChartView* view :
             {m_chtPorDia, m_chtPorHora, m_chtPorDiaSemana, m_chtPorPuesto, m_chtMasLlamaron})
            StatisticsCharts::clear(view);
        return;
    }
    if (s.days.size() <= mostDayBars) {
        QStringList days;
        for (const QDate& day : s.days)
            days << QLocale().toString(day, QStringLiteral("dd/MM"));
        StatisticsCharts::showBars(m_chtPorDia, days, s.callsPerDay);
    } else {
        StatisticsCharts::showLine(m_chtPorDia, s.days, s.callsPerDay);
    }
    QStringList hours;
    for (int hour = 0; hour < 24; ++hour)
        hours << QString::number(hour);
    StatisticsCharts::showBars(m_chtPorHora, hours, listOf(s.byHour));
    QStringList weekdays;
    for (int day = 1; day <= 7; ++day)
        weekdays << QLocale().dayName(day, QLocale::ShortFormat);
    StatisticsCharts::showBars(m_chtPorDiaSemana, weekdays, listOf(s.byWeekday));
    QStringList puestos;
    for (const int puesto : s.perWorkstation.keys())
        puestos << QString::number(puesto);
    StatisticsCharts::showBars(m_chtPorPuesto, puestos, listOf(s.perWorkstation.values()));
    QStringList clients;
    QList<qint64> calls;
    for (const CallStatistics::ClientCalls& client : s.topClients) {
        clients << (client.nombre.isEmpty() ? client.telefono : client.nombre);
        calls << client.calls;
    }
    StatisticsCharts::showRanking(m_chtMasLlamaron, clients, calls);
    const auto sets = m_chtMasLlamaron->chart()->series();
    if (auto* series = qobject_cast<QAbstractBarSeries*>(sets.value(0))) {
        // The bars go in bottom up: the last bar is the client who called most.
        const auto count = static_cast<int>(s.topClients.size());
        connect(series, &QAbstractBarSeries::doubleClicked, this,
                [this, count](int index, QBarSet*) { openClient(count - 1 - index); });
    }
}

void StatisticsTab::openClient(int rank)
{
    if (m_editor == nullptr || rank < 0 || rank >= m_statistics.topClients.size())
        return;
    DataControl datClientes;
    datClientes.setDatabaseName(m_databasePath);
    datClientes.setRecordSource(Statements::clientsTable());
    int error = datClientes.refresh();
    if (error == DatabaseError::None)
        error = datClientes.seek(m_statistics.topClients.at(rank).idCliente);
    if (error != DatabaseError::None) {
        // Deleted by another workstation since the figures were read, or unreadable.
        MessageBox::show(this, conflictMessage(error));
        return;
    }
    m_editor->openClientEditor(2, datClientes, window());
}
