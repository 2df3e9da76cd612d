// End-to-end harness: see Harness.h.
#include "Harness.h"
#include <tlhelp32.h>
#include <algorithm>
#include <map>
#include <set>
#include <functional>
#include <memory>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace e2e {

const char kMainTitle[] = "Windows 任务管理器";
const char kDialogClass[] = "#32770";
const char kSettingsKey[] = "Software\\Marrowfen\\Korvane";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// --- waiting -------------------------------------------------------------------------------

namespace {
const char* volatile g_step = nullptr;
volatile DWORD g_stepStart = 0;
}  // namespace

void SetStep(const char* what)
{
    g_stepStart = GetTickCount();
    g_step = what;
}

const char* CurrentStep(unsigned long* forMs)
{
    const char* step = g_step;
    *forMs = GetTickCount() - g_stepStart;
    return step;
}

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs, DWORD stepMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (cond())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return cond();
        ::Sleep(stepMs);
    }
}

// --- the program ---------------------------------------------------------------------------

std::string KorvaneExe()
{
    const char* exe = getenv("KORVANE_EXE");
    if (!exe || !*exe) {
        fprintf(stderr, "KORVANE_EXE is not set (scripts/wine-run.sh sets it)\n");
        return "korvane.exe";
    }
    return exe;
}

std::string KorvaneDir()
{
    std::string exe = KorvaneExe();
    size_t slash = exe.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}

Korvane::~Korvane()
{
    Kill();
}

bool Korvane::Start(const std::string& args, const char* cwd)
{
    std::string cmd = "\"" + KorvaneExe() + "\"";
    if (!args.empty())
        cmd += " " + args;
    return Launch(nullptr, cmd, cwd);
}

bool Korvane::StartAs(const std::string& path, const std::string& commandLine)
{
    return Launch(path.c_str(), commandLine, nullptr);
}

bool Korvane::Launch(const char* application, const std::string& commandLine, const char* cwd)
{
    Kill();
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    Step step("CreateProcess of korvane.exe");
    if (!CreateProcessA(application, line.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd, &si, &m_pi)) {
        printf("    CreateProcess(%s) failed: %lu\n", commandLine.c_str(), GetLastError());
        m_pi = {};
        return false;
    }
    CloseHandle(m_pi.hThread);
    m_pi.hThread = nullptr;
    return true;
}

std::string HowItEnded(DWORD exitCode)
{
    char text[160];
    const char* meaning = "";
    switch (exitCode) {
    case 0x80000101: meaning = " (Wine's code for an abort of the process's Linux side: SIGABRT, which the C library "
                               "raises on a corrupted heap)"; break;
    case 0xC0000005: meaning = " (access violation)"; break;
    case 0xC0000374: meaning = " (heap corruption)"; break;
    case 0xC00000FD: meaning = " (stack overflow)"; break;
    default: break;
    }
    snprintf(text, sizeof text, "exit code 0x%08lX%s", static_cast<unsigned long>(exitCode), meaning);
    return text;
}

bool ReportEndedHelper(const char* name, DWORD pid, HANDLE process)
{
    DWORD code = STILL_ACTIVE;
    if (!process || !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE || code == 0)
        return false;
    printf("    helper %s (pid %lu) died on its own: %s\n", name, static_cast<unsigned long>(pid),
           HowItEnded(code).c_str());
    return true;
}

HWND Korvane::StartReady(const std::string& args, DWORD timeoutMs)
{
    return Start(args) ? WaitReady(timeoutMs) : nullptr;
}

HWND Korvane::ReadyWindow() const
{
    // The window and its tabs exist long before start-up has finished (pages, check marks,
    // showing, hot keys follow; Wine answers our messages whenever the program waits on another
    // process meanwhile). The high priority class is set by the last step but the hot keys, which
    // pump no messages; a WM_NULL answered after it was seen is therefore answered by the
    // program's own message loop.
    if (!Running() || GetPriorityClass(m_pi.hProcess) != HIGH_PRIORITY_CLASS)
        return nullptr;
    HWND h = FindMainWindow(m_pi.dwProcessId);
    return h && IsReady(h) ? h : nullptr;
}

HWND Korvane::WaitReady(DWORD timeoutMs)
{
    m_hwnd = nullptr;
    if (!m_pi.hProcess)
        return nullptr;
    WaitUntil([&] {
        m_hwnd = ReadyWindow();
        return m_hwnd != nullptr || !Running();
    }, timeoutMs, 5);
    if (!m_hwnd)
        printf("    korvane.exe (pid %lu) has no ready main window (%s)\n", m_pi.dwProcessId,
               Running() ? "still running" : ("process ended, " + HowItEnded(ExitCode())).c_str());
    return m_hwnd;
}

bool Korvane::Running() const
{
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

bool Korvane::WaitEnd(DWORD timeoutMs)
{
    return !m_pi.hProcess || WaitForSingleObject(m_pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Korvane::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (m_pi.hProcess)
        GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

bool Korvane::Exit(DWORD timeoutMs)
{
    HWND h = m_hwnd ? m_hwnd : FindMainWindow(Pid());
    if (!h || !PostCommand(h, kCmdExit))
        return false;
    return WaitEnd(timeoutMs);
}

void Korvane::Kill()
{
    if (!m_pi.hProcess)
        return;
    if (Running()) {
        TerminateProcess(m_pi.hProcess, 1);
        WaitForSingleObject(m_pi.hProcess, 5000);
    }
    CloseHandle(m_pi.hProcess);
    m_pi = {};
    m_hwnd = nullptr;
}

namespace {

// Every korvane.exe running in this Wine prefix.
std::vector<DWORD> KorvanePids()
{
    std::vector<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe)) {
        if (_stricmp(pe.szExeFile, "korvane.exe") == 0)
            pids.push_back(pe.th32ProcessID);
    }
    CloseHandle(snap);
    return pids;
}

}  // namespace

void EndStrayKorvanes()
{
    for (DWORD pid : KorvanePids()) {
        HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (h) {
            printf("    ending a stray korvane.exe (pid %lu)\n", pid);
            TerminateProcess(h, 1);
            WaitForSingleObject(h, 5000);
            CloseHandle(h);
        }
    }
}

DWORD WindowPid(HWND hwnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

namespace {

struct EnumData {
    DWORD pid;
    std::vector<HWND> found;
    bool mainOnly;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lp)
{
    EnumData* d = reinterpret_cast<EnumData*>(lp);
    if (d->pid && WindowPid(hwnd) != d->pid)
        return TRUE;
    if (d->mainOnly && (ClassName(hwnd) != kDialogClass || WindowText(hwnd) != kMainTitle))
        return TRUE;
    d->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> FindMainWindows()
{
    EnumData d{0, {}, true};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&d));
    return d.found;
}

HWND FindMainWindow(DWORD pid)
{
    if (!pid)
        return FindWindowA(kDialogClass, kMainTitle);
    EnumData d{pid, {}, true};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&d));
    return d.found.empty() ? nullptr : d.found.front();
}

std::vector<HWND> TopLevelWindows(DWORD pid)
{
    EnumData d{pid, {}, false};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&d));
    return d.found;
}

bool IsReady(HWND hwnd)
{
    if (!hwnd || !IsWindow(hwnd))
        return false;
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &r))
        return false;
    return TabCount(Item(hwnd, kTabControlId)) == 3;
}

// --- messages ------------------------------------------------------------------------------

bool SendCommand(HWND hwnd, UINT id, DWORD timeoutMs)
{
    DWORD_PTR r = 0;
    return SendMessageTimeoutA(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, timeoutMs, &r) != 0;
}

bool PostCommand(HWND hwnd, UINT id)
{
    return PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0) != 0;
}

bool PostSysCommand(HWND hwnd, UINT sc)
{
    return PostMessageA(hwnd, WM_SYSCOMMAND, sc, 0) != 0;
}

bool Sync(HWND hwnd, DWORD timeoutMs)
{
    DWORD_PTR r = 0;
    return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &r) != 0;
}

// --- keyboard ------------------------------------------------------------------------------

bool PressKeys(const std::vector<BYTE>& vks)
{
    std::vector<INPUT> in;
    for (BYTE vk : vks) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
        if (vk == VK_INSERT || vk == VK_DELETE || vk == VK_HOME || vk == VK_END)
            i.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        in.push_back(i);
    }
    for (size_t k = vks.size(); k-- > 0;) {
        INPUT i = in[k];
        i.ki.dwFlags |= KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    Step step("SendInput");
    return SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size();
}

bool HotKeyTaken(UINT modifiers, UINT vk)
{
    const int kProbeId = 0x7F00;
    if (RegisterHotKey(nullptr, kProbeId, modifiers, vk)) {
        UnregisterHotKey(nullptr, kProbeId);
        return false;
    }
    return true;
}

bool PostHotKey(HWND hwnd, int id, UINT modifiers, UINT vk)
{
    return PostMessageA(hwnd, WM_HOTKEY, id, MAKELPARAM(modifiers, vk)) != 0;
}

bool StartCommand(const std::string& commandLine, PROCESS_INFORMATION* pi, DWORD flags)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    *pi = PROCESS_INFORMATION{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, pi))
        return true;
    printf("    cannot start %s (%lu)\n", commandLine.c_str(), GetLastError());
    return false;
}

bool XdotoolKey(const char* keys)
{
    // Wine starts a Unix program given by its Unix path.
    PROCESS_INFORMATION pi;
    if (!StartCommand(std::string("start.exe /wait /unix /usr/bin/xdotool key ") + keys, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 5000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0;
}

// --- texts ---------------------------------------------------------------------------------

std::string WindowText(HWND hwnd)
{
    char buf[1024] = {};
    DWORD_PTR r = 0;
    if (!hwnd || !SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                                      SMTO_ABORTIFHUNG, 2000, &r))
        return "";
    return buf;
}

std::string ClassName(HWND hwnd)
{
    char buf[256] = {};
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

HWND Item(HWND dlg, int id) { return dlg ? GetDlgItem(dlg, id) : nullptr; }
std::string ItemText(HWND dlg, int id) { return WindowText(Item(dlg, id)); }
bool IsVisible(HWND hwnd) { return hwnd && IsWindowVisible(hwnd); }
bool IsMinimized(HWND hwnd) { return hwnd && IsIconic(hwnd); }
bool IsTopmost(HWND hwnd) { return hwnd && (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST); }

// --- controls of another process ------------------------------------------------------------

namespace {

// Wine carries out VirtualAllocEx, VirtualFreeEx and CreateRemoteThread inside the target
// process and waits for it without a time limit; a target that ends at that moment can leave
// the caller waiting for good. These calls therefore run on a thread of their own, waited for
// at most kRemoteOpMs. The state of one call is shared, so that a call given up on may still
// finish later without touching freed memory.
const DWORD kRemoteOpMs = 10000;

struct RemoteOp {
    std::function<void()> fn;
    LONG refs = 2;
};

void ReleaseOp(RemoteOp* op)
{
    if (InterlockedDecrement(&op->refs) == 0)
        delete op;
}

DWORD WINAPI RunRemoteOp(LPVOID p)
{
    RemoteOp* op = static_cast<RemoteOp*>(p);
    op->fn();
    ReleaseOp(op);
    return 0;
}

// Runs fn, which must own everything it touches, within kRemoteOpMs; false when it did not return.
bool WithinLimit(const char* what, std::function<void()> fn)
{
    Step step(what);
    RemoteOp* op = new RemoteOp{std::move(fn)};
    HANDLE t = CreateThread(nullptr, 0, RunRemoteOp, op, 0, nullptr);
    if (!t) {
        op->fn();
        delete op;
        return true;
    }
    bool done = WaitForSingleObject(t, kRemoteOpMs) == WAIT_OBJECT_0;
    CloseHandle(t);
    if (!done) {
        printf("    %s did not return within %lu ms: given up\n", what, kRemoteOpMs);
        DescribeKorvanes();
    }
    ReleaseOp(op);
    return done;
}

// A handle shared with a call that may outlive its caller, closed by the last owner.
std::shared_ptr<HANDLE> SharedHandle(HANDLE h)
{
    HANDLE* p = new HANDLE(h);
    return std::shared_ptr<HANDLE>(p, [](HANDLE* q) {
        if (*q)
            CloseHandle(*q);
        delete q;
    });
}

// A copy of a process handle for such a call; its handle is null when it could not be made.
std::shared_ptr<HANDLE> SharedCopy(HANDLE process)
{
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return SharedHandle(copy);
}

void ParkWaiter(HWND hwnd);

}  // namespace

RemoteMemory::RemoteMemory(HWND owner, size_t size) : m_size(size)
{
    ParkWaiter(owner);
    m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, WindowPid(owner));
    if (!m_process)
        return;
    auto process = SharedCopy(m_process);
    auto result = std::make_shared<LPVOID>(nullptr);
    if (*process && WithinLimit("VirtualAllocEx in the program", [process, result, size] {
            *result = VirtualAllocEx(*process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
        }))
        m_ptr = *result;
}

RemoteMemory::~RemoteMemory()
{
    if (m_ptr) {
        auto process = SharedCopy(m_process);
        LPVOID ptr = m_ptr;
        if (*process)
            WithinLimit("VirtualFreeEx in the program", [process, ptr] { VirtualFreeEx(*process, ptr, 0, MEM_RELEASE); });
    }
    if (m_process)
        CloseHandle(m_process);
}

bool RemoteMemory::Write(const void* data, size_t size, size_t offset)
{
    SIZE_T done = 0;
    return m_ptr && offset + size <= m_size &&
           WriteProcessMemory(m_process, static_cast<char*>(m_ptr) + offset, data, size, &done) && done == size;
}

bool RemoteMemory::Read(void* data, size_t size, size_t offset) const
{
    SIZE_T done = 0;
    return m_ptr && offset + size <= m_size &&
           ReadProcessMemory(m_process, static_cast<char*>(m_ptr) + offset, data, size, &done) && done == size;
}

namespace {

LRESULT SendTimeout(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* ok = nullptr)
{
    DWORD_PTR r = 0;
    BOOL sent = hwnd && SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, 2000, &r);
    if (ok)
        *ok = sent != 0;
    return sent ? static_cast<LRESULT>(r) : 0;
}

}  // namespace

int ListCount(HWND list)
{
    bool ok = false;
    LRESULT n = SendTimeout(list, LVM_GETITEMCOUNT, 0, 0, &ok);
    return ok ? static_cast<int>(n) : -1;
}

std::string ListCell(HWND list, int row, int col)
{
    const size_t kText = 260;
    RemoteMemory mem(list, sizeof(LVITEMA) + kText);
    if (!mem.ok())
        return "";
    LVITEMA item = {};
    item.iSubItem = col;
    item.pszText = static_cast<char*>(mem.ptr()) + sizeof(LVITEMA);
    item.cchTextMax = kText;
    char text[kText] = {};
    if (!mem.Write(&item, sizeof item) || !mem.Write(text, sizeof text, sizeof(LVITEMA)))
        return "";
    SendTimeout(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(mem.ptr()));
    mem.Read(text, sizeof text, sizeof(LVITEMA));
    text[kText - 1] = '\0';
    return text;
}

std::vector<std::string> ListColumn(HWND list, int col)
{
    std::vector<std::string> cells;
    int n = ListCount(list);
    for (int i = 0; i < n; ++i)
        cells.push_back(ListCell(list, i, col));
    return cells;
}

int TabCount(HWND tab)
{
    bool ok = false;
    LRESULT n = SendTimeout(tab, TCM_GETITEMCOUNT, 0, 0, &ok);
    return ok ? static_cast<int>(n) : -1;
}

std::string TabText(HWND tab, int index)
{
    const size_t kText = 260;
    RemoteMemory mem(tab, sizeof(TCITEMA) + kText);
    if (!mem.ok())
        return "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = static_cast<char*>(mem.ptr()) + sizeof(TCITEMA);
    item.cchTextMax = kText;
    char text[kText] = {};
    if (!mem.Write(&item, sizeof item) || !mem.Write(text, sizeof text, sizeof(TCITEMA)))
        return "";
    if (!SendTimeout(tab, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(mem.ptr())))
        return "";
    // The control may point pszText at its own copy instead of filling the buffer.
    mem.Read(&item, sizeof item);
    SIZE_T done = 0;
    ReadProcessMemory(mem.process(), item.pszText, text, kText - 1, &done);
    text[kText - 1] = '\0';
    return text;
}

int TabCurSel(HWND tab)
{
    bool ok = false;
    LRESULT n = SendTimeout(tab, TCM_GETCURSEL, 0, 0, &ok);
    return ok ? static_cast<int>(n) : -2;
}

bool SelectTab(HWND tab, int index)
{
    RemoteMemory mem(tab, sizeof(RECT));
    RECT r = {};
    if (!mem.ok() || !SendTimeout(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(mem.ptr())) ||
        !mem.Read(&r, sizeof r))
        return false;
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(tab, WM_LBUTTONUP, 0, at);
    return WaitUntil([&] { return TabCurSel(tab) == index; }, 2000) && Sync(GetParent(tab));
}

// --- code run inside the program ------------------------------------------------------------

namespace {

// Thread procedure run inside the program, built for the program's width (the test programs
// are built with it): calls block[0](block[1..5]) and returns its result, the block being an
// array of six pointer-sized values.
#if defined(_WIN64)
const unsigned char kCallStub[] = {
    0x53,                          // push rbx
    0x48, 0x83, 0xEC, 0x30,        // sub rsp, 48          (shadow space, 5th argument, alignment)
    0x48, 0x89, 0xCB,              // mov rbx, rcx         (the block)
    0x48, 0x8B, 0x43, 0x28,        // mov rax, [rbx+40]
    0x48, 0x89, 0x44, 0x24, 0x20,  // mov [rsp+32], rax    (5th argument)
    0x48, 0x8B, 0x4B, 0x08,        // mov rcx, [rbx+8]
    0x48, 0x8B, 0x53, 0x10,        // mov rdx, [rbx+16]
    0x4C, 0x8B, 0x43, 0x18,        // mov r8, [rbx+24]
    0x4C, 0x8B, 0x4B, 0x20,        // mov r9, [rbx+32]
    0xFF, 0x13,                    // call [rbx]
    0x48, 0x83, 0xC4, 0x30,        // add rsp, 48
    0x5B,                          // pop rbx
    0xC3,                          // ret
};
#else
// stdcall; the frame pointer restores the stack whatever number of arguments the callee removed.
const unsigned char kCallStub[] = {
    0x55,                    // push ebp
    0x89, 0xE5,              // mov ebp, esp
    0x8B, 0x45, 0x08,        // mov eax, [ebp+8]
    0xFF, 0x70, 0x14,        // push dword [eax+20]
    0xFF, 0x70, 0x10,        // push dword [eax+16]
    0xFF, 0x70, 0x0C,        // push dword [eax+12]
    0xFF, 0x70, 0x08,        // push dword [eax+8]
    0xFF, 0x70, 0x04,        // push dword [eax+4]
    0xFF, 0x10,              // call dword [eax]
    0x89, 0xEC,              // mov esp, ebp
    0x5D,                    // pop ebp
    0xC2, 0x04, 0x00,        // ret 4
};
#endif
const size_t kBlockOffset = 64;
const size_t kScratchOffset = 128;   // free space for the callee's output
const size_t kRemoteSize = 4096;

// When a process started: tells it apart from a later one given the same id.
ULONGLONG ProcessStart(DWORD pid)
{
    ULONGLONG started = 0;
    if (HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid)) {
        FILETIME created, exited, kernel, user;
        if (GetProcessTimes(h, &created, &exited, &kernel, &user))
            started = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
        CloseHandle(h);
    }
    return started;
}

// Base of a module in another process. A system DLL stays where it was loaded, so it is looked
// up once per process: each module snapshot reads the program's loader data while it runs.
DWORD_PTR RemoteModuleBase(DWORD pid, const char* dll)
{
    const ULONGLONG started = ProcessStart(pid);
    static std::map<std::string, DWORD_PTR> known;
    std::string key = std::to_string(pid) + "/" + std::to_string(started) + "/" + dll;
    for (char& c : key)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    auto found = known.find(key);
    if (started && found != known.end())
        return found->second;
    Step step("module snapshot of the program");
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snap == INVALID_HANDLE_VALUE)
        return 0;
    DWORD_PTR base = 0;
    MODULEENTRY32 me = {};
    me.dwSize = sizeof me;
    for (BOOL more = Module32First(snap, &me); more; more = Module32Next(snap, &me)) {
        if (_stricmp(me.szModule, dll) == 0) {
            base = reinterpret_cast<DWORD_PTR>(me.modBaseAddr);
            break;
        }
    }
    CloseHandle(snap);
    if (started && base)
        known[key] = base;
    return base;
}

// Next to korvane.exe, or in the build tree above this test program.
HMODULE LoadParkDll()
{
    const char kName[] = "korvane_e2e_park.dll";
    if (HMODULE h = LoadLibraryA((KorvaneDir() + "\\" + kName).c_str()))
        return h;
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dir = self;
    for (int up = 0; up < 4; ++up) {
        size_t slash = dir.find_last_of("\\/");
        if (slash == std::string::npos)
            break;
        dir.erase(slash);
        if (HMODULE h = LoadLibraryA((dir + "\\" + kName).c_str()))
            return h;
    }
    return nullptr;
}

// Wine does what another process asks of a process (allocating its memory, starting a thread
// in it) on one of the target's threads: one that waits in the server, or else one it interrupts
// with a signal, doing the work inside the signal handler. A thread interrupted inside malloc
// (the program creating a window or painting, say) then deadlocks on the allocator's lock, and
// the program hangs for good. So each process gets, once, a thread that waits in the server for
// the process's whole life, and that work always lands on a waiting thread. The thread is started
// by a hook DLL (korvane_e2e_park.dll, next to korvane.exe) that Wine loads into the program and
// calls on the program's own thread as it takes a message: no signal is involved.
void ParkWaiter(HWND hwnd)
{
    const DWORD pid = WindowPid(hwnd);
    const ULONGLONG started = ProcessStart(pid);
    static std::set<std::pair<DWORD, ULONGLONG>> parked;
    if (!started || pid == GetCurrentProcessId() || !parked.insert({pid, started}).second)
        return;
    static HMODULE dll = nullptr;
    if (!dll)
        dll = LoadParkDll();
    HOOKPROC proc = dll ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "ParkHookProc"))) : nullptr;
    static bool told = false;
    if (!proc) {
        if (!told)
            printf("    korvane_e2e_park.dll is missing next to korvane.exe: no thread parked\n");
        told = true;
        return;
    }
    char name[64];
    snprintf(name, sizeof name, "KorvaneE2EParked-%lu", pid);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, name);
    HHOOK hook = done ? SetWindowsHookExA(WH_GETMESSAGE, proc, dll, GetWindowThreadProcessId(hwnd, nullptr)) : nullptr;
    if (hook) {
        Step step("waiting for the program to start its waiting thread");
        // The hook runs when the thread next takes a message; a null message makes sure of one.
        bool parkedNow = false;
        for (int i = 0; i < 50 && !parkedNow; ++i) {
            PostMessageA(hwnd, WM_NULL, 0, 0);
            parkedNow = WaitForSingleObject(done, 100) == WAIT_OBJECT_0;
        }
        UnhookWindowsHookEx(hook);
        if (!parkedNow)
            printf("    process %lu started no waiting thread within 5 s\n", pid);
    }
    if (done)
        CloseHandle(done);
}

class RemoteCaller {
public:
    explicit RemoteCaller(HWND hwnd) : m_mem(hwnd, kRemoteSize), m_pid(WindowPid(hwnd))
    {
        m_ok = m_mem.ok() && m_mem.Write(kCallStub, sizeof kCallStub);
        if (m_ok)
            m_thread = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                       PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, m_pid);
        m_ok = m_thread != nullptr;
    }
    ~RemoteCaller()
    {
        if (m_thread)
            CloseHandle(m_thread);
    }
    bool ok() const { return m_ok; }
    DWORD_PTR Scratch() const { return reinterpret_cast<DWORD_PTR>(m_mem.ptr()) + kScratchOffset; }
    RemoteMemory& mem() { return m_mem; }

    // The result is the thread's exit code: the low 32 bits of the callee's result, which is
    // all of a window, menu or icon handle also on 64-bit Windows.
    bool Call(const char* dll, const char* function, const std::vector<DWORD_PTR>& args, DWORD* result)
    {
        if (!m_ok || args.size() > 5)
            return false;
        DWORD_PTR fn = Resolve(dll, function);
        if (!fn)
            return false;
        DWORD_PTR block[6] = {fn};
        for (size_t i = 0; i < args.size(); ++i)
            block[i + 1] = args[i];
        if (!m_mem.Write(block, sizeof block, kBlockOffset))
            return false;
        char* base = static_cast<char*>(m_mem.ptr());
        auto process = SharedCopy(m_thread);
        auto created = SharedHandle(nullptr);
        if (!*process || !WithinLimit("CreateRemoteThread in the program", [process, created, base] {
                *created = CreateRemoteThread(*process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(base),
                                              base + kBlockOffset, 0, nullptr);
            }))
            return false;
        HANDLE t = *created;
        *created = nullptr;
        if (!t)
            return false;
        Step step("waiting for the thread run in the program");
        bool done = WaitForSingleObject(t, 5000) == WAIT_OBJECT_0;
        if (!done) {
            // The thread may still run in the block: it stays allocated, and this caller is spent.
            m_mem.Abandon();
            m_ok = false;
        }
        DWORD code = 0;
        done = done && GetExitCodeThread(t, &code);
        CloseHandle(t);
        if (done && result)
            *result = code;
        return done;
    }

private:
    DWORD_PTR Resolve(const char* dll, const char* function)
    {
        HMODULE local = LoadLibraryA(dll);
        FARPROC fn = local ? GetProcAddress(local, function) : nullptr;
        if (!fn)
            return 0;
        DWORD_PTR remoteBase = RemoteModuleBase(m_pid, dll);
        if (!remoteBase)
            return 0;
        return remoteBase + (reinterpret_cast<DWORD_PTR>(fn) - reinterpret_cast<DWORD_PTR>(local));
    }

    RemoteMemory m_mem;
    DWORD m_pid;
    HANDLE m_thread = nullptr;
    bool m_ok = false;
};

DWORD_PTR Arg(HWND h) { return reinterpret_cast<DWORD_PTR>(h); }

std::string RemoteMenuString(RemoteCaller& rc, DWORD hmenu, UINT item, UINT flags)
{
    char text[256] = {};
    DWORD n = 0;
    rc.mem().Write(text, sizeof text, kScratchOffset);
    if (!rc.Call("user32.dll", "GetMenuStringA", {hmenu, item, rc.Scratch(), sizeof text, flags}, &n) || n == 0)
        return "";
    rc.mem().Read(text, sizeof text, kScratchOffset);
    text[sizeof text - 1] = '\0';
    return text;
}

void WalkMenu(RemoteCaller& rc, DWORD hmenu, int depth, std::vector<MenuEntry>& out)
{
    DWORD count = 0;
    if (!rc.Call("user32.dll", "GetMenuItemCount", {hmenu}, &count) || static_cast<int>(count) <= 0)
        return;
    for (UINT i = 0; i < count; ++i) {
        MenuEntry e;
        e.depth = depth;
        DWORD id = 0, state = 0, sub = 0;
        rc.Call("user32.dll", "GetMenuItemID", {hmenu, i}, &id);
        rc.Call("user32.dll", "GetMenuState", {hmenu, i, MF_BYPOSITION}, &state);
        rc.Call("user32.dll", "GetSubMenu", {hmenu, i}, &sub);
        e.id = sub ? static_cast<UINT>(-1) : id;
        // For a submenu the high byte holds its item count: keep only the flags.
        e.state = sub ? (state & 0xFF) : state;
        e.text = RemoteMenuString(rc, hmenu, i, MF_BYPOSITION);
        out.push_back(e);
        if (sub)
            WalkMenu(rc, sub, depth + 1, out);
    }
}

}  // namespace

bool RemoteCall(HWND hwnd, const char* dll, const char* function, const std::vector<DWORD_PTR>& args, DWORD* result)
{
    RemoteCaller rc(hwnd);
    return rc.Call(dll, function, args, result);
}

int MenuState(HWND hwnd, UINT id)
{
    RemoteCaller rc(hwnd);
    DWORD hmenu = 0, state = 0;
    if (!rc.Call("user32.dll", "GetMenu", {Arg(hwnd)}, &hmenu) || !hmenu)
        return -1;
    if (!rc.Call("user32.dll", "GetMenuState", {hmenu, id, MF_BYCOMMAND}, &state))
        return -1;
    return static_cast<int>(state);
}

bool MenuChecked(HWND hwnd, UINT id)
{
    int state = MenuState(hwnd, id);
    return state != -1 && (state & MF_CHECKED);
}

std::string MenuText(HWND hwnd, UINT id)
{
    RemoteCaller rc(hwnd);
    DWORD hmenu = 0;
    if (!rc.Call("user32.dll", "GetMenu", {Arg(hwnd)}, &hmenu) || !hmenu)
        return "";
    return RemoteMenuString(rc, hmenu, id, MF_BYCOMMAND);
}

std::vector<MenuEntry> MenuTree(HWND hwnd)
{
    std::vector<MenuEntry> out;
    RemoteCaller rc(hwnd);
    DWORD hmenu = 0;
    if (rc.Call("user32.dll", "GetMenu", {Arg(hwnd)}, &hmenu) && hmenu)
        WalkMenu(rc, hmenu, 0, out);
    return out;
}

// --- dialogs and message boxes of the program -----------------------------------------------

std::vector<HWND> FindDialogs(DWORD pid)
{
    std::vector<HWND> dialogs;
    for (HWND h : TopLevelWindows(pid)) {
        if (IsWindowVisible(h) && ClassName(h) == kDialogClass && WindowText(h) != kMainTitle)
            dialogs.push_back(h);
    }
    return dialogs;
}

namespace {

BOOL CALLBACK CollectStatics(HWND hwnd, LPARAM lp)
{
    if (_stricmp(ClassName(hwnd).c_str(), "Static") == 0)
        reinterpret_cast<std::vector<std::string>*>(lp)->push_back(WindowText(hwnd));
    return TRUE;
}

}  // namespace

std::vector<std::string> StaticTexts(HWND dlg)
{
    std::vector<std::string> texts;
    if (dlg)
        EnumChildWindows(dlg, CollectStatics, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// --- registry ------------------------------------------------------------------------------

bool ReadRegValue(HKEY root, const char* key, const char* name, std::string* text, DWORD* type)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return false;
    char buf[4096] = {};
    DWORD size = sizeof buf - 1, t = 0;
    LONG rc = RegQueryValueExA(h, name, nullptr, &t, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS)
        return false;
    if (text)
        text->assign(buf, strnlen(buf, size));
    if (type)
        *type = t;
    return true;
}

std::string RegText(HKEY root, const char* key, const char* name)
{
    std::string text;
    ReadRegValue(root, key, name, &text);
    return text;
}

bool RegValueExists(HKEY root, const char* key, const char* name)
{
    return ReadRegValue(root, key, name, nullptr);
}

bool WriteRegValue(HKEY root, const char* key, const char* name, const std::string& text)
{
    HKEY h = nullptr;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool WriteRegDword(HKEY root, const char* key, const char* name, DWORD value)
{
    HKEY h = nullptr;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool DeleteRegValue(HKEY root, const char* key, const char* name)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS)
        return false;
    LONG rc = RegDeleteValueA(h, name);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool DeleteRegKey(HKEY root, const char* key)
{
    HKEY h = nullptr;
    LONG rc = RegOpenKeyExA(root, key, 0, KEY_ALL_ACCESS, &h);
    if (rc == ERROR_FILE_NOT_FOUND)
        return true;
    if (rc != ERROR_SUCCESS)
        return false;
    // Subkeys first: RegDeleteKey removes only empty keys on the NT family.
    char sub[256];
    for (;;) {
        DWORD n = sizeof sub;
        if (RegEnumKeyExA(h, 0, sub, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::string path = std::string(key) + "\\" + sub;
        if (!DeleteRegKey(root, path.c_str()))
            break;
    }
    RegCloseKey(h);
    return RegDeleteKeyA(root, key) == ERROR_SUCCESS;
}

bool RegKeyExists(HKEY root, const char* key)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

std::vector<std::string> RegValueNames(HKEY root, const char* key)
{
    std::vector<std::string> names;
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD n = sizeof name;
        if (RegEnumValueA(h, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(h);
    return names;
}

void ResetKorvaneRegistry()
{
    DeleteRegKey(HKEY_LOCAL_MACHINE, kSettingsKey);
    DeleteRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Korvane");
}

bool SetWineVersionFor(const char* exeName, const char* version)
{
    std::string key = std::string("Software\\Wine\\AppDefaults\\") + exeName;
    if (!version)
        return DeleteRegKey(HKEY_CURRENT_USER, key.c_str());
    return WriteRegValue(HKEY_CURRENT_USER, key.c_str(), "Version", version);
}

// --- pictures ------------------------------------------------------------------------------

// --- the host's files ----------------------------------------------------------------------

bool ReadWholeFile(const std::string& path, std::string* out)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    out->clear();
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        out->append(buf, got);
    CloseHandle(h);
    return true;
}

long ReadStatusK(int unixPid, const char* field)
{
    std::string status;
    if (unixPid <= 0 || !ReadWholeFile("Z:\\proc\\" + std::to_string(unixPid) + "\\status", &status))
        return -1;
    size_t at = status.find(field);
    if (at == std::string::npos)
        return -1;
    return atol(status.c_str() + at + strlen(field));
}

std::vector<int> FindUnixPids(const char* name)
{
    std::vector<std::pair<unsigned long long, int>> byStart;
    char prefix[1024] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    const std::string want = std::string("WINEPREFIX=") + prefix + '\0';
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &fd);
    if (find == INVALID_HANDLE_VALUE)
        return {};
    do {
        int pid = atoi(fd.cFileName);
        if (pid <= 0 || std::to_string(pid) != fd.cFileName)
            continue;
        std::string dir = std::string("Z:\\proc\\") + fd.cFileName, cmdline, env;
        if (!ReadWholeFile(dir + "\\cmdline", &cmdline) || cmdline.empty())
            continue;
        std::string arg0 = cmdline.substr(0, cmdline.find('\0'));
        for (char& c : arg0)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        size_t slash = arg0.find_last_of("\\/");
        if (arg0.compare(slash == std::string::npos ? 0 : slash + 1, strlen(name), name) != 0)
            continue;
        // Each variable ends in a NUL, so the search matches whole variables only.
        if (prefix[0] && (!ReadWholeFile(dir + "\\environ", &env) || ('\0' + env).find('\0' + want) == std::string::npos))
            continue;
        // Its start time, the 22nd field of stat (counted after the name, which may hold spaces).
        std::string stat;
        unsigned long long start = 0;
        if (ReadWholeFile(dir + "\\stat", &stat) && stat.rfind(')') != std::string::npos) {
            const char* p = stat.c_str() + stat.rfind(')') + 1;
            for (int field = 3; field < 22 && *p; ++p) {
                if (*p == ' ')
                    ++field;
            }
            start = strtoull(p, nullptr, 10);
        }
        byStart.push_back({start, pid});
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    // Newest first: a stray process still on its way out is older than the one just started.
    std::sort(byStart.begin(), byStart.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<int> found;
    for (const auto& sp : byStart)
        found.push_back(sp.second);
    return found;
}

HBITMAP CreateTopDownDib(HDC dc, int w, int h, void** bits)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    *bits = nullptr;
    return CreateDIBSection(dc, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

bool SaveWindowBitmap(HWND hwnd, const char* path)
{
    RECT r;
    if (!GetWindowRect(hwnd, &r))
        return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        SelectObject(mem, old);
        DWORD stride = ((w * 3) + 3) & ~3u, size = stride * h;
        BITMAPFILEHEADER fh = {};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + size;
        FILE* f = fopen(path, "wb");
        if (f) {
            ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
                 fwrite(bits, size, 1, f) == 1;
            ok = (fclose(f) == 0) && ok;
        }
        DeleteObject(bmp);
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace e2e

namespace e2e {
void BeforeAllTests()
{
    EndStrayKorvanes();
}

void OnCaseHung()
{
    DescribeKorvanes();
    EndStrayKorvanes();
}

void DescribeKorvanes()
{
    for (DWORD pid : KorvanePids()) {
        printf("    korvane.exe, process %lu:\n", pid);
        for (HWND w : TopLevelWindows(pid)) {
            DWORD_PTR r = 0;
            bool answers = SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) != 0;
            printf("      window %p \"%s\" (%s)%s%s\n", static_cast<void*>(w), WindowText(w).c_str(),
                   ClassName(w).c_str(), IsWindowVisible(w) ? " visible" : "", answers ? "" : ", not answering");
        }
    }
    printf("    the foreground window: %p\n", static_cast<void*>(GetForegroundWindow()));
    std::vector<int> unixPids = FindUnixPids("korvane.exe");
    for (int pid : unixPids) {
        std::string status;
        if (ReadWholeFile("Z:\\proc\\" + std::to_string(pid) + "\\status", &status)) {
            size_t state = status.find("State:");
            printf("    Linux process %d: %s\n", pid,
                   state == std::string::npos ? "?" : status.substr(state, status.find('\n', state) - state).c_str());
        }
    }
}
}  // namespace e2e
