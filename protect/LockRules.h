// What the lock holds against while it is up: the system commands that would start a screen
// saver or switch tasks, a screen saver that clears the flag the lock set, and a program that
// takes the foreground from it.
#pragma once
#include "protect/Foreground.h"
#include <stdint.h>
#include <vector>

// The system commands, as WM_SYSCOMMAND carries them; the low four bits are the system's own.
enum : uint32_t {
    kSysCommandMask = 0xFFF0,
    kScNextWindow = 0xF040,
    kScPrevWindow = 0xF050,
    kScTaskList = 0xF130,
    kScScreenSave = 0xF140,
};

// True when a window of the lock answers the system command itself, with no default handling:
// while locked, starting the screen saver (the cover is the lock's own) and the task switches
// (the next or previous window, the task list).
bool LockAnswersSysCommand(bool locked, uintptr_t command);

// The screen-saver-running flag of Windows 95/98/ME: while it is set the system ignores
// Ctrl+Alt+Del, Alt+Tab and Ctrl+Esc.
class IScreenSaverFlag {
public:
    virtual ~IScreenSaverFlag() = default;
    // False when the system cannot be asked (Windows 95 has no query).
    virtual bool Query(bool& running) = 0;
    virtual void Set(bool running) = 0;
};

// One of the lock's checks: the flag is set again when something cleared it (a screen saver
// clears it as it ends), or when the system cannot say.
void RenewScreenSaverFlag(IScreenSaverFlag& flag);

// Which windows have taken the foreground from the lock: the first time a window does, the lock
// takes it back at once; after that only its periodic check does, so that a program that takes
// the foreground back each time it loses it is not fought at full speed.
class CForegroundReturns {
public:
    // A window of another program has just taken the foreground: true when it is taken back now.
    bool AtOnce(ForegroundHandle window);
    void Clear() { m_windows.clear(); }

private:
    // Bounded: a program that makes new windows without end is held to the check's pace too.
    enum { kMaxWindows = 64 };
    std::vector<ForegroundHandle> m_windows;
};
