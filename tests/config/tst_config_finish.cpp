// What the wizard offers, stores and refuses when it is finished or cancelled.

#include "ConfigWizardFixture.h"
#include "PostgresServer.h"
#include "SipPeer.h"

#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>

class ConfigFinishTest : public ConfigWizardTestBase
{
    Q_OBJECT

private slots:
    void sharedDataFolderIsOfferedWhenNoneIsStored();
    void storedValuesOutsideTheListsShowDefaults();
    void finishWithoutDatabaseKeepsDialogOpenYetStoresTheRest();
    void finishThatCannotStoreSaysWhyAndStaysOpen();
    void finishAcceptsDatabaseNameInAnyCase();
    void finishRefusesADatabaseItCannotWrite();
    void ordinaryUserPartRunsFromABuildClosedToOthers();
    void cancelStoresNothing();
    void sipLineIsTriedAndStored();
    void serverIsTriedAndStored();
};

void ConfigFinishTest::sharedDataFolderIsOfferedWhenNoneIsStored()
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

void ConfigFinishTest::storedValuesOutsideTheListsShowDefaults()
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

void ConfigFinishTest::finishWithoutDatabaseKeepsDialogOpenYetStoresTheRest()
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

void ConfigFinishTest::finishThatCannotStoreSaysWhyAndStaysOpen()
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

void ConfigFinishTest::finishAcceptsDatabaseNameInAnyCase()
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

void ConfigFinishTest::finishRefusesADatabaseItCannotWrite()
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

void ConfigFinishTest::ordinaryUserPartRunsFromABuildClosedToOthers()
{
    if (!OrdinaryUser::isRoot())
        QSKIP("only root's own builds are out of the ordinary user's reach");
    // This build copied into a folder only root may enter, as a clone under /root is: the test
    // above, which runs its part as nobody, passes there too.
    QTemporaryDir closed;
    QVERIFY(QFile::setPermissions(closed.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QString programFolder;
    const QString copy = OrdinaryUser::copyBuild(QCoreApplication::applicationFilePath(),
                                                 closed.path(), &programFolder);
    QVERIFY(!copy.isEmpty());
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LLAMORA_PROGRAM_DIR"), programFolder);
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(copy, {QStringLiteral("finishRefusesADatabaseItCannotWrite")});
    QVERIFY(run.waitForFinished(120000));
    QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0,
             run.readAll().constData());
}

void ConfigFinishTest::cancelStoresNothing()
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

void ConfigFinishTest::sipLineIsTriedAndStored()
{
    SipPeer pbx;
    const int port = pbx.startRegistrarOnFreePort(QStringLiteral("200"), QStringLiteral("s3creta"));
    QVERIFY(port != 0);
    MessageBox::Script messages;
    const auto wizard = openWizard();
    control<QRadioButton>("optSip")->click();
    QVERIFY(control<QLineEdit>("txtServidor")->isVisible());
    QVERIFY(!control<QComboBox>("cboPort")->isVisible());
    QCOMPARE(control<QLineEdit>("txtPrefijo")->text(), QStringLiteral("00"));
    const QStringList keys = accessKeys(wizard.get(), control<QTabWidget>("SSTab1"));
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());

    control<QLineEdit>("txtServidor")->setText(QStringLiteral("127.0.0.1"));
    control<QSpinBox>("txtPuertoSip")->setValue(port);
    control<QLineEdit>("txtUsuario")->setText(QStringLiteral("200"));
    control<QLineEdit>("txtClave")->setText(QStringLiteral("otra"));
    auto* result = control<QLabel>("lblRegistro");
    control<QPushButton>("cmdProbar")->click();
    QTRY_COMPARE(result->text(), QStringLiteral("Sin registro: usuario o contraseña incorrectos"));
    control<QLineEdit>("txtClave")->setText(QStringLiteral("s3creta"));
    control<QPushButton>("cmdProbar")->click();
    QTRY_COMPARE(result->text(), QStringLiteral("Registrado"));

    // An account without its user is not stored.
    control<QLineEdit>("txtUsuario")->clear();
    finish();
    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("La línea VoIP no está completa: falta el usuario SIP.")});
    QCOMPARE(LineSettings::load().source, LineSource::Modem);
    control<QLineEdit>("txtUsuario")->setText(QStringLiteral("200"));
    finish();
    const LineSettings line = LineSettings::load();
    QCOMPARE(line.source, LineSource::Sip);
    QCOMPARE(line.sip.port, port);
    QCOMPARE(line.sip.user, QStringLiteral("200"));
    QCOMPARE(line.sip.password, QStringLiteral("s3creta"));
}

std::unique_ptr<QObject> makeConfigFinishTest()
{
    return std::make_unique<ConfigFinishTest>();
}

#include "tst_config_finish.moc"

void ConfigFinishTest::serverIsTriedAndStored()
{
    PostgresServer server;
    QVERIFY2(server.isValid(), qPrintable(server.errorText()));
    QVERIFY(server.runAsSuperuser(QStringLiteral("CREATE TABLE clientes (); CREATE TABLE llamadas "
                                                 "(); GRANT ALL ON clientes, llamadas TO llamora"),
                                  server.address().database));
    const QString folder = m_env->makeFolder(QStringLiteral("shared"));
    SettingsStore(m_env->programFolder()).write(SettingKey::BaseDeDatos, folder);
    MessageBox::Script messages;
    auto wizard = openWizard();
    control<QTabWidget>("SSTab1")->setCurrentIndex(1);
    control<QRadioButton>("optServidor")->click();
    QVERIFY(control<QLineEdit>("txtEquipo")->isVisible());
    QVERIFY(!wizard->findChild<FolderChooser*>()->isVisible());
    const QStringList keys = accessKeys(wizard.get(), control<QTabWidget>("SSTab1"));
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());

    const ServerAddress address = server.address();
    control<QLineEdit>("txtEquipo")->setText(address.host);
    control<QSpinBox>("txtPuertoServidor")->setValue(address.port);
    control<QLineEdit>("txtBase")->setText(QStringLiteral("no_existe"));
    control<QLineEdit>("txtUsuarioBase")->setText(address.user);
    // Nothing of the server is stored until it answers with the program's tables.
    finish();
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("No se puede usar el servidor: El "
                                                          "servidor no tiene una base de datos "
                                                          "«no_existe».")});
    QVERIFY(wizard->isVisible());
    QCOMPARE(stored(SettingKey::Servidor), QStringLiteral("<missing>"));

    control<QLineEdit>("txtBase")->setText(address.database);
    control<QPushButton>("cmdProbarBase")->click();
    QVERIFY2(control<QLabel>("lblServidor")->text().startsWith(QStringLiteral("Conectado con")),
             qPrintable(control<QLabel>("lblServidor")->text()));
    messages.clear();
    finish();
    QVERIFY(messages.shown().isEmpty());
    QVERIFY(!wizard->isVisible());
    QCOMPARE(SettingsStore(m_env->programFolder()).servidor(), address);
    QCOMPARE(stored(SettingKey::BaseDeDatos), folder);

    // The next opening shows the server; choosing the folder again forgets it.
    wizard = openWizard();
    QVERIFY(control<QRadioButton>("optServidor")->isChecked());
    QCOMPARE(control<QLineEdit>("txtBase")->text(), address.database);
    QCOMPARE(control<QSpinBox>("txtPuertoServidor")->value(), address.port);
    control<QRadioButton>("optCarpeta")->click();
    QVERIFY(QFileInfo::exists(TestEnvironment::copyEmptyDatabase(folder)));
    finish();
    QVERIFY(!SettingsStore(m_env->programFolder()).servidor().isSet());
}
