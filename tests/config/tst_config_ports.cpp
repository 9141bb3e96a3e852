// The wizard's modem detection and the choice of serial port and device.

#include "ConfigWizardFixture.h"

class ConfigPortsTest : public ConfigWizardTestBase
{
    Q_OBJECT

private slots:
    void openingWithoutSettingsDetectsOnceOnCom4();
    void detectionWithoutAcceptedCommandShowsSinDetectar();
    void chosenPortIsStoredAndSelectedAgain();
    void deviceOfSelectedPortIsSetAndCancelTakesItBack();
    void cancelThatCannotTakeTheDeviceBackSaysSo();
    void stableDeviceNamesComeFirstWithTheirDevicesDescription();
};

void ConfigPortsTest::openingWithoutSettingsDetectsOnceOnCom4()
{
    ModemSimulator modem;
    QVERIFY(startModem(modem, {QStringLiteral("--accept"), QStringLiteral("AT#CID=1")}, 4));

    DetectionLog detections(*m_lineo);
    const auto wizard = openWizard();

    QCOMPARE(detections.ports, QList<int>{4});
    QCOMPARE(control<QComboBox>("cboPort")->currentText(), QStringLiteral("Com4"));
    QCOMPARE(control<QComboBox>("cboPort")->count(), 16);
    QCOMPARE(control<QComboBox>("cboPort")->itemText(0), QStringLiteral("Com1"));
    QCOMPARE(control<QComboBox>("cboPort")->itemText(15), QStringLiteral("Com16"));
    const auto* detected = control<QLabel>("lblDetectado");
    QCOMPARE(detected->text(), detectedText);
    QCOMPARE(textColour(detected), QColor(0x00, 0x80, 0x00));
    QVERIFY(detected->font().bold());
    // The detection leaves the line control off on the port it tried.
    QVERIFY(!m_lineo->Enabled());
    QCOMPARE(m_lineo->Puerto(), qint16(4));
    QVERIFY(!QGuiApplication::overrideCursor());

    QCOMPARE(control<QComboBox>("cboPuesto")->currentText(), QStringLiteral("1"));
    QVERIFY(!control<QCheckBox>("chkActivar")->isChecked());
    QVERIFY(!control<QCheckBox>("chkInicio")->isChecked());
    QCOMPARE(control<QLabel>("lblActual")->text(), m_env->programFolder());
    QCOMPARE(wizard->findChild<FolderChooser*>()->folder(), m_env->programFolder());
    QCOMPARE(wizard->windowTitle(), QStringLiteral("Configuración Llamora"));
    QCOMPARE(textColour(control<QLabel>("lblmsg")), QColor(0xC0, 0x00, 0x00));
    QCOMPARE(textColour(control<QLabel>("lblMsg1")), QColor(0x00, 0x00, 0xFF));
    QCOMPARE(textColour(control<QLabel>("lblMsg2")), QColor(0x00, 0x00, 0xFF));
}

void ConfigPortsTest::detectionWithoutAcceptedCommandShowsSinDetectar()
{
    ModemSimulator modem;
    QVERIFY(startModem(modem, {}, 4));
    const auto wizard = openWizard();

    const auto* detected = control<QLabel>("lblDetectado");
    QCOMPARE(detected->text(), notDetectedText);
    QCOMPARE(textColour(detected), QColor(0xFF, 0x00, 0x00));
    QVERIFY(!m_lineo->Enabled());

    // A modem on another port: choosing that port detects it there.
    ModemSimulator accepting;
    QVERIFY(startModem(accepting, {QStringLiteral("--accept"), QStringLiteral("AT+VCID=1")}, 9));
    DetectionLog detections(*m_lineo);
    choose(control<QComboBox>("cboPort"), QStringLiteral("Com9"));
    QCOMPARE(detections.ports, QList<int>{9});
    QCOMPARE(detected->text(), detectedText);
    QCOMPARE(m_lineo->Puerto(), qint16(9));
    QVERIFY(!m_lineo->Enabled());

    // And back to the silent one.
    choose(control<QComboBox>("cboPort"), QStringLiteral("Com4"));
    QCOMPARE(detected->text(), notDetectedText);
    QCOMPARE(textColour(detected), QColor(0xFF, 0x00, 0x00));
}

void ConfigPortsTest::chosenPortIsStoredAndSelectedAgain()
{
    QVERIFY(QFileInfo::exists(TestEnvironment::copyEmptyDatabase(m_env->programFolder())));
    {
        const auto wizard = openWizard();
        choose(control<QComboBox>("cboPort"), QStringLiteral("Com12"));
        choose(control<QComboBox>("cboPuesto"), QStringLiteral("7"));
        control<QCheckBox>("chkActivar")->setChecked(true);
        finish();
        QCOMPARE(wizard->result(), int(QDialog::Accepted));
        QVERIFY(!wizard->isVisible());
    }
    QCOMPARE(stored(SettingKey::Puerto), QStringLiteral("12"));
    QCOMPARE(stored(SettingKey::Puesto), QStringLiteral("7"));
    QCOMPARE(stored(SettingKey::ActivarCID), QStringLiteral("1"));
    QCOMPARE(stored(SettingKey::BaseDeDatos), m_env->programFolder());

    DetectionLog detections(*m_lineo);
    const auto wizard = openWizard();
    QCOMPARE(control<QComboBox>("cboPort")->currentText(), QStringLiteral("Com12"));
    QCOMPARE(detections.ports, QList<int>{12});
    QCOMPARE(control<QComboBox>("cboPuesto")->currentText(), QStringLiteral("7"));
    QVERIFY(control<QCheckBox>("chkActivar")->isChecked());
}

void ConfigPortsTest::deviceOfSelectedPortIsSetAndCancelTakesItBack()
{
    MessageBox::Script messages;
    ModemSimulator modem;
    QVERIFY(startModem(modem, {QStringLiteral("--accept"), QStringLiteral("AT#CID=1")}));
    const QString link = m_modemLinks.last();
    const QString before = PortTable::load().device(7);

    const auto wizard = openWizard();
    auto* ports = control<QComboBox>("cboPort");
    QCOMPARE(ports->itemData(6, Qt::ToolTipRole).toString(), before);
    choose(ports, QStringLiteral("Com7"));
    auto* device = control<QComboBox>("cboDispositivo");
    QCOMPARE(device->currentText(), before);
    QCOMPARE(control<QLabel>("lblDetectado")->text(), notDetectedText);

    DetectionLog detections(*m_lineo);
    device->setEditText(link);
    control<QPushButton>("cmdAsignar")->click();
    QCOMPARE(PortTable::load().device(7), link);
    QCOMPARE(ports->itemData(6, Qt::ToolTipRole).toString(), link);
    QCOMPARE(detections.ports, QList<int>{7});
    QCOMPARE(control<QLabel>("lblDetectado")->text(), detectedText);

    // A name that is no path is refused with a message.
    device->setEditText(QStringLiteral("ttyACM0"));
    control<QPushButton>("cmdAsignar")->click();
    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown().at(0).message.icon, MessageIcon::Exclamation);
    QCOMPARE(PortTable::load().device(7), link);

    control<QPushButton>("cmdCancel")->click();
    QVERIFY(!wizard->isVisible());
    QCOMPARE(PortTable::load().device(7), before);
}

void ConfigPortsTest::cancelThatCannotTakeTheDeviceBackSaysSo()
{
    MessageBox::Script messages;
    const auto wizard = openWizard();
    choose(control<QComboBox>("cboPort"), QStringLiteral("Com7"));
    const QString device = m_env->root() + QStringLiteral("/ttyACM9");
    control<QComboBox>("cboDispositivo")->setEditText(device);
    control<QPushButton>("cmdAsignar")->click();
    QCOMPARE(PortTable::load().device(7), device);

    // A folder where the table was: no user, root included, can write it.
    const QString table = PortTable::filePath();
    QVERIFY(QFile::remove(table));
    QVERIFY(QDir().mkdir(table));
    control<QPushButton>("cmdCancel")->click();

    QVERIFY(!wizard->isVisible());
    QCOMPARE(
        messages.texts(),
        QStringList{QStringLiteral("No se pudo deshacer el cambio en la tabla de puertos «%1»: "
                                   "«%1» no es un archivo. El dispositivo asignado sigue en "
                                   "uso.")
                        .arg(table)});
    QCOMPARE(messages.shown().at(0).message.icon, MessageIcon::Exclamation);
}

void ConfigPortsTest::stableDeviceNamesComeFirstWithTheirDevicesDescription()
{
    // The layout of /dev: relative links under serial/by-id to the devices the system lists.
    const QString dev = m_env->makeFolder(QStringLiteral("dev"));
    const QString byId = m_env->makeFolder(QStringLiteral("dev/serial/by-id"));
    const QString modemLink = byId + QStringLiteral("/usb-U.S._Robotics_USB_Modem-if00");
    const QString adapterLink = byId + QStringLiteral("/usb-FTDI_FT232R-if00-port0");
    QVERIFY(QFile::link(QStringLiteral("../../ttyACM0"), modemLink));
    QVERIFY(QFile::link(QStringLiteral("../../ttyUSB3"), adapterLink));
    const QList<SerialDevice> system{
        {dev + QStringLiteral("/ttyACM0"), QStringLiteral("USB Modem")},
        {dev + QStringLiteral("/ttyS0"), QString()}};

    const QList<SerialDevice> choices = serialDeviceChoices(system, byId);
    QStringList shown;
    for (const SerialDevice& device : choices)
        shown.append(device.location + QStringLiteral(" = ") + device.description);
    QCOMPARE(shown, (QStringList{adapterLink + QStringLiteral(" = ttyUSB3"),
                                 modemLink + QStringLiteral(" = USB Modem (ttyACM0)"),
                                 dev + QStringLiteral("/ttyACM0 = USB Modem"),
                                 dev + QStringLiteral("/ttyS0 = ")}));
    // Without the folder (no USB serial device plugged in) only the system's list remains.
    QCOMPARE(serialDeviceChoices(system, m_env->root() + QStringLiteral("/none")).size(), 2);
}

std::unique_ptr<QObject> makeConfigPortsTest()
{
    return std::make_unique<ConfigPortsTest>();
}

#include "tst_config_ports.moc"
