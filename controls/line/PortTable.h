#pragma once

#include "lineo_export.h"

#include <QString>

#include <array>

// Which device each port number 1..16 stands for. By default port n is /dev/ttyS<n-1>. Any port
// can be pointed elsewhere (a USB modem, the modem simulator's pseudo-terminal) in the file
//
//     $XDG_CONFIG_HOME/Llamora/puertos.ini      (usually ~/.config/Llamora/puertos.ini)
//
//     [Puertos]
//     Com4=/dev/ttyACM0
//
// A port without a key, or with an empty value, uses its default. The line control reads the
// file each time it opens a port, so an edit takes effect at the next detection.
class LINEO_EXPORT PortTable
{
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 16;

    // The table as stored; a missing or unreadable file gives the defaults.
    [[nodiscard]] static PortTable load();
    [[nodiscard]] static QString filePath();
    [[nodiscard]] static QString defaultDevice(int n);
    [[nodiscard]] static bool isValidPort(int n) { return n >= FirstPort && n <= LastPort; }

    // Empty for a number out of 1..16.
    [[nodiscard]] QString device(int n) const;
    [[nodiscard]] bool isOverridden(int n) const;
    // An empty path puts the port back to its default. Numbers out of 1..16 are ignored.
    void setDevice(int n, const QString& path);
    // Writes the file (creating its folder); false when it could not be written.
    [[nodiscard]] bool save() const;

private:
    std::array<QString, LastPort> m_overrides;
};
