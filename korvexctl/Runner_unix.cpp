#include "Runner.h"

#include <QDir>

#include <sys/resource.h>

namespace {

// Measured: a device costs three (its thread's event dispatcher, its port,
// the port's lock file), one run of korvexctl eight of its own (standard
// streams, the main event dispatcher, the stop signal's pipe). Room on top of
// both, because a process out of descriptors does not fail politely: the
// event dispatcher of the next thread aborts the program.
constexpr int DescriptorsPerDevice = 5;
constexpr int DescriptorsReserved = 16;

} // namespace

int devicesAtOnce(int wanted, QString *why)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return wanted;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    const qint64 soft = limit.rlim_cur == RLIM_INFINITY ? qint64(1) << 20 : qint64(limit.rlim_cur);
    const qint64 open = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
    const qint64 room = (soft - open - DescriptorsReserved) / DescriptorsPerDevice;
    if (room < 1) {
        *why = QStringLiteral("too few file descriptors to serve a device: the limit is %1 (ulimit -n), "
                              "at least %2 are needed")
                   .arg(soft)
                   .arg(open + DescriptorsReserved + DescriptorsPerDevice);
        return 0;
    }
    return static_cast<int>(qMin<qint64>(wanted, room));
}
