// The client editor (frmLlamantes) and the search by number (frmBuscarTelefono): real widgets on
// the offscreen platform, a real database file, the real main window for Modo 1 and the search,
// and db_worker as another workstation where that is the point.
#include "ClientScreens.h"
#include "DatabaseFixture.h"
#include "MainWindowFixture.h"
#include "MessageBox.h"
#include "NumberBox.h"
#include "Parlux.h"
#include "TypeText.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/RowOperations.h"
#include "database/Statements.h"
#include "frmBuscarTelefono.h"
#include "frmLlamantes.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace Statements;

namespace {

template <typename T>
T* child(const QWidget& parent, const char* name)
{
    return parent.findChild<T*>(QLatin1String(name));
}

QString text(const QWidget& form, const char* name)
{
    if (const auto* label = child<QLabel>(form, name))
        return label->text();
    if (const auto* line = child<QLineEdit>(form, name))
        return line->text();
    if (const auto* lines = child<QPlainTextEdit>(form, name))
        return lines->toPlainText();
    return QStringLiteral("<no %1>").arg(QLatin1String(name));
}

void click(const QWidget& form, const char* button)
{
    QTest::mouseClick(child<QPushButton>(form, button), Qt::LeftButton);
}

QString panelText(const frmIdentificador& w, const char* label)
{
    const auto* found = w.Parlux1()->findChild<QLabel*>(QLatin1String(label));
    return found ? found->text() : QStringLiteral("<no %1>").arg(QLatin1String(label));
}

// Acts on the modal dialog of type Dialog as soon as one is up; stops when the handle goes.
template <typename Dialog>
std::unique_ptr<QTimer> whenModal(std::function<void(Dialog&)> action)
{
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(10);
    QTimer* raw = timer.get();
    QObject::connect(raw, &QTimer::timeout, raw, [raw, action] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            raw->stop();
            action(*dialog);
        }
    });
    timer->start();
    return timer;
}

// A client as the call reception makes one: only Telefono and FIngreso, the rest Null.
qint64 addCaller(const QString& databasePath, const QString& telefono)
{
    DataControl datLlamada;
    datLlamada.setDatabaseName(databasePath);
    datLlamada.setRecordSource(clientByTelephone(telefono));
    qint64 id = 0;
    if (datLlamada.refresh() != DatabaseError::None ||
        addCallerAsClient(datLlamada, telefono, QDate(2024, 1, 15), &id) != DatabaseError::None)
        return 0;
    return id;
}

ClientRecord stored(const QString& databasePath, qint64 id)
{
    ClientRecord client;
    readClient(databasePath, id, &client);
    return client;
}

// The list of one client, as a browser would hold it, on that client.
void attachList(DataControl& list, const QString& databasePath, const QString& telefono)
{
    list.setDatabaseName(databasePath);
    list.setRecordSource(clientByTelephone(telefono));
    list.refresh();
}

QString workerPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/db_worker");
}

// Another workstation that edits the client and keeps the write lock until it is finished.
std::unique_ptr<QProcess> holdEdit(const QString& databasePath, const QString& telefono)
{
    auto process = std::make_unique<QProcess>();
    process->start(workerPath(), {QStringLiteral("hold-edit"), databasePath, telefono});
    QElapsedTimer waited;
    waited.start();
    QByteArray said;
    while (!said.contains("READY") && waited.elapsed() < 10000) {
        process->waitForReadyRead(200);
        said += process->readAll();
    }
    return said.contains("edit 0\nREADY") ? std::move(process) : nullptr;
}

QString deleteElsewhere(const QString& databasePath, const QString& telefono)
{
    QProcess process;
    process.start(workerPath(), {QStringLiteral("delete"), databasePath, telefono});
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString shownList(const MessageBox::Script& script)
{
    QStringList shown;
    for (const MessageBox::Shown& message : script.shown())
        shown << QStringLiteral("%1|%2").arg(int(message.message.icon)).arg(message.message.text);
    return shown.join(QLatin1Char('\n'));
}

QString information(const QString& text)
{
    return QStringLiteral("%1|%2").arg(int(MessageIcon::Information)).arg(text);
}

// The focus chain of a form from a widget, through the widgets that take Tab.
QStringList focusOrder(QWidget* first)
{
    QStringList names;
    QWidget* widget = first;
    do {
        if (widget->focusPolicy() & Qt::TabFocus && widget->isVisibleTo(first->window()))
            names << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != first && names.size() < 20);
    return names;
}

} // namespace

class ClientsTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain)); }

    void editorShowsAndSavesAClient();
    void newClientNeedsANumberOfItsOwn();
    void numberBoxesTakeDigitsOnly();
    void listOpensTheEditorInModes2And3();
    void saveMeetsOtherWorkstations();
    void callerEditorFollowsTheMainWindow();
    void searchTakesTheNumberAsACall();
    void pictureForTheReadme();
};

void ClientsTest::editorShowsAndSavesAClient()
{
    DatabaseFixture db;
    const qint64 id = addCaller(db.databasePath(), QStringLiteral("4567"));
    QVERIFY(id);
    DataControl list;
    attachList(list, db.databasePath(), QStringLiteral("4567"));

    frmLlamantes editor(2, list);
    QCOMPARE(editor.windowTitle(), QStringLiteral("Editar cliente"));
    QCOMPARE(editor.ClienteActual(), id);
    // Null name, address and remarks open as empty boxes; the number cannot be changed.
    QCOMPARE(QStringList({text(editor, "lblTelefono"), text(editor, "txtNombre"),
                          text(editor, "txtDomicilio"), text(editor, "txtObservaciones"),
                          text(editor, "lblCant"), text(editor, "lblFIngreso")}),
             QStringList({QStringLiteral("4567"),
                          {},
                          {},
                          {},
                          QStringLiteral("0"),
                          DateText::regionalDate(QDate(2024, 1, 15))}));
    QVERIFY(child<NumberBox>(editor, "txtTelefono")->isHidden());
    QVERIFY(child<QPushButton>(editor, "cmdAceptar")->isDefault());
    QCOMPARE(child<QLineEdit>(editor, "txtNombre")->maxLength(), 50);
    QCOMPARE(child<QLineEdit>(editor, "txtDomicilio")->maxLength(), 50);
    // Access keys lead to their boxes; "&Teléfono:" to the name, as the number is fixed.
    QStringList keys;
    for (const QLabel* label : editor.findChildren<QLabel*>()) {
        if (label->buddy())
            keys << label->text() + QStringLiteral(">") + label->buddy()->objectName();
    }
    keys.sort();
    QCOMPARE(keys, QStringList({QStringLiteral("&Domicilio:>txtDomicilio"),
                                QStringLiteral("&Nombre:>txtNombre"),
                                QStringLiteral("&Observaciones:>txtObservaciones"),
                                QStringLiteral("&Teléfono:>txtNombre")}));

    editor.show();
    typeText(child<QLineEdit>(editor, "txtNombre"), QStringLiteral("Núñez O'Brien"));
    typeText(child<QLineEdit>(editor, "txtDomicilio"), QStringLiteral("Peña & Cía."));
    auto* remarks = child<QPlainTextEdit>(editor, "txtObservaciones");
    // However the text arrives, the remarks keep to 200 characters.
    remarks->insertPlainText(QStringLiteral("línea 1\n") + QString(250, QLatin1Char('x')));
    QCOMPARE(remarks->toPlainText().size(), 200);
    remarks->clear();
    remarks->insertPlainText(QStringLiteral("línea 1\nlínea 2"));
    child<QCheckBox>(editor, "chkAlerta")->click();
    click(editor, "cmdAceptar");
    QCOMPARE(editor.result(), int(QDialog::Accepted));

    const ClientRecord saved = stored(db.databasePath(), id);
    QCOMPARE(
        QStringList({saved.details.Nombre, saved.details.Domicilio, saved.details.Observaciones}),
        QStringList({QStringLiteral("Núñez O'Brien"), QStringLiteral("Peña & Cía."),
                     QStringLiteral("línea 1\nlínea 2")}));
    QVERIFY(saved.details.Alerta);
    // The list's row shows the saved values at once.
    QCOMPARE(list.field(QStringLiteral("Nombre")).toString(), QStringLiteral("Núñez O'Brien"));

    // Opened again, it reads them back unchanged; emptied boxes store empty texts, not Null;
    // "&Cancelar" and Esc write nothing.
    frmLlamantes again(2, list);
    QCOMPARE(text(again, "txtNombre"), QStringLiteral("Núñez O'Brien"));
    QCOMPARE(text(again, "txtDomicilio"), QStringLiteral("Peña & Cía."));
    QVERIFY(child<QCheckBox>(again, "chkAlerta")->isChecked());
    child<QLineEdit>(again, "txtNombre")->clear();
    again.show();
    QTest::keyClick(&again, Qt::Key_Escape);
    QCOMPARE(again.result(), int(QDialog::Rejected));
    QCOMPARE(stored(db.databasePath(), id).details.Nombre, QStringLiteral("Núñez O'Brien"));
    frmLlamantes emptied(2, list);
    child<QLineEdit>(emptied, "txtNombre")->clear();
    child<QLineEdit>(emptied, "txtDomicilio")->clear();
    child<QPlainTextEdit>(emptied, "txtObservaciones")->clear();
    click(emptied, "cmdAceptar");
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Clientes WHERE Nombre = '' AND "
                                      "Domicilio = '' AND Observaciones = ''")),
             1);
}

void ClientsTest::newClientNeedsANumberOfItsOwn()
{
    DatabaseFixture db;
    DataControl list;
    attachList(list, db.databasePath(), QStringLiteral("1"));
    MessageBox::Script script;
    const auto newClient = [&](const QString& telefono, const QString& nombre) {
        auto editor = std::make_unique<frmLlamantes>(3, list);
        editor->show();
        typeText(child<NumberBox>(*editor, "txtTelefono"), telefono);
        typeText(child<QLineEdit>(*editor, "txtNombre"), nombre);
        click(*editor, "cmdAceptar");
        return editor;
    };

    auto first = newClient(QStringLiteral("5551234"), QStringLiteral("Ana"));
    QCOMPARE(first->windowTitle(), QStringLiteral("Nuevo cliente"));
    QVERIFY(child<QLabel>(*first, "lblTelefono")->isHidden());
    QCOMPARE(text(*first, "lblCant"), QStringLiteral("0"));
    QCOMPARE(text(*first, "lblFIngreso"), DateText::regionalDate(QDate::currentDate()));
    QCOMPARE(first->result(), int(QDialog::Accepted));
    QCOMPARE(focusOrder(child<NumberBox>(*first, "txtTelefono")),
             QStringList({QStringLiteral("txtTelefono"), QStringLiteral("txtNombre"),
                          QStringLiteral("txtDomicilio"), QStringLiteral("txtObservaciones"),
                          QStringLiteral("chkAlerta"), QStringLiteral("cmdAceptar"),
                          QStringLiteral("cmdCancelar")}));
    const ClientRecord saved = stored(db.databasePath(), first->ClienteActual());
    QCOMPARE(saved.Telefono, QStringLiteral("5551234"));
    QCOMPARE(saved.details.Nombre, QStringLiteral("Ana"));
    QCOMPARE(saved.CantLlamadas.value_or(-1), 0);
    QCOMPARE(saved.FIngreso, QDate::currentDate());
    QVERIFY(script.shown().isEmpty());

    // The same number again: refused, the form stays open on the number, nothing is written.
    auto second = newClient(QStringLiteral("5551234"), QStringLiteral("Otra"));
    QCOMPARE(shownList(script), information(QStringLiteral("El número de teléfono ya existe")));
    QVERIFY(second->isVisible());
    QCOMPARE(second->focusWidget(), child<NumberBox>(*second, "txtTelefono"));

    // The empty number is a number like any other: once.
    script.clear();
    auto emptyOnce = newClient(QString(), QStringLiteral("Sin número"));
    QCOMPARE(emptyOnce->result(), int(QDialog::Accepted));
    auto emptyTwice = newClient(QString(), QStringLiteral("Otra vez"));
    QVERIFY(emptyTwice->isVisible());
    QCOMPARE(shownList(script), information(QStringLiteral("El número de teléfono ya existe")));
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 2);
}

void ClientsTest::numberBoxesTakeDigitsOnly()
{
    NumberBox box(20);
    box.show();
    typeText(&box, QStringLiteral("12a-3 ñ4"));
    QCOMPARE(box.text(), QStringLiteral("1234"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Home);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(box.text(), QStringLiteral("23"));

    // Clipboard shortcuts are keys like any other: discarded.
    QGuiApplication::clipboard()->setText(QStringLiteral("99"));
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(box.text(), QStringLiteral("23"));
    // Pasted through the context menu or dropped: only digits get in.
    box.end(false);
    box.paste();
    QGuiApplication::clipboard()->setText(QStringLiteral("55-5"));
    box.paste();
    QCOMPARE(box.text(), QStringLiteral("2399"));
    for (const QString& dropped : {QStringLiteral("7x"), QStringLiteral("78")}) {
        QMimeData mime;
        mime.setText(dropped);
        const QPoint at(box.width() - 2, box.height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &enter);
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &drop);
    }
    QCOMPARE(box.text(), QStringLiteral("239978"));
    box.setText(QString());
    typeText(&box, QString(25, QLatin1Char('1')));
    QCOMPARE(box.text().size(), 20);

    // Both forms' number boxes are of this kind.
    DatabaseFixture db;
    DataControl list;
    attachList(list, db.databasePath(), QStringLiteral("1"));
    frmLlamantes editor(3, list);
    QCOMPARE(child<NumberBox>(editor, "txtTelefono")->maxLength(), 20);
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmBuscarTelefono search(*f.window);
    QCOMPARE(child<NumberBox>(search, "txtTelefono")->maxLength(), 20);
}

void ClientsTest::listOpensTheEditorInModes2And3()
{
    DatabaseFixture db;
    const qint64 id = addCaller(db.databasePath(), QStringLiteral("4567"));
    DataControl datClientes;
    attachList(datClientes, db.databasePath(), QStringLiteral("4567"));
    ClientEditor opener;
    ClientEditorOpener& asList = opener;

    auto edit = whenModal<frmLlamantes>([](frmLlamantes& editor) {
        child<QLineEdit>(editor, "txtNombre")->setText(QStringLiteral("Editado"));
        click(editor, "cmdAceptar");
    });
    QVERIFY(asList.openClientEditor(2, datClientes, nullptr));
    QCOMPARE(stored(db.databasePath(), id).details.Nombre, QStringLiteral("Editado"));
    QCOMPARE(datClientes.currentKey(), id);

    auto cancel = whenModal<frmLlamantes>([](frmLlamantes& editor) {
        QCOMPARE(editor.windowTitle(), QStringLiteral("Nuevo cliente"));
        child<NumberBox>(editor, "txtTelefono")->setText(QStringLiteral("999"));
        click(editor, "cmdCancelar");
    });
    QVERIFY(!asList.openClientEditor(3, datClientes, nullptr));
    auto add = whenModal<frmLlamantes>([](frmLlamantes& editor) {
        child<NumberBox>(editor, "txtTelefono")->setText(QStringLiteral("999"));
        click(editor, "cmdAceptar");
    });
    QVERIFY(asList.openClientEditor(3, datClientes, nullptr));
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Clientes WHERE Telefono = '999' AND "
                                      "CantLlamadas = 0")),
             1);
}

void ClientsTest::saveMeetsOtherWorkstations()
{
    DatabaseFixture db;
    const QString path = db.databasePath();
    const qint64 held = addCaller(path, QStringLiteral("111"));
    const qint64 gone = addCaller(path, QStringLiteral("222"));
    const qint64 shared = addCaller(path, QStringLiteral("333"));
    MessageBox::Script script;

    // Another workstation holds the write lock past our wait: the save gives up, says so, the
    // form closes and nothing is written.
    DataControl list;
    attachList(list, path, QStringLiteral("111"));
    frmLlamantes waiting(2, list);
    child<QLineEdit>(waiting, "txtNombre")->setText(QStringLiteral("No llega"));
    auto holder = holdEdit(path, QStringLiteral("111"));
    QVERIFY(holder);
    click(waiting, "cmdAceptar");
    holder->closeWriteChannel();
    holder->waitForFinished(5000);
    QCOMPARE(shownList(script),
             information(QStringLiteral("El cliente está siendo actualizado por otra estación, "
                                        "espere o cancele la operación")));
    QCOMPARE(waiting.result(), int(QDialog::Rejected));
    QCOMPARE(stored(path, held).details.Nombre, QString());

    // Deleted elsewhere after the editor opened.
    script.clear();
    attachList(list, path, QStringLiteral("222"));
    frmLlamantes late(2, list);
    QCOMPARE(deleteElsewhere(path, QStringLiteral("222")), QStringLiteral("delete 0"));
    click(late, "cmdAceptar");
    QCOMPARE(shownList(script),
             information(QStringLiteral("El cliente ha sido eliminado por otra estación")));
    QCOMPARE(late.result(), int(QDialog::Rejected));
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Clientes WHERE IdCliente = ") +
                       QString::number(gone)),
             0);

    // Two editors on one client, and a call counted in between: both saves go through, the
    // later one decides the texts, and the call stays counted.
    script.clear();
    attachList(list, path, QStringLiteral("333"));
    frmLlamantes first(2, list);
    frmLlamantes second(2, list);
    DataControl datLlamada;
    attachList(datLlamada, path, QStringLiteral("333"));
    QCOMPARE(countCall(datLlamada), DatabaseError::None);
    child<QLineEdit>(first, "txtNombre")->setText(QStringLiteral("Primero"));
    child<QLineEdit>(second, "txtNombre")->setText(QStringLiteral("Segundo"));
    click(first, "cmdAceptar");
    click(second, "cmdAceptar");
    QVERIFY(script.shown().isEmpty());
    QCOMPARE(first.result(), int(QDialog::Accepted));
    QCOMPARE(second.result(), int(QDialog::Accepted));
    QCOMPARE(stored(path, shared).details.Nombre, QStringLiteral("Segundo"));
    QCOMPARE(stored(path, shared).CantLlamadas.value_or(-1), 1);
}

void ClientsTest::callerEditorFollowsTheMainWindow()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    frmIdentificador::Screens screens;
    screens.frmLlamantes = [&w] {
        ClientScreens::openCallerEditor(w);
    };
    w.setScreens(std::move(screens));
    const QString path = f.values.databasePath();
    const qint64 id = addCaller(path, QStringLiteral("4567"));
    QVERIFY(saveClientDetails(path, id, {QStringLiteral("Juan"), {}, {}, false}) == 0);
    w.show();
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
             QStringLiteral("%1|El Cliente ha sido eliminado").arg(int(MessageIcon::Exclamation)));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(!w.cmdLlamante()->isEnabled());
    QVERIFY(w.datLlamada()->isEmpty());
}

void ClientsTest::searchTakesTheNumberAsACall()
{
    TestEnvironment env;
    MainWindowFixture f(env.programFolder());
    frmIdentificador& w = *f.window;
    frmIdentificador::Screens screens;
    screens.frmBuscarTelefono = [&w] {
        ClientScreens::openNumberSearch(w);
    };
    w.setScreens(std::move(screens));
    const QString path = f.values.databasePath();
    const qint64 id = addCaller(path, QStringLiteral("4567"));
    QVERIFY(saveClientDetails(path, id, {QStringLiteral("Juan"), {}, {}, true}) == 0);
    w.show();

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
                  .arg(f.values.NumeroPuesto)
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

void ClientsTest::pictureForTheReadme()
{
    const QByteArray folder = qgetenv("LLAMORA_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("LLAMORA_SCREENSHOT_DIR is not set");
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    DatabaseFixture db;
    const qint64 id = addCaller(db.databasePath(), QStringLiteral("1145678901"));
    QVERIFY(saveClientDetails(db.databasePath(), id,
                              {QStringLiteral("Juan Díaz"), QStringLiteral("Av. Corrientes 1234"),
                               QStringLiteral("Cliente desde 2019.\nPrefiere que lo llamen a la "
                                              "tarde."),
                               true}) == 0);
    DataControl list;
    attachList(list, db.databasePath(), QStringLiteral("1145678901"));
    for (int call = 0; call < 12; ++call)
        QCOMPARE(countCall(list), DatabaseError::None);
    frmLlamantes editor(2, list);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QTest::qWait(100); // the remarks' layout settles before the picture
    QVERIFY(editor.grab().save(QFile::decodeName(folder) + QStringLiteral("/frmLlamantes.png")));
}

QTEST_MAIN(ClientsTest)
#include "tst_clients.moc"
