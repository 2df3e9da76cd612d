// Common-controls version check and the full-row-select fallback (see CommonControls.h).
#include "framework/CommonControls.h"
#include "common/ListGeometry.h"
#include "framework/Platform.h"
#include <commctrl.h>
#include <shlwapi.h>

namespace {
bool g_bFullRowSelect = true;
}

void DetectCommonControls()
{
    HMODULE hComctl = ::GetModuleHandleA("comctl32.dll");
    // DllGetVersion arrived with 4.71, InitCommonControlsEx with 4.70, the first with full-row select.
    auto getVersion = ProcAddress<HRESULT(CALLBACK*)(DLLVERSIONINFO*)>(hComctl, "DllGetVersion");
    if (getVersion) {
        DLLVERSIONINFO info = {};
        info.cbSize = sizeof info;
        if (SUCCEEDED(getVersion(&info))) {
            g_bFullRowSelect = info.dwMajorVersion > 4 || (info.dwMajorVersion == 4 && info.dwMinorVersion >= 70);
            return;
        }
    }
    g_bFullRowSelect = ::GetProcAddress(hComctl, "InitCommonControlsEx") != nullptr;
}

bool HasFullRowSelect() { return g_bFullRowSelect; }

void SelectClickedRow(HWND hList)
{
    if (g_bFullRowSelect || !hList)
        return;
    DWORD pos = ::GetMessagePos();
    POINT pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    ::ScreenToClient(hList, &pt);
    ListRowGeometry g = {};
    g.rowCount = static_cast<int>(::SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    g.topIndex = static_cast<int>(::SendMessageA(hList, LVM_GETTOPINDEX, 0, 0));
    if (g.rowCount <= 0 || g.topIndex < 0 || g.topIndex >= g.rowCount)
        return;
    RECT rc = {};
    rc.left = LVIR_BOUNDS;
    if (!::SendMessageA(hList, LVM_GETITEMRECT, static_cast<WPARAM>(g.topIndex), reinterpret_cast<LPARAM>(&rc)))
        return;
    g.left = rc.left;
    g.right = rc.right;
    g.topY = rc.top;
    g.rowHeight = rc.bottom - rc.top;
    int row = ListRowAt(g, pt.x, pt.y);
    if (row < 0)
        return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}
