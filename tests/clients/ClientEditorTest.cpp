// The client editor on its own: real widgets offscreen, a real database file, and db_worker as
// another workstation where that is the point.
#include "ClientEditorTest.h"

#include "ClientFormsSupport.h"
#include "ClientScreens.h"
#include "DatabaseFixture.h"
#include "MainWindowFixture.h"
#include "NumberBox.h"
#include "TypeText.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "frmBuscarTelefono.h"
#include "frmLlamantes.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

void ClientEditorTest::initTestCase()
{
    m_server.start();
}

void ClientEditorTest::cleanupTestCase()
{
    m_server.stop();
}

void ClientEditorTest::init()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
}

void ClientEditorTest::editorShowsAndSavesAClient_data()
{
    addEngineRows();
}

void ClientEditorTest::newClientNeedsANumberOfItsOwn_data()
{
    addEngineRows();
}

void ClientEditorTest::saveMeetsOtherWorkstations_data()
{
    addEngineRows();
}

void ClientEditorTest::editorShowsAndSavesAClient()
{
    DatabaseFixture db(m_server.forRow());
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

void ClientEditorTest::newClientNeedsANumberOfItsOwn()
{
    DatabaseFixture db(m_server.forRow());
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
    QCOMPARE(shownList(script),
             shown(MessageIcon::Information, QStringLiteral("El número de teléfono ya existe")));
    QVERIFY(second->isVisible());
    QCOMPARE(second->focusWidget(), child<NumberBox>(*second, "txtTelefono"));

    // The empty number is a number like any other: once.
    script.clear();
    auto emptyOnce = newClient(QString(), QStringLiteral("Sin número"));
    QCOMPARE(emptyOnce->result(), int(QDialog::Accepted));
    auto emptyTwice = newClient(QString(), QStringLiteral("Otra vez"));
    QVERIFY(emptyTwice->isVisible());
    QCOMPARE(shownList(script),
             shown(MessageIcon::Information, QStringLiteral("El número de teléfono ya existe")));
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 2);
}

void ClientEditorTest::numberBoxesTakeDigitsOnly()
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

void ClientEditorTest::listOpensTheEditorInModes2And3()
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

void ClientEditorTest::saveMeetsOtherWorkstations()
{
    DatabaseFixture db(m_server.forRow());
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
             shown(MessageIcon::Information,
                   QStringLiteral("El cliente está siendo actualizado por otra estación, "
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
             shown(MessageIcon::Information,
                   QStringLiteral("El cliente ha sido eliminado por otra estación")));
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
