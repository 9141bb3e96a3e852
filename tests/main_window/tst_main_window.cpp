#include "HelpSearch.h"
#include "HelpWindow.h"
#include "Lineo.h"
#include "MainWindowFixture.h"
#include "MessageBox.h"
#include "Parlux.h"
#include "PictureBox.h"
#include "SystemTrayIcon.h"
#include "TestEnvironment.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

namespace {

// The pictures the seven hover buttons show, in the order cmdBasedeDatos, cmdManual,
// cmdLlamante, cmdPostIt, cmdMenu, cmdAyuda, cmdMin.
QList<int> pictureState(const MainWindowFixture& f)
{
    QList<int> state;
    for (const char* name : {"cmdBasedeDatos", "cmdManual", "cmdLlamante", "cmdPostIt", "cmdMenu",
                             "cmdAyuda", "cmdMin"})
        state << f.shownPicture(name);
    return state;
}

const QList<int> NormalPictures = {0, 2, 4, 6, 10, 12, 14};

// "name:caption" per entry, "-name" per separator, "*" before the default entry (which alone is
// bold), a submenu's entries in brackets; joined by "|".
QString describe(const QMenu* menu)
{
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        const bool isDefault = action == menu->defaultAction();
        if (action->font().bold() != isDefault)
            entries << QStringLiteral("wrong weight: ") + action->objectName();
        if (action->isSeparator())
            entries << QLatin1Char('-') + action->objectName();
        else
            entries << (isDefault ? QStringLiteral("*") : QString()) + action->objectName() +
                           QLatin1Char(':') + action->text() +
                           (action->menu()
                                ? QLatin1Char('[') + describe(action->menu()) + QLatin1Char(']')
                                : QString());
    }
    return entries.join(QLatin1Char('|'));
}

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& globalPos)
{
    QMouseEvent event(type, widget->mapFromGlobal(globalPos), globalPos,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QString builtHelpFolder()
{
    return TestEnvironment::builtProgramFolder() + QStringLiteral("/ayuda");
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    // Each test gets a fresh program folder and main window; f and w point into them.
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<MainWindowFixture> m_fixture;
    MainWindowFixture* f = nullptr;
    frmIdentificador* w = nullptr;

    [[nodiscard]] bool showWindow()
    {
        w->show();
        return QTest::qWaitForWindowExposed(w);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_fixture = std::make_unique<MainWindowFixture>(m_env->programFolder());
        f = m_fixture.get();
        w = f->window.get();
    }
    void cleanup()
    {
        m_fixture.reset();
        m_env.reset();
    }

    void windowAndHostedControls()
    {
        const double x = f->values.twipsPerPixelX;
        const double y = f->values.twipsPerPixelY;

        QCOMPARE(w->size(), QSize(qRound(4740 / x), qRound(4635 / y)));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(w->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QCOMPARE(w->Parlux1()->geometry(),
                 QRect(qRound(240 / x), qRound(540 / y), qRound(4275 / x), qRound(2175 / y)));
        QCOMPARE(f->shownPicture("cmdEncendidoID"), 9);
        QCOMPARE(pictureState(*f), NormalPictures);
        QVERIFY(!f->tray->icon().isNull());

        // The stored description of the two controls.
        QCOMPARE(w->Lineo1()->Puerto(), qint16(4));
        QVERIFY(!w->Lineo1()->Enabled());
        VariantMapPropertyBag parlux;
        w->Parlux1()->writeProperties(parlux);
        QCOMPARE(parlux.values(), (QVariantMap{{QStringLiteral("Aviso"), QStringLiteral("Alerta")},
                                               {QStringLiteral("Puesto"), qint16(0)},
                                               {QStringLiteral("PuestoVisible"), true},
                                               {QStringLiteral("Enabled"), false}}));
        QVERIFY(!w->cmdLlamante()->isEnabled());

        // The notification icon is there from the start, telling the state.
        QVERIFY(f->tray->isShown());
        QCOMPARE(f->tray->toolTip(), QStringLiteral("Llamora v 3.0.0   Desactivado"));

        QVERIFY(showWindow());
        const QPoint offCentre =
            w->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY(offCentre.manhattanLength() <= 2);
    }

    void brokenDescriptionGivesDefaults()
    {
        MessageBox::Script script;
        const QString path = m_env->root() + QStringLiteral("/description.json");
        const auto describeAs = [&path](const QByteArray& text) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   file.write(text) == text.size();
        };

        // A control lacking a property gets its defaults; the other keeps what is stored.
        QVERIFY(describeAs(R"({"Lineo1": {"Enabled": false}, "Parlux1": {"Aviso": "Ojo",
                             "Puesto": 2, "PuestoVisible": false, "Enabled": false}})"));
        {
            MainWindowFixture loaded(m_env->programFolder(), path);
            QCOMPARE(script.texts().size(), 1);
            QVERIFY(script.texts().first().contains(QStringLiteral("Lineo1")));
            QVERIFY(script.texts().first().contains(QStringLiteral("«Puerto»")));
            QCOMPARE(script.shown().first().message.icon, MessageIcon::Exclamation);
            QCOMPARE(loaded.window->Parlux1()->Aviso(), QStringLiteral("Ojo"));
        }

        script.clear();
        QVERIFY(describeAs("{ not json"));
        MainWindowFixture loaded(m_env->programFolder(), path);
        QCOMPARE(script.texts().size(), 1);
        QVERIFY(script.texts().first().contains(QStringLiteral("dañada")));
        QCOMPARE(loaded.window->Lineo1()->Puerto(), qint16(4));
        QCOMPARE(loaded.window->Parlux1()->Aviso(), QStringLiteral("!"));
    }

    void hoverLightsOnlyTheButtonUnderTheMouse()
    {
        QVERIFY(showWindow());
        const auto moveOnto = [&](const char* name) {
            QTest::mouseMove(w->windowHandle(), f->button(name)->geometry().center());
        };

        // As after a call, when the caller button is usable.
        w->cmdLlamante()->setEnabled(true);
        moveOnto("cmdManual");
        QTRY_COMPARE(f->shownPicture("cmdManual"), 3);

        // Straight onto the next button: the first goes back, the second lights up.
        moveOnto("cmdLlamante");
        QTRY_COMPARE(pictureState(*f), QList<int>({0, 2, 5, 6, 10, 12, 14}));

        // Onto the bare background: nothing lit.
        QTest::mouseMove(w->windowHandle(), QPoint(w->width() / 2, w->height() - 6));
        QTRY_COMPARE(pictureState(*f), NormalPictures);

        // The title bar also puts them back.
        moveOnto("cmdMin");
        QTRY_COMPARE(f->shownPicture("cmdMin"), 15);
        QTest::mouseMove(w->windowHandle(), QPoint(100, 10));
        QTRY_COMPARE(pictureState(*f), NormalPictures);

        // A button that cannot be used does not light up; moving onto it is moving onto the window.
        moveOnto("cmdManual");
        QTRY_COMPARE(f->shownPicture("cmdManual"), 3);
        w->cmdLlamante()->setEnabled(false);
        moveOnto("cmdLlamante");
        QTRY_COMPARE(pictureState(*f), NormalPictures);
    }

    void dragMovesByCursorTravelInTwips()
    {
        f->values.twipsPerPixelX = 15;
        f->values.twipsPerPixelY = 15;
        QVERIFY(showWindow());
        w->move(200, 150);
        QTRY_COMPARE(w->pos(), QPoint(200, 150));

        PictureBox* bar = w->PicTitleBar();
        const QPoint grip = bar->mapToGlobal(QPoint(40, 10));
        sendMouse(bar, QEvent::MouseButtonPress, grip);
        sendMouse(bar, QEvent::MouseMove, grip + QPoint(10, 0));
        QCOMPARE((w->x() - 200) * 15, 150);
        QCOMPARE(w->y(), 150);

        // Each move counts from the last one.
        sendMouse(bar, QEvent::MouseMove, grip + QPoint(10, 4));
        QCOMPARE(w->pos(), QPoint(210, 154));

        // Released: moving over the bar no longer drags.
        sendMouse(bar, QEvent::MouseButtonRelease, grip + QPoint(10, 4));
        sendMouse(bar, QEvent::MouseMove, grip + QPoint(50, 50));
        QCOMPARE(w->pos(), QPoint(210, 154));
    }

    void hideAndTrayLeftPress()
    {
        QVERIFY(showWindow());

        f->button("cmdMin")->click();
        QVERIFY(!w->isVisible());
        QVERIFY(f->tray->isShown());
        f->tray->pressLeft();
        QVERIFY(w->isVisible());

        // The menu entry brings it back as well.
        w->cmdMin_Click();
        f->entry("mnuAbrir")->trigger();
        QVERIFY(w->isVisible());
    }

    void desktopWithoutNotificationArea()
    {
        // The offscreen platform has no notification area, as a bare X server has none: the window
        // keeps its task-bar entry, and hiding it only minimises it.
        ProgramValues values;
        values.programFolder = m_env->programFolder();
        frmIdentificador window(values, std::make_unique<SystemTrayIcon>());
        QVERIFY(!window.trayIcon().isShown());
        QCOMPARE(window.windowFlags() & Qt::WindowType_Mask, Qt::Window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.cmdMin_Click();
        QVERIFY(window.isVisible());
        QTRY_VERIFY(window.isMinimized());
    }

    void trayLeftPressWhileModalDialogDoesNothing()
    {
        QDialog dialog(w);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QTRY_COMPARE(QApplication::activeModalWidget(), &dialog);
        f->tray->pressLeft();
        QVERIFY(!w->isVisible());

        dialog.close();
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        f->tray->pressLeft();
        QVERIFY(w->isVisible());
    }

    void windowFollowsTheNotificationArea()
    {
        // The panel starts after the program (an autostart race): no icon, a task-bar entry.
        ProgramValues values;
        values.programFolder = m_env->programFolder();
        auto fake = std::make_unique<FakeTrayIcon>();
        FakeTrayIcon* tray = fake.get();
        tray->setAvailable(false);
        frmIdentificador window(values, std::move(fake));
        const auto kind = [&] {
            return window.windowFlags() & Qt::WindowType_Mask;
        };
        QVERIFY(!tray->isShown());
        QCOMPARE(kind(), Qt::Window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // It appears: the icon is added, with the state in its tooltip, and the open window
        // leaves the task bar but stays open.
        tray->setAvailable(true);
        QVERIFY(tray->isShown());
        QCOMPARE(tray->toolTip(), QStringLiteral("Llamora v 3.0.0   Desactivado"));
        QCOMPARE(kind(), Qt::Tool);
        QTRY_VERIFY(window.isVisible());

        // Put away behind the icon, then the panel restarts: the window comes back into the task
        // bar, minimised, instead of being lost.
        window.cmdMin_Click();
        QVERIFY(!window.isVisible());
        tray->setAvailable(false);
        QVERIFY(!tray->isShown());
        QCOMPARE(kind(), Qt::Window);
        QTRY_VERIFY(window.isVisible() && window.isMinimized());
        window.close();
        QVERIFY(window.isVisible());

        // The panel is back: the icon too, and the window goes behind it again.
        tray->setAvailable(true);
        QVERIFY(tray->isShown());
        QCOMPARE(kind(), Qt::Tool);
        QTRY_VERIFY(!window.isVisible());
        tray->pressLeft();
        QTRY_VERIFY(window.isVisible() && !window.isMinimized());
    }

    void trayRightReleaseOpensMenuAndGuardsReentry()
    {
        f->tray->releaseRight();
        QTRY_VERIFY(w->mnuBar()->isVisible());
        QCOMPARE(w->mnuBar()->defaultAction(), f->entry("mnuAbrir"));

        // While the menu is open, the icon's events are dropped.
        f->tray->pressLeft();
        QVERIFY(!w->isVisible());

        w->mnuBar()->hide();
        QTRY_VERIFY(!w->mnuBar()->isVisible());
        f->tray->pressLeft();
        QVERIFY(w->isVisible());
    }

    void menusHaveExactEntries()
    {
        QCOMPARE(describe(w->mnuBar()),
                 QStringLiteral("*mnuAbrir:Abrir Llamora|mnuActivar:Activar Llamora|"
                                "mnuConfiguracion:Configuración|-Sep1|mnuAcercaDe:Acerca de|-Sep2|"
                                "mnuSalir:Salir"));
        QCOMPARE(
            describe(w->mnuMenu()),
            QStringLiteral("*mnuConfiguracion1:Configuración|-Sep3|mnuBase:Base de datos"
                           "[mnuCompactar:Compactar|mnuReparar:Reparar]|-Sep4|mnuSalir1:Salir"));
        QCOMPARE(describe(w->mnuAyuda()),
                 QStringLiteral("*mnuContenido:Contenido|mnuBuscar:Buscar|-Sep5|"
                                "mnuAcercaDe1:Acerca de"));

        f->button("cmdMenu")->click();
        QTRY_VERIFY(w->mnuMenu()->isVisible());
        w->mnuMenu()->hide();
        f->button("cmdAyuda")->click();
        QTRY_VERIFY(w->mnuAyuda()->isVisible());
        w->mnuAyuda()->hide();
    }

    void buttonsOpenTheirScreens()
    {
        QVERIFY(showWindow());

        QStringList opened;
        QList<int> picturesWhenOpened;
        const auto opens = [&opened](const char* name) {
            return [&opened, name] {
                opened << QLatin1String(name);
            };
        };
        frmIdentificador::Screens screens;
        screens.frmAdministrar = [&] {
            opened << QStringLiteral("frmAdministrar");
            picturesWhenOpened = pictureState(*f);
        };
        screens.frmBuscarTelefono = opens("frmBuscarTelefono");
        screens.frmLlamantes = opens("frmLlamantes");
        screens.frmTextoPostit = [&](bool hayDatos) {
            opened << QStringLiteral("frmTextoPostit=%1").arg(hayDatos);
        };
        screens.frmConfiguracion = opens("frmConfiguracion");
        screens.frmAbout = opens("frmAbout");
        w->setScreens(screens);

        // The button lit under the mouse goes dark before its dialog opens.
        QTest::mouseMove(w->windowHandle(), f->button("cmdBasedeDatos")->geometry().center());
        QTRY_COMPARE(f->shownPicture("cmdBasedeDatos"), 1);
        f->button("cmdBasedeDatos")->click();
        QCOMPARE(picturesWhenOpened, NormalPictures);

        f->button("cmdManual")->click();
        f->button("cmdPostIt")->click();
        w->cmdLlamante()->setEnabled(true);
        f->button("cmdLlamante")->click();
        f->button("cmdPostIt")->click();
        f->entry("mnuConfiguracion")->trigger();
        f->entry("mnuConfiguracion1")->trigger();
        f->entry("mnuAcercaDe1")->trigger();
        QCOMPARE(
            opened,
            QStringList({QStringLiteral("frmAdministrar"), QStringLiteral("frmBuscarTelefono"),
                         QStringLiteral("frmTextoPostit=0"), QStringLiteral("frmLlamantes"),
                         QStringLiteral("frmTextoPostit=1"), QStringLiteral("frmConfiguracion"),
                         QStringLiteral("frmConfiguracion"), QStringLiteral("frmAbout")}));

        // Entries whose screens are not given do nothing at all.
        w->setScreens({});
        f->entry("mnuSalir")->trigger();
        f->entry("mnuAcercaDe")->trigger();
        f->button("cmdManual")->click();
        QVERIFY(w->isVisible());
    }

    void helpOpensIndexAndSearch()
    {
        QDir().mkpath(w->helpFolder());
        for (const QString& name : QDir(builtHelpFolder()).entryList(QDir::Files))
            QVERIFY(QFile::copy(builtHelpFolder() + QLatin1Char('/') + name,
                                QDir(w->helpFolder()).filePath(name)));

        f->entry("mnuContenido")->trigger();
        HelpWindow* help = w->helpWindow();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->browser()->source().fileName(), QStringLiteral("index.html"));
        f->entry("mnuBuscar")->trigger();
        QCOMPARE(w->helpWindow(), help);
        QCOMPARE(help->browser()->source().fileName(), QStringLiteral("buscar.html"));

        // Typing in the search box and pressing Enter lists the pages holding every word.
        QTest::keyClicks(help->searchField(), QStringLiteral("MODEM usb"));
        QTest::keyClick(help->searchField(), Qt::Key_Return);
        const QString results = help->browser()->toHtml();
        QVERIFY2(results.contains(QStringLiteral("modem.html")), qPrintable(results));
        QVERIFY(!results.contains(QStringLiteral("red.html")));

        // A topic link on the search page runs a search; a result link opens its page.
        emit help->browser()->anchorClicked(QUrl(QStringLiteral("buscar:red")));
        QCOMPARE(help->searchField()->text(), QStringLiteral("red"));
        emit help->browser()->anchorClicked(
            QUrl::fromLocalFile(QDir(w->helpFolder()).filePath(QStringLiteral("red.html"))));
        QCOMPARE(help->browser()->source().fileName(), QStringLiteral("red.html"));
        emit help->browser()->anchorClicked(QUrl(QStringLiteral("configuracion.html")));
        QCOMPARE(help->browser()->source().fileName(), QStringLiteral("configuracion.html"));
    }

    void helpSearchIgnoresCaseAndAccents()
    {
        const HelpSearch search(builtHelpFolder());
        const auto files = [&search](const QString& query) {
            QStringList names;
            for (const HelpSearch::Hit& hit : search.find(query))
                names << QFileInfo(hit.filePath).fileName();
            return names;
        };
        QVERIFY(files(QStringLiteral("anonimo")).contains(QStringLiteral("que-hace.html")));
        QCOMPARE(files(QStringLiteral("modem")), files(QStringLiteral("MÓDEM")));
        // The search page only lists topics: it is never a result.
        QVERIFY(!files(QStringLiteral("buscar")).contains(QStringLiteral("buscar.html")));
        QVERIFY(HelpSearch::resultsHtml(QStringLiteral("<b>"), {})
                    .contains(QStringLiteral("&lt;b&gt;")));
    }

    void missingHelpIsReported()
    {
        MessageBox::Script script;
        f->entry("mnuContenido")->trigger();
        QCOMPARE(script.texts().size(), 1);
        QVERIFY(script.texts().first().startsWith(QStringLiteral("No se encuentra la ayuda")));
        QVERIFY(!f->window->helpWindow()->isVisible());
    }

    void screenshot()
    {
        const QByteArray folder = qgetenv("LLAMORA_SCREENSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("LLAMORA_SCREENSHOT_DIR is not set");
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
        QVERIFY(showWindow());
        w->Parlux1()->setEnabledFlag(true);
        w->Parlux1()->setPuesto(1);
        w->Parlux1()->Mostrar(QStringLiteral("4567890"), QDate(2024, 5, 14), QTime(10, 32),
                              QStringLiteral("Juan Díaz"), QStringLiteral("Av. Corrientes 1234"),
                              QStringLiteral("Cliente desde 2019"), true,
                              QStringLiteral("Cant: 5"));
        w->cmdLlamante()->setEnabled(true);
        // After the blink, so the picture shows the panel at rest.
        const auto* blink = w->Parlux1()->findChild<QTimer*>(QStringLiteral("Timer1"));
        QTRY_VERIFY_WITH_TIMEOUT(!blink->isActive(), 5000);
        QVERIFY(w->grab().save(QFile::decodeName(folder) + QStringLiteral("/main_window.png")));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
