#pragma once

#include "database/Statements.h"

#include <QDialog>

class ClientEditorOpener;
class DataControl;
class DataGridModel;
class DateBox;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class SplitGrid;
class StatisticsTab;

// The browser of the database: calls by date range and workstation on one tab, clients by
// filter on the other, with the current client's details and calls, the client editor (through
// the opener, when one is given) and the purge of old calls.
//
// The lists read their keys when shown and their rows page by page; no read lock outlives an
// event, so other workstations keep logging calls while the browser is open.
class frmAdministrar : public QDialog
{
    Q_OBJECT

public:
    // Loads the window (Form_Load) on the database file. When the file cannot be attached the
    // user has been told and isLoaded() is false: do not show the window.
    frmAdministrar(const QString& databasePath, ClientEditorOpener* editor,
                   QWidget* parent = nullptr);
    ~frmAdministrar() override;

    [[nodiscard]] bool isLoaded() const { return m_loaded; }

    [[nodiscard]] DataControl& datLlamadas() const { return *m_datLlamadas; }
    [[nodiscard]] DataControl& datClientes() const { return *m_datClientes; }

protected:
    // Ctrl+End on the calls grid (frmAdministrarLlamadas.cpp).
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void SSTab1_Click();
    void chkFiltro_Click();
    void cmdVer_Click();
    void cmdEliminar_Click();
    void cmdMostrar_Click();
    void grdClientes_HeadClick(int column);
    void cmdEditar_Click();
    void cmdNuevo_Click();
    void cmdEliminarC_Click();
    void cmdCerrar_Click();
    // Export and print of the lists as they stand (frmAdministrarListas.cpp).
    void cmdExportar_Click();
    void cmdImprimir_Click();
    void cmdExportarC_Click();
    void cmdImprimirC_Click();

private:
    // The widgets (frmAdministrarWidgets.cpp).
    void buildCallsTab(QWidget* tab);
    void buildClientsTab(QWidget* tab);
    void buildClientDetails(QWidget* tab);
    void connectHandlers();

    void Form_Load(const QString& databasePath);
    void DivideGrillaClientes();

    // The calls tab (frmAdministrarLlamadas.cpp).
    void mskDesde_Change();
    void mskHasta_Change();
    bool VerificaFechas();
    void datLlamadas_Reposition();
    void datLlamadas_RowsJoined(int first, int count);
    static void showCallCount(const DataControl& calls, QLabel* label, QTableView* grid);

    // The clients tab (frmAdministrarClientes.cpp).
    void datClientes_Reposition();
    void MuestraDatosCliente();
    void showClients(const Statement& statement);
    void showClientDetails(bool shown);
    void afterEditor(int modo, bool saved);

    // The print's line on the client filter, and the statistics tab (frmAdministrarListas.cpp).
    [[nodiscard]] QString clientsDescription() const;
    void enterStatistics();

    bool m_loaded = false;
    ClientEditorOpener* m_editor = nullptr;
    DataControl* m_datLlamadas = nullptr;
    DataControl* m_datClientes = nullptr;
    DataControl* m_datLlamadasCli = nullptr;
    DataGridModel* m_llamadasModel = nullptr;
    DataGridModel* m_clientesModel = nullptr;
    DataGridModel* m_llamadasCliModel = nullptr;

    // The last client filter ("SQLClientes") and the direction of the next header click.
    ClientFilterField m_filterField = ClientFilterField::Ninguno;
    QString m_filterText;
    bool m_onlyWithCalls = false;
    bool m_OrdenDescendente = false;

    QTabWidget* m_SSTab1 = nullptr;
    QPushButton* m_cmdCerrar = nullptr;
    StatisticsTab* m_statistics = nullptr;
    bool m_statisticsShown = false;

    // Calls tab.
    QCheckBox* m_chkFiltro = nullptr;
    QLabel* m_lblDesde = nullptr;
    QLabel* m_lblHasta = nullptr;
    DateBox* m_mskDesde = nullptr;
    DateBox* m_mskHasta = nullptr;
    QComboBox* m_cboPuesto = nullptr;
    QPushButton* m_cmdVer = nullptr;
    QTableView* m_grdLlamadas = nullptr;
    QLabel* m_lblLlamadasPuesto = nullptr;
    QPushButton* m_cmdEliminar = nullptr;
    QPushButton* m_cmdExportar = nullptr;
    QPushButton* m_cmdImprimir = nullptr;

    // Clients tab.
    QRadioButton* m_Opcion1 = nullptr;
    QRadioButton* m_Opcion2 = nullptr;
    QRadioButton* m_Opcion3 = nullptr;
    QRadioButton* m_Opcion4 = nullptr;
    QLineEdit* m_txtFiltro = nullptr;
    QCheckBox* m_chkClientes = nullptr;
    QPushButton* m_cmdMostrar = nullptr;
    SplitGrid* m_grdClientes = nullptr;
    QLabel* m_lblCantidad = nullptr;
    QLabel* m_lblNombre = nullptr;
    QLabel* m_lblDomicilio = nullptr;
    QLabel* m_lblTelefono = nullptr;
    QLabel* m_lblFIngreso = nullptr;
    QLabel* m_lblCantLlamadas = nullptr;
    QLabel* m_lblObservaciones = nullptr;
    QLabel* m_lblAlerta = nullptr;
    QTableView* m_grdLlamadasCli = nullptr;
    QLabel* m_lblLlamadasCli = nullptr;
    QPushButton* m_cmdEditar = nullptr;
    QPushButton* m_cmdEliminarC = nullptr;
    QPushButton* m_cmdNuevo = nullptr;
    QPushButton* m_cmdExportarC = nullptr;
    QPushButton* m_cmdImprimirC = nullptr;
};
