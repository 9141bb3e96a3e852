// The main window's entries and buttons in the running program: the wizard, the client forms,
// "Salir", the notes and "Acerca de".

#include "DesktopNoteService.h"
#include "MessageBox.h"
#include "NoteWindow.h"
#include "PictureButton.h"
#include "ProgramWindowsFixture.h"
#include "frmAbout.h"
#include "frmSplash.h"
#include "frmTextoPostit.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

class ProgramMenusTest : public QObject
{
    Q_OBJECT

private slots:
    void configurationEntriesOpenWizardModally();
    void clientButtonsOpenTheirForms();
    void salirEndsTheProgram();
    void noteComesBackAndBothAboutEntriesOpenTheBox();
    void damagedNoteListIsToldOnceTheSplashHasGone();
};

void ProgramMenusTest::configurationEntriesOpenWizardModally()
{
    TestEnvironment env;
    QVERIFY(pointPortsWithDatabase(env));
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

void ProgramMenusTest::clientButtonsOpenTheirForms()
{
    TestEnvironment env;
    QVERIFY(pointPortsWithDatabase(env));
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

void ProgramMenusTest::salirEndsTheProgram()
{
    TestEnvironment env;
    QVERIFY(pointPortsWithDatabase(env));

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

void ProgramMenusTest::noteComesBackAndBothAboutEntriesOpenTheBox()
{
    TestEnvironment env;
    QVERIFY(pointPortsWithDatabase(env));
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

void ProgramMenusTest::damagedNoteListIsToldOnceTheSplashHasGone()
{
    TestEnvironment env;
    QVERIFY(pointPortsWithDatabase(env));
    SettingsStore(env.programFolder()).setBaseDeDatos(env.programFolder());
    const QString listPath = DesktopNoteService::defaultListPath();
    QVERIFY(QDir().mkpath(QFileInfo(listPath).absolutePath()));
    QFile list(listPath);
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("{\"notas\": [ <b>dañada");
    list.close();

    // The real message box: a modal one would keep the splash up until it is answered.
    bool askedModally = false;
    QTimer watch;
    watch.setInterval(20);
    connect(&watch, &QTimer::timeout, [&askedModally] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            askedModally = true;
            box->accept();
        }
    });
    watch.start();
    Program p(env.programFolder());
    QCOMPARE(p.start(), Outcome::Running);
    QPointer<frmSplash> splash = p.windows->splash();
    QTest::keyClick(splash, Qt::Key_A);
    QVERIFY(!splash || !splash->isVisible());
    QVERIFY(!askedModally);
    QMessageBox* told = nullptr;
    QTRY_VERIFY((told = p.windows->mainWindow()->findChild<QMessageBox*>()) != nullptr);
    QVERIFY(told->isVisible() && !told->isModal());
    QCOMPARE(told->textFormat(), Qt::PlainText);
    QVERIFY2(told->text().startsWith(QStringLiteral("No se pudo leer la lista de notas")),
             qPrintable(told->text()));
    told->accept();
}

std::unique_ptr<QObject> makeProgramMenusTest()
{
    return std::make_unique<ProgramMenusTest>();
}

#include "tst_program_menus.moc"
