#include "Migration.h"

#include "database/DatabaseConnection.h"
#include "database/DatabaseFile.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <libpq-fe.h>
#include <memory>
#include <vector>

namespace {

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// What each table's copy reads from the file and where it goes on the server, column for
// column, in key order.
struct TableCopy
{
    const char* sourceQuery;
    const char* targetCopy;
    const char* sequenceOf; // table and key column whose sequence must pass the file's keys
    const char* keyColumn;
    const char* sourceName; // the table's name in the file's sqlite_sequence
};

const TableCopy clientsCopy{
    "SELECT IdCliente, Nombre, Domicilio, Telefono, Observaciones, Alerta, CantLlamadas, "
    "FIngreso FROM Clientes ORDER BY IdCliente",
    "COPY clientes (idcliente, nombre, domicilio, telefono, observaciones, alerta, cantllamadas, "
    "fingreso) FROM STDIN",
    "clientes", "idcliente", "Clientes"};
const TableCopy callsCopy{
    "SELECT IdLlamada, Cliente, Fecha, Puesto FROM Llamadas ORDER BY IdLlamada",
    "COPY llamadas (idllamada, cliente, fecha, puesto) FROM STDIN", "llamadas", "idllamada",
    "Llamadas"};

// Rows go to the server in pieces of about this size.
constexpr qsizetype copyChunkBytes = 512 * 1024;

// One value in COPY's text form: NULL as \N, and the characters that end a field or a row
// escaped, so that a value is data and never syntax.
void appendField(QByteArray& row, const QVariant& value)
{
    if (value.isNull()) {
        row += "\\N";
        return;
    }
    const QByteArray text = value.toString().toUtf8();
    for (const char c : text) {
        switch (c) {
        case '\\':
            row += "\\\\";
            break;
        case '\t':
            row += "\\t";
            break;
        case '\n':
            row += "\\n";
            break;
        case '\r':
            row += "\\r";
            break;
        default:
            row += c;
        }
    }
}

class ServerSession
{
public:
    explicit ServerSession(PGconn* connection)
        : m_connection(connection)
    {}

    bool execute(const char* sql, const std::vector<QByteArray>& values = {},
                 Result* rows = nullptr)
    {
        std::vector<const char*> pointers;
        for (const QByteArray& value : values)
            pointers.push_back(value.constData());
        Result result(PQexecParams(m_connection, sql, int(pointers.size()), nullptr,
                                   pointers.data(), nullptr, nullptr, 0),
                      &PQclear);
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            return fail(result.get());
        if (rows)
            *rows = std::move(result);
        return true;
    }

    qint64 number(const char* sql, const std::vector<QByteArray>& values = {}, bool* ok = nullptr)
    {
        Result rows(nullptr, &PQclear);
        const bool done = execute(sql, values, &rows) && PQntuples(rows.get()) == 1;
        if (ok)
            *ok = done;
        return done ? QByteArray(PQgetvalue(rows.get(), 0, 0)).toLongLong() : 0;
    }

    bool startCopy(const char* sql)
    {
        const Result result(PQexec(m_connection, sql), &PQclear);
        if (PQresultStatus(result.get()) != PGRES_COPY_IN)
            return fail(result.get());
        return true;
    }

    bool send(const QByteArray& data)
    {
        if (PQputCopyData(m_connection, data.constData(), int(data.size())) == 1)
            return true;
        m_error = QString::fromUtf8(PQerrorMessage(m_connection)).simplified();
        return false;
    }

    // Ends the copy; with an error text, abandons it.
    bool endCopy(const char* abandon = nullptr)
    {
        bool ended = PQputCopyEnd(m_connection, abandon) == 1;
        while (Result result{PQgetResult(m_connection), &PQclear}) {
            if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
                ended = abandon == nullptr ? fail(result.get()) : false;
        }
        return ended && abandon == nullptr;
    }

    [[nodiscard]] QString error() const { return m_error; }

private:
    bool fail(const PGresult* result)
    {
        m_error =
            QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(m_connection))
                .simplified();
        if (m_error.isEmpty())
            m_error = QString::fromUtf8(PQerrorMessage(m_connection)).simplified();
        return false;
    }

    PGconn* m_connection;
    QString m_error;
};

PGconn* libpqHandle(QSqlDatabase& database)
{
    const QVariant handle = database.driver()->handle();
    // The driver names the type by libpq's struct.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

} // namespace

Migration::Migration(QString sourcePath, QSqlDatabase& target, Progress progress)
    : m_sourcePath(std::move(sourcePath))
    , m_target(target)
    , m_progress(std::move(progress))
{}

bool Migration::run()
{
    const QString shownPath = QDir::toNativeSeparators(m_sourcePath);
    DatabaseConnection source;
    if (const int error =
            source.open(resolveFileNameCase(m_sourcePath), DatabaseConnection::Access::ReadOnly,
                        DatabaseConnection::defaultBusyTimeoutMs, false)) {
        m_problem = QStringLiteral("no se pudo abrir «%1» (error %2)").arg(shownPath).arg(error);
        return false;
    }
    QSqlQuery sourceQuery(source.database());
    sourceQuery.setForwardOnly(true);
    // One read transaction: clients and calls as they were at one moment.
    if (!sourceQuery.exec(ourTablesCountSql()) || !sourceQuery.next() ||
        sourceQuery.value(0).toInt() != 2 || !sourceQuery.exec(QStringLiteral("BEGIN"))) {
        m_problem = QStringLiteral("«%1» no es una base de datos de Llamora").arg(shownPath);
        return false;
    }
    const auto sourceNumber = [&](const QString& sql) {
        return sourceQuery.exec(sql) && sourceQuery.next() ? sourceQuery.value(0).toLongLong() : -1;
    };
    const Counts inFile{sourceNumber(QStringLiteral("SELECT count(*) FROM Clientes")),
                        sourceNumber(QStringLiteral("SELECT count(*) FROM Llamadas"))};
    if (inFile.clients < 0 || inFile.calls < 0) {
        m_problem = QStringLiteral("no se pudo leer «%1»").arg(shownPath);
        return false;
    }

    PGconn* connection = libpqHandle(m_target);
    if (connection == nullptr) {
        m_problem = QStringLiteral("la conexión con el servidor no es de PostgreSQL");
        return false;
    }
    ServerSession server(connection);
    const auto failed = [&](const QString& what) {
        m_problem = what + QStringLiteral(": ") + server.error();
        server.execute("ROLLBACK");
        return false;
    };
    // No workstation writes while the copy runs, and a second copy waits for this one.
    if (!server.execute("BEGIN") ||
        !server.execute("LOCK TABLE clientes, llamadas IN EXCLUSIVE MODE"))
        return failed(QStringLiteral("el servidor no dejó empezar la copia"));
    bool ok = false;
    const qint64 callsThere = server.number("SELECT count(*) FROM llamadas", {}, &ok);
    const qint64 clientsThere = ok ? server.number("SELECT count(*) FROM clientes", {}, &ok) : 0;
    if (!ok)
        return failed(QStringLiteral("no se pudo leer el servidor"));
    if (callsThere > 0 || clientsThere > 0) {
        server.execute("ROLLBACK");
        m_problem = QStringLiteral("la base de datos del servidor ya tiene datos (%1 clientes, %2 "
                                   "llamadas); la copia solo se hace a una base vacía")
                        .arg(clientsThere)
                        .arg(callsThere);
        return false;
    }

    const qint64 total = inFile.clients + inFile.calls;
    qint64 done = 0;
    for (const TableCopy* table : {&clientsCopy, &callsCopy}) {
        if (!sourceQuery.exec(QString::fromLatin1(table->sourceQuery)))
            return failed(QStringLiteral("no se pudo leer «%1»").arg(shownPath));
        if (!server.startCopy(table->targetCopy))
            return failed(QStringLiteral("el servidor rechazó la copia"));
        const int columns = sourceQuery.record().count();
        QByteArray chunk;
        chunk.reserve(copyChunkBytes + 4096);
        qint64 rows = 0;
        while (sourceQuery.next()) {
            for (int column = 0; column < columns; ++column) {
                if (column > 0)
                    chunk += '\t';
                appendField(chunk, sourceQuery.value(column));
            }
            chunk += '\n';
            ++rows;
            if (chunk.size() >= copyChunkBytes) {
                if (!server.send(chunk)) {
                    server.endCopy("envío interrumpido");
                    return failed(QStringLiteral("se cortó la copia"));
                }
                chunk.clear();
                m_progress(done + rows, total);
            }
        }
        if ((!chunk.isEmpty() && !server.send(chunk)) || !server.endCopy())
            return failed(QStringLiteral("el servidor rechazó una fila"));
        done += rows;
        m_progress(done, total);
        (table == &clientsCopy ? m_copied.clients : m_copied.calls) = rows;

        // The next key given is past every key the file ever gave, deleted ones included.
        const qint64 lastKey = sourceNumber(
            QStringLiteral("SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = "
                           "'%1'), 0), coalesce((SELECT max(%2) FROM %1), 0))")
                .arg(QLatin1String(table->sourceName), QLatin1String(table->keyColumn)));
        if (lastKey < 0)
            return failed(QStringLiteral("no se pudo leer «%1»").arg(shownPath));
        if (!server.execute("SELECT setval(pg_get_serial_sequence($1, $2), $3, $4)",
                            {QByteArray(table->sequenceOf), QByteArray(table->keyColumn),
                             QByteArray::number(qMax<qint64>(lastKey, 1)),
                             lastKey > 0 ? QByteArray("true") : QByteArray("false")}))
            return failed(QStringLiteral("no se pudo ajustar la numeración"));
    }

    const qint64 clientsCopied = server.number("SELECT count(*) FROM clientes", {}, &ok);
    const qint64 callsCopied = ok ? server.number("SELECT count(*) FROM llamadas", {}, &ok) : 0;
    if (!ok)
        return failed(QStringLiteral("no se pudieron contar las filas copiadas"));
    if (clientsCopied != inFile.clients || callsCopied != inFile.calls ||
        m_copied.clients != inFile.clients || m_copied.calls != inFile.calls) {
        server.execute("ROLLBACK");
        m_problem = QStringLiteral("las cuentas no coinciden: el archivo tiene %1 clientes y %2 "
                                   "llamadas, el servidor recibió %3 y %4; no se copió nada")
                        .arg(inFile.clients)
                        .arg(inFile.calls)
                        .arg(clientsCopied)
                        .arg(callsCopied);
        return false;
    }
    if (!server.execute("COMMIT"))
        return failed(QStringLiteral("el servidor no confirmó la copia"));
    // Without statistics the server plans the lists blind until its own vacuum comes round, and
    // without the visibility map it reads every row where the indexes alone would do.
    m_analyzed = server.execute("VACUUM (ANALYZE) clientes, llamadas");
    return true;
}
