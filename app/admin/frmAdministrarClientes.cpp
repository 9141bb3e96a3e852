#include "ClientEditorOpener.h"
#include "DataGridModel.h"
#include "MessageBox.h"
#include "SplitGrid.h"
#include "WaitCursor.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/RowOperations.h"
#include "frmAdministrar.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

// The clients tab: the filter, the sorted list, the current client and its calls, and the
// client buttons.

namespace {
// The field a header click sorts on, by the grid's column.
ClientSortColumn sortColumnOf(int column)
{
    return static_cast<ClientSortColumn>(std::clamp(column, 0, 6));
}
} // namespace

void frmAdministrar::cmdMostrar_Click()
{
    m_cmdNuevo->setEnabled(true);
    if (!m_Opcion4->isChecked() && m_txtFiltro->text().isEmpty()) {
        MessageBox::show(this, QStringLiteral("Ingrese un criterio para filtrar registros"));
        m_txtFiltro->setFocus();
        return;
    }
    ClientSortColumn sortColumn = ClientSortColumn::Nombre;
    if (m_Opcion1->isChecked()) {
        m_filterField = ClientFilterField::Nombre;
    } else if (m_Opcion2->isChecked()) {
        m_filterField = ClientFilterField::Domicilio;
        sortColumn = ClientSortColumn::Domicilio;
    } else if (m_Opcion3->isChecked()) {
        m_filterField = ClientFilterField::Telefono;
        sortColumn = ClientSortColumn::Telefono;
    } else {
        m_filterField = ClientFilterField::Ninguno;
    }
    // Taken literally: quotes and wildcards are plain characters.
    m_filterText = m_txtFiltro->text();
    m_onlyWithCalls = m_chkClientes->isChecked();
    showClients(Statements::clientList(m_filterField, m_filterText, m_onlyWithCalls, sortColumn,
                                       SortDirection::Ascending));
}

void frmAdministrar::grdClientes_HeadClick(int column)
{
    // One direction flag for every column: the first click sorts descending, each further click
    // on any header flips it.
    const SortDirection direction =
        m_OrdenDescendente ? SortDirection::Ascending : SortDirection::Descending;
    m_OrdenDescendente = !m_OrdenDescendente;
    m_grdClientes->clearColumnSelection();
    showClients(Statements::clientList(m_filterField, m_filterText, m_onlyWithCalls,
                                       sortColumnOf(column), direction));
}

void frmAdministrar::showClients(const Statement& statement)
{
    int error = DatabaseError::None;
    {
        const WaitCursor hourglass;
        m_datClientes->setRecordSource(statement);
        // The count is the list's true length at once; no move to the last row is needed for it.
        error = m_datClientes->refresh();
    }
    if (error != DatabaseError::None)
        MessageBox::show(this, technicalSupportMessage(error));
}

void frmAdministrar::datClientes_Reposition()
{
    m_lblCantidad->setText(QString::number(m_datClientes->recordCount()));
    if (!m_datClientes->hasCurrentRow()) {
        m_grdClientes->setEnabled(false);
        m_cmdEditar->setEnabled(false);
        m_cmdEliminarC->setEnabled(false);
        showClientDetails(false);
        m_lblLlamadasCli->setText(QStringLiteral("0"));
        m_datLlamadasCli->setRecordSource(Statements::noCallsOfClient());
        m_datLlamadasCli->refresh();
        return;
    }
    m_grdClientes->setEnabled(true);
    m_cmdEditar->setEnabled(true);
    m_cmdEliminarC->setEnabled(true);
    m_grdClientes->setCurrentRow(m_datClientes->position());
    MuestraDatosCliente();
}

void frmAdministrar::showClientDetails(bool shown)
{
    const auto text = [this, shown](const char* field) {
        return shown ? m_datClientes->field(QLatin1String(field)).toString() : QString();
    };
    m_lblNombre->setText(text("Nombre"));
    m_lblDomicilio->setText(text("Domicilio"));
    m_lblTelefono->setText(text("Telefono"));
    m_lblFIngreso->setText(
        shown ? DateText::regionalDate(m_datClientes->field(QStringLiteral("FIngreso")).toDate())
              : QString());
    m_lblCantLlamadas->setText(text("CantLlamadas"));
    m_lblObservaciones->setText(text("Observaciones"));
    // Null counts as no alert.
    m_lblAlerta->setVisible(shown && m_datClientes->field(QStringLiteral("Alerta")).toBool());
}

void frmAdministrar::MuestraDatosCliente()
{
    showClientDetails(true);
    const qint64 idCliente = m_datClientes->field(QStringLiteral("IdCliente")).toLongLong();
    m_datLlamadasCli->setRecordSource(Statements::callsOfClient(idCliente));
    m_datLlamadasCli->refresh();
    showCallCount(*m_datLlamadasCli, m_lblLlamadasCli, m_grdLlamadasCli);
}

void frmAdministrar::cmdEditar_Click()
{
    if (m_editor == nullptr || !m_datClientes->hasCurrentRow())
        return;
    afterEditor(2, m_editor->openClientEditor(2, *m_datClientes, this));
}

void frmAdministrar::cmdNuevo_Click()
{
    if (m_editor == nullptr)
        return;
    afterEditor(3, m_editor->openClientEditor(3, *m_datClientes, this));
}

void frmAdministrar::afterEditor(int modo, bool saved)
{
    if (!saved)
        return;
    if (modo == 2) {
        // The editor has read the saved row again; the grid shows it as it is now.
        m_clientesModel->showRowsAgain();
        return;
    }
    // A new client: the list is read again to take it in.
    m_datClientes->refresh();
}

void frmAdministrar::cmdEliminarC_Click()
{
    if (MessageBox::show(this, QStringLiteral("Está seguro de eliminar el cliente ?"),
                         MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::No)
        return;
    const int row = m_datClientes->position();
    const int error = deleteCurrentClient(*m_datClientes);
    if (error == DatabaseError::None) {
        // The list read again without the client, on the row that followed it; past the last
        // one the list is at its end.
        m_datClientes->refresh();
        if (row > 0)
            m_datClientes->moveTo(row);
        return;
    }
    if (error == DatabaseError::RowLocked || error == DatabaseError::NoCurrentRow ||
        error == DatabaseError::RowDeleted) {
        MessageBox::show(this, conflictMessage(error));
        m_datClientes->refresh();
        return;
    }
    MessageBox::show(this, technicalSupportMessage(error));
}
