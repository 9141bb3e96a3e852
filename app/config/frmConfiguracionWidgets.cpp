#include "FolderChooser.h"
#include "PortItemDelegate.h"
#include "WizardLook.h"
#include "frmConfiguracion.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

// The wizard's widgets: its three tabs, the step texts beside them and the buttons below.

using namespace wizard;

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
    cboDispositivo->setItemDelegate(new PortItemDelegate(cboDispositivo));
    cboDispositivo->setToolTip(QStringLiteral(
        "Archivo de dispositivo del modem para el puerto elegido, por ejemplo "
        "/dev/ttyACM0 o /dev/ttyUSB0. Los nombres de /dev/serial/by-id no cambian al "
        "reiniciar ni al volver a conectar un módem USB. Vacío: el dispositivo "
        "predeterminado."));
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
    lblActual->setTextFormat(Qt::PlainText);
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
    chkInicio = new QCheckBox(QStringLiteral("Ejecutar Llamora al iniciar la s&esión"), Frame1);
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
