// End to end: which windows the Applications page lists, hidden windows leaving and coming back on
// top, a closed window leaving, and the page's columns.
#include "apps_e2e_util.h"

using namespace apps_e2e;

int main()
{
    Korvane k;
    if (!k.Launch()) {
        printf("korvane did not start\n");
        return 1;
    }
    RemoteList list(k.hList);
    APPS_CHECK(list.ColumnWidth(0) == 220, "width %d", list.ColumnWidth(0));
    APPS_CHECK(list.ColumnWidth(1) == 80, "width %d", list.ColumnWidth(1));

    const std::string excludedGbk = std::string(kMainTitle) + " 2";
    DWORD pid = 0;
    HANDLE hTest = Start("\"" + ExeDir() + "korvane_testwin.exe\" \"w:Apps Visible\" \"o:Apps Owned\" "
                         "\"p:Apps Popup\" \"h:Apps Hidden\" \"w:Program Manager 2\" \"w:Windows Korvane 7\" "
                         "\"w:" + excludedGbk + "\" \"w:Apps Second\"", &pid);
    HWND hVisible = WaitWindow(nullptr, "Apps Visible", 10000);
    HWND hSecond = WaitWindow(nullptr, "Apps Second", 10000);
    APPS_CHECK(hVisible && hSecond, "test windows did not open");

    APPS_CHECK(WaitFor([&] { return list.Find(hVisible) >= 0 && list.Find(hSecond) >= 0; }, 5000),
               "visible unowned windows not listed");
    // Give the page two more passes to list anything it should not.
    Sleep(2500);
    for (const char* title : {"Apps Owned", "Apps Popup", "Apps Hidden", "Program Manager 2", "Windows Korvane 7"})
        APPS_CHECK(list.FindTitle(title) < 0, "%s is listed", title);
    APPS_CHECK(list.FindTitle(excludedGbk) < 0, "the task manager title with a suffix is listed");
    APPS_CHECK(list.FindTitle(kMainTitle) < 0, "korvane lists itself");
    int row = list.Find(hVisible);
    if (row >= 0) {
        APPS_CHECK(list.Text(row, 0) == "Apps Visible", "title %s", list.Text(row, 0).c_str());
        char pidText[16];
        snprintf(pidText, sizeof pidText, "%d", static_cast<int>(pid));
        APPS_CHECK(list.Text(row, 3) == pidText, "process %s, want %s", list.Text(row, 3).c_str(), pidText);
    }

    // Hidden: leaves. Shown again: comes back on top.
    PostMessageA(hVisible, WM_APP + 2, 0, 0);
    APPS_CHECK(WaitFor([&] { return list.Find(hVisible) < 0; }, 3000), "hidden window stays listed");
    PostMessageA(hVisible, WM_APP + 3, 0, 0);
    APPS_CHECK(WaitFor([&] { return list.Find(hVisible) == 0; }, 3000), "shown window not back on top (row %d)",
               list.Find(hVisible));

    // A retitled window is shown with its new title.
    SetWindowTextA(hSecond, "Apps Second Renamed");
    APPS_CHECK(WaitFor([&] { return list.FindTitle("Apps Second Renamed") >= 0; }, 3000), "new title not shown");

    // Closed: leaves.
    PostMessageA(hSecond, WM_CLOSE, 0, 0);
    APPS_CHECK(WaitFor([&] { return list.Find(hSecond) < 0; }, 4000), "closed window stays listed");

    TerminateProcess(hTest, 0);
    CloseHandle(hTest);
    APPS_CHECK(WaitFor([&] { return list.Find(hVisible) < 0; }, 15000), "windows of an ended process stay listed");
    k.Quit();
    return Finish("apps_list_e2e");
}
