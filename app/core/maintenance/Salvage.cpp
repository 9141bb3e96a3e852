#include "maintenance/Salvage.h"

#include "DatabaseSchema.h"
#include "database/DatabaseFile.h"
#include "maintenance/FileReplacement.h"
#include "maintenance/SqliteFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <limits>
#include <optional>
#include <sqlite3.h>

namespace {
constexpr qint64 firstKey = std::numeric_limits<qint64>::min();
constexpr qint64 lastKey = std::numeric_limits<qint64>::max();
constexpr int progressEvery = 20000;

bool readsTables(SqliteFile& file)
{
    return file.scalar(ourTablesCountSql(), 0) > 0;
}

void putBigEndian(QByteArray& header, int offset, quint32 value, int size)
{
    for (int i = size - 1; i >= 0; --i) {
        header[offset + i] = static_cast<char>(value & 0xff);
        value >>= 8;
    }
}

// The 100 bytes at the start of a database file: our settings (rollback journal, UTF-8, no auto
// vacuum, schema format 4), no free pages, and the size taken from the file.
QByteArray rebuiltHeader(int pageSize, quint32 pageCount)
{
    QByteArray header(100, '\0');
    header.replace(0, 16, QByteArray("SQLite format 3\0", 16));
    putBigEndian(header, 16, pageSize == 65536 ? 1 : static_cast<quint32>(pageSize), 2);
    header[18] = 1; // rollback journal, for writing and reading
    header[19] = 1;
    header[21] = 64; // payload fractions, fixed
    header[22] = 32;
    header[23] = 32;
    putBigEndian(header, 24, 1, 4); // change counter
    putBigEndian(header, 28, pageCount, 4);
    putBigEndian(header, 40, 1, 4); // schema cookie
    putBigEndian(header, 44, 4, 4); // schema format
    putBigEndian(header, 56, 1, 4); // UTF-8
    putBigEndian(header, 60, 1, 4); // user version of our schema
    putBigEndian(header, 92, 1, 4); // the size above is valid for change counter 1
    putBigEndian(header, 96, SQLITE_VERSION_NUMBER, 4);
    return header;
}

// A copy of source with a rebuilt header, for a file whose header cannot be read. Every page size
// the engine allows is tried until the tables can be read.
bool restoreHeader(const QString& source, const QString& scratch, SqliteFile* reader)
{
    removeIfPresent(scratch);
    if (!QFile::copy(source, scratch))
        return false;
    QFile::setPermissions(scratch, QFile::ReadOwner | QFile::WriteOwner);
    const qint64 size = QFileInfo(scratch).size();
    for (const int pageSize : {4096, 1024, 2048, 8192, 16384, 32768, 65536, 512}) {
        if (size < pageSize || size % pageSize != 0)
            continue;
        {
            QFile file(scratch);
            if (!file.open(QIODevice::ReadWrite) ||
                file.write(rebuiltHeader(pageSize, static_cast<quint32>(size / pageSize))) != 100)
                return false;
        }
        if (reader->openImmutable(scratch) == SQLITE_OK && readsTables(*reader))
            return true;
        reader->close();
    }
    return false;
}

class Statement
{
public:
    Statement(sqlite3* connection, const QString& sql)
    {
        sqlite3_prepare_v2(connection, sql.toUtf8().constData(), -1, &m_statement, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    [[nodiscard]] bool isValid() const { return m_statement != nullptr; }
    sqlite3_stmt* operator*() const { return m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

// Reads one table of the damaged file, part by part.
class TableSalvage
{
public:
    TableSalvage(SqliteFile& source, SqliteFile& target, const QString& table,
                 const QStringList& columns)
        : m_target(target)
        , m_read(source.handle(), QStringLiteral("SELECT _rowid_, ") + columns.join(u',') +
                                      QStringLiteral(" FROM ") + table +
                                      QStringLiteral(" WHERE _rowid_ >= ?1 ORDER BY _rowid_"))
        , m_probe(source.handle(), QStringLiteral("SELECT _rowid_ FROM ") + table +
                                       QStringLiteral(" WHERE _rowid_ >= ?1 ORDER BY _rowid_ "
                                                      "LIMIT 1"))
        , m_insert(target.handle(),
                   QStringLiteral("INSERT OR IGNORE INTO ") + table + QStringLiteral(" (") +
                       columns.join(u',') + QStringLiteral(") VALUES (") +
                       QStringList(columns.size(), QStringLiteral("?")).join(u',') +
                       QStringLiteral(")"))
        , m_columnCount(static_cast<int>(columns.size()))
    {}

    // Copies what can be read; false when no part of the table could be read.
    bool run(const std::function<void(qint64 key)>& onProgress)
    {
        if (!m_read.isValid() || !m_probe.isValid() || !m_insert.isValid())
            return false;
        bool anyPartRead = false;
        qint64 next = firstKey;
        qint64 sinceReport = 0;
        for (;;) {
            sqlite3_bind_int64(*m_read, 1, next);
            int code = SQLITE_OK;
            bool readHere = false;
            while ((code = sqlite3_step(*m_read)) == SQLITE_ROW) {
                readHere = true;
                const qint64 key = sqlite3_column_int64(*m_read, 0);
                copyRow();
                if (++sinceReport == progressEvery) {
                    sinceReport = 0;
                    onProgress(key);
                }
                if (key == lastKey) {
                    code = SQLITE_DONE;
                    break;
                }
                next = key + 1;
            }
            sqlite3_reset(*m_read);
            anyPartRead = anyPartRead || readHere || code == SQLITE_DONE;
            if (code == SQLITE_DONE)
                return anyPartRead;
            const std::optional<qint64> resume = firstReadableFrom(next);
            if (!resume)
                return anyPartRead;
            ++damagedParts;
            next = *resume;
        }
    }

    qint64 saved = 0;
    int damagedParts = 0;

private:
    void copyRow()
    {
        for (int column = 0; column < m_columnCount; ++column)
            sqlite3_bind_value(*m_insert, column + 1, sqlite3_column_value(*m_read, column + 1));
        if (sqlite3_step(*m_insert) == SQLITE_DONE && sqlite3_changes(m_target.handle()) > 0)
            ++saved;
        sqlite3_reset(*m_insert);
    }

    bool readableFrom(qint64 key)
    {
        sqlite3_bind_int64(*m_probe, 1, key);
        const int code = sqlite3_step(*m_probe);
        sqlite3_reset(*m_probe);
        return code == SQLITE_ROW || code == SQLITE_DONE;
    }

    // The first key from which the table reads again after failing at from: probes 1, 2, 4, ...
    // keys ahead until one reads, then narrows back to the first that does.
    std::optional<qint64> firstReadableFrom(qint64 from)
    {
        // Unsigned: from may be the smallest key there is, and the distance the whole range.
        const quint64 distance = static_cast<quint64>(lastKey) - static_cast<quint64>(from);
        qint64 failing = from;
        qint64 reading = lastKey;
        for (quint64 step = 1;;) {
            const bool past = step >= distance;
            const qint64 key =
                past ? lastKey : static_cast<qint64>(static_cast<quint64>(from) + step);
            if (readableFrom(key)) {
                reading = key;
                break;
            }
            if (past)
                return std::nullopt;
            failing = key;
            step = step > distance / 2 ? distance : step * 2;
        }
        const auto gap = [&] {
            return static_cast<quint64>(reading) - static_cast<quint64>(failing);
        };
        while (gap() > 1) {
            const auto middle = static_cast<qint64>(static_cast<quint64>(failing) + gap() / 2);
            if (readableFrom(middle))
                reading = middle;
            else
                failing = middle;
        }
        return reading;
    }

    SqliteFile& m_target;
    Statement m_read;
    Statement m_probe;
    Statement m_insert;
    int m_columnCount = 0;
};

QStringList columnsOf(SqliteFile& file, const QString& table)
{
    QStringList columns;
    Statement info(file.handle(), QStringLiteral("PRAGMA table_info(") + table + u')');
    while (info.isValid() && sqlite3_step(*info) == SQLITE_ROW)
        columns.append(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(*info, 1))));
    return columns;
}

// The indexes of the fresh file, dropped before the rows go in and built once they are all in.
QStringList takeIndexesOut(SqliteFile& target)
{
    QStringList creates;
    QStringList names;
    Statement list(target.handle(), QStringLiteral("SELECT name, sql FROM sqlite_master WHERE "
                                                   "type = 'index' AND sql IS NOT NULL"));
    while (list.isValid() && sqlite3_step(*list) == SQLITE_ROW) {
        names.append(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(*list, 0))));
        creates.append(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(*list, 1))));
    }
    for (const QString& name : names)
        target.exec(QStringLiteral("DROP INDEX ") + name);
    return creates;
}

// A deleted row's key is never given again: the counter of the damaged file, where it can be
// read, carries over when it is ahead of the rows saved.
void carryKeyCounter(SqliteFile& source, SqliteFile& target, const QString& table)
{
    const qint64 counter = source.scalar(
        QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ") + sqlLiteral(table));
    if (counter <= 0)
        return;
    target.exec(QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, %1) WHERE name = %2")
                    .arg(counter)
                    .arg(sqlLiteral(table)));
    if (sqlite3_changes(target.handle()) == 0)
        target.exec(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (%1, %2)")
                        .arg(sqlLiteral(table))
                        .arg(counter));
}
} // namespace

SalvageReport salvageDatabase(const QString& source, const QString& target, const QString& scratch,
                              const MaintenanceProgress& progress)
{
    SalvageReport report;
    SqliteFile fresh;
    if (fresh.create(target) != SQLITE_OK ||
        fresh.exec(QString::fromUtf8(databaseSchemaSql)) != SQLITE_OK) {
        report.detail = QStringLiteral("cannot build the fresh file: ") + fresh.errorText();
        return report;
    }
    const QStringList indexes = takeIndexesOut(fresh);
    fresh.exec(QStringLiteral("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN"));

    SqliteFile damaged;
    if (damaged.openImmutable(source) != SQLITE_OK || !readsTables(damaged)) {
        damaged.close();
        report.headerRestored = restoreHeader(source, scratch, &damaged);
        if (!report.headerRestored) {
            report.detail = QStringLiteral("no table can be read");
            return report;
        }
    }

    const QString tables[] = {QStringLiteral("Clientes"), QStringLiteral("Llamadas")};
    for (int t = 0; t < 2; ++t) {
        const QString& table = tables[t];
        const qint64 highest = std::max<qint64>(
            1, damaged.scalar(QStringLiteral("SELECT max(_rowid_) FROM ") + table, 1));
        TableSalvage salvage(damaged, fresh, table, columnsOf(fresh, table));
        const bool read = salvage.run([&](qint64 key) {
            if (progress)
                progress(
                    QStringLiteral("Recuperando ") + table.toLower() + QStringLiteral("…"),
                    static_cast<int>(500 * t + 500 * std::min<qint64>(key, highest) / highest));
        });
        if (read)
            ++report.tablesRead;
        (t == 0 ? report.clientes : report.llamadas) = salvage.saved;
        report.damagedParts += salvage.damagedParts;
        carryKeyCounter(damaged, fresh, table);
    }
    damaged.close();
    if (progress)
        progress(QStringLiteral("Reconstruyendo los índices…"), 1000);
    int code = fresh.exec(QStringLiteral("COMMIT"));
    for (const QString& create : indexes) {
        if (code == SQLITE_OK)
            code = fresh.exec(create);
    }
    if (code != SQLITE_OK) {
        report.detail = QStringLiteral("cannot finish the fresh file: ") + fresh.errorText();
        report.tablesRead = 0;
    }
    return report;
}
