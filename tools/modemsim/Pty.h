#pragma once

#include <string>

// A pseudo-terminal in raw mode standing in for the modem's serial line. The simulator writes
// and reads the controlling side; the program under test opens devicePath(). The terminal side
// is held open too, so the line survives the program closing and reopening it.
class Pty
{
public:
    Pty() = default;
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    // Returns an error text, empty on success.
    std::string open();
    // Both sides closed: to the program the device is gone, as a modem pulled out.
    void close();

    [[nodiscard]] bool isOpen() const { return m_master >= 0; }
    [[nodiscard]] int fd() const { return m_master; }
    [[nodiscard]] const std::string& devicePath() const { return m_devicePath; }

    // Writes everything, waiting at most timeoutMs for room; false when it had to give up.
    bool writeAll(const std::string& bytes, int timeoutMs);

private:
    int m_master = -1;
    int m_terminal = -1;
    std::string m_devicePath;
};
