#pragma once

#include <QString>

// Starting the program with the user's session: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/Llamora.desktop (~/.config/autostart when XDG_CONFIG_HOME is unset),
// whose Exec line runs the program by its full path. The desktop reads the folder at log-in.
class Autostart
{
public:
    [[nodiscard]] static QString entryPath();

    // Writes (or rewrites) the entry so that it runs programPath. False when it cannot be written.
    static bool add(const QString& programPath);
    // Deletes the entry. False only when an entry exists and cannot be deleted.
    static bool remove();
    // True when a readable entry is there and the desktop would run it (not hidden or disabled).
    [[nodiscard]] static bool isPresent();

    // The Exec value for programPath, quoted and escaped as desktop entries require.
    [[nodiscard]] static QString execLine(const QString& programPath);
};
