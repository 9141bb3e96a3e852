#include "database/DatabaseConnection.h"
#include "database/DatabaseErrors.h"
#include "database/FieldValues.h"
#include "database/Presence.h"
#include "database/ServerAddress.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

// The connection to the office's database server.

namespace {
// How long an open waits for a server that does not answer: a workstation whose server is
// gone sends its calls to the outbox instead of hanging.
constexpr int connectTimeoutSeconds = 3;

// libpq reports a refused open as text only, in the client's or the server's language, with
// no code. These words tell the cases apart in English and Spanish; anything else is taken as
// a server that could not be reached.
int openFailure(const QString& text)
{
    const QString lower = text.toLower();
    const auto has = [&lower](const char* word) {
        return lower.contains(QLatin1String(word));
    };
    if ((has("database") || has("base de datos")) && (has("does not exist") || has("no existe")))
        return DatabaseError::FileNotFound;
    if (has("password") || has("contraseña") || has("authentication") || has("autentificación") ||
        has("autenticación") || has("role") || has("rol "))
        return DatabaseError::NoPermission;
    return DatabaseError::PathNotFound;
}
// Opens the named connection to the server and readies it; 0 or the error, with its text.
int connectServer(const QString& connectionName, const ServerAddress& server,
                  DatabaseConnection::Access access, int busyTimeoutMs, QString* errorText)
{
    const auto fail = [errorText](const QSqlError& error) {
        *errorText = error.text();
        const int number = errorNumberFor(error);
        return number == DatabaseError::None ? DatabaseError::ReservedError : number;
    };
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    if (!db.isValid()) {
        *errorText = QStringLiteral("The PostgreSQL driver of Qt (QPSQL) is not installed");
        return DatabaseError::PathNotFound;
    }
    applyServerAddress(db, server, connectTimeoutSeconds);
    if (!db.open()) {
        *errorText = db.lastError().text();
        return openFailure(*errorText);
    }
    QSqlQuery setup(db);
    // The busy timeout is a number of the program's, never text from elsewhere.
    QStringList settings = {QStringLiteral("SET lock_timeout = ") + QString::number(busyTimeoutMs)};
    if (access == DatabaseConnection::Access::ReadOnly)
        settings << QStringLiteral("SET default_transaction_read_only = on");
    for (const QString& setting : settings) {
        if (!setup.exec(setting))
            return fail(setup.lastError());
    }
    // A database without our two tables is not ours.
    if (!setup.exec(QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = "
                                   "current_schema() AND tablename IN ('clientes', 'llamadas')")) ||
        !setup.next())
        return fail(setup.lastError());
    if (setup.value(0).toInt() != 2) {
        *errorText = QStringLiteral("The database has no Clientes and Llamadas tables");
        return DatabaseError::NotADatabase;
    }
    return DatabaseError::None;
}

} // namespace

int DatabaseConnection::open(const ServerAddress& server, Access access, int busyTimeoutMs)
{
    close();
    m_lastErrorText.clear();
    m_lastNativeCode = 0;
    m_engine = Engine::Server;
    m_access = access;
    m_busyTimeoutMs = busyTimeoutMs;
    if (!server.isSet())
        return DatabaseError::PathNotFound;
    m_filePath = server.toDatabaseName();
    m_connectionName = newConnectionName();
    // Closing removes the connection, which no handle of it may outlive.
    const int error =
        connectServer(m_connectionName, server, access, busyTimeoutMs, &m_lastErrorText);
    if (error != DatabaseError::None)
        close();
    else
        m_schemaVersion = 1;
    return error;
}

QStringList DatabaseConnection::columnNamesOf(const QSqlRecord& record)
{
    QStringList names;
    names.reserve(record.count());
    for (int i = 0; i < record.count(); ++i)
        names.append(FieldValues::programColumnName(record.fieldName(i)));
    return names;
}
