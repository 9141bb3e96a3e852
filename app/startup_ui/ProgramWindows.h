#pragma once

#include "ClientScreens.h"
#include "frmIdentificador.h"
#include "frmSplash.h"
#include "startup/StartupSequence.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class DesktopNoteService;
class TrayIcon;
struct ProgramValues;

// The program's windows as the start-up and the menus reach them. The main window is loaded at
// its first reference and kept for the whole run; the wizard and the splash are opened from
// here, and "Salir" ends the program through here.
class ProgramWindows final : public QObject, public StartupScreens
{
    Q_OBJECT

public:
    using TrayFactory = std::function<std::unique_ptr<TrayIcon>()>;
    // Leaves the event loop with this exit code (QCoreApplication::exit by default). When the
    // loop is not running yet, the start-up's own return ends the program instead.
    using EndProgram = std::function<void(int exitCode)>;

    // The exit code of a program that ends because the database cannot be reached.
    static constexpr int DatabaseUnreachableExitCode = 1;

    // values stays with the caller and outlives this object.
    explicit ProgramWindows(ProgramValues& values, TrayFactory makeTray = {},
                            EndProgram endProgram = {});
    ~ProgramWindows() override;

    bool showConfigurationWizard() override;
    void showSplash() override;
    void showMessage(const Message& message) override;

    // frmIdentificador, loading it at the first reference. Null when its load ended the program.
    frmIdentificador* mainWindow();
    [[nodiscard]] bool isMainWindowLoaded() const { return m_mainWindow != nullptr; }
    // The desktop's notes; they come back when the main window first shows.
    [[nodiscard]] DesktopNoteService& desktop() const { return *m_desktop; }
    // The splash while it is up.
    [[nodiscard]] frmSplash* splash() const { return m_splash; }
    [[nodiscard]] bool hasEnded() const { return m_ended; }
    // The code the program ends with, once it has ended through here.
    [[nodiscard]] int exitCode() const { return m_exitCode; }

private:
    void showMainWindow();
    void followDatabaseFolder();
    void wireScreens(frmIdentificador& window);
    void openWizardFromMenu();
    void openBrowser();
    void openNoteDialog(bool HayDatosLlamada);
    void openAboutBox();
    void restoreDesktopNotes();
    void end(int exitCode);

    ProgramValues& m_values;
    TrayFactory m_makeTray;
    EndProgram m_endProgram;
    std::unique_ptr<DesktopNoteService> m_desktop;
    std::unique_ptr<frmIdentificador> m_mainWindow;
    // The client editor that the browser's "Editar" and "Nuevo" open.
    ClientEditor m_clientEditor;
    QPointer<frmSplash> m_splash;
    bool m_ended = false;
    int m_exitCode = 0;
};
