#pragma once

#include "Skin.h"
#include "TitleBarDrag.h"
#include "maintenance/Maintenance.h"

#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class CallReception;
class DataControl;
class HelpWindow;
class Lineo;
class Outbox;
class Parlux;
class PictureBox;
class PictureButton;
class QAction;
class QLabel;
class QMenu;
class TrayIcon;
struct ProgramValues;
struct ReceptionResult;

// The main window: a small skinned panel with the caller display, picture buttons, three
// pop-up menus, the notification-area icon and the switch that turns caller identification on
// and off. It is built once and only hidden and shown afterwards.
class frmIdentificador final : public QWidget
{
    Q_OBJECT

public:
    // What the buttons and menu entries open lives in other screens; whoever builds the program
    // hands them in. An entry whose screen is not given does nothing.
    struct Screens
    {
        std::function<void()> frmAdministrar;
        std::function<void()> frmBuscarTelefono;
        // The client editor on the current caller.
        std::function<void()> frmLlamantes;
        std::function<void(bool HayDatosLlamada)> frmTextoPostit;
        std::function<void()> frmConfiguracion;
        std::function<void()> frmAbout;
        std::function<void()> salir;
    };

    // The notification-area events the window acts on.
    enum class TrayEvent
    {
        LeftPressed,
        RightReleased,
    };

    // How the load ended: a database folder that cannot be reached at all ends the program.
    enum class LoadOutcome
    {
        Loaded,
        EndProgram,
    };

    static constexpr QLatin1String defaultDescriptionPath{":/main_window/frmIdentificador.json"};

    // Builds the window and loads it (Form_Load): screen factors, stored settings (which may
    // switch identification on), notification icon, and datLlamada on the database file. A load
    // message is shown before the constructor returns; see loadOutcome().
    frmIdentificador(ProgramValues& values, std::unique_ptr<TrayIcon> tray,
                     QWidget* parent = nullptr,
                     const QString& descriptionPath = defaultDescriptionPath);
    ~frmIdentificador() override;

    void setScreens(Screens screens);
    [[nodiscard]] LoadOutcome loadOutcome() const { return m_loadOutcome; }

    [[nodiscard]] Lineo* Lineo1() const { return m_Lineo1; }
    [[nodiscard]] Parlux* Parlux1() const { return m_Parlux1; }
    [[nodiscard]] DataControl* datLlamada() const { return m_datLlamada; }
    [[nodiscard]] PictureButton* cmdEncendidoID() const { return m_cmdEncendidoID; }
    [[nodiscard]] PictureButton* cmdLlamante() const { return m_cmdLlamante; }
    [[nodiscard]] PictureButton* cmdManual() const { return m_cmdManual; }
    [[nodiscard]] PictureBox* PicTitleBar() const { return m_PicTitleBar; }
    [[nodiscard]] QMenu* mnuBar() const { return m_mnuBar; }
    [[nodiscard]] QMenu* mnuMenu() const { return m_mnuMenu; }
    [[nodiscard]] QMenu* mnuAyuda() const { return m_mnuAyuda; }
    [[nodiscard]] TrayIcon& trayIcon() const { return *m_tray; }
    // The call reception, with what it keeps of the last call (date and time texts, new client).
    [[nodiscard]] CallReception& reception() const { return *m_reception; }
    // The calls not yet logged, and the mark that tells how many wait.
    [[nodiscard]] Outbox& outbox() const { return *m_outbox; }
    [[nodiscard]] QLabel* lblPendientes() const { return m_lblPendientes; }
    [[nodiscard]] const QList<QPixmap>& Image1() const { return m_skin.Image1; }
    // The help window, once a help entry has opened it.
    [[nodiscard]] HelpWindow* helpWindow() const { return m_help; }
    [[nodiscard]] QString helpFolder() const;

    // Adds the notification-area icon with the tooltip of the current state. Where the desktop
    // has no notification area the window keeps its task-bar entry instead.
    void CreaIconoBandeja();
    // Hides the window behind the notification icon; without one, minimises it, so the window
    // never becomes unreachable.
    void hideToTray();

    // Takes a call from number Tel ("0" for a withheld one): looks it up, logs it and shows it.
    // The search by number calls it with a typed number.
    void Recibe_llamada(const QString& Tel);

public slots:
    void RestauraBotones();

    void cmdEncendidoID_Click();
    void cmdMin_Click();
    void cmdMenu_Click();
    void cmdAyuda_Click();
    void cmdBaseDeDatos_Click();
    void cmdManual_Click();
    void cmdLlamante_Click();
    void cmdPostIt_Click();

    void mnuAbrir_Click();
    void mnuActivar_Click();
    void mnuConfiguracion_Click();
    void mnuConfiguracion1_Click();
    void mnuAcercaDe_Click();
    void mnuAcercaDe1_Click();
    void mnuContenido_Click();
    void mnuBuscar_Click();
    void mnuCompactar_Click();
    void mnuReparar_Click();
    void mnuSalir_Click();
    void mnuSalir1_Click();

    // The notification icon's mouse events, with the re-entry guard: while the tray menu is
    // open, further events are dropped.
    void PicLogo_MouseMove(frmIdentificador::TrayEvent event, const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Closing only sends the window to the notification area; the program keeps taking calls.
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Switch
    {
        On,
        Off,
    };

    void Form_Load();
    void RecuperaConfig();
    void attachDatabase();
    void Lineo1_Llamada();
    // Not behind one of its own modal dialogs.
    [[nodiscard]] bool isAvailableToUser() const;
    void buildControls();
    void buildMenus();
    void placeControls();
    void loadControls(const QString& descriptionPath);
    void showHelp(bool atSearchPage);
    // The activation in its fixed order; the switch direction is decided by the caller.
    void switchIdentification(Switch direction);
    void Lineo1_deviceLost();
    // The SIP line registered, lost its registration or came back: the switch's tooltip and the
    // icon's say so, and a balloon tells a loss and a return.
    void Lineo1_estadoChanged();
    void picTitleBar_MouseDown(const QPoint& globalPos);
    void picTitleBar_MouseMove(const QPoint& globalPos);
    void picTitleBar_MouseUp();
    void updateTrayToolTip();
    // No system title bar. With a notification icon the window also stays off the task bar;
    // without one the task bar is the only way back to it.
    [[nodiscard]] static Qt::WindowFlags windowFlagsFor(bool trayAvailable);
    // A notification area appeared (the icon is added) or went away (the window takes a
    // task-bar entry instead).
    void followTrayAvailability(bool available);
    [[nodiscard]] QString trayToolTip() const;
    // The outbox: built before the load (the settings may switch identification on, which
    // delivers), shown on the window and the notification icon.
    void buildOutbox();
    void placeOutboxMark();
    void followReception(const ReceptionResult& result);
    void showWaitingCalls();
    // Where the waiting calls are and what becomes of them, in words.
    [[nodiscard]] QString waitingExplanation() const;
    void tellOutboxProblems();
    void showBalloonIfDue();
    void outboxSetAside(const QString& path);
    [[nodiscard]] QRect twipsRect(int left, int top, int width, int height) const;
    PictureButton* addButton(const char* name, int normalPicture, const QString& toolTip);
    QAction* addEntry(QMenu* menu, const char* name, const QString& caption);
    void addSeparator(QMenu* menu, const char* name);
    static void run(const std::function<void()>& screen);
    using MaintenanceWorker = MaintenanceResult (*)(const QString& carpetaBase,
                                                    const MaintenanceProgress& progress);
    // The menu handler of compaction and repair, the same for both but for the worker.
    void runMaintenance(MaintenanceWorker worker, const QString& caption);

    ProgramValues& m_values;
    std::unique_ptr<TrayIcon> m_tray;
    Skin m_skin;
    Screens m_screens;

    PictureBox* m_PicTitleBar = nullptr;
    PictureButton* m_cmdMenu = nullptr;
    PictureButton* m_cmdAyuda = nullptr;
    PictureButton* m_cmdMin = nullptr;
    PictureButton* m_cmdEncendidoID = nullptr;
    PictureButton* m_cmdBasedeDatos = nullptr;
    PictureButton* m_cmdManual = nullptr;
    PictureButton* m_cmdLlamante = nullptr;
    PictureButton* m_cmdPostIt = nullptr;
    Lineo* m_Lineo1 = nullptr;
    Parlux* m_Parlux1 = nullptr;
    DataControl* m_datLlamada = nullptr;
    std::unique_ptr<CallReception> m_reception;
    Outbox* m_outbox = nullptr;
    QLabel* m_lblPendientes = nullptr;
    int m_waitingShown = 0;
    bool m_balloonDue = false; // calls began to wait and the balloon has not said so yet
    bool m_repairTold = false;
    bool m_memoryTold = false;        // calls held only in memory have been reported
    bool m_unreadableTold = false;    // an outbox that cannot be read has been reported
    QStringList m_trayLines;          // what the tooltip says of the waiting calls
    bool m_lineWasRegistered = false; // the SIP line has registered since switched on
    bool m_lineLost = false; // the SIP line lost its registration and has not come back yet
    HelpWindow* m_help = nullptr;

    QMenu* m_mnuBar = nullptr;
    QMenu* m_mnuMenu = nullptr;
    QMenu* m_mnuAyuda = nullptr;
    QAction* m_mnuActivar = nullptr;
    QAction* m_mnuConfiguracion = nullptr;
    QAction* m_mnuConfiguracion1 = nullptr;

    TitleBarDrag m_drag;
    bool m_trayGuard = false;
    bool m_centred = false;
    LoadOutcome m_loadOutcome = LoadOutcome::Loaded;
};
