#include "StopSignal.h"

#include <QWinEventNotifier>

#include <windows.h>

namespace {

// The system calls the console handler on a thread of its own; the handler
// sets an event, which the event loop watches.
HANDLE stopEvent = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        SetEvent(stopEvent);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The system ends the program as soon as this returns. Holding on
        // lets each device finish its current command and main return, which
        // ends the program itself; the system stops waiting after about five
        // seconds, far more than the longest command takes.
        SetEvent(stopEvent);
        Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

class StopSignal::Private
{
public:
    QWinEventNotifier *notifier = nullptr;
    bool asked = false;
};

StopSignal::StopSignal(QObject *parent) : QObject(parent), d(new Private) {}

StopSignal::~StopSignal()
{
    delete d;
}

bool StopSignal::install(QString *why)
{
    stopEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr); // auto-reset: one wake per request
    if (!stopEvent || !SetConsoleCtrlHandler(onConsoleEvent, TRUE)) {
        *why = QStringLiteral("cannot set up the stop signal (Windows error %1)").arg(GetLastError());
        return false;
    }
    d->notifier = new QWinEventNotifier(stopEvent, this);
    connect(d->notifier, &QWinEventNotifier::activated, this, [this] {
        d->asked ? emit requestedAgain() : emit requested();
        d->asked = true;
    });
    return true;
}

// Windows has no SIGPIPE nor a signal for a file grown too large: such a
// write fails, and that failure is reported where the write is checked.
void reportFailedWrites() {}
