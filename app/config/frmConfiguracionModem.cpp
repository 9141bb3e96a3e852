#include "Lineo.h"
#include "MessageBox.h"
#include "PlainToolTip.h"
#include "PortItemDelegate.h"
#include "SerialDeviceChoices.h"
#include "WaitCursor.h"
#include "WizardLook.h"
#include "frmConfiguracion.h"
#include "settings/SettingsStore.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QStyle>

// The modem tab's work: the port list with each port's device, assigning a device and the
// detection through the main window's line control.

using namespace wizard;

void frmConfiguracion::cboPort_Click()
{
    showPortDevices();
    DetectaCID();
}

bool frmConfiguracion::DetectaCID()
{
    showDetected(false);
    const WaitCursor hourglass;
    // The detection blocks the event loop: show the state before it starts.
    lblDetectado->repaint();

    const int port = selectedPort();
    m_Lineo1.setPuerto(port);
    // The modem is tried even where a SIP line is stored.
    m_Lineo1.setFuente(LineSource::Modem);
    m_Lineo1.setEnabled(true);
    const bool detected = m_Lineo1.Enabled();
    showDetected(detected);
    m_Lineo1.setEnabled(false);
    m_Lineo1.setFuente(std::nullopt);
    return detected;
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
                         QStringLiteral("No se pudo guardar la tabla de puertos en «%1»: %2.")
                             .arg(QDir::toNativeSeparators(PortTable::filePath()),
                                  SettingsStore::writeProblemFor(PortTable::filePath())),
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

// Every entry carries its device for the list; the device box shows the selected entry's.
void frmConfiguracion::showPortDevices()
{
    for (int i = 0; i < cboPort->count(); ++i) {
        const int port = cboPort->itemText(i).mid(3).toInt();
        const QString device = m_ports.device(port);
        cboPort->setItemData(i, device, PortItemDelegate::DeviceRole);
        cboPort->setItemData(i, plainToolTip(device), Qt::ToolTipRole);
    }
    cboPort->view()->setMinimumWidth(cboPort->view()->sizeHintForColumn(0) +
                                     style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    const int port = selectedPort();
    cboDispositivo->clear();
    if (port < 1)
        return;
    // The port's own device first, then the stable names and the system's devices, each once,
    // with what it is drawn beside it.
    cboDispositivo->addItem(m_ports.device(port));
    for (const SerialDevice& device : serialDeviceChoices()) {
        if (cboDispositivo->findText(device.location) >= 0)
            continue;
        cboDispositivo->addItem(device.location);
        const int index = cboDispositivo->count() - 1;
        cboDispositivo->setItemData(index, device.description, PortItemDelegate::DeviceRole);
        cboDispositivo->setItemData(index, plainToolTip(device.description), Qt::ToolTipRole);
    }
    cboDispositivo->view()->setMinimumWidth(cboDispositivo->view()->sizeHintForColumn(0) +
                                            style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    cboDispositivo->setCurrentIndex(0);
    cboPort->setToolTip(plainToolTip(m_ports.device(port)));
}

void frmConfiguracion::showDetected(bool detected)
{
    lblDetectado->setText(detected ? QStringLiteral("Detectado") : QStringLiteral("Sin detectar"));
    setTextColour(lblDetectado, detected ? detectedColour : notDetectedColour);
}
