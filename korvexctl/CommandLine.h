#pragma once

#include "device/DeviceSession.h"

#include <QString>
#include <QStringList>

#include <optional>

// What korvexctl was asked to do, as its command line says it.
struct Request
{
    enum class Operation { List, Read, Write, Verify, Version, Station };

    Operation operation = Operation::List;
    QStringList ports; // as given: COMn, a device path, or "all"
    QString output;    // read -o: a file, "-", or a folder for several devices
    QString cfgFile;   // write, verify: a file, or "-" for standard input
    QString settingsPath;
    std::optional<QString> baud;
    std::optional<QString> parity; // N, E or O
    DeviceSession::Timing timing = DeviceSession::Timing::Reply;
    bool partial = false; // write, verify: only the rows the file names
    bool probe = false;   // list: ask each port
    bool json = false;
    bool quiet = false; // no progress line
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

// The request, or why the command line is not one (error not empty).
struct ParsedCommandLine
{
    Request request;
    QString error;
};

// arguments as QCoreApplication::arguments() gives them, the program first.
// Options may stand before or after the subcommand.
ParsedCommandLine parseCommandLine(const QStringList &arguments);

QString operationName(Request::Operation operation);

// The help for every command, or for one.
QByteArray helpText(std::optional<Request::Operation> command = std::nullopt);
