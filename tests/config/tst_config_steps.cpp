// The wizard's step buttons and access keys, the start-up entry and the folder chooser.

#include "ConfigWizardFixture.h"

class ConfigStepsTest : public ConfigWizardTestBase
{
    Q_OBJECT

private slots:
    void stepButtonsFollowTheTab_data();
    void stepButtonsFollowTheTab();
    void autostartEntryIsWrittenAndRemoved();
    void autostartEntryQuotesPathsAndHonoursDisabledEntries();
    void folderChooserKeepsFolderOnUnopenableLocation();
};

void ConfigStepsTest::stepButtonsFollowTheTab_data()
{
    QTest::addColumn<bool>("byTabClick");
    QTest::newRow("buttons") << false;
    QTest::newRow("tab clicks") << true;
}

void ConfigStepsTest::stepButtonsFollowTheTab()
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

void ConfigStepsTest::autostartEntryIsWrittenAndRemoved()
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

void ConfigStepsTest::autostartEntryQuotesPathsAndHonoursDisabledEntries()
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

void ConfigStepsTest::folderChooserKeepsFolderOnUnopenableLocation()
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

std::unique_ptr<QObject> makeConfigStepsTest()
{
    return std::make_unique<ConfigStepsTest>();
}

#include "tst_config_steps.moc"
