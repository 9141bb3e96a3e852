#include "ModemAnswerer.h"

#include <algorithm>
#include <cctype>

namespace {

const std::string Ok = "\r\nOK\r\n";
const std::string Error = "\r\nERROR\r\n";

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

} // namespace

ModemAnswerer::ModemAnswerer(Settings settings)
    : m_settings(std::move(settings))
{}

std::string ModemAnswerer::receive(const std::string& bytes)
{
    std::string out;
    for (const char c : bytes) {
        if (m_settings.echo && !m_settings.silent)
            out += c;
        if (c == '\r' || c == '\n') {
            if (!m_line.empty())
                out += answer(m_line);
            m_line.clear();
        } else if (m_line.size() < 256) {
            m_line += c;
        }
    }
    return out;
}

std::string ModemAnswerer::answer(const std::string& line)
{
    if (m_settings.silent)
        return {};
    const std::string command = upper(line);
    // Before the "AT" test: a modem may be told to accept the candidate without that prefix.
    const bool accepted =
        std::any_of(m_settings.acceptedCommands.begin(), m_settings.acceptedCommands.end(),
                    [&](const std::string& c) { return upper(c) == command; });
    if (accepted)
        return Ok;
    if (command.rfind("AT", 0) != 0)
        return m_settings.errorAll ? Error : std::string();
    if (command == "AT" || command == "ATZ")
        return Ok;
    if (command == "ATE0" || command == "ATE1") {
        m_settings.echo = command == "ATE1";
        return Ok;
    }
    return Error;
}
