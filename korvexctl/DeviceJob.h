#pragma once

#include "CommandLine.h"
#include "Targets.h"

#include "core/AppSettings.h"
#include "core/KeyOverride.h"
#include "device/DeviceSession.h"
#include "device/SystemSerialLink.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QString>

#include <atomic>

class EventLoopWaiter;

class Console;

// What every job of one run shares.
struct JobSetup
{
    AppSettings settings;
    DeviceSession::Timing timing = DeviceSession::Timing::Reply;
    KeyOverrides rows{}; // what write, verify and station send and compare
    RowSet which = AllRows;
    int waitMs = 0; // wait this long for the device to appear and answer
    // -v: where every byte exchanged is told, on the run's clock.
    Console *trace = nullptr;
    const QElapsedTimer *clock = nullptr;
};

// One device session run on a thread of its own, so that its waits never
// hold up another device's. Owned by the main thread, which reads the
// results once the thread has finished.
class DeviceJob
{
public:
    // What the job is doing now, for a progress line.
    enum class Phase { Waiting, Probing, Reading, Writing, Verifying, Done };

    DeviceJob(Target target, Request::Operation operation, const JobSetup &setup);

    // Runs on the job's own thread.
    void run();
    // From any thread: stop between two commands and let go of the port; a
    // job not started yet will not start.
    void requestStop();

    const Target target;
    const Request::Operation operation;
    const RowSet which;

    // Results, valid once run() has returned (or the job was never started:
    // then the result says interrupted and nothing was touched).
    SessionResult sent;   // write, station: the send
    SessionResult result; // the last operation (write: the verify after the send)
    QByteArray version;   // the code version the unit reported, to the station or a probe
    bool started = false;
    bool waitedOut = false; // --wait: the device did not appear and answer in time
    // Rows finished so far in the current phase, and the phase.
    std::atomic<int> rowsDone{0};
    std::atomic<Phase> phase{Phase::Waiting};
    // The phase the job was in when it ended, once it has.
    Phase endedIn = Phase::Waiting;

    // The rows as read, as a .cfg file holds them.
    KeyOverrides deviceRows() const;

    // "writing", "verifying" ..., for a progress line.
    static QString phaseName(Phase phase);

private:
    class Observer;

    bool begin(EventLoopWaiter &waiter);
    void awaitDevice(DeviceSession &session, SystemSerialLink &port, EventLoopWaiter &waiter);
    void perform(DeviceSession &session);
    void writeAndVerify(DeviceSession &session);
    // The phase after the probe that starts each operation.
    void enter(Phase next);

    JobSetup m_setup;
    RowLookup m_rows;
    std::atomic<Phase> m_next{Phase::Waiting};
    QMutex m_mutex;
    EventLoopWaiter *m_waiter = nullptr;
    bool m_stopRequested = false;
};
