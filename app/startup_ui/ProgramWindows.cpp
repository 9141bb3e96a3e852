#include "ProgramWindows.h"

#include "ClientScreens.h"
#include "DesktopNoteService.h"
#include "Lineo.h"
#include "MessageBox.h"
#include "Skin.h"
#include "SystemTrayIcon.h"
#include "database/DataControl.h"
#include "frmAbout.h"
#include "frmAdministrar.h"
#include "frmConfiguracion.h"
#include "frmTextoPostit.h"
#include "settings/ProgramValues.h"
#include "startup/DatabaseAttach.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

ProgramWindows::ProgramWindows(ProgramValues& values, TrayFactory makeTray, EndProgram endProgram)
    : m_values(values)
    , m_makeTray(makeTray ? std::move(makeTray)
                          : [] { return std::unique_ptr<TrayIcon>(new SystemTrayIcon); })
    , m_endProgram(endProgram ? std::move(endProgram)
                              : [](int code) { QCoreApplication::exit(code); })
    , m_desktop(std::make_unique<DesktopNoteService>())
{
    connect(m_desktop.get(), &DesktopNoteService::listNotSaved, this, [](const QString& path) {
        MessageBox::show(nullptr,
                         QStringLiteral("No se pudo guardar la lista de notas del escritorio en "
                                        "«%1». Las notas se ven, pero no volverán a aparecer la "
                                        "próxima vez que se inicie el programa.")
                             .arg(QDir::toNativeSeparators(path)),
                         MessageIcon::Exclamation);
    });
}

ProgramWindows::~ProgramWindows()
{
    delete m_splash;
}

frmIdentificador* ProgramWindows::mainWindow()
{
    if (m_ended)
        return nullptr;
    if (!m_mainWindow) {
        auto window = std::make_unique<frmIdentificador>(m_values, m_makeTray());
        if (window->loadOutcome() == frmIdentificador::LoadOutcome::EndProgram) {
            // Its message has been shown; the window goes with its notification icon.
            end(DatabaseUnreachableExitCode);
            return nullptr;
        }
        wireScreens(*window);
        m_mainWindow = std::move(window);
    }
    return m_mainWindow.get();
}

bool ProgramWindows::showConfigurationWizard()
{
    // The wizard drives the main window's line control, which loads the window (hidden).
    frmIdentificador* window = mainWindow();
    if (!window)
        return false;
    // Its detection leaves the line control off. Identification that the load switched on (the
    // stored "ActivarCID") is switched on again, or the window would say "Activado" and take no
    // calls.
    const bool identificationWasOn = window->Lineo1()->Enabled();
    frmConfiguracion wizard(*window->Lineo1(), m_values.programFolder);
    wizard.exec();
    if (identificationWasOn && !m_ended && !window->Lineo1()->Enabled())
        window->cmdEncendidoID_Click();
    return !m_ended;
}

void ProgramWindows::showSplash()
{
    followDatabaseFolder();
    if (m_ended)
        return;
    auto* splash = new frmSplash(Skin::load().icon);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    connect(splash, &frmSplash::showMainWindow, this, &ProgramWindows::showMainWindow);
    m_splash = splash;
    splash->show();
}

void ProgramWindows::showMessage(const Message& message)
{
    MessageBox::show(nullptr, message);
}

void ProgramWindows::showMainWindow()
{
    if (frmIdentificador* window = mainWindow()) {
        window->mnuAbrir_Click();
        restoreDesktopNotes();
    }
}

void ProgramWindows::restoreDesktopNotes()
{
    if (m_desktop->isActive() || m_desktop->activate())
        return;
    const QString aside = m_desktop->setAsidePath();
    QString text = QStringLiteral("No se pudo leer la lista de notas del escritorio «%1».")
                       .arg(QDir::toNativeSeparators(m_desktop->listPath()));
    if (!aside.isEmpty()) {
        text += QStringLiteral(" Se guardó aparte como «%1»; las notas nuevas se recordarán en "
                               "una lista nueva.")
                    .arg(QDir::toNativeSeparators(aside));
    }
    // Told once the splash has gone, and without waiting for an answer: the calls go on.
    QTimer::singleShot(0, this, [this, text] {
        MessageBox::notify(m_mainWindow.get(),
                           Message{text, MessageIcon::Exclamation, MessageButtons::Ok});
    });
}

// The main window may have been loaded for the wizard on a folder the start-up has since
// replaced (the one the user just chose, or a file just put in place): its lookups must reach
// the file the calls are logged in.
void ProgramWindows::followDatabaseFolder()
{
    if (!m_mainWindow)
        return;
    DataControl& datLlamada = *m_mainWindow->datLlamada();
    if (datLlamada.isAttached() && datLlamada.databaseName() == m_values.databasePath())
        return;
    const DatabaseAttachResult attach = attachDatLlamada(datLlamada, m_values.databasePath());
    if (attach.message)
        MessageBox::show(nullptr, *attach.message);
    if (attach.next == DatabaseAttachResult::Next::EndProgram)
        end(DatabaseUnreachableExitCode);
    else if (attach.next == DatabaseAttachResult::Next::Repair)
        m_mainWindow->mnuReparar_Click();
}

void ProgramWindows::wireScreens(frmIdentificador& window)
{
    frmIdentificador::Screens screens;
    screens.frmConfiguracion = [this] {
        openWizardFromMenu();
    };
    screens.frmLlamantes = [this] {
        ClientScreens::openCallerEditor(*m_mainWindow);
    };
    screens.frmBuscarTelefono = [this] {
        ClientScreens::openNumberSearch(*m_mainWindow);
    };
    screens.frmAdministrar = [this] {
        openBrowser();
    };
    screens.frmTextoPostit = [this](bool HayDatosLlamada) {
        openNoteDialog(HayDatosLlamada);
    };
    screens.frmAbout = [this] {
        openAboutBox();
    };
    screens.salir = [this] {
        end(0);
    };
    window.setScreens(std::move(screens));
}

void ProgramWindows::openWizardFromMenu()
{
    // Both entries are disabled while identification is on, so the line control is free.
    frmConfiguracion wizard(*m_mainWindow->Lineo1(), m_values.programFolder, m_mainWindow.get());
    wizard.exec();
}

void ProgramWindows::openBrowser()
{
    frmAdministrar browser(m_values.databasePath(), &m_clientEditor, m_mainWindow.get());
    if (browser.isLoaded())
        browser.exec();
}

void ProgramWindows::openNoteDialog(bool HayDatosLlamada)
{
    frmTextoPostit dialog(*m_desktop, m_values.programFolder, *m_mainWindow->datLlamada(),
                          m_mainWindow->reception(), m_mainWindow.get());
    dialog.HayDatosLlamada = HayDatosLlamada;
    dialog.exec();
}

void ProgramWindows::openAboutBox()
{
    frmAbout about(m_mainWindow->windowIcon(), m_mainWindow.get());
    about.exec();
}

void ProgramWindows::end(int exitCode)
{
    m_ended = true;
    m_exitCode = exitCode;
    m_endProgram(exitCode);
}
