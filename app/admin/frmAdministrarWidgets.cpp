#include "DataGridModel.h"
#include "DateBox.h"
#include "SelectAllOnFocus.h"
#include "SplitGrid.h"
#include "database/DataControl.h"
#include "frmAdministrar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

// The browser's widgets: names, captions and access keys, and how they sit.

namespace {
template <typename T>
T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QTableView* makeGrid(const char* name, QWidget* parent)
{
    auto* grid = named(new QTableView(parent), name);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setHighlightSections(false);
    return grid;
}

// A count label followed by its word ("llamadas", "registros").
QHBoxLayout* countRow(QLabel* count, const QString& word)
{
    auto* row = new QHBoxLayout;
    count->setText(QStringLiteral("0"));
    row->addWidget(count);
    row->addWidget(new QLabel(word));
    row->addStretch();
    return row;
}
} // namespace

void frmAdministrar::buildCallsTab(QWidget* tab)
{
    auto* range = new QGroupBox(tab);
    m_chkFiltro = named(new QCheckBox(QStringLiteral("Entre &Fechas:"), range), "chkFiltro");
    m_chkFiltro->setChecked(true);
    m_lblDesde = named(new QLabel(QStringLiteral("De&sde"), range), "lblDesde");
    m_mskDesde = named(new DateBox(false, range), "mskDesde");
    m_lblDesde->setBuddy(m_mskDesde);
    m_lblHasta = named(new QLabel(QStringLiteral("&Hasta"), range), "lblHasta");
    m_mskHasta = named(new DateBox(false, range), "mskHasta");
    m_lblHasta->setBuddy(m_mskHasta);
    auto* rangeLayout = new QHBoxLayout(range);
    rangeLayout->addWidget(m_chkFiltro);
    rangeLayout->addWidget(m_lblDesde);
    rangeLayout->addWidget(m_mskDesde);
    rangeLayout->addWidget(m_lblHasta);
    rangeLayout->addWidget(m_mskHasta);

    auto* lblPuesto = named(new QLabel(QStringLiteral("&Puesto"), tab), "lblPuesto");
    m_cboPuesto = named(new QComboBox(tab), "cboPuesto");
    m_cboPuesto->setEditable(false);
    lblPuesto->setBuddy(m_cboPuesto);
    m_cmdVer = named(new QPushButton(QStringLiteral("Mostrar"), tab), "cmdVer");

    auto* filters = new QHBoxLayout;
    filters->addWidget(range);
    filters->addWidget(lblPuesto);
    filters->addWidget(m_cboPuesto);
    filters->addStretch();
    filters->addWidget(m_cmdVer);

    m_grdLlamadas = makeGrid("grdLlamadas", tab);
    m_llamadasModel = new DataGridModel(
        *m_datLlamadas,
        {{QStringLiteral("Fecha"), QStringLiteral("Fecha"), DataGridModel::Format::DateTime},
         {QStringLiteral("Nombre"), QStringLiteral("Nombre")},
         {QStringLiteral("Domicilio"), QStringLiteral("Domicilio")},
         {QStringLiteral("Teléfono"), QStringLiteral("Telefono")},
         {QStringLiteral("Alerta"), QStringLiteral("Alerta"), DataGridModel::Format::YesNo},
         {QStringLiteral("Puesto"), QStringLiteral("Puesto")}},
        this);
    m_grdLlamadas->setModel(m_llamadasModel);
    m_grdLlamadas->setColumnWidth(0, 140);
    m_grdLlamadas->setColumnWidth(1, 180);
    m_grdLlamadas->setColumnWidth(2, 180);

    m_lblLlamadasPuesto = named(new QLabel(tab), "lblLlamadasPuesto");
    m_cmdEliminar =
        named(new QPushButton(QStringLiteral("Eli&minar llamadas antiguas"), tab), "cmdEliminar");
    auto* bottom = countRow(m_lblLlamadasPuesto, QStringLiteral("llamadas"));
    m_cmdExportar = named(new QPushButton(QStringLiteral("E&xportar..."), tab), "cmdExportar");
    m_cmdImprimir = named(new QPushButton(QStringLiteral("&Imprimir..."), tab), "cmdImprimir");
    for (QPushButton* button : {m_cmdExportar, m_cmdImprimir, m_cmdEliminar})
        bottom->addWidget(button);

    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(filters);
    layout->addWidget(m_grdLlamadas, 1);
    layout->addLayout(bottom);
}

void frmAdministrar::buildClientsTab(QWidget* tab)
{
    auto* filter = named(new QGroupBox(QStringLiteral("Filtro"), tab), "fraFiltro");
    m_Opcion1 = named(new QRadioButton(QStringLiteral("Nom&bre"), filter), "Opcion1");
    m_Opcion2 = named(new QRadioButton(QStringLiteral("&Domicilio"), filter), "Opcion2");
    m_Opcion3 = named(new QRadioButton(QStringLiteral("&Teléfono"), filter), "Opcion3");
    m_Opcion4 = named(new QRadioButton(QStringLiteral("Ning&uno"), filter), "Opcion4");
    m_Opcion4->setChecked(true);
    m_txtFiltro = named(new QLineEdit(filter), "txtFiltro");
    // txtFiltro_GotFocus
    SelectAllOnFocus::install(m_txtFiltro);
    m_chkClientes = named(new QCheckBox(QStringLiteral("S&olo Clientes"), filter), "chkClientes");
    m_cmdMostrar = named(new QPushButton(QStringLiteral("Mostrar"), filter), "cmdMostrar");
    auto* filterLayout = new QHBoxLayout(filter);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             m_Opcion1, m_Opcion2, m_Opcion3, m_Opcion4, m_txtFiltro, m_chkClientes, m_cmdMostrar})
        filterLayout->addWidget(widget);
    filterLayout->setStretchFactor(m_txtFiltro, 1);

    m_grdClientes = named(new SplitGrid(tab), "grdClientes");
    m_clientesModel = new DataGridModel(
        *m_datClientes,
        {{QStringLiteral("Nombre"), QStringLiteral("Nombre")},
         {QStringLiteral("Domicilio"), QStringLiteral("Domicilio")},
         {QStringLiteral("Teléfono"), QStringLiteral("Telefono")},
         {QStringLiteral("Llamadas"), QStringLiteral("CantLlamadas")},
         {QStringLiteral("Ingreso"), QStringLiteral("FIngreso"), DataGridModel::Format::Date},
         {QStringLiteral("Alerta"), QStringLiteral("Alerta"), DataGridModel::Format::YesNo},
         {QStringLiteral("Observaciones"), QStringLiteral("Observaciones")}},
        this);
    m_lblCantidad = named(new QLabel(tab), "lblCantidad");

    auto* left = new QVBoxLayout;
    left->addWidget(m_grdClientes, 1);
    auto* countAndOutput = countRow(m_lblCantidad, QStringLiteral("registros"));
    m_cmdExportarC = named(new QPushButton(QStringLiteral("E&xportar..."), tab), "cmdExportarC");
    m_cmdImprimirC = named(new QPushButton(QStringLiteral("&Imprimir..."), tab), "cmdImprimirC");
    countAndOutput->addWidget(m_cmdExportarC);
    countAndOutput->addWidget(m_cmdImprimirC);
    left->addLayout(countAndOutput);

    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 3);
    auto* details = new QWidget(tab);
    buildClientDetails(details);
    middle->addWidget(details, 2);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(filter);
    layout->addLayout(middle, 1);
}

void frmAdministrar::buildClientDetails(QWidget* box)
{
    const auto value = [box](const char* name) {
        auto* label = named(new QLabel(box), name);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    m_lblNombre = value("lblNombre");
    QFont bold = m_lblNombre->font();
    bold.setBold(true);
    m_lblNombre->setFont(bold);
    m_lblDomicilio = value("lblDomicilio");
    m_lblTelefono = value("lblTelefono");
    m_lblFIngreso = value("lblFIngreso");
    m_lblCantLlamadas = value("lblCantLlamadas");
    m_lblObservaciones = value("lblObservaciones");
    m_lblObservaciones->setWordWrap(true);
    m_lblObservaciones->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblAlerta = named(new QLabel(QStringLiteral("ALERTA"), box), "lblAlerta");
    m_lblAlerta->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    m_lblAlerta->hide();

    auto* fields = new QGridLayout;
    int row = 0;
    for (const auto& [caption, label] :
         {std::pair{"Nombre", m_lblNombre}, std::pair{"Domicilio", m_lblDomicilio},
          std::pair{"Teléfono", m_lblTelefono}, std::pair{"Ingreso", m_lblFIngreso},
          std::pair{"Llamadas", m_lblCantLlamadas},
          std::pair{"Observaciones", m_lblObservaciones}}) {
        fields->addWidget(new QLabel(QString::fromUtf8(caption), box), row, 0, Qt::AlignTop);
        fields->addWidget(label, row, 1);
        ++row;
    }
    fields->addWidget(m_lblAlerta, row, 1);
    fields->setColumnStretch(1, 1);

    auto* callsBox = new QGroupBox(QStringLiteral("Llamadas Registradas"), box);
    m_grdLlamadasCli = makeGrid("grdLlamadasCli", callsBox);
    m_llamadasCliModel = new DataGridModel(
        *m_datLlamadasCli,
        {{QStringLiteral("Fecha"), QStringLiteral("Fecha"), DataGridModel::Format::DateTime},
         {QStringLiteral("Puesto"), QStringLiteral("Puesto")}},
        this);
    m_grdLlamadasCli->setModel(m_llamadasCliModel);
    m_grdLlamadasCli->setColumnWidth(0, 150);
    m_lblLlamadasCli = named(new QLabel(callsBox), "lblLlamadasCli");
    auto* callsLayout = new QVBoxLayout(callsBox);
    callsLayout->addWidget(m_grdLlamadasCli, 1);
    callsLayout->addLayout(countRow(m_lblLlamadasCli, QStringLiteral("llamadas")));

    m_cmdEditar = named(new QPushButton(QStringLiteral("&Editar"), box), "cmdEditar");
    m_cmdEliminarC = named(new QPushButton(QStringLiteral("Elimina&r"), box), "cmdEliminarC");
    m_cmdNuevo = named(new QPushButton(QStringLiteral("Nue&vo"), box), "cmdNuevo");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_cmdEditar, m_cmdEliminarC, m_cmdNuevo}) {
        button->setEnabled(false);
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(fields);
    layout->addWidget(callsBox, 1);
    layout->addLayout(buttons);
}

void frmAdministrar::connectHandlers()
{
    connect(m_SSTab1, &QTabWidget::currentChanged, this, &frmAdministrar::SSTab1_Click);
    connect(m_chkFiltro, &QCheckBox::clicked, this, &frmAdministrar::chkFiltro_Click);
    connect(m_mskDesde, &QLineEdit::textChanged, this, &frmAdministrar::mskDesde_Change);
    connect(m_mskHasta, &QLineEdit::textChanged, this, &frmAdministrar::mskHasta_Change);
    connect(m_cmdVer, &QPushButton::clicked, this, &frmAdministrar::cmdVer_Click);
    connect(m_cmdEliminar, &QPushButton::clicked, this, &frmAdministrar::cmdEliminar_Click);
    connect(m_cmdMostrar, &QPushButton::clicked, this, &frmAdministrar::cmdMostrar_Click);
    connect(m_grdClientes, &SplitGrid::headClicked, this, &frmAdministrar::grdClientes_HeadClick);
    connect(m_cmdEditar, &QPushButton::clicked, this, &frmAdministrar::cmdEditar_Click);
    connect(m_cmdNuevo, &QPushButton::clicked, this, &frmAdministrar::cmdNuevo_Click);
    connect(m_cmdEliminarC, &QPushButton::clicked, this, &frmAdministrar::cmdEliminarC_Click);
    connect(m_cmdCerrar, &QPushButton::clicked, this, &frmAdministrar::cmdCerrar_Click);
    connect(m_cmdExportar, &QPushButton::clicked, this, &frmAdministrar::cmdExportar_Click);
    connect(m_cmdExportarC, &QPushButton::clicked, this, &frmAdministrar::cmdExportarC_Click);
    connect(m_cmdImprimir, &QPushButton::clicked, this, &frmAdministrar::cmdImprimir_Click);
    connect(m_cmdImprimirC, &QPushButton::clicked, this, &frmAdministrar::cmdImprimirC_Click);

    connect(m_datLlamadas, &DataControl::repositioned, this,
            &frmAdministrar::datLlamadas_Reposition);
    connect(m_datLlamadas, &DataControl::rowsJoined, this, &frmAdministrar::datLlamadas_RowsJoined);
    m_grdLlamadas->installEventFilter(this);
    connect(m_datClientes, &DataControl::repositioned, this,
            &frmAdministrar::datClientes_Reposition);
    connect(m_datLlamadasCli, &DataControl::rowsJoined, this,
            [this] { showCallCount(*m_datLlamadasCli, m_lblLlamadasCli, m_grdLlamadasCli); });
    // The grids move their data controls' current rows.
    connect(m_grdLlamadas->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.row() != m_datLlamadas->position())
                    m_datLlamadas->moveTo(current.row());
            });
    connect(m_grdClientes, &SplitGrid::currentRowChanged, this, [this](int row) {
        if (row != m_datClientes->position())
            m_datClientes->moveTo(row);
    });
    // Header clicks on the call lists only drop a column selection; their order and the
    // current row's highlight stay.
    for (QTableView* grid : {m_grdLlamadas, m_grdLlamadasCli}) {
        connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, grid, [grid] {
            QItemSelectionModel* selection = grid->selectionModel();
            selection->select(selection->currentIndex(),
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        });
    }
}
