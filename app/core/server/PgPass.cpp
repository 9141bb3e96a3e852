#include "server/PgPass.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// The first four fields of a line, unescaped; fewer when the line is not one of passwords.
QStringList leadingFields(const QString& line)
{
    QStringList fields;
    QString field;
    for (qsizetype at = 0; at < line.size() && fields.size() < 4; ++at) {
        const QChar c = line.at(at);
        if (c == QLatin1Char('\\') && at + 1 < line.size()) {
            field += line.at(++at);
        } else if (c == QLatin1Char(':')) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    return fields;
}

// libpq matches the host as given; with none it looks for "localhost".
QString hostField(const ServerAddress& address)
{
    const QString host = address.host.trimmed();
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

} // namespace

namespace PgPass {

QString filePath()
{
    const QString fromEnvironment = qEnvironmentVariable("PGPASSFILE");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QDir::homePath() + QStringLiteral("/.pgpass");
}

bool readFromFile(const QString& path, QString* password)
{
    QFile file;
    const bool opened = path == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened)
        return false;
    *password =
        QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    return true;
}

QString escaped(const QString& field)
{
    QString text = field;
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char(':'), QStringLiteral("\\:"));
    return text;
}

bool store(const ServerAddress& address, const QString& password, QString* problem)
{
    const QString path = filePath();
    const QStringList ours{hostField(address), QString::number(address.port),
                           address.database.trimmed(), address.user.trimmed()};
    // A line break in the password would split the line; libpq could never read it back.
    if (password.contains(QLatin1Char('\n')) || password.contains(QLatin1Char('\r'))) {
        *problem = QStringLiteral("la contraseña no puede contener saltos de línea");
        return false;
    }

    QStringList lines;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            *problem = QStringLiteral("no se pudo leer «%1»").arg(QDir::toNativeSeparators(path));
            return false;
        }
        lines = QString::fromUtf8(existing.readAll()).split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.constLast().isEmpty())
            lines.removeLast();
    }
    QStringList escapedFields;
    for (const QString& field : ours)
        escapedFields << escaped(field);
    const QString line =
        escapedFields.join(QLatin1Char(':')) + QLatin1Char(':') + escaped(password);
    // The first line for this server takes the new password; later ones would never be read.
    bool replaced = false;
    for (qsizetype at = 0; at < lines.size();) {
        if (lines.at(at).startsWith(QLatin1Char('#')) || leadingFields(lines.at(at)) != ours) {
            ++at;
        } else if (replaced) {
            lines.removeAt(at);
        } else {
            lines[at++] = line;
            replaced = true;
        }
    }
    if (!replaced)
        lines << line;

    // Written beside the file, readable by this user only from its creation, then renamed over
    // it: the old file stays whole until the new one is complete.
    const QString temporary = path + QStringLiteral(".llamora-nuevo");
    QFile::remove(temporary);
    QFile file(temporary);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                                             QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        *problem = QStringLiteral("no se pudo escribir en la carpeta «%1»")
                       .arg(QDir::toNativeSeparators(folder));
        return false;
    }
    const QByteArray content = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    const bool written = file.write(content) == content.size() && file.flush();
    file.close();
    std::error_code error;
    if (written)
        std::filesystem::rename(QFile::encodeName(temporary).toStdString(),
                                QFile::encodeName(path).toStdString(), error);
    if (!written || error) {
        QFile::remove(temporary);
        *problem = QStringLiteral("no se pudo escribir «%1»").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

} // namespace PgPass
