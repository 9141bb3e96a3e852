#include "server/ServerProbe.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <libpq-fe.h>
#include <memory>
#include <optional>
#include <vector>

namespace {

// The database every server has, where a user who may connect at all can ask which
// databases exist.
const QString maintenanceDatabase = QStringLiteral("postgres");

struct ConnectionDeleter
{
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
using Connection = std::unique_ptr<PGconn, ConnectionDeleter>;

// libpq's keywords for the address; every value goes in as a value, never into a text of
// options, so nothing in a name can add an option of its own.
class ConnectionParameters
{
public:
    ConnectionParameters(const ServerAddress& address, const QString& database,
                         const QString& password)
    {
        add("host", address.host.trimmed());
        add("port", QString::number(address.port));
        add("dbname", database);
        add("user", address.user.trimmed());
        add("password", password);
        add("sslmode", address.sslMode);
        add("connect_timeout", QString::number(probeTimeoutSeconds));
        add("application_name", QStringLiteral("llamora"));
        m_keywords.push_back(nullptr);
        for (const QByteArray& value : m_values)
            m_valuePointers.push_back(value.constData());
        m_valuePointers.push_back(nullptr);
    }

    [[nodiscard]] const char* const* keywords() const { return m_keywords.data(); }
    [[nodiscard]] const char* const* values() const { return m_valuePointers.data(); }

private:
    void add(const char* keyword, const QString& value)
    {
        if (value.isEmpty())
            return;
        m_keywords.push_back(keyword);
        m_values.push_back(value.toUtf8());
    }

    std::vector<const char*> m_keywords;
    std::vector<QByteArray> m_values;
    std::vector<const char*> m_valuePointers;
};

Connection connect(const ServerAddress& address, const QString& database, const QString& password)
{
    const ConnectionParameters parameters(address, database, password);
    return Connection(PQconnectdbParams(parameters.keywords(), parameters.values(), 0));
}

QString serverMessage(PGconn* connection)
{
    return QString::fromUtf8(PQerrorMessage(connection)).simplified();
}

QString hostText(const ServerAddress& address)
{
    const QString host = address.host.trimmed();
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

ServerProbe passwordRefused(const ServerAddress& address, bool passwordGiven)
{
    const QString user = address.user.trimmed();
    if (!passwordGiven)
        return {ServerProbe::Result::WrongPassword,
                QStringLiteral("El servidor pide una contraseña para el usuario «%1» y no se "
                               "indicó ninguna.")
                    .arg(user)};
    return {ServerProbe::Result::WrongPassword,
            QStringLiteral("El servidor rechazó el usuario «%1» o su contraseña.").arg(user)};
}

// Whether the server has the database, asked in its maintenance database with the same user;
// nothing when that cannot be asked there either.
std::optional<ServerProbe> databaseVerdict(const ServerAddress& address, const QString& password)
{
    const Connection connection = connect(address, maintenanceDatabase, password);
    if (PQstatus(connection.get()) != CONNECTION_OK) {
        if (PQconnectionNeedsPassword(connection.get()) ||
            PQconnectionUsedPassword(connection.get()))
            return passwordRefused(address, !password.isEmpty() ||
                                                PQconnectionUsedPassword(connection.get()));
        return std::nullopt;
    }
    const QByteArray name = address.database.trimmed().toUtf8();
    const char* const values[] = {name.constData()};
    const std::unique_ptr<PGresult, decltype(&PQclear)> result(
        PQexecParams(connection.get(), "SELECT 1 FROM pg_database WHERE datname = $1", 1, nullptr,
                     values, nullptr, nullptr, 0),
        &PQclear);
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK || PQntuples(result.get()) > 0)
        return std::nullopt;
    return ServerProbe{ServerProbe::Result::DatabaseMissing,
                       QStringLiteral("El servidor no tiene una base de datos «%1».")
                           .arg(address.database.trimmed())};
}

// The program's own driver opens the database and finds the two tables.
ServerProbe tablesVerdict(const ServerAddress& address, const QString& password)
{
    const QString name = QStringLiteral("llamora-prueba-") + QUuid::createUuid().toString();
    ServerProbe probe;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        applyServerAddress(database, address, probeTimeoutSeconds);
        database.setPassword(password);
        if (!database.open()) {
            probe = {ServerProbe::Result::Refused,
                     QStringLiteral("El servidor rechazó la conexión: %1")
                         .arg(database.lastError().text().simplified())};
        } else {
            // The catalogue, not information_schema: that one hides the tables a user may
            // not touch, which would read as tables missing.
            QSqlQuery query(database);
            if (!query.exec(QStringLiteral(
                    "SELECT c IS NOT NULL AND l IS NOT NULL, CASE WHEN c IS NOT NULL AND l IS "
                    "NOT NULL THEN has_table_privilege(c::oid, 'SELECT, INSERT, UPDATE, DELETE') "
                    "AND has_table_privilege(l::oid, 'SELECT, INSERT, UPDATE, DELETE') END "
                    "FROM (SELECT to_regclass('clientes') AS c, to_regclass('llamadas') AS l) "
                    "AS tablas")) ||
                !query.next()) {
                probe = {ServerProbe::Result::Refused,
                         QStringLiteral("El servidor no respondió a la consulta de las tablas: %1")
                             .arg(query.lastError().text().simplified())};
            } else if (!query.value(0).toBool()) {
                probe = {ServerProbe::Result::TablesMissing,
                         QStringLiteral("La base de datos «%1» no tiene las tablas de Llamora: "
                                        "créelas con «llamora-servidor crear».")
                             .arg(address.database.trimmed())};
            } else if (!query.value(1).toBool()) {
                probe = {ServerProbe::Result::Refused,
                         QStringLiteral("El usuario «%1» no tiene permiso sobre las tablas de "
                                        "Llamora: el dueño de la base de datos debe darle SELECT, "
                                        "INSERT, UPDATE y DELETE.")
                             .arg(address.user.trimmed())};
            } else {
                probe = {ServerProbe::Result::Connected,
                         QStringLiteral("Conectado con %1: la base de datos está lista.")
                             .arg(address.displayText())};
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return probe;
}

} // namespace

ServerProbe probeServer(const ServerAddress& address, const QString& password)
{
    if (!address.isSet())
        return {ServerProbe::Result::Refused,
                QStringLiteral("Indique el servidor y el nombre de la base de datos.")};
    if (!address.sslMode.isEmpty() && !isValidSslMode(address.sslMode))
        return {ServerProbe::Result::Refused,
                QStringLiteral("«%1» no es un modo SSL de PostgreSQL (disable, allow, prefer, "
                               "require, verify-ca o verify-full).")
                    .arg(address.sslMode)};
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return {ServerProbe::Result::Refused,
                QStringLiteral("Falta el controlador de PostgreSQL para Qt (paquete "
                               "libqt6sql6-psql).")};

    const ConnectionParameters parameters(address, address.database.trimmed(), password);
    switch (PQpingParams(parameters.keywords(), parameters.values(), 0)) {
    case PQPING_NO_RESPONSE:
        return {ServerProbe::Result::Unreachable,
                QStringLiteral("No responde ningún servidor en %1, puerto %2: compruebe el "
                               "nombre, el puerto, la red y que PostgreSQL esté en marcha.")
                    .arg(hostText(address))
                    .arg(address.port)};
    case PQPING_REJECT:
        return {ServerProbe::Result::Unreachable,
                QStringLiteral("El servidor %1 no acepta conexiones ahora (se está iniciando o "
                               "deteniendo).")
                    .arg(hostText(address))};
    case PQPING_NO_ATTEMPT:
        return {ServerProbe::Result::Refused,
                QStringLiteral("Los datos de la conexión no son válidos.")};
    case PQPING_OK:
        break;
    }

    const Connection connection = connect(address, address.database.trimmed(), password);
    if (PQstatus(connection.get()) == CONNECTION_OK)
        return tablesVerdict(address, password);
    if (PQconnectionNeedsPassword(connection.get()))
        return passwordRefused(address, !password.isEmpty());
    if (const auto verdict = databaseVerdict(address, password))
        return *verdict;
    return {
        ServerProbe::Result::Refused,
        QStringLiteral("El servidor rechazó la conexión: %1").arg(serverMessage(connection.get()))};
}
