#include "frmConfiguracion.h"

#include "FolderChooser.h"
#include "Lineo.h"
#include "MessageBox.h"
#include "SipLine.h"
#include "WizardLook.h"
#include "database/DatabaseFile.h"
#include "settings/ServerSetting.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace wizard;

frmConfiguracion::frmConfiguracion(Lineo& Lineo1, const QString& programFolder, QWidget* parent,
                                   const QString& dataFolder)
    : QDialog(parent)
    , m_Lineo1(Lineo1)
    , m_programFolder(programFolder)
    , m_dataFolder(dataFolder)
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
    buildModemTab(buildLineChoice(fraSettings.at(0)));
    buildDatabaseTab(buildDatabaseChoice(fraSettings.at(1)));
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
    connect(optModem, &QRadioButton::clicked, this, &frmConfiguracion::optFuente_Click);
    connect(optSip, &QRadioButton::clicked, this, &frmConfiguracion::optFuente_Click);
    connect(cmdProbar, &QPushButton::clicked, this, &frmConfiguracion::cmdProbar_Click);
    connect(optCarpeta, &QRadioButton::clicked, this, &frmConfiguracion::optBase_Click);
    connect(optServidor, &QRadioButton::clicked, this, &frmConfiguracion::optBase_Click);
    connect(cmdProbarBase, &QPushButton::clicked, this, &frmConfiguracion::cmdProbarBase_Click);
}

frmConfiguracion::~frmConfiguracion() = default;

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

    lblActual->setText(QDir::toNativeSeparators(defaultFolder()));
    Dir1->openFolder(defaultFolder());

    CargaConfiguracion();

    SSTab1->setCurrentIndex(0);
    MuestraPaso(static_cast<quint8>(SSTab1->currentIndex()));
}

void frmConfiguracion::CargaConfiguracion()
{
    const SettingsStore settings(m_programFolder);

    loadLineSettings();
    // Selecting the port is a selection like the user's: it runs the detection once (for a
    // modem line; a SIP line is tried with "Probar").
    cboPort->setCurrentIndex(
        cboPort->findText(portPrefix + settings.read(SettingKey::Puerto, QString())));
    if (cboPort->currentIndex() < 0)
        cboPort->setCurrentIndex(cboPort->findText(portPrefix + QString::number(defaultPort)));
    if (sipChosen())
        showPortDevices();
    else
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
        lblActual->setText(QDir::toNativeSeparators(defaultFolder()));
        Dir1->openFolder(defaultFolder());
    }
    loadServerSettings();
}

// The program folder of an installed package is read-only for users; its shared data folder is
// where the office's database belongs.
QString frmConfiguracion::defaultFolder() const
{
    return QFileInfo(m_dataFolder).isDir() ? m_dataFolder : m_programFolder;
}

void frmConfiguracion::MuestraPaso(quint8 step)
{
    switch (step) {
    case 0:
        cmdAtras->setEnabled(false);
        cmdSiguiente->setEnabled(true);
        lblmsg->setText(QStringLiteral("Identificación de llamadas"));
        if (sipChosen()) {
            lblMsg1->setText(QStringLiteral(
                "Indique el servidor SIP de la centralita o del proveedor y el usuario del que "
                "este puesto será un dispositivo más. Pulse ´Probar´ para comprobar el "
                "registro."));
            lblMsg2->setText(QStringLiteral(
                "La centralita debe hacer sonar todos los dispositivos del usuario (o un grupo "
                "de llamada que incluya este puesto). Llamora nunca contesta: solo muestra quién "
                "llama (vea la ayuda para más información)."));
            break;
        }
        lblMsg1->setText(
            QStringLiteral("Seleccione el Número de Puerto que utiliza su modem, según se indica "
                           "en la lista ´Dispositivo´. Espere a que el CID sea detectado."));
        lblMsg2->setText(QStringLiteral(
            "Debe de disponer del servicio de identificación de llamadas. Y que su modem sea "
            "compatible con la norma de Caller ID de su compañía de teléfonos (vea la ayuda "
            "para más información)."));
        break;
    case 1:
        cmdAtras->setEnabled(true);
        cmdSiguiente->setEnabled(true);
        lblmsg->setText(QStringLiteral("Configuración en Red     (Puesto Remoto)"));
        if (serverChosen()) {
            lblMsg1->setText(QStringLiteral(
                "Indique el servidor PostgreSQL de la oficina, la base de datos y el usuario. "
                "Pulse ´Probar´ para comprobar la conexión."));
            lblMsg2->setText(QStringLiteral(
                "La contraseña se guarda solo en el archivo ~/.pgpass de este usuario; déjela "
                "vacía si el servidor no la pide (vea la ayuda para más información)."));
            break;
        }
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

bool frmConfiguracion::VerificaBaseDatos()
{
    // The engine matches the file name without regard to case.
    const QString path = Dir1->folder() + QStringLiteral("/llamora.mdb");
    if (probeDatabaseFile(path) != 0) {
        MessageBox::show(this,
                         QStringLiteral("La Base de Datos no se encuentra en la ubicación "
                                        "indicada !"),
                         MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    }
    // A file this user may only read would take no call at all.
    const WriteAccess access = probeWriteAccess(path);
    if (access == WriteAccess::Writable)
        return true;
    MessageBox::show(this,
                     QStringLiteral("La Base de Datos de la ubicación indicada no se puede usar "
                                    "para registrar llamadas: ") +
                         writeAccessProblem(access, path) + QStringLiteral("."),
                     MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
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
    // A value that cannot be stored stops here with the dialog open and every choice still in
    // it: the user can mend the folder and finish again, or cancel.
    const auto store = [this, &settings](SettingKey key, const QString& value) {
        if (settings.write(key, value))
            return true;
        MessageBox::show(
            this,
            QStringLiteral("No se pudo guardar la configuración en «%1»: %2.")
                .arg(QDir::toNativeSeparators(settings.filePath()), settings.writeProblem()),
            MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    };
    // An incomplete SIP account stops the finish before anything is written.
    if (!checkLineSettings())
        return;
    if (!store(SettingKey::Puerto, cboPort->currentText().mid(3)) ||
        !store(SettingKey::Puesto, cboPuesto->currentText()))
        return;
    if (chkInicio->isChecked())
        AgregaInicioWindows();
    else
        QuitaInicioWindows();
    if (!store(SettingKey::ActivarCID,
               chkActivar->isChecked() ? QStringLiteral("1") : QStringLiteral("0")))
        return;
    if (!storeLineSettings())
        return;
    // The server, when chosen, takes the place of the folder, which stays stored for a return
    // to the shared file.
    if (serverChosen()) {
        if (VerificaServidor() &&
            store(SettingKey::Servidor, serverSettingText(serverAddressFromForm())))
            accept();
        return;
    }
    if (VerificaBaseDatos() && store(SettingKey::BaseDeDatos, Dir1->folder()) &&
        store(SettingKey::Servidor, QString()))
        accept();
}

void frmConfiguracion::cmdCancel_Click()
{
    reject();
}

void frmConfiguracion::reject()
{
    // Cancel stores nothing: a device set for a port during this opening is taken back. When
    // that cannot be written the changed device stays in use, so the user must hear of it.
    if (m_portsChanged && !m_portsAtOpening.save())
        MessageBox::show(
            this,
            QStringLiteral("No se pudo deshacer el cambio en la tabla de puertos «%1»: "
                           "%2. El dispositivo asignado sigue en uso.")
                .arg(QDir::toNativeSeparators(PortTable::filePath()),
                     SettingsStore::writeProblemFor(PortTable::filePath())),
            MessageIcon::Exclamation, MessageButtons::Ok);
    QDialog::reject();
}
