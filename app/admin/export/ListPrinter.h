#pragma once

#include "database/Statements.h"
#include "export/ListColumn.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>

class QPrinter;

// Prints a list (a browser's statement, its order and its columns) on a printer, a PDF file
// being one: on every page the program's title and the list's name, what it lists (range,
// workstation or filter), the date printed, the column captions and "Página n de N" at the
// foot. Every row is one line, so a page break never cuts one. The rows are read a page at a
// time on a connection of its own (ListReader); this may run off the user-interface thread.
class ListPrinter
{
public:
    struct Heading
    {
        QString list;        // "Llamadas por puesto", "Clientes"
        QString description; // "Del 01/12/2026 al 07/12/2026, todos los puestos"
    };
    struct Outcome
    {
        int databaseError = 0;
        bool stopped = false;
        bool printerFailed = false;
        int rows = 0;
        int pages = 0;
    };
    using Progress = std::function<void(int done, int total)>;

    ListPrinter(QString databasePath, Statement statement, QList<ListColumn> columns,
                Heading heading);

    Outcome print(QPrinter* printer, const Progress& progress = {});
    // Asks a print under way, from any thread, to stop at the next row; what was sent is
    // withdrawn where the printer allows it.
    void stop() { m_stop = true; }

private:
    QString m_databasePath;
    Statement m_statement;
    QList<ListColumn> m_columns;
    Heading m_heading;
    std::atomic<bool> m_stop{false};
};
