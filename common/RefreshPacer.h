// A fine clock, and the rule that keeps a refresh from starving a slow machine: no timer refresh
// starts until the time since the last one started is at least twice what that one cost, so the
// watching never takes much more than half of the processor however slow the machine is.
#pragma once
#include <stdint.h>

// Microseconds from some fixed start, fine enough to time one refresh (the system tick of 9x
// steps in tens of milliseconds).
class IFineClock {
public:
    virtual ~IFineClock() = default;
    virtual int64_t Microseconds() = 0;
};

class CRefreshPacer {
public:
    // A timer tick at `now`: true when a refresh may start.
    bool MayStart(int64_t now) const
    {
        // A clock that went back (a tick count that wrapped) lets the refresh run.
        return !m_bRan || now < m_nLastStart || now - m_nLastStart >= 2 * m_nLastCost;
    }
    // A refresh (from the timer or any other cause) ran from `start` to `end`.
    void Ran(int64_t start, int64_t end)
    {
        m_bRan = true;
        m_nLastStart = start;
        m_nLastCost = end > start ? end - start : 0;
    }

private:
    bool m_bRan = false;
    int64_t m_nLastStart = 0;
    int64_t m_nLastCost = 0;
};
