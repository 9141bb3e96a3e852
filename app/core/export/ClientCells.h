#pragma once

#include "export/ListColumn.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>

#include <vector>

class CellText;
class DatabaseConnection;

// The texts of every client's cells in the columns of a list of calls beside their clients,
// read once, a bounded page at a time: each call then finds its client here instead of in the
// file, which spares a million calls a million lookups of their clients.
class ClientCells
{
public:
    // Finds which of columns are the client's fields and reads their texts for every client on
    // file; 0 or an engine error number.
    int read(DatabaseConnection& connection, const QList<ListColumn>& columns, CellText& texts);

    [[nodiscard]] bool isClientColumn(int column) const { return m_slots.value(column, -1) >= 0; }
    // The row of a client, or -1 when it was not on file.
    [[nodiscard]] int rowOf(qint64 idCliente) const
    {
        if (idCliente >= 0 && idCliente < static_cast<qint64>(m_rows.size()))
            return m_rows[static_cast<size_t>(idCliente)];
        return m_farRows.value(idCliente, -1);
    }
    // The text of a client's cell in a client column.
    [[nodiscard]] QByteArrayView text(int row, int column) const;

private:
    QList<int> m_slots; // per column of the list: its place among the client's, or -1
    int m_slotCount = 0;
    // The rows by key: keys are given in turn, so a plain table holds them (-1 for no client);
    // a key far beyond any count of clients goes to the hash.
    std::vector<int> m_rows;
    QHash<qint64, int> m_farRows;
    QByteArray m_texts;            // every cell's text, one after another
    std::vector<qsizetype> m_ends; // where each cell's text ends, row by row
};
