#include "ListOutput.h"

#include "ListProgress.h"
#include "MessageBox.h"
#include "ProgramInfo.h"
#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/DateText.h"
#include "export/ListExport.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>

namespace {
QString chooseFile(QWidget* parent, const QString& suggestedName)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QFileDialog dialog(parent, QStringLiteral("Exportar la lista"),
                       QDir(folder).filePath(suggestedName),
                       QStringLiteral("Planilla CSV (*.csv)"));
    dialog.setObjectName(QStringLiteral("dlgExportar"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
} // namespace

namespace ListOutput {

void exportList(QWidget* parent, const DataControl& list, const QList<ListColumn>& columns,
                const QString& suggestedName)
{
    const QString path = chooseFile(parent, suggestedName);
    if (path.isEmpty())
        return;
    ListExport job(list.databaseName(), list.recordSource(), columns, path);
    ListExport::Outcome outcome;
    runWithListProgress(
        parent, QStringLiteral("Exportando la lista..."),
        [&](const ListProgressReport& report) { outcome = job.run(report); },
        [&job] { job.stop(); });
    const Message failure = ListExport::failureMessage(outcome, path);
    if (!failure.text.isEmpty())
        MessageBox::show(parent, failure);
}

void printList(QWidget* parent, const DataControl& list, const QList<ListColumn>& columns,
               const ListPrinter::Heading& heading)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(ProgramInfo::title() + QStringLiteral(" - ") + heading.list);
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("dlgImprimir"));
    dialog.setWindowTitle(QStringLiteral("Imprimir la lista"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    printListOn(&printer, parent, list, columns, heading);
}

void printListOn(QPrinter* printer, QWidget* parent, const DataControl& list,
                 const QList<ListColumn>& columns, const ListPrinter::Heading& heading)
{
    ListPrinter job(list.databaseName(), list.recordSource(), columns, heading);
    ListPrinter::Outcome outcome;
    runWithListProgress(
        parent, QStringLiteral("Imprimiendo la lista..."),
        [&](const ListProgressReport& report) { outcome = job.print(printer, report); },
        [&job] { job.stop(); });
    if (outcome.databaseError != DatabaseError::None) {
        MessageBox::show(parent,
                         QStringLiteral("No se pudo leer la lista para imprimirla. ") +
                             technicalSupportMessage(outcome.databaseError).text,
                         MessageIcon::Critical);
    } else if (outcome.printerFailed) {
        MessageBox::show(parent,
                         QStringLiteral("No se pudo imprimir la lista: la impresora o el archivo "
                                        "elegido no la acepta."),
                         MessageIcon::Exclamation);
    }
}

QString describeCalls(const Statement& statement)
{
    const auto day = [&statement](const char* name) {
        return DateText::regionalDate(
            DateText::dateFromStored(statement.values.value(QLatin1String(name)).toString()));
    };
    const bool ranged = statement.values.contains(QStringLiteral(":desde"));
    const QString dates =
        ranged ? QStringLiteral("Del ") + day(":desde") + QStringLiteral(" al ") + day(":hasta")
               : QStringLiteral("Todas las fechas");
    const QVariant puesto = statement.values.value(QStringLiteral(":puesto"));
    if (puesto.isValid() && puesto.toInt() == 0)
        return QStringLiteral("Lista vacía");
    return dates + (puesto.isValid() ? QStringLiteral(", puesto ") + puesto.toString()
                                     : QStringLiteral(", todos los puestos"));
}

} // namespace ListOutput
