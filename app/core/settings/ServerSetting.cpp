#include "settings/ServerSetting.h"

#include <QList>
#include <QStringList>

#include <optional>
#include <utility>

namespace {

QString quoted(const QString& value)
{
    bool plain = !value.isEmpty();
    for (const QChar c : value)
        plain = plain && !c.isSpace() && c != QLatin1Char('\'') && c != QLatin1Char('\\');
    if (plain)
        return value;
    QString text = value;
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

// libpq's rules: blanks between pairs and around "="; a value either single-quoted, where a
// backslash takes the next character as it is, or running to the next blank.
std::optional<QList<std::pair<QString, QString>>> pairsOf(const QString& text)
{
    QList<std::pair<QString, QString>> pairs;
    qsizetype at = 0;
    const auto skipBlanks = [&] {
        while (at < text.size() && text.at(at).isSpace())
            ++at;
    };
    while (true) {
        skipBlanks();
        if (at >= text.size())
            return pairs;
        QString key;
        while (at < text.size() && !text.at(at).isSpace() && text.at(at) != QLatin1Char('='))
            key += text.at(at++);
        skipBlanks();
        if (key.isEmpty() || at >= text.size() || text.at(at) != QLatin1Char('='))
            return std::nullopt;
        ++at;
        skipBlanks();
        QString value;
        if (at < text.size() && text.at(at) == QLatin1Char('\'')) {
            ++at;
            while (at < text.size() && text.at(at) != QLatin1Char('\'')) {
                if (text.at(at) == QLatin1Char('\\') && at + 1 < text.size())
                    ++at;
                value += text.at(at++);
            }
            if (at >= text.size())
                return std::nullopt;
            ++at;
        } else {
            while (at < text.size() && !text.at(at).isSpace()) {
                if (text.at(at) == QLatin1Char('\\') && at + 1 < text.size())
                    ++at;
                value += text.at(at++);
            }
        }
        pairs.append({key, value});
    }
}

} // namespace

QString serverSettingText(const ServerAddress& address)
{
    if (!address.isSet())
        return {};
    QStringList parts{QStringLiteral("host=") + quoted(address.host.trimmed()),
                      QStringLiteral("port=") + QString::number(address.port),
                      QStringLiteral("dbname=") + quoted(address.database.trimmed())};
    if (!address.user.trimmed().isEmpty())
        parts << QStringLiteral("user=") + quoted(address.user.trimmed());
    if (!address.sslMode.isEmpty())
        parts << QStringLiteral("sslmode=") + quoted(address.sslMode);
    return parts.join(QLatin1Char(' '));
}

ServerAddress serverAddressFromSetting(const QString& text)
{
    const auto pairs = pairsOf(text);
    if (!pairs)
        return {};
    ServerAddress address;
    for (const auto& [key, value] : *pairs) {
        if (key == QLatin1String("host")) {
            address.host = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            const int port = value.toInt(&ok);
            if (!ok || port < 1 || port > 65535)
                return {};
            address.port = port;
        } else if (key == QLatin1String("dbname")) {
            address.database = value;
        } else if (key == QLatin1String("user")) {
            address.user = value;
        } else if (key == QLatin1String("sslmode")) {
            if (!isValidSslMode(value))
                return {};
            address.sslMode = value;
        }
        // Anything else (a password added by hand among them) is not ours to use.
    }
    return address;
}
