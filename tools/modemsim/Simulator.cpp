#include "Simulator.h"

#include "CallRecord.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

// How long a write may wait for a reader to make room before the bytes are dropped, as the
// line of a modem nobody listens to would.
constexpr int WriteTimeoutMs = 200;

void printLine(const std::string& text)
{
    std::fputs((text + '\n').c_str(), stdout);
    std::fflush(stdout);
}

void warn(const std::string& text)
{
    std::fputs(("modemsim: " + text + '\n').c_str(), stderr);
}

} // namespace

Simulator::Simulator(SimulatorOptions options)
    : m_options(std::move(options))
    , m_answerer(m_options.modem)
    , m_random(m_options.splitPattern)
{}

Simulator::~Simulator()
{
    if (!m_options.linkPath.empty())
        ::unlink(m_options.linkPath.c_str());
}

int Simulator::run()
{
    std::signal(SIGTERM, requestStop);
    std::signal(SIGINT, requestStop);
    std::signal(SIGPIPE, SIG_IGN);

    if (const std::string error = m_pty.open(); !error.empty()) {
        warn(error);
        return 1;
    }
    if (!m_options.linkPath.empty()) {
        ::unlink(m_options.linkPath.c_str());
        if (::symlink(m_pty.devicePath().c_str(), m_options.linkPath.c_str()) != 0) {
            warn("cannot make the link " + m_options.linkPath);
            return 1;
        }
    }
    if (!loadScript())
        return 1;
    printLine(m_pty.devicePath());

    while (!m_quit && !stopRequested) {
        flushDue(m_answers);
        advanceCommands();
        if (m_quit)
            break;
        pollfd watched[2];
        nfds_t count = 0;
        int modemIndex = -1;
        int stdinIndex = -1;
        if (m_pty.isOpen()) {
            modemIndex = int(count);
            watched[count++] = {m_pty.fd(), POLLIN, 0};
        }
        if (m_stdinOpen) {
            stdinIndex = int(count);
            watched[count++] = {STDIN_FILENO, POLLIN, 0};
        }
        if (::poll(watched, count, pollTimeoutMs()) <= 0)
            continue;
        if (modemIndex >= 0 && (watched[modemIndex].revents & POLLIN))
            readModemSide();
        if (stdinIndex >= 0 && (watched[stdinIndex].revents & (POLLIN | POLLHUP | POLLERR)))
            readStandardInput();
    }
    m_pty.close();
    return 0;
}

bool Simulator::loadScript()
{
    if (m_options.scriptPath.empty())
        return true;
    std::ifstream script(m_options.scriptPath);
    if (!script) {
        warn("cannot read the script " + m_options.scriptPath);
        return false;
    }
    std::string line;
    while (std::getline(script, line))
        m_commands.push_back({line, false});
    return true;
}

void Simulator::readModemSide()
{
    char data[512];
    const ssize_t n = ::read(m_pty.fd(), data, sizeof data);
    if (n <= 0)
        return;
    const std::string reply = m_answerer.receive(std::string(data, std::size_t(n)));
    if (reply.empty())
        return;
    // Echo and answers come after the modem's thinking time.
    const auto delay = std::chrono::milliseconds(m_options.replyDelayMs);
    m_answers.push_back({Clock::now() + delay, reply});
    flushDue(m_answers);
}

void Simulator::readStandardInput()
{
    char data[4096];
    const ssize_t n = ::read(STDIN_FILENO, data, sizeof data);
    if (n <= 0) {
        // A last line without its line end is still a command.
        if (!m_stdinPending.empty())
            m_commands.push_back({std::exchange(m_stdinPending, {}), true});
        // Without a driver the simulator goes on answering the modem side until it is ended.
        m_stdinOpen = false;
        return;
    }
    m_stdinPending.append(data, std::size_t(n));
    queueLines(m_stdinPending, true);
}

void Simulator::queueLines(std::string& pending, bool fromStdin)
{
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        m_commands.push_back({pending.substr(0, end), fromStdin});
        pending.erase(0, end + 1);
    }
}

void Simulator::flushDue(std::deque<Timed>& queue)
{
    const auto now = Clock::now();
    while (!queue.empty() && queue.front().at <= now) {
        if (m_pty.isOpen() && !m_pty.writeAll(queue.front().bytes, WriteTimeoutMs))
            warn("nobody reads the line; bytes dropped");
        queue.pop_front();
    }
}

void Simulator::advanceCommands()
{
    while (!m_quit) {
        flushDue(m_callBytes);
        if (m_busy) {
            if (!m_callBytes.empty() || Clock::now() < m_resumeAt)
                return;
            m_busy = false;
            if (m_busyFromStdin)
                printLine("done");
        }
        if (m_commands.empty())
            return;
        Command command = m_commands.front();
        m_commands.pop_front();
        if (!command.text.empty() && command.text.back() == '\r')
            command.text.pop_back();
        const auto first = command.text.find_first_not_of(" \t");
        if (first == std::string::npos || command.text[first] == '#') {
            if (command.fromStdin)
                printLine("done");
            continue;
        }
        m_busy = true;
        m_busyFromStdin = command.fromStdin;
        m_resumeAt = Clock::now();
        execute(command.text.substr(first));
    }
}

void Simulator::execute(const std::string& text)
{
    const std::vector<std::string> words = splitWords(text);
    const std::string& verb = words.front();
    // The text after the verb and one blank, as typed (for "raw").
    const std::string rest =
        text.size() > verb.size() + 1 ? text.substr(verb.size() + 1) : std::string();
    const bool unplugged = !m_pty.isOpen();

    if (verb == "call") {
        CallOptions call;
        if (const std::string error = parseCallOptions({words.begin() + 1, words.end()}, call);
            !error.empty())
            warn(error);
        else if (unplugged)
            warn("the device is unplugged");
        else
            send(callBytes(call), m_callBytes, m_options.chunked);
    } else if (verb == "raw") {
        if (unplugged)
            warn("the device is unplugged");
        else
            send(decodeEscapes(rest), m_callBytes, m_options.chunked);
    } else if (verb == "sleep" && words.size() == 2) {
        m_resumeAt = Clock::now() + std::chrono::milliseconds(std::atoi(words[1].c_str()));
    } else if (verb == "accept" && words.size() == 2) {
        m_answerer.accept(words[1]);
    } else if (verb == "unplug") {
        unplug();
    } else if (verb == "quit") {
        m_quit = true;
        if (m_busyFromStdin)
            printLine("done");
    } else {
        warn("unknown command: " + text);
    }
}

void Simulator::send(const std::string& bytes, std::deque<Timed>& queue, bool chunked)
{
    auto at = Clock::now();
    if (!chunked) {
        queue.push_back({at, bytes});
        return;
    }
    // Random split points and short pauses, as a serial driver hands data over.
    std::uniform_int_distribution<std::size_t> length(1, 12);
    std::uniform_int_distribution<int> pauseMs(0, 6);
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t n = std::min(length(m_random), bytes.size() - start);
        queue.push_back({at, bytes.substr(start, n)});
        start += n;
        at += std::chrono::milliseconds(pauseMs(m_random));
    }
}

void Simulator::unplug()
{
    m_callBytes.clear();
    m_answers.clear();
    m_pty.close();
    if (!m_options.linkPath.empty())
        ::unlink(m_options.linkPath.c_str());
}

int Simulator::pollTimeoutMs() const
{
    auto next = Clock::time_point::max();
    if (!m_answers.empty())
        next = std::min(next, m_answers.front().at);
    if (!m_callBytes.empty())
        next = std::min(next, m_callBytes.front().at);
    if (m_busy)
        next = std::min(next, m_resumeAt);
    if (next == Clock::time_point::max())
        return -1;
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
    return int(std::clamp<long long>(wait, 0, 60000));
}
