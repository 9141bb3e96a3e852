#include "Lineo.h"
#include "MaintenanceProgress.h"
#include "MessageBox.h"
#include "PictureButton.h"
#include "database/DataControl.h"
#include "frmIdentificador.h"
#include "maintenance/MaintenanceMessages.h"
#include "settings/ProgramValues.h"
#include "startup/DatabaseAttach.h"

// Compaction and repair from the menu "Base de datos", and the repair the load runs on a
// database it cannot attach.

void frmIdentificador::mnuCompactar_Click()
{
    runMaintenance(&CompactaBaseDatos, QStringLiteral("Compactando la base de datos"));
}

void frmIdentificador::mnuReparar_Click()
{
    runMaintenance(&ReparaBaseDatos, QStringLiteral("Reparando la base de datos"));
}

void frmIdentificador::runMaintenance(MaintenanceWorker worker, const QString& caption)
{
    MessageBox::show(isVisible() ? this : nullptr, MaintenanceMessages::closeOtherWorkstations());
    // Off as by a click, and it stays off afterwards: the user switches it on again.
    if (m_Lineo1->Enabled())
        m_cmdEncendidoID->click();
    // The window's own connection must not keep the file in use.
    m_datLlamada->setDatabaseName(QString());
    m_datLlamada->refresh();
    close();

    const QString carpetaBase = m_values.CarpetaBase;
    const MaintenanceResult result = runWithProgress(
        nullptr, caption, [worker, carpetaBase](const MaintenanceProgress& progress) {
            return worker(carpetaBase, progress);
        });
    MessageBox::show(nullptr, result.message);

    const DatabaseAttachResult attach = attachDatLlamada(*m_datLlamada, m_values.databasePath());
    // Calls would fail one by one without telling why; the window stays usable meanwhile.
    if (attach.error != 0)
        MessageBox::show(
            nullptr, MaintenanceMessages::cannotAttachAgain(m_values.databasePath(), attach.error));
}
