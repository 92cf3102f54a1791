#include "StopSignal.h"

#include "Report.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>

#include <unistd.h>

namespace {

// A signal handler may do next to nothing: it writes a byte into a pipe,
// which the event loop watches.
int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t signalled = 0;

void onStopSignal(int)
{
    if (signalled)
        _exit(ExitStatus::Interrupted);
    signalled = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

bool installStopHandlers(QString *why)
{
    if (::pipe(signalPipe) != 0) {
        *why = QStringLiteral("cannot set up the stop signal");
        return false;
    }
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return true;
}

void watchStopRequests(QObject *context, const std::function<void()> &onStop)
{
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [onStop] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        onStop();
    });
}
