#pragma once

#include "export/ListColumn.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

class DataControl;

// A grid's view of a data control: one row per row of its set, read page by page as the grid
// shows them, and the columns given (caption and field).
class DataGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The columns are the lists' own, shared with their export and print.
    using Format = ListColumn::Format;
    using Column = ListColumn;

    DataGridModel(DataControl& control, QList<Column> columns, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

    [[nodiscard]] DataControl& control() const { return m_control; }
    [[nodiscard]] const QList<Column>& columns() const { return m_columns; }
    // Rows changed in place (a client saved): the grid asks for them again.
    void showRowsAgain();

private:
    DataControl& m_control;
    QList<Column> m_columns;
    int m_rows = 0;
};
