#pragma once

#include "device/DeviceSession.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <optional>

// What korvexctl was asked to do, as its command line says it.
struct Request
{
    enum class Operation { List, Read, Write, Verify, Version, Station, Check, Keys };

    Operation operation = Operation::List;
    QStringList ports; // as given: COMn, a device path, or "all"
    QString output;    // read -o: a file, "-", or a folder for several devices
    QString cfgFile;   // write, verify, station, check: a file, or "-" for standard input
    QString settingsPath;
    std::optional<QString> baud;
    std::optional<QString> parity; // N, E or O
    DeviceSession::Timing timing = DeviceSession::Timing::Reply;
    bool partial = false; // write, verify, station: only the rows the file names
    bool probe = false;   // list: ask each port
    bool json = false;
    bool quiet = false; // no progress line
    bool trace = false; // every byte exchanged, on standard error
    int waitMs = 0;     // read, write, verify, version: wait for the ports to appear
    // station
    QString watchDir = QStringLiteral("/dev/serial/by-id");
    QString logPath;
    int count = 0; // units before the station stops, 0 for no end
    int settleMs = 200;
    bool help = false;
    std::optional<Operation> helpTopic; // help for one command
    bool version = false;
};

// The command line's contract, defined once: the parser, each command's help,
// the bash completion (which asks the help) and the manual page (checked
// against the help by a test) all come from these two tables.
using Operation = Request::Operation;

struct CommandSpec
{
    Operation operation;
    const char *name;
    const char *usage;   // after "korvexctl "
    const char *summary; // for the list of commands
    const char *help;    // the command's own help
    bool takesFile;      // one .cfg file, or "-"
    bool wantsPort;      // at least one -p
};

// A set of commands, one bit each.
using Operations = unsigned;
constexpr Operations operationBit(Operation operation)
{
    return 1U << static_cast<unsigned>(operation);
}

struct OptionSpec
{
    const char *shortName; // nullptr when there is none
    const char *longName;
    const char *valueName; // nullptr for a switch
    Operations commands;   // the commands it is for
    // The help, its lines as they stand under the option.
    const char *help;
    // Takes the value into the request; why not, when refused.
    QString (*apply)(Request &request, const QString &value);

    bool isFor(Operation operation) const { return commands & operationBit(operation); }
    // "-p, --port" or "--partial".
    QString names() const;
};

// A constant table, for range-for.
template <typename T> struct Table
{
    const T *first;
    std::size_t size;
    const T *begin() const { return first; }
    const T *end() const { return first + size; }
};
Table<CommandSpec> commandTable();
Table<OptionSpec> optionTable();

// The request, or why the command line is not one (error not empty).
struct ParsedCommandLine
{
    Request request;
    QString error;
};

// arguments as QCoreApplication::arguments() gives them, the program first.
// Options may stand before or after the subcommand.
ParsedCommandLine parseCommandLine(const QStringList &arguments);

QString operationName(Operation operation);

// The help for every command, or for one.
QByteArray helpText(std::optional<Operation> command = std::nullopt);
