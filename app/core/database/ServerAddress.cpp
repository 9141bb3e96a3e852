#include "database/ServerAddress.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QUrlQuery>

namespace {
const QString namePrefix = QStringLiteral("postgresql:");
} // namespace

bool ServerAddress::isSet() const
{
    return !host.trimmed().isEmpty() && !database.trimmed().isEmpty();
}

QString ServerAddress::displayText() const
{
    QString text;
    if (!user.isEmpty())
        text += user + QLatin1Char('@');
    text += host + QLatin1Char(':') + QString::number(port) + QLatin1Char('/') + database;
    return text;
}

QString ServerAddress::toDatabaseName() const
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("host"), host);
    query.addQueryItem(QStringLiteral("port"), QString::number(port));
    query.addQueryItem(QStringLiteral("dbname"), database);
    if (!user.isEmpty())
        query.addQueryItem(QStringLiteral("user"), user);
    if (!sslMode.isEmpty())
        query.addQueryItem(QStringLiteral("sslmode"), sslMode);
    return namePrefix + query.toString(QUrl::FullyEncoded);
}

ServerAddress ServerAddress::fromDatabaseName(const QString& name)
{
    if (!isServerDatabaseName(name))
        return {};
    const QUrlQuery query(name.mid(namePrefix.size()));
    const auto item = [&](const QString& key) {
        return query.queryItemValue(key, QUrl::FullyDecoded);
    };
    ServerAddress address;
    address.host = item(QStringLiteral("host"));
    bool ok = false;
    const int port = item(QStringLiteral("port")).toInt(&ok);
    if (ok && port > 0 && port < 65536)
        address.port = port;
    address.database = item(QStringLiteral("dbname"));
    address.user = item(QStringLiteral("user"));
    address.sslMode = item(QStringLiteral("sslmode"));
    return address;
}

bool isServerDatabaseName(const QString& name)
{
    return name.startsWith(namePrefix);
}

bool isValidSslMode(const QString& sslMode)
{
    static const QStringList modes = {
        QStringLiteral("disable"), QStringLiteral("allow"),     QStringLiteral("prefer"),
        QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full"),
    };
    return modes.contains(sslMode);
}

void applyServerAddress(QSqlDatabase& database, const ServerAddress& address,
                        int connectTimeoutSeconds)
{
    database.setHostName(address.host.trimmed());
    database.setPort(address.port);
    database.setDatabaseName(address.database.trimmed());
    database.setUserName(address.user.trimmed());
    // The driver passes these to libpq as they are; only known words go in, so nothing typed
    // in the settings can add options of its own.
    QStringList options = {QStringLiteral("connect_timeout=") +
                               QString::number(qMax(1, connectTimeoutSeconds)),
                           QStringLiteral("application_name=llamora"),
                           // The server's notices ("already exists, skipping") are no news.
                           QStringLiteral("options=-cclient_min_messages=warning")};
    if (isValidSslMode(address.sslMode))
        options << QStringLiteral("sslmode=") + address.sslMode;
    database.setConnectOptions(options.join(QLatin1Char(';')));
}
