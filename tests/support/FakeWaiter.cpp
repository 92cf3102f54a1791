#include "support/FakeWaiter.h"

void FakeWaiter::Delay(int ms)
{
    m_delays.append(ms);
    m_now += ms;
    if (onAdvance)
        onAdvance(m_now);
}

void FakeWaiter::pumpEvents()
{
    ++m_pumps;
    if (onPump)
        onPump();
}
