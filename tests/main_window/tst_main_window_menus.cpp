// The main window's menus, the screens its buttons open, and the help with its search.

#include "HelpSearch.h"
#include "HelpWindow.h"
#include "MainWindowTestBase.h"
#include "MessageBox.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTextBrowser>
#include <QTimer>

namespace {

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

QString builtHelpFolder()
{
    return TestEnvironment::builtProgramFolder() + QStringLiteral("/ayuda");
}

} // namespace

class MainWindowMenusTest : public MainWindowTestBase
{
    Q_OBJECT

private slots:
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
};

std::unique_ptr<QObject> makeMainWindowMenusTest()
{
    return std::make_unique<MainWindowMenusTest>();
}

#include "tst_main_window_menus.moc"
