#include "SystemInformation.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

QString SystemInformation::defaultSettingsFile()
{
    return QStringLiteral("/etc/xdg/Llamora/sistema.ini");
}

QStringList SystemInformation::defaultFallbackPrograms()
{
    return {QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"), QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("lshw-gtk")};
}

std::optional<QString> SystemInformation::GetKeyValue(const QString& key) const
{
    if (!QFileInfo(m_places.settingsFile).isFile())
        return std::nullopt;
    const QSettings settings(m_places.settingsFile, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError || !settings.contains(key))
        return std::nullopt;
    const QVariant value = settings.value(key);
    // Only a single text is read: a list ("a, b") is not a program's path.
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString text = value.toString();
    if (text.size() > longestValue)
        return std::nullopt;
    return text;
}

QString SystemInformation::program() const
{
    if (const auto path = GetKeyValue(QStringLiteral("MSINFO/PATH")))
        return *path;
    if (const auto folder = GetKeyValue(QStringLiteral("SharedToolsLocation/MSINFO"))) {
        const QString candidate = QDir(*folder).filePath(folderProgramName());
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    for (const QString& name : m_places.fallbackPrograms) {
        const QString found = QStandardPaths::findExecutable(name, m_places.searchFolders);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

bool SystemInformation::start() const
{
    const QString path = program();
    return !path.isEmpty() && QProcess::startDetached(path, {});
}
