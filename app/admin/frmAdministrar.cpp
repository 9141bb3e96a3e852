#include "frmAdministrar.h"

#include "DataGridModel.h"
#include "DateBox.h"
#include "MessageBox.h"
#include "ProgramInfo.h"
#include "SplitGrid.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "frmEliminar.h"
#include "statistics/StatisticsTab.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

frmAdministrar::frmAdministrar(const QString& databasePath, ClientEditorOpener* editor,
                               QWidget* parent)
    : QDialog(parent)
    , m_editor(editor)
    , m_datLlamadas(new DataControl(this))
    , m_datClientes(new DataControl(this))
    , m_datLlamadasCli(new DataControl(this))
{
    setObjectName(QStringLiteral("frmAdministrar"));
    m_datLlamadas->setObjectName(QStringLiteral("datLlamadas"));
    m_datClientes->setObjectName(QStringLiteral("datClientes"));
    m_datLlamadasCli->setObjectName(QStringLiteral("datLlamadasCli"));
    // The call lists are snapshots; the client list can be changed (deleting a client).
    m_datLlamadas->setReadOnly(true);
    m_datLlamadasCli->setReadOnly(true);

    m_SSTab1 = new QTabWidget(this);
    m_SSTab1->setObjectName(QStringLiteral("SSTab1"));
    auto* callsTab = new QWidget;
    auto* clientsTab = new QWidget;
    buildCallsTab(callsTab);
    buildClientsTab(clientsTab);
    m_SSTab1->addTab(callsTab, QStringLiteral("&Llamadas por puesto"));
    m_SSTab1->addTab(clientsTab, QStringLiteral("&Clientes"));
    m_statistics = new StatisticsTab(databasePath, editor);
    m_statistics->setObjectName(QStringLiteral("tabEstadisticas"));
    m_SSTab1->addTab(m_statistics, QStringLiteral("Est&adísticas"));
    m_cmdCerrar = new QPushButton(QStringLiteral("Cerrar"), this);
    m_cmdCerrar->setObjectName(QStringLiteral("cmdCerrar"));
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(m_cmdCerrar);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_SSTab1, 1);
    layout->addLayout(closeRow);
    resize(900, 560);

    connectHandlers();
    Form_Load(databasePath);
}

frmAdministrar::~frmAdministrar() = default;

void frmAdministrar::Form_Load(const QString& databasePath)
{
    setWindowTitle(ProgramInfo::title() + QStringLiteral(" v ") + ProgramInfo::versionText());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    DivideGrillaClientes();

    m_cboPuesto->addItem(QStringLiteral("Todos"));
    for (int puesto = 1; puesto <= 10; ++puesto)
        m_cboPuesto->addItem(QString::number(puesto));
    m_cboPuesto->setCurrentIndex(0);

    const QDate today = QDate::currentDate();
    m_mskDesde->setDate(today.addDays(-1));
    m_mskHasta->setDate(today);

    int error = DatabaseError::None;
    for (DataControl* control : {m_datLlamadasCli, m_datClientes, m_datLlamadas}) {
        control->setDatabaseName(databasePath);
        if (error == DatabaseError::None)
            error = control->open();
    }
    if (error != DatabaseError::None) {
        MessageBox::show(this,
                         QStringLiteral("La Base de Datos no se encuentra !, en Propiedades "
                                        "indique la ruta de la Base de Datos."),
                         MessageIcon::Exclamation);
        for (DataControl* control : {m_datLlamadasCli, m_datClientes, m_datLlamadas})
            control->setDatabaseName(QString());
        return;
    }
    // Both lists start empty; "Mostrar" fills them.
    m_datLlamadas->setRecordSource(Statements::noCalls());
    m_datLlamadasCli->setRecordSource(Statements::noCallsOfClient());
    m_SSTab1->setCurrentIndex(0);
    m_cmdVer->setDefault(true);
    m_loaded = true;
}

void frmAdministrar::DivideGrillaClientes()
{
    m_grdClientes->setModel(m_clientesModel);
    m_grdClientes->fixedPane()->setColumnWidth(0, 200);
    QTableView* pane = m_grdClientes->scrollingPane();
    pane->setColumnWidth(1, 200);
    pane->setColumnWidth(2, 110);
    pane->setColumnWidth(3, 70);
    pane->setColumnWidth(4, 90);
    pane->setColumnWidth(5, 60);
    pane->setColumnWidth(6, 250);
    // Off for the user until a client list with rows is shown.
    m_grdClientes->setEnabled(false);
}

void frmAdministrar::SSTab1_Click()
{
    if (m_SSTab1->currentIndex() == 2) {
        enterStatistics();
        return;
    }
    if (m_SSTab1->currentIndex() == 0) {
        m_cmdMostrar->setDefault(false);
        m_cmdVer->setDefault(true);
        m_mskDesde->setFocus();
    } else {
        m_cmdVer->setDefault(false);
        m_cmdMostrar->setDefault(true);
        m_txtFiltro->setFocus();
    }
}

void frmAdministrar::cmdEliminar_Click()
{
    frmEliminar purge(*m_datLlamadas, this);
    purge.exec();
}

void frmAdministrar::cmdCerrar_Click()
{
    close();
}
