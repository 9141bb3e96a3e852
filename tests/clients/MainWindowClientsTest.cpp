// The client editor in Modo 1 and the search by number, as the main window's buttons open them.
#include "MainWindowClientsTest.h"

#include "ClientFormsSupport.h"
#include "ClientScreens.h"
#include "DatabaseFixture.h"
#include "MainWindowFixture.h"
#include "MarkupTexts.h"
#include "NumberBox.h"
#include "TypeText.h"
#include "database/DataControl.h"
#include "database/DateText.h"
#include "frmBuscarTelefono.h"
#include "frmLlamantes.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

// The real main window with one client screen wired in, shown, over a database whose one client
// is Juan on 4567 (with the alert as given).
struct WindowWithJuan
{
    using Screen = std::function<void()> frmIdentificador::Screens::*;

    WindowWithJuan(Screen screen, void (*open)(frmIdentificador&), bool alerta)
        : f(env.programFolder())
        , w(*f.window)
        , path(f.values.databasePath())
        , id(addCaller(path, QStringLiteral("4567")))
    {
        frmIdentificador::Screens screens;
        screens.*screen = [this, open] {
            open(w);
        };
        w.setScreens(std::move(screens));
        saved = saveClientDetails(path, id, {QStringLiteral("Juan"), {}, {}, alerta}) == 0;
        w.show();
    }

    TestEnvironment env;
    MainWindowFixture f;
    frmIdentificador& w;
    const QString path;
    const qint64 id;
    bool saved = false;
};

} // namespace

void MainWindowClientsTest::init()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
}

void MainWindowClientsTest::callerEditorFollowsTheMainWindow()
{
    WindowWithJuan juan(&frmIdentificador::Screens::frmLlamantes, &ClientScreens::openCallerEditor,
                        false);
    QVERIFY(juan.saved);
    frmIdentificador& w = juan.w;
    const QString path = juan.path;
    const qint64 id = juan.id;
    w.Recibe_llamada(QStringLiteral("4567"));
    QVERIFY(w.cmdLlamante()->isEnabled());

    // Saved in Modo 1: the notice shows the client again, with the count.
    auto save = whenModal<frmLlamantes>([](frmLlamantes& editor) {
        QCOMPARE(editor.windowTitle(), QStringLiteral("Cliente"));
        QCOMPARE(text(editor, "lblTelefono"), QStringLiteral("4567"));
        QCOMPARE(text(editor, "txtNombre"), QStringLiteral("Juan"));
        child<QLineEdit>(editor, "txtNombre")->setText(QStringLiteral("Peña & Cía."));
        click(editor, "cmdAceptar");
    });
    w.cmdLlamante()->click();
    QCOMPARE(panelText(w, "lblNombre"), QStringLiteral("Peña & Cía."));
    QCOMPARE(panelText(w, "lblNota"), QStringLiteral("Cant: 1"));

    // A newer call while the editor is open: the save is stored, the notice stays on the
    // newer caller.
    auto overtaken = whenModal<frmLlamantes>([&w](frmLlamantes& editor) {
        w.Recibe_llamada(QStringLiteral("999"));
        child<QLineEdit>(editor, "txtNombre")->setText(QStringLiteral("Núñez O'Brien"));
        click(editor, "cmdAceptar");
    });
    w.cmdLlamante()->click();
    QCOMPARE(stored(path, id).details.Nombre, QStringLiteral("Núñez O'Brien"));
    QCOMPARE(panelText(w, "lblTelefono"), QStringLiteral("999"));
    QCOMPARE(panelText(w, "lblNombre"), QString());

    // The last caller deleted by another workstation: the editor says so and closes, and the
    // button no longer offers that client.
    w.Recibe_llamada(QStringLiteral("4567"));
    QCOMPARE(deleteElsewhere(path, QStringLiteral("4567")), QStringLiteral("delete 0"));
    MessageBox::Script script;
    w.cmdLlamante()->click();
    QCOMPARE(shownList(script),
             shown(MessageIcon::Exclamation, QStringLiteral("El Cliente ha sido eliminado")));
    // Centred over the main window: the editor that says it is not on screen yet.
    QCOMPARE(script.shown().value(0).over, &w);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(!w.cmdLlamante()->isEnabled());
    QVERIFY(w.datLlamada()->isEmpty());
}

void MainWindowClientsTest::searchTakesTheNumberAsACall()
{
    WindowWithJuan juan(&frmIdentificador::Screens::frmBuscarTelefono,
                        &ClientScreens::openNumberSearch, true);
    QVERIFY(juan.saved);
    frmIdentificador& w = juan.w;
    const QString path = juan.path;
    const qint64 id = juan.id;

    const auto search = [&w](const QString& typed, bool accept) {
        auto handle = whenModal<frmBuscarTelefono>([typed, accept](frmBuscarTelefono& form) {
            QCOMPARE(form.windowTitle(), QStringLiteral("Llamora"));
            QCOMPARE(text(form, "Label10"), QStringLiteral("Número telefónico"));
            // Nothing to take while the box is empty, not even with Enter.
            QVERIFY(!child<QPushButton>(form, "cmdOK")->isEnabled());
            QTest::keyClick(child<NumberBox>(form, "txtTelefono"), Qt::Key_Return);
            QVERIFY(form.isVisible());
            typeText(child<NumberBox>(form, "txtTelefono"), typed);
            click(form, accept ? "cmdOK" : "cmdCancel");
        });
        w.cmdManual()->click();
        return !handle->isActive();
    };
    const auto count = [&path](const QString& sql) {
        return DatabaseFixture::scalarIn(path, sql);
    };

    // A client's number: logged and counted as a call, the notice shows the client, and the
    // focus waits on the client button.
    QVERIFY(search(QStringLiteral("45ab67"), true));
    QCOMPARE(
        count(QStringLiteral("SELECT count(*) FROM Llamadas WHERE Puesto = %1 AND Cliente = %2")
                  .arg(juan.f.values.NumeroPuesto)
                  .arg(id)),
        1);
    QCOMPARE(stored(path, id).CantLlamadas.value_or(-1), 1);
    QCOMPARE(panelText(w, "lblNombre"), QStringLiteral("Juan"));
    QCOMPARE(panelText(w, "lblNota"), QStringLiteral("Cant: 1"));
    QVERIFY(w.cmdLlamante()->isEnabled());
    QCOMPARE(w.focusWidget(), w.cmdLlamante());

    // A new number becomes a client entered today with its first call.
    QVERIFY(search(QStringLiteral("777"), true));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Clientes WHERE Telefono = '777' AND "
                                  "CantLlamadas = 1 AND FIngreso = '%1'")
                       .arg(DateText::storedDate(QDate::currentDate()))),
             1);
    // "0" is a withheld number: shown, nothing logged; "&Cancelar" does nothing at all.
    QVERIFY(search(QStringLiteral("0"), true));
    QCOMPARE(panelText(w, "lblNombre"), QStringLiteral("ANÓNIMO"));
    QVERIFY(!w.cmdLlamante()->isEnabled());
    QVERIFY(search(QStringLiteral("4567"), false));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Llamadas")), 2);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Clientes")), 2);
}

void MainWindowClientsTest::markupInAClientShowsAsText()
{
    FifoTrap pipe;
    QVERIFY(pipe.isValid());
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    frmIdentificador::Screens screens;
    screens.frmLlamantes = [&w] {
        ClientScreens::openCallerEditor(w);
    };
    w.setScreens(std::move(screens));
    // Saved by another workstation, straight into the shared file.
    const QString path = f.values.databasePath();
    const QString telefono = markupText(pipe, QStringLiteral("1"), frmLlamantes::MaxTelefono);
    const qint64 id = addCaller(path, telefono);
    const ClientDetails details{
        markupText(pipe, QStringLiteral("N"), frmLlamantes::MaxNombre),
        markupText(pipe, QStringLiteral("D"), frmLlamantes::MaxDomicilio),
        markupText(pipe, QStringLiteral("O"), frmLlamantes::MaxObservaciones), true};
    QVERIFY(id && saveClientDetails(path, id, details) == 0);
    w.show();

    w.Recibe_llamada(telefono);
    QCOMPARE(QStringList({panelText(w, "lblTelefono"), panelText(w, "lblNombre"),
                          panelText(w, "lblDireccion"), panelText(w, "lblObservaciones")}),
             QStringList({telefono, details.Nombre, details.Domicilio, details.Observaciones}));
    QVERIFY2(richLabels(w).isEmpty(), qPrintable(richLabels(w).join(QLatin1Char('\n'))));
    static_cast<void>(w.grab());

    QStringList editorShown;
    QStringList editorRich;
    auto look = whenModal<frmLlamantes>([&](frmLlamantes& editor) {
        editorShown = QStringList({text(editor, "lblTelefono"), text(editor, "txtNombre"),
                                   text(editor, "txtDomicilio"), text(editor, "txtObservaciones")});
        editorRich = richLabels(editor);
        static_cast<void>(editor.grab());
        click(editor, "cmdCancelar");
    });
    w.cmdLlamante()->click();
    QCOMPARE(editorShown,
             QStringList({telefono, details.Nombre, details.Domicilio, details.Observaciones}));
    QVERIFY2(editorRich.isEmpty(), qPrintable(editorRich.join(QLatin1Char('\n'))));
    QCOMPARE(pipe.openings(), 0);
}
