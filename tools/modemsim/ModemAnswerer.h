#pragma once

#include <set>
#include <string>

// The command side of the simulated modem: collects what the computer sends into lines and
// answers them as a modem in command mode would. Pure: bytes in, bytes out.
class ModemAnswerer
{
public:
    struct Settings
    {
        std::set<std::string> acceptedCommands; // caller-ID commands answered "OK"
        bool echo = true;
        bool silent = false;   // answers nothing at all
        bool errorAll = false; // "ERROR" also to text that does not start with "AT"
    };

    explicit ModemAnswerer(Settings settings);

    // Bytes received from the computer; returns the echo and any answers, in order.
    std::string receive(const std::string& bytes);
    void accept(const std::string& command) { m_settings.acceptedCommands.insert(command); }

private:
    std::string answer(const std::string& line);

    Settings m_settings;
    std::string m_line;
};
