#include "protect/QuickShutdown.h"

const char kQuickShutdownCommand[] = "rundll32 krnl386.exe,exitkernel";

void StartQuickShutdown(IProgramStarter& starter)
{
    const int kHidden = 0;  // SW_HIDE
    starter.Start(kQuickShutdownCommand, kHidden);
}
