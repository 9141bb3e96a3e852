#include "ServerOptions.h"

#include "CommandLine.h"
#include "server/PgPass.h"

#include <QCommandLineParser>

using CommandLine::option;

ServerOptions::ServerOptions()
    : m_host(option("servidor-equipo",
                    "Usa un servidor PostgreSQL en lugar de la carpeta compartida: nombre o "
                    "dirección del equipo (o la carpeta de su socket).",
                    "nombre"))
    , m_port(option("servidor-puerto", "Puerto del servidor, 1 a 65535 (5432 si no se da).", "n"))
    , m_database(option("servidor-base", "Nombre de la base de datos en el servidor.", "nombre"))
    , m_user(option("servidor-usuario", "Usuario de PostgreSQL.", "usuario"))
    , m_sslMode(option("servidor-ssl",
                       "sslmode de libpq: disable, allow, prefer, require, verify-ca o "
                       "verify-full (vacío: el predeterminado).",
                       "modo"))
    , m_passwordFrom(option("servidor-clave-de",
                            "Lee la contraseña del servidor de la primera línea de este archivo "
                            "(- para la entrada estándar) y la guarda en ~/.pgpass; nunca en la "
                            "línea de órdenes.",
                            "archivo"))
    , m_clear(option("sin-servidor", "Deja de usar el servidor y vuelve a la carpeta compartida."))
{}

void ServerOptions::addTo(QCommandLineParser& parser) const
{
    for (const QCommandLineOption* each :
         {&m_host, &m_port, &m_database, &m_user, &m_sslMode, &m_passwordFrom, &m_clear})
        parser.addOption(*each);
}

bool ServerOptions::anySet(const QCommandLineParser& parser) const
{
    for (const QCommandLineOption* each :
         {&m_host, &m_port, &m_database, &m_user, &m_sslMode, &m_passwordFrom}) {
        if (parser.isSet(*each))
            return true;
    }
    return false;
}

bool ServerOptions::clearRequested(const QCommandLineParser& parser) const
{
    return parser.isSet(m_clear);
}

bool ServerOptions::apply(const QCommandLineParser& parser, ServerAddress* address,
                          QString* password, QString* problem) const
{
    if (parser.isSet(m_host))
        address->host = parser.value(m_host).trimmed();
    if (parser.isSet(m_port)) {
        const QString text = parser.value(m_port);
        const std::optional<int> port = CommandLine::portNumber(text);
        if (!port) {
            *problem = QStringLiteral("--servidor-puerto debe ser un número de 1 a 65535, no «%1»")
                           .arg(text);
            return false;
        }
        address->port = *port;
    }
    if (parser.isSet(m_database))
        address->database = parser.value(m_database).trimmed();
    if (parser.isSet(m_user))
        address->user = parser.value(m_user).trimmed();
    if (parser.isSet(m_sslMode)) {
        const QString mode = parser.value(m_sslMode).trimmed();
        if (!mode.isEmpty() && !isValidSslMode(mode)) {
            *problem = QStringLiteral("--servidor-ssl debe ser disable, allow, prefer, require, "
                                      "verify-ca o verify-full, no «%1»")
                           .arg(mode);
            return false;
        }
        address->sslMode = mode;
    }
    if (address->host.isEmpty()) {
        *problem = QStringLiteral("falta --servidor-equipo");
        return false;
    }
    if (address->database.isEmpty()) {
        *problem = QStringLiteral("falta --servidor-base");
        return false;
    }
    if (parser.isSet(m_passwordFrom) &&
        !PgPass::readFromFile(parser.value(m_passwordFrom), password)) {
        *problem = QStringLiteral("no se pudo leer la contraseña de «%1»")
                       .arg(parser.value(m_passwordFrom));
        return false;
    }
    return true;
}
