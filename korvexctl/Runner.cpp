#include "Runner.h"

#include "Console.h"
#include "StopSignal.h"

#include <QDir>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <functional>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

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
#ifdef Q_OS_UNIX
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
#else
    Q_UNUSED(why);
    return wanted;
#endif
}

void runJobs(const Jobs &jobs, int atOnce, StopSignal &stop, Console &console, bool *interrupted)
{
    std::vector<std::unique_ptr<QThread>> threads;
    std::size_t next = 0;
    int running = 0;
    QEventLoop loop;
    bool stopping = false;
    // A device starts when another has ended, until all have had their turn.
    std::function<void()> startMore = [&] {
        while (!stopping && running < atOnce && next < jobs.size()) {
            DeviceJob *job = jobs[next++].get();
            threads.emplace_back(QThread::create([job] { job->run(); }));
            ++running;
            QObject::connect(threads.back().get(), &QThread::finished, &loop, [&] {
                --running;
                startMore();
                if (running == 0)
                    loop.quit();
            });
            threads.back()->start();
        }
    };
    const QMetaObject::Connection onStop = QObject::connect(&stop, &StopSignal::requested, &loop, [&] {
        *interrupted = true;
        stopping = true;
        console.say(QStringLiteral("stopping each device after its current command"));
        for (const auto &job : jobs)
            job->requestStop();
    });
    const QMetaObject::Connection onStopAgain =
        QObject::connect(&stop, &StopSignal::requestedAgain, &loop, [&] {
            console.say(
                QStringLiteral("still stopping: each device ends its current command, then is reported"));
        });
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, &loop, [&] {
        QStringList line;
        for (const auto &job : jobs) {
            const DeviceJob::Phase phase = job->phase;
            if (phase != DeviceJob::Phase::Waiting && phase != DeviceJob::Phase::Done)
                line << QStringLiteral("%1 %2 %3/%4")
                            .arg(job->target.port, DeviceJob::phaseName(phase))
                            .arg(job->rowsDone.load())
                            .arg(job->which.count());
        }
        console.progress(line.join(QStringLiteral("  ")));
    });
    if (console.terminal())
        progress.start(250);
    startMore();
    if (running > 0)
        loop.exec();
    console.endProgress();
    QObject::disconnect(onStop);
    QObject::disconnect(onStopAgain);
    for (auto &thread : threads)
        thread->wait();
}
