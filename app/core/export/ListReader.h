#pragma once

#include "database/DatabaseConnection.h"
#include "database/KeySet.h"
#include "database/Statements.h"
#include "export/CellText.h"
#include "export/ListColumn.h"

#include <QList>
#include <QSqlQuery>
#include <QStringList>

#include <memory>

// The rows of a list (a browser's statement, its order and its columns) as the grid shows their
// texts, read on a connection of its own a bounded page at a time: every read is finished
// before the next begins, so no read lock is kept between them and other workstations keep
// logging calls. Meant for one thread: open it on the one that reads.
class ListReader
{
public:
    // Rows per page: a short read each (a few milliseconds).
    static constexpr int pageRows = 5000;

    ListReader(Statement statement, QList<ListColumn> columns);
    ~ListReader();
    ListReader(const ListReader&) = delete;
    ListReader& operator=(const ListReader&) = delete;

    // Opens the file read-only and counts the rows; 0 or an engine error number. A list with
    // no statement yet (nothing shown) has no rows.
    int open(const QString& databasePath);
    // The rows counted at open(); rows deleted since are skipped, so fewer may come.
    [[nodiscard]] int rowCount() const { return m_keys.size(); }
    [[nodiscard]] bool atEnd() const { return m_next >= rowCount(); }
    // Appends the texts of the next page of rows, one QStringList per row in the columns'
    // order; 0 or an engine error number.
    int readPage(QList<QStringList>* rows);

private:
    int prepare();

    Statement m_statement;
    QList<ListColumn> m_columns;
    DatabaseConnection m_connection;
    KeySet m_keys{m_connection};
    std::unique_ptr<QSqlQuery> m_query;
    CellText m_texts;
    int m_next = 0;
};
