// End to end: statuses from the hang check, ending a running task and a hung one, and the main
// window answering messages throughout.
#include "apps_e2e_util.h"

using namespace apps_e2e;

namespace {

const char kEndProgramTitle[] = "\xBD\xE1\xCA\xF8\xB3\xCC\xD0\xF2";  // 结束程序

bool EndTask(Korvane& k, RemoteList& list, HWND hTarget)
{
    int row = list.Find(hTarget);
    if (row < 0)
        return false;
    list.Select(row);
    printf("end task at tick %lu\n", GetTickCount());
    PostMessageA(k.hPage, WM_COMMAND, 1017, 0);
    return true;
}

}  // namespace

int main()
{
    UseUnmanagedWindows();
    Korvane k;
    if (!k.Launch()) {
        printf("korvane did not start\n");
        return 1;
    }
    RemoteList list(k.hList);
    AnswerWatch watch(k.hMain);

    HANDLE hTest = Start("\"" + ExeDir() + "korvane_testwin.exe\" \"w:Hang Target\" \"b:Busy Window\" \"w:Close Target\"");
    HWND hHang = WaitWindow(nullptr, "Hang Target", 10000);
    HWND hBusy = WaitWindow(nullptr, "Busy Window", 10000);
    HWND hClose = WaitWindow(nullptr, "Close Target", 10000);
    APPS_CHECK(hHang && hBusy && hClose, "test windows did not open");

    APPS_CHECK(WaitFor([&] { return list.StatusOf(hHang) == kRunning && list.StatusOf(hClose) == kRunning; }, 9000),
               "running windows not marked running: %s", list.StatusOf(hHang).c_str());
    APPS_CHECK(WaitFor([&] { return list.StatusOf(hBusy) == kNotResponding; }, 9000),
               "a window busy 100 ms on every message is %s", list.StatusOf(hBusy).c_str());

    // Hangs for 6 s: marked within one hang-check pass, running again after it recovers.
    PostMessageA(hHang, WM_APP + 1, 6000, 0);
    DWORD hungAt = GetTickCount();
    APPS_CHECK(WaitFor([&] { return list.StatusOf(hHang) == kNotResponding; }, 3000 + 1500),
               "hung window is %s", list.StatusOf(hHang).c_str());
    APPS_CHECK(WaitFor([&] { return list.StatusOf(hHang) == kRunning; }, 6000 + 3000 + 1500),
               "recovered window is %s", list.StatusOf(hHang).c_str());
    printf("hung window recovered in the list after %lu ms\n", GetTickCount() - hungAt);
    APPS_CHECK(list.StatusOf(hBusy) == kNotResponding, "busy window is %s", list.StatusOf(hBusy).c_str());

    // End task on a running window: it closes and its item leaves.
    APPS_CHECK(EndTask(k, list, hClose), "close target not listed");
    APPS_CHECK(WaitFor([&] { return !IsWindow(hClose); }, 3000), "running window not closed");
    APPS_CHECK(WaitFor([&] { return list.Find(hClose) < 0; }, 3000), "closed window's item stays");

    // End task on a hung window: the end-program dialog, Enter cancels, then end now.
    PostMessageA(hHang, WM_APP + 1, 60000, 0);
    APPS_CHECK(WaitFor([&] { return list.StatusOf(hHang) == kNotResponding; }, 4500), "not marked hung");
    APPS_CHECK(EndTask(k, list, hHang), "hang target not listed");
    HWND hDlg = WaitWindow("#32770", kEndProgramTitle, 5000);
    APPS_CHECK(hDlg != nullptr, "end-program dialog did not appear");
    if (hDlg) {
        LRESULT def = SendMessageA(hDlg, DM_GETDEFID, 0, 0);
        APPS_CHECK(HIWORD(def) == DC_HASDEFID && LOWORD(def) == IDCANCEL, "default button %lx", static_cast<long>(def));
        // Enter presses the focused push button: the focus must be on "取消" too.
        GUITHREADINFO gti = {};
        gti.cbSize = sizeof gti;
        GetGUIThreadInfo(GetWindowThreadProcessId(hDlg, nullptr), &gti);
        APPS_CHECK(gti.hwndFocus == GetDlgItem(hDlg, IDCANCEL), "focus on control %d", GetDlgCtrlID(gti.hwndFocus));
        PostMessageA(gti.hwndFocus ? gti.hwndFocus : hDlg, WM_KEYDOWN, VK_RETURN, 0);
        APPS_CHECK(WaitFor([&] { return !IsWindow(hDlg); }, 3000), "Enter did not close the dialog");
        APPS_CHECK(WaitForSingleObject(hTest, 500) == WAIT_TIMEOUT, "Enter ended the process");

        APPS_CHECK(EndTask(k, list, hHang), "hang target not listed");
        hDlg = WaitWindow("#32770", kEndProgramTitle, 5000);
        APPS_CHECK(hDlg != nullptr, "end-program dialog did not appear again");
        if (hDlg)
            PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
        APPS_CHECK(WaitForSingleObject(hTest, 5000) == WAIT_OBJECT_0, "end now did not end the process");
        APPS_CHECK(WaitFor([&] { return list.Find(hHang) < 0 && list.Find(hBusy) < 0; }, 5000),
                   "ended process's windows stay listed");
    }
    DWORD longest = watch.Stop();
    printf("longest gap between answers of the main window: %lu ms\n", longest);
    APPS_CHECK(longest < 1100, "main window did not answer for %lu ms", longest);

    TerminateProcess(hTest, 0);
    CloseHandle(hTest);
    k.Quit();
    return Finish("apps_hang_e2e");
}
