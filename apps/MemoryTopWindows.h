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
        // 9x rule: WM_GETICON answers only with the icons that WM_SETICON gave the window, never
        // with its class's (the WM_GETICON reference: only ICON_SMALL2, new in Windows XP, falls
        // back on the class); the class's icons are read with GetClassLong.
        IconHandle icon = 0;     // given by WM_SETICON, ICON_SMALL
        IconHandle bigIcon = 0;  // given by WM_SETICON, ICON_BIG
        IconHandle classSmallIcon = 0;
        IconHandle classIcon = 0;
        unsigned answerMs = 0;  // how long its thread takes to answer a message
        bool hung = false;      // answers no message within any time limit
        bool topLevel = true;   // false: a child window, which the enumeration does not reach
    };

    // Adds a visible, unowned window at the end of the enumeration order.
    Window& Add(WindowHandle handle, const std::string& title, int processId = 1, IconHandle icon = 0);
    Window* Find(WindowHandle handle);
    // Destroys the window: it is no longer enumerated and has no title.
    void Destroy(WindowHandle handle);
    // Destroys the window and gives its handle at once to a new one. 95 rule: a window handle
    // carries no reuse counter (its upper 16 bits are zero), so a freed slot's handle comes back
    // as it was (Raymond Chen, "How are window manager handles determined in Windows NT?", The
    // Old New Thing, 2007-07-17).
    Window& Reuse(WindowHandle handle, const std::string& title, int processId);

    void EnumTopWindows(IWindowVisitor& visitor) override;
    int GetTitle(WindowHandle hWnd, char* buf, int cap) override;
    uint32_t GetStyle(WindowHandle hWnd) override;
    WindowHandle GetParentOrOwner(WindowHandle hWnd) override;
    int GetProcessId(WindowHandle hWnd) override;
    bool AskIcon(WindowHandle hWnd, int size, unsigned timeoutMs, IconHandle* icon) override;
    IconHandle GetClassIcon(WindowHandle hWnd, int size) override;
    unsigned TickCount() override { return now; }

    std::vector<Window> windows;
    unsigned now = 0;  // the clock; an icon request moves it on by the time it took
    int iconRequests = 0;
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
