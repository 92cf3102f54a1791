#pragma once

#include "CommandLine.h"
#include "Targets.h"

#include "core/AppSettings.h"
#include "core/KeyOverride.h"
#include "device/DeviceSession.h"

#include <QMutex>
#include <QString>

#include <atomic>

class EventLoopWaiter;

// One device session run on a thread of its own, so that its waits never
// hold up another device's. Owned by the main thread, which reads the
// results once the thread has finished.
class DeviceJob
{
public:
    // What the job is doing now, for a progress line.
    enum class Phase { Waiting, Probing, Reading, Writing, Verifying, Done };

    // rows and which: what write and verify send and compare.
    DeviceJob(Target target, Request::Operation operation, const AppSettings &settings,
              DeviceSession::Timing timing, const KeyOverrides &rows, const RowSet &which);

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
    SessionResult sent;   // write: the send
    SessionResult result; // the last operation (write: the verify after the send)
    bool started = false;
    // Rows finished so far in the current phase, and the phase.
    std::atomic<int> rowsDone{0};
    std::atomic<Phase> phase{Phase::Waiting};

    // The rows as read, as a .cfg file holds them.
    KeyOverrides deviceRows() const;

private:
    AppSettings m_settings;
    DeviceSession::Timing m_timing;
    KeyOverrides m_rows;
    QMutex m_mutex;
    EventLoopWaiter *m_waiter = nullptr;
    bool m_stopRequested = false;
};
