#include "core/Waiter.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>

EventLoopWaiter::EventLoopWaiter(QObject *parent) : QObject(parent)
{
    m_delayTimer.setSingleShot(true);
    // A coarse timer may fire up to 5% late, which adds up over a 16-row read.
    m_delayTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_delayTimer, &QTimer::timeout, this, &EventLoopWaiter::endEveryWait);
}

void EventLoopWaiter::Delay(int ms)
{
    if (m_aborted)
        throw OperationAborted();

    m_delayTimer.stop();
    m_delayTimer.start(qMax(1, ms));

    QEventLoop loop;
    m_loops.append(&loop);
    if (m_delayTimer.isActive())
        loop.exec();
    m_loops.removeOne(&loop);

    if (m_aborted)
        throw OperationAborted();
}

void EventLoopWaiter::pumpEvents()
{
    if (m_aborted)
        throw OperationAborted();
    QCoreApplication::processEvents();
    // An event handled just now may have closed the window.
    // cppcheck-suppress knownConditionTrueFalse
    if (m_aborted)
        throw OperationAborted();
}

int EventLoopWaiter::waitUntil(int ms, const std::function<bool()> &ready)
{
    if (m_aborted)
        throw OperationAborted();
    QElapsedTimer clock;
    clock.start();
    // Wakes the dispatcher at the deadline; otherwise it sleeps until the
    // port's notifier or anything else has something to handle.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    // On Windows a precise timer's tick reaches the thread as a posted event,
    // which processEvents hands out before it looks for more and then waits
    // on: with nothing else to come, the wait would outlast its deadline for
    // good. The tick therefore ends that wait itself.
    connect(&deadline, &QTimer::timeout, &deadline, [] {
        if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
            dispatcher->interrupt();
    });
    deadline.start(qMax(0, ms));
    while (!ready() && deadline.isActive()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (m_aborted)
            throw OperationAborted();
    }
    return static_cast<int>(qMin<qint64>(clock.elapsed(), ms));
}

void EventLoopWaiter::abort()
{
    m_aborted = true;
    endEveryWait();
}

void EventLoopWaiter::endEveryWait()
{
    m_delayTimer.stop();
    for (QEventLoop *loop : std::as_const(m_loops))
        loop->quit();
}
