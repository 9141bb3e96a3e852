#include "frmIdentificador.h"

#include "FormDescription.h"
#include "HelpWindow.h"
#include "Lineo.h"
#include "MessageBox.h"
#include "Parlux.h"
#include "PictureBox.h"
#include "PictureButton.h"
#include "TrayIcon.h"
#include "TrayText.h"
#include "database/DataControl.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/DatabaseAttach.h"
#include "startup/StoredConfig.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>

#include <cmath>
#include <limits>

namespace {

// Picture indexes of Image1.
enum Picture : int
{
    BaseDeDatosNormal = 0,
    BaseDeDatosResaltado = 1,
    ManualNormal = 2,
    ManualResaltado = 3,
    LlamanteNormal = 4,
    LlamanteResaltado = 5,
    PostItNormal = 6,
    PostItResaltado = 7,
    EncendidoActivado = 8,
    EncendidoDesactivado = 9,
    MenuNormal = 10,
    MenuResaltado = 11,
    AyudaNormal = 12,
    AyudaResaltado = 13,
    MinNormal = 14,
    MinResaltado = 15,
};

// Client area, in twips.
constexpr int formWidth = 4740;
constexpr int formHeight = 4635;

// The leading number of a text, as a stored port is read: "3" is 3, "3x" is 3, "" and "x" are 0.
int leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?\\d+)"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    const qlonglong value = match.captured(1).toLongLong(&ok);
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(value);
}

// The stored workstation number as the notice panel shows it. A number is taken rounded, as a
// 16-bit integer; text that is no such number shows workstation 1, as the settings loader does.
qint16 puestoForPanel(const QString& stored)
{
    bool ok = false;
    const double value = stored.trimmed().toDouble(&ok);
    if (!ok || std::isnan(value) || value < std::numeric_limits<qint16>::min() ||
        value > std::numeric_limits<qint16>::max())
        return 1;
    return static_cast<qint16>(std::lround(value));
}

} // namespace

// Resources of a static library are registered explicitly; the name is the .qrc's.
static void initMainWindowResource()
{
    Q_INIT_RESOURCE(main_window);
}

frmIdentificador::frmIdentificador(ProgramValues& values, std::unique_ptr<TrayIcon> tray,
                                   QWidget* parent, const QString& descriptionPath)
    : QWidget(parent)
    , m_values(values)
    , m_tray(std::move(tray))
    , m_skin(Skin::load())
{
    initMainWindowResource();
    setObjectName(QStringLiteral("frmIdentificador"));
    setWindowTitle(ProgramInfo::title());
    setWindowIcon(m_skin.icon);
    // No system title bar. With a notification icon the window also stays off the task bar;
    // without one the task bar is the only way back to it.
    setWindowFlags(Qt::FramelessWindowHint | (m_tray->isAvailable() ? Qt::Tool : Qt::Window));
    setMouseTracking(true);

    buildControls();
    buildMenus();
    loadControls(descriptionPath);
    m_reception = std::make_unique<CallReception>(m_values, *m_datLlamada);
    Form_Load();
}

frmIdentificador::~frmIdentificador()
{
    m_tray->remove();
}

void frmIdentificador::setScreens(Screens screens)
{
    m_screens = std::move(screens);
}

QString frmIdentificador::helpFolder() const
{
    return QDir(m_values.programFolder).filePath(QStringLiteral("ayuda"));
}

void frmIdentificador::Form_Load()
{
    // The screen's twips per pixel, kept for the whole run: positions below and the title-bar
    // drag use them.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_values.twipsPerPixelX = twipsPerPixel(screen->logicalDotsPerInchX());
        m_values.twipsPerPixelY = twipsPerPixel(screen->logicalDotsPerInchY());
    }
    placeControls();
    RecuperaConfig();
    // After the settings: when they switched identification on, the icon shows it at once.
    CreaIconoBandeja();
    attachDatabase();
}

void frmIdentificador::RecuperaConfig()
{
    const StoredConfig config = readStoredConfig(SettingsStore(m_values.programFolder));
    if (config.Puerto)
        m_Lineo1->setPuerto(*config.Puerto);
    m_values.NumeroPuesto = config.NumeroPuesto;
    if (config.ActivarCID)
        m_cmdEncendidoID->click();
    m_values.CarpetaBase = config.CarpetaBase;
}

void frmIdentificador::attachDatabase()
{
    const DatabaseAttachResult attach = attachDatLlamada(*m_datLlamada, m_values.databasePath());
    // The window is not on screen yet: the message stands on its own.
    if (attach.message)
        MessageBox::show(nullptr, *attach.message);
    if (attach.next == DatabaseAttachResult::Next::EndProgram)
        m_loadOutcome = LoadOutcome::EndProgram;
    // Any other failure: the repair comes with the database maintenance; until then the load
    // goes on, and each call reports what it meets.
}

PictureButton* frmIdentificador::addButton(const char* name, int normalPicture,
                                           const QString& toolTip)
{
    auto* button = new PictureButton(this);
    button->setObjectName(QLatin1String(name));
    button->setPicture(m_skin.Image1.value(normalPicture));
    button->setToolTip(toolTip);
    return button;
}

void frmIdentificador::buildControls()
{
    m_PicTitleBar = new PictureBox(this);
    m_PicTitleBar->setObjectName(QStringLiteral("PicTitleBar"));
    m_PicTitleBar->setPicture(m_skin.titleBar);

    m_cmdMenu = addButton("cmdMenu", MenuNormal, QStringLiteral("Menú"));
    m_cmdAyuda = addButton("cmdAyuda", AyudaNormal, QStringLiteral("Ayuda"));
    m_cmdMin = addButton("cmdMin", MinNormal, QStringLiteral("Ocultar"));
    m_cmdEncendidoID = addButton("cmdEncendidoID", EncendidoDesactivado,
                                 QStringLiteral("Activar o desactivar la identificación"));
    m_cmdBasedeDatos =
        addButton("cmdBasedeDatos", BaseDeDatosNormal, QStringLiteral("Llamadas y clientes"));
    m_cmdManual = addButton("cmdManual", ManualNormal, QStringLiteral("Buscar un teléfono"));
    m_cmdLlamante =
        addButton("cmdLlamante", LlamanteNormal, QStringLiteral("Ficha del último llamante"));
    m_cmdPostIt = addButton("cmdPostIt", PostItNormal, QStringLiteral("Nota en el escritorio"));
    // Nobody has called yet.
    m_cmdLlamante->setEnabled(false);

    m_Parlux1 = new Parlux(this);
    m_Parlux1->setObjectName(QStringLiteral("Parlux1"));
    m_Lineo1 = new Lineo(this);
    m_Lineo1->setObjectName(QStringLiteral("Lineo1"));
    m_datLlamada = new DataControl(this);
    m_datLlamada->setObjectName(QStringLiteral("datLlamada"));

    // Moving over any of the seven lights it alone; the switch has no highlight.
    const std::pair<PictureButton*, int> highlights[] = {
        {m_cmdBasedeDatos, BaseDeDatosResaltado},
        {m_cmdManual, ManualResaltado},
        {m_cmdLlamante, LlamanteResaltado},
        {m_cmdPostIt, PostItResaltado},
        {m_cmdMenu, MenuResaltado},
        {m_cmdAyuda, AyudaResaltado},
        {m_cmdMin, MinResaltado},
    };
    for (const auto& [button, highlighted] : highlights) {
        connect(button, &PictureButton::mouseMoved, this, [this, button, highlighted] {
            RestauraBotones();
            button->setPicture(m_skin.Image1.value(highlighted));
        });
    }

    connect(m_PicTitleBar, &PictureBox::mousePressed, this,
            &frmIdentificador::picTitleBar_MouseDown);
    connect(m_PicTitleBar, &PictureBox::mouseMoved, this, &frmIdentificador::picTitleBar_MouseMove);
    connect(m_PicTitleBar, &PictureBox::mouseReleased, this,
            &frmIdentificador::picTitleBar_MouseUp);

    connect(m_cmdEncendidoID, &PictureButton::clicked, this,
            &frmIdentificador::cmdEncendidoID_Click);
    connect(m_cmdMin, &PictureButton::clicked, this, &frmIdentificador::cmdMin_Click);
    connect(m_cmdMenu, &PictureButton::clicked, this, &frmIdentificador::cmdMenu_Click);
    connect(m_cmdAyuda, &PictureButton::clicked, this, &frmIdentificador::cmdAyuda_Click);
    connect(m_cmdBasedeDatos, &PictureButton::clicked, this,
            &frmIdentificador::cmdBaseDeDatos_Click);
    connect(m_cmdManual, &PictureButton::clicked, this, &frmIdentificador::cmdManual_Click);
    connect(m_cmdLlamante, &PictureButton::clicked, this, &frmIdentificador::cmdLlamante_Click);
    connect(m_cmdPostIt, &PictureButton::clicked, this, &frmIdentificador::cmdPostIt_Click);

    // Direct: Numero holds this call only until the next record is read.
    connect(m_Lineo1, &Lineo::Llamada, this, &frmIdentificador::Lineo1_Llamada);
    // The device can vanish while the control reports it from deep inside a read; the window
    // follows once control is back in the event loop.
    connect(m_Lineo1, &Lineo::deviceLost, this, &frmIdentificador::Lineo1_deviceLost,
            Qt::QueuedConnection);

    connect(m_tray.get(), &TrayIcon::leftPressed, this,
            [this](const QPoint& at) { PicLogo_MouseMove(TrayEvent::LeftPressed, at); });
    connect(m_tray.get(), &TrayIcon::rightReleased, this,
            [this](const QPoint& at) { PicLogo_MouseMove(TrayEvent::RightReleased, at); });
}

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

QRect frmIdentificador::twipsRect(int left, int top, int width, int height) const
{
    const auto x = [this](int twips) {
        return static_cast<int>(std::lround(double(twips) / m_values.twipsPerPixelX));
    };
    const auto y = [this](int twips) {
        return static_cast<int>(std::lround(double(twips) / m_values.twipsPerPixelY));
    };
    return {x(left), y(top), x(width), y(height)};
}

void frmIdentificador::placeControls()
{
    setFixedSize(twipsRect(0, 0, formWidth, formHeight).size());
    m_PicTitleBar->setGeometry(twipsRect(0, 0, 4740, 330));
    m_cmdMenu->setGeometry(twipsRect(3180, 60, 495, 210));
    m_cmdAyuda->setGeometry(twipsRect(3780, 60, 495, 210));
    m_cmdMin->setGeometry(twipsRect(4380, 60, 255, 210));
    m_cmdEncendidoID->setGeometry(twipsRect(300, 2880, 405, 255));
    m_cmdBasedeDatos->setGeometry(twipsRect(1440, 2880, 915, 375));
    m_cmdManual->setGeometry(twipsRect(2460, 2880, 915, 375));
    m_cmdLlamante->setGeometry(twipsRect(3480, 2880, 915, 375));
    m_cmdPostIt->setGeometry(twipsRect(3780, 3600, 615, 570));
    m_Parlux1->setGeometry(twipsRect(240, 540, 4275, 2175));
    // The buttons in the title bar sit on top of it.
    m_PicTitleBar->lower();
}

void frmIdentificador::loadControls(const QString& descriptionPath)
{
    const FormDescription description = FormDescription::load(descriptionPath);
    if (description.error())
        MessageBox::show(this, *description.error());
    if (const auto problem = description.restore(QStringLiteral("Lineo1"), *m_Lineo1))
        MessageBox::show(this, *problem);
    if (const auto problem = description.restore(QStringLiteral("Parlux1"), *m_Parlux1))
        MessageBox::show(this, *problem);
}

void frmIdentificador::CreaIconoBandeja()
{
    if (!m_tray->isAvailable())
        return;
    m_tray->setIcon(m_skin.icon);
    m_tray->setToolTip(TextoBandeja(m_Lineo1->Enabled()));
    m_tray->show();
}

void frmIdentificador::updateTrayToolTip()
{
    m_tray->setToolTip(TextoBandeja(m_Lineo1->Enabled()));
}

void frmIdentificador::hideToTray()
{
    if (m_tray->isShown())
        hide();
    else
        showMinimized();
}

void frmIdentificador::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(QPointF(0, 0), m_skin.background);
}

void frmIdentificador::mouseMoveEvent(QMouseEvent* event)
{
    RestauraBotones();
    QWidget::mouseMoveEvent(event);
}

void frmIdentificador::showEvent(QShowEvent* event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(0, 0), size());
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}

void frmIdentificador::closeEvent(QCloseEvent* event)
{
    m_tray->remove();
    event->ignore();
    CreaIconoBandeja();
    if (isVisible())
        hideToTray();
}

bool frmIdentificador::isAvailableToUser() const
{
    return isEnabled() && QApplication::activeModalWidget() == nullptr;
}

void frmIdentificador::Lineo1_Llamada()
{
    if (isAvailableToUser())
        mnuAbrir_Click();
    Recibe_llamada(m_Lineo1->Numero());
}

void frmIdentificador::Recibe_llamada(const QString& Tel)
{
    const ReceptionResult result = m_reception->receive(Tel);
    if (result.message)
        MessageBox::show(this, *result.message);
    if (result.hideMainWindow) {
        // The counter could not be updated: the window goes away, as a close does, and its
        // panel is not filled for a window nobody sees.
        close();
        return;
    }
    if (result.notice) {
        const CallerNotice& notice = *result.notice;
        m_Parlux1->Mostrar(notice.Num, notice.F, notice.H, notice.Nom, notice.Dom, notice.Ob,
                           notice.Al, notice.N);
    }
    if (result.cmdLlamanteEnabled) {
        m_cmdLlamante->setEnabled(*result.cmdLlamanteEnabled);
        // So that a key opens the caller's record at once.
        if (*result.cmdLlamanteEnabled && isAvailableToUser())
            m_cmdLlamante->setFocus();
    }
}

void frmIdentificador::RestauraBotones()
{
    m_cmdBasedeDatos->setPicture(m_skin.Image1.value(BaseDeDatosNormal));
    m_cmdLlamante->setPicture(m_skin.Image1.value(LlamanteNormal));
    m_cmdManual->setPicture(m_skin.Image1.value(ManualNormal));
    m_cmdMenu->setPicture(m_skin.Image1.value(MenuNormal));
    m_cmdAyuda->setPicture(m_skin.Image1.value(AyudaNormal));
    m_cmdMin->setPicture(m_skin.Image1.value(MinNormal));
    m_cmdPostIt->setPicture(m_skin.Image1.value(PostItNormal));
}

void frmIdentificador::picTitleBar_MouseDown(const QPoint& globalPos)
{
    m_drag.press(globalPos);
}

void frmIdentificador::picTitleBar_MouseMove(const QPoint& globalPos)
{
    RestauraBotones();
    const auto shift = m_drag.move(globalPos, m_values.twipsPerPixelX, m_values.twipsPerPixelY);
    if (!shift)
        return;
    const int leftTwips = x() * m_values.twipsPerPixelX + shift->x();
    const int topTwips = y() * m_values.twipsPerPixelY + shift->y();
    move(static_cast<int>(std::lround(double(leftTwips) / m_values.twipsPerPixelX)),
         static_cast<int>(std::lround(double(topTwips) / m_values.twipsPerPixelY)));
}

void frmIdentificador::picTitleBar_MouseUp()
{
    m_drag.release();
}

void frmIdentificador::cmdEncendidoID_Click()
{
    switchIdentification(m_Lineo1->Enabled() ? Switch::Off : Switch::On);
}

void frmIdentificador::Lineo1_deviceLost()
{
    // Switched on again since the loss was reported: nothing to follow.
    if (m_Lineo1->Enabled())
        return;
    switchIdentification(Switch::Off);
}

void frmIdentificador::switchIdentification(Switch direction)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SettingsStore settings(m_values.programFolder);
    m_Parlux1->setPuesto(puestoForPanel(settings.puesto(QStringLiteral("1"))));
    m_Parlux1->setPuestoVisible(true);
    m_cmdEncendidoID->setEnabled(false);

    if (direction == Switch::On) {
        // Read afresh: the wizard may have chosen another port since the last switch.
        m_Lineo1->setPuerto(leadingNumber(settings.puerto()));
        m_Lineo1->setEnabled(true);
        if (m_Lineo1->Enabled()) {
            m_cmdEncendidoID->setPicture(m_skin.Image1.value(EncendidoActivado));
            m_Parlux1->setEnabledFlag(true);
            m_mnuConfiguracion->setEnabled(false);
            m_mnuConfiguracion1->setEnabled(false);
            m_cmdManual->setEnabled(false);
            m_mnuActivar->setText(QStringLiteral("Desa&ctivar Llamora"));
        }
    } else {
        m_Lineo1->setEnabled(false);
        if (!m_Lineo1->Enabled()) {
            m_cmdEncendidoID->setPicture(m_skin.Image1.value(EncendidoDesactivado));
            m_Parlux1->setEnabledFlag(false);
            m_mnuConfiguracion->setEnabled(true);
            m_mnuConfiguracion1->setEnabled(true);
            m_cmdManual->setEnabled(true);
            m_mnuActivar->setText(QStringLiteral("A&ctivar Llamora"));
            m_cmdLlamante->setEnabled(false);
        }
    }

    m_cmdEncendidoID->setEnabled(true);
    m_Parlux1->setPuestoVisible(false);
    QApplication::restoreOverrideCursor();
    updateTrayToolTip();
}

void frmIdentificador::PicLogo_MouseMove(TrayEvent event, const QPoint& globalPos)
{
    if (m_trayGuard)
        return;
    m_trayGuard = true;
    switch (event) {
    case TrayEvent::LeftPressed:
        // A modal dialog of the window is open: it must be answered first.
        if (isEnabled() && QApplication::activeModalWidget() == nullptr)
            mnuAbrir_Click();
        m_trayGuard = false;
        break;
    case TrayEvent::RightReleased:
        // The guard drops when the menu closes (see buildMenus).
        m_mnuBar->popup(globalPos, m_mnuBar->defaultAction());
        if (!m_mnuBar->isVisible())
            m_trayGuard = false;
        break;
    }
}

void frmIdentificador::mnuAbrir_Click()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void frmIdentificador::mnuActivar_Click()
{
    m_cmdEncendidoID->click();
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

void frmIdentificador::mnuCompactar_Click()
{
    run(m_screens.compactar);
}

void frmIdentificador::mnuReparar_Click()
{
    run(m_screens.reparar);
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
