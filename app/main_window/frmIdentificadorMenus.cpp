#include "HelpWindow.h"
#include "MessageBox.h"
#include "PictureButton.h"
#include "ProgramInfo.h"
#include "TrayIcon.h"
#include "frmIdentificador.h"

#include <QAction>
#include <QCursor>
#include <QDir>
#include <QMenu>

// The three pop-up menus and the handlers that open other screens or the help.

QAction* frmIdentificador::addEntry(QMenu* menu, const char* name, const QString& caption)
{
    auto* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

void frmIdentificador::addSeparator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

void frmIdentificador::buildMenus()
{
    const auto makeDefault = [](QMenu* menu, QAction* entry) {
        menu->setDefaultAction(entry);
        QFont bold = entry->font();
        bold.setBold(true);
        entry->setFont(bold);
    };

    m_mnuBar = new QMenu(this);
    m_mnuBar->setObjectName(QStringLiteral("mnuBar"));
    QAction* mnuAbrir = addEntry(m_mnuBar, "mnuAbrir", QStringLiteral("Abrir Llamora"));
    m_mnuActivar = addEntry(m_mnuBar, "mnuActivar", QStringLiteral("Activar Llamora"));
    m_mnuConfiguracion = addEntry(m_mnuBar, "mnuConfiguracion", QStringLiteral("Configuración"));
    addSeparator(m_mnuBar, "Sep1");
    QAction* mnuAcercaDe = addEntry(m_mnuBar, "mnuAcercaDe", QStringLiteral("Acerca de"));
    addSeparator(m_mnuBar, "Sep2");
    QAction* mnuSalir = addEntry(m_mnuBar, "mnuSalir", QStringLiteral("Salir"));
    makeDefault(m_mnuBar, mnuAbrir);

    m_mnuMenu = new QMenu(this);
    m_mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    m_mnuConfiguracion1 = addEntry(m_mnuMenu, "mnuConfiguracion1", QStringLiteral("Configuración"));
    addSeparator(m_mnuMenu, "Sep3");
    auto* mnuBase = m_mnuMenu->addMenu(QStringLiteral("Base de datos"));
    mnuBase->setObjectName(QStringLiteral("mnuBase"));
    mnuBase->menuAction()->setObjectName(QStringLiteral("mnuBase"));
    QAction* mnuCompactar = addEntry(mnuBase, "mnuCompactar", QStringLiteral("Compactar"));
    QAction* mnuReparar = addEntry(mnuBase, "mnuReparar", QStringLiteral("Reparar"));
    addSeparator(m_mnuMenu, "Sep4");
    QAction* mnuSalir1 = addEntry(m_mnuMenu, "mnuSalir1", QStringLiteral("Salir"));
    makeDefault(m_mnuMenu, m_mnuConfiguracion1);

    m_mnuAyuda = new QMenu(this);
    m_mnuAyuda->setObjectName(QStringLiteral("mnuAyuda"));
    QAction* mnuContenido = addEntry(m_mnuAyuda, "mnuContenido", QStringLiteral("Contenido"));
    QAction* mnuBuscar = addEntry(m_mnuAyuda, "mnuBuscar", QStringLiteral("Buscar"));
    addSeparator(m_mnuAyuda, "Sep5");
    QAction* mnuAcercaDe1 = addEntry(m_mnuAyuda, "mnuAcercaDe1", QStringLiteral("Acerca de"));
    makeDefault(m_mnuAyuda, mnuContenido);

    connect(mnuAbrir, &QAction::triggered, this, &frmIdentificador::mnuAbrir_Click);
    connect(m_mnuActivar, &QAction::triggered, this, &frmIdentificador::mnuActivar_Click);
    connect(m_mnuConfiguracion, &QAction::triggered, this,
            &frmIdentificador::mnuConfiguracion_Click);
    connect(mnuAcercaDe, &QAction::triggered, this, &frmIdentificador::mnuAcercaDe_Click);
    connect(mnuSalir, &QAction::triggered, this, &frmIdentificador::mnuSalir_Click);
    connect(m_mnuConfiguracion1, &QAction::triggered, this,
            &frmIdentificador::mnuConfiguracion1_Click);
    connect(mnuCompactar, &QAction::triggered, this, &frmIdentificador::mnuCompactar_Click);
    connect(mnuReparar, &QAction::triggered, this, &frmIdentificador::mnuReparar_Click);
    connect(mnuSalir1, &QAction::triggered, this, &frmIdentificador::mnuSalir1_Click);
    connect(mnuContenido, &QAction::triggered, this, &frmIdentificador::mnuContenido_Click);
    connect(mnuBuscar, &QAction::triggered, this, &frmIdentificador::mnuBuscar_Click);
    connect(mnuAcercaDe1, &QAction::triggered, this, &frmIdentificador::mnuAcercaDe1_Click);

    // The guard stays up while the tray menu is open, and drops when it closes.
    connect(m_mnuBar, &QMenu::aboutToHide, this, [this] { m_trayGuard = false; });
}

void frmIdentificador::cmdMin_Click()
{
    hideToTray();
}

void frmIdentificador::cmdMenu_Click()
{
    m_mnuMenu->popup(QCursor::pos());
}

void frmIdentificador::cmdAyuda_Click()
{
    m_mnuAyuda->popup(QCursor::pos());
}

void frmIdentificador::run(const std::function<void()>& screen)
{
    if (screen)
        screen();
}

void frmIdentificador::cmdBaseDeDatos_Click()
{
    RestauraBotones();
    run(m_screens.frmAdministrar);
}

void frmIdentificador::cmdManual_Click()
{
    RestauraBotones();
    run(m_screens.frmBuscarTelefono);
}

void frmIdentificador::cmdLlamante_Click()
{
    RestauraBotones();
    run(m_screens.frmLlamantes);
}

void frmIdentificador::cmdPostIt_Click()
{
    if (m_screens.frmTextoPostit)
        m_screens.frmTextoPostit(m_cmdLlamante->isEnabled());
}

void frmIdentificador::mnuConfiguracion_Click()
{
    run(m_screens.frmConfiguracion);
}

void frmIdentificador::mnuConfiguracion1_Click()
{
    run(m_screens.frmConfiguracion);
}

void frmIdentificador::mnuAcercaDe_Click()
{
    run(m_screens.frmAbout);
}

void frmIdentificador::mnuAcercaDe1_Click()
{
    run(m_screens.frmAbout);
}

void frmIdentificador::mnuSalir_Click()
{
    // Ends at once: nothing is closed or switched off first.
    m_tray->remove();
    run(m_screens.salir);
}

void frmIdentificador::mnuSalir1_Click()
{
    m_tray->remove();
    run(m_screens.salir);
}

void frmIdentificador::mnuContenido_Click()
{
    showHelp(false);
}

void frmIdentificador::mnuBuscar_Click()
{
    showHelp(true);
}

void frmIdentificador::showHelp(bool atSearchPage)
{
    if (!m_help) {
        m_help = new HelpWindow(helpFolder(), this);
        m_help->setWindowIcon(m_skin.icon);
    }
    const bool shown = atSearchPage ? m_help->showSearch() : m_help->showIndex();
    if (!shown) {
        MessageBox::show(this,
                         QStringLiteral("No se encuentra la ayuda del programa en «%1». "
                                        "Vuelva a instalar %2.")
                             .arg(QDir::toNativeSeparators(helpFolder()), ProgramInfo::title()),
                         MessageIcon::Exclamation);
    }
}
