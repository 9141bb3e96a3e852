#pragma once

#include "Message.h"
#include "database/Statements.h"
#include "export/ListColumn.h"

#include <QFileDevice>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>

// Writes a list (a browser's statement, its order and its columns) to a CSV file (see Csv):
// a header row with the captions, then the rows as the grid shows them. The rows are read a
// page at a time on a connection of its own (ListReader), so other workstations keep logging
// meanwhile. The file is written beside its place and put there only once complete: a failure
// or a stop leaves no file, nor any part of one. Meant to run off the user-interface thread.
class ListExport
{
public:
    struct Outcome
    {
        enum class Kind
        {
            Written,
            Stopped,
            DatabaseFailed,
            FileFailed,
        };
        Kind kind = Kind::Written;
        int rows = 0;          // rows written
        int databaseError = 0; // engine error number, with DatabaseFailed
        QFileDevice::FileError fileError = QFileDevice::NoError;
    };
    // Rows written so far and rows in the list, between pages; on the thread that runs.
    using Progress = std::function<void(int done, int total)>;

    ListExport(QString databasePath, Statement statement, QList<ListColumn> columns,
               QString filePath);

    Outcome run(const Progress& progress = {});
    // Asks a run under way, from any thread, to stop at the next page; nothing is kept.
    void stop() { m_stop = true; }

    // What the user is told when a run did not write the file (Written and Stopped say nothing).
    [[nodiscard]] static Message failureMessage(const Outcome& outcome, const QString& filePath);

private:
    QString m_databasePath;
    Statement m_statement;
    QList<ListColumn> m_columns;
    QString m_filePath;
    std::atomic<bool> m_stop{false};
};
