// Taking the foreground for the lock's and the takeover's windows. Windows 98 and ME refuse it
// to a program that did not get the last input; sharing the input state of the foreground
// window's thread lifts that, but then taking it waits until that thread has handled its
// deactivation, which a hung thread never does.
#pragma once
#include <stdint.h>

// Window handles as the platform gives them; 0 for none.
typedef uintptr_t ForegroundHandle;

class IForegroundSystem {
public:
    virtual ~IForegroundSystem() = default;
    virtual ForegroundHandle Foreground() = 0;
    // The plain request; the system may refuse it.
    virtual void SetForeground(ForegroundHandle window) = 0;
    virtual uint32_t ThreadOf(ForegroundHandle window) = 0;
    virtual uint32_t OwnThread() = 0;
    // True when the window's thread handled a null message within a short limit; never waits
    // on a thread that does not answer.
    virtual bool Answers(ForegroundHandle window) = 0;
    // Starts (attach) or stops sharing the input state with another thread; false when refused.
    virtual bool AttachInput(uint32_t thread, bool attach) = 0;
};

// Makes `window` the foreground window where the system allows it. The input state of the
// foreground window's thread is shared for a second try only when that thread answers: a hung
// one keeps the foreground, and the caller's windows go over it by their window order alone.
void TakeForeground(IForegroundSystem& system, ForegroundHandle window);
