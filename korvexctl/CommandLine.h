#pragma once

#include "device/DeviceSession.h"

#include <QString>
#include <QStringList>

#include <optional>

// What korvexctl was asked to do, as its command line says it.
struct Request
{
    enum class Operation { List, Read, Write, Verify, Version };

    Operation operation = Operation::List;
    QStringList ports; // as given: COMn, a device path, or "all"
    QString output;    // read -o: a file, or a folder for several devices
    QString cfgFile;   // write, verify
    QString settingsPath;
    std::optional<QString> baud;
    std::optional<QString> parity; // N, E or O
    DeviceSession::Timing timing = DeviceSession::Timing::Protocol;
    bool partial = false; // write, verify: only the rows the file names
    bool probe = false;   // list: ask each port
    bool json = false;
    bool help = false;
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

const char *helpText();
