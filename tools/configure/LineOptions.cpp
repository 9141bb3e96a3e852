#include "LineOptions.h"

#include "CommandLine.h"
#include "server/PgPass.h"

#include <QCommandLineParser>
#include <QRegularExpression>

using CommandLine::option;

namespace {
bool assignPort(const QString& text, int low, int* port)
{
    const std::optional<int> number = CommandLine::portNumber(text, low);
    if (number)
        *port = *number;
    return number.has_value();
}
} // namespace

LineOptions::LineOptions()
    : m_source(option("linea", "Origen de la identificación: modem o sip.", "modem|sip"))
    , m_server(option("sip-servidor", "Servidor SIP (centralita o proveedor).", "nombre"))
    , m_port(option("sip-puerto", "Puerto del servidor SIP, 1 a 65535 (5060 si no se da).", "n"))
    , m_transport(option("sip-transporte", "udp, tcp o tls.", "udp|tcp|tls"))
    , m_user(option("sip-usuario", "Usuario SIP del que este puesto es un dispositivo más.",
                    "usuario"))
    , m_authUser(option("sip-usuario-autenticacion",
                        "Usuario de autenticación, si no es el mismo usuario.", "usuario"))
    , m_passwordFrom(option("sip-clave-de",
                            "Lee la contraseña SIP de la primera línea de este archivo (- para "
                            "la entrada estándar); nunca en la línea de órdenes.",
                            "archivo"))
    , m_prefix(option("sip-prefijo", "Cifras que reemplazan el + de un número (00 si no se da).",
                      "cifras"))
    , m_localPort(option("sip-puerto-local", "Puerto local, 0 para cualquiera libre.", "n"))
    , m_senders(option("sip-remitentes",
                       "Otras direcciones, además del servidor, desde las que puede llegar una "
                       "llamada (separadas por comas).",
                       "direcciones"))
{}

void LineOptions::addTo(QCommandLineParser& parser) const
{
    for (const QCommandLineOption* each :
         {&m_source, &m_server, &m_port, &m_transport, &m_user, &m_authUser, &m_passwordFrom,
          &m_prefix, &m_localPort, &m_senders})
        parser.addOption(*each);
}

bool LineOptions::anySet(const QCommandLineParser& parser) const
{
    for (const QCommandLineOption* each :
         {&m_source, &m_server, &m_port, &m_transport, &m_user, &m_authUser, &m_passwordFrom,
          &m_prefix, &m_localPort, &m_senders}) {
        if (parser.isSet(*each))
            return true;
    }
    return false;
}

bool LineOptions::apply(const QCommandLineParser& parser, LineSettings* settings,
                        QString* problem) const
{
    SipAccount& sip = settings->sip;
    if (parser.isSet(m_source)) {
        const QString source = parser.value(m_source).toLower();
        if (source != QLatin1String("modem") && source != QLatin1String("sip")) {
            *problem =
                QStringLiteral("--linea debe ser modem o sip, no «%1»").arg(parser.value(m_source));
            return false;
        }
        settings->source = source == QLatin1String("sip") ? LineSource::Sip : LineSource::Modem;
    }
    if (parser.isSet(m_server))
        sip.server = parser.value(m_server).trimmed();
    if (parser.isSet(m_port) && !assignPort(parser.value(m_port), 1, &sip.port)) {
        *problem = QStringLiteral("--sip-puerto debe ser un número de 1 a 65535, no «%1»")
                       .arg(parser.value(m_port));
        return false;
    }
    if (parser.isSet(m_transport) &&
        !SipAccount::parseTransport(parser.value(m_transport), &sip.transport)) {
        *problem = QStringLiteral("--sip-transporte debe ser udp, tcp o tls, no «%1»")
                       .arg(parser.value(m_transport));
        return false;
    }
    if (parser.isSet(m_user))
        sip.user = parser.value(m_user).trimmed();
    if (parser.isSet(m_authUser))
        sip.authUser = parser.value(m_authUser).trimmed();
    if (parser.isSet(m_prefix))
        sip.internationalPrefix = parser.value(m_prefix).trimmed();
    if (parser.isSet(m_localPort) && !assignPort(parser.value(m_localPort), 0, &sip.localPort)) {
        *problem = QStringLiteral("--sip-puerto-local debe ser un número de 0 a 65535, no «%1»")
                       .arg(parser.value(m_localPort));
        return false;
    }
    if (parser.isSet(m_senders))
        sip.extraSenders = parser.value(m_senders).split(
            QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts);
    if (parser.isSet(m_passwordFrom) &&
        !PgPass::readFromFile(parser.value(m_passwordFrom), &sip.password)) {
        *problem = QStringLiteral("no se pudo leer la contraseña de «%1»")
                       .arg(parser.value(m_passwordFrom));
        return false;
    }
    if (settings->source == LineSource::Sip) {
        if (const QString refused = sip.problem(); !refused.isEmpty()) {
            *problem = QStringLiteral("la línea VoIP no está completa: ") + refused;
            return false;
        }
    }
    return true;
}
