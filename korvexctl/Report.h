#pragma once

#include "DeviceJob.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace ExitStatus {
constexpr int Ok = 0;
constexpr int RowsFailed = 1;
constexpr int Usage = 2;
constexpr int NoAnswer = 3;
constexpr int PortFailed = 4;
constexpr int Interrupted = 130;
} // namespace ExitStatus

// What came of one device's job, decided once, as data: the text line, the
// JSON object, the exit status, the station's line and its record all render
// it, and none decides it again.
struct Verdict
{
    // In the order of how much they say: a job with rows of several kinds of
    // trouble is the first of them.
    enum class Kind {
        Ok,
        NotAcknowledged, // rows the device did not take
        Cut,             // rows longer than a row holds
        UnknownKey,      // rows whose scancode no key name stands for
        NoReply,         // rows without a reply, or after one
        RowsDiffer,      // rows the device holds otherwise
        FileProblem,     // the rows read could not be written where they were to go
        Removed,         // a station unit pulled out before it was done
        NoAnswer,        // no KORVEX answered the probe
        SettingsRefused, // the port refused the baud rate or parity
        PortMissing,
        InUse,
        NoPermission,
        PortFailed,  // the port failed during the job, or another failure opening it
        WaitExpired, // --wait: the port did not appear and answer in time
        Interrupted,
        NotStarted, // stopped before this device's turn
    };

    Kind kind = Kind::Ok;
    // Why, in the operator's words: "rows 1-3 not acknowledged", the port's
    // failure; empty when ok.
    QString reason;
    RowSet good; // the rows of the job that came out right

    bool ok() const { return kind == Kind::Ok; }
    int exitStatus() const;
    // "ok", "not-acknowledged", ..., for machines.
    QString name() const;
};

// removed: a station unit whose entry is gone. outputError: why the rows read
// could not be written where they were to go (empty when they were, or when
// nothing was to be written).
Verdict verdictFor(const DeviceJob &job, const QString &outputError = {}, bool removed = false);

// What korvexctl prints for one finished device.
struct DeviceReport
{
    Verdict verdict;
    QString line;            // "COM3 /dev/ttyUSB0: write ok, 16/16 rows verified"
    QStringList details;     // "  row 5: ...", one per row that is not right
    QJsonObject object;      // the same as JSON
    QByteArray text() const; // line and details, each a line of the terminal's
    QByteArray json() const; // the object on a line
};

// rows: what the file said (write, verify).
DeviceReport reportFor(const DeviceJob &job, const KeyOverrides &rows, const Verdict &verdict);

// Rows as ranges: "1-6", "1, 3-5".
QString rowRanges(const RowSet &rows);
// "row 5", "rows 1-2, 5".
QString rowsNamed(const RowSet &rows);
// The rows the device acknowledged while a write or a station sent them.
RowSet acknowledgedRows(const DeviceJob &job);
// The version as a line of text: the reply's line end is not part of it.
QString versionText(const QByteArray &reply);

// An object on one line of JSON, its C1 controls escaped too, since some
// terminals act on them.
QByteArray jsonLine(const QJsonObject &object);

// A port that exists, for list without --probe.
QString portLine(const Target &target);
QJsonObject portObject(const Target &target);
