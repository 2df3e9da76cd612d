// A window program for the Applications page's end-to-end tests. Each argument opens one window:
//   w:TITLE  visible, unowned window on a thread of its own
//   o:TITLE  visible overlapped window owned by the last "w" window (same thread)
//   p:TITLE  visible pop-up window owned by the last "w" window (same thread)
//   h:TITLE  hidden window on a thread of its own
//   b:TITLE  visible window whose thread is busy for 100 ms on every message
//   x:HEX    visible, unowned window on a thread of its own whose title is the bytes written in
//            hexadecimal (titles longer than a command line would carry well, bytes that are not
//            valid GBK)
//   f:TITLE  visible topmost window on a thread of its own that takes the foreground back each
//            time it loses it (a kiosk, a game, another stay-on-top tool)
//   c:TITLE  visible, unowned window on a thread of its own whose icon comes from its class only
//            (no WM_SETICON), as most programs of the 9x years do it
//   l:MS     visible window on a thread of its own that loads a few libraries MS milliseconds
//            after it opens (a program that loads plug-ins while it runs)
// Messages the tests post to a window: WM_APP+1 (wParam ms) makes its thread hang that long;
// WM_APP+2 hides it; WM_APP+3 shows it. WM_APP+4, sent to an "f" window, answers how many times
// it has lost the foreground. The program ends when all its windows are closed.
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

const UINT WM_TEST_HANG = WM_APP + 1;
const UINT WM_TEST_HIDE = WM_APP + 2;
const UINT WM_TEST_SHOW = WM_APP + 3;
const UINT WM_TEST_LOSSES = WM_APP + 4;
// Posted to itself by an "f" window that lost the foreground: taken back once the change is over.
const UINT WM_TEST_TAKE_BACK = WM_APP + 5;
volatile LONG g_losses = 0;
const char kClass[] = "KorvaneTestWindow";
const char kClassWithIcon[] = "KorvaneTestClassIcon";
// Windows are stacked to the right of where korvane opens, so screenshots show both.
volatile LONG g_opened = 0;

struct WindowPlan {
    char kind;
    const char* title;
    std::vector<WindowPlan> owned;
};

LRESULT CALLBACK TestWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (GetWindowLongPtrA(hWnd, GWLP_USERDATA) == 'b')
        Sleep(100);
    switch (msg) {
    case WM_TEST_HANG: Sleep(static_cast<DWORD>(wParam)); return 0;
    case WM_TEST_HIDE: ShowWindow(hWnd, SW_HIDE); return 0;
    case WM_TEST_SHOW: ShowWindow(hWnd, SW_SHOW); return 0;
    case WM_TEST_LOSSES: return g_losses;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE && GetWindowLongPtrA(hWnd, GWLP_USERDATA) == 'f') {
            InterlockedIncrement(&g_losses);
            PostMessageA(hWnd, WM_TEST_TAKE_BACK, 0, 0);
        }
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    case WM_TIMER:
        if (GetWindowLongPtrA(hWnd, GWLP_USERDATA) == 'l') {
            KillTimer(hWnd, wParam);
            for (const char* name : {"comdlg32.dll", "winmm.dll", "oleaut32.dll", "wininet.dll"})
                LoadLibraryA(name);
        }
        return 0;
    case WM_TEST_TAKE_BACK:
        SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(hWnd);
        return 0;
    case WM_DESTROY:
        if (!GetWindow(hWnd, GW_OWNER))
            PostQuitMessage(0);
        return 0;
    default: return DefWindowProcA(hWnd, msg, wParam, lParam);
    }
}

HWND Open(const WindowPlan& plan, HWND hOwner)
{
    DWORD style = plan.kind == 'p' ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW;
    DWORD exStyle = plan.kind == 'f' ? WS_EX_TOPMOST : 0;
    HWND hWnd = CreateWindowExA(exStyle, plan.kind == 'c' ? kClassWithIcon : kClass, plan.title, style, 460, 40 + 130 * (g_opened++ % 5), 300, 120, hOwner,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!hWnd)
        return nullptr;
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, plan.kind);
    if (plan.kind != 'c')
        SendMessageA(hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadIconA(nullptr, IDI_APPLICATION)));
    if (plan.kind != 'h')
        ShowWindow(hWnd, plan.kind == 'f' ? SW_SHOW : SW_SHOWNOACTIVATE);
    if (plan.kind == 'f')
        SetForegroundWindow(hWnd);
    if (plan.kind == 'l')
        SetTimer(hWnd, 1, static_cast<UINT>(atoi(plan.title)), nullptr);
    return hWnd;
}

DWORD WINAPI WindowThread(LPVOID param)
{
    const WindowPlan& plan = *static_cast<const WindowPlan*>(param);
    HWND hWnd = Open(plan, nullptr);
    if (!hWnd)
        return 1;
    for (const WindowPlan& owned : plan.owned)
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
    wc.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    wc.lpszClassName = kClassWithIcon;
    RegisterClassA(&wc);

    std::vector<WindowPlan> plans;
    plans.reserve(static_cast<size_t>(__argc));
    std::vector<std::string> decoded(static_cast<size_t>(__argc));  // titles given in hexadecimal
    for (int i = 1; i < __argc; ++i) {
        const char* arg = __argv[i];
        if (strlen(arg) < 2 || arg[1] != ':')
            continue;
        WindowPlan plan{arg[0], arg + 2, {}};
        if (plan.kind == 'x') {
            for (const char* p = arg + 2; p[0] && p[1]; p += 2) {
                char byte[3] = {p[0], p[1], '\0'};
                decoded[i] += static_cast<char>(strtoul(byte, nullptr, 16));
            }
            plan.kind = 'w';
            plan.title = decoded[i].c_str();
        }
        if ((plan.kind == 'o' || plan.kind == 'p') && !plans.empty())
            plans.back().owned.push_back(plan);
        else if (plan.kind == 'w' || plan.kind == 'h' || plan.kind == 'b' || plan.kind == 'f' || plan.kind == 'c' || plan.kind == 'l')
            plans.push_back(plan);
    }
    if (plans.empty())
        plans.push_back(WindowPlan{'w', "Korvane test window", {}});

    std::vector<HANDLE> threads;
    for (WindowPlan& plan : plans) {
        DWORD id;
        HANDLE h = CreateThread(nullptr, 0, WindowThread, &plan, 0, &id);
        if (h)
            threads.push_back(h);
    }
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
    return 0;
}
