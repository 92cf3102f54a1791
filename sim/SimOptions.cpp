#include "SimOptions.h"

#include "ByteText.h"

#include <cstdlib>
#include <functional>
#include <map>

namespace {

// A whole decimal number within [low, high], nothing around it.
std::optional<int> parseInt(const std::string &text, int low, int high)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9)
        return std::nullopt;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < low || value > high)
        return std::nullopt;
    return static_cast<int>(value);
}

std::string setDelay(SimOptions::Delays &delays, const std::string &arg)
{
    const auto eq = arg.find('=');
    const auto ms = eq == std::string::npos ? std::nullopt : parseInt(arg.substr(eq + 1), 0, 60000);
    const std::string cls = arg.substr(0, eq);
    int *target = cls == "z"   ? &delays.probe
                  : cls == "R" ? &delays.read
                  : cls == "W" ? &delays.write
                  : cls == "V" ? &delays.version
                               : nullptr;
    if (!target || !ms)
        return "--delay-ms wants CMD=MS with CMD one of z, R, W, V and MS 0 to 60000, not \"" + arg + "\"";
    *target = *ms;
    return {};
}

std::string setLine(SimOptions::Line &line, const std::string &arg)
{
    const auto comma = arg.find(',');
    const auto baud = parseInt(arg.substr(0, comma), 1, 4000000);
    const std::string parity = comma == std::string::npos ? std::string() : arg.substr(comma + 1);
    if (!baud || parity.size() != 1 || std::string("NEO").find(parity[0]) == std::string::npos)
        return "--line wants BAUD,PARITY such as 9600,N (parity N, E or O), not \"" + arg + "\"";
    line = {*baud, parity[0]};
    return {};
}

} // namespace

SimOptionsResult parseSimOptions(int argc, const char *const *argv)
{
    SimOptionsResult result;
    SimOptions &o = result.options;

    using Setter = std::function<std::string(const std::string &)>;
    const auto hex = [](std::string &target, const char *name) {
        return Setter([&target, name](const std::string &v) -> std::string {
            const auto bytes = ByteText::fromHex(v);
            if (!bytes)
                return std::string(name) + " wants hexadecimal bytes such as 41E8, not \"" + v + "\"";
            target = *bytes;
            return {};
        });
    };
    const auto text = [](std::string &target, const char *name) {
        return Setter([&target, name](const std::string &v) -> std::string {
            const auto bytes = ByteText::unescape(v);
            if (!bytes)
                return std::string(name) + ": bad escape in \"" + v + "\" (use \\r \\n \\t \\\\ \\xHH)";
            target = *bytes;
            return {};
        });
    };
    const auto number = [](int &target, const char *name, int low, int high) {
        return Setter([&target, name, low, high](const std::string &v) -> std::string {
            const auto n = parseInt(v, low, high);
            if (!n)
                return std::string(name) + " wants a number from " + std::to_string(low) + " to " +
                       std::to_string(high) + ", not \"" + v + "\"";
            target = *n;
            return {};
        });
    };
    const auto path = [](std::string &target, const char *name) {
        return Setter([&target, name](const std::string &v) -> std::string {
            if (v.empty())
                return std::string(name) + " wants a path";
            target = v;
            return {};
        });
    };

    const std::map<std::string, Setter> withValue = {
        {"--link", path(o.linkPath, "--link")},
        {"--state", path(o.statePath, "--state")},
        {"--version-text", text(o.versionText, "--version-text")},
        {"--probe-reply", hex(o.probeReply, "--probe-reply")},
        {"--delay-ms", [&o](const std::string &v) { return setDelay(o.delays, v); }},
        {"--line", [&o](const std::string &v) { return setLine(o.line, v); }},
        {"--late-row", number(o.lateRow, "--late-row", 0, 15)},
        {"--long-row", number(o.longRow, "--long-row", 0, 15)},
        {"--write-reply",
         [&o](const std::string &v) -> std::string {
             o.writeReply = ByteText::unescape(v);
             return o.writeReply ? std::string() : "--write-reply: bad escape in \"" + v + "\"";
         }},
        {"--trailing", hex(o.trailing, "--trailing")},
        {"--hangup-after", number(o.hangupAfter, "--hangup-after", 1, 1000000)},
    };
    const std::map<std::string, bool *> flags = {
        {"--silent", &o.silent},
        {"--nak", &o.nak},
        {"--ack-no-store", &o.ackNoStore},
        {"--flood", &o.flood},
        {"--split-replies", &o.splitReplies},
        {"--pace", &o.pace},
        {"--log", &o.log},
        {"--help", &o.help},
        {"-h", &o.help},
    };

    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::optional<std::string> value;
        const auto eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.erase(eq);
        }
        if (const auto flag = flags.find(name); flag != flags.end() && !value) {
            *flag->second = true;
        } else if (const auto setter = withValue.find(name); setter != withValue.end()) {
            if (!value) {
                if (i + 1 == argc) {
                    result.error = name + " wants a value";
                    return result;
                }
                value = argv[++i];
            }
            result.error = setter->second(*value);
            if (!result.error.empty())
                return result;
        } else {
            result.error = "unknown option \"" + std::string(argv[i]) + "\"";
            return result;
        }
    }
    return result;
}

const char *simHelpText()
{
    return R"(Usage: korvex-sim [OPTIONS]

Simulates a KORVEX on a pseudo-terminal. Prints the terminal's path as the
first line of its output, then answers the device's commands on it until it
is ended with Ctrl+C or SIGTERM. To use it from KORVEXConfig, map a port to
that path (or to the --link path) in Korvex.ini (beside the program in a
build, ~/.config/KORVEXConfig/Korvex.ini when installed):

  [PORTS]
  COM1=/tmp/korvex

  --link PATH          also make the symbolic link PATH to the terminal
                       (replaces an existing link, never a file; removed on exit)
  --state FILE         keep the sixteen rows in FILE: loaded at start when it
                       exists, rewritten after every stored row
  --line BAUD,PARITY   the line the device runs at (default 9600,N): what a
                       host sends at another baud rate or parity is noise
                       to it, and ignored
  --pace               every byte, both ways, takes the time the line's baud
                       rate gives it (11 bits), as on a real cable
  --version-text TEXT  reply to "V" (default "KORVEX 2.14\r\n"); TEXT may use
                       the escapes \r \n \t \\ and \xHH
  --log                write every command and reply to stderr
  -h, --help           this text

Faults:
  --probe-reply HEX    answer the probe "z" with these bytes instead of E8
  --silent             never answer anything
  --delay-ms CMD=MS    hold back the reply to CMD (z, R, W or V) by MS
                       milliseconds; may be repeated
  --late-row N         the reply to the read of row index N (0-15) comes
                       300 ms late (on top of --delay-ms R)
  --long-row N         the reply to the read of row index N (0-15) carries
                       eight bytes more than its row, more than any row holds
  --nak                answer writes with NAK (15) and the index character,
                       and do not store them
  --write-reply TEXT   answer writes with TEXT (escapes as above), and do not
                       store them
  --ack-no-store       acknowledge writes without storing them
  --trailing HEX       send these bytes after the 00 that ends a read reply
  --hangup-after N     answer N commands, then hang up the line like a pulled
                       cable as soon as the host sends anything more (the
                       simulator then idles until it is ended)
  --flood              answer every read with 1 MiB of bytes and no 00
  --split-replies      send replies one byte at a time, 5 ms apart

Replies are sent in the order of their commands: a held-back reply also holds
back the replies after it. Bytes sent while no program has the terminal open
are lost, as on a real line.
)";
}
