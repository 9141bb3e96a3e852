#include "Autostart.h"
#include "FolderChooser.h"
#include "Lineo.h"
#include "MessageBox.h"
#include "ModemSimulator.h"
#include "OrdinaryUser.h"
#include "PortTable.h"
#include "SerialDeviceChoices.h"
#include "TestEnvironment.h"
#include "frmConfiguracion.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <memory>

using namespace std::chrono_literals;

namespace {

const QString detectedText = QStringLiteral("Detectado");
const QString notDetectedText = QStringLiteral("Sin detectar");
const QString missingDatabaseText =
    QStringLiteral("La Base de Datos no se encuentra en la ubicación indicada !");

// The user's pick in a drop-down list.
void choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QColor textColour(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText);
}

// The access keys of the wizard's visible controls and of its tabs. A key used twice only moves
// the focus between its controls instead of pressing one.
QStringList accessKeys(const QWidget* window, const QTabWidget* tabs)
{
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts.append(tabs->tabText(i));
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            texts.append(button->text());
        else if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->buddy())
            texts.append(label->text());
    }
    QStringList keys;
    for (const QString& text : std::as_const(texts)) {
        static const QRegularExpression key(QStringLiteral("(?<!&)&([^&])"));
        const QRegularExpressionMatch match = key.match(text);
        if (match.hasMatch())
            keys.append(match.captured(1).toLower());
    }
    return keys;
}

// Counts the detections the wizard runs on the line control, and the ports they used.
class DetectionLog : public QObject
{
public:
    explicit DetectionLog(Lineo& lineo)
    {
        connect(&lineo, &Lineo::propertyChanged, this, [this, &lineo](const QString& name) {
            if (name == QLatin1String("Puerto"))
                ports.append(lineo.Puerto());
        });
    }
    QList<int> ports;
};

} // namespace

class ConfigWizardTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openingWithoutSettingsDetectsOnceOnCom4();
    void sharedDataFolderIsOfferedWhenNoneIsStored();
    void detectionWithoutAcceptedCommandShowsSinDetectar();
    void chosenPortIsStoredAndSelectedAgain();
    void storedValuesOutsideTheListsShowDefaults();
    void finishWithoutDatabaseKeepsDialogOpenYetStoresTheRest();
    void finishThatCannotStoreSaysWhyAndStaysOpen();
    void finishAcceptsDatabaseNameInAnyCase();
    void finishRefusesADatabaseItCannotWrite();
    void stepButtonsFollowTheTab_data();
    void stepButtonsFollowTheTab();
    void autostartEntryIsWrittenAndRemoved();
    void autostartEntryQuotesPathsAndHonoursDisabledEntries();
    void folderChooserKeepsFolderOnUnopenableLocation();
    void deviceOfSelectedPortIsSetAndCancelTakesItBack();
    void stableDeviceNamesComeFirstWithTheirDevicesDescription();
    void cancelStoresNothing();

private:
    // dataFolder: the installed package's shared folder; none unless a test makes one, so the
    // machine's own never counts.
    std::unique_ptr<frmConfiguracion> openWizard(const QString& dataFolder = QString());
    template <typename T>
    T* control(const char* name) const
    {
        T* widget = m_wizard ? m_wizard->findChild<T*>(QLatin1String(name)) : nullptr;
        if (!widget)
            qFatal("control %s not found", name);
        return widget;
    }
    [[nodiscard]] QString stored(SettingKey key) const
    {
        return SettingsStore(m_env->programFolder()).read(key, QStringLiteral("<missing>"));
    }
    void finish() { control<QPushButton>("cmdOK")->click(); }
    bool startModem(ModemSimulator& modem, const QStringList& options, int port = 0);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Lineo> m_lineo;
    frmConfiguracion* m_wizard = nullptr;
    int m_modems = 0;
    QStringList m_modemLinks;
};

void ConfigWizardTest::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    // Every port leads nowhere unless a test points it at the simulator: no real serial device
    // of this machine is ever opened.
    PortTable ports = PortTable::load();
    for (int n = PortTable::FirstPort; n <= PortTable::LastPort; ++n)
        ports.setDevice(n, m_env->root() + QStringLiteral("/no-device/com") + QString::number(n));
    QVERIFY(ports.save());
    m_lineo = std::make_unique<Lineo>();
    m_lineo->setReplyTimeout(150ms);
}

void ConfigWizardTest::cleanup()
{
    m_wizard = nullptr;
    m_lineo.reset();
    m_env.reset();
}

std::unique_ptr<frmConfiguracion> ConfigWizardTest::openWizard(const QString& dataFolder)
{
    auto wizard = std::make_unique<frmConfiguracion>(
        *m_lineo, m_env->programFolder(), nullptr,
        dataFolder.isEmpty() ? m_env->root() + QStringLiteral("/no-data-folder") : dataFolder);
    m_wizard = wizard.get();
    wizard->show();
    if (!QTest::qWaitForWindowExposed(wizard.get()))
        qWarning("wizard not exposed");
    return wizard;
}

// The port reaches the simulator through a link of this test's own: serial locks go by device
// name, and a pseudo-terminal's number may still be locked by an unrelated process.
bool ConfigWizardTest::startModem(ModemSimulator& modem, const QStringList& options, int port)
{
    const QString link = m_env->root() + QStringLiteral("/modem-") + QString::number(++m_modems);
    if (!modem.start(QStringList{QStringLiteral("--link"), link} + options))
        return false;
    m_modemLinks.append(link);
    if (port == 0)
        return true;
    PortTable table = PortTable::load();
    table.setDevice(port, link);
    return table.save();
}

void ConfigWizardTest::openingWithoutSettingsDetectsOnceOnCom4()
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

void ConfigWizardTest::sharedDataFolderIsOfferedWhenNoneIsStored()
{
    MessageBox::Script messages;
    const QString dataFolder = m_env->makeFolder(QStringLiteral("var/lib/llamora"));
    QVERIFY(QFileInfo::exists(TestEnvironment::copyEmptyDatabase(dataFolder)));
    {
        const auto wizard = openWizard(dataFolder);
        QCOMPARE(control<QLabel>("lblActual")->text(), dataFolder);
        QCOMPARE(wizard->findChild<FolderChooser*>()->folder(), dataFolder);
        finish();
        QVERIFY(messages.shown().isEmpty());
        QCOMPARE(stored(SettingKey::BaseDeDatos), dataFolder);
    }

    // A stored folder comes first.
    const QString shared = m_env->makeFolder(QStringLiteral("shared"));
    SettingsStore(m_env->programFolder()).write(SettingKey::BaseDeDatos, shared);
    const auto wizard = openWizard(dataFolder);
    QCOMPARE(control<QLabel>("lblActual")->text(), shared);
    QCOMPARE(wizard->findChild<FolderChooser*>()->folder(), shared);
}

void ConfigWizardTest::detectionWithoutAcceptedCommandShowsSinDetectar()
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

void ConfigWizardTest::chosenPortIsStoredAndSelectedAgain()
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

void ConfigWizardTest::storedValuesOutsideTheListsShowDefaults()
{
    const QString otherFolder = m_env->makeFolder(QStringLiteral("shared"));
    SettingsStore settings(m_env->programFolder());
    settings.write(SettingKey::Puerto, QStringLiteral("17"));
    settings.write(SettingKey::Puesto, QStringLiteral("11"));
    settings.write(SettingKey::ActivarCID, QStringLiteral("abc"));
    settings.write(SettingKey::BaseDeDatos, otherFolder);

    DetectionLog detections(*m_lineo);
    const auto wizard = openWizard();
    QCOMPARE(control<QComboBox>("cboPort")->currentText(), QStringLiteral("Com4"));
    QCOMPARE(detections.ports, QList<int>{4});
    QCOMPARE(control<QComboBox>("cboPuesto")->currentText(), QStringLiteral("1"));
    QVERIFY(!control<QCheckBox>("chkActivar")->isChecked());
    QCOMPARE(control<QLabel>("lblActual")->text(), otherFolder);
    QCOMPARE(wizard->findChild<FolderChooser*>()->folder(), otherFolder);
    // Nothing is overwritten before Finish.
    QCOMPARE(stored(SettingKey::Puerto), QStringLiteral("17"));
    QCOMPARE(stored(SettingKey::Puesto), QStringLiteral("11"));
    wizard->reject();

    // A stored folder that no longer exists is shown as stored; the chooser stays home.
    settings.write(SettingKey::BaseDeDatos, m_env->root() + QStringLiteral("/gone"));
    settings.write(SettingKey::ActivarCID, QStringLiteral("1"));
    const auto again = openWizard();
    QCOMPARE(control<QLabel>("lblActual")->text(), m_env->root() + QStringLiteral("/gone"));
    QCOMPARE(again->findChild<FolderChooser*>()->folder(), m_env->programFolder());
    QVERIFY(control<QCheckBox>("chkActivar")->isChecked());
}

void ConfigWizardTest::finishWithoutDatabaseKeepsDialogOpenYetStoresTheRest()
{
    MessageBox::Script messages;
    const auto wizard = openWizard();
    choose(control<QComboBox>("cboPort"), QStringLiteral("Com2"));
    choose(control<QComboBox>("cboPuesto"), QStringLiteral("3"));
    control<QTabWidget>("SSTab1")->setCurrentIndex(2);

    finish();

    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown().at(0).message,
             (Message{missingDatabaseText, MessageIcon::Exclamation, MessageButtons::Ok}));
    QVERIFY(wizard->isVisible());
    QCOMPARE(wizard->result(), int(QDialog::Rejected));
    QCOMPARE(control<QTabWidget>("SSTab1")->currentIndex(), 2);
    QCOMPARE(stored(SettingKey::Puerto), QStringLiteral("2"));
    QCOMPARE(stored(SettingKey::Puesto), QStringLiteral("3"));
    QCOMPARE(stored(SettingKey::ActivarCID), QStringLiteral("0"));
    QCOMPARE(stored(SettingKey::BaseDeDatos), QStringLiteral("<missing>"));

    // Each press writes again; the folder only once the check succeeds.
    choose(control<QComboBox>("cboPuesto"), QStringLiteral("10"));
    finish();
    QCOMPARE(messages.shown().size(), 2);
    QCOMPARE(stored(SettingKey::Puesto), QStringLiteral("10"));
    QVERIFY(wizard->isVisible());
}

void ConfigWizardTest::finishThatCannotStoreSaysWhyAndStaysOpen()
{
    QVERIFY(QFileInfo::exists(TestEnvironment::copyEmptyDatabase(m_env->programFolder())));
    MessageBox::Script messages;
    const auto wizard = openWizard();
    choose(control<QComboBox>("cboPuesto"), QStringLiteral("7"));

    // The settings folder is a file: nobody, root included, can write there.
    const QString folder = m_env->configHome() + QStringLiteral("/Llamora");
    QVERIFY(QDir(folder).removeRecursively());
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    finish();
    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("No se pudo guardar la configuración en «%1»: «%2» no es "
                                        "una carpeta.")
                             .arg(SettingsStore(m_env->programFolder()).filePath(), folder)});
    QCOMPARE(messages.shown().at(0).message.icon, MessageIcon::Exclamation);
    QVERIFY(wizard->isVisible());
    QCOMPARE(wizard->result(), int(QDialog::Rejected));

    // Once the folder is mended, the same choices finish.
    QVERIFY(QFile::remove(folder));
    QVERIFY(QDir().mkpath(folder));
    finish();
    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(wizard->result(), int(QDialog::Accepted));
    QCOMPARE(stored(SettingKey::Puesto), QStringLiteral("7"));
}

void ConfigWizardTest::finishAcceptsDatabaseNameInAnyCase()
{
    MessageBox::Script messages;
    const QString shared = m_env->makeFolder(QStringLiteral("red/puesto principal"));
    const QString copied = TestEnvironment::copyEmptyDatabase(shared);
    QVERIFY(QFile::rename(copied, shared + QStringLiteral("/LLAMORA.MDB")));

    const auto wizard = openWizard();
    control<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto* view = control<QTreeView>("Dir1");
    auto* model = qobject_cast<QFileSystemModel*>(view->model());
    QVERIFY(model);
    view->setCurrentIndex(model->index(shared));
    QCOMPARE(wizard->findChild<FolderChooser*>()->folder(), shared);

    finish();
    QVERIFY(messages.shown().isEmpty());
    QCOMPARE(wizard->result(), int(QDialog::Accepted));
    QCOMPARE(stored(SettingKey::BaseDeDatos), shared);
}

void ConfigWizardTest::finishRefusesADatabaseItCannotWrite()
{
    if (OrdinaryUser::isRoot()) {
        QVERIFY(OrdinaryUser::runTestFunction(QTest::currentTestFunction()));
        return;
    }
    // A file this user may only read, and a writable file in a folder it may only read (where
    // no journal can be made): both open, neither could log a call.
    const QString readOnlyFile = m_env->makeFolder(QStringLiteral("archivo"));
    QVERIFY(QFile::setPermissions(TestEnvironment::copyEmptyDatabase(readOnlyFile),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QString readOnlyFolder = m_env->makeFolder(QStringLiteral("carpeta"));
    static_cast<void>(TestEnvironment::copyEmptyDatabase(readOnlyFolder));
    const auto readAndEnter = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(readOnlyFolder, readAndEnter));

    MessageBox::Script messages;
    const auto wizard = openWizard();
    control<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto* view = control<QTreeView>("Dir1");
    auto* model = qobject_cast<QFileSystemModel*>(view->model());
    QVERIFY(model);
    const QString expected =
        QStringLiteral("La Base de Datos de la ubicación indicada no se puede usar para "
                       "registrar llamadas: sin permiso de escritura en %1.");
    view->setCurrentIndex(model->index(readOnlyFile));
    finish();
    view->setCurrentIndex(model->index(readOnlyFolder));
    finish();
    QFile::setPermissions(readOnlyFolder, readAndEnter | QFile::WriteOwner);

    QCOMPARE(
        messages.texts(),
        (QStringList{expected.arg(QStringLiteral("el archivo «%1/Llamora.mdb»").arg(readOnlyFile)),
                     expected.arg(QStringLiteral("la carpeta «%1»").arg(readOnlyFolder))}));
    QCOMPARE(messages.shown().at(0).message.icon, MessageIcon::Exclamation);
    QVERIFY(wizard->isVisible());
    QCOMPARE(stored(SettingKey::BaseDeDatos), QStringLiteral("<missing>"));
    // The folder made writable again is taken.
    finish();
    QCOMPARE(wizard->result(), int(QDialog::Accepted));
    QCOMPARE(stored(SettingKey::BaseDeDatos), readOnlyFolder);
}

void ConfigWizardTest::stepButtonsFollowTheTab_data()
{
    QTest::addColumn<bool>("byTabClick");
    QTest::newRow("buttons") << false;
    QTest::newRow("tab clicks") << true;
}

void ConfigWizardTest::stepButtonsFollowTheTab()
{
    QFETCH(bool, byTabClick);
    const auto wizard = openWizard();
    auto* tabs = control<QTabWidget>("SSTab1");
    auto* back = control<QPushButton>("cmdAtras");
    auto* next = control<QPushButton>("cmdSiguiente");
    auto* heading = control<QLabel>("lblmsg");

    struct Step
    {
        bool backEnabled;
        bool nextEnabled;
        QString heading;
    };
    const QList<Step> steps{
        {false, true, QStringLiteral("Identificación de llamadas")},
        {true, true, QStringLiteral("Configuración en Red     (Puesto Remoto)")},
        {true, false, QStringLiteral("Opciones")},
    };
    const auto checkStep = [&](int step) {
        QCOMPARE(tabs->currentIndex(), step);
        QCOMPARE(back->isEnabled(), steps.at(step).backEnabled);
        QCOMPARE(next->isEnabled(), steps.at(step).nextEnabled);
        QCOMPARE(heading->text(), steps.at(step).heading);
        QVERIFY(control<QPushButton>("cmdOK")->isEnabled());
        QVERIFY(control<QPushButton>("cmdCancel")->isEnabled());
    };
    const auto goTo = [&](int step) {
        if (byTabClick) {
            QTabBar* bar = tabs->tabBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(step).center());
        } else {
            QPushButton* button = step > tabs->currentIndex() ? next : back;
            QTest::mouseClick(button, Qt::LeftButton);
        }
    };

    checkStep(0);
    QCOMPARE(control<QLabel>("lblMsg1")->text(),
             QStringLiteral("Seleccione el Número de Puerto que utiliza su modem, según se indica "
                            "en la lista ´Dispositivo´. Espere a que el CID sea detectado."));
    goTo(1);
    checkStep(1);
    goTo(2);
    checkStep(2);
    QCOMPARE(control<QLabel>("lblMsg1")->text(),
             QStringLiteral("Establezca el número de puesto si va a utilizar más de un puesto "
                            "Llamora. "));
    // The session, not Windows, starts the program here; its key clashes with no other.
    QCOMPARE(control<QCheckBox>("chkInicio")->text(),
             QStringLiteral("Ejecutar Llamora al iniciar la s&esión"));
    const QStringList keys = accessKeys(m_wizard, tabs);
    QVERIFY2(QSet<QString>(keys.begin(), keys.end()).size() == keys.size(),
             qPrintable(keys.join(QLatin1Char(' '))));
    goTo(1);
    checkStep(1);
    goTo(0);
    checkStep(0);
    if (byTabClick) {
        // Straight from the first tab to the last.
        goTo(2);
        checkStep(2);
        goTo(0);
        checkStep(0);
    }
}

void ConfigWizardTest::autostartEntryIsWrittenAndRemoved()
{
    QVERIFY(QFileInfo::exists(TestEnvironment::copyEmptyDatabase(m_env->programFolder())));
    const QString entry = m_env->configHome() + QStringLiteral("/autostart/Llamora.desktop");
    QCOMPARE(Autostart::entryPath(), entry);
    const QString programFile = m_env->programFolder() + QLatin1Char('/') +
                                QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    {
        const auto wizard = openWizard();
        QVERIFY(!control<QCheckBox>("chkInicio")->isChecked());
        control<QCheckBox>("chkInicio")->setChecked(true);
        finish();
        QCOMPARE(wizard->result(), int(QDialog::Accepted));
    }
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(file.readAll());
    file.close();
    QVERIFY(content.startsWith(QStringLiteral("[Desktop Entry]\n")));
    QVERIFY2(content.contains(QStringLiteral("\nExec=") + programFile + QLatin1Char('\n')),
             qPrintable(content));
    QVERIFY(content.contains(QStringLiteral("\nType=Application\n")));

    {
        const auto wizard = openWizard();
        QVERIFY(control<QCheckBox>("chkInicio")->isChecked());
        control<QCheckBox>("chkInicio")->setChecked(false);
        finish();
        QCOMPARE(wizard->result(), int(QDialog::Accepted));
    }
    QVERIFY(!QFileInfo::exists(entry));

    // Removing what is not there is no failure; the box then opens unchecked.
    QVERIFY(Autostart::remove());
    const auto wizard = openWizard();
    QVERIFY(!control<QCheckBox>("chkInicio")->isChecked());
}

void ConfigWizardTest::autostartEntryQuotesPathsAndHonoursDisabledEntries()
{
    QCOMPARE(Autostart::execLine(QStringLiteral("/opt/llamora/Llamora")),
             QStringLiteral("/opt/llamora/Llamora"));
    QCOMPARE(Autostart::execLine(QStringLiteral("/home/ana/Mis programas/Llamora")),
             QStringLiteral("\"/home/ana/Mis programas/Llamora\""));
    QCOMPARE(Autostart::execLine(QStringLiteral("/srv/100%$/Llamora")),
             QStringLiteral("\"/srv/100%%\\\\$/Llamora\""));

    QVERIFY(Autostart::add(QStringLiteral("/opt/llamora/Llamora")));
    QVERIFY(Autostart::isPresent());
    // The desktop's own switch for an entry turns it off without deleting it.
    QFile file(Autostart::entryPath());
    QVERIFY(file.open(QIODevice::Append));
    file.write("Hidden=true\n");
    file.close();
    QVERIFY(!Autostart::isPresent());
    QVERIFY(Autostart::add(QStringLiteral("/opt/llamora/Llamora")));
    QVERIFY(Autostart::isPresent());

    // An autostart folder that cannot be made: nothing written, nothing thrown.
    QVERIFY(Autostart::remove());
    QVERIFY(QDir().rmdir(m_env->configHome() + QStringLiteral("/autostart")));
    QFile blocker(m_env->configHome() + QStringLiteral("/autostart"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!Autostart::add(QStringLiteral("/opt/llamora/Llamora")));
    QVERIFY(!Autostart::isPresent());
}

void ConfigWizardTest::folderChooserKeepsFolderOnUnopenableLocation()
{
    MessageBox::Script messages;
    const QString shared = m_env->makeFolder(QStringLiteral("shared"));
    const auto wizard = openWizard();
    auto* chooser = wizard->findChild<FolderChooser*>();
    QSignalSpy changes(chooser, &FolderChooser::folderChanged);

    auto* path = control<QLineEdit>("txtCarpeta");
    path->setText(m_env->root() + QStringLiteral("/no/such/folder"));
    QTest::keyClick(path, Qt::Key_Return);
    QCOMPARE(chooser->folder(), m_env->programFolder());
    QCOMPARE(path->text(), m_env->programFolder());

    QFile plainFile(m_env->root() + QStringLiteral("/a-file"));
    QVERIFY(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();
    QVERIFY(!chooser->openFolder(plainFile.fileName()));
    QCOMPARE(chooser->folder(), m_env->programFolder());
    QVERIFY(changes.isEmpty());

    // A place that went away keeps the folder too.
    auto* places = control<QComboBox>("Drive1");
    places->addItem(QStringLiteral("unidad perdida"),
                    QString(m_env->root() + QStringLiteral("/gone")));
    choose(places, QStringLiteral("unidad perdida"));
    QCOMPARE(chooser->folder(), m_env->programFolder());
    QVERIFY(messages.shown().isEmpty());

    path->setText(shared + QStringLiteral("/../shared/"));
    QTest::keyClick(path, Qt::Key_Return);
    QCOMPARE(chooser->folder(), shared);
    QCOMPARE(changes.size(), 1);
    auto* view = control<QTreeView>("Dir1");
    QCOMPARE(qobject_cast<QFileSystemModel*>(view->model())->filePath(view->currentIndex()),
             shared);
}

void ConfigWizardTest::deviceOfSelectedPortIsSetAndCancelTakesItBack()
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

void ConfigWizardTest::stableDeviceNamesComeFirstWithTheirDevicesDescription()
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

void ConfigWizardTest::cancelStoresNothing()
{
    QVERIFY(QFileInfo::exists(TestEnvironment::copyEmptyDatabase(m_env->programFolder())));
    const auto wizard = openWizard();
    choose(control<QComboBox>("cboPort"), QStringLiteral("Com12"));
    control<QCheckBox>("chkInicio")->setChecked(true);
    control<QCheckBox>("chkActivar")->setChecked(true);
    QTest::keyClick(wizard.get(), Qt::Key_Escape);
    QVERIFY(!wizard->isVisible());
    QCOMPARE(wizard->result(), int(QDialog::Rejected));
    QVERIFY(!QFileInfo::exists(SettingsStore(m_env->programFolder()).filePath()));
    QVERIFY(!QFileInfo::exists(Autostart::entryPath()));
    QVERIFY(!m_lineo->Enabled());
}

QTEST_MAIN(ConfigWizardTest)
#include "tst_config.moc"
