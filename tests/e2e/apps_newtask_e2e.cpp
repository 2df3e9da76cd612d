// End to end: the new-task dialog starts a program and records it as NewTask0; a missing file
// gives message 105 with the stop icon, keeps the dialog open and writes nothing.
#include "apps_e2e_util.h"

using namespace apps_e2e;

namespace {

const char kNewTaskTitle[] = "\xB4\xB4\xBD\xA8\xD0\xC2\xC8\xCE\xCE\xF1";  // 创建新任务
const char kKey[] = "Software\\Marrowfen\\Korvane";

bool ReadHistory(int i, std::string* text)
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    char name[24], buf[1024] = {};
    snprintf(name, sizeof name, "NewTask%d", i);
    DWORD size = sizeof buf - 1;
    bool ok = RegQueryValueExA(h, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS;
    RegCloseKey(h);
    if (ok && text)
        *text = buf;
    return ok;
}

void ClearHistory()
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_WRITE, &h) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < 30; ++i) {
        char name[24];
        snprintf(name, sizeof name, "NewTask%d", i);
        RegDeleteValueA(h, name);
    }
    RegCloseKey(h);
}

// The message box shown over the dialog: a #32770 window owned by it, other than itself.
HWND FindMessageBox(HWND hOwner)
{
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND h = FindWindowExA(nullptr, nullptr, "#32770", nullptr); h; h = FindWindowExA(nullptr, h, "#32770", nullptr)) {
            if (h != hOwner && GetWindow(h, GW_OWNER) == hOwner && IsWindowVisible(h)) {
                found = h;
                return true;
            }
        }
        return false;
    }, 5000);
    return found;
}

std::string DlgText(HWND hDlg, int id)
{
    char buf[1024] = {};
    GetDlgItemTextA(hDlg, id, buf, sizeof buf);
    return buf;
}

}  // namespace

int main()
{
    Korvane k;
    if (!k.Launch()) {
        printf("korvane did not start\n");
        return 1;
    }
    ClearHistory();

    // The page's button travels on to the main window, which opens the dialog.
    PostMessageA(k.hPage, WM_COMMAND, 32772, 0);
    HWND hDlg = WaitWindow("#32770", kNewTaskTitle, 5000);
    APPS_CHECK(hDlg != nullptr, "new-task dialog did not open from the page's button");
    if (!hDlg)
        return Finish("apps_newtask_e2e");
    APPS_CHECK(GetWindow(hDlg, GW_OWNER) == k.hMain, "dialog not owned by the main window");
    APPS_CHECK(DlgText(hDlg, 1018).empty(), "first use shows %s", DlgText(hDlg, 1018).c_str());

    const std::string program = ExeDir() + "korvane_testwin.exe";
    SetDlgItemTextA(hDlg, 1018, program.c_str());
    PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    APPS_CHECK(WaitFor([&] { return !IsWindow(hDlg); }, 5000), "dialog stays open after a good command");
    HWND hStarted = WaitWindow(nullptr, "Korvane test window", 10000);
    APPS_CHECK(hStarted != nullptr, "the program did not start");
    std::string entry;
    APPS_CHECK(ReadHistory(0, &entry) && entry == program, "NewTask0 is '%s'", entry.c_str());
    APPS_CHECK(!ReadHistory(1, nullptr), "NewTask1 written on first use");
    if (hStarted)
        PostMessageA(hStarted, WM_CLOSE, 0, 0);

    // From the File menu: the history shows, a missing file gives message 105 and writes nothing.
    PostMessageA(k.hMain, WM_COMMAND, 32772, 0);
    hDlg = WaitWindow("#32770", kNewTaskTitle, 5000);
    APPS_CHECK(hDlg != nullptr, "new-task dialog did not open from the menu");
    if (hDlg) {
        APPS_CHECK(DlgText(hDlg, 1018) == program, "most recent command not shown: %s", DlgText(hDlg, 1018).c_str());
        SetDlgItemTextA(hDlg, 1018, "C:\\no such folder\\no such program.exe");
        PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
        HWND hBox = FindMessageBox(hDlg);
        APPS_CHECK(hBox != nullptr, "no message box for a missing file");
        if (hBox) {
            char title[64] = {};
            GetWindowTextA(hBox, title, sizeof title);
            APPS_CHECK(strcmp(title, "Korvane") == 0, "message box title %s", title);
            // The text of string 105, as GBK bytes.
            const char kNotFoundStart[] = "\xD5\xD2\xB2\xBB\xB5\xBD\xB8\xC3\xCE\xC4\xBC\xFE";  // 找不到该文件
            bool found = false;
            for (HWND h = GetWindow(hBox, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
                char text[512] = {};
                GetWindowTextA(h, text, sizeof text);
                if (strncmp(text, kNotFoundStart, strlen(kNotFoundStart)) == 0)
                    found = true;
            }
            APPS_CHECK(found, "message 105 not shown");
            PostMessageA(hBox, WM_COMMAND, IDOK, 0);
            APPS_CHECK(WaitFor([&] { return !IsWindow(hBox); }, 3000), "message box stays");
        }
        Sleep(300);
        APPS_CHECK(IsWindow(hDlg), "dialog closed after a failed command");
        APPS_CHECK(DlgText(hDlg, 1018) == "C:\\no such folder\\no such program.exe", "text changed: %s",
                   DlgText(hDlg, 1018).c_str());
        APPS_CHECK(ReadHistory(0, &entry) && entry == program, "NewTask0 changed to '%s'", entry.c_str());
        APPS_CHECK(!ReadHistory(1, nullptr), "a failed command was recorded");
        PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        APPS_CHECK(WaitFor([&] { return !IsWindow(hDlg); }, 3000), "cancel did not close the dialog");
    }
    k.Quit();
    return Finish("apps_newtask_e2e");
}
