#include "Autostart.h"

#include "ProgramInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QLatin1String entryFileName("Llamora.desktop");

// Characters that force an Exec argument into double quotes.
bool needsQuoting(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (const QChar c : argument) {
        if (reserved.contains(c))
            return true;
    }
    return argument.isEmpty();
}

// A desktop entry value escapes a backslash as "\\" before the Exec rules apply to the result.
QString escapeAsStringValue(const QString& text)
{
    QString result;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            result += QStringLiteral("\\\\");
        else
            result += c;
    }
    return result;
}

// Reads the [Desktop Entry] group's keys; good enough for the few we look at.
bool readEntryKeys(const QString& path, QString* exec, QString* hidden, QString* gnomeEnabled)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inMainGroup = false;
    bool sawMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        if (!inMainGroup || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Exec"))
            *exec = value;
        else if (key == QLatin1String("Hidden"))
            *hidden = value;
        else if (key == QLatin1String("X-GNOME-Autostart-enabled"))
            *gnomeEnabled = value;
    }
    return sawMainGroup && file.error() == QFileDevice::NoError;
}

} // namespace

QString Autostart::entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + entryFileName;
}

QString Autostart::execLine(const QString& programPath)
{
    QString argument = QDir::toNativeSeparators(programPath);
    if (needsQuoting(argument)) {
        QString quoted;
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        argument = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // A literal percent sign would be read as a field code.
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return escapeAsStringValue(argument);
}

bool Autostart::add(const QString& programPath)
{
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString content = QStringLiteral("[Desktop Entry]\n"
                                           "Type=Application\n"
                                           "Version=1.0\n"
                                           "Name=") +
                            ProgramInfo::title() +
                            QStringLiteral("\n"
                                           "Comment=Identificación y registro de llamadas\n"
                                           "Exec=") +
                            execLine(programPath) +
                            QStringLiteral("\n"
                                           "Terminal=false\n"
                                           "X-GNOME-Autostart-enabled=true\n");
    file.write(content.toUtf8());
    return file.commit();
}

bool Autostart::remove()
{
    const QString path = entryPath();
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return true;
    return QFile::remove(path);
}

bool Autostart::isPresent()
{
    QString exec;
    QString hidden;
    QString gnomeEnabled;
    if (!readEntryKeys(entryPath(), &exec, &hidden, &gnomeEnabled))
        return false;
    return !exec.isEmpty() && hidden != QLatin1String("true") &&
           gnomeEnabled != QLatin1String("false");
}
