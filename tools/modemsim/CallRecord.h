#pragma once

#include <string>
#include <vector>

// How one call is rung: the caller-ID dialect and the rings around the record.
struct CallOptions
{
    std::string number;
    std::string date;                   // MMDD; empty: today
    std::string time;                   // HHMM (or any text); empty: now
    bool noSpace = false;               // "DATE=1205" instead of "DATE = 1205"
    bool ddn = false;                   // "DDN_NMBR" instead of "NMBR"
    std::string name;                   // a NAME line when not empty
    bool nameFirst = false;             // NAME before the number
    std::string mesg;                   // a MESG line when not empty
    std::string mesgPosition = "first"; // first, date (after DATE), time (after TIME), last
    bool beforeRing = false;            // the record before the first RING
    bool noRing = false;                // the record alone
    bool lfOnly = false;                // LF line ends instead of CR LF
};

// Splits a command line into words; double quotes group words, a backslash escapes a quote.
std::vector<std::string> splitWords(const std::string& line);

// Reads "call" arguments (number first, then options). Returns an error text, empty when fine.
std::string parseCallOptions(const std::vector<std::string>& words, CallOptions& options);

// The bytes the modem sends for one call.
std::string callBytes(const CallOptions& options);

// Decodes \r \n \t \\ \" and \xHH.
std::string decodeEscapes(const std::string& text);
