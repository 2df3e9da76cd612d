// The program's own start-up and shutdown in place of the mingw C run-time, which needs MSVCRT.DLL.
#include <windows.h>

extern "C" {
// Bounds of the static constructor and destructor tables that the PE linker script lays out:
// a -1 entry, the function pointers, and a terminating 0.
extern void (*__CTOR_LIST__[])();
extern void (*__DTOR_LIST__[])();
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

namespace {

// The compiler registers the destructor of every static object with atexit, one per object;
// they run in the reverse order at the end.
struct AtExit {
    void (*function)();
    AtExit* next;
};
AtExit* g_pAtExit = nullptr;

void RunConstructors()
{
    int n = 0;
    while (__CTOR_LIST__[n + 1])
        ++n;
    // The linker collects the tables in file order; the last entry is constructed first.
    for (int i = n; i >= 1; --i)
        __CTOR_LIST__[i]();
}

void RunDestructors()
{
    while (AtExit* p = g_pAtExit) {
        g_pAtExit = p->next;
        p->function();
        ::HeapFree(::GetProcessHeap(), 0, p);
    }
    for (int i = 1; __DTOR_LIST__[i]; ++i)
        __DTOR_LIST__[i]();
}

// The command line without the program's own path, which may be quoted (spaces in the folder).
LPSTR CommandTail()
{
    LPSTR p = ::GetCommandLineA();
    if (!p)
        return const_cast<LPSTR>("");
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

}  // namespace

extern "C" int atexit(void (*function)())
{
    auto* p = static_cast<AtExit*>(::HeapAlloc(::GetProcessHeap(), 0, sizeof(AtExit)));
    if (!p)
        return -1;
    p->function = function;
    p->next = g_pAtExit;
    g_pAtExit = p;
    return 0;
}

// The entry point (named to the linker with -e). Windows gives it a stack aligned to four bytes
// only; the compiler's code expects sixteen. Nothing calls it, so it is kept from the link-time
// optimisation's clean-up.
extern "C" __attribute__((force_align_arg_pointer, noreturn, used, externally_visible)) void WinMainCRTStartup()
{
    STARTUPINFOA si;
    si.cb = sizeof si;
    ::GetStartupInfoA(&si);
    int nCmdShow = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
    RunConstructors();
    int code = WinMain(::GetModuleHandleA(nullptr), nullptr, CommandTail(), nCmdShow);
    RunDestructors();
    ::ExitProcess(static_cast<UINT>(code));
}
