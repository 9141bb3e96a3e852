// The browser on the offscreen platform, over a real database file: the calls tab, the long
// call lists read in chunks, the clients tab, deleting a client, a missing file.
#include "AdminFixture.h"
#include "DatabaseWorker.h"
#include "MarkupTexts.h"
#include "MessageBox.h"
#include "SplitGrid.h"
#include "database/DataControl.h"
#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "database/Statements.h"
#include "frmAdministrar.h"
#include "frmEliminar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>

#include <memory>

class AdminTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
        m_server.start();
    }
    void cleanupTestCase() { m_server.stop(); }

    void callsTabRangeAndWorkstation_data() { addEngineRows(); }
    void callsTabRangeAndWorkstation()
    {
        Office office(m_server.forRow());
        const qint64 ana = office.client(QStringLiteral("Ana"), QStringLiteral("111"), 0, true);
        const QDate day = today().addDays(-3);
        office.call(ana, QDateTime(day, QTime(0, 0, 0)), 3);
        office.call(ana, QDateTime(day, QTime(23, 59, 59)), 1);
        office.call(ana, QDateTime(day.addDays(1), QTime(0, 0, 0)), 3);
        office.call(ana, QDateTime(day.addDays(-1), QTime(23, 59, 59)), 3);
        MessageBox::Script messages;
        frmAdministrar browser(office.path(), nullptr);
        QVERIFY(browser.isLoaded());
        QCOMPARE(browser.windowTitle(), QStringLiteral("Llamora v 3.0.0"));
        auto* grid = child<QTableView>(&browser, "grdLlamadas");
        QCOMPARE(grid->model()->rowCount(), 0);

        // Equal dates: the whole day, from 00:00:00 to 23:59:59, newest first.
        auto* desde = child<DateBox>(&browser, "mskDesde");
        auto* hasta = child<DateBox>(&browser, "mskHasta");
        desde->setDate(day);
        hasta->setDate(day);
        click(&browser, "cmdVer");
        QCOMPARE(text(&browser, "lblLlamadasPuesto"), QStringLiteral("2"));
        QCOMPARE(column(grid, 5), (QStringList{QStringLiteral("1"), QStringLiteral("3")}));
        QCOMPARE(column(grid, 4), (QStringList{QStringLiteral("Sí"), QStringLiteral("Sí")}));

        // Workstation "3" only; then all dates of all workstations.
        child<QComboBox>(&browser, "cboPuesto")->setCurrentText(QStringLiteral("3"));
        click(&browser, "cmdVer");
        QCOMPARE(text(&browser, "lblLlamadasPuesto"), QStringLiteral("1"));
        child<QCheckBox>(&browser, "chkFiltro")->click();
        QVERIFY(!desde->isEnabled());
        click(&browser, "cmdVer");
        QCOMPARE(text(&browser, "lblLlamadasPuesto"), QStringLiteral("3"));
        child<QComboBox>(&browser, "cboPuesto")->setCurrentIndex(0);
        click(&browser, "cmdVer");
        QCOMPARE(grid->model()->rowCount(), 4);

        // Typing in a date box empties the list, and it stays empty until "Mostrar".
        child<QCheckBox>(&browser, "chkFiltro")->click();
        typeDate(desde, QStringLiteral("12"));
        QCOMPARE(grid->model()->rowCount(), 0);
        typeDate(desde, regional(day));
        QCOMPARE(grid->model()->rowCount(), 0);

        // The three refusals, and letters never reach the box.
        typeDate(desde, QStringLiteral("3x1/1z2/"));
        QCOMPARE(desde->text(), QStringLiteral("31/12/"));
        click(&browser, "cmdVer");
        hasta->setText(QStringLiteral("31/02/2024"));
        desde->setDate(day);
        click(&browser, "cmdVer");
        hasta->setDate(day.addDays(-1));
        click(&browser, "cmdVer");
        QCOMPARE(messages.texts(), (QStringList{QStringLiteral("Corrija la 1er. fecha"),
                                                QStringLiteral("Corrija la 2da. fecha"),
                                                QStringLiteral("La 2da. fecha no puede ser "
                                                               "anterior a la 1ra.")}));
    }

    // A long call list reads its keys in chunks from both ends: the rows are those of a plain
    // read, in the same order (calls of the same second and calls without a date included),
    // whichever end is read first, and a call logged after the refresh waits for the next one.
    void longCallListInChunks_data() { addEngineRows(); }
    void longCallListInChunks()
    {
        Office office(m_server.forRow());
        const qint64 ana = office.client(QStringLiteral("Ana"), QStringLiteral("111"));
        QVERIFY(office.oldCalls(ana, 1500, today().addDays(-2)));
        QVERIFY(office.oldCalls(ana, 300, today().addDays(-9)));   // the same seconds again
        QVERIFY(office.oldCalls(ana + 1, 5, today().addDays(-3))); // no such client: never listed
        for (int i = 0; i < 3; ++i)
            office.call(ana, QDateTime());
        QList<qint64> expected;
        {
            DatabaseConnection connection;
            QVERIFY(connection.open(office.path()) == DatabaseError::None);
            QVERIFY(
                connection.readKeys(
                    QStringLiteral("SELECT Llamadas.IdLlamada FROM Clientes INNER JOIN "
                                   "Llamadas ON Clientes.IdCliente = Llamadas.Cliente ORDER "
                                   "BY Llamadas.Fecha DESC NULLS LAST, Llamadas.IdLlamada DESC"),
                    {}, &expected) == DatabaseError::None);
        }
        QCOMPARE(expected.size(), 1803);
        for (const bool tailFirst : {true, false}) {
            DataControl calls;
            calls.setDatabaseName(office.path());
            calls.setReadOnly(true);
            calls.setRecordSource(Statements::allCalls());
            QCOMPARE(calls.refresh(), 0);
            QVERIFY(!calls.isCounted());
            // Another workstation writes at once: no read lock was kept.
            QVERIFY(office.call(ana, QDateTime(today(), QTime(12, 0))) != 0);
            QList<qint64> keys(expected.size());
            if (tailFirst) {
                // The last row at once, ahead of the count; the count then puts the other rows
                // between the first ones and the last, the current row moving down with them.
                QCOMPARE(calls.moveLast(), 0);
                QVERIFY(!calls.isCounted());
                QCOMPARE(calls.currentKey(), expected.constLast());
                QCOMPARE(calls.keyAt(calls.recordCount() - 2), expected.at(expected.size() - 2));
                const int lastRead = calls.recordCount() - 1;
                QVERIFY(calls.valueAt(lastRead, QStringLiteral("IdLlamada")).isValid());
                QCOMPARE(calls.countRecords(), 0);
                // Rows read before the count are not shown in the places others took.
                QCOMPARE(calls.valueAt(lastRead, QStringLiteral("IdLlamada")).toLongLong(),
                         expected.at(lastRead));
                QCOMPARE(calls.position(), expected.size() - 1);
                QCOMPARE(calls.currentKey(), expected.constLast());
                for (int row = calls.recordCount() - 1; row >= 0; --row)
                    keys[row] = calls.keyAt(row);
            } else {
                for (int row = 0; row < expected.size(); ++row)
                    keys[row] = calls.keyAt(row);
            }
            QCOMPARE(calls.recordCount(), expected.size());
            QCOMPARE(keys, expected);
            QCOMPARE(calls.valueAt(2, QStringLiteral("Nombre")).toString(), QStringLiteral("Ana"));
            expected.prepend(office.scalar(QStringLiteral("SELECT max(IdLlamada) FROM Llamadas")));
        }
    }

    void clientsTabFilterAndSort_data() { addEngineRows(); }
    void clientsTabFilterAndSort()
    {
        Office office(m_server.forRow());
        const qint64 nunez =
            office.client(QStringLiteral("José Núñez"), QStringLiteral("4412"), 2, true);
        office.client(QStringLiteral("O'Brien 100%"), QStringLiteral("3120"), 0);
        office.client(QStringLiteral("Zoe"), QStringLiteral("5555"), 7);
        office.call(nunez, QDateTime(today(), QTime(9, 0)), 4);
        MessageBox::Script messages;
        frmAdministrar browser(office.path(), nullptr);
        browser.show();
        auto* grid = child<SplitGrid>(&browser, "grdClientes");
        QVERIFY(!grid->isEnabled());
        QVERIFY(!child<QPushButton>(&browser, "cmdNuevo")->isEnabled());

        // An option without text is refused; "Nuevo" comes on with the first "Mostrar".
        child<QRadioButton>(&browser, "Opcion1")->setChecked(true);
        click(&browser, "cmdMostrar");
        QCOMPARE(messages.texts(),
                 QStringList{QStringLiteral("Ingrese un criterio para filtrar registros")});
        QVERIFY(child<QPushButton>(&browser, "cmdNuevo")->isEnabled());

        // Quotes and "%" are taken literally; accents and capitals do not matter.
        child<QLineEdit>(&browser, "txtFiltro")->setText(QStringLiteral("'brien 100%"));
        click(&browser, "cmdMostrar");
        QCOMPARE(text(&browser, "lblCantidad"), QStringLiteral("1"));
        child<QLineEdit>(&browser, "txtFiltro")->setText(QStringLiteral("NUNEZ"));
        click(&browser, "cmdMostrar");
        QCOMPARE(text(&browser, "lblNombre"), QStringLiteral("José Núñez"));
        QVERIFY(!child<QLabel>(&browser, "lblAlerta")->isHidden());
        QCOMPARE(text(&browser, "lblLlamadasCli"), QStringLiteral("1"));
        QVERIFY(grid->isEnabled());

        // "12" by telephone anywhere in the number.
        child<QRadioButton>(&browser, "Opcion3")->setChecked(true);
        child<QLineEdit>(&browser, "txtFiltro")->setText(QStringLiteral("12"));
        click(&browser, "cmdMostrar");
        QCOMPARE(column(grid->scrollingPane(), 2),
                 (QStringList{QStringLiteral("3120"), QStringLiteral("4412")}));

        // "Ninguno" with "Solo Clientes": clients with calls only, by name.
        child<QRadioButton>(&browser, "Opcion4")->setChecked(true);
        child<QCheckBox>(&browser, "chkClientes")->setChecked(true);
        click(&browser, "cmdMostrar");
        QCOMPARE(column(grid->fixedPane(), 0),
                 (QStringList{QStringLiteral("José Núñez"), QStringLiteral("Zoe")}));
        QCOMPARE(column(grid->scrollingPane(), 5),
                 (QStringList{QStringLiteral("Sí"), QStringLiteral("No")}));

        // The first header click sorts descending, the next one (another column) ascending.
        QHeaderView* header = grid->scrollingPane()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(3) + 5, header->height() / 2));
        QCOMPARE(column(grid->fixedPane(), 0),
                 (QStringList{QStringLiteral("Zoe"), QStringLiteral("José Núñez")}));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
        QCOMPARE(column(grid->scrollingPane(), 2),
                 (QStringList{QStringLiteral("4412"), QStringLiteral("5555")}));
        QCOMPARE(text(&browser, "lblCantidad"), QStringLiteral("2"));
    }

    // The client grid: the name pane as wide as its column and its rows beside their data at
    // every position; a client's calls counted in full however many; the filter box selecting
    // its text on focus; a header click on a call list keeping the current row's highlight.
    void clientsTabGridAndCalls()
    {
        Office office;
        const qint64 first = office.client(QStringLiteral("Cliente 00"), QStringLiteral("5000"));
        for (int i = 1; i < 60; ++i)
            office.client(QStringLiteral("Cliente %1").arg(i, 2, 10, QLatin1Char('0')),
                          QString::number(5000 + i));
        QVERIFY(office.oldCalls(first, 250, today().addDays(-5)));
        frmAdministrar browser(office.path(), nullptr);
        browser.resize(700, 420);
        browser.show();
        QVERIFY(QTest::qWaitForWindowActive(&browser));
        auto* filtro = child<QLineEdit>(&browser, "txtFiltro");
        filtro->setText(QStringLiteral("Cliente"));
        child<QTabWidget>(&browser, "SSTab1")->setCurrentIndex(1);
        QTRY_COMPARE(filtro->selectedText(), QStringLiteral("Cliente"));

        auto* grid = child<SplitGrid>(&browser, "grdClientes");
        QTableView* fixed = grid->fixedPane();
        QTableView* scrolling = grid->scrollingPane();
        QVERIFY(fixed->viewport()->width() >= fixed->columnWidth(0));
        child<QRadioButton>(&browser, "Opcion1")->setChecked(true);
        click(&browser, "cmdMostrar");
        QCOMPARE(text(&browser, "lblNombre"), QStringLiteral("Cliente 00"));
        QTRY_COMPARE(text(&browser, "lblLlamadasCli"), QStringLiteral("250"));

        auto* calls = child<QTableView>(&browser, "grdLlamadasCli");
        calls->setCurrentIndex(calls->model()->index(3, 0));
        QHeaderView* callsHeader = calls->horizontalHeader();
        QTest::mouseClick(
            callsHeader->viewport(), Qt::LeftButton, {},
            QPoint(callsHeader->sectionViewportPosition(1) + 5, callsHeader->height() / 2));
        QVERIFY(calls->selectionModel()->isRowSelected(3, QModelIndex()));

        // Only the right pane has a horizontal scroll bar; at the end the rows still line up.
        QVERIFY(scrolling->horizontalScrollBar()->isVisible());
        QTest::keyClick(scrolling, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(grid->currentRow(), 59);
        QCOMPARE(fixed->rowAt(0), scrolling->rowAt(0));
        QCOMPARE(fixed->visualRect(fixed->model()->index(59, 0)).top(),
                 scrolling->visualRect(scrolling->model()->index(59, 1)).top());
    }

    // A long list is counted on a thread of its own: a lock that another workstation holds a
    // while holds up the count, never the window, and the count is exact when it comes.
    void longListCountedOffTheWindow()
    {
        Office office;
        const qint64 ana = office.client(QStringLiteral("Ana"), QStringLiteral("111"));
        QVERIFY(office.oldCalls(ana, 1500, today().addDays(-2)));
        frmAdministrar browser(office.path(), nullptr);
        child<QCheckBox>(&browser, "chkFiltro")->click();
        click(&browser, "cmdVer");
        QCOMPARE(text(&browser, "lblLlamadasPuesto"), QStringLiteral("..."));
        const auto holder = DatabaseWorker::startReady(
            {QStringLiteral("hold-exclusive"), office.path(), QStringLiteral("1000")});
        QVERIFY(holder);
        QElapsedTimer waiting;
        waiting.start();
        qint64 longestStall = 0;
        while (!browser.datLlamadas().isCounted() && waiting.elapsed() < 5000) {
            QElapsedTimer stall;
            stall.start();
            QTest::qWait(10);
            longestStall = std::max(longestStall, stall.elapsed());
        }
        QCOMPARE(text(&browser, "lblLlamadasPuesto"), QStringLiteral("1500"));
        QVERIFY2(longestStall < 400, qPrintable(QString::number(longestStall)));
        QVERIFY(holder->waitForFinished(5000));

        // Ctrl+End shows the oldest call without waiting for the count, and it stays the
        // current row, in sight, when the count comes.
        auto* grid = child<QTableView>(&browser, "grdLlamadas");
        browser.show();
        click(&browser, "cmdVer");
        QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
        const QString oldest =
            DateText::regionalDateTime(QDateTime(today().addDays(-2), QTime(8, 0)));
        const auto shownDate = [grid] {
            return grid->model()->index(grid->currentIndex().row(), 0).data().toString();
        };
        QCOMPARE(shownDate(), oldest);
        QTRY_VERIFY(browser.datLlamadas().isCounted());
        QCOMPARE(grid->currentIndex().row(), 1499);
        QCOMPARE(shownDate(), oldest);
        QVERIFY(grid->viewport()->rect().intersects(grid->visualRect(grid->currentIndex())));
    }

    void deletingClients_data() { addEngineRows(); }
    void deletingClients()
    {
        Office office(m_server.forRow());
        const qint64 solo = office.client(QStringLiteral("Solo"), QStringLiteral("900"), 1);
        office.call(solo, QDateTime(today(), QTime(10, 0)));
        MessageBox::Script messages;
        frmAdministrar browser(office.path(), nullptr);
        child<QRadioButton>(&browser, "Opcion4")->setChecked(true);
        click(&browser, "cmdMostrar");
        QCOMPARE(text(&browser, "lblLlamadasCli"), QStringLiteral("1"));

        // "No" deletes nothing.
        messages.queueAnswer(MessageAnswer::No);
        click(&browser, "cmdEliminarC");
        QCOMPARE(messages.shown().value(0).message.text,
                 QStringLiteral("Está seguro de eliminar el cliente ?"));
        QCOMPARE(office.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 1);

        // The only client goes: the list is at its end, its calls stay in the file.
        messages.queueAnswer(MessageAnswer::Yes);
        click(&browser, "cmdEliminarC");
        QCOMPARE(office.scalar(QStringLiteral("SELECT count(*) FROM Clientes")), 0);
        QCOMPARE(office.scalar(QStringLiteral("SELECT count(*) FROM Llamadas")), 1);
        QCOMPARE(text(&browser, "lblCantidad"), QStringLiteral("0"));
        QCOMPARE(text(&browser, "lblLlamadasCli"), QStringLiteral("0"));
        QVERIFY(!child<SplitGrid>(&browser, "grdClientes")->isEnabled());
        QVERIFY(!child<QPushButton>(&browser, "cmdEditar")->isEnabled());
        QVERIFY(!child<QPushButton>(&browser, "cmdEliminarC")->isEnabled());
        QCOMPARE(messages.shown().size(), 2);
    }

    void markupInAClientShowsAsText()
    {
        FifoTrap pipe;
        QVERIFY(pipe.isValid());
        Office office;
        const QStringList fields{
            markupText(pipe, QStringLiteral("N"), 50), markupText(pipe, QStringLiteral("D"), 50),
            markupText(pipe, QStringLiteral("1"), 20), markupText(pipe, QStringLiteral("O"), 200)};
        const qint64 id = office.client(fields.at(0), fields.at(2));
        office.exec(QStringLiteral("UPDATE Clientes SET Domicilio = ?, Observaciones = ? "
                                   "WHERE IdCliente = ?"),
                    {fields.at(1), fields.at(3), id});
        MessageBox::Script messages;
        frmAdministrar browser(office.path(), nullptr);
        child<QTabWidget>(&browser, "SSTab1")->setCurrentIndex(1);
        browser.show();
        child<QRadioButton>(&browser, "Opcion4")->setChecked(true);
        click(&browser, "cmdMostrar");
        QCOMPARE(QStringList({text(&browser, "lblNombre"), text(&browser, "lblDomicilio"),
                              text(&browser, "lblTelefono"), text(&browser, "lblObservaciones")}),
                 fields);
        QVERIFY2(richLabels(browser).isEmpty(), qPrintable(richLabels(browser).join('\n')));
        static_cast<void>(browser.grab());
        QCOMPARE(pipe.openings(), 0);
    }

    void missingDatabase()
    {
        TestEnvironment environment;
        MessageBox::Script messages;
        frmAdministrar browser(environment.programFolder() + QStringLiteral("/Llamora.mdb"),
                               nullptr);
        QVERIFY(!browser.isLoaded());
        QCOMPARE(messages.shown().value(0).message,
                 (Message{QStringLiteral("La Base de Datos no se encuentra !, en Propiedades "
                                         "indique la ruta de la Base de Datos."),
                          MessageIcon::Exclamation}));
    }

private:
    EngineServer m_server;
};

QTEST_MAIN(AdminTest)
#include "tst_admin.moc"
