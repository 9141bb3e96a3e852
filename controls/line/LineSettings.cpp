#include "LineSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString configFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Llamora");
}

const QString SourceKey = QStringLiteral("Linea/Fuente");
const QString SipSourceName = QStringLiteral("SIP");
const QString ModemSourceName = QStringLiteral("Modem");

} // namespace

QString SipAccount::transportName(SipTransport transport)
{
    switch (transport) {
    case SipTransport::Udp:
        return QStringLiteral("udp");
    case SipTransport::Tcp:
        return QStringLiteral("tcp");
    case SipTransport::Tls:
        return QStringLiteral("tls");
    }
    return {};
}

bool SipAccount::parseTransport(const QString& text, SipTransport* transport)
{
    for (const SipTransport candidate : {SipTransport::Udp, SipTransport::Tcp, SipTransport::Tls}) {
        if (text.trimmed().compare(transportName(candidate), Qt::CaseInsensitive) == 0) {
            *transport = candidate;
            return true;
        }
    }
    return false;
}

QString SipAccount::problem() const
{
    if (server.trimmed().isEmpty())
        return QStringLiteral("falta el servidor SIP");
    if (server.contains(QLatin1Char(' ')) || server.contains(QLatin1Char('@')))
        return QStringLiteral("el servidor «%1» no es un nombre ni una dirección").arg(server);
    if (port < 1 || port > 65535)
        return QStringLiteral("el puerto del servidor debe ser de 1 a 65535");
    if (localPort < 0 || localPort > 65535)
        return QStringLiteral("el puerto local debe ser de 0 a 65535");
    if (user.trimmed().isEmpty())
        return QStringLiteral("falta el usuario SIP");
    for (const QString& name : {user, authUser}) {
        for (const QChar c : name) {
            if (c.isSpace() || c == QLatin1Char('@') || c == QLatin1Char(':') ||
                c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('"') ||
                c.unicode() < 0x20 || c.unicode() > 0x7e)
                return QStringLiteral("el usuario «%1» tiene caracteres que no se admiten")
                    .arg(name);
        }
    }
    for (const QChar c : internationalPrefix) {
        if (!c.isDigit())
            return QStringLiteral("el prefijo internacional solo puede tener cifras");
    }
    if (password.contains(QLatin1Char('\n')))
        return QStringLiteral("la contraseña no puede tener saltos de línea");
    return {};
}

QString LineSettings::filePath()
{
    return configFolder() + QStringLiteral("/linea.ini");
}

QString LineSettings::passwordFilePath()
{
    return configFolder() + QStringLiteral("/sip-clave");
}

LineSettings LineSettings::load()
{
    LineSettings settings;
    const QSettings file(filePath(), QSettings::IniFormat);
    if (file.value(SourceKey).toString().compare(SipSourceName, Qt::CaseInsensitive) == 0)
        settings.source = LineSource::Sip;
    SipAccount& sip = settings.sip;
    sip.server = file.value(QStringLiteral("SIP/Servidor")).toString().trimmed();
    bool ok = false;
    const int port = file.value(QStringLiteral("SIP/Puerto")).toInt(&ok);
    if (ok)
        sip.port = port;
    SipAccount::parseTransport(file.value(QStringLiteral("SIP/Transporte")).toString(),
                               &sip.transport);
    sip.user = file.value(QStringLiteral("SIP/Usuario")).toString().trimmed();
    sip.authUser = file.value(QStringLiteral("SIP/UsuarioAutenticacion")).toString().trimmed();
    if (file.contains(QStringLiteral("SIP/PrefijoInternacional")))
        sip.internationalPrefix =
            file.value(QStringLiteral("SIP/PrefijoInternacional")).toString().trimmed();
    const int localPort = file.value(QStringLiteral("SIP/PuertoLocal")).toInt(&ok);
    if (ok)
        sip.localPort = localPort;
    const QString senders =
        file.value(QStringLiteral("SIP/OtrosRemitentes")).toStringList().join(QLatin1Char(' '));
    sip.extraSenders =
        senders.split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts);

    QFile password(passwordFilePath());
    if (password.open(QIODevice::ReadOnly))
        sip.password = QString::fromUtf8(password.readAll()).section(QLatin1Char('\n'), 0, 0);
    return settings;
}

bool LineSettings::save(QString* problem) const
{
    if (!QDir().mkpath(configFolder())) {
        *problem = QStringLiteral("no se pudo crear la carpeta «%1»")
                       .arg(QDir::toNativeSeparators(configFolder()));
        return false;
    }
    {
        QSettings file(filePath(), QSettings::IniFormat);
        file.setValue(SourceKey, source == LineSource::Sip ? SipSourceName : ModemSourceName);
        file.setValue(QStringLiteral("SIP/Servidor"), sip.server);
        file.setValue(QStringLiteral("SIP/Puerto"), sip.port);
        file.setValue(QStringLiteral("SIP/Transporte"), SipAccount::transportName(sip.transport));
        file.setValue(QStringLiteral("SIP/Usuario"), sip.user);
        file.setValue(QStringLiteral("SIP/UsuarioAutenticacion"), sip.authUser);
        file.setValue(QStringLiteral("SIP/PrefijoInternacional"), sip.internationalPrefix);
        file.setValue(QStringLiteral("SIP/PuertoLocal"), sip.localPort);
        file.setValue(QStringLiteral("SIP/OtrosRemitentes"),
                      sip.extraSenders.join(QLatin1Char(' ')));
        file.sync();
        if (file.status() != QSettings::NoError) {
            *problem = QStringLiteral("no se pudo escribir «%1»")
                           .arg(QDir::toNativeSeparators(filePath()));
            return false;
        }
    }
    // Written aside and renamed into place, with the mode set before any byte of it is written.
    QSaveFile password(passwordFilePath());
    if (!password.open(QIODevice::WriteOnly) ||
        !password.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        password.write(sip.password.toUtf8()) < 0 || !password.commit()) {
        *problem = QStringLiteral("no se pudo escribir la contraseña en «%1»")
                       .arg(QDir::toNativeSeparators(passwordFilePath()));
        return false;
    }
    return true;
}
