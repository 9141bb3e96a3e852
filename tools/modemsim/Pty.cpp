#include "Pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

Pty::~Pty()
{
    close();
}

std::string Pty::open()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return std::string("posix_openpt: ") + std::strerror(errno);
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return std::string("grantpt/unlockpt: ") + std::strerror(errno);
    const char* name = ptsname(m_master);
    if (!name)
        return std::string("ptsname: ") + std::strerror(errno);
    m_devicePath = name;
    m_terminal = ::open(name, O_RDWR | O_NOCTTY);
    if (m_terminal < 0)
        return std::string("open ") + m_devicePath + ": " + std::strerror(errno);
    termios settings{};
    tcgetattr(m_terminal, &settings);
    cfmakeraw(&settings);
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    tcsetattr(m_terminal, TCSANOW, &settings);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return {};
}

void Pty::close()
{
    if (m_terminal >= 0)
        ::close(m_terminal);
    if (m_master >= 0)
        ::close(m_master);
    m_terminal = -1;
    m_master = -1;
}

bool Pty::writeAll(const std::string& bytes, int timeoutMs)
{
    std::size_t written = 0;
    while (m_master >= 0 && written < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += std::size_t(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // Nobody is reading and the line is full: wait a little, as a modem's buffer would.
        pollfd room{m_master, POLLOUT, 0};
        if (poll(&room, 1, timeoutMs) <= 0)
            return false;
    }
    return m_master >= 0;
}
