#pragma once

#include "ModemAnswerer.h"
#include "Pty.h"

#include <chrono>
#include <deque>
#include <random>
#include <string>

struct SimulatorOptions
{
    ModemAnswerer::Settings modem;
    bool chunked = false;
    unsigned splitPattern = 0; // the same number gives the same split points
    int replyDelayMs = 0;
    std::string linkPath;
    std::string scriptPath;
};

// The simulated modem's life: answers the computer on the pseudo-terminal while it carries out
// the commands of a script and of standard input, one after the other.
class Simulator
{
public:
    explicit Simulator(SimulatorOptions options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Returns the process exit code.
    int run();

private:
    using Clock = std::chrono::steady_clock;
    struct Timed
    {
        Clock::time_point at;
        std::string bytes;
    };
    struct Command
    {
        std::string text;
        bool fromStdin = false;
    };

    bool loadScript();
    void readModemSide();
    void readStandardInput();
    void queueLines(std::string& pending, bool fromStdin);
    void flushDue(std::deque<Timed>& queue);
    void advanceCommands();
    void execute(const std::string& text);
    void send(const std::string& bytes, std::deque<Timed>& queue, bool chunked);
    void unplug();
    [[nodiscard]] int pollTimeoutMs() const;

    SimulatorOptions m_options;
    Pty m_pty;
    ModemAnswerer m_answerer;
    std::mt19937 m_random;
    std::deque<Timed> m_answers;   // to the computer's commands
    std::deque<Timed> m_callBytes; // of the current command
    std::deque<Command> m_commands;
    bool m_busy = false; // a command is still sending or sleeping
    bool m_busyFromStdin = false;
    Clock::time_point m_resumeAt;
    std::string m_stdinPending;
    bool m_stdinOpen = true;
    bool m_quit = false;
};
