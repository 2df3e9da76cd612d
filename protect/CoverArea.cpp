#include "protect/CoverArea.h"

ScreenArea CoverArea(const ScreenArea& virtualScreen, int cxPrimary, int cyPrimary)
{
    if (virtualScreen.cx > 0 && virtualScreen.cy > 0)
        return virtualScreen;
    return ScreenArea{0, 0, cxPrimary, cyPrimary};
}
