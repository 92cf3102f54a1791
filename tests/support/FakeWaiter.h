#pragma once

#include "core/Waiter.h"

#include <QList>

#include <functional>

// Virtual time: Delay advances a clock instead of waiting, so a full device
// operation runs in microseconds and "250 ms late" is an exact statement.
class FakeWaiter : public Waiter
{
public:
    void Delay(int ms) override
    {
        throwIfAborted();
        m_delays.append(ms);
        m_now += ms;
        if (onAdvance)
            onAdvance(m_now);
    }
    void pumpEvents() override
    {
        throwIfAborted();
        ++m_pumps;
        if (onPump)
            onPump();
    }
    // Virtual milliseconds one at a time, asking ready() after each.
    int waitUntil(int ms, const std::function<bool()> &ready) override
    {
        int waited = 0;
        while (!ready() && waited < ms) {
            throwIfAborted();
            ++waited;
            ++m_now;
            if (onAdvance)
                onAdvance(m_now);
        }
        return waited;
    }
    void abort() override { m_aborted = true; }

    qint64 now() const { return m_now; }
    const QList<int> &delays() const { return m_delays; }
    int pumps() const { return m_pumps; }

    std::function<void(qint64 now)> onAdvance; // after the clock moved
    std::function<void()> onPump;              // stands in for user-interface events

private:
    void throwIfAborted() const
    {
        if (m_aborted)
            throw OperationAborted();
    }

    qint64 m_now = 0;
    QList<int> m_delays;
    int m_pumps = 0;
    bool m_aborted = false;
};
