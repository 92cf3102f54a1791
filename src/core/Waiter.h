#pragma once

#include <QEventLoop>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

// Thrown out of a wait when the program is shutting down, so that an
// operation in progress unwinds without touching a window that is going away.
// It is not a failure to report.
class OperationAborted
{
};

// How the program waits. Device operations only ever wait through this, which
// lets tests replace real time with a virtual clock.
class Waiter
{
public:
    virtual ~Waiter() = default;

    // Waits about ms milliseconds while handling user-interface events.
    virtual void Delay(int ms) = 0;
    // Handles the events that are pending now, then returns.
    virtual void pumpEvents() = 0;
    // Waits at most ms milliseconds while handling events, and returns as soon
    // as ready() holds; ready() is asked each time something has happened
    // (bytes arrived, say). Returns the milliseconds waited.
    virtual int waitUntil(int ms, const std::function<bool()> &ready) = 0;
    // Ends every wait now and makes later waits throw OperationAborted: the
    // program is closing, or the operator asked to stop.
    virtual void abort() = 0;
};

// The real waiter: a nested event loop ended by one shared single-shot timer.
// A wait started during another wait restarts the timer, and its tick ends
// both, exactly as one shared timer would. The thread never sleeps or spins;
// while waiting it sits in the event dispatcher and uses no CPU.
class EventLoopWaiter : public QObject, public Waiter
{
    Q_OBJECT

public:
    explicit EventLoopWaiter(QObject *parent = nullptr);

    void Delay(int ms) override;
    void pumpEvents() override;
    int waitUntil(int ms, const std::function<bool()> &ready) override;
    void abort() override;

private:
    void endEveryWait();

    QTimer m_delayTimer;
    QList<QEventLoop *> m_loops;
    bool m_aborted = false;
};
