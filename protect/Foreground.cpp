#include "protect/Foreground.h"

void TakeForeground(IForegroundSystem& system, ForegroundHandle window)
{
    ForegroundHandle foreground = system.Foreground();
    system.SetForeground(window);
    if (!foreground || system.Foreground() == window)
        return;
    uint32_t own = system.OwnThread();
    uint32_t other = system.ThreadOf(foreground);
    if (other == 0 || other == own || !system.Answers(foreground))
        return;
    if (system.AttachInput(other, true)) {
        system.SetForeground(window);
        system.AttachInput(other, false);
    }
}
