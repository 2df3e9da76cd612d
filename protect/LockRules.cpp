#include "protect/LockRules.h"
#include <algorithm>

bool LockAnswersSysCommand(bool locked, uintptr_t command)
{
    if (!locked)
        return false;
    switch (command & kSysCommandMask) {
    case kScScreenSave:
    case kScNextWindow:
    case kScPrevWindow:
    case kScTaskList:
        return true;
    default:
        return false;
    }
}

void RenewScreenSaverFlag(IScreenSaverFlag& flag)
{
    bool running = false;
    if (!flag.Query(running) || !running)
        flag.Set(true);
}

bool CForegroundReturns::AtOnce(ForegroundHandle window)
{
    if (!window || m_windows.size() >= kMaxWindows)
        return false;
    if (std::find(m_windows.begin(), m_windows.end(), window) != m_windows.end())
        return false;
    m_windows.push_back(window);
    return true;
}
