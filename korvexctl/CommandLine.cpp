#include "CommandLine.h"

#include "core/AppSettings.h"
#include "device/LineSettings.h"

#include <QCommandLineParser>

#include <algorithm>
#include <vector>

namespace {

using Operation = Request::Operation;

const std::pair<const char *, Operation> Operations[] = {
    {"list", Operation::List},     {"read", Operation::Read},       {"write", Operation::Write},
    {"verify", Operation::Verify}, {"version", Operation::Version}, {"station", Operation::Station},
};

// A whole number of at least `low` as written, or nothing.
std::optional<int> wholeNumber(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return value;
}

std::optional<Operation> operationNamed(const QString &word)
{
    for (const auto &[name, op] : Operations) {
        if (word == QLatin1String(name))
            return op;
    }
    return std::nullopt;
}

// How many single-character edits turn a into b.
int editDistance(const QString &a, const QString &b)
{
    std::vector<int> previous(std::size_t(b.size()) + 1), current(previous.size());
    for (std::size_t j = 0; j < previous.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int replace = previous[std::size_t(j - 1)] + (a.at(i - 1) == b.at(j - 1) ? 0 : 1);
            current[std::size_t(j)] =
                std::min({previous[std::size_t(j)] + 1, current[std::size_t(j - 1)] + 1, replace});
        }
        std::swap(previous, current);
    }
    return previous.back();
}

// "unknown command "writ"", and the command meant when one is close.
QString unknownCommand(const QString &word)
{
    QString nearest;
    int best = 3; // more edits than this is another word
    for (const auto &[name, op] : Operations) {
        const int distance = editDistance(word.toLower(), QLatin1String(name));
        if (distance < best) {
            best = distance;
            nearest = QLatin1String(name);
        }
    }
    const QString text = QStringLiteral("unknown command \"%1\"").arg(word);
    return nearest.isEmpty() ? text : text + QStringLiteral("; did you mean \"%1\"?").arg(nearest);
}

} // namespace

QString operationName(Request::Operation operation)
{
    for (const auto &[name, op] : Operations) {
        if (op == operation)
            return QLatin1String(name);
    }
    return {};
}

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    ParsedCommandLine parsed;
    Request &request = parsed.request;
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")}, QString(),
                                  QStringLiteral("PORT"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, QString(),
                                    QStringLiteral("PATH"));
    const QCommandLineOption settings(QStringLiteral("settings"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption baud(QStringLiteral("baud"), QString(), QStringLiteral("RATE"));
    const QCommandLineOption parity(QStringLiteral("parity"), QString(), QStringLiteral("PARITY"));
    const QCommandLineOption timing(QStringLiteral("timing"), QString(), QStringLiteral("MODE"));
    const QCommandLineOption partial(QStringLiteral("partial"));
    const QCommandLineOption probe(QStringLiteral("probe"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption quiet(QStringList{QStringLiteral("q"), QStringLiteral("quiet")});
    const QCommandLineOption wait(QStringLiteral("wait"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption watch(QStringLiteral("watch"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption log(QStringLiteral("log"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption count(QStringLiteral("count"), QString(), QStringLiteral("N"));
    const QCommandLineOption settle(QStringLiteral("settle"), QString(), QStringLiteral("MS"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({port, output, settings, baud, parity, timing, partial, probe, json, quiet, wait, watch,
                       log, count, settle, help, version});
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    QStringList words = parser.positionalArguments();
    request.version = parser.isSet(version);
    // "help write", "write --help" and "--help" all ask for help.
    request.help = parser.isSet(help) || words.value(0) == QLatin1String("help");
    if (words.value(0) == QLatin1String("help"))
        words.removeFirst();
    if (request.help && !words.isEmpty()) {
        request.helpTopic = operationNamed(words.first());
        if (!request.helpTopic)
            parsed.error = unknownCommand(words.first());
    }
    if (request.help || request.version)
        return parsed;

    if (words.isEmpty()) {
        parsed.error =
            QStringLiteral("no command given (list, read, write, verify, version, station or help)");
        return parsed;
    }
    const QString command = words.takeFirst();
    if (const std::optional<Operation> op = operationNamed(command)) {
        request.operation = *op;
    } else {
        parsed.error = unknownCommand(command);
        return parsed;
    }

    const bool station = request.operation == Request::Operation::Station;
    const bool takesFile = request.operation == Request::Operation::Write ||
                           request.operation == Request::Operation::Verify || station;
    if (takesFile && words.size() != 1) {
        parsed.error = QStringLiteral("%1 wants one .cfg file").arg(command);
        return parsed;
    }
    if (!takesFile && !words.isEmpty()) {
        parsed.error = QStringLiteral("%1 takes no file (\"%2\")").arg(command, words.first());
        return parsed;
    }
    if (takesFile)
        request.cfgFile = words.first();

    request.ports = parser.values(port);
    if (station && !request.ports.isEmpty()) {
        parsed.error = QStringLiteral("station takes the units as they are plugged in, not -p");
        return parsed;
    }
    if (request.ports.isEmpty() && request.operation != Request::Operation::List && !station) {
        parsed.error =
            QStringLiteral("%1 wants a port: -p COM1 ... COM8, a device path, or -p all").arg(command);
        return parsed;
    }
    if (parser.isSet(output)) {
        if (request.operation != Request::Operation::Read) {
            parsed.error = QStringLiteral("-o is for read only");
            return parsed;
        }
        request.output = parser.value(output);
    }
    request.settingsPath = parser.value(settings);
    if (parser.isSet(baud)) {
        const QString rate = parser.value(baud);
        if (!parseBaud(rate)) {
            parsed.error = QStringLiteral("--baud wants a rate such as 9600, not \"%1\"").arg(rate);
            return parsed;
        }
        request.baud = rate;
    }
    if (parser.isSet(parity)) {
        request.parity = parityLetter(parser.value(parity));
        if (request.parity->isEmpty()) {
            parsed.error =
                QStringLiteral("--parity wants none, even or odd, not \"%1\"").arg(parser.value(parity));
            return parsed;
        }
    }
    if (parser.isSet(timing)) {
        const QString mode = parser.value(timing);
        if (mode == QLatin1String("protocol")) {
            request.timing = DeviceSession::Timing::Protocol;
        } else if (mode == QLatin1String("reply")) {
            request.timing = DeviceSession::Timing::Reply;
        } else {
            parsed.error = QStringLiteral("--timing wants protocol or reply, not \"%1\"").arg(mode);
            return parsed;
        }
    }
    request.partial = parser.isSet(partial);
    if (request.partial && !takesFile) {
        parsed.error = QStringLiteral("--partial is for write and verify only");
        return parsed;
    }
    request.probe = parser.isSet(probe);
    if (request.probe && request.operation != Request::Operation::List) {
        parsed.error = QStringLiteral("--probe is for list only");
        return parsed;
    }
    request.json = parser.isSet(json);
    request.quiet = parser.isSet(quiet);
    if (parser.isSet(wait)) {
        const std::optional<int> seconds = wholeNumber(parser.value(wait), 1, 86400);
        if (!seconds || station || request.operation == Request::Operation::List) {
            parsed.error =
                QStringLiteral("--wait wants the seconds to wait for the ports, 1 to 86400, with read, "
                               "write, verify or version");
            return parsed;
        }
        request.waitMs = *seconds * 1000;
    }
    for (const QCommandLineOption *only : {&watch, &log, &count, &settle}) {
        if (parser.isSet(*only) && !station) {
            parsed.error = QStringLiteral("--%1 is for station only").arg(only->names().constFirst());
            return parsed;
        }
    }
    if (parser.isSet(watch))
        request.watchDir = parser.value(watch);
    request.logPath = parser.value(log);
    if (parser.isSet(count)) {
        const std::optional<int> units = wholeNumber(parser.value(count), 1, 1000000);
        if (!units) {
            parsed.error =
                QStringLiteral("--count wants a number of units, not \"%1\"").arg(parser.value(count));
            return parsed;
        }
        request.count = *units;
    }
    if (parser.isSet(settle)) {
        const std::optional<int> ms = wholeNumber(parser.value(settle), 0, 60000);
        if (!ms) {
            parsed.error = QStringLiteral("--settle wants milliseconds, 0 to 60000, not \"%1\"")
                               .arg(parser.value(settle));
            return parsed;
        }
        request.settleMs = *ms;
    }
    return parsed;
}

namespace {

// One option's help, and the commands it is for.
struct OptionHelp
{
    const char *text;
    std::initializer_list<Operation> commands;
};

const OptionHelp OptionTexts[] = {
    {R"(  -p, --port PORT     COM1 ... COM255 (mapped as the window maps them, [PORTS]
                      of the settings file first), a device path such as
                      /dev/ttyUSB0, or "all": every port that answers the
                      probe; a port named under [PORTS] that does not answer
                      is a failed unit. May be repeated: the devices are
                      served at the same time.
)",
     {Operation::List, Operation::Read, Operation::Write, Operation::Verify, Operation::Version}},
    {R"(  -o, --output PATH   the file to write, "-" for standard output, or a folder
                      (one ending in /, one that exists, and always with
                      several ports or all) that gets one file per device,
                      named after the port (COM3.cfg, ttyUSB0.cfg). Never a
                      device or a pipe.
)",
     {Operation::Read}},
    {R"(  --partial           only the rows FILE.cfg names; the device's other rows
                      are left as they are. Without it the file must name all
                      sixteen rows
)",
     {Operation::Write, Operation::Verify, Operation::Station}},
    {R"(  --probe             ask each port for its code version (writes the probe)
)",
     {Operation::List}},
    {R"(  --wait SECONDS      wait for each port to appear and answer, instead of
                      failing at once; status 4 once the time is up
)",
     {Operation::Read, Operation::Write, Operation::Verify, Operation::Version}},
    {R"(  --watch DIR         the folder whose entries are the units plugged in
                      (default /dev/serial/by-id, made by udev when the first
                      adapter appears; its parent is watched until then)
  --log FILE          append one JSON line per unit, each flushed to the disk
                      before the next unit is counted; never rewritten
  --count N           stop after N units, with the summary
  --settle MS         wait after a unit appears before the first byte (200)
)",
     {Operation::Station}},
    {R"(  --settings FILE     the settings file to take port mapping, baud rate and
                      parity from (default: the one KORVEXConfig uses). It
                      must be readable: its [PORTS] section says which device
                      each COMn is
  --baud RATE         baud rate for this run (8 data bits, 2 stop bits always)
  --parity PARITY     none, even or odd for this run
)",
     {Operation::List, Operation::Read, Operation::Write, Operation::Verify, Operation::Version,
      Operation::Station}},
    {R"(  --timing MODE       reply (default): each exchange ends as soon as its reply
                      is complete, never later than the protocol's wait;
                      protocol: the waits the device protocol asks for, with
                      the same results in thirty times the time
  --json              one JSON object per device per line instead of text; a
                      read's rows are in it, and go nowhere else without -o
  -q, --quiet         no progress line
)",
     {Operation::List, Operation::Read, Operation::Write, Operation::Verify, Operation::Version,
      Operation::Station}},
};

struct CommandHelp
{
    Operation command;
    const char *usage;
    const char *summary; // for the list of commands
    const char *text;    // for the command's own help
};

const CommandHelp CommandTexts[] = {
    {Operation::List, "list [-p PORT ...] [--probe]",
     "the ports there are, without writing to any; --probe: which answer",
     R"(Lists the serial ports there are: each COM1 to COM8 whose device exists,
with its device path, then every other serial device the system lists,
with what the system calls it. Not one byte is written to any. With
--probe, each port (or each one given with -p) is asked for its code
version instead, and the exit status is 3 when none answered.
)"},
    {Operation::Read, "read -p PORT ... [-o PATH]", "read the 16 rows into a .cfg file",
     R"(Reads the sixteen rows of each device and writes them as a .cfg file, the
bytes the window's Save writes for them: to standard output without -o
(the result line then goes to standard error). A read with any row not
read cleanly (no reply, a row after a missing reply, a row longer than six
units, a key no name stands for) writes nothing, and an existing file stays
as it was.
)"},
    {Operation::Write, "write -p PORT ... [--partial] FILE.cfg", "send the rows, then verify them",
     R"(Sends the rows of FILE.cfg ("-" for standard input) to each device, each
acknowledged row read back, then verifies them. The file is checked whole
first: any record the window would report (a bad row number, bad notation,
an over-long string) or a key name no KORVEX knows is printed with its line
and nothing reaches any device. A write stopped half-way says how many rows
the device acknowledged.
)"},
    {Operation::Verify, "verify -p PORT ... [--partial] FILE.cfg", "compare the device with the file",
     R"(Compares each device with FILE.cfg ("-" for standard input), row by row,
and prints each row that differs. The file is checked as for write.
)"},
    {Operation::Version, "version -p PORT ...", "the device's code version",
     R"(Asks each device for its code version and prints it.
)"},
    {Operation::Station, "station [--watch DIR] [--log FILE] FILE.cfg",
     "program and verify every unit plugged in, with a record of each",
     R"(A programming station: watches for serial adapters appearing (their stable
names under /dev/serial/by-id), and programs each unit plugged in with the
rows of FILE.cfg, then verifies them, several units at once. A unit is
programmed once while it stays plugged in; plugged in again, it is
programmed again. One line per unit as it ends: its number, the time, its
name, its code version, PASS, or FAIL and why (the rows that differ; no
answer; removed during the write, and which rows are new). Ctrl+C, or
--count units, ends it with a summary: units passed, failed, interrupted,
and the time a unit took. Exit status 0 when every unit passed, 1 otherwise.
)"},
};

const char ExitStatusText[] = R"(
Exit status, the largest over all devices:
  0    every device ok
  1    some row not acknowledged, not answered, not matching, cut or not
       trusted, or the rows read could not be written
  2    bad usage, a bad .cfg file, settings that cannot be read or used
  3    a device did not answer the probe (list --probe: no port answered)
  4    a port could not be opened, or failed during the operation
  130  interrupted (Ctrl+C, SIGTERM, a hang-up): each device stops between
       two commands and its rows are reported as they stand
)";

QByteArray optionsFor(std::optional<Operation> command)
{
    QByteArray text;
    for (const OptionHelp &option : OptionTexts) {
        if (!command ||
            std::find(option.commands.begin(), option.commands.end(), *command) != option.commands.end())
            text += option.text;
    }
    return text;
}

} // namespace

QByteArray helpText(std::optional<Request::Operation> command)
{
    for (const CommandHelp &help : CommandTexts) {
        if (command && help.command == *command)
            return QByteArrayLiteral("Usage: korvexctl ") + help.usage + " [OPTIONS]\n\n" + help.text +
                   "\nOptions (before or after the command):\n" + optionsFor(command) + ExitStatusText;
    }
    QByteArray text = "Usage: korvexctl COMMAND [OPTIONS]\n\n"
                      "Reads, writes and verifies the sixteen key overrides of one KORVEX or of many\n"
                      "at once, with the same device code as the KORVEXConfig window.\n\n"
                      "Commands:\n";
    for (const CommandHelp &help : CommandTexts)
        text += QByteArrayLiteral("  ") + QByteArray(help.usage) + "\n      " + help.summary + '\n';
    text += "  help [COMMAND]\n      this text, or one command's\n"
            "\nOptions (before or after the command):\n" +
            optionsFor(std::nullopt) +
            "  -h, --help          this text (with a command: that command's)\n"
            "  --version           the program's version\n" +
            ExitStatusText;
#ifdef Q_OS_WIN
    text += R"(
On Windows, PORT is COM1 ... COM255 as Windows numbers its ports, or "all";
list shows the ports Windows has, with what Windows calls each one, without
sending anything to them; read -o FOLDER names its files COM3-rows.cfg and so
on, as Windows keeps the name COM3 for the port. The station is not available
on Windows.
)";
#endif
    return text;
}
