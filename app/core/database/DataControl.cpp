#include "database/DataControl.h"

#include "database/DatabaseErrors.h"
#include "database/DatabaseFile.h"
#include "database/FieldValues.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace FieldValues;

namespace {
// Pages kept: a few screens' worth, whatever the size of the set.
constexpr int pagesKept = 32;
// Between two chunks of keys read while idle, room for the user's own events.
constexpr int keyReadIntervalMs = 5;
} // namespace

DataControl::DataControl(QObject* parent)
    : QObject(parent)
{
    m_keyReader.setSingleShot(true);
    m_keyReader.setInterval(keyReadIntervalMs);
    connect(&m_counter, &BackgroundCount::counted, this, &DataControl::takeCount);
    connect(&m_keyReader, &QTimer::timeout, this, [this] {
        if (!m_connection.isOpen())
            return;
        if (!m_keys.isCounted()) {
            countRecords();
        } else if (!m_keys.readMore()) {
            return;
        }
        if (m_keys.lastError() == DatabaseError::None && !m_keys.isComplete())
            m_keyReader.start();
    });
}

DataControl::~DataControl()
{
    cancelUpdate();
}

void DataControl::setDatabaseName(const QString& filePath)
{
    cancelUpdate();
    m_connection.close();
    m_databaseName = filePath;
    clearSet();
}

void DataControl::setReadOnly(bool readOnly)
{
    if (readOnly == m_readOnly)
        return;
    cancelUpdate();
    m_connection.close();
    m_readOnly = readOnly;
}

void DataControl::setRecordSource(const Statement& statement)
{
    cancelUpdate();
    m_source = statement;
    m_columnNames.clear();
    // The old keys belong to the old source; nothing is current until the next refresh.
    clearSet();
}

int DataControl::ensureOpen() const
{
    if (m_connection.isOpen())
        return DatabaseError::None;
    if (m_databaseName.isEmpty())
        return DatabaseError::PathNotFound;
    return m_connection.open(resolveFileNameCase(m_databaseName),
                             m_readOnly ? DatabaseConnection::Access::ReadOnly
                                        : DatabaseConnection::Access::ReadWrite,
                             m_busyTimeoutMs);
}

int DataControl::ensureColumnNames()
{
    if (!m_columnNames.isEmpty() || !m_source.isValid())
        return DatabaseError::None;
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT ") + m_source.columns + QStringLiteral(" FROM ") +
                    m_source.from + QStringLiteral(" LIMIT 0")))
        return errorNumberFor(query.lastError());
    m_columnNames = DatabaseConnection::columnNamesOf(query.record());
    query.finish();
    return DatabaseError::None;
}

void DataControl::clearSet()
{
    m_counter.stop();
    m_keyReader.stop();
    m_keys.clear();
    m_deleted.clear();
    m_position = 0;
    forgetPages();
    m_lastReadError = DatabaseError::None;
}

void DataControl::forgetPages()
{
    m_pages.clear();
    m_pageUse.clear();
}

int DataControl::refresh()
{
    cancelUpdate();
    clearSet();
    int error = DatabaseError::None;
    if (m_databaseName.isEmpty()) {
        m_connection.close();
    } else {
        error = ensureOpen();
        if (error == DatabaseError::None && m_source.isValid())
            error = ensureColumnNames();
        if (error == DatabaseError::None && m_source.isValid()) {
            // Every read ends with this call: no read lock stays behind.
            error = m_keys.reset(m_source);
            m_deleted = QList<bool>(m_keys.size(), false);
            if (!m_keys.isCounted())
                m_counter.start(resolveFileNameCase(m_databaseName), m_keys.statement(),
                                m_keys.newestKey());
            else if (!m_keys.isComplete())
                m_keyReader.start();
        }
    }
    emit recordSetChanged();
    emit repositioned();
    return error;
}

qint64 DataControl::currentKey() const
{
    return hasCurrentRow() ? m_keys.at(m_position) : 0;
}

int DataControl::columnIndex(const QString& name) const
{
    for (int i = 0; i < m_columnNames.size(); ++i) {
        if (m_columnNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int DataControl::readPage(int page) const
{
    const int first = page * pageSize;
    const int count = std::min(pageSize, recordCount() - first);
    if (count <= 0)
        return DatabaseError::None;
    if (const int error = ensureOpen(); error != DatabaseError::None)
        return error;

    QString placeholders;
    for (int i = 0; i < count; ++i)
        placeholders += i == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    int prepareError = DatabaseError::None;
    const std::shared_ptr<QSqlQuery> prepared = m_connection.preparedQuery(
        QStringLiteral("SELECT ") + m_source.keyColumn + QStringLiteral(", ") + m_source.columns +
            QStringLiteral(" FROM ") + m_source.from + QStringLiteral(" WHERE ") +
            m_source.keyColumn + QStringLiteral(" IN (") + placeholders + QLatin1Char(')'),
        &prepareError);
    if (!prepared)
        return prepareError;
    QSqlQuery& query = *prepared;
    for (int i = 0; i < count; ++i)
        query.bindValue(i, m_keys.at(first + i));
    if (!query.exec())
        return errorNumberFor(query.lastError());

    QHash<qint64, Row> found;
    const int columns = static_cast<int>(m_columnNames.size());
    while (query.next()) {
        Row row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(fromStored(m_columnNames.at(c), query.value(c + 1)));
        found.insert(query.value(0).toLongLong(), row);
    }
    const QSqlError readError = query.lastError();
    query.finish();
    if (readError.type() != QSqlError::NoError)
        return errorNumberFor(readError);

    QList<Row> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const auto it = found.constFind(m_keys.at(first + i));
        if (it == found.cend()) {
            // Deleted by another workstation (or by us) since the keys were read.
            m_deleted[first + i] = true;
            rows.append(Row());
        } else {
            rows.append(*it);
        }
    }
    m_pages.insert(page, rows);
    m_pageUse.removeAll(page);
    m_pageUse.append(page);
    while (m_pageUse.size() > pagesKept)
        m_pages.remove(m_pageUse.takeFirst());
    return DatabaseError::None;
}

const DataControl::Row* DataControl::rowAt(int row) const
{
    if (row < 0 || row >= recordCount() || m_deleted.at(row))
        return nullptr;
    const int page = row / pageSize;
    if (!m_pages.contains(page)) {
        m_lastReadError = readPage(page);
        if (m_lastReadError != DatabaseError::None)
            return nullptr;
    } else if (m_pageUse.constLast() != page) {
        m_pageUse.removeAll(page);
        m_pageUse.append(page);
    }
    const Row& found = m_pages[page][row - page * pageSize];
    return found.isEmpty() ? nullptr : &found;
}

QVariant DataControl::valueAt(int row, const QString& name) const
{
    const int column = columnIndex(name);
    if (column < 0)
        return {};
    const Row* values = rowAt(row);
    return values == nullptr ? QVariant() : values->at(column);
}

QVariant DataControl::field(const QString& name) const
{
    if (m_editMode == EditMode::Adding || m_editMode == EditMode::Editing) {
        const auto pending = m_pending.constFind(name);
        if (pending != m_pending.cend()) {
            bool ok = false;
            return fromStored(name, toStored(name, *pending, &ok));
        }
        if (m_editMode == EditMode::Adding)
            return {};
    }
    return hasCurrentRow() ? valueAt(m_position, name) : QVariant();
}

int DataControl::currentRowError() const
{
    if (!hasCurrentRow())
        return DatabaseError::NoCurrentRow;
    if (rowAt(m_position) != nullptr)
        return DatabaseError::None;
    return m_deleted.at(m_position) ? DatabaseError::RowDeleted : m_lastReadError;
}
