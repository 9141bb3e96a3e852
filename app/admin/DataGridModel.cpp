#include "DataGridModel.h"

#include "database/DataControl.h"
#include "database/DateText.h"

DataGridModel::DataGridModel(DataControl& control, QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_control(control)
    , m_columns(std::move(columns))
    , m_rows(control.recordCount())
{
    connect(&m_control, &DataControl::recordSetChanged, this, [this] {
        beginResetModel();
        m_rows = m_control.recordCount();
        endResetModel();
    });
    // A call list's last rows and its count arrive after its first rows: the others join
    // below them, or between them and the last ones.
    connect(&m_control, &DataControl::rowsJoined, this, [this](int first, int count) {
        const int rows = m_control.recordCount();
        if (count > 0 && rows == m_rows + count && first <= m_rows) {
            beginInsertRows(QModelIndex(), first, first + count - 1);
            m_rows = rows;
            endInsertRows();
        } else if (rows != m_rows) {
            beginResetModel();
            m_rows = rows;
            endResetModel();
        }
    });
}

int DataGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns.size())
        return {};
    const Column& column = m_columns.at(index.column());
    if (role == Qt::TextAlignmentRole && column.format != Format::Text)
        return QVariant::fromValue(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    const QVariant value = m_control.valueAt(index.row(), column.field);
    switch (column.format) {
    case Format::Text:
        // Observaciones may hold several lines; a grid cell shows them on one.
        return value.toString().replace(QLatin1Char('\n'), QLatin1Char(' '));
    case Format::Date:
        return DateText::regionalDate(value.toDate());
    case Format::DateTime:
        return value.isNull() ? QString() : DateText::regionalDateTime(value.toDateTime());
    case Format::YesNo:
        // Null counts as No; a row gone since the list was read shows nothing.
        if (value.isNull() && m_control.valueAt(index.row(), m_columns.first().field).isNull())
            return QString();
        return value.toBool() ? QStringLiteral("Sí") : QStringLiteral("No");
    }
    return {};
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return QVariant();
    return m_columns.value(section).caption;
}

void DataGridModel::showRowsAgain()
{
    if (m_rows > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
}
