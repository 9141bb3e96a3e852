// The browser's lists outside the program and its figures, on the offscreen platform over a real
// database file: the CSV export read back by Python's csv module in a separate process, and its
// failures; the print to a PDF file read back by pdftotext; the statistics against plain SQL,
// and the statistics tab.
#include "AdminFixture.h"
#include "ClientEditorOpener.h"
#include "MessageBox.h"
#include "SplitGrid.h"
#include "database/DataControl.h"
#include "database/DatabaseConnection.h"
#include "database/DateText.h"
#include "export/ListExport.h"
#include "export/ListOutput.h"
#include "export/ListReader.h"
#include "frmAdministrar.h"
#include "statistics/CallStatistics.h"

#include <QAbstractBarSeries>
#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPrinter>
#include <QProcess>
#include <QSqlQuery>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

namespace {
// Clicks an "Exportar..." button and answers the save dialog with path.
void exportTo(QWidget* browser, const char* button, const QString& path)
{
    QTimer::singleShot(0, [path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->accept();
    });
    click(browser, button);
}

// The file as Python's csv module reads it (UTF-8 with its byte-order mark, ";").
QList<QStringList> readWithPython(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral(LLAMORA_PYTHON3),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                                 "    json.dump(list(csv.reader(f, delimiter=';')), sys.stdout)\n"),
                  path});
    if (!python.waitForFinished(10000) || python.exitCode() != 0)
        qWarning("python: %s", python.readAllStandardError().constData());
    QList<QStringList> rows;
    for (const QJsonValue& row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue& field : row.toArray())
            fields << field.toString();
        rows << fields;
    }
    return rows;
}

// The header and the rows of a grid as the list holds them (texts whole, line breaks kept).
QList<QStringList> shownRows(QAbstractItemModel* model, const DataControl& list,
                             const QStringList& textFields)
{
    QList<QStringList> rows;
    QStringList header;
    for (int c = 0; c < model->columnCount(); ++c)
        header << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    rows << header;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList fields;
        for (int c = 0; c < model->columnCount(); ++c) {
            const QString field = textFields.value(c);
            fields << (field.isEmpty() ? model->index(r, c).data().toString()
                                       : list.valueAt(r, field).toString());
        }
        rows << fields;
    }
    return rows;
}
// Rows as the export writes them: a text starting like a formula gets an apostrophe before it
// (the rows here hold no signed numbers, which would be left alone).
QList<QStringList> formulasGuarded(QList<QStringList> rows)
{
    for (QStringList& fields : rows) {
        for (QString& field : fields) {
            if (field.startsWith(u'=') || field.startsWith(u'+') || field.startsWith(u'-') ||
                field.startsWith(u'@'))
                field.prepend(u'\'');
        }
    }
    return rows;
}

// What a program prints (stdout), run to its end.
QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The values of a chart's bars, bottom up or left to right; none when the chart is empty.
QList<qint64> bars(QWidget* window, const char* chart)
{
    const QList<QAbstractSeries*> series = child<QChartView>(window, chart)->chart()->series();
    auto* barSeries = qobject_cast<QAbstractBarSeries*>(series.value(0));
    QList<qint64> values;
    if (barSeries != nullptr && !barSeries->barSets().isEmpty()) {
        const QBarSet* set = barSeries->barSets().constFirst();
        for (int i = 0; i < set->count(); ++i)
            values << static_cast<qint64>(set->at(i));
    }
    return values;
}

// Numbers as plain SQL counts them: "key|count" lines of a grouped query over the range.
QStringList counted(Office& office, const QString& key, const QDate& desde, const QDate& hasta,
                    int puesto, const QString& from = QStringLiteral("Llamadas"))
{
    DatabaseConnection connection;
    connection.open(office.path(), DatabaseConnection::Access::ReadOnly);
    QSqlQuery query(connection.database());
    query.exec(QStringLiteral("SELECT %1, count(*) FROM %2 WHERE Fecha BETWEEN '%3 00:00:00' "
                              "AND '%4 23:59:59' %5 GROUP BY 1 ORDER BY 2 DESC, 1")
                   .arg(key, from, desde.toString(Qt::ISODate), hasta.toString(Qt::ISODate),
                        puesto == 0 ? QString() : QStringLiteral("AND Puesto = %1").arg(puesto)));
    QStringList lines;
    while (query.next())
        lines << query.value(0).toString() + QLatin1Char('|') + query.value(1).toString();
    return lines;
}

QStringList sortedLines(QStringList lines)
{
    lines.sort();
    return lines;
}

// The figures as "key|count" lines, to set beside the plain counts.
struct Figures
{
    QStringList days;
    QStringList hours;
    QStringList weekdays;
    QStringList workstations;
    QStringList top;

    explicit Figures(const CallStatistics& s)
    {
        for (int i = 0; i < s.days.size(); ++i) {
            if (s.callsPerDay.at(i) > 0)
                days << s.days.at(i).toString(Qt::ISODate) + QLatin1Char('|') +
                            QString::number(s.callsPerDay.at(i));
        }
        for (int i = 0; i < 24; ++i) {
            if (s.byHour.at(i) > 0)
                hours << QString::number(i) + QLatin1Char('|') + QString::number(s.byHour.at(i));
        }
        for (int i = 0; i < 7; ++i) {
            if (s.byWeekday.at(i) > 0)
                weekdays << QString::number((i + 1) % 7) + QLatin1Char('|') +
                                QString::number(s.byWeekday.at(i));
        }
        for (auto it = s.perWorkstation.cbegin(); it != s.perWorkstation.cend(); ++it)
            workstations << QString::number(it.key()) + QLatin1Char('|') +
                                QString::number(it.value());
        for (const CallStatistics::ClientCalls& client : s.topClients)
            top << client.nombre + QLatin1Char('|') + QString::number(client.calls);
    }
};

class RecordingEditor : public ClientEditorOpener
{
public:
    bool openClientEditor(int modo, DataControl& datClientes, QWidget*) override
    {
        opened << QString::number(modo) + QLatin1Char(' ') +
                      datClientes.field(QStringLiteral("Nombre")).toString();
        return false;
    }
    QStringList opened;
};
} // namespace

class ListOutputTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain)); }

    void exportReadsBackUnchanged()
    {
        Office office;
        const QStringList names = {
            QStringLiteral("Núñez; Ibáñez"), QStringLiteral("Juan \"el Tano\" Díaz"),
            QStringLiteral("Dos\nlíneas"),   QStringLiteral("Ángela Peña"),
            QStringLiteral("=1+2"),          QStringLiteral("@Pepe")};
        const QDate day = today().addDays(-2);
        for (int i = 0; i < names.size(); ++i) {
            const qint64 id =
                office.client(names.at(i), QStringLiteral("11%1").arg(i), 9 - i, i == 1);
            office.call(id, QDateTime(day, QTime(9, i, 5)), 1 + i);
            office.call(id, QDateTime(day.addDays(1), QTime(23, 59, 59 - i)), 10);
        }
        office.exec(QStringLiteral("UPDATE Clientes SET Observaciones = 'a;b\r\n\"c\"' "
                                   "WHERE Nombre LIKE 'Juan%'"));
        MessageBox::Script messages;
        frmAdministrar browser(office.path(), nullptr);
        QTemporaryDir folder;

        // The calls of two days, all workstations, newest first.
        child<DateBox>(&browser, "mskDesde")->setDate(day);
        child<DateBox>(&browser, "mskHasta")->setDate(day.addDays(1));
        click(&browser, "cmdVer");
        auto* calls = child<QTableView>(&browser, "grdLlamadas");
        QCOMPARE(calls->model()->rowCount(), 12);
        const QString callsFile = folder.filePath(QStringLiteral("llamadas.csv"));
        exportTo(&browser, "cmdExportar", callsFile);
        QCOMPARE(readWithPython(callsFile),
                 formulasGuarded(shownRows(
                     calls->model(), browser.datLlamadas(),
                     {QString(), QStringLiteral("Nombre"), QStringLiteral("Domicilio")})));
        QFile raw(callsFile);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"
                                 "Fecha;Nombre;Domicilio;Teléfono;Alerta;Puesto\r\n"));
        QVERIFY(bytes.contains(";Sí;10\r\n"));
        QVERIFY(bytes.contains("\"Dos\nlíneas\""));
        // A name a spreadsheet would run as a formula is written after an apostrophe.
        QVERIFY(bytes.contains(";'=1+2;"));
        QVERIFY(bytes.contains(";'@Pepe;"));

        // The clients, sorted by a header click (descending by "Llamadas").
        child<QTabWidget>(&browser, "SSTab1")->setCurrentIndex(1);
        click(&browser, "cmdMostrar");
        auto* clients = child<SplitGrid>(&browser, "grdClientes");
        QHeaderView* header = clients->scrollingPane()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(3) + 5, header->height() / 2));
        const QString clientsFile = folder.filePath(QStringLiteral("clientes"));
        exportTo(&browser, "cmdExportarC", clientsFile);
        const QList<QStringList> read = readWithPython(clientsFile + QStringLiteral(".csv"));
        QCOMPARE(read, formulasGuarded(shownRows(
                           clients->fixedPane()->model(), browser.datClientes(),
                           {QStringLiteral("Nombre"), QStringLiteral("Domicilio"), QString(),
                            QString(), QString(), QString(), QStringLiteral("Observaciones")})));
        QCOMPARE(read.value(1).value(0), names.at(0));
        QCOMPARE(read.value(2).value(6), QStringLiteral("a;b\r\n\"c\""));
        QCOMPARE(messages.texts(), QStringList());
    }

    // A file that cannot be created or written is told, and nothing is left behind.
    void exportFailureLeavesNoFile()
    {
        Office office;
        QVERIFY(office.oldCalls(office.client(QStringLiteral("Ana"), QStringLiteral("1")), 3000,
                                today()));
        MessageBox::Script messages;
        frmAdministrar browser(office.path(), nullptr);
        click(&browser, "cmdVer");
        QTemporaryDir folder;
        exportTo(&browser, "cmdExportar", folder.filePath(QStringLiteral("no/existe.csv")));
        QCOMPARE(messages.texts(),
                 QStringList{QStringLiteral("No se pudo crear el archivo «existe.csv». Compruebe "
                                            "que la carpeta existe y que tiene permiso para "
                                            "escribir en ella.")});

        // The disk fills up part-way (here a limit on the size of files).
        messages.clear();
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit small = before;
        small.rlim_cur = 20000;
        setrlimit(RLIMIT_FSIZE, &small);
        exportTo(&browser, "cmdExportar", folder.filePath(QStringLiteral("llena.csv")));
        setrlimit(RLIMIT_FSIZE, &before);
        QCOMPARE(messages.shown().size(), 1);
        QVERIFY2(messages.texts().constFirst().startsWith(
                     QStringLiteral("No se pudo guardar el archivo «llena.csv»")),
                 qPrintable(messages.texts().constFirst()));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // A call list longer than a page, read along its order: calls of the same second, calls
    // without a date (last) and calls of a deleted client (left out), as plain SQL lists them.
    void exportReadsCallListInOrder()
    {
        Office office;
        office.exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N "
                                   "WHERE I < 40) INSERT INTO Clientes (Nombre, Telefono, Alerta) "
                                   "SELECT printf('Cliente %d', I), I, I % 2 FROM N"));
        office.exec(QStringLiteral(
            "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 25000) "
            "INSERT INTO Llamadas (Cliente, Fecha, Puesto) SELECT 1 + I * 7 % 40, CASE WHEN I % "
            "997 = 0 THEN NULL ELSE datetime('2026-01-01', '+' || (I * 7919 % 3000) || ' "
            "minutes') END, 1 + I % 10 FROM N"));
        office.exec(QStringLiteral("DELETE FROM Clientes WHERE Nombre = 'Cliente 5'"));
        const QList<ListColumn> columns = {
            {QStringLiteral("Fecha"), QStringLiteral("Fecha"), ListColumn::Format::DateTime},
            {QStringLiteral("Nombre"), QStringLiteral("Nombre")},
            {QStringLiteral("Alerta"), QStringLiteral("Alerta"), ListColumn::Format::YesNo},
            {QStringLiteral("Llamada"), QStringLiteral("IdLlamada")}};
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("llamadas.csv"));
        ListExport job(office.path(), Statements::allCalls(), columns, file);
        const ListExport::Outcome outcome = job.run();
        QVERIFY(outcome.kind == ListExport::Outcome::Kind::Written);

        QList<QStringList> expected = {{QStringLiteral("Fecha"), QStringLiteral("Nombre"),
                                        QStringLiteral("Alerta"), QStringLiteral("Llamada")}};
        DatabaseConnection connection;
        connection.open(office.path(), DatabaseConnection::Access::ReadOnly);
        QSqlQuery query(connection.database());
        query.exec(
            QStringLiteral("SELECT Fecha, Nombre, Alerta, IdLlamada FROM Clientes INNER JOIN "
                           "Llamadas ON IdCliente = Cliente ORDER BY Fecha IS NULL, Fecha "
                           "DESC, IdLlamada DESC"));
        while (query.next()) {
            const QDateTime fecha = QDateTime::fromString(query.value(0).toString(),
                                                          QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            expected << QStringList{fecha.isValid() ? DateText::regionalDateTime(fecha) : QString(),
                                    query.value(1).toString(),
                                    query.value(2).toInt() != 0 ? QStringLiteral("Sí")
                                                                : QStringLiteral("No"),
                                    query.value(3).toString()};
        }
        QCOMPARE(outcome.rows, expected.size() - 1);
        QVERIFY(expected.size() > ListReader::pageRows);
        QCOMPARE(readWithPython(file), expected);
    }

    void printToPdf()
    {
        Office office;
        // 130 clients calling a minute apart from 08:00 today, the first at workstation 1.
        office.exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 0 UNION ALL SELECT I + 1 FROM N "
                                   "WHERE I < 129) INSERT INTO Clientes (Nombre, Telefono) "
                                   "SELECT printf('Cliente Núñez %03d', I), 5000 + I FROM N"));
        office.exec(
            QStringLiteral("INSERT INTO Llamadas (Cliente, Fecha, Puesto) SELECT IdCliente, "
                           "? || time('08:00:00', '+' || (IdCliente - 1) || ' minutes'), "
                           "1 + (IdCliente - 1) % 10 FROM Clientes"),
            {QVariant(today().toString(Qt::ISODate) + QLatin1Char(' '))});
        QStringList names;
        for (int i = 0; i < 130; ++i)
            names << QStringLiteral("Cliente Núñez %1").arg(i, 3, 10, QLatin1Char('0'));
        frmAdministrar browser(office.path(), nullptr);
        child<DateBox>(&browser, "mskDesde")->setDate(today());
        click(&browser, "cmdVer");
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("llamadas.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        MessageBox::Script messages;
        ListOutput::printListOn(
            &printer, &browser, browser.datLlamadas(),
            {{QStringLiteral("Fecha"), QStringLiteral("Fecha"), ListColumn::Format::DateTime},
             {QStringLiteral("Nombre"), QStringLiteral("Nombre")},
             {QStringLiteral("Puesto"), QStringLiteral("Puesto")}},
            {QStringLiteral("Llamadas por puesto"),
             ListOutput::describeCalls(browser.datLlamadas().recordSource())});
        QCOMPARE(messages.texts(), QStringList());
        const QString info = run(QStringLiteral("pdfinfo"), {pdf});
        const int pages = info.section(QStringLiteral("Pages:"), 1)
                              .trimmed()
                              .section(QLatin1Char('\n'), 0, 0)
                              .toInt();
        QVERIFY2(pages >= 2, qPrintable(info));
        const QString text =
            run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        // Each page: the heading, the range, the date printed and its number.
        QCOMPARE(text.count(QStringLiteral("Llamora — Llamadas por puesto")), pages);
        QCOMPARE(text.count(QStringLiteral("Del %1 al %1, todos los puestos")
                                .arg(DateText::regionalDate(today()))),
                 pages);
        QCOMPARE(text.count(QStringLiteral("Impreso el ")), pages);
        QVERIFY(text.contains(QStringLiteral("Página %1 de %1").arg(pages)));
        // Every row once, whole, the newest first.
        qsizetype previous = text.size();
        for (const QString& name : std::as_const(names)) {
            QCOMPARE(text.count(name), 1);
            const qsizetype at = text.indexOf(name);
            QVERIFY(at < previous);
            previous = at;
        }
    }

    void statisticsEqualPlainCounts()
    {
        Office office;
        const QDate monday(2026, 11, 2);
        QList<qint64> clients;
        for (int i = 0; i < 13; ++i)
            clients << office.client(QStringLiteral("Cliente %1").arg(i), QString::number(i));
        // Client i calls i + 1 times, over days, hours and workstations that vary.
        for (int i = 0; i < clients.size(); ++i) {
            for (int n = 0; n <= i; ++n)
                office.call(clients.at(i),
                            QDateTime(monday.addDays((i + n) % 9), QTime((i * 5 + n) % 24, 59, 59)),
                            1 + (i + n) % 4);
        }
        // A deleted client's calls still count, but he is not among the ten; calls without a
        // date are in no range.
        office.exec(QStringLiteral("DELETE FROM Clientes WHERE Nombre = 'Cliente 12'"));
        office.exec(QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N "
                                   "WHERE I < 20) INSERT INTO Llamadas (Cliente, Puesto) SELECT ?, "
                                   "1 FROM N"),
                    {clients.constFirst()});
        const QDate sunday = monday.addDays(6);
        for (const auto& [desde, hasta, puesto] :
             {std::tuple{monday, monday.addDays(8), 0}, std::tuple{monday, sunday, 3},
              std::tuple{sunday, sunday, 0},
              std::tuple{monday.addDays(-5), monday.addDays(-1), 0}}) {
            const CallStatistics s = CallStatistics::read(office.path(), desde, hasta, puesto);
            QCOMPARE(s.error, 0);
            const Figures figures(s);
            QCOMPARE(sortedLines(figures.days),
                     sortedLines(counted(office, QStringLiteral("substr(Fecha, 1, 10)"), desde,
                                         hasta, puesto)));
            QCOMPARE(
                sortedLines(figures.hours),
                sortedLines(counted(office, QStringLiteral("CAST(substr(Fecha, 12, 2) AS INT)"),
                                    desde, hasta, puesto)));
            QCOMPARE(sortedLines(figures.weekdays),
                     sortedLines(counted(office, QStringLiteral("strftime('%w', Fecha)"), desde,
                                         hasta, puesto)));
            QCOMPARE(sortedLines(figures.workstations),
                     sortedLines(counted(office, QStringLiteral("Puesto"), desde, hasta, puesto)));
            QCOMPARE(figures.top,
                     counted(office, QStringLiteral("Nombre"), desde, hasta, puesto,
                             QStringLiteral("Llamadas INNER JOIN Clientes ON IdCliente = Cliente"))
                         .mid(0, 10));
            QCOMPARE(s.total,
                     office.scalar(
                         QStringLiteral("SELECT count(*) FROM Llamadas WHERE "
                                        "Fecha BETWEEN '%1 00:00:00' AND "
                                        "'%2 23:59:59'%3")
                             .arg(desde.toString(Qt::ISODate), hasta.toString(Qt::ISODate),
                                  puesto == 0 ? QString() : QStringLiteral(" AND Puesto = 3"))));
        }
    }

    void statisticsTab()
    {
        Office office;
        const qint64 ana = office.client(QStringLiteral("Ana Núñez"), QStringLiteral("111"));
        const qint64 juan = office.client(QStringLiteral("Juan"), QStringLiteral("222"));
        office.call(ana, QDateTime(today(), QTime(9, 0)), 1);
        office.call(ana, QDateTime(today(), QTime(9, 30)), 2);
        office.call(juan, QDateTime(today().addDays(-1), QTime(18, 0)), 2);
        office.call(juan, QDateTime(today().addDays(-80), QTime(10, 0)), 2);
        RecordingEditor editor;
        MessageBox::Script messages;
        frmAdministrar browser(office.path(), &editor);
        // The first time, the calls tab's range (yesterday and today) and workstation.
        child<QTabWidget>(&browser, "SSTab1")->setCurrentIndex(2);
        QCOMPARE(bars(&browser, "chtPorDia"), (QList<qint64>{1, 2}));
        QCOMPARE(bars(&browser, "chtPorPuesto"), (QList<qint64>{1, 2}));
        QCOMPARE(bars(&browser, "chtMasLlamaron"), (QList<qint64>{1, 2}));
        QCOMPARE(bars(&browser, "chtPorHora").value(9), 2);
        QCOMPARE(text(&browser, "lblTotalEstadisticas"), QStringLiteral("3 llamadas"));
        // The workstation changes.
        child<QComboBox>(&browser, "cboPuestoEstadisticas")->setCurrentIndex(2);
        click(&browser, "cmdVerEstadisticas");
        QCOMPARE(bars(&browser, "chtPorPuesto"), QList<qint64>{2});
        QCOMPARE(bars(&browser, "chtMasLlamaron"), (QList<qint64>{1, 1}));
        // A double click on the top bar opens that client's record.
        auto* ranking = qobject_cast<QAbstractBarSeries*>(
            child<QChartView>(&browser, "chtMasLlamaron")->chart()->series().constFirst());
        emit ranking->doubleClicked(1, ranking->barSets().constFirst());
        QCOMPARE(editor.opened, QStringList{QStringLiteral("2 Ana Núñez")});
        // The range changes: over 62 days the days are a line.
        child<QComboBox>(&browser, "cboPuestoEstadisticas")->setCurrentIndex(0);
        typeDate(child<DateBox>(&browser, "mskDesdeEstadisticas"), regional(today().addDays(-90)));
        click(&browser, "cmdVerEstadisticas");
        QCOMPARE(text(&browser, "lblTotalEstadisticas"), QStringLiteral("4 llamadas"));
        QVERIFY(bars(&browser, "chtPorDia").isEmpty());
        QCOMPARE(child<QChartView>(&browser, "chtPorDia")->chart()->series().size(), 1);
        // A range without calls: empty charts and a word, no message.
        typeDate(child<DateBox>(&browser, "mskDesdeEstadisticas"), regional(today().addDays(-30)));
        typeDate(child<DateBox>(&browser, "mskHastaEstadisticas"), regional(today().addDays(-20)));
        click(&browser, "cmdVerEstadisticas");
        QVERIFY(child<QLabel>(&browser, "lblSinLlamadas")->isVisibleTo(&browser));
        for (const char* chart :
             {"chtPorDia", "chtPorHora", "chtPorDiaSemana", "chtPorPuesto", "chtMasLlamaron"})
            QVERIFY(child<QChartView>(&browser, chart)->chart()->series().isEmpty());
        QCOMPARE(messages.texts(), QStringList());
    }
};

QTEST_MAIN(ListOutputTest)
#include "tst_list_output.moc"
