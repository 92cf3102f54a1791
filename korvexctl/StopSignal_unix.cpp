#include "StopSignal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Signal handlers may only write to a descriptor: the event loop reads it.
// Never blocking: with the pipe full, the loop has a byte to wake on already.
int signalPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

class StopSignal::Private
{
public:
    QSocketNotifier *notifier = nullptr;
    bool asked = false;
};

StopSignal::StopSignal(QObject *parent) : QObject(parent), d(new Private) {}

StopSignal::~StopSignal()
{
    delete d;
}

bool StopSignal::install(QString *why)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        *why = QStringLiteral("cannot set up the stop signal: %1")
                   .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    d->notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[64];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        d->asked ? emit requestedAgain() : emit requested();
        d->asked = true;
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

void reportFailedWrites()
{
    std::signal(SIGPIPE, SIG_IGN);
    // A file grown past the size the system allows (ulimit -f) fails its
    // write like a full disk, which is reported, instead of killing the
    // program in the middle of a record.
    std::signal(SIGXFSZ, SIG_IGN);
}
