// The program's start-up paths in this process: the wizard, the splash, a missing file, an
// unreachable folder.

#include "FolderChooser.h"
#include "MessageBox.h"
#include "ProgramDatabase.h"
#include "ProgramWindowsFixture.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "frmSplash.h"
#include "maintenance/MaintenanceMessages.h"
#include "startup/DatabaseAttach.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

class ProgramStartTest : public QObject
{
    Q_OBJECT

private slots:
    void firstStartOpensWizardThenSplash();
    void splashHandsOverAfterThreeSeconds();
    void missingFileOpensWizardAndEndsUnlessFixed();
    void unreachableFolderEndsWithMessage();
};

void ProgramStartTest::firstStartOpensWizardThenSplash()
{
    TestEnvironment env;
    QVERIFY(pointPortsWithDatabase(env));
    MessageBox::Script script;
    Program p(env.programFolder());

    bool loadedHidden = false;
    bool trayShown = false;
    WizardWatcher watcher([&](frmConfiguracion& wizard) {
        // The wizard drives the main window's line control: the window is loaded, not shown.
        loadedHidden = p.windows->isMainWindowLoaded() && !p.windows->mainWindow()->isVisible();
        trayShown = p.tray && p.tray->isShown();
        wizard.reject();
    });

    QCOMPARE(p.start(), Outcome::Running);
    QCOMPARE(watcher.openings, 1);
    QVERIFY(loadedHidden);
    QVERIFY(trayShown);
    QCOMPARE(p.values.CarpetaBase, env.programFolder());
    QVERIFY(script.shown().isEmpty());

    QPointer<frmSplash> splash = p.windows->splash();
    QVERIFY(splash && splash->isVisible());
    const auto text = [&](const char* name) {
        return splash->findChild<QLabel*>(QLatin1String(name))->text();
    };
    QCOMPARE(text("lblProductName"), QStringLiteral("Llamora"));
    QCOMPARE(text("lblVersion"), QStringLiteral("Versión 3.0.0"));
    QCOMPARE(text("lblPlatform"), QString::number(QSysInfo::WordSize) + QStringLiteral(" bits"));
    QVERIFY(!splash->findChild<QLabel*>(QStringLiteral("imgLogo"))->pixmap().isNull());

    // A key on any part of the splash hands over at once.
    QTest::keyClick(splash->findChild<QLabel*>(QStringLiteral("lblVersion")), Qt::Key_A);
    QVERIFY(p.windows->mainWindow()->isVisible());
    QTRY_VERIFY(splash.isNull());
    QVERIFY(p.endCodes.isEmpty());
}

void ProgramStartTest::splashHandsOverAfterThreeSeconds()
{
    TestEnvironment env;
    QVERIFY(pointPorts(env));
    const QString folder = env.makeFolder(QStringLiteral("servidor/llamora"));
    static_cast<void>(TestEnvironment::copyEmptyDatabase(folder));
    SettingsStore settings(env.programFolder());
    settings.setBaseDeDatos(folder);
    settings.setPuesto(QStringLiteral("7"));
    MessageBox::Script script;
    Program p(env.programFolder());
    WizardWatcher watcher([](frmConfiguracion& wizard) { wizard.reject(); });

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(p.start(), Outcome::Running);
    QCOMPARE(watcher.openings, 0);
    // Nothing refers to the main window before the splash hands over.
    QVERIFY(!p.windows->isMainWindowLoaded());
    QTRY_VERIFY_WITH_TIMEOUT(
        p.windows->isMainWindowLoaded() && p.windows->mainWindow()->isVisible(), 6000);
    QVERIFY2(clock.elapsed() >= 2900, qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY(p.windows->splash() == nullptr);
    QCOMPARE(p.values.CarpetaBase, folder);
    QCOMPARE(p.values.NumeroPuesto, qint16(7));
    QVERIFY(p.windows->mainWindow()->datLlamada()->isAttached());
    QVERIFY(script.shown().isEmpty());
}

void ProgramStartTest::missingFileOpensWizardAndEndsUnlessFixed()
{
    TestEnvironment env;
    QVERIFY(pointPorts(env));
    const QString empty = env.makeFolder(QStringLiteral("vacia"));
    const QString good = env.makeFolder(QStringLiteral("buena"));
    static_cast<void>(TestEnvironment::copyEmptyDatabase(good));
    SettingsStore(env.programFolder()).setBaseDeDatos(empty);
    MessageBox::Script script;

    {
        Program p(env.programFolder());
        QStringList shownWhileOpen;
        WizardWatcher watcher([&](frmConfiguracion& wizard) {
            shownWhileOpen = script.texts();
            wizard.reject();
        });
        QCOMPARE(p.start(), Outcome::Ended);
        QCOMPARE(watcher.openings, 1);
        // The main window, loaded for the wizard, reported the file, tried to repair it, said
        // it could not and went on.
        QCOMPARE(
            shownWhileOpen,
            (QStringList{databaseProblemMessage(DatabaseError::FileNotFound).text,
                         MaintenanceMessages::closeOtherWorkstations().text,
                         MaintenanceMessages::repairFailed().text,
                         MaintenanceMessages::cannotAttachAgain(
                             empty + QStringLiteral("/Llamora.mdb"), DatabaseError::FileNotFound)
                             .text}));
        QVERIFY(p.windows->splash() == nullptr);
    }

    // The user picks the right folder in the wizard: it counts at once.
    ModemSimulator modem;
    QString link;
    QVERIFY(startModem(modem, env, &link));
    QVERIFY(pointPorts(env, {{4, link}}));
    SettingsStore settings(env.programFolder());
    settings.setPuerto(QStringLiteral("4"));
    settings.setActivarCID(QStringLiteral("1"));
    script.clear();
    Program p(env.programFolder());
    WizardWatcher watcher([&](frmConfiguracion& wizard) {
        QVERIFY(wizard.findChild<FolderChooser*>()->openFolder(good));
        wizard.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    QCOMPARE(p.start(), Outcome::Running);
    QCOMPARE(watcher.openings, 1);
    QCOMPARE(p.values.CarpetaBase, good);
    QVERIFY(p.windows->splash() != nullptr);
    QVERIFY(p.endCodes.isEmpty());
    frmIdentificador* w = p.windows->mainWindow();
    // The load switched identification on, and the repair it ran on the missing file switched it
    // off, as every repair does; the user switches it on again.
    QVERIFY(!w->Lineo1()->Enabled());
    w->cmdEncendidoID()->click();
    QVERIFY(w->Lineo1()->Enabled());

    // The main window, loaded on the old folder for the wizard, looks up and logs in the new one.
    QVERIFY(modem.call(QStringLiteral("4567890")));
    QTRY_COMPARE(panelText(*w, "lblTelefono"), QStringLiteral("4567890"));
    QCOMPARE(ProgramDatabase::scalar(good + QStringLiteral("/Llamora.mdb"),
                                     QStringLiteral("SELECT COUNT(*) || '/' || SUM(CantLlamadas) "
                                                    "FROM Clientes"))
                 .toString(),
             QStringLiteral("1/1"));
}

void ProgramStartTest::unreachableFolderEndsWithMessage()
{
    TestEnvironment env;
    QVERIFY(pointPorts(env));
    SettingsStore(env.programFolder())
        .setBaseDeDatos(env.root() + QStringLiteral("/estacion-apagada/llamora"));
    MessageBox::Script script;
    Program p(env.programFolder());
    WizardWatcher watcher([](frmConfiguracion& wizard) { wizard.reject(); });

    QCOMPARE(p.start(), Outcome::Ended);
    QCOMPARE(watcher.openings, 0);
    QCOMPARE(script.shown().size(), 1);
    QCOMPARE(script.shown().first().caption, QStringLiteral("Llamora"));
    QCOMPARE(script.shown().first().message, mainWorkstationOffMessage());
    QCOMPARE(p.endCodes, QList<int>{ProgramWindows::DatabaseUnreachableExitCode});
    QVERIFY(p.windows->hasEnded());
    QVERIFY(p.windows->mainWindow() == nullptr);
}

std::unique_ptr<QObject> makeProgramStartTest()
{
    return std::make_unique<ProgramStartTest>();
}

#include "tst_program_start.moc"
