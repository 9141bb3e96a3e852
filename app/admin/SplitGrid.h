#pragma once

#include <QWidget>

class QAbstractItemModel;
class QItemSelectionModel;
class QTableView;

// A grid in two panes over one model: the left pane shows only the first column, one column
// wide and not resizable; the right pane shows the other columns, without row selectors, and
// scrolls them. Both share the rows, the current row and the vertical scrolling, and show rows
// of the same height at the same place, so the first column stays fixed at the left.
class SplitGrid : public QWidget
{
    Q_OBJECT

public:
    explicit SplitGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model);
    [[nodiscard]] QTableView* fixedPane() const { return m_fixed; }
    [[nodiscard]] QTableView* scrollingPane() const { return m_scrolling; }
    [[nodiscard]] QItemSelectionModel* selectionModel() const;

    // Makes row current in both panes and shows it.
    void setCurrentRow(int row);
    [[nodiscard]] int currentRow() const;
    // Drops any column selection (a header click must leave none).
    void clearColumnSelection();

signals:
    // The user made another row current.
    void currentRowChanged(int row);
    // A header was clicked; column is the model's column.
    void headClicked(int column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sizeFixedPane();

    QTableView* m_fixed = nullptr;
    QTableView* m_scrolling = nullptr;
    QWidget* m_underFixed = nullptr;
    bool m_settingRow = false;
};
