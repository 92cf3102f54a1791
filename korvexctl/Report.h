#pragma once

#include "DeviceJob.h"

#include <QByteArray>

// What korvexctl prints for one finished device, and the exit status it
// stands for.
struct DeviceReport
{
    QByteArray text; // one result line, then one indented line per row that failed
    QByteArray json; // one JSON object on one line
    int exitStatus = 0;
};

// rows: what the file said (write, verify) or what was read (read).
DeviceReport reportFor(const DeviceJob &job, const CfgRows &rows);

namespace ExitStatus {
constexpr int Ok = 0;
constexpr int RowsFailed = 1;
constexpr int Usage = 2;
constexpr int NoAnswer = 3;
constexpr int PortFailed = 4;
constexpr int Interrupted = 130;
} // namespace ExitStatus
