#include "frmIdentificador.h"

#include "FormDescription.h"
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

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace {

// Client area, in twips.
constexpr int formWidth = 4740;
constexpr int formHeight = 4635;

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
    setWindowFlags(windowFlagsFor(m_tray->isAvailable()));
    setMouseTracking(true);

    buildControls();
    buildMenus();
    loadControls(descriptionPath);
    m_reception = std::make_unique<CallReception>(m_values, *m_datLlamada);
    buildOutbox();
    Form_Load();
    // Calls left waiting by an earlier run: the balloon needs the icon the load has just added.
    showBalloonIfDue();
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
    m_values.Servidor = config.Servidor;
}

void frmIdentificador::attachDatabase()
{
    const DatabaseAttachResult attach = attachDatLlamada(*m_datLlamada, m_values.databasePath());
    // The window is not on screen yet: the message stands on its own.
    if (attach.message)
        MessageBox::show(nullptr, *attach.message);
    if (attach.next == DatabaseAttachResult::Next::EndProgram)
        m_loadOutcome = LoadOutcome::EndProgram;
    // Any other failure: the repair runs, and the load goes on.
    if (attach.next == DatabaseAttachResult::Next::Repair)
        mnuReparar_Click();
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
    connect(m_Lineo1, &Lineo::estadoChanged, this, &frmIdentificador::Lineo1_estadoChanged);

    connect(m_tray.get(), &TrayIcon::leftPressed, this,
            [this](const QPoint& at) { PicLogo_MouseMove(TrayEvent::LeftPressed, at); });
    connect(m_tray.get(), &TrayIcon::rightReleased, this,
            [this](const QPoint& at) { PicLogo_MouseMove(TrayEvent::RightReleased, at); });
    connect(m_tray.get(), &TrayIcon::availabilityChanged, this,
            &frmIdentificador::followTrayAvailability);
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
    placeOutboxMark();
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
        followReception(result);
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
    followReception(result);
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
