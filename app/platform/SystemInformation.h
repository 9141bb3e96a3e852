#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Finds and starts the system's information program for the about box. Two keys of a
// system-wide settings file name it, read in this order:
//   [MSINFO] PATH                 the program's full path;
//   [SharedToolsLocation] MSINFO  a folder holding a program named "msinfo32".
// When neither is set (or the folder holds no such program), the first installed program of
// a short list of Linux system-information programs is started instead.
class SystemInformation
{
public:
    struct Places
    {
        QString settingsFile = defaultSettingsFile();
        QStringList fallbackPrograms = defaultFallbackPrograms();
        // Where the fallback programs are looked for; empty means the PATH.
        QStringList searchFolders;
    };

    static constexpr qsizetype longestValue = 1024;

    // /etc/xdg/Llamora/sistema.ini
    [[nodiscard]] static QString defaultSettingsFile();
    // hardinfo, kinfocenter, gnome-system-monitor, xfce4-taskmanager, lshw-gtk
    [[nodiscard]] static QStringList defaultFallbackPrograms();
    [[nodiscard]] static QString folderProgramName() { return QStringLiteral("msinfo32"); }

    SystemInformation() = default;
    explicit SystemInformation(Places places)
        : m_places(std::move(places))
    {}

    // GetKeyValue: the text of section/name in the settings file. Empty when the file, the key
    // or a single text value is not there, or the value is longer than longestValue.
    [[nodiscard]] std::optional<QString> GetKeyValue(const QString& key) const;

    // The program the lookup settles on, or empty when there is none. A program named by the
    // first key is taken as it stands, even when missing: starting it then fails.
    [[nodiscard]] QString program() const;
    // Starts program() on its own; false when there is none or it cannot be started.
    [[nodiscard]] bool start() const;

private:
    Places m_places;
};
