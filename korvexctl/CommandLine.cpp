#include "CommandLine.h"
#include "SystemHelp.h"

#include "core/AppSettings.h"
#include "core/ComPort.h"
#include "core/NearestName.h"
#include "device/LineSettings.h"

#include <QCommandLineParser>

#include <vector>

namespace {

constexpr Operations Devices = operationBit(Operation::List) | operationBit(Operation::Read) |
                               operationBit(Operation::Write) | operationBit(Operation::Verify) |
                               operationBit(Operation::Version) | operationBit(Operation::Station);
constexpr Operations Ported = Devices & ~operationBit(Operation::Station);
constexpr Operations Filed =
    operationBit(Operation::Write) | operationBit(Operation::Verify) | operationBit(Operation::Station);
constexpr Operations Waiting = Ported & ~operationBit(Operation::List);
constexpr Operations Every = ~0U;

// A whole number from low to high as written, or nothing.
std::optional<int> wholeNumber(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return value;
}

QString refused(const char *option, const QString &wants, const QString &value)
{
    return QStringLiteral("--%1 wants %2, not \"%3\"").arg(QLatin1String(option), wants, value);
}

// clang-format off
const CommandSpec CommandTexts[] = {
    {Operation::List, "list", "list [-p PORT ...] [--probe]",
     "the ports there are, without writing to any; --probe: which answer",
     R"(Lists the serial ports there are: each COM1 to COM8 whose device exists,
with its device path, then every other serial device the system lists,
with what the system calls it. Not one byte is written to any. With
--probe, each port (or each one given with -p) is asked for its code
version instead, and the exit status is 3 when none answered.
)", false, false},
    {Operation::Read, "read", "read -p PORT ... [-o PATH]", "read the 16 rows into a .cfg file",
     R"(Reads the sixteen rows of each device and writes them as a .cfg file, the
bytes the window's Save writes for them: to standard output without -o
(the result line then goes to standard error). A read with any row not
read cleanly (no reply, a row after a missing reply, a row longer than six
units, a key no name stands for) writes nothing, and an existing file stays
as it was. With --json and no -o, each device's rows are in its object.
)", false, true},
    {Operation::Write, "write", "write -p PORT ... [--partial] FILE.cfg", "send the rows, then verify them",
     R"(Sends the rows of FILE.cfg ("-" for standard input) to each device, each
acknowledged row read back, then verifies them. The file is checked whole
first, as check does: a file with any problem is printed with its lines
and nothing reaches any device. A write stopped half-way says how many rows
the device acknowledged.
)", true, true},
    {Operation::Verify, "verify", "verify -p PORT ... [--partial] FILE.cfg", "compare the device with the file",
     R"(Compares each device with FILE.cfg ("-" for standard input), row by row,
and prints each row that differs. The file is checked as for write.
)", true, true},
    {Operation::Version, "version", "version -p PORT ...", "the device's code version",
     R"(Asks each device for its code version and prints it.
)", false, true},
    {Operation::Station, "station", StationUsage,
     "program and verify every unit plugged in, with a record of each",
     R"(is programmed once while it stays plugged in; plugged in again, it is
programmed again. One line per unit as it ends: its number, the time, its
name, its code version, PASS, or FAIL and why (the rows that differ; no
answer; removed during the write, and which rows are new). Ctrl+C, or
--count units, ends it with a summary: units passed, failed, interrupted,
and the time a unit took. Exit status 0 when every unit passed, 1
otherwise, 130 when stopped by Ctrl+C.
)", true, false},
    {Operation::Check, "check", "check FILE.cfg", "check a .cfg file, without any port",
     R"(Checks FILE.cfg ("-" for standard input) as write and verify do, without
opening any port: every line that is neither a comment, empty, nor a row,
every row number outside 1 to 16, bad notation, an over-long string or a
key name no KORVEX knows is printed with its line. Exit status 0 when there
is none, 2 otherwise.
)", true, false},
    {Operation::Keys, "keys", "keys", "the key names a .cfg file may use",
     R"(Prints the key names a .cfg file may use, one a line, with the PS/2
scancode each stands for.
)", false, false},
};

const OptionSpec OptionTexts[] = {
    {"p", "port", "PORT", Ported, R"(COM1 ... COM255 (mapped as the window maps them, [PORTS]
of the settings file first), a device path such as
/dev/ttyUSB0, or "all": every port that answers the
probe; a port named under [PORTS] that does not answer
is a failed unit. May be repeated: the devices are
served at the same time.
)", [](Request &r, const QString &v) { r.ports << v; return QString(); }},
    {"o", "output", "PATH", operationBit(Operation::Read), R"(the file to write, "-" for standard output, or a folder
(one ending in /, one that exists, and always with
several ports or all) that gets one file per device,
named after the port (COM3.cfg, ttyUSB0.cfg). Never a
device or a pipe.
)", [](Request &r, const QString &v) { r.output = v; return QString(); }},
    {nullptr, "partial", nullptr, Filed, R"(only the rows FILE.cfg names; the device's other rows
are left as they are. Without it the file must name all
sixteen rows
)", [](Request &r, const QString &) { r.partial = true; return QString(); }},
    {nullptr, "probe", nullptr, operationBit(Operation::List), R"(ask each port for its code version (writes the probe)
)", [](Request &r, const QString &) { r.probe = true; return QString(); }},
    {nullptr, "wait", "SECONDS", Waiting, R"(wait for each port to appear and answer, instead of
failing at once; status 4 once the time is up
)", [](Request &r, const QString &v) {
        const std::optional<int> seconds = wholeNumber(v, 1, 86400);
        r.waitMs = seconds.value_or(0) * 1000;
        return seconds ? QString() : refused("wait", QStringLiteral("the seconds to wait, 1 to 86400"), v);
    }},
    {nullptr, "watch", "DIR", Watching, R"(the folder whose entries are the units plugged in
(default /dev/serial/by-id, made by udev when the first
adapter appears; its parent is watched until then)
)", [](Request &r, const QString &v) { r.watchDir = v; return QString(); }},
    {nullptr, "log", "FILE", operationBit(Operation::Station), R"(append one JSON line per unit, each flushed to the disk
before the next unit is counted; never rewritten
)", [](Request &r, const QString &v) { r.logPath = v; return QString(); }},
    {nullptr, "count", "N", operationBit(Operation::Station), R"(stop after N units, with the summary
)", [](Request &r, const QString &v) {
        const std::optional<int> units = wholeNumber(v, 1, 1000000);
        r.count = units.value_or(0);
        return units ? QString() : refused("count", QStringLiteral("a number of units"), v);
    }},
    {nullptr, "settle", "MS", operationBit(Operation::Station), R"(wait after a unit appears before the first byte (200)
)", [](Request &r, const QString &v) {
        const std::optional<int> ms = wholeNumber(v, 0, 60000);
        r.settleMs = ms.value_or(0);
        return ms ? QString() : refused("settle", QStringLiteral("milliseconds, 0 to 60000"), v);
    }},
    {nullptr, "settings", "FILE", Devices, R"(the settings file to take port mapping, baud rate and
parity from (default: $KORVEX_SETTINGS, else the one
KORVEXConfig uses). It must be readable: its [PORTS]
section says which device each COMn is
)", [](Request &r, const QString &v) {
        r.settingsPath = v;
        return v.isEmpty() ? QStringLiteral("--settings wants a file; an empty name is none") : QString();
    }},
    {"b", "baud", "RATE", Devices, R"(baud rate for this run (8 data bits, 2 stop bits always)
)", [](Request &r, const QString &v) {
        r.baud = v;
        return parseBaud(v) ? QString() : refused("baud", QStringLiteral("a rate such as 9600"), v);
    }},
    {nullptr, "parity", "PARITY", Devices, R"(none, even or odd for this run
)", [](Request &r, const QString &v) {
        r.parity = parityLetter(v);
        return r.parity->isEmpty() ? refused("parity", QStringLiteral("none, even or odd"), v) : QString();
    }},
    {nullptr, "timing", "MODE", Devices, R"(reply (default): each exchange ends as soon as its reply
is complete, never later than the protocol's wait;
protocol: the waits the device protocol asks for, with
the same results in thirty times the time
)", [](Request &r, const QString &v) {
        const bool protocol = v == QLatin1String("protocol");
        r.timing = protocol ? DeviceSession::Timing::Protocol : DeviceSession::Timing::Reply;
        return protocol || v == QLatin1String("reply") ? QString() : refused("timing", QStringLiteral("protocol or reply"), v);
    }},
    {nullptr, "json", nullptr, Devices, R"(one JSON object per device per line instead of text; a
read's rows are in it, and go nowhere else without -o
)", [](Request &r, const QString &) { r.json = true; return QString(); }},
    {"q", "quiet", nullptr, Devices, R"(no progress line
)", [](Request &r, const QString &) { r.quiet = true; return QString(); }},
    {"v", "trace", nullptr, Devices, R"(every byte exchanged with each device, timestamped, on
standard error
)", [](Request &r, const QString &) { r.trace = true; return QString(); }},
    {"h", "help", nullptr, Every, R"(this text (with a command: that command's)
)", [](Request &r, const QString &) { r.help = true; return QString(); }},
    {nullptr, "version", nullptr, Every, R"(the program's version
)", [](Request &r, const QString &) { r.version = true; return QString(); }},
};
// clang-format on

const char ExitStatusText[] = R"(
Exit status, the largest over all devices:
  0    every device ok
  1    some row not acknowledged, not answered, not matching, cut or not
       trusted, the rows read could not be written, or a station unit
       failed
  2    bad usage, a bad .cfg file, settings that cannot be read or used
  3    a device did not answer the probe (list --probe: no port answered)
  4    a port could not be opened, or failed during the operation
  130  interrupted (Ctrl+C, SIGTERM, a hang-up): each device stops between
       two commands and its rows are reported as they stand
)";

const CommandSpec *commandNamed(const QString &word)
{
    for (const CommandSpec &command : commandTable()) {
        if (word == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QStringList commandNames()
{
    QStringList names;
    for (const CommandSpec &command : commandTable())
        names << QLatin1String(command.name);
    return names;
}

// "unknown command "writ"", and the command meant when one is close.
QString unknownCommand(const QString &word)
{
    const QString text = QStringLiteral("unknown command \"%1\"").arg(word);
    const QString meant = nearestName(word, commandNames());
    return meant.isEmpty() ? text : text + QStringLiteral("; did you mean \"%1\"?").arg(meant);
}

// The parser's own words, and the option meant when one is unknown but close.
QString parserError(const QCommandLineParser &parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty())
        return parser.errorText();
    QStringList names;
    for (const OptionSpec &option : optionTable())
        names << QStringLiteral("--") + QLatin1String(option.longName);
    const QString given =
        (unknown.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + unknown.first();
    const QString meant = nearestName(given, names);
    const QString text = QStringLiteral("unknown option \"%1\"").arg(given);
    return meant.isEmpty() ? text : text + QStringLiteral("; did you mean \"%1\"?").arg(meant);
}

QString commandsFor(const OptionSpec &option)
{
    QStringList names;
    for (const CommandSpec &command : commandTable()) {
        if (option.isFor(command.operation))
            names << QLatin1String(command.name);
    }
    return names.join(QStringLiteral(", "));
}

// The words after the command: one file for those that take one, none else.
QString takeWords(const CommandSpec &command, const QStringList &words, Request &request)
{
    if (command.takesFile && words.size() != 1)
        return QStringLiteral("%1 wants one .cfg file").arg(QLatin1String(command.name));
    if (!command.takesFile && !words.isEmpty())
        return QStringLiteral("%1 takes no file (\"%2\")").arg(QLatin1String(command.name), words.first());
    request.cfgFile = words.value(0);
    return {};
}

// Each option given, for the command it is given with.
QString takeOptions(const QCommandLineParser &parser, const CommandSpec &command, Request &request)
{
    for (const OptionSpec &option : optionTable()) {
        const QString name = QLatin1String(option.longName);
        if (!parser.isSet(name))
            continue;
        if (option.commands == 0)
            return option.names() + QLatin1String(NoUseHere);
        if (!option.isFor(command.operation))
            return QStringLiteral("%1 is for %2 only").arg(option.names(), commandsFor(option));
        for (const QString &value : option.valueName ? parser.values(name) : QStringList{QString()}) {
            if (const QString why = option.apply(request, value); !why.isEmpty())
                return why;
        }
    }
    if (command.wantsPort && request.ports.isEmpty())
        return QStringLiteral("%1 wants a port: -p COM1 ... COM%2, a device path, or -p all")
            .arg(QLatin1String(command.name))
            .arg(LastComPort);
    return {};
}

// The help of the options a command takes, or of every option.
QByteArray optionsHelp(std::optional<Operation> command)
{
    QByteArray text;
    for (const OptionSpec &option : optionTable()) {
        if (option.commands == 0 || (command && !option.isFor(*command)))
            continue;
        QString head = QStringLiteral("  ") + option.names();
        if (option.valueName)
            head += QLatin1Char(' ') + QLatin1String(option.valueName);
        const QStringList lines =
            QString::fromLatin1(option.help).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (int i = 0; i < lines.size(); ++i)
            text += (i == 0 ? head.leftJustified(22) : QString(22, QLatin1Char(' '))).toLatin1() +
                    lines.at(i).toLatin1() + '\n';
    }
    return text;
}

} // namespace

Table<CommandSpec> commandTable()
{
    return {CommandTexts, std::size(CommandTexts)};
}

Table<OptionSpec> optionTable()
{
    return {OptionTexts, std::size(OptionTexts)};
}

QString OptionSpec::names() const
{
    const QString longForm = QStringLiteral("--") + QLatin1String(longName);
    return shortName ? QStringLiteral("-%1, %2").arg(QLatin1String(shortName), longForm) : longForm;
}

QString operationName(Operation operation)
{
    for (const CommandSpec &command : commandTable()) {
        if (command.operation == operation)
            return QLatin1String(command.name);
    }
    return {};
}

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    ParsedCommandLine parsed;
    Request &request = parsed.request;
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const OptionSpec &option : optionTable()) {
        QStringList names{QLatin1String(option.longName)};
        if (option.shortName)
            names.prepend(QLatin1String(option.shortName));
        parser.addOption(
            QCommandLineOption(names, QString(), QLatin1String(option.valueName ? option.valueName : "")));
    }
    if (!parser.parse(arguments)) {
        parsed.error = parserError(parser);
        return parsed;
    }
    QStringList words = parser.positionalArguments();
    request.version = parser.isSet(QStringLiteral("version"));
    // "help write", "write --help" and "--help" all ask for help.
    request.help = parser.isSet(QStringLiteral("help")) || words.value(0) == QLatin1String("help");
    if (words.value(0) == QLatin1String("help"))
        words.removeFirst();
    if (request.help && !words.isEmpty() && words.first() != QLatin1String("help")) {
        const CommandSpec *topic = commandNamed(words.first());
        request.helpTopic = topic ? std::optional(topic->operation) : std::nullopt;
        if (!topic)
            parsed.error = unknownCommand(words.first());
    }
    if (request.help || request.version)
        return parsed;
    if (words.isEmpty()) {
        parsed.error =
            QStringLiteral("no command given (%1 or help)").arg(commandNames().join(QStringLiteral(", ")));
        return parsed;
    }
    const CommandSpec *command = commandNamed(words.takeFirst());
    if (!command) {
        parsed.error = unknownCommand(parser.positionalArguments().value(0));
        return parsed;
    }
    request.operation = command->operation;
    parsed.error = takeWords(*command, words, request);
    if (parsed.error.isEmpty())
        parsed.error = takeOptions(parser, *command, request);
    return parsed;
}

QByteArray helpText(std::optional<Operation> command)
{
    for (const CommandSpec &help : commandTable()) {
        if (command && help.operation == *command)
            return QByteArrayLiteral("Usage: korvexctl ") + help.usage + " [OPTIONS]\n\n" +
                   (help.operation == Operation::Station ? StationWatches : "") + help.help +
                   "\nOptions (before or after the command):\n" + optionsHelp(command) + ExitStatusText;
    }
    QByteArray text = "Usage: korvexctl COMMAND [OPTIONS]\n\n"
                      "Reads, writes and verifies the sixteen key overrides of one KORVEX or of many\n"
                      "at once, with the same device code as the KORVEXConfig window.\n\n"
                      "Commands:\n";
    for (const CommandSpec &help : commandTable())
        text += QByteArrayLiteral("  ") + QByteArray(help.usage) + "\n      " + help.summary + '\n';
    text += "  help [COMMAND]\n      this text, or one command's\n"
            "\nOptions (before or after the command):\n" +
            optionsHelp(std::nullopt) + ExitStatusText;
    text += SystemParagraph;
    return text;
}
