#pragma once

#include "ListPrinter.h"
#include "export/ListColumn.h"

#include <QList>
#include <QString>

class DataControl;
class QPrinter;
class QWidget;

// The browser's lists outside the program: written to a CSV file or printed, each as it stands
// (the statement of its last "Mostrar", its sort and its columns).
namespace ListOutput {
// Asks where to save (offering suggestedName), then writes the file with a progress dialog;
// a failure is told and leaves no file.
void exportList(QWidget* parent, const DataControl& list, const QList<ListColumn>& columns,
                const QString& suggestedName);

// Asks for the printer (or a PDF file) through the desktop's print dialog, then prints with a
// progress dialog.
void printList(QWidget* parent, const DataControl& list, const QList<ListColumn>& columns,
               const ListPrinter::Heading& heading);
// The same on a printer already chosen: a PDF file for the tests.
void printListOn(QPrinter* printer, QWidget* parent, const DataControl& list,
                 const QList<ListColumn>& columns, const ListPrinter::Heading& heading);

// What a call list lists, from its statement: "Del 01/12/2026 al 07/12/2026, todos los puestos".
[[nodiscard]] QString describeCalls(const Statement& statement);
} // namespace ListOutput
