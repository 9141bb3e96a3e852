// modemsim: a caller-ID modem on a pseudo-terminal, for tests, the demo and installers.

#include "Simulator.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

const char* const HelpText = R"(Usage: modemsim [OPTIONS]

Simulates a voice modem with caller ID on a pseudo-terminal. Prints the device path
(e.g. /dev/pts/7) as the first line of standard output, then reads commands from
standard input, one per line, and prints "done" after each one.

Options:
  --link PATH       also make PATH a symbolic link to the device (removed at exit)
  --accept CMD      answer "OK" to the caller-ID command CMD; repeatable. The line
                    control tries XXX, AT+VCID=1, AT#CID=1, AT%CCID=1, AT#CC1=1 and
                    AT*ID1=1, in that order
  --echo            echo what the computer sends (default)
  --no-echo         do not echo
  --silent          never answer nor echo, as a dead or switched-off modem
  --error-all       answer "ERROR" also to text that does not start with "AT"
  --reply-delay MS  answer commands after MS milliseconds (default 0)
  --chunked         send calls and raw text in pieces split at random points, with
                    pauses of 0 to 6 ms between them
  --pattern N       which random split points --chunked uses; the same N gives the
                    same pieces again (default: a new pattern each run)
  --script FILE     run the commands of FILE first (no "done" for them), then read
                    standard input; lines starting with # are comments
  --help            this text

The modem answers "OK" to AT, ATZ, ATE0 (echo off), ATE1 (echo on) and the accepted
commands, "ERROR" to any other line starting with AT, and nothing to other text
such as "XXX". Commands are lines ended by CR or LF.

Commands:
  call NUMBER [OPTIONS]   ring one call: RING, the caller-ID record, RING. Line ends
                          are CR LF; the record is
                              DATE = MMDD
                              TIME = HHMM
                              NMBR = NUMBER
                          with the current date and time. NUMBER may be P (private)
                          or O (unavailable), or any text.
      --nospace           "DATE=1205" instead of "DATE = 1205"
      --ddn               "DDN_NMBR = " instead of "NMBR = "
      --name "TEXT"       add a line NAME = TEXT after the number
      --name-first        put the NAME line before the number
      --mesg TEXT         add a line MESG = TEXT
      --mesg-pos WHERE    where the MESG line goes: first (default), date (after
                          DATE), time (after TIME), last
      --before-ring       send the record first, then RING
      --no-ring           send the record alone
      --lf                end lines with LF alone
      --date MMDD         the DATE value (any text)
      --time HHMM         the TIME value (any text, e.g. 5 digits)
  raw TEXT                send TEXT, with \r \n \t \\ \" and \xHH decoded
  sleep MS                wait MS milliseconds before the next command
  accept CMD              from now on answer "OK" to CMD too
  unplug                  close the device, as a modem pulled out; the program
                          using it sees the device go away
  quit                    end

Example:
  printf 'call 5551234\ncall P --nospace\nquit\n' | modemsim --accept AT+VCID=1
)";

bool takeValue(int argc, char** argv, int& i, std::string& value)
{
    if (i + 1 >= argc)
        return false;
    value = argv[++i];
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    SimulatorOptions options;
    options.splitPattern = std::random_device()();
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        std::string value;
        bool ok = true;
        if (option == "--help" || option == "-h") {
            std::fputs(HelpText, stdout);
            return 0;
        } else if (option == "--link") {
            ok = takeValue(argc, argv, i, options.linkPath);
        } else if (option == "--accept") {
            ok = takeValue(argc, argv, i, value);
            options.modem.acceptedCommands.insert(value);
        } else if (option == "--echo") {
            options.modem.echo = true;
        } else if (option == "--no-echo") {
            options.modem.echo = false;
        } else if (option == "--silent") {
            options.modem.silent = true;
        } else if (option == "--error-all") {
            options.modem.errorAll = true;
        } else if (option == "--reply-delay") {
            ok = takeValue(argc, argv, i, value);
            options.replyDelayMs = std::atoi(value.c_str());
        } else if (option == "--chunked") {
            options.chunked = true;
        } else if (option == "--pattern") {
            ok = takeValue(argc, argv, i, value);
            options.splitPattern = unsigned(std::strtoul(value.c_str(), nullptr, 10));
        } else if (option == "--script") {
            ok = takeValue(argc, argv, i, options.scriptPath);
        } else {
            std::fprintf(stderr, "modemsim: unknown option %s (see --help)\n", option.c_str());
            return 2;
        }
        if (!ok) {
            std::fprintf(stderr, "modemsim: %s needs a value (see --help)\n", option.c_str());
            return 2;
        }
    }
    Simulator simulator(options);
    return simulator.run();
}
