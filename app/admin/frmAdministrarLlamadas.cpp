#include "DateBox.h"
#include "MessageBox.h"
#include "WaitCursor.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "frmAdministrar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>

// The calls tab: the date range, the workstation and the list of calls.

void frmAdministrar::chkFiltro_Click()
{
    const bool on = m_chkFiltro->isChecked();
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_mskDesde, m_mskHasta, m_lblDesde, m_lblHasta})
        widget->setEnabled(on);
}

void frmAdministrar::mskDesde_Change()
{
    VerificaFechas();
}

void frmAdministrar::mskHasta_Change()
{
    VerificaFechas();
}

bool frmAdministrar::VerificaFechas()
{
    if (m_mskDesde->hasValidDate() && m_mskHasta->hasValidDate())
        return true;
    // The list empties while a date is being typed.
    m_datLlamadas->setRecordSource(Statements::noCalls());
    m_datLlamadas->refresh();
    return false;
}

void frmAdministrar::cmdVer_Click()
{
    const bool todos = m_cboPuesto->currentIndex() == 0;
    const auto puesto = static_cast<qint16>(m_cboPuesto->currentText().toShort());
    Statement source;
    if (m_chkFiltro->isChecked()) {
        if (!acceptDateRange(this, m_mskDesde, m_mskHasta))
            return;
        const QDate desde = m_mskDesde->date();
        const QDate hasta = m_mskHasta->date();
        source = todos ? Statements::callsBetween(desde, hasta)
                       : Statements::callsOfWorkstationBetween(desde, hasta, puesto);
    } else {
        source = todos ? Statements::allCalls() : Statements::callsOfWorkstation(puesto);
    }
    const WaitCursor hourglass;
    m_datLlamadas->setRecordSource(source);
    if (const int error = m_datLlamadas->refresh(); error != 0)
        MessageBox::show(this, technicalSupportMessage(error));
}

void frmAdministrar::datLlamadas_Reposition()
{
    showCallCount(*m_datLlamadas, m_lblLlamadasPuesto, m_grdLlamadas);
    const int row = m_datLlamadas->hasCurrentRow() ? m_datLlamadas->position() : -1;
    if (row >= 0 && m_grdLlamadas->currentIndex().row() != row)
        m_grdLlamadas->setCurrentIndex(m_grdLlamadas->model()->index(row, 0));
}

void frmAdministrar::datLlamadas_RowsJoined(int first, int count)
{
    datLlamadas_Reposition();
    // Rows that went in above the current one push it out of sight otherwise. The grid's
    // scroll range takes them in first.
    if (count > 0 && m_grdLlamadas->currentIndex().row() >= first) {
        m_grdLlamadas->doItemsLayout();
        m_grdLlamadas->scrollTo(m_grdLlamadas->currentIndex());
    }
}

// Ctrl+End: the end of a long list at once, without waiting for its count (the grid's own
// Ctrl+End goes only as far as the rows counted so far).
bool frmAdministrar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_grdLlamadas || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_End || key->modifiers() != Qt::ControlModifier)
        return QWidget::eventFilter(watched, event);
    if (const int error = m_datLlamadas->moveLast();
        error != DatabaseError::None && error != DatabaseError::NoCurrentRow)
        MessageBox::show(this, technicalSupportMessage(error));
    return true;
}

void frmAdministrar::showCallCount(const DataControl& calls, QLabel* label, QTableView* grid)
{
    // The true total; a list of many calls shows its first rows a moment before its count,
    // which is read meanwhile without holding up the window.
    const bool counted = calls.isCounted();
    label->setText(counted ? QString::number(calls.recordCount()) : QStringLiteral("..."));
    if (counted)
        grid->viewport()->unsetCursor();
    else
        grid->viewport()->setCursor(Qt::BusyCursor);
}
