#include "frmConfiguracion.h"

#include "Autostart.h"
#include "FolderChooser.h"
#include "Lineo.h"
#include "MessageBox.h"
#include "PortItemDelegate.h"
#include "database/DatabaseFile.h"
#include "settings/SettingsStore.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSerialPortInfo>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int portCount = 16;
constexpr int workstationCount = 10;
constexpr int defaultPort = 4;
constexpr int explanationWidth = 230;

// The wizard's colours, as the program always drew them.
const QColor headingColour(0xC0, 0x00, 0x00);
const QColor explanationColour(0x00, 0x00, 0xFF);
const QColor detectedColour(0x00, 0x80, 0x00);
const QColor notDetectedColour(0xFF, 0x00, 0x00);

const QLatin1String portPrefix("Com");

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void makeBold(QWidget* widget)
{
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

} // namespace

frmConfiguracion::frmConfiguracion(Lineo& Lineo1, const QString& programFolder, QWidget* parent)
    : QDialog(parent)
    , m_Lineo1(Lineo1)
    , m_programFolder(programFolder)
    , m_ports(PortTable::load())
    , m_portsAtOpening(m_ports)
{
    setObjectName(QStringLiteral("frmConfiguracion"));
    setWindowTitle(QStringLiteral("Configuración Llamora"));
    setModal(true);

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    const QStringList tabTexts{QStringLiteral("&Modem"), QStringLiteral("&Base de Datos"),
                               QStringLiteral("&General")};
    for (int tab = 0; tab < tabTexts.size(); ++tab) {
        auto* frame = new QWidget(SSTab1);
        frame->setObjectName(QStringLiteral("fraSettings_%1").arg(tab));
        fraSettings.append(frame);
        SSTab1->addTab(frame, tabTexts.at(tab));
    }
    buildModemTab(fraSettings.at(0));
    buildDatabaseTab(fraSettings.at(1));
    buildGeneralTab(fraSettings.at(2));
    buildStepTexts();
    buildButtons();

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblmsg);
    texts->addSpacing(8);
    texts->addWidget(lblMsg1);
    texts->addSpacing(8);
    texts->addWidget(lblMsg2);
    texts->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(SSTab1, 1);
    top->addLayout(texts);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAtras);
    buttons->addWidget(cmdSiguiente);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    Form_Load();

    connect(cboPort, &QComboBox::activated, this, &frmConfiguracion::cboPort_Click);
    connect(SSTab1, &QTabWidget::currentChanged, this, &frmConfiguracion::SSTab1_Click);
    connect(cmdAtras, &QPushButton::clicked, this, &frmConfiguracion::cmdAtras_Click);
    connect(cmdSiguiente, &QPushButton::clicked, this, &frmConfiguracion::cmdSiguiente_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmConfiguracion::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConfiguracion::cmdCancel_Click);
    connect(cmdAsignar, &QPushButton::clicked, this, &frmConfiguracion::cmdAsignar_Click);
}

void frmConfiguracion::buildModemTab(QWidget* frame)
{
    Label1 = new QLabel(QStringLiteral("&Puerto:"), frame);
    Label1->setObjectName(QStringLiteral("Label1"));
    cboPort = new QComboBox(frame);
    cboPort->setObjectName(QStringLiteral("cboPort"));
    cboPort->setEditable(false);
    cboPort->setItemDelegate(new PortItemDelegate(cboPort));
    Label1->setBuddy(cboPort);

    lblDispositivo = new QLabel(QStringLiteral("Dispositi&vo:"), frame);
    lblDispositivo->setObjectName(QStringLiteral("lblDispositivo"));
    cboDispositivo = new QComboBox(frame);
    cboDispositivo->setObjectName(QStringLiteral("cboDispositivo"));
    cboDispositivo->setEditable(true);
    cboDispositivo->setInsertPolicy(QComboBox::NoInsert);
    cboDispositivo->setToolTip(
        QStringLiteral("Archivo de dispositivo del modem para el puerto elegido, por ejemplo "
                       "/dev/ttyACM0 o /dev/ttyUSB0. Vacío: el dispositivo predeterminado."));
    lblDispositivo->setBuddy(cboDispositivo);
    cmdAsignar = new QPushButton(QStringLiteral("Asig&nar"), frame);
    cmdAsignar->setObjectName(QStringLiteral("cmdAsignar"));
    cmdAsignar->setAutoDefault(false);

    Frame7 = new QGroupBox(QStringLiteral("CID"), frame);
    Frame7->setObjectName(QStringLiteral("Frame7"));
    lblDetectado = new QLabel(QStringLiteral("Sin detectar"), Frame7);
    lblDetectado->setObjectName(QStringLiteral("lblDetectado"));
    lblDetectado->setAlignment(Qt::AlignCenter);
    makeBold(lblDetectado);
    auto* cidLayout = new QVBoxLayout(Frame7);
    cidLayout->addWidget(lblDetectado);

    auto* layout = new QGridLayout(frame);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(cboPort, 0, 1);
    layout->addWidget(lblDispositivo, 1, 0);
    layout->addWidget(cboDispositivo, 1, 1);
    layout->addWidget(cmdAsignar, 1, 2);
    layout->addWidget(Frame7, 2, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);
}

void frmConfiguracion::buildDatabaseTab(QWidget* frame)
{
    Dir1 = new FolderChooser(frame);
    Dir1->setObjectName(QStringLiteral("FolderChooser"));
    Label2 = new QLabel(QStringLiteral("Ubicación actual:"), frame);
    Label2->setObjectName(QStringLiteral("Label2"));
    lblActual = new QLabel(frame);
    lblActual->setObjectName(QStringLiteral("lblActual"));
    lblActual->setWordWrap(true);
    lblActual->setTextInteractionFlags(Qt::TextSelectableByMouse);
    makeBold(lblActual);

    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(Dir1, 1);
    layout->addWidget(Label2);
    layout->addWidget(lblActual);
}

void frmConfiguracion::buildGeneralTab(QWidget* frame)
{
    Frame1 = new QGroupBox(QStringLiteral("Opciones"), frame);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    chkActivar = new QCheckBox(QStringLiteral("Activar Llamora al &iniciarse"), Frame1);
    chkActivar->setObjectName(QStringLiteral("chkActivar"));
    chkInicio = new QCheckBox(QStringLiteral("Ejecutar Llamora al iniciar &Windows"), Frame1);
    chkInicio->setObjectName(QStringLiteral("chkInicio"));
    auto* options = new QVBoxLayout(Frame1);
    options->addWidget(chkActivar);
    options->addWidget(chkInicio);

    lblPuesto = new QLabel(QStringLiteral("Nro. de p&uesto:"), frame);
    lblPuesto->setObjectName(QStringLiteral("lblPuesto"));
    cboPuesto = new QComboBox(frame);
    cboPuesto->setObjectName(QStringLiteral("cboPuesto"));
    cboPuesto->setEditable(false);
    lblPuesto->setBuddy(cboPuesto);

    auto* workstation = new QHBoxLayout;
    workstation->addWidget(lblPuesto);
    workstation->addWidget(cboPuesto);
    workstation->addStretch(1);

    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(Frame1);
    layout->addLayout(workstation);
    layout->addStretch(1);
}

void frmConfiguracion::buildStepTexts()
{
    lblmsg = new QLabel(this);
    lblmsg->setObjectName(QStringLiteral("lblmsg"));
    makeBold(lblmsg);
    setTextColour(lblmsg, headingColour);
    lblMsg1 = new QLabel(this);
    lblMsg1->setObjectName(QStringLiteral("lblMsg1"));
    lblMsg2 = new QLabel(this);
    lblMsg2->setObjectName(QStringLiteral("lblMsg2"));
    for (QLabel* label : {lblmsg, lblMsg1, lblMsg2}) {
        label->setWordWrap(true);
        label->setFixedWidth(explanationWidth);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    setTextColour(lblMsg1, explanationColour);
    setTextColour(lblMsg2, explanationColour);
}

void frmConfiguracion::buildButtons()
{
    cmdAtras = new QPushButton(QStringLiteral("<<  &Atrás"), this);
    cmdAtras->setObjectName(QStringLiteral("cmdAtras"));
    cmdSiguiente = new QPushButton(QStringLiteral("&Siguiente  >>"), this);
    cmdSiguiente->setObjectName(QStringLiteral("cmdSiguiente"));
    cmdOK = new QPushButton(QStringLiteral("&Finalizar"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // Enter must not finish the wizard from a list; the buttons answer their own keys. Esc
    // is the dialog's reject, which is Cancel.
    for (QPushButton* button : {cmdAtras, cmdSiguiente, cmdOK, cmdCancel})
        button->setAutoDefault(false);
}

void frmConfiguracion::Form_Load()
{
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }

    for (int n = 1; n <= portCount; ++n)
        cboPort->addItem(portPrefix + QString::number(n));
    cboPort->setCurrentIndex(-1);
    showPortDevices();
    for (int n = 1; n <= workstationCount; ++n)
        cboPuesto->addItem(QString::number(n));
    cboPuesto->setCurrentIndex(-1);

    lblActual->setText(QDir::toNativeSeparators(m_programFolder));
    Dir1->openFolder(m_programFolder);

    CargaConfiguracion();

    SSTab1->setCurrentIndex(0);
    MuestraPaso(static_cast<quint8>(SSTab1->currentIndex()));
}

void frmConfiguracion::CargaConfiguracion()
{
    const SettingsStore settings(m_programFolder);

    // Selecting the port is a selection like the user's: it runs the detection once.
    cboPort->setCurrentIndex(
        cboPort->findText(portPrefix + settings.read(SettingKey::Puerto, QString())));
    if (cboPort->currentIndex() < 0)
        cboPort->setCurrentIndex(cboPort->findText(portPrefix + QString::number(defaultPort)));
    cboPort_Click();

    cboPuesto->setCurrentIndex(cboPuesto->findText(settings.read(SettingKey::Puesto, QString())));
    if (cboPuesto->currentIndex() < 0)
        cboPuesto->setCurrentIndex(0);

    chkInicio->setChecked(EstaEnInicioWindows());

    // Only 1 and 0 mean anything; a missing or odd value leaves the box unchecked.
    bool isNumber = false;
    const int activar = settings.read(SettingKey::ActivarCID, QString()).toInt(&isNumber);
    if (isNumber && (activar == 0 || activar == 1))
        chkActivar->setChecked(activar == 1);

    const QString storedFolder = settings.read(SettingKey::BaseDeDatos, QString());
    lblActual->setText(QDir::toNativeSeparators(storedFolder));
    if (!storedFolder.isEmpty())
        Dir1->openFolder(QDir::fromNativeSeparators(storedFolder));

    if (lblActual->text().isEmpty()) {
        lblActual->setText(QDir::toNativeSeparators(m_programFolder));
        Dir1->openFolder(m_programFolder);
    }
}

void frmConfiguracion::MuestraPaso(quint8 step)
{
    switch (step) {
    case 0:
        cmdAtras->setEnabled(false);
        cmdSiguiente->setEnabled(true);
        lblmsg->setText(QStringLiteral("Identificación de llamadas"));
        lblMsg1->setText(
            QStringLiteral("Seleccione el Número de Puerto que utiliza su modem, según se indica "
                           "en ") +
            QStringLiteral("´") + QStringLiteral("Propiedades de Modems") + QStringLiteral("´") +
            QStringLiteral(" en el ") + QStringLiteral("´") + QStringLiteral("Panel de control.") +
            QStringLiteral("´. Espere a que el CID sea detectado."));
        lblMsg2->setText(QStringLiteral(
            "Debe de disponer del servicio de identificación de llamadas. Y que su modem sea "
            "compatible con la norma de Caller ID de su compañía de teléfonos (vea la ayuda "
            "para más información)."));
        break;
    case 1:
        cmdAtras->setEnabled(true);
        cmdSiguiente->setEnabled(true);
        lblmsg->setText(QStringLiteral("Configuración en Red     (Puesto Remoto)"));
        lblMsg1->setText(
            QStringLiteral("Indique la unidad y carpeta de la base de datos (Llamora.mdb) si va "
                           "a utilizar Llamora en red. De lo contrario omita este paso."));
        lblMsg2->setText(
            QStringLiteral("Debe haber instalado y configurado esta PC en red con el Puesto "
                           "Principal para utilizar esta opción (vea la ayuda para más "
                           "información)."));
        break;
    case 2:
        cmdAtras->setEnabled(true);
        cmdSiguiente->setEnabled(false);
        lblmsg->setText(QStringLiteral("Opciones"));
        lblMsg1->setText(QStringLiteral(
            "Establezca el número de puesto si va a utilizar más de un puesto Llamora. "));
        lblMsg2->setText(QStringLiteral("Indique las opciones para utilizar Llamora."));
        break;
    default:
        break;
    }
}

bool frmConfiguracion::DetectaCID()
{
    showDetected(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The detection blocks the event loop: show the state before it starts.
    lblDetectado->repaint();

    const int port = selectedPort();
    m_Lineo1.setPuerto(port);
    m_Lineo1.setEnabled(true);
    const bool detected = m_Lineo1.Enabled();
    showDetected(detected);
    m_Lineo1.setEnabled(false);

    QApplication::restoreOverrideCursor();
    return detected;
}

bool frmConfiguracion::VerificaBaseDatos()
{
    // The engine matches the file name without regard to case.
    if (probeDatabaseFile(Dir1->folder() + QStringLiteral("/llamora.mdb")) == 0)
        return true;
    MessageBox::show(this,
                     QStringLiteral("La Base de Datos no se encuentra en la ubicación "
                                    "indicada !"),
                     MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

void frmConfiguracion::AgregaInicioWindows()
{
    Autostart::add(programFilePath());
}

void frmConfiguracion::QuitaInicioWindows()
{
    Autostart::remove();
}

bool frmConfiguracion::EstaEnInicioWindows()
{
    return Autostart::isPresent();
}

void frmConfiguracion::cboPort_Click()
{
    showPortDevices();
    DetectaCID();
}

void frmConfiguracion::cmdAtras_Click()
{
    if (SSTab1->currentIndex() > 0)
        SSTab1->setCurrentIndex(SSTab1->currentIndex() - 1);
    MuestraPaso(static_cast<quint8>(SSTab1->currentIndex()));
}

void frmConfiguracion::cmdSiguiente_Click()
{
    if (SSTab1->currentIndex() < SSTab1->count() - 1)
        SSTab1->setCurrentIndex(SSTab1->currentIndex() + 1);
    MuestraPaso(static_cast<quint8>(SSTab1->currentIndex()));
}

void frmConfiguracion::SSTab1_Click()
{
    MuestraPaso(static_cast<quint8>(SSTab1->currentIndex()));
}

void frmConfiguracion::cmdOK_Click()
{
    SettingsStore settings(m_programFolder);
    settings.write(SettingKey::Puerto, cboPort->currentText().mid(3));
    settings.write(SettingKey::Puesto, cboPuesto->currentText());
    if (chkInicio->isChecked())
        AgregaInicioWindows();
    else
        QuitaInicioWindows();
    settings.write(SettingKey::ActivarCID,
                   chkActivar->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    if (VerificaBaseDatos()) {
        settings.write(SettingKey::BaseDeDatos, Dir1->folder());
        accept();
    }
}

void frmConfiguracion::cmdCancel_Click()
{
    reject();
}

void frmConfiguracion::reject()
{
    // Cancel stores nothing: a device set for a port during this opening is taken back.
    if (m_portsChanged)
        static_cast<void>(m_portsAtOpening.save());
    QDialog::reject();
}

void frmConfiguracion::cmdAsignar_Click()
{
    const int port = selectedPort();
    if (port < 1)
        return;
    const QString device = cboDispositivo->currentText().trimmed();
    if (!device.isEmpty() && !QDir::isAbsolutePath(device)) {
        MessageBox::show(this,
                         QStringLiteral("Indique la ruta completa del dispositivo, por ejemplo "
                                        "/dev/ttyACM0 o /dev/ttyUSB0."),
                         MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    m_ports.setDevice(port, device);
    if (!m_ports.save()) {
        m_ports = PortTable::load();
        MessageBox::show(this,
                         QStringLiteral("No se pudo guardar la tabla de puertos en ") +
                             QDir::toNativeSeparators(PortTable::filePath()),
                         MessageIcon::Exclamation, MessageButtons::Ok);
        showPortDevices();
        return;
    }
    m_portsChanged = true;
    // The line control reads the table whenever it opens a port: try the new device at once.
    cboPort_Click();
}

int frmConfiguracion::selectedPort() const
{
    return cboPort->currentText().mid(3).toInt();
}

QString frmConfiguracion::programFilePath() const
{
    return m_programFolder + QLatin1Char('/') +
           QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

// Every entry carries its device for the list; the device box shows the selected entry's.
void frmConfiguracion::showPortDevices()
{
    for (int i = 0; i < cboPort->count(); ++i) {
        const int port = cboPort->itemText(i).mid(3).toInt();
        const QString device = m_ports.device(port);
        cboPort->setItemData(i, device, PortItemDelegate::DeviceRole);
        cboPort->setItemData(i, device, Qt::ToolTipRole);
    }
    cboPort->view()->setMinimumWidth(cboPort->view()->sizeHintForColumn(0) +
                                     style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    const int port = selectedPort();
    cboDispositivo->clear();
    if (port < 1)
        return;
    QStringList choices{m_ports.device(port)};
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (!choices.contains(info.systemLocation()))
            choices.append(info.systemLocation());
    }
    cboDispositivo->addItems(choices);
    cboDispositivo->setCurrentIndex(0);
    cboPort->setToolTip(m_ports.device(port));
}

void frmConfiguracion::showDetected(bool detected)
{
    lblDetectado->setText(detected ? QStringLiteral("Detectado") : QStringLiteral("Sin detectar"));
    setTextColour(lblDetectado, detected ? detectedColour : notDetectedColour);
}
