#include "database/DataControl.h"

#include "database/DatabaseErrors.h"
#include "database/DatabaseFile.h"
#include "database/DateText.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
// Rows per page, and pages kept: a few screens' worth, whatever the size of the set.
constexpr int pageSize = 100;
constexpr int pagesKept = 32;

bool isIntegerColumn(const QString& column)
{
    return column == QLatin1String("IdCliente") || column == QLatin1String("IdLlamada") ||
           column == QLatin1String("Cliente") || column == QLatin1String("Puesto") ||
           column == QLatin1String("CantLlamadas");
}

QVariant fromStored(const QString& column, const QVariant& raw)
{
    if (raw.isNull())
        return {};
    if (column == QLatin1String("Fecha"))
        return DateText::dateTimeFromStored(raw.toString());
    if (column == QLatin1String("FIngreso"))
        return DateText::dateFromStored(raw.toString());
    if (column == QLatin1String("Alerta"))
        return raw.toLongLong() != 0;
    if (isIntegerColumn(column))
        return raw.toLongLong();
    return raw.toString();
}

// The stored form of a value given to setField(); an invalid QVariant when it cannot be read.
QVariant toStored(const QString& column, const QVariant& value, bool* ok)
{
    *ok = true;
    if (column == QLatin1String("Alerta"))
        return value.isNull() ? 0 : (value.toBool() ? 1 : 0);
    if (value.isNull())
        return QVariant(QMetaType::fromType<QString>());
    if (column == QLatin1String("Fecha") || column == QLatin1String("FIngreso")) {
        const bool dayOnly = column == QLatin1String("FIngreso");
        QDateTime moment;
        if (value.typeId() == QMetaType::QDateTime) {
            moment = value.toDateTime();
        } else if (value.typeId() == QMetaType::QDate) {
            moment = QDateTime(value.toDate(), QTime(0, 0));
        } else {
            // Text as the workstation writes it (its regional form), or already in stored form.
            const QString text = value.toString().trimmed();
            moment = DateText::dateTimeFromRegional(text);
            if (!moment.isValid())
                moment = QDateTime(DateText::dateFromRegional(text), QTime(0, 0));
            if (!moment.isValid())
                moment = DateText::dateTimeFromStored(text);
        }
        if (!moment.isValid()) {
            *ok = false;
            return {};
        }
        return dayOnly ? DateText::storedDate(moment.date()) : DateText::storedDateTime(moment);
    }
    if (isIntegerColumn(column)) {
        const qint64 number = value.toLongLong(ok);
        return *ok ? QVariant(number) : QVariant();
    }
    return value.toString();
}

QString unqualified(const QString& qualified)
{
    const qsizetype dot = qualified.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? qualified : qualified.mid(dot + 1);
}
} // namespace

DataControl::DataControl(QObject* parent)
    : QObject(parent)
{}

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
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        m_columnNames.append(record.fieldName(i));
    query.finish();
    return DatabaseError::None;
}

void DataControl::clearSet()
{
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
            // The keys, read to the end at once: the read lock ends with this call.
            error = m_connection.readKeys(m_source, &m_keys);
            m_deleted = QList<bool>(m_keys.size(), false);
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
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT ") + m_source.keyColumn + QStringLiteral(", ") +
                       m_source.columns + QStringLiteral(" FROM ") + m_source.from +
                       QStringLiteral(" WHERE ") + m_source.keyColumn + QStringLiteral(" IN (") +
                       placeholders + QLatin1Char(')')))
        return errorNumberFor(query.lastError());
    for (int i = 0; i < count; ++i)
        query.addBindValue(m_keys.at(first + i));
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

int DataControl::finishMove(int newPosition)
{
    cancelUpdate();
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
    return isEmpty() ? DatabaseError::NoCurrentRow : finishMove(recordCount() - 1);
}

int DataControl::moveNext()
{
    return isEOF() ? DatabaseError::NoCurrentRow : finishMove(m_position + 1);
}

int DataControl::movePrevious()
{
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
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT ") + m_source.columns + QStringLiteral(" FROM ") +
                       m_source.from + QStringLiteral(" WHERE ") + m_source.keyColumn +
                       QStringLiteral(" = ?")))
        return errorNumberFor(query.lastError());
    query.addBindValue(key);
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
    QSqlQuery query(m_connection.database());
    if (!query.prepare(sql))
        return errorNumberFor(query.lastError());
    for (const QVariant& value : values)
        query.addBindValue(value);
    query.addBindValue(currentKey());
    if (!query.exec())
        return errorNumberFor(query.lastError());
    // Nothing touched: another workstation deleted the row.
    return query.numRowsAffected() == 0 ? DatabaseError::RowDeleted : DatabaseError::None;
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
                      QStringLiteral(" DEFAULT VALUES"));
    } else {
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        query.prepare(QStringLiteral("INSERT INTO ") + m_source.table + QStringLiteral(" (") +
                      columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                      marks.join(QStringLiteral(", ")) + QLatin1Char(')'));
        for (const QVariant& value : values)
            query.addBindValue(value);
    }
    int error = DatabaseError::None;
    qint64 newKey = 0;
    if (!query.exec())
        error = errorNumberFor(query.lastError());
    else
        newKey = query.lastInsertId().toLongLong();
    query.finish();
    error = endOwnWrite(owns, error);
    if (error != DatabaseError::None)
        return error;

    // Like a dynaset: the new row joins the end of the set; the current row stays (at EOF it
    // stays at EOF).
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
