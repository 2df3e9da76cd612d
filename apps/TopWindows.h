// The desktop's top-level windows as the Applications page sees them, and the few platform services
// its logic needs (icon images, the responsiveness probe, the end-task actions). Implemented over
// user32 for the program and in memory for the tests.
#pragma once
#include <stdint.h>

// A window handle as the list shows it: signed decimal text ("%d"), 32 bits on the target.
typedef int32_t WindowHandle;
// An icon handle belonging to the window that gave it; never destroyed by the page.
typedef uintptr_t IconHandle;

const uint32_t kStyleVisible = 0x10000000;  // WS_VISIBLE
const uint32_t kStyleChild = 0x40000000;    // WS_CHILD
// The two icon sizes of a window, as WM_GETICON names them.
const int kIconSmall = 0;  // ICON_SMALL
const int kIconBig = 1;    // ICON_BIG

class IWindowVisitor {
public:
    virtual void Visit(WindowHandle hWnd) = 0;

protected:
    ~IWindowVisitor() = default;
};

class ITopWindows {
public:
    virtual ~ITopWindows() = default;
    // Calls the visitor for every top-level window, in the platform's order.
    virtual void EnumTopWindows(IWindowVisitor& visitor) = 0;
    // Copies the title into buf (cap bytes, terminated); an empty text when the window is gone.
    virtual int GetTitle(WindowHandle hWnd, char* buf, int cap) = 0;
    virtual uint32_t GetStyle(WindowHandle hWnd) = 0;
    // The parent of a child or the owner of a top-level window; 0 for neither.
    virtual WindowHandle GetParentOrOwner(WindowHandle hWnd) = 0;
    // The process that created the window; 0 when the handle names no window.
    virtual int GetProcessId(WindowHandle hWnd) = 0;
    // Asks the window for its icon of that size (WM_GETICON), waiting at most timeoutMs for the
    // answer; false when it did not answer in time. *icon is 0 when the window gave none.
    virtual bool AskIcon(WindowHandle hWnd, int size, unsigned timeoutMs, IconHandle* icon) = 0;
    // The icon of that size in the window's class (0 for none). Reads the class; sends nothing.
    virtual IconHandle GetClassIcon(WindowHandle hWnd, int size) = 0;
    // A millisecond clock, for the time limits.
    virtual unsigned TickCount() = 0;
};

// The list's small-image store.
class IIconImages {
public:
    virtual ~IIconImages() = default;
    // Puts a copy of the icon at image index (-1 appends); the index used, or -1 on failure.
    virtual int PutIcon(int index, IconHandle icon) = 0;
};

// Asks a window to process a null message within a fixed time.
class IWindowProbe {
public:
    virtual ~IWindowProbe() = default;
    // True when the window processed the message in time, or when it no longer exists (the
    // removal pass drops it then).
    virtual bool Ping(WindowHandle hWnd) = 0;
};

// What ending a task does to the system.
class ITaskActions {
public:
    virtual ~ITaskActions() = default;
    // Posts the system menu's Close to the window (never waits for it).
    virtual void PostClose(WindowHandle hWnd) = 0;
    virtual void Sleep(unsigned ms) = 0;
    // Shows the end-program question; true when the user chose to end the program now.
    virtual bool ConfirmEndProgram() = 0;
    virtual void TerminateProcess(int processId) = 0;
};
