#include "database/DataControl.h"
#include "database/DatabaseErrors.h"
#include "database/FieldValues.h"

#include <QSqlError>
#include <QSqlQuery>

// The data control's writes: add, edit, update, delete, and counts added in place.

using namespace FieldValues;

int DataControl::checkWritable() const
{
    if (m_readOnly || !m_source.updatable)
        return DatabaseError::ReadOnly;
    return DatabaseError::None;
}

int DataControl::beginOwnWrite(bool* owns)
{
    *owns = false;
    if (m_connection.inWrite())
        return DatabaseError::None;
    const int error = m_connection.beginWrite();
    *owns = error == DatabaseError::None;
    return error;
}

int DataControl::endOwnWrite(bool owns, int error)
{
    if (!owns)
        return error;
    if (error != DatabaseError::None) {
        m_connection.rollback();
        return error;
    }
    return m_connection.commit();
}

int DataControl::checkCurrentRowWritable() const
{
    if (int error = checkWritable(); error != DatabaseError::None)
        return error;
    if (!hasCurrentRow())
        return DatabaseError::NoCurrentRow;
    return m_deleted.at(m_position) ? DatabaseError::RowDeleted : DatabaseError::None;
}

QString DataControl::whereCurrentKey() const
{
    return QStringLiteral(" WHERE ") + unqualified(m_source.keyColumn) + QStringLiteral(" = ?");
}

int DataControl::execOnCurrentRow(const QString& sql, const QVariantList& values)
{
    int prepareError = DatabaseError::None;
    const std::shared_ptr<QSqlQuery> prepared = m_connection.preparedQuery(sql, &prepareError);
    if (!prepared)
        return prepareError;
    QSqlQuery& query = *prepared;
    int place = 0;
    for (const QVariant& value : values)
        query.bindValue(place++, value);
    query.bindValue(place, currentKey());
    if (!query.exec())
        return errorNumberFor(query.lastError());
    const int touched = query.numRowsAffected();
    query.finish();
    // Nothing touched: another workstation deleted the row.
    return touched == 0 ? DatabaseError::RowDeleted : DatabaseError::None;
}

int DataControl::writeCurrentRow(const QString& sql, const QVariantList& values)
{
    bool owns = false;
    if (int error = beginOwnWrite(&owns); error != DatabaseError::None)
        return error;
    return endOwnWrite(owns, execOnCurrentRow(sql, values));
}

int DataControl::addNew()
{
    cancelUpdate();
    if (int error = checkWritable(); error != DatabaseError::None)
        return error;
    if (int error = ensureOpen(); error != DatabaseError::None)
        return error;
    if (int error = ensureColumnNames(); error != DatabaseError::None)
        return error;
    m_editMode = EditMode::Adding;
    return DatabaseError::None;
}

int DataControl::edit()
{
    cancelUpdate();
    if (int error = checkCurrentRowWritable(); error != DatabaseError::None)
        return error;
    const Row* cached = rowAt(m_position);
    if (cached == nullptr)
        return m_deleted.at(m_position) ? DatabaseError::RowDeleted : m_lastReadError;
    const Row original = *cached;

    bool owns = false;
    if (int error = beginOwnWrite(&owns); error != DatabaseError::None)
        return error;
    Row fresh;
    bool found = false;
    int error = readRowByKey(currentKey(), &fresh, &found);
    if (error == DatabaseError::None && !found)
        error = DatabaseError::RowDeleted;
    if (error == DatabaseError::None && fresh != original)
        error = DatabaseError::RowChanged;
    if (error != DatabaseError::None) {
        if (owns)
            m_connection.rollback();
        if (error == DatabaseError::RowDeleted)
            m_deleted[m_position] = true;
        // Show what is there now; the next edit() starts from it.
        forgetPages();
        return error;
    }
    m_editMode = EditMode::Editing;
    m_editOwnsTransaction = owns;
    return DatabaseError::None;
}

int DataControl::setField(const QString& name, const QVariant& value)
{
    if (m_editMode == EditMode::None)
        return DatabaseError::NoCurrentRow;
    const int column = columnIndex(name);
    if (column < 0)
        return DatabaseError::ItemNotFound;
    const QString columnName = m_columnNames.at(column);
    if (columnName.compare(unqualified(m_source.keyColumn), Qt::CaseInsensitive) == 0)
        return DatabaseError::FieldNotUpdatable;
    bool ok = false;
    [[maybe_unused]] const QVariant stored = toStored(columnName, value, &ok);
    if (!ok)
        return DatabaseError::ValueNotAllowed;
    m_pending.insert(columnName, value);
    return DatabaseError::None;
}

int DataControl::update()
{
    if (m_editMode == EditMode::None)
        return DatabaseError::NoCurrentRow;
    const EditMode mode = m_editMode;
    const QVariantMap pending = m_pending;
    const bool ownsEdit = m_editOwnsTransaction;
    m_editMode = EditMode::None;
    m_editOwnsTransaction = false;
    m_pending.clear();

    QStringList columns;
    QVariantList values;
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        bool ok = false;
        columns << it.key();
        values << toStored(it.key(), it.value(), &ok);
    }

    if (mode == EditMode::Editing) {
        int error = DatabaseError::None;
        if (!columns.isEmpty()) {
            QStringList assignments;
            for (const QString& column : columns)
                assignments << column + QStringLiteral(" = ?");
            error = execOnCurrentRow(QStringLiteral("UPDATE ") + m_source.table +
                                         QStringLiteral(" SET ") +
                                         assignments.join(QStringLiteral(", ")) + whereCurrentKey(),
                                     values);
        }
        error = endOwnWrite(ownsEdit, error);
        if (error == DatabaseError::RowDeleted && hasCurrentRow())
            m_deleted[m_position] = true;
        forgetPages();
        return error;
    }

    // Adding.
    bool owns = false;
    if (int error = beginOwnWrite(&owns); error != DatabaseError::None)
        return error;
    QSqlQuery query(m_connection.database());
    if (columns.isEmpty()) {
        query.prepare(QStringLiteral("INSERT INTO ") + m_source.table +
                      QStringLiteral(" DEFAULT VALUES RETURNING ") +
                      FieldValues::unqualified(m_source.keyColumn));
    } else {
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        query.prepare(QStringLiteral("INSERT INTO ") + m_source.table + QStringLiteral(" (") +
                      columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                      marks.join(QStringLiteral(", ")) + QStringLiteral(") RETURNING ") +
                      FieldValues::unqualified(m_source.keyColumn));
        for (const QVariant& value : values)
            query.addBindValue(value);
    }
    int error = DatabaseError::None;
    qint64 newKey = 0;
    if (!query.exec())
        error = errorNumberFor(query.lastError());
    else if (query.next()) // the key the engine gave, whichever engine it is
        newKey = query.value(0).toLongLong();
    query.finish();
    error = endOwnWrite(owns, error);
    if (error != DatabaseError::None)
        return error;

    // Like a dynaset: the new row joins the end of the set; the current row stays (at EOF it
    // stays at EOF).
    countRecords();
    const bool wasAtEnd = m_position >= recordCount();
    m_keys.append(newKey);
    m_deleted.append(false);
    if (wasAtEnd)
        m_position = recordCount();
    m_lastInsertedKey = newKey;
    emit recordSetChanged();
    return DatabaseError::None;
}

void DataControl::cancelUpdate()
{
    if (m_editMode == EditMode::Editing && m_editOwnsTransaction)
        m_connection.rollback();
    m_editMode = EditMode::None;
    m_editOwnsTransaction = false;
    m_pending.clear();
}

int DataControl::deleteCurrent()
{
    cancelUpdate();
    if (int error = checkCurrentRowWritable(); error != DatabaseError::None)
        return error;
    const int error =
        writeCurrentRow(QStringLiteral("DELETE FROM ") + m_source.table + whereCurrentKey(), {});
    if (error == DatabaseError::None || error == DatabaseError::RowDeleted) {
        m_deleted[m_position] = true;
        forgetPages();
    }
    return error;
}

int DataControl::addToField(const QString& name, qint64 n)
{
    if (m_editMode == EditMode::Adding)
        cancelUpdate();
    if (int error = checkCurrentRowWritable(); error != DatabaseError::None)
        return error;
    const int column = columnIndex(name);
    if (column < 0)
        return DatabaseError::ItemNotFound;
    const QString columnName = m_columnNames.at(column);
    if (!isIntegerColumn(columnName))
        return DatabaseError::ValueNotAllowed;
    const int error =
        writeCurrentRow(QStringLiteral("UPDATE ") + m_source.table + QStringLiteral(" SET ") +
                            columnName + QStringLiteral(" = coalesce(") + columnName +
                            QStringLiteral(", 0) + ?") + whereCurrentKey(),
                        {n});
    if (error == DatabaseError::RowDeleted)
        m_deleted[m_position] = true;
    forgetPages();
    return error;
}
