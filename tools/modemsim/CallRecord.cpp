#include "CallRecord.h"

#include <ctime>

std::vector<std::string> splitWords(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
            word += '"';
            inWord = true;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

std::string parseCallOptions(const std::vector<std::string>& words, CallOptions& options)
{
    if (words.empty())
        return "call needs a NUMBER";
    options.number = words[0];
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& option = words[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= words.size())
                return false;
            target = words[++i];
            return true;
        };
        bool ok = true;
        if (option == "--nospace")
            options.noSpace = true;
        else if (option == "--ddn")
            options.ddn = true;
        else if (option == "--name")
            ok = value(options.name);
        else if (option == "--name-first")
            options.nameFirst = true;
        else if (option == "--mesg")
            ok = value(options.mesg);
        else if (option == "--mesg-pos")
            ok = value(options.mesgPosition) &&
                 (options.mesgPosition == "first" || options.mesgPosition == "date" ||
                  options.mesgPosition == "time" || options.mesgPosition == "last");
        else if (option == "--before-ring")
            options.beforeRing = true;
        else if (option == "--no-ring")
            options.noRing = true;
        else if (option == "--lf")
            options.lfOnly = true;
        else if (option == "--date")
            ok = value(options.date);
        else if (option == "--time")
            ok = value(options.time);
        else
            return "unknown call option " + option;
        if (!ok)
            return "bad or missing value for " + option;
    }
    return {};
}

namespace {

std::string nowAs(const char* format)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16] = {};
    std::strftime(text, sizeof text, format, &local);
    return text;
}

} // namespace

std::string callBytes(const CallOptions& options)
{
    const std::string eol = options.lfOnly ? "\n" : "\r\n";
    const std::string equals = options.noSpace ? "=" : " = ";
    auto line = [&](const std::string& tag, const std::string& value) {
        return tag + equals + value + eol;
    };
    const std::string mesg = options.mesg.empty() ? std::string() : line("MESG", options.mesg);
    const std::string name = options.name.empty() ? std::string() : line("NAME", options.name);

    std::string record = eol;
    if (options.mesgPosition == "first")
        record += mesg;
    record += line("DATE", options.date.empty() ? nowAs("%m%d") : options.date);
    if (options.mesgPosition == "date")
        record += mesg;
    record += line("TIME", options.time.empty() ? nowAs("%H%M") : options.time);
    if (options.mesgPosition == "time")
        record += mesg;
    if (options.nameFirst)
        record += name;
    record += line(options.ddn ? "DDN_NMBR" : "NMBR", options.number);
    if (!options.nameFirst)
        record += name;
    if (options.mesgPosition == "last")
        record += mesg;

    const std::string ring = eol + "RING" + eol;
    if (options.noRing)
        return record;
    if (options.beforeRing)
        return record + ring;
    return ring + record + ring;
}

std::string decodeEscapes(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char kind = text[++i];
        switch (kind) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            std::string hex;
            while (hex.size() < 2 && i + 1 < text.size() &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 1])))
                hex += text[++i];
            if (hex.empty())
                out += "\\x";
            else
                out += static_cast<char>(std::stoi(hex, nullptr, 16));
            break;
        }
        default:
            out += kind; // \\ and \" and anything else stand for themselves
        }
    }
    return out;
}
