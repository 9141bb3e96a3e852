#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/FieldValues.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <functional>

// The data control's current row: moves, seeks, and the count that reaching a long list's end
// needs.

using namespace FieldValues;

int DataControl::countRecords()
{
    if (m_keys.isCounted())
        return DatabaseError::None;
    if (const int error = ensureOpen(); error != DatabaseError::None)
        return error;
    m_counter.stop();
    return readJoiningRows([this] { return m_keys.countRows(); });
}

void DataControl::takeCount(int error, qint64 count)
{
    if (m_keys.isCounted())
        return;
    if (error != DatabaseError::None) {
        // Counted here instead, in one read.
        countRecords();
    } else {
        readJoiningRows([this, count] {
            m_keys.takeCount(count);
            return DatabaseError::None;
        });
    }
    if (m_keys.isCounted() && !m_keys.isComplete())
        m_keyReader.start();
}

int DataControl::readJoiningRows(const std::function<int()>& read)
{
    // Rows that join go in after those read from the head.
    const int before = recordCount();
    const int first = m_keys.headSize();
    const int error = read();
    if (error == DatabaseError::None)
        joinRows(first, before);
    return error;
}

void DataControl::joinRows(int first, int before)
{
    const int joined = std::max(0, recordCount() - before);
    m_deleted.insert(first, joined, false);
    if (joined > 0 && first < before) {
        // Rows went in between: the pages after them, and the current row, move down.
        for (auto page = m_pages.begin(); page != m_pages.end();) {
            if ((page.key() + 1) * pageSize > first) {
                m_pageUse.removeAll(page.key());
                page = m_pages.erase(page);
            } else {
                ++page;
            }
        }
        if (m_position >= first)
            m_position += joined;
    }
    emit rowsJoined(first, joined);
}

int DataControl::finishMove(int newPosition)
{
    cancelUpdate();
    // A move to the last rows read so far, or past them, needs the true count (unless it is on
    // its way, or the last rows are there already: the others join when it comes).
    if (newPosition >= recordCount() - 1 && !m_counter.isRunning() && !m_keys.hasTailBeforeCount())
        countRecords();
    m_position = std::clamp(newPosition, -1, recordCount());
    emit repositioned();
    return DatabaseError::None;
}

int DataControl::moveFirst()
{
    return isEmpty() ? DatabaseError::NoCurrentRow : finishMove(0);
}

int DataControl::moveLast()
{
    if (!m_keys.isCounted()) {
        // The last rows now, the count when it comes.
        if (readJoiningRows([this] { return m_keys.readTail(); }) != DatabaseError::None)
            countRecords();
    }
    return isEmpty() ? DatabaseError::NoCurrentRow : finishMove(recordCount() - 1);
}

int DataControl::moveNext()
{
    // The row after the head's last is not the tail's first: the count puts the others between.
    if (m_keys.hasTailBeforeCount() && m_position == m_keys.headSize() - 1)
        countRecords();
    return isEOF() ? DatabaseError::NoCurrentRow : finishMove(m_position + 1);
}

int DataControl::movePrevious()
{
    if (m_keys.hasTailBeforeCount() && m_position == m_keys.headSize())
        countRecords();
    return isBOF() ? DatabaseError::NoCurrentRow : finishMove(m_position - 1);
}

int DataControl::moveTo(int row)
{
    return finishMove(row);
}

int DataControl::readRowByKey(qint64 key, Row* row, bool* found)
{
    *found = false;
    row->clear();
    int prepareError = DatabaseError::None;
    const std::shared_ptr<QSqlQuery> prepared = m_connection.preparedQuery(
        QStringLiteral("SELECT ") + m_source.columns + QStringLiteral(" FROM ") + m_source.from +
            QStringLiteral(" WHERE ") + m_source.keyColumn + QStringLiteral(" = ?"),
        &prepareError);
    if (!prepared)
        return prepareError;
    QSqlQuery& query = *prepared;
    query.bindValue(0, key);
    if (!query.exec())
        return errorNumberFor(query.lastError());
    if (query.next()) {
        *found = true;
        for (int c = 0; c < m_columnNames.size(); ++c)
            row->append(fromStored(m_columnNames.at(c), query.value(c)));
    }
    const QSqlError error = query.lastError();
    query.finish();
    return errorNumberFor(error);
}

int DataControl::seek(qint64 key)
{
    cancelUpdate();
    if (int error = ensureOpen(); error != DatabaseError::None)
        return error;
    if (int error = ensureColumnNames(); error != DatabaseError::None)
        return error;
    Row row;
    bool found = false;
    if (int error = readRowByKey(key, &row, &found); error != DatabaseError::None)
        return error;
    if (!found) {
        finishMove(recordCount());
        return DatabaseError::NoCurrentRow;
    }
    countRecords();
    qsizetype index = m_keys.indexOf(key);
    if (index < 0) {
        m_keys.append(key);
        m_deleted.append(false);
        index = m_keys.size() - 1;
        emit recordSetChanged();
    }
    m_deleted[index] = false;
    // The row as just read, so that a following edit() compares with it.
    m_pages.remove(static_cast<int>(index / pageSize));
    m_pageUse.removeAll(static_cast<int>(index / pageSize));
    finishMove(static_cast<int>(index));
    return DatabaseError::None;
}
