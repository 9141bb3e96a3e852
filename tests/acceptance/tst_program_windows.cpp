// The program's windows in this process: start-up paths with the wizard and the splash, calls
// from the modem simulator to the panel and the database, closing to the tray, "Salir".

#include "DesktopNoteService.h"
#include "FakeTrayIcon.h"
#include "FolderChooser.h"
#include "Lineo.h"
#include "MessageBox.h"
#include "ModemSimulator.h"
#include "NoteWindow.h"
#include "Parlux.h"
#include "PictureButton.h"
#include "PortTable.h"
#include "ProgramDatabase.h"
#include "ProgramWindows.h"
#include "TestEnvironment.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/RowOperations.h"
#include "frmAbout.h"
#include "frmConfiguracion.h"
#include "frmIdentificador.h"
#include "frmSplash.h"
#include "frmTextoPostit.h"
#include "maintenance/MaintenanceMessages.h"
#include "outbox/Outbox.h"
#include "reception/CallReception.h"
#include "settings/ProgramValues.h"
#include "settings/SettingsStore.h"
#include "startup/DatabaseAttach.h"
#include "startup/StartupSequence.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using Outcome = StartupSequence::Outcome;

namespace {

// Every port leads to a device that does not exist, except those given: no real serial device
// of this machine is ever opened.
bool pointPorts(const TestEnvironment& env, const QList<std::pair<int, QString>>& devices = {})
{
    PortTable ports = PortTable::load();
    for (int n = PortTable::FirstPort; n <= PortTable::LastPort; ++n)
        ports.setDevice(n, env.root() + QStringLiteral("/no-device/com") + QString::number(n));
    for (const auto& [n, device] : devices)
        ports.setDevice(n, device);
    return ports.save();
}

// A modem simulator reached through a link of this test's own, so that the serial port's lock
// file name is never shared with another test.
bool startModem(ModemSimulator& modem, const TestEnvironment& env, QString* link)
{
    *link =
        env.root() + QLatin1Char('/') + QFileInfo(env.root()).fileName() + QStringLiteral("-modem");
    return modem.start(
        {QStringLiteral("--accept"), QStringLiteral("AT+VCID=1"), QStringLiteral("--link"), *link});
}

// The program as main() builds it, with a fake notification icon and the ends recorded.
struct Program
{
    explicit Program(const QString& programFolder, bool recordEnds = true)
    {
        values.programFolder = programFolder;
        ProgramWindows::EndProgram end;
        if (recordEnds)
            end = [this](int code) {
                endCodes.append(code);
            };
        windows = std::make_unique<ProgramWindows>(
            values,
            [this] {
                auto fake = std::make_unique<FakeTrayIcon>();
                tray = fake.get();
                return std::unique_ptr<TrayIcon>(std::move(fake));
            },
            end);
    }

    Outcome start()
    {
        const SettingsStore settings(values.programFolder);
        StartupSequence startup(settings, values, *windows);
        return startup.Main();
    }

    ProgramValues values;
    FakeTrayIcon* tray = nullptr;
    QList<int> endCodes;
    std::unique_ptr<ProgramWindows> windows;
};

// Acts on the configuration wizard each time it comes up as the modal window.
class WizardWatcher : public QObject
{
public:
    explicit WizardWatcher(std::function<void(frmConfiguracion&)> action)
        : m_action(std::move(action))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &WizardWatcher::poll);
        m_timer.start();
    }

    int openings = 0;
    QWidget* parentSeen = nullptr;

private:
    void poll()
    {
        auto* wizard = qobject_cast<frmConfiguracion*>(QApplication::activeModalWidget());
        if (!wizard || wizard == m_last)
            return;
        m_last = wizard;
        ++openings;
        parentSeen = wizard->parentWidget();
        m_action(*wizard);
    }

    std::function<void(frmConfiguracion&)> m_action;
    QTimer m_timer;
    QPointer<frmConfiguracion> m_last;
};

QString panelText(const frmIdentificador& w, const char* label)
{
    const auto* found = w.Parlux1()->findChild<QLabel*>(QLatin1String(label));
    return found ? found->text() : QStringLiteral("<no %1>").arg(QLatin1String(label));
}

bool alertShown(const frmIdentificador& w)
{
    const auto* alert = w.Parlux1()->findChild<QLabel*>(QStringLiteral("lblAviso"));
    return alert && !alert->isHidden();
}

} // namespace

class ProgramWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void firstStartOpensWizardThenSplash();
    void splashHandsOverAfterThreeSeconds();
    void missingFileOpensWizardAndEndsUnlessFixed();
    void unreachableFolderEndsWithMessage();
    void callsReachPanelAndDatabaseAlsoWhenHidden();
    void failedCountShowsMessageAndHides();
    void configurationEntriesOpenWizardModally();
    void clientButtonsOpenTheirForms();
    void salirEndsTheProgram();
    void noteComesBackAndBothAboutEntriesOpenTheBox();
};

void ProgramWindowsTest::firstStartOpensWizardThenSplash()
{
    TestEnvironment env;
    QVERIFY(pointPorts(env));
    static_cast<void>(TestEnvironment::copyEmptyDatabase(env.programFolder()));
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

void ProgramWindowsTest::splashHandsOverAfterThreeSeconds()
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

void ProgramWindowsTest::missingFileOpensWizardAndEndsUnlessFixed()
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

void ProgramWindowsTest::unreachableFolderEndsWithMessage()
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

void ProgramWindowsTest::callsReachPanelAndDatabaseAlsoWhenHidden()
{
    TestEnvironment env;
    ModemSimulator modem;
    QString link;
    QVERIFY(startModem(modem, env, &link));
    QVERIFY(pointPorts(env, {{4, link}}));
    const QString folder = env.makeFolder(QStringLiteral("datos"));
    const QString db = TestEnvironment::copyEmptyDatabase(folder);
    QVERIFY(ProgramDatabase::addClient(db, QStringLiteral("4567890"), QStringLiteral("DÍAZ JUAN"),
                                       true, 4));
    SettingsStore settings(env.programFolder());
    settings.setBaseDeDatos(folder);
    settings.setPuerto(QStringLiteral("4"));
    settings.setPuesto(QStringLiteral("3"));
    settings.setActivarCID(QStringLiteral("1"));
    MessageBox::Script script;
    Program p(env.programFolder());

    frmIdentificador* w = p.windows->mainWindow();
    QVERIFY(w);
    // The stored switch-on ran during the load; the icon was created showing it.
    QVERIFY(w->Lineo1()->Enabled());
    QCOMPARE(p.tray->toolTip(), QStringLiteral("Llamora v 3.0.0   Activado"));
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));

    // A known client with 4 earlier calls.
    QVERIFY(modem.call(QStringLiteral("4567890")));
    QTRY_COMPARE(panelText(*w, "lblNota"), QStringLiteral("Cant: 5"));
    QCOMPARE(panelText(*w, "lblTelefono"), QStringLiteral("4567890"));
    QCOMPARE(panelText(*w, "lblNombre"), QStringLiteral("DÍAZ JUAN"));
    QVERIFY(alertShown(*w));
    QVERIFY(w->cmdLlamante()->isEnabled());
    QVERIFY(w->cmdLlamante()->hasFocus());
    const auto count = [&](const char* sql) {
        return ProgramDatabase::scalar(db, QLatin1String(sql)).toInt();
    };
    QCOMPARE(count("SELECT CantLlamadas FROM Clientes WHERE Telefono = '4567890'"), 5);

    // A withheld number: shown, nothing looked up or logged.
    QVERIFY(modem.call(QStringLiteral("P")));
    QTRY_COMPARE(panelText(*w, "lblNombre"), CallReception::anonymousName());
    QCOMPARE(panelText(*w, "lblTelefono"), QString());
    QVERIFY(!alertShown(*w));
    QVERIFY(!w->cmdLlamante()->isEnabled());
    QCOMPARE(count("SELECT COUNT(*) FROM Llamadas"), 5);

    // Closed, the window waits behind its recreated icon, and calls still come in.
    const qsizetype toolTips = p.tray->toolTips.size();
    w->close();
    QVERIFY(!w->isVisible());
    QVERIFY(p.tray->isShown());
    QCOMPARE(p.tray->toolTips.size(), toolTips + 1);
    QVERIFY(w->Lineo1()->Enabled());
    QVERIFY(modem.call(QStringLiteral("1112222")));
    QTRY_COMPARE(panelText(*w, "lblTelefono"), QStringLiteral("1112222"));
    QVERIFY(w->isVisible());
    QCOMPARE(panelText(*w, "lblNota"), QString());
    // Both calls logged with this workstation's number.
    QCOMPARE(count("SELECT COUNT(*) FROM Llamadas WHERE Puesto = 3"), 2);
    QVERIFY(script.shown().isEmpty());
}

void ProgramWindowsTest::failedCountShowsMessageAndHides()
{
    TestEnvironment env;
    QVERIFY(pointPorts(env));
    const QString folder = env.makeFolder(QStringLiteral("datos"));
    const QString db = TestEnvironment::copyEmptyDatabase(folder);
    QVERIFY(ProgramDatabase::addClient(db, QStringLiteral("4567890"), QStringLiteral("DÍAZ JUAN"),
                                       false, 4));
    SettingsStore(env.programFolder()).setBaseDeDatos(folder);
    MessageBox::Script script;
    Program p(env.programFolder());
    frmIdentificador* w = p.windows->mainWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));

    const QString panelBefore = panelText(*w, "lblTelefono");
    // Another workstation deletes the client between the lookup and the logging of the call.
    w->reception().setBeforeCallWrite(
        [db] { ProgramDatabase::execute(db, QStringLiteral("DELETE FROM Clientes")); });
    w->Recibe_llamada(QStringLiteral("4567890"));

    QCOMPARE(script.texts(), QStringList{QStringLiteral("El cliente ha sido eliminado por otra "
                                                        "estación")});
    QCOMPARE(script.shown().first().message.icon, MessageIcon::Information);
    QVERIFY(!w->isVisible());
    QVERIFY(p.tray->isShown());
    // The panel was not filled for a window that went away. Neither the call nor its count is
    // written half: the call waits in the outbox and goes in, under a new client, once the
    // database takes it.
    QCOMPARE(panelText(*w, "lblTelefono"), panelBefore);
    QVERIFY(!w->cmdLlamante()->isEnabled());
    QCOMPARE(w->outbox().count(), 1);
    w->reception().setBeforeCallWrite({});
    w->outbox().deliver();
    QTRY_COMPARE(w->outbox().count(), 0);
    QCOMPARE(ProgramDatabase::scalar(db, QStringLiteral("SELECT COUNT(*) || ' ' || "
                                                        "SUM(CantLlamadas) FROM Clientes"))
                 .toString(),
             QStringLiteral("1 1"));
    QCOMPARE(ProgramDatabase::scalar(db, QStringLiteral("SELECT COUNT(*) FROM Llamadas L JOIN "
                                                        "Clientes C ON C.IdCliente = L.Cliente"))
                 .toInt(),
             1);
}

void ProgramWindowsTest::configurationEntriesOpenWizardModally()
{
    TestEnvironment env;
    QVERIFY(pointPorts(env));
    static_cast<void>(TestEnvironment::copyEmptyDatabase(env.programFolder()));
    Program p(env.programFolder());
    frmIdentificador* w = p.windows->mainWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    bool modal = false;
    WizardWatcher watcher([&](frmConfiguracion& wizard) {
        modal = wizard.isModal();
        wizard.reject();
    });

    w->findChild<QAction*>(QStringLiteral("mnuConfiguracion1"))->trigger();
    QCOMPARE(watcher.openings, 1);
    QCOMPARE(watcher.parentSeen, w);
    QVERIFY(modal);
    w->findChild<QAction*>(QStringLiteral("mnuConfiguracion"))->trigger();
    QCOMPARE(watcher.openings, 2);
    QVERIFY(w->isVisible());
}

void ProgramWindowsTest::clientButtonsOpenTheirForms()
{
    TestEnvironment env;
    QVERIFY(pointPorts(env));
    static_cast<void>(TestEnvironment::copyEmptyDatabase(env.programFolder()));
    Program p(env.programFolder());
    frmIdentificador* w = p.windows->mainWindow();
    w->show();
    QStringList opened;
    QTimer closer;
    closer.setInterval(10);
    bool askedForNew = false;
    connect(&closer, &QTimer::timeout, [&opened, &askedForNew] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        const bool browser = dialog->objectName() == QLatin1String("frmAdministrar");
        if (browser && askedForNew) {
            dialog->reject();
            return;
        }
        opened << dialog->objectName() + QLatin1Char(':') + dialog->windowTitle();
        if (browser) {
            // The browser's "Nuevo" opens the client editor for a new client (posted: this
            // timer does not fire again while its own handler runs).
            askedForNew = true;
            dialog->findChild<QPushButton*>(QStringLiteral("cmdMostrar"))->click();
            QTimer::singleShot(0, dialog->findChild<QPushButton*>(QStringLiteral("cmdNuevo")),
                               &QPushButton::click);
            return;
        }
        dialog->reject();
    });
    closer.start();

    w->cmdManual()->click();
    w->Recibe_llamada(QStringLiteral("4567890"));
    w->cmdLlamante()->click();
    w->findChild<PictureButton*>(QStringLiteral("cmdBasedeDatos"))->click();
    QCOMPARE(opened, QStringList({QStringLiteral("frmBuscarTelefono:Llamora"),
                                  QStringLiteral("frmLlamantes:Cliente"),
                                  QStringLiteral("frmAdministrar:Llamora v 3.0.0"),
                                  QStringLiteral("frmLlamantes:Nuevo cliente")}));
}

void ProgramWindowsTest::salirEndsTheProgram()
{
    TestEnvironment env;
    QVERIFY(pointPorts(env));
    static_cast<void>(TestEnvironment::copyEmptyDatabase(env.programFolder()));

    for (const char* entry : {"mnuSalir", "mnuSalir1"}) {
        // The program's own ending: the event loop returns with 0.
        Program p(env.programFolder(), false);
        frmIdentificador* w = p.windows->mainWindow();
        w->show();
        QVERIFY(p.tray->isShown());
        QTimer::singleShot(0, w,
                           [w, entry] { w->findChild<QAction*>(QLatin1String(entry))->trigger(); });
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        guard.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!p.tray->isShown());
        QVERIFY(p.windows->hasEnded());
        QCOMPARE(p.windows->exitCode(), 0);
    }
}

void ProgramWindowsTest::noteComesBackAndBothAboutEntriesOpenTheBox()
{
    TestEnvironment env;
    QVERIFY(pointPorts(env));
    static_cast<void>(TestEnvironment::copyEmptyDatabase(env.programFolder()));
    SettingsStore(env.programFolder()).setBaseDeDatos(env.programFolder());
    MessageBox::Script script;
    const auto startAndShow = [](Program& p) {
        QCOMPARE(p.start(), Outcome::Running);
        QTest::keyClick(p.windows->splash(), Qt::Key_A);
        QVERIFY(p.windows->mainWindow()->isVisible());
    };
    {
        Program p(env.programFolder());
        startAndShow(p);
        frmIdentificador* w = p.windows->mainWindow();
        QStringList opened;
        for (const char* entry : {"mnuAcercaDe", "mnuAcercaDe1"}) {
            QTimer::singleShot(0, w, [&opened] {
                if (auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget())) {
                    opened.append(about->windowTitle());
                    about->accept();
                }
            });
            w->findChild<QAction*>(QLatin1String(entry))->trigger();
        }
        QCOMPARE(opened, QStringList(2, QStringLiteral("Acerca de Llamora")));

        // No call yet: the caller's data cannot be chosen.
        Qt::CheckState datos = Qt::Checked;
        QTimer::singleShot(0, w, [&datos] {
            auto* note = qobject_cast<frmTextoPostit*>(QApplication::activeModalWidget());
            if (!note)
                return;
            datos = note->chkDatos()->checkState();
            note->txtTexto()->setPlainText(QStringLiteral("Volver a llamar"));
            note->cmdAceptar()->click();
        });
        w->findChild<PictureButton*>(QStringLiteral("cmdPostIt"))->click();
        QCOMPARE(datos, Qt::PartiallyChecked);
        QCOMPARE(p.windows->desktop().windows().size(), 1);
    }

    // The next start brings the note back once the main window shows.
    Program again(env.programFolder());
    startAndShow(again);
    const QList<NoteWindow*> notes = again.windows->desktop().windows();
    QCOMPARE(notes.size(), 1);
    QVERIFY(notes.at(0)->isVisible());
    QVERIFY(notes.at(0)->html().contains(QStringLiteral("Volver a llamar")));
    QVERIFY(notes.at(0)->pagePath().startsWith(env.programFolder() + QStringLiteral("/PostIt/")));
    QVERIFY2(script.shown().isEmpty(), qPrintable(script.texts().join(QLatin1Char('\n'))));
}

QTEST_MAIN(ProgramWindowsTest)
#include "tst_program_windows.moc"
