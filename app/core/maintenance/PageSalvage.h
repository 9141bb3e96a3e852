#pragma once

#include "maintenance/SqlitePages.h"

#include <QString>
#include <QVariantList>

#include <functional>

// One table whose rows are read from a damaged file's pages.
struct TableToRead
{
    QString name;
    int columns = 0; // of the table as it is made today; the key column first
    // Each row read: the key, and the stored values (the key column holds NULL, as stored).
    std::function<void(qint64 key, const QVariantList& values)> row;

    // What reading found.
    bool found = false;    // its tree's root, or a leaf page of its shape, could be read
    qint64 keyCounter = 0; // the table's AUTOINCREMENT counter, 0 when it could not be read
};

// Reads every row of the tables it can find in the file. Each table is read through its b-tree;
// where part of the tree is damaged (its root, an interior page or a leaf), the leaf pages that
// no tree reaches are read directly, when their rows have the table's shape and keys in the range
// the damaged part covered. Pages on the free list are never read as rows: they hold deleted rows.
// Every page is read at most once by the trees and once by the search, so the time is bounded by
// the file's size whatever the damage. progress gets the pages done out of the file's pages.
// Returns the number of the tables' pages and cells that could not be read.
int readTablesFromPages(const SqlitePages& pages, const QList<TableToRead*>& tables,
                        const std::function<void(qint64 done, qint64 total)>& progress);
