// The help commands under Wine, with the Korvane.hlp that the build puts beside korvane.exe:
// "内容(&C)" and F1 open it (not a file of that name in the current folder) in the help viewer,
// through the shell (Wine's shell starts winhlp32.exe for a .hlp file, and winhlp32 is an
// independent reader of the format): the caption carries the file's title, the contents topic is
// drawn in Chinese, and a jump shows its target topic. Without the file nothing opens and the
// program goes on answering.
#include "Harness.h"
#include "protect_e2e_helpers.h"
#include <stdio.h>
#include <string.h>
#include <tlhelp32.h>
#include <set>

using namespace e2e;

namespace {

const UINT kCmdStandardHelp = 57670;
const int kViewerTextId = 0x701;                      // the viewer's rich-edit control
const char kHelpTitle[] = "Korvane 任务管理器 ";       // the file's title starts so
const char kContentsTitle[] = "目录";
const char kFirstJump[] = "“应用程序”选项卡";           // the contents topic's first jump

std::set<DWORD> HelpViewers()
{
    std::set<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe)) {
        if (lstrcmpiA(pe.szExeFile, "winhlp32.exe") == 0)
            pids.insert(pe.th32ProcessID);
    }
    CloseHandle(snap);
    return pids;
}

void EndHelpViewers()
{
    for (DWORD pid : HelpViewers()) {
        HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!h)
            continue;
        TerminateProcess(h, 0);
        WaitForSingleObject(h, 3000);
        CloseHandle(h);
    }
}

struct FindViewer {
    std::set<DWORD> pids;
    HWND found;
};

BOOL CALLBACK FindViewerProc(HWND w, LPARAM p)
{
    FindViewer* f = reinterpret_cast<FindViewer*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (f->pids.count(pid) && IsWindowVisible(w) && GetDlgItem(w, kViewerTextId) &&
        WindowText(w).compare(0, strlen(kHelpTitle), kHelpTitle) == 0)
        f->found = w;
    return f->found == nullptr;
}

// The viewer's visible main window showing a help file (its caption starts with the file's title).
HWND ViewerWindow()
{
    FindViewer f = {HelpViewers(), nullptr};
    EnumWindows(FindViewerProc, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

// WM_GETTEXT with room for a whole topic (the rich-edit control answers WM_GETTEXTLENGTH from
// another process with 0).
std::string LongText(HWND w)
{
    std::vector<char> buf(16384, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXT, buf.size() - 1, reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                             2000, &got))
        return "";
    return buf.data();
}

// The topic the viewer shows, as text: its first paragraph is the topic's title.
std::string TopicText(HWND viewer)
{
    return LongText(GetDlgItem(viewer, kViewerTextId));
}

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.compare(0, strlen(prefix), prefix) == 0;
}

// What a window shows on the screen, as 0x00RRGGBB rows from the top.
struct Picture {
    int w = 0, h = 0;
    std::vector<DWORD> px;
    DWORD at(int x, int y) const { return px[y * w + x]; }
    bool Ink(int x, int y) const
    {
        DWORD c = at(x, y);
        return ((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) < 3 * 128;
    }
    bool Green(int x, int y) const    // the viewer's colour for jumps
    {
        DWORD c = at(x, y);
        return (c >> 16 & 0xFF) < 80 && (c >> 8 & 0xFF) > 90 && (c & 0xFF) < 80;
    }
};

Picture Capture(HDC from, int x, int y, int w, int h)
{
    Picture p;
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(from);
    HBITMAP bmp = CreateTopDownDib(from, w, h, &bits);
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, from, x, y, SRCCOPY);
        GdiFlush();
        p.w = w;
        p.h = h;
        p.px.assign(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + w * h);
        SelectObject(mem, old);
        DeleteObject(bmp);
    }
    DeleteDC(mem);
    return p;
}

Picture CaptureWindow(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    HDC screen = GetDC(nullptr);
    Picture p = Capture(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(nullptr, screen);
    return p;
}

// The lines of the picture with jump-coloured pixels (a jump's text and its underline make one).
struct Band { int top, bottom, left; };
std::vector<Band> GreenBands(const Picture& p)
{
    std::vector<Band> bands;
    for (int y = 0; y < p.h; ++y) {
        int left = -1;
        for (int x = 0; x < p.w && left < 0; ++x)
            if (p.Green(x, y))
                left = x;
        if (left < 0)
            continue;
        if (!bands.empty() && y - bands.back().bottom <= 2)
            bands.back().bottom = y;
        else
            bands.push_back({y, y, left});
    }
    return bands;
}

int InkCount(const Picture& p)
{
    int n = 0;
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x)
            n += p.Ink(x, y);
    return n;
}

// Whether the topic title `text` (GBK), as the viewer draws a title (宋体, bold, 12 points,
// GB2312 charset), appears in the picture: the title is drawn here by the same fonts and looked
// for pixel by pixel. The drawing here must be made of real glyphs, or the check proves nothing;
// question marks or boxes in the viewer do not match it.
bool ShowsTitle(const Picture& p, const char* text, const wchar_t* wide)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    int height = -MulDiv(12, GetDeviceCaps(screen, LOGPIXELSY), 72);
    HFONT font = CreateFontA(height, 0, 0, 0, FW_BOLD, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "宋体");
    Picture t;
    bool glyphs = false;
    if (font) {
        HGDIOBJ oldFont = SelectObject(dc, font);
        WORD idx[16] = {};
        int n = static_cast<int>(wcslen(wide));
        glyphs = n < 16 && GetGlyphIndicesW(dc, wide, n, idx, GGI_MARK_NONEXISTING_GLYPHS) == static_cast<DWORD>(n);
        for (int i = 0; i < n && glyphs; ++i)
            glyphs = idx[i] != 0xFFFF;
        SIZE sz = {};
        GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &sz);
        void* bits = nullptr;
        HBITMAP bmp = CreateTopDownDib(dc, sz.cx, sz.cy, &bits);
        if (bmp && sz.cx > 0 && sz.cy > 0) {
            HGDIOBJ oldBmp = SelectObject(dc, bmp);
            PatBlt(dc, 0, 0, sz.cx, sz.cy, WHITENESS);
            SetBkMode(dc, TRANSPARENT);
            TextOutA(dc, 0, 0, text, static_cast<int>(strlen(text)));
            t = Capture(dc, 0, 0, sz.cx, sz.cy);
            SelectObject(dc, oldBmp);
        }
        if (bmp)
            DeleteObject(bmp);
        SelectObject(dc, oldFont);
        DeleteObject(font);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    int ink = InkCount(t);
    if (!glyphs || ink < 20)
        return false;
    // The best place in the picture's top-left part: the share of the title's ink found there,
    // less the ink there that the title does not have.
    int best = -(1 << 30);
    for (int oy = 0; oy + t.h <= p.h && oy < 120; ++oy) {
        for (int ox = 0; ox + t.w <= p.w && ox < 80; ++ox) {
            int score = 0;
            for (int y = 0; y < t.h; ++y)
                for (int x = 0; x < t.w; ++x)
                    score += t.Ink(x, y) == p.Ink(ox + x, oy + y) ? (t.Ink(x, y) ? 1 : 0) : -1;
            if (score > best)
                best = score;
        }
    }
    return best >= ink * 9 / 10;
}

// Clicks the contents topic's first jump. Wine's viewer keeps each jump's place as the count of
// GBK bytes before it (one for each paragraph end), while its rich-edit control counts
// characters, and it follows the jump whose byte range holds the character clicked: for Chinese
// text the click goes to the character whose index is the jump's byte offset. (WinHelp itself
// draws the topic and has no such difference.)
bool ClickFirstJump(HWND viewer, const std::string& topic)
{
    std::string bytes;
    for (size_t i = 0; i < topic.size(); ++i)
        if (!(topic[i] == '\r' && i + 1 < topic.size() && topic[i + 1] == '\n'))
            bytes += topic[i];
    size_t at = bytes.find(kFirstJump);
    if (at == std::string::npos)
        return false;
    HWND text = GetDlgItem(viewer, kViewerTextId);
    DWORD_PTR pos = 0;    // the rich-edit 1.0 form: the index in wParam, the point returned
    if (!SendMessageTimeoutA(text, EM_POSFROMCHAR, at + 1, 0, SMTO_ABORTIFHUNG, 2000, &pos))
        return false;
    LPARAM point = MAKELPARAM(LOWORD(pos) + 1, HIWORD(pos) + 3);
    return PostMessageA(text, WM_LBUTTONDOWN, MK_LBUTTON, point) && PostMessageA(text, WM_LBUTTONUP, 0, point);
}

void WriteFakeHelp(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (f) {
        fputs("not a real help file", f);
        fclose(f);
    }
}

// A fresh folder under the temporary directory holding a Korvane.hlp that is not a help file:
// started from the Run key the program's current folder is the Windows folder, and a help file
// there is not the program's.
std::string FolderWithOtherHelpFile(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string dir = std::string(temp) + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    WriteFakeHelp(dir + "\\Korvane.hlp");
    return dir;
}

// The viewer on the contents topic: caption, text and pixels; then a jump to the first topic.
void CheckViewerShowsTheGuide()
{
    HWND viewer = nullptr;
    CHECK_TRUE(WaitUntil([&] { return (viewer = ViewerWindow()) != nullptr; }, 10000, 100));
    EXPECT_TRUE(WindowText(viewer).find("使用说明") != std::string::npos);
    std::string topic;
    CHECK_TRUE(WaitUntil([&] { return StartsWith(topic = TopicText(viewer), kContentsTitle); }, 5000, 100));
    EXPECT_TRUE(topic.find(kFirstJump) != std::string::npos);
    EXPECT_TRUE(topic.find("运行要求") != std::string::npos);
    EXPECT_TRUE(topic.find('?') == std::string::npos);
    Sleep(300);    // the drawing follows the text
    Picture contents = CaptureWindow(viewer);
    EXPECT_TRUE(ShowsTitle(contents, kContentsTitle, L"\u76ee\u5f55"));
    // Ten jumps, one a line, drawn in the jump colour.
    EXPECT_EQ(GreenBands(contents).size(), static_cast<size_t>(10));
    CHECK_TRUE(ClickFirstJump(viewer, topic));
    EXPECT_TRUE(WaitUntil([&] { return StartsWith(topic = TopicText(viewer), kFirstJump); }, 5000, 100));
    Sleep(300);
    Picture target = CaptureWindow(viewer);
    EXPECT_TRUE(ShowsTitle(target, kFirstJump, L"\u201c\u5e94\u7528\u7a0b\u5e8f\u201d\u9009\u9879\u5361"));
    EXPECT_EQ(GreenBands(target).size(), static_cast<size_t>(1));    // its one jump, "另见…"
}

}  // namespace

E2E_TEST(HelpContentsOpensTheShippedHelpFile)
{
    ResetKorvaneRegistry();
    EndHelpViewers();
    std::string cwd = FolderWithOtherHelpFile("kvhelp_other");
    Korvane k;
    CHECK_TRUE(k.Start("", cwd.c_str()) && k.WaitReady());
    CHECK_TRUE(SendCommand(k.Window(), kCmdHelpContents));
    CheckViewerShowsTheGuide();
    // Nothing in the program waits for the viewer.
    EXPECT_TRUE(Sync(k.Window(), 2000));
    EndHelpViewers();
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(F1OpensTheSameHelp)
{
    ResetKorvaneRegistry();
    EndHelpViewers();
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    SetForegroundWindow(w);
    CHECK_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 3000, 50));
    CHECK_TRUE(PressKeys({VK_F1}));
    CheckViewerShowsTheGuide();
    EXPECT_TRUE(Sync(w, 2000));
    EndHelpViewers();
    EXPECT_TRUE(k.Exit());
}

// Behind the lock the help viewer would be a way round the password (its open-file dialog
// starts programs), so F1 in the lock dialog opens nothing.
E2E_TEST(F1InTheLockDialogOpensNothing)
{
    ResetKorvaneRegistry();  // no password: any entry unlocks
    EndHelpViewers();
    Korvane k;
    CHECK_TRUE(k.StartReady());
    PostCommand(k.Window(), kCmdLock);
    HWND lock = nullptr;
    CHECK_TRUE(WaitUntil([&] { return (lock = protect_e2e::FindDialogTitled(k.Pid(), protect_e2e::kLockTitle)); },
                         10000, 50));
    CHECK_TRUE(WaitUntil([&] { return GetForegroundWindow() == lock; }, 3000, 50));
    CHECK_TRUE(PressKeys({VK_F1}));
    EXPECT_FALSE(WaitUntil([] { return !HelpViewers().empty(); }, 2000, 50));
    protect_e2e::PostClick(lock, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(lock); }, 5000, 50));
    EndHelpViewers();
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(WithoutTheHelpFileNothingOpens)
{
    ResetKorvaneRegistry();
    EndHelpViewers();
    std::string shipped = KorvaneDir() + "\\Korvane.hlp", aside = shipped + ".aside";
    CHECK_TRUE(MoveFileA(shipped.c_str(), aside.c_str()));
    std::string cwd = FolderWithOtherHelpFile("kvhelp_other");
    Korvane k;
    if (EXPECT_TRUE(k.Start("", cwd.c_str()) && k.WaitReady())) {
        for (UINT command : {static_cast<UINT>(kCmdHelpContents), kCmdStandardHelp}) {
            EXPECT_TRUE(SendCommand(k.Window(), command));
            EXPECT_FALSE(WaitUntil([] { return !HelpViewers().empty(); }, 2000, 50));
            EXPECT_TRUE(Sync(k.Window(), 2000));
        }
        EXPECT_TRUE(k.Exit());
    }
    EndHelpViewers();
    EXPECT_TRUE(MoveFileA(aside.c_str(), shipped.c_str()));
}
