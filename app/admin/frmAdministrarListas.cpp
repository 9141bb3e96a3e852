#include "DataGridModel.h"
#include "DateBox.h"
#include "database/DataControl.h"
#include "export/ListOutput.h"
#include "frmAdministrar.h"
#include "statistics/StatisticsTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

// The lists outside the program (their export to a spreadsheet file and their print) and the
// statistics tab.

void frmAdministrar::cmdExportar_Click()
{
    ListOutput::exportList(this, *m_datLlamadas, m_llamadasModel->columns(),
                           QStringLiteral("llamadas.csv"));
}

void frmAdministrar::cmdExportarC_Click()
{
    ListOutput::exportList(this, *m_datClientes, m_clientesModel->columns(),
                           QStringLiteral("clientes.csv"));
}

void frmAdministrar::cmdImprimir_Click()
{
    ListOutput::printList(this, *m_datLlamadas, m_llamadasModel->columns(),
                          {QStringLiteral("Llamadas por puesto"),
                           ListOutput::describeCalls(m_datLlamadas->recordSource())});
}

void frmAdministrar::cmdImprimirC_Click()
{
    ListOutput::printList(this, *m_datClientes, m_clientesModel->columns(),
                          {QStringLiteral("Clientes"), clientsDescription()});
}

QString frmAdministrar::clientsDescription() const
{
    if (!m_datClientes->recordSource().isValid())
        return QStringLiteral("Lista vacía");
    QString description;
    switch (m_filterField) {
    case ClientFilterField::Nombre:
        description = QStringLiteral("Nombre");
        break;
    case ClientFilterField::Domicilio:
        description = QStringLiteral("Domicilio");
        break;
    case ClientFilterField::Telefono:
        description = QStringLiteral("Teléfono");
        break;
    case ClientFilterField::Ninguno:
        description = QStringLiteral("Todos los clientes");
        break;
    }
    if (m_filterField != ClientFilterField::Ninguno)
        description += QStringLiteral(" con «") + m_filterText + QStringLiteral("»");
    if (m_onlyWithCalls)
        description += QStringLiteral(", sólo los que llamaron");
    return description;
}

void frmAdministrar::enterStatistics()
{
    m_statistics->defaultButton()->setDefault(true);
    if (m_statisticsShown)
        return;
    // The first time, the figures of the calls tab's range and workstation (or of the last
    // thirty days when it lists every date).
    m_statisticsShown = true;
    const QDate today = QDate::currentDate();
    const bool range =
        m_chkFiltro->isChecked() && m_mskDesde->hasValidDate() && m_mskHasta->hasValidDate();
    m_statistics->showRange(range ? m_mskDesde->date() : today.addDays(-29),
                            range ? m_mskHasta->date() : today, m_cboPuesto->currentIndex());
}
