// A window program for the Applications page's end-to-end tests. Each argument opens one window:
//   w:TITLE  visible, unowned window on a thread of its own
//   o:TITLE  visible overlapped window owned by the last "w" window (same thread)
//   p:TITLE  visible pop-up window owned by the last "w" window (same thread)
//   h:TITLE  hidden window on a thread of its own
//   b:TITLE  visible window whose thread is busy for 100 ms on every message
// Messages the tests post to a window: WM_APP+1 (wParam ms) makes its thread hang that long;
// WM_APP+2 hides it; WM_APP+3 shows it. The program ends when all its windows are closed.
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

namespace {

const UINT WM_TEST_HANG = WM_APP + 1;
const UINT WM_TEST_HIDE = WM_APP + 2;
const UINT WM_TEST_SHOW = WM_APP + 3;
const char kClass[] = "KorvaneTestWindow";

struct Spec {
    char kind;
    const char* title;
    std::vector<Spec> owned;
};

LRESULT CALLBACK TestWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (GetWindowLongPtrA(hWnd, GWLP_USERDATA) == 'b')
        Sleep(100);
    switch (msg) {
    case WM_TEST_HANG: Sleep(static_cast<DWORD>(wParam)); return 0;
    case WM_TEST_HIDE: ShowWindow(hWnd, SW_HIDE); return 0;
    case WM_TEST_SHOW: ShowWindow(hWnd, SW_SHOW); return 0;
    case WM_DESTROY:
        if (!GetWindow(hWnd, GW_OWNER))
            PostQuitMessage(0);
        return 0;
    default: return DefWindowProcA(hWnd, msg, wParam, lParam);
    }
}

HWND Open(const Spec& spec, HWND hOwner)
{
    DWORD style = spec.kind == 'p' ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW;
    HWND hWnd = CreateWindowExA(0, kClass, spec.title, style, 40, 40, 300, 120, hOwner, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (!hWnd)
        return nullptr;
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, spec.kind);
    SendMessageA(hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadIconA(nullptr, IDI_APPLICATION)));
    if (spec.kind != 'h')
        ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    return hWnd;
}

DWORD WINAPI WindowThread(LPVOID param)
{
    const Spec& spec = *static_cast<const Spec*>(param);
    HWND hWnd = Open(spec, nullptr);
    if (!hWnd)
        return 1;
    for (const Spec& owned : spec.owned)
        Open(owned, hWnd);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestWndProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);

    std::vector<Spec> specs;
    specs.reserve(static_cast<size_t>(__argc));
    for (int i = 1; i < __argc; ++i) {
        const char* arg = __argv[i];
        if (strlen(arg) < 2 || arg[1] != ':')
            continue;
        Spec spec{arg[0], arg + 2, {}};
        if ((spec.kind == 'o' || spec.kind == 'p') && !specs.empty())
            specs.back().owned.push_back(spec);
        else if (spec.kind == 'w' || spec.kind == 'h' || spec.kind == 'b')
            specs.push_back(spec);
    }
    if (specs.empty())
        specs.push_back(Spec{'w', "Korvane test window", {}});

    std::vector<HANDLE> threads;
    for (Spec& spec : specs) {
        DWORD id;
        HANDLE h = CreateThread(nullptr, 0, WindowThread, &spec, 0, &id);
        if (h)
            threads.push_back(h);
    }
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
    return 0;
}
