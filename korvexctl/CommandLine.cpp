#include "CommandLine.h"

#include <QCommandLineParser>

namespace {

const std::pair<const char *, Request::Operation> Operations[] = {
    {"list", Request::Operation::List},       {"read", Request::Operation::Read},
    {"write", Request::Operation::Write},     {"verify", Request::Operation::Verify},
    {"version", Request::Operation::Version},
};

// "even", "E" and the like, as the letter the settings hold.
std::optional<QString> parityLetter(const QString &text)
{
    const QString upper = text.toUpper();
    for (const QString &name : ParityNames) {
        if (upper == name || upper == name.left(1))
            return name.left(1);
    }
    return std::nullopt;
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
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({port, output, settings, baud, parity, timing, json, help, version});
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    request.help = parser.isSet(help);
    request.version = parser.isSet(version);
    if (request.help || request.version)
        return parsed;

    QStringList words = parser.positionalArguments();
    if (words.isEmpty()) {
        parsed.error = QStringLiteral("no command given (list, read, write, verify or version)");
        return parsed;
    }
    const QString command = words.takeFirst();
    bool known = false;
    for (const auto &[name, op] : Operations) {
        if (command == QLatin1String(name)) {
            request.operation = op;
            known = true;
        }
    }
    if (!known) {
        parsed.error = QStringLiteral("unknown command \"%1\"").arg(command);
        return parsed;
    }

    const bool takesFile =
        request.operation == Request::Operation::Write || request.operation == Request::Operation::Verify;
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
    if (request.ports.isEmpty() && request.operation != Request::Operation::List) {
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
        bool ok = false;
        if (rate.toInt(&ok) <= 0 || !ok) {
            parsed.error = QStringLiteral("--baud wants a rate such as 9600, not \"%1\"").arg(rate);
            return parsed;
        }
        request.baud = QString::number(rate.toInt());
    }
    if (parser.isSet(parity)) {
        request.parity = parityLetter(parser.value(parity));
        if (!request.parity) {
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
    request.json = parser.isSet(json);
    return parsed;
}

const char *helpText()
{
    return R"(Usage: korvexctl COMMAND [OPTIONS]

Reads, writes and verifies the sixteen key overrides of one KORVEX or of many
at once, with the same device code as the KORVEXConfig window.

Commands:
  list                        which ports answer the probe, with their code version
  read    -p PORT [-o PATH]   read the 16 rows and write them as a .cfg file
                              (to standard output without -o; the result line
                              then goes to standard error)
  write   -p PORT FILE.cfg    send the rows, each acknowledged row read back,
                              then verify all 16
  verify  -p PORT FILE.cfg    compare the device with the file, row by row
  version -p PORT             the device's code version

Options (before or after the command):
  -p, --port PORT     COM1 ... COM8 (mapped as the window maps them, [PORTS] of
                      the settings file first), a device path such as
                      /dev/ttyUSB0, or "all" (every port that list finds
                      answering). May be repeated: the devices are served at
                      the same time.
  -o, --output PATH   read: the file to write; with several ports, a folder
                      that gets one file per device, named after the port
                      (COM3.cfg, ttyUSB0.cfg)
  --settings FILE     the settings file to take port mapping, baud rate and
                      parity from (default: the one KORVEXConfig uses)
  --baud RATE         baud rate for this run (8 data bits, 2 stop bits always)
  --parity PARITY     none, even or odd for this run
  --timing MODE       protocol (default): the waits the device protocol asks
                      for; reply: each exchange ends as soon as its reply is
                      complete, never later than the protocol's wait
  --json              one JSON object per device per line instead of text
  -h, --help          this text
  --version           the program's version

A .cfg file with any record the window would report (a bad row number, bad
notation, an over-long string or an unknown key name) is refused with its
line number before any byte goes to any device.

Ctrl+C stops every device between two commands, closes the ports and names
the devices left incomplete.

Exit status, the largest over all devices:
  0    every device ok
  1    some row not acknowledged, not answered or not matching,
       or a file read from a device could not be written
  2    bad usage or a bad .cfg file
  3    a device did not answer the probe (list: no port answered)
  4    a port could not be opened, or failed during the operation
  130  interrupted
)"
#ifdef Q_OS_WIN
           R"(
On Windows, PORT is COM1 ... COM255 as Windows numbers its ports, or "all";
list shows the ports Windows has, with what Windows calls each one, without
sending anything to them; read -o FOLDER names its files COM3-rows.cfg and
so on, as Windows keeps the name COM3 for the port.
)"
#endif
        ;
}
