#include "HelpSearch.h"
#include "HelpWindow.h"
#include "Lineo.h"
#include "MainWindowFixture.h"
#include "MessageBox.h"
#include "Parlux.h"
#include "PictureBox.h"
#include "PictureButton.h"
#include "SystemTrayIcon.h"
#include "TestEnvironment.h"

#include <QAction>
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

PictureButton* button(const frmIdentificador& window, const char* name)
{
    return window.findChild<PictureButton*>(QLatin1String(name));
}

// Index of the Image1 picture the button shows, or -1.
int shownPicture(const frmIdentificador& window, const char* name)
{
    const qint64 key = button(window, name)->picture().cacheKey();
    for (int i = 0; i < window.Image1().size(); ++i) {
        if (window.Image1().at(i).cacheKey() == key)
            return i;
    }
    return -1;
}

QStringList pictureState(const frmIdentificador& window)
{
    QStringList state;
    for (const char* name : {"cmdBasedeDatos", "cmdManual", "cmdLlamante", "cmdPostIt", "cmdMenu",
                             "cmdAyuda", "cmdMin"})
        state << QLatin1String(name) + QLatin1Char('=') +
                     QString::number(shownPicture(window, name));
    return state;
}

QStringList normalPictures()
{
    return {QStringLiteral("cmdBasedeDatos=0"), QStringLiteral("cmdManual=2"),
            QStringLiteral("cmdLlamante=4"),    QStringLiteral("cmdPostIt=6"),
            QStringLiteral("cmdMenu=10"),       QStringLiteral("cmdAyuda=12"),
            QStringLiteral("cmdMin=14")};
}

// "name:caption" per entry, "-name" per separator, submenus followed by their entries.
QStringList describe(const QMenu* menu)
{
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            entries << QLatin1Char('-') + action->objectName();
            continue;
        }
        entries << action->objectName() + QLatin1Char(':') + action->text();
        if (action->menu()) {
            for (const QString& sub : describe(action->menu()))
                entries << QLatin1String("  ") + sub;
        }
    }
    return entries;
}

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& globalPos,
               Qt::MouseButtons buttons)
{
    const QPoint local = widget->mapFromGlobal(globalPos);
    QMouseEvent event(type, local, globalPos,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

bool copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    const QDir source(from);
    const QStringList names = source.entryList(QDir::Files);
    for (const QString& name : names) {
        if (!QFile::copy(source.filePath(name), QDir(to).filePath(name)))
            return false;
    }
    return !names.isEmpty();
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void windowAndHostedControls();
    void brokenDescriptionGivesDefaults();
    void hoverLightsOnlyTheButtonUnderTheMouse();
    void dragMovesByCursorTravelInTwips();
    void hideAndTrayLeftPress();
    void withoutTrayTheWindowStaysReachable();
    void desktopWithoutNotificationArea();
    void trayLeftPressWhileModalDialogDoesNothing();
    void trayRightReleaseOpensMenuAndGuardsReentry();
    void menusHaveExactEntries();
    void buttonsOpenTheirScreens();
    void helpOpensIndexAndSearch();
    void helpSearchIgnoresCaseAndAccents();
    void missingHelpIsReported();
    void screenshot();
};

void MainWindowTest::windowAndHostedControls()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    f.values.twipsPerPixelX = f.values.twipsPerPixelY; // offscreen: one factor
    const int tpp = f.values.twipsPerPixelX;

    QCOMPARE(w.size(), QSize(qRound(4740.0 / tpp), qRound(4635.0 / tpp)));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(w.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QCOMPARE(w.Parlux1()->geometry(), QRect(qRound(240.0 / tpp), qRound(540.0 / tpp),
                                            qRound(4275.0 / tpp), qRound(2175.0 / tpp)));
    QCOMPARE(button(w, "cmdLlamante")->geometry(), QRect(qRound(3480.0 / tpp), qRound(2880.0 / tpp),
                                                         qRound(915.0 / tpp), qRound(375.0 / tpp)));

    // The skin: every picture drawn, at the sizes the layout expects.
    QCOMPARE(w.Image1().size(), 16);
    for (const QPixmap& picture : w.Image1())
        QVERIFY(!picture.isNull());
    QCOMPARE(w.Image1().at(0).deviceIndependentSize().toSize(), QSize(61, 25));
    QCOMPARE(w.Image1().at(8).deviceIndependentSize().toSize(), QSize(27, 17));
    QCOMPARE(w.PicTitleBar()->picture().deviceIndependentSize().toSize(), QSize(316, 22));
    QCOMPARE(shownPicture(w, "cmdEncendidoID"), 9);
    QCOMPARE(pictureState(w), normalPictures());
    QVERIFY(!w.windowIcon().isNull());
    QVERIFY(!f.tray->icon().isNull());

    // The stored description of the two controls.
    QCOMPARE(w.Lineo1()->Puerto(), qint16(4));
    QCOMPARE(w.Lineo1()->Enabled(), false);
    QCOMPARE(w.Parlux1()->Aviso(), QStringLiteral("Alerta"));
    QCOMPARE(w.Parlux1()->Puesto(), qint16(0));
    QCOMPARE(w.Parlux1()->PuestoVisible(), true);
    QCOMPARE(w.Parlux1()->Enabled(), false);
    QVERIFY(w.datLlamada() != nullptr);
    QVERIFY(!w.cmdLlamante()->isEnabled());

    // The notification icon is there from the start, telling the state.
    QVERIFY(f.tray->isShown());
    QCOMPARE(f.tray->toolTip(), QStringLiteral("Llamora v 3.0.0   Desactivado"));

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(w.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(w.geometry().center().y() - screen.center().y()) <= 1);
}

void MainWindowTest::brokenDescriptionGivesDefaults()
{
    TestEnvironment env;
    MessageBox::Script script;
    const QString path = env.root() + QStringLiteral("/description.json");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"Lineo1": {"Enabled": false}, "Parlux1": {"Aviso": "Ojo", "Puesto": 2,
                     "PuestoVisible": false, "Enabled": false}})");
    }
    {
        MainWindowFixture f(env.programFolder(), true, path);
        QCOMPARE(script.shown().size(), 1);
        QVERIFY(script.texts().first().contains(QStringLiteral("Lineo1")));
        QVERIFY(script.texts().first().contains(QStringLiteral("«Puerto»")));
        QCOMPARE(script.shown().first().message.icon, MessageIcon::Exclamation);
        QCOMPARE(f.window->Lineo1()->Puerto(), qint16(4));
        QCOMPARE(f.window->Parlux1()->Aviso(), QStringLiteral("Ojo"));
        QCOMPARE(f.window->Parlux1()->Puesto(), qint16(2));
    }

    script.clear();
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("{ not json");
    }
    MainWindowFixture f(env.programFolder(), true, path);
    QCOMPARE(script.shown().size(), 1);
    QVERIFY(script.texts().first().contains(QStringLiteral("dañada")));
    // Both controls took their defaults as new instances.
    QCOMPARE(f.window->Lineo1()->Puerto(), qint16(4));
    QCOMPARE(f.window->Parlux1()->Aviso(), QStringLiteral("!"));
}

void MainWindowTest::hoverLightsOnlyTheButtonUnderTheMouse()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    const auto centreOf = [&w](const char* name) {
        return button(w, name)->geometry().center();
    };
    // As after a call, when the caller button is usable.
    w.cmdLlamante()->setEnabled(true);
    QTest::mouseMove(w.windowHandle(), centreOf("cmdManual"));
    QTRY_COMPARE(shownPicture(w, "cmdManual"), 3);

    // Straight onto the next button: the first goes back, the second lights up.
    QTest::mouseMove(w.windowHandle(), centreOf("cmdLlamante"));
    QStringList expected = normalPictures();
    expected[2] = QStringLiteral("cmdLlamante=5");
    QTRY_COMPARE(pictureState(w), expected);

    // Onto the bare background: nothing lit.
    QTest::mouseMove(w.windowHandle(), QPoint(w.width() / 2, w.height() - 6));
    QTRY_COMPARE(pictureState(w), normalPictures());

    // The title bar also puts them back.
    QTest::mouseMove(w.windowHandle(), centreOf("cmdMin"));
    QTRY_COMPARE(shownPicture(w, "cmdMin"), 15);
    QTest::mouseMove(w.windowHandle(), QPoint(100, 10));
    QTRY_COMPARE(pictureState(w), normalPictures());

    // A button that cannot be used does not light up; moving onto it is moving onto the window.
    QTest::mouseMove(w.windowHandle(), centreOf("cmdManual"));
    QTRY_COMPARE(shownPicture(w, "cmdManual"), 3);
    w.cmdLlamante()->setEnabled(false);
    QTest::mouseMove(w.windowHandle(), centreOf("cmdLlamante"));
    QTRY_COMPARE(pictureState(w), normalPictures());
}

void MainWindowTest::dragMovesByCursorTravelInTwips()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    f.values.twipsPerPixelX = 15;
    f.values.twipsPerPixelY = 15;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.move(200, 150);
    QTRY_COMPARE(w.pos(), QPoint(200, 150));

    PictureBox* bar = w.PicTitleBar();
    const QPoint grip = bar->mapToGlobal(QPoint(40, 10));
    sendMouse(bar, QEvent::MouseButtonPress, grip, Qt::LeftButton);
    sendMouse(bar, QEvent::MouseMove, grip + QPoint(10, 0), Qt::LeftButton);
    QCOMPARE(w.x() * 15 - 200 * 15, 150);
    QCOMPARE(w.y(), 150);

    // Each move counts from the last one.
    sendMouse(bar, QEvent::MouseMove, grip + QPoint(10, 4), Qt::LeftButton);
    QCOMPARE(w.pos(), QPoint(210, 154));

    // Released: moving over the bar no longer drags.
    sendMouse(bar, QEvent::MouseButtonRelease, grip + QPoint(10, 4), Qt::NoButton);
    sendMouse(bar, QEvent::MouseMove, grip + QPoint(50, 50), Qt::NoButton);
    QCOMPARE(w.pos(), QPoint(210, 154));
}

void MainWindowTest::hideAndTrayLeftPress()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    button(w, "cmdMin")->click();
    QVERIFY(!w.isVisible());
    QVERIFY(f.tray->isShown());

    f.tray->pressLeft();
    QVERIFY(w.isVisible());

    // The menu entry brings it back as well.
    w.cmdMin_Click();
    w.findChild<QAction*>(QStringLiteral("mnuAbrir"))->trigger();
    QVERIFY(w.isVisible());
}

void MainWindowTest::withoutTrayTheWindowStaysReachable()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder(), false);
    frmIdentificador& w = *f.window;
    QVERIFY(!f.tray->isShown());
    QCOMPARE(w.windowFlags() & Qt::WindowType_Mask, Qt::Window);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    button(w, "cmdMin")->click();
    // Minimised, not hidden: the task bar still leads back to it.
    QVERIFY(w.isVisible());
    QTRY_VERIFY(w.isMinimized());
}

void MainWindowTest::desktopWithoutNotificationArea()
{
    // The offscreen platform has no notification area, as a bare X server has none.
    TestEnvironment env;
    static_cast<void>(TestEnvironment::copyEmptyDatabase(env.programFolder()));
    ProgramValues values;
    values.programFolder = env.programFolder();
    frmIdentificador w(values, std::make_unique<SystemTrayIcon>());
    QVERIFY(!w.trayIcon().isAvailable());
    QVERIFY(!w.trayIcon().isShown());
    QCOMPARE(w.windowFlags() & Qt::WindowType_Mask, Qt::Window);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.cmdMin_Click();
    QVERIFY(w.isVisible());
}

void MainWindowTest::trayLeftPressWhileModalDialogDoesNothing()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;

    QDialog dialog(&w);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    QTRY_COMPARE(QApplication::activeModalWidget(), &dialog);

    f.tray->pressLeft();
    QVERIFY(!w.isVisible());

    dialog.close();
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    f.tray->pressLeft();
    QVERIFY(w.isVisible());
}

void MainWindowTest::trayRightReleaseOpensMenuAndGuardsReentry()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;

    f.tray->releaseRight(QPoint(300, 300));
    QTRY_VERIFY(w.mnuBar()->isVisible());
    QAction* mnuAbrir = w.findChild<QAction*>(QStringLiteral("mnuAbrir"));
    QCOMPARE(w.mnuBar()->defaultAction(), mnuAbrir);
    QVERIFY(mnuAbrir->font().bold());

    // While the menu is open, the icon's events are dropped.
    f.tray->pressLeft();
    QVERIFY(!w.isVisible());

    w.mnuBar()->hide();
    QTRY_VERIFY(!w.mnuBar()->isVisible());
    f.tray->pressLeft();
    QVERIFY(w.isVisible());
}

void MainWindowTest::menusHaveExactEntries()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;

    QCOMPARE(describe(w.mnuBar()),
             QStringList({QStringLiteral("mnuAbrir:Abrir Llamora"),
                          QStringLiteral("mnuActivar:Activar Llamora"),
                          QStringLiteral("mnuConfiguracion:Configuración"), QStringLiteral("-Sep1"),
                          QStringLiteral("mnuAcercaDe:Acerca de"), QStringLiteral("-Sep2"),
                          QStringLiteral("mnuSalir:Salir")}));
    QCOMPARE(describe(w.mnuMenu()),
             QStringList({QStringLiteral("mnuConfiguracion1:Configuración"),
                          QStringLiteral("-Sep3"), QStringLiteral("mnuBase:Base de datos"),
                          QStringLiteral("  mnuCompactar:Compactar"),
                          QStringLiteral("  mnuReparar:Reparar"), QStringLiteral("-Sep4"),
                          QStringLiteral("mnuSalir1:Salir")}));
    QCOMPARE(
        describe(w.mnuAyuda()),
        QStringList({QStringLiteral("mnuContenido:Contenido"), QStringLiteral("mnuBuscar:Buscar"),
                     QStringLiteral("-Sep5"), QStringLiteral("mnuAcercaDe1:Acerca de")}));

    // Defaults, in bold; the other entries are not.
    for (const auto& [menu, name] :
         {std::pair{w.mnuBar(), "mnuAbrir"}, std::pair{w.mnuMenu(), "mnuConfiguracion1"},
          std::pair{w.mnuAyuda(), "mnuContenido"}}) {
        QCOMPARE(menu->defaultAction()->objectName(), QLatin1String(name));
        for (const QAction* action : menu->actions())
            QCOMPARE(action->font().bold(), action == menu->defaultAction());
    }

    button(w, "cmdMenu")->click();
    QTRY_VERIFY(w.mnuMenu()->isVisible());
    w.mnuMenu()->hide();
    button(w, "cmdAyuda")->click();
    QTRY_VERIFY(w.mnuAyuda()->isVisible());
    w.mnuAyuda()->hide();
}

void MainWindowTest::buttonsOpenTheirScreens()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    QStringList opened;
    QList<bool> postItWithCaller;
    QStringList picturesWhenOpened;
    frmIdentificador::Screens screens;
    screens.frmAdministrar = [&] {
        opened << QStringLiteral("frmAdministrar");
        picturesWhenOpened = pictureState(w);
    };
    screens.frmBuscarTelefono = [&] {
        opened << QStringLiteral("frmBuscarTelefono");
    };
    screens.frmLlamantes = [&] {
        opened << QStringLiteral("frmLlamantes");
    };
    screens.frmTextoPostit = [&](bool hayDatos) {
        postItWithCaller << hayDatos;
    };
    screens.frmConfiguracion = [&] {
        opened << QStringLiteral("frmConfiguracion");
    };
    screens.frmAbout = [&] {
        opened << QStringLiteral("frmAbout");
    };
    w.setScreens(screens);

    // The button lit under the mouse goes dark before its dialog opens.
    QTest::mouseMove(w.windowHandle(), button(w, "cmdBasedeDatos")->geometry().center());
    QTRY_COMPARE(shownPicture(w, "cmdBasedeDatos"), 1);
    button(w, "cmdBasedeDatos")->click();
    QCOMPARE(picturesWhenOpened, normalPictures());

    button(w, "cmdManual")->click();
    button(w, "cmdPostIt")->click();
    w.cmdLlamante()->setEnabled(true);
    button(w, "cmdLlamante")->click();
    button(w, "cmdPostIt")->click();
    w.findChild<QAction*>(QStringLiteral("mnuConfiguracion"))->trigger();
    w.findChild<QAction*>(QStringLiteral("mnuConfiguracion1"))->trigger();
    w.findChild<QAction*>(QStringLiteral("mnuAcercaDe1"))->trigger();
    QCOMPARE(opened,
             QStringList({QStringLiteral("frmAdministrar"), QStringLiteral("frmBuscarTelefono"),
                          QStringLiteral("frmLlamantes"), QStringLiteral("frmConfiguracion"),
                          QStringLiteral("frmConfiguracion"), QStringLiteral("frmAbout")}));
    QCOMPARE(postItWithCaller, QList<bool>({false, true}));

    // Entries whose screens are not given do nothing at all.
    w.setScreens({});
    w.findChild<QAction*>(QStringLiteral("mnuSalir"))->trigger();
    w.findChild<QAction*>(QStringLiteral("mnuCompactar"))->trigger();
    button(w, "cmdManual")->click();
    QVERIFY(w.isVisible());
}

void MainWindowTest::helpOpensIndexAndSearch()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    QVERIFY(copyFolder(TestEnvironment::builtProgramFolder() + QStringLiteral("/ayuda"),
                       w.helpFolder()));

    w.findChild<QAction*>(QStringLiteral("mnuContenido"))->trigger();
    HelpWindow* help = w.helpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->browser()->source().fileName(), QStringLiteral("index.html"));
    QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("Ayuda de Llamora")));

    w.findChild<QAction*>(QStringLiteral("mnuBuscar"))->trigger();
    QCOMPARE(w.helpWindow(), help);
    QCOMPARE(help->browser()->source().fileName(), QStringLiteral("buscar.html"));

    // Typing in the search box and pressing Enter lists the matching pages, with links.
    QTest::keyClicks(help->searchField(), QStringLiteral("MODEM usb"));
    QTest::keyClick(help->searchField(), Qt::Key_Return);
    const QString results = help->browser()->toHtml();
    QVERIFY2(results.contains(QStringLiteral("modem.html")), qPrintable(results));
    QVERIFY(!results.contains(QStringLiteral("red.html")));

    // A topic link on the search page runs a search; a result link opens its page.
    emit help->browser()->anchorClicked(QUrl(QStringLiteral("buscar:red")));
    QCOMPARE(help->searchField()->text(), QStringLiteral("red"));
    QVERIFY(help->browser()->toHtml().contains(QStringLiteral("red.html")));
    emit help->browser()->anchorClicked(
        QUrl::fromLocalFile(QDir(w.helpFolder()).filePath(QStringLiteral("red.html"))));
    QCOMPARE(help->browser()->source().fileName(), QStringLiteral("red.html"));
    emit help->browser()->anchorClicked(QUrl(QStringLiteral("configuracion.html")));
    QCOMPARE(help->browser()->source().fileName(), QStringLiteral("configuracion.html"));
}

void MainWindowTest::helpSearchIgnoresCaseAndAccents()
{
    const HelpSearch search(TestEnvironment::builtProgramFolder() + QStringLiteral("/ayuda"));
    const auto files = [&search](const QString& query) {
        QStringList names;
        for (const HelpSearch::Hit& hit : search.find(query))
            names << QFileInfo(hit.filePath).fileName();
        return names;
    };
    QVERIFY(files(QStringLiteral("modem")).contains(QStringLiteral("modem.html")));
    QCOMPARE(files(QStringLiteral("modem")), files(QStringLiteral("MÓDEM")));
    QVERIFY(files(QStringLiteral("anonimo")).contains(QStringLiteral("que-hace.html")));
    // The search page itself is never a result, and nonsense finds nothing.
    QVERIFY(!files(QStringLiteral("buscar")).contains(QStringLiteral("buscar.html")));
    QVERIFY(files(QStringLiteral("zzqx")).isEmpty());
    QVERIFY(files(QStringLiteral("  ")).isEmpty());

    const QList<HelpSearch::Hit> hits = search.find(QStringLiteral("dialout"));
    QCOMPARE(hits.size(), 1);
    QVERIFY(hits.first().excerpt.contains(QStringLiteral("dialout")));
    QCOMPARE(hits.first().title, QStringLiteral("El módem"));
    QVERIFY(
        HelpSearch::resultsHtml(QStringLiteral("<b>"), {}).contains(QStringLiteral("&lt;b&gt;")));
}

void MainWindowTest::missingHelpIsReported()
{
    TestEnvironment env;
    MessageBox::Script script;
    MainWindowFixture f(env.programFolder());
    f.window->findChild<QAction*>(QStringLiteral("mnuContenido"))->trigger();
    QCOMPARE(script.shown().size(), 1);
    QVERIFY(script.texts().first().startsWith(QStringLiteral("No se encuentra la ayuda")));
    QCOMPARE(script.shown().first().message.icon, MessageIcon::Exclamation);
    QVERIFY(!f.window->helpWindow()->isVisible());
}

void MainWindowTest::screenshot()
{
    const QByteArray folder = qgetenv("LLAMORA_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("LLAMORA_SCREENSHOT_DIR is not set");
    TestEnvironment env;
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Parlux1()->setEnabledFlag(true);
    w.Parlux1()->setPuesto(1);
    w.Parlux1()->Mostrar(QStringLiteral("4567890"), QDate(2024, 5, 14), QTime(10, 32),
                         QStringLiteral("Juan Díaz"), QStringLiteral("Av. Corrientes 1234"),
                         QStringLiteral("Cliente desde 2019"), true, QStringLiteral("Cant: 5"));
    w.cmdLlamante()->setEnabled(true);
    // After the blink, so the picture shows the panel at rest.
    const QTimer* blink = w.Parlux1()->findChild<QTimer*>(QStringLiteral("Timer1"));
    QVERIFY(blink);
    QTRY_VERIFY_WITH_TIMEOUT(!blink->isActive(), 5000);
    const QString path = QFile::decodeName(folder) + QStringLiteral("/main_window.png");
    QVERIFY(w.grab().save(path));
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
