// In-memory windows, icon images, probe and end-task actions for tests and measurements.
#pragma once
#include "apps/TopWindows.h"
#include <set>
#include <string>
#include <vector>

class MemoryTopWindows : public ITopWindows {
public:
    struct Window {
        WindowHandle handle = 0;
        std::string title;
        uint32_t style = kStyleVisible;
        WindowHandle owner = 0;
        int processId = 0;
        IconHandle icon = 0;
        bool hung = false;  // gives no icon within any time limit
    };

    // Adds a visible, unowned window at the end of the enumeration order.
    Window& Add(WindowHandle handle, const std::string& title, int processId = 1, IconHandle icon = 0);
    Window* Find(WindowHandle handle);
    // Destroys the window: it is no longer enumerated and has no title.
    void Destroy(WindowHandle handle);

    void EnumTopWindows(IWindowVisitor& visitor) override;
    int GetTitle(WindowHandle hWnd, char* buf, int cap) override;
    uint32_t GetStyle(WindowHandle hWnd) override;
    WindowHandle GetParentOrOwner(WindowHandle hWnd) override;
    int GetProcessId(WindowHandle hWnd) override;
    IconHandle FetchSmallIcon(WindowHandle hWnd, unsigned timeoutMs) override;

    std::vector<Window> windows;
    int iconFetches = 0;
    unsigned lastIconTimeout = 0;
};

// Image 0 is the generic window picture; the rest are copies of window icons.
class MemoryIconImages : public IIconImages {
public:
    MemoryIconImages() : images(1, 0) {}
    int PutIcon(int index, IconHandle icon) override;
    std::vector<IconHandle> images;
};

class MemoryWindowProbe : public IWindowProbe {
public:
    bool Ping(WindowHandle hWnd) override;
    std::set<WindowHandle> hung;
    std::vector<WindowHandle> pinged;
};

class MemoryTaskActions : public ITaskActions {
public:
    void PostClose(WindowHandle hWnd) override { closed.push_back(hWnd); }
    void Sleep(unsigned ms) override { sleptMs += ms; }
    bool ConfirmEndProgram() override { ++questions; return confirm; }
    void TerminateProcess(int processId) override { terminated.push_back(processId); }

    bool confirm = false;
    int questions = 0;
    unsigned sleptMs = 0;
    std::vector<WindowHandle> closed;
    std::vector<int> terminated;
};
