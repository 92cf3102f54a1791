#pragma once

#include "DeviceJob.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// What korvexctl prints for one finished device, and the exit status it
// stands for.
struct DeviceReport
{
    QString text;       // one result line, then one indented line per row that failed
    QJsonObject object; // the same as JSON
    QByteArray json;    // the object on one line
    int exitStatus = 0;
};

// rows: what the file said (write, verify). outputError: why the rows read
// could not be written where they were to go, empty when they were (or when
// nothing was to be written).
DeviceReport reportFor(const DeviceJob &job, const KeyOverrides &rows, const QString &outputError = {});

// Whether the rows read are whole and trustworthy enough to be written out.
bool readIsComplete(const DeviceJob &job);

// Rows as ranges: "1-6", "1, 3-5".
QString rowRanges(const RowSet &rows);
// The rows the device acknowledged while a write or a station sent them.
RowSet acknowledgedRows(const DeviceJob &job);

// A port that exists, for list without --probe.
QString portLine(const Target &target);
QByteArray portJson(const Target &target);

namespace ExitStatus {
constexpr int Ok = 0;
constexpr int RowsFailed = 1;
constexpr int Usage = 2;
constexpr int NoAnswer = 3;
constexpr int PortFailed = 4;
constexpr int Interrupted = 130;
} // namespace ExitStatus
