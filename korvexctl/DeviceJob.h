#pragma once

#include "CommandLine.h"

#include "core/AppSettings.h"
#include "device/DeviceSession.h"

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <array>
#include <atomic>

class EventLoopWaiter;

// One device: the port as the operator named it and the device it reached.
struct Target
{
    QString port;   // as given: COM3, /dev/ttyUSB0
    QString device; // the device path
    int com = 0;    // n of COMn; 0 for a device named by its path

    // "COM3 /dev/ttyUSB0", or the path alone when that is all there is.
    QString shown() const { return port == device ? device : port + QLatin1Char(' ') + device; }
};

// A row as a .cfg file names it: key name and output string in the notation.
struct CfgRow
{
    QByteArray key;
    QByteArray string;
};
using CfgRows = std::array<CfgRow, RowCount>;

// The rows a model holds, and the model filled with rows.
CfgRows rowsOf(const KeyRows &rows);
void putRows(KeyRows &rows, const CfgRows &from);

// One device session run on a thread of its own, so that its waits never
// hold up another device's. Owned by the main thread, which reads the
// results once the thread has finished.
class DeviceJob
{
public:
    DeviceJob(Target target, Request::Operation operation, const AppSettings &settings,
              DeviceSession::Timing timing, const CfgRows &rows);

    // Runs on the job's own thread.
    void run();
    // From any thread: stop between two commands and let go of the port.
    void requestStop();

    const Target target;
    const Request::Operation operation;

    // Results, valid once run() has returned.
    SessionResult sent;   // write: the send
    SessionResult result; // the last operation (write: the verify after the send)
    CfgRows deviceRows{}; // read: the rows as read
    // Rows finished so far, for the progress line.
    std::atomic<int> rowsDone{0};

private:
    AppSettings m_settings;
    DeviceSession::Timing m_timing;
    CfgRows m_rows;
    QMutex m_mutex;
    EventLoopWaiter *m_waiter = nullptr;
    bool m_stopRequested = false;
};
