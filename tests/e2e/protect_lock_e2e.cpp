// The computer lock and the unlock password, driven from outside as a user would: the password
// set in its dialog, the lock's cover and dialog, the ways it must not be left, and the unlock.
#include "protect_e2e_helpers.h"
#include <stdio.h>
#include <string.h>

using namespace e2e;
using namespace protect_e2e;

namespace {

const char kPassword[] = "Kv-lock7";

// A stand-in for the taskbar: a visible top-level window of class "Shell_TrayWnd", served by a
// thread of its own so that the program's ShowWindow calls on it are carried out.
class FakeTaskbar {
public:
    FakeTaskbar()
    {
        m_ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &FakeTaskbar::Run, this, 0, nullptr);
        WaitForSingleObject(m_ready, 5000);
    }
    ~FakeTaskbar()
    {
        if (m_hwnd)
            PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
        WaitForSingleObject(m_thread, 5000);
        CloseHandle(m_thread);
        CloseHandle(m_ready);
    }
    HWND Window() const { return m_hwnd; }

private:
    static DWORD WINAPI Run(void* param)
    {
        FakeTaskbar* self = static_cast<FakeTaskbar*>(param);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &FakeTaskbar::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Shell_TrayWnd";
        RegisterClassA(&wc);
        self->m_hwnd = CreateWindowExA(0, "Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, 0, 700, 1024, 30, nullptr,
                                       nullptr, wc.hInstance, nullptr);
        SetEvent(self->m_ready);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        return 0;
    }
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_DESTROY)
            PostQuitMessage(0);
        return DefWindowProcA(h, msg, wp, lp);
    }
    HANDLE m_ready = nullptr;
    HANDLE m_thread = nullptr;
    HWND m_hwnd = nullptr;
};

// SPI_GETSCREENSAVERRUNNING asked inside the program (Wine caches system parameters per process).
bool ScreenSaverRunning(HWND w)
{
    RemoteMemory mem(w, sizeof(BOOL));
    BOOL running = FALSE;
    DWORD ok = 0;
    if (!mem.ok() || !mem.Write(&running, sizeof running) ||
        !RemoteCall(w, "user32.dll", "SystemParametersInfoA",
                    {114, 0, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(mem.ptr())), 0}, &ok) ||
        !ok || !mem.Read(&running, sizeof running))
        return false;
    return running != FALSE;
}

// The tray icon's notification (WM_TRAYNOTIFY, icon 128) of a double click, to a page.
BOOL CALLBACK PostTrayDoubleClick(HWND h, LPARAM)
{
    if (ClassName(h) == kDialogClass)
        PostMessageA(h, 0x800, 128, WM_LBUTTONDBLCLK);
    return TRUE;
}

// Opens the change-password dialog from the main menu.
HWND OpenChangePassword(Korvane& k)
{
    PostCommand(k.Window(), kCmdSetPassword);
    HWND dlg = nullptr;
    WaitUntil([&] { return (dlg = FindDialogTitled(k.Pid(), kChangePasswordTitle)) != nullptr; });
    return dlg;
}

void FillPasswords(HWND dlg, const std::string& oldPw, const std::string& newPw, const std::string& confirm)
{
    SetItemText(dlg, 1022, oldPw);
    SetItemText(dlg, 1023, newPw);
    SetItemText(dlg, 1024, confirm);
}

// A first start, then kPassword set through the change-password dialog.
HWND StartWithPassword(Korvane& k)
{
    ResetKorvaneRegistry();
    HWND w = k.StartReady();
    if (!w)
        return nullptr;
    HWND dlg = OpenChangePassword(k);
    if (!dlg)
        return nullptr;
    FillPasswords(dlg, "", kPassword, kPassword);
    PostClick(dlg, IDOK);
    if (!WaitUntil([&] { return !IsWindow(dlg); }))
        return nullptr;
    return w;
}

// Locks through the menu command and returns the lock dialog (nullptr when none appeared).
HWND Lock(Korvane& k)
{
    PostCommand(k.Window(), kCmdLock);
    HWND dlg = nullptr;
    WaitUntil([&] { return (dlg = FindDialogTitled(k.Pid(), kLockTitle)) != nullptr; }, 10000);
    return dlg;
}

// Types `entry` into the lock dialog and presses OK.
void EnterPassword(HWND lock, const std::string& entry)
{
    SetItemText(lock, 1021, entry);
    PostClick(lock, IDOK);
}

// A wrong entry: message 111 appears, is dismissed, and the lock stays.
bool RejectedWith111(Korvane& k, HWND lock, const std::string& entry)
{
    EnterPassword(lock, entry);
    HWND box = WaitMessageBox(k.Pid(), kWrongPassword);
    if (!EXPECT_TRUE(box != nullptr))
        return false;
    EXPECT_TRUE(DismissMessageBox(box));
    // The typed text stays in place.
    return EXPECT_TRUE(IsWindow(lock) && IsVisible(lock)) &&
           EXPECT_TRUE(WaitUntil([&] { return ItemText(lock, 1021) == entry; }, 3000));
}

bool StillLocked(Korvane& k, HWND lock)
{
    Sync(lock);
    return IsWindow(lock) && IsVisible(lock) && !IsVisible(k.Window()) && FindCover(k.Pid()) != nullptr;
}

}  // namespace

E2E_TEST(PasswordIsSetInItsDialog)
{
    ResetKorvaneRegistry();
    Korvane k;
    CHECK_TRUE(k.StartReady());
    HWND dlg = OpenChangePassword(k);
    CHECK_TRUE(dlg);
    // The three edits take at most 79 bytes each.
    for (int id : {1022, 1023, 1024})
        EXPECT_EQ(SendMessageA(Item(dlg, id), EM_GETLIMITTEXT, 0, 0), 79);

    // New password and confirmation differ (the confirmation is longer): message 112, nothing stored.
    FillPasswords(dlg, "", kPassword, std::string(kPassword) + "x");
    PostClick(dlg, IDOK);
    HWND box = WaitMessageBox(k.Pid(), kPasswordMismatch);
    CHECK_TRUE(box);
    EXPECT_TRUE(DismissMessageBox(box));
    EXPECT_TRUE(IsWindow(dlg) && IsVisible(dlg));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "Password"));

    FillPasswords(dlg, "", kPassword, kPassword);
    PostClick(dlg, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
    std::string stored = RegText(HKEY_LOCAL_MACHINE, kSettingsKey, "Password");
    EXPECT_EQ(stored.size(), strlen(kPassword));
    EXPECT_NE(stored, std::string(kPassword));  // not stored as typed

    // Changing it again needs the current password.
    dlg = OpenChangePassword(k);
    CHECK_TRUE(dlg);
    FillPasswords(dlg, "Kv-lock", "other", "other");
    PostClick(dlg, IDOK);
    box = WaitMessageBox(k.Pid(), kWrongPassword);
    CHECK_TRUE(box);
    EXPECT_TRUE(DismissMessageBox(box));
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kSettingsKey, "Password"), stored);
    PostClick(dlg, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(LockCoversTheScreenAndOnlyThePasswordEndsIt)
{
    Korvane k;
    HWND w = StartWithPassword(k);
    CHECK_TRUE(w);
    FakeTaskbar taskbar;
    CHECK_TRUE(IsVisible(taskbar.Window()));

    HWND lock = Lock(k);
    CHECK_TRUE(lock);
    HWND cover = FindCover(k.Pid());
    CHECK_TRUE(cover);
    EXPECT_TRUE(IsTopmost(cover));
    EXPECT_TRUE(IsTopmost(lock));
    EXPECT_TRUE(IsAbove(lock, cover));
    EXPECT_FALSE(IsVisible(w));
    EXPECT_FALSE(IsVisible(taskbar.Window()));
    // Painted in the desktop colour, corner to corner (painting follows the show, so wait for it).
    Sync(cover);
    HDC screen = GetDC(nullptr);
    COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
    int right = GetSystemMetrics(SM_CXSCREEN) - 3, bottom = GetSystemMetrics(SM_CYSCREEN) - 3;
    WaitUntil([&] { return GetPixel(screen, 2, 2) == desktop && GetPixel(screen, right, bottom) == desktop; }, 3000);
    EXPECT_EQ(GetPixel(screen, 2, 2), desktop);
    EXPECT_EQ(GetPixel(screen, right, bottom), desktop);
    ReleaseDC(nullptr, screen);
    // The system keys are off: the platform is told that a screen saver runs.
    EXPECT_TRUE(ScreenSaverRunning(w));
    // The signed-in user's name, a disabled cancel button, no system menu.
    char user[80] = {};
    DWORD size = sizeof user;
    GetUserNameA(user, &size);
    EXPECT_STREQ(ItemText(lock, 1020), user);
    EXPECT_FALSE(IsWindowEnabled(Item(lock, IDCANCEL)));
    EXPECT_FALSE(GetWindowLongA(lock, GWL_STYLE) & WS_SYSMENU);

    // Escape, a close request and the cancel command leave it locked.
    PostMessageA(Item(lock, 1021), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(lock, WM_CLOSE, 0, 0);
    PostMessageA(lock, WM_COMMAND, IDCANCEL, 0);
    Sleep(300);
    EXPECT_TRUE(StillLocked(k, lock));

    // Wrong, shorter and longer entries: message 111 each time, still locked.
    EXPECT_TRUE(RejectedWith111(k, lock, "wrong"));
    EXPECT_TRUE(RejectedWith111(k, lock, ""));
    EXPECT_TRUE(RejectedWith111(k, lock, "Kv-lock"));
    EXPECT_TRUE(RejectedWith111(k, lock, std::string(kPassword) + "8"));
    EXPECT_TRUE(RejectedWith111(k, lock, "kv-LOCK7"));
    EXPECT_TRUE(StillLocked(k, lock));

    // The right password: cover and dialog gone, the main window and the taskbar back.
    EnterPassword(lock, kPassword);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(lock); }));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w); }));
    EXPECT_EQ(CountCovers(k.Pid()), 0);
    EXPECT_TRUE(IsVisible(taskbar.Window()));
    EXPECT_TRUE(WaitUntil([&] { return !ScreenSaverRunning(w); }));
    EXPECT_FALSE(ScreenSaverRunning(w));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(NothingRevealsTheMainWindowWhileLocked)
{
    Korvane k;
    HWND w = StartWithPassword(k);
    CHECK_TRUE(w);
    HWND lock = Lock(k);
    CHECK_TRUE(lock);

    // Hot keys Ctrl+T, Ctrl+Alt+Ins and Ctrl+Alt+L.
    EXPECT_TRUE(PressKeys({VK_CONTROL, 'T'}));
    EXPECT_TRUE(PressKeys({VK_CONTROL, VK_MENU, VK_INSERT}));
    EXPECT_TRUE(PressKeys({VK_CONTROL, VK_MENU, 'L'}));
    Sleep(300);
    EXPECT_TRUE(StillLocked(k, lock));
    EXPECT_FALSE(MenuChecked(w, kCmdTakeover));

    // A double click on the tray icon (its notification reaches the pages of the main window).
    EnumChildWindows(w, PostTrayDoubleClick, 0);
    // The tray menu's commands: restore, takeover, a second lock, Exit.
    for (UINT id : {kCmdRestore, kCmdTakeover, kCmdLock, kCmdExit})
        PostCommand(w, id);
    Sleep(300);
    EXPECT_TRUE(StillLocked(k, lock));
    EXPECT_TRUE(k.Running());
    EXPECT_EQ(DialogsTitled(k.Pid(), kLockTitle).size(), 1u);
    EXPECT_EQ(CountCovers(k.Pid()), 1);
    EXPECT_FALSE(MenuChecked(w, kCmdTakeover));

    // A second start shows and activates the running window from its own process.
    Korvane second;
    EXPECT_TRUE(second.Start());
    EXPECT_TRUE(second.WaitEnd(10000));
    // And the same calls made here directly.
    ShowWindow(w, SW_SHOW);
    SetForegroundWindow(w);
    ShowWindow(w, SW_RESTORE);
    EXPECT_TRUE(StillLocked(k, lock));
    // The keyboard goes back to the lock dialog.
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == lock; }, 3000));

    EnterPassword(lock, kPassword);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(lock); }));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w); }));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(PasswordChangedFromTheLockDialogUnlocksAtOnce)
{
    Korvane k;
    HWND w = StartWithPassword(k);
    CHECK_TRUE(w);
    HWND lock = Lock(k);
    CHECK_TRUE(lock);
    PostClick(lock, 1005);
    HWND dlg = nullptr;
    WaitUntil([&] { return (dlg = FindDialogTitled(k.Pid(), kChangePasswordTitle)) != nullptr; });
    CHECK_TRUE(dlg);
    EXPECT_TRUE(IsAbove(dlg, FindCover(k.Pid())));

    // The current password is needed here too.
    FillPasswords(dlg, "not-it", "fresh-1", "fresh-1");
    PostClick(dlg, IDOK);
    HWND box = WaitMessageBox(k.Pid(), kWrongPassword);
    CHECK_TRUE(box);
    EXPECT_TRUE(IsAbove(box, FindCover(k.Pid())));
    EXPECT_TRUE(DismissMessageBox(box));
    FillPasswords(dlg, kPassword, "fresh-1", "fresh-1");
    PostClick(dlg, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
    EXPECT_TRUE(StillLocked(k, lock));

    EXPECT_TRUE(RejectedWith111(k, lock, kPassword));
    EnterPassword(lock, "fresh-1");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(lock); }));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w); }));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(EmptyNewPasswordRemovesIt)
{
    Korvane k;
    HWND w = StartWithPassword(k);
    CHECK_TRUE(w);
    HWND dlg = OpenChangePassword(k);
    CHECK_TRUE(dlg);
    FillPasswords(dlg, kPassword, "", "");
    PostClick(dlg, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
    EXPECT_STREQ(RegText(HKEY_LOCAL_MACHINE, kSettingsKey, "Password"), "");

    // Locked from a hidden window: with no password any entry unlocks, and the window is shown after.
    PostSysCommand(w, SC_CLOSE);
    EXPECT_TRUE(WaitUntil([&] { return !IsVisible(w); }));
    // Closing minimises the hidden window, which takes Wine a few seconds without a window manager.
    EXPECT_TRUE(Sync(w, 30000));
    EXPECT_TRUE(IsMinimized(w));
    HWND lock = Lock(k);
    CHECK_TRUE(lock);
    EXPECT_FALSE(IsVisible(w));
    EnterPassword(lock, "");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(lock); }));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w); }));
    EXPECT_TRUE(k.Exit());
    ResetKorvaneRegistry();
}
