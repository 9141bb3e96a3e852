#pragma once

#include <QCommandLineOption>
#include <QRegularExpression>
#include <QString>

#include <optional>

// What the command-line tools share: their options, and the numbers they take.
namespace CommandLine {

// An option; with a value name when it takes a value.
inline QCommandLineOption option(const char* name, const char* description,
                                 const char* value = nullptr)
{
    if (value == nullptr)
        return {QLatin1String(name), QString::fromUtf8(description)};
    return {QLatin1String(name), QString::fromUtf8(description), QLatin1String(value)};
}

// A network port written plainly ("5060", not "05060", "+5060" or "5060 "), from low to 65535.
inline std::optional<int> portNumber(const QString& text, int low = 1)
{
    static const QRegularExpression plain(QStringLiteral("^(0|[1-9][0-9]{0,4})$"));
    if (!plain.match(text).hasMatch())
        return std::nullopt;
    const int port = text.toInt();
    if (port < low || port > 65535)
        return std::nullopt;
    return port;
}

} // namespace CommandLine
