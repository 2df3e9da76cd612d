// Damaged new-task history: a gap ends the list the dialog shows, an entry that cannot be read
// (longer than 1023 bytes) ends it too, entries of another type or with invalid GBK bytes are
// shown as the registry gives them; the program stays up, and a command run from such a history
// is recorded by the shifting rule without touching what lies beyond the gap.
#include "apps_e2e_util.h"
#include "hostile_util.h"
#include <stdio.h>

using namespace apps_e2e;
using hostile::DwordBytes;
using hostile::WriteRaw;

namespace {

const char kNewTaskTitle[] = "\xB4\xB4\xBD\xA8\xD0\xC2\xC8\xCE\xCE\xF1";  // 创建新任务
const int kCommandBox = 1018;

std::string Entry(int i) { return RegText(HKEY_LOCAL_MACHINE, kSettingsKey, ("NewTask" + std::to_string(i)).c_str()); }
bool HasEntry(int i) { return RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, ("NewTask" + std::to_string(i)).c_str()); }

void StartWithHistory(Korvane& k, const std::vector<std::pair<int, std::pair<DWORD, std::string>>>& entries)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Directory", KorvaneDir());
    for (const auto& e : entries)
        WriteRaw(("NewTask" + std::to_string(e.first)).c_str(), e.second.first, e.second.second);
    k.StartReady();
}

HWND OpenNewTask(HWND main)
{
    if (!PostCommand(main, kCmdNewTask))
        return nullptr;
    return WaitWindow(kDialogClass, kNewTaskTitle, 5000);
}

// The items of the dialog's combo box, read across processes. Wine carries CB_GETLBTEXT's text
// back into a local buffer, in UTF-16 whichever form was sent: it is asked for that and turned
// back into the ANSI code page.
std::vector<std::string> ComboItems(HWND box)
{
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(box, CB_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &count)) {
        printf("    no answer to CB_GETCOUNT\n");
        return items;
    }
    for (int i = 0; i < static_cast<int>(count); ++i) {
        DWORD_PTR len = 0;
        SendMessageTimeoutW(box, CB_GETLBTEXTLEN, i, 0, SMTO_NORMAL, 5000, &len);
        std::vector<wchar_t> wide(len + 16, L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide.data()), SMTO_NORMAL, 5000, &got);
        int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
        std::vector<char> text(n > 0 ? n : 1, '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text.data(), n, nullptr, nullptr);
        items.push_back(text.data());
    }
    return items;
}

bool CloseDialog(HWND dlg)
{
    PostCommand(dlg, IDCANCEL);
    return WaitUntil([&] { return !IsWindow(dlg); }, 3000);
}

}  // namespace

E2E_TEST(GapEndsTheListAndARunCommandShiftsOnlyWhatWasRead)
{
    UnmanagedWindows unmanaged;
    Korvane k;
    StartWithHistory(k, {{0, {REG_SZ, "C:\\first.exe"}}, {1, {REG_SZ, "C:\\second.exe"}},
                         {3, {REG_SZ, "C:\\beyond the gap.exe"}}});
    HWND main = k.Window();
    CHECK_TRUE(main);
    HWND dlg = OpenNewTask(main);
    CHECK_TRUE(dlg);
    std::vector<std::string> items = ComboItems(Item(dlg, kCommandBox));
    CHECK_EQ(items.size(), 2u);
    EXPECT_STREQ(items[0], "C:\\first.exe");
    EXPECT_STREQ(items[1], "C:\\second.exe");
    EXPECT_STREQ(ItemText(dlg, kCommandBox), "C:\\first.exe");

    // A command that works: NewTask0 to NewTask1 move down one place; NewTask2 has no value, so
    // NewTask3 keeps its text and is also copied to NewTask4.
    const std::string program = KorvaneDir() + "\\korvane_testwin.exe";
    SetDlgItemTextA(dlg, kCommandBox, program.c_str());
    PostCommand(dlg, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }, 5000));
    HWND started = WaitWindow(nullptr, "Korvane test window");
    EXPECT_TRUE(started);
    if (started)
        PostMessageA(started, WM_CLOSE, 0, 0);
    EXPECT_STREQ(Entry(0), program);
    EXPECT_STREQ(Entry(1), "C:\\first.exe");
    EXPECT_STREQ(Entry(2), "C:\\second.exe");
    EXPECT_STREQ(Entry(3), "C:\\beyond the gap.exe");
    EXPECT_STREQ(Entry(4), "C:\\beyond the gap.exe");
    EXPECT_FALSE(HasEntry(5));

    // The gap is closed now: the dialog lists all five.
    dlg = OpenNewTask(main);
    CHECK_TRUE(dlg);
    EXPECT_EQ(ComboItems(Item(dlg, kCommandBox)).size(), 5u);
    EXPECT_TRUE(CloseDialog(dlg));
    EXPECT_TRUE(hostile::StaysUp(k, 300));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(UnreadableEntryEndsTheListOddEntriesAreShownAsRead)
{
    UnmanagedWindows unmanaged;
    const std::string longest = "C:\\" + std::string(1016, 'L') + ".exe";  // 1023 bytes, the most kept
    const std::string invalidGbk("C:\\\x81\x20\xFF\x80 bad \xB0.exe");
    Korvane k;
    StartWithHistory(k, {{0, {REG_SZ, longest}},
                         {1, {REG_DWORD, DwordBytes(0x00434241)}},  // the bytes "ABC"
                         {2, {REG_SZ, invalidGbk}},
                         {3, {REG_BINARY, std::string("C:\\bin.exe\0tail", 15)}},
                         {4, {REG_SZ, std::string(1024, 'X')}},        // one byte too many: unreadable
                         {5, {REG_SZ, "C:\\never listed.exe"}}});
    HWND main = k.Window();
    CHECK_TRUE(main);
    std::string asStored = RegText(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask2");
    HWND dlg = OpenNewTask(main);
    CHECK_TRUE(dlg);
    std::vector<std::string> items = ComboItems(Item(dlg, kCommandBox));
    CHECK_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].size(), 1023u);
    EXPECT_STREQ(items[0], longest);
    EXPECT_STREQ(items[1], "ABC");
    EXPECT_STREQ(items[2], asStored);
    EXPECT_STREQ(items[3], "C:\\bin.exe");
    EXPECT_TRUE(CloseDialog(dlg));
    EXPECT_TRUE(hostile::StaysUp(k, 300));
    EXPECT_TRUE(k.Exit());
    // Cancel wrote nothing: the damaged values are as they were.
    std::string text;
    DWORD type = 0;
    EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask1", &text, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(Entry(4).size(), 1024u);
    EXPECT_STREQ(Entry(5), "C:\\never listed.exe");
    EXPECT_FALSE(HasEntry(6));
}
