#include "Runner.h"

#include "Console.h"
#include "StopSignal.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <functional>

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
