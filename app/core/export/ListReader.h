#pragma once

#include "database/DatabaseConnection.h"
#include "database/KeySet.h"
#include "database/Statements.h"
#include "export/CellText.h"
#include "export/ClientCells.h"
#include "export/ListColumn.h"

#include <QByteArrayView>
#include <QList>
#include <QStringList>

#include <functional>

// The rows of a list (a browser's statement, its order and its columns) as the grid shows their
// texts, read on a connection of its own a bounded page at a time: every read is finished
// before the next begins, so no read lock is kept between them and other workstations keep
// logging calls. A call list is read along its own order (newest first), each page starting
// after the last row of the one before, its calls' clients taken from ClientCells; another list
// by its keys, counted at open(). Meant for one thread: open it on the one that reads.
class ListReader
{
public:
    // Rows per page: a short read each (some tens of milliseconds). Fewer, larger pages wait
    // less often behind other workstations' writes, each of which makes the cached pages stale.
    static constexpr int pageRows = 20000;
    // Takes a page's cells one by one, row by row, in the columns' order: the cell's text in
    // UTF-8, valid only during the call.
    using CellSink = std::function<void(int column, QByteArrayView text)>;

    ListReader(Statement statement, QList<ListColumn> columns);
    ~ListReader();
    ListReader(const ListReader&) = delete;
    ListReader& operator=(const ListReader&) = delete;

    // Opens the file read-only and counts the rows; 0 or an engine error number. A list with
    // no statement yet (nothing shown) has no rows.
    int open(const QString& databasePath);
    // The rows counted at open(); rows deleted since are skipped, so fewer may come.
    [[nodiscard]] int rowCount() const { return m_keys.size(); }
    [[nodiscard]] bool atEnd() const { return m_atEnd; }
    // Hands the next page of rows to cell; 0 or an engine error number.
    int readPage(const CellSink& cell);
    // Appends the texts of the next page of rows, one QStringList per row.
    int readPage(QList<QStringList>* rows);

private:
    [[nodiscard]] QString selectList() const;
    int readByKeys(const CellSink& cell);
    int readInOrder(const CellSink& cell);
    // Runs one page's query, handing its rows' cells to cell, then each row to after.
    int readRows(const QString& sql, const QVariantMap& values, const CellSink& cell,
                 const std::function<void(const StoredRow& row)>& after = {});

    Statement m_statement;
    QList<ListColumn> m_columns;
    DatabaseConnection m_connection;
    KeySet m_keys{m_connection};
    CellText m_texts;
    ClientCells m_clients;
    bool m_atEnd = true;
    int m_next = 0; // by keys: the next row
    // In order: the phase (dated calls, then those without a date) and the last row read.
    bool m_nullPhase = false;
    KeySet::Anchor m_anchor;
};
