#include "maintenance/Salvage.h"

#include "DatabaseSchema.h"
#include "maintenance/PageSalvage.h"
#include "maintenance/SalvageRules.h"
#include "maintenance/SqliteFile.h"
#include "maintenance/SqlitePages.h"

#include <QStringList>

#include <sqlite3.h>

namespace {
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

QString textColumn(sqlite3_stmt* statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)));
}

void bindValue(sqlite3_stmt* statement, int parameter, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::LongLong:
        sqlite3_bind_int64(statement, parameter, value.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(statement, parameter, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob64(statement, parameter, bytes.constData(),
                            static_cast<sqlite3_uint64>(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QString: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text64(statement, parameter, text.constData(),
                            static_cast<sqlite3_uint64>(text.size()), SQLITE_TRANSIENT,
                            SQLITE_UTF8);
        break;
    }
    default:
        sqlite3_bind_null(statement, parameter);
    }
}

// Puts the rows read from one table of the damaged file into the fresh file's table.
class TableFiller
{
public:
    TableFiller(SqliteFile& target, const QString& table)
        : m_target(target)
        , m_table(table)
        , m_columns(columnsOf(target, table))
        , m_insert(target.handle(),
                   QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                       m_columns.join(u',') + QStringLiteral(") VALUES (") +
                       QStringList(m_columns.size(), QStringLiteral("?")).join(u',') + u')')
    {}

    [[nodiscard]] int columnCount() const { return static_cast<int>(m_columns.size()); }

    void insert(qint64 key, QVariantList values)
    {
        values.resize(m_columns.size());
        values[0] = key;
        const bool madeValid = fitToTableRules(m_table, m_columns, values);
        for (int i = 0; i < values.size(); ++i)
            bindValue(*m_insert, i + 1, values.at(i));
        if (sqlite3_step(*m_insert) == SQLITE_DONE) {
            ++saved;
            if (madeValid)
                ++corrected;
        } else if (sqlite3_extended_errcode(m_target.handle()) != SQLITE_CONSTRAINT_PRIMARYKEY) {
            // A key already saved is the same row read twice; anything else is a row lost.
            ++refused;
        }
        sqlite3_reset(*m_insert);
    }

    qint64 saved = 0;
    qint64 corrected = 0;
    qint64 refused = 0;

private:
    static QStringList columnsOf(SqliteFile& file, const QString& table)
    {
        QStringList columns;
        Statement info(file.handle(), QStringLiteral("PRAGMA table_info(") + table + u')');
        while (info.isValid() && sqlite3_step(*info) == SQLITE_ROW)
            columns.append(textColumn(*info, 1));
        return columns;
    }

    SqliteFile& m_target;
    QString m_table;
    QStringList m_columns;
    Statement m_insert;
};

// The indexes of the fresh file, dropped before the rows go in and built once they are all in.
QStringList takeIndexesOut(SqliteFile& target)
{
    QStringList creates;
    QStringList names;
    Statement list(target.handle(), QStringLiteral("SELECT name, sql FROM sqlite_master WHERE "
                                                   "type = 'index' AND sql IS NOT NULL"));
    while (list.isValid() && sqlite3_step(*list) == SQLITE_ROW) {
        names.append(textColumn(*list, 0));
        creates.append(textColumn(*list, 1));
    }
    for (const QString& name : names)
        target.exec(QStringLiteral("DROP INDEX ") + name);
    return creates;
}

// A deleted row's key is never given again: the counter of the damaged file, where it can be
// read, carries over when it is ahead of the rows saved.
void carryKeyCounter(SqliteFile& target, const QString& table, qint64 counter)
{
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

SalvageReport salvageDatabase(const QString& source, const QString& target,
                              const MaintenanceProgress& progress)
{
    SalvageReport report;
    SqlitePages damaged;
    if (!damaged.open(source)) {
        report.detail = QStringLiteral("not a database at any page size");
        return report;
    }
    SqliteFile fresh;
    if (fresh.create(target) != SQLITE_OK ||
        fresh.exec(QString::fromUtf8(databaseSchemaSql)) != SQLITE_OK) {
        report.detail = QStringLiteral("cannot build the fresh file: ") + fresh.errorText();
        return report;
    }
    const QStringList indexes = takeIndexesOut(fresh);
    fresh.exec(QStringLiteral("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN"));

    TableFiller clientes(fresh, QStringLiteral("Clientes"));
    TableFiller llamadas(fresh, QStringLiteral("Llamadas"));
    TableToRead toClientes{QStringLiteral("Clientes"), clientes.columnCount(),
                           [&](qint64 key, const QVariantList& values) {
                               clientes.insert(key, values);
                           }};
    TableToRead toLlamadas{QStringLiteral("Llamadas"), llamadas.columnCount(),
                           [&](qint64 key, const QVariantList& values) {
                               llamadas.insert(key, values);
                           }};
    report.damagedParts =
        readTablesFromPages(damaged, {&toClientes, &toLlamadas}, [&](qint64 done, qint64 total) {
            if (progress)
                progress(QStringLiteral("Recuperando clientes y llamadas…"),
                         static_cast<int>(std::min<qint64>(999, 1000 * done / total)));
        });
    report.tablesRead = int(toClientes.found) + int(toLlamadas.found);
    report.clientes = clientes.saved;
    report.llamadas = llamadas.saved;
    report.correctedClientes = clientes.corrected;
    report.correctedLlamadas = llamadas.corrected;
    report.refused = clientes.refused + llamadas.refused;
    carryKeyCounter(fresh, toClientes.name, toClientes.keyCounter);
    carryKeyCounter(fresh, toLlamadas.name, toLlamadas.keyCounter);

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
