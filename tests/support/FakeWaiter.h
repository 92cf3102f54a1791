#pragma once

#include "core/Waiter.h"

#include <QList>

#include <functional>

// Virtual time: Delay advances a clock instead of waiting, so a full device
// operation runs in microseconds and "250 ms late" is an exact statement.
class FakeWaiter : public Waiter
{
public:
    void Delay(int ms) override;
    void pumpEvents() override;

    qint64 now() const { return m_now; }
    const QList<int> &delays() const { return m_delays; }
    int pumps() const { return m_pumps; }

    // Called after the clock moved, with the new time.
    std::function<void(qint64 now)> onAdvance;
    // Called on every pump, standing in for user-interface events.
    std::function<void()> onPump;

private:
    qint64 m_now = 0;
    QList<int> m_delays;
    int m_pumps = 0;
};
