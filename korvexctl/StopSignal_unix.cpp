#include "StopSignal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Interrupted = 130;

// Signal handlers may only write to a descriptor: the event loop reads it.
int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t signalled = 0;

void onStopSignal(int)
{
    if (signalled)
        _exit(Interrupted);
    signalled = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

class StopSignal::Private
{
public:
    QSocketNotifier *notifier = nullptr;
};

StopSignal::StopSignal(QObject *parent) : QObject(parent), d(new Private) {}

StopSignal::~StopSignal()
{
    delete d;
}

bool StopSignal::install(QString *why)
{
    if (::pipe2(signalPipe, O_CLOEXEC) != 0) {
        *why = QStringLiteral("cannot set up the stop signal: %1")
                   .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    d->notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
        emit requested();
    });
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // A closed terminal (HUP) must not kill a write half-way without a word.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    return true;
}

void reportBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}
