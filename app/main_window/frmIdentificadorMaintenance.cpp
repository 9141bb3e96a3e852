#include "Lineo.h"
#include "MaintenanceProgress.h"
#include "MessageBox.h"
#include "PictureButton.h"
#include "database/DataControl.h"
#include "database/ServerAddress.h"
#include "frmIdentificador.h"
#include "maintenance/MaintenanceMessages.h"
#include "maintenance/ServerMaintenance.h"
#include "settings/ProgramValues.h"
#include "startup/DatabaseAttach.h"

// Compaction and repair from the menu "Base de datos", and the repair the load runs on a
// database it cannot attach.

void frmIdentificador::mnuCompactar_Click()
{
    if (isServerDatabaseName(m_values.databasePath()))
        runMaintenance(&compactServerDatabase, QStringLiteral("Compactando la base de datos"));
    else
        runMaintenance(&CompactaBaseDatos, QStringLiteral("Compactando la base de datos"));
}

void frmIdentificador::mnuReparar_Click()
{
    if (isServerDatabaseName(m_values.databasePath()))
        runMaintenance(&checkServerDatabase, QStringLiteral("Leyendo la base de datos"));
    else
        runMaintenance(&ReparaBaseDatos, QStringLiteral("Reparando la base de datos"));
}

void frmIdentificador::runMaintenance(MaintenanceWorker worker, const QString& caption)
{
    // The server's maintenance leaves the other workstations working; the file's needs it alone.
    const bool onServer = isServerDatabaseName(m_values.databasePath());
    if (!onServer)
        MessageBox::show(isVisible() ? this : nullptr,
                         MaintenanceMessages::closeOtherWorkstations());
    // Off as by a click, and it stays off afterwards: the user switches it on again.
    if (m_Lineo1->Enabled())
        m_cmdEncendidoID->click();
    // The window's own connection must not keep the file in use.
    m_datLlamada->setDatabaseName(QString());
    m_datLlamada->refresh();
    close();

    // The file's maintenance works on its folder, the server's on the server's name.
    const QString target = onServer ? m_values.databasePath() : m_values.CarpetaBase;
    const MaintenanceResult result =
        runWithProgress(nullptr, caption, [worker, target](const MaintenanceProgress& progress) {
            return worker(target, progress);
        });
    MessageBox::show(nullptr, result.message);

    const DatabaseAttachResult attach = attachDatLlamada(*m_datLlamada, m_values.databasePath());
    // Calls would fail one by one without telling why; the window stays usable meanwhile.
    if (attach.error != 0)
        MessageBox::show(
            nullptr, MaintenanceMessages::cannotAttachAgain(m_values.databasePath(), attach.error));
}
