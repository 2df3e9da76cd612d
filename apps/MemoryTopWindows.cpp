#include "apps/MemoryTopWindows.h"
#include <string.h>

MemoryTopWindows::Window& MemoryTopWindows::Add(WindowHandle handle, const std::string& title, int processId,
                                                IconHandle icon)
{
    Window w;
    w.handle = handle;
    w.title = title;
    w.processId = processId;
    w.icon = icon;
    windows.push_back(w);
    return windows.back();
}

MemoryTopWindows::Window* MemoryTopWindows::Find(WindowHandle handle)
{
    for (Window& w : windows) {
        if (w.handle == handle)
            return &w;
    }
    return nullptr;
}

void MemoryTopWindows::Destroy(WindowHandle handle)
{
    for (size_t i = 0; i < windows.size(); ++i) {
        if (windows[i].handle == handle) {
            windows.erase(windows.begin() + static_cast<long>(i));
            return;
        }
    }
}

MemoryTopWindows::Window& MemoryTopWindows::Reuse(WindowHandle handle, const std::string& title, int processId)
{
    Destroy(handle);
    return Add(handle, title, processId);
}

void MemoryTopWindows::EnumTopWindows(IWindowVisitor& visitor)
{
    // Copy the handles: a visitor may change the windows.
    std::vector<WindowHandle> handles;
    for (const Window& w : windows) {
        if (w.topLevel)
            handles.push_back(w.handle);
    }
    for (WindowHandle h : handles)
        visitor.Visit(h);
}

int MemoryTopWindows::GetTitle(WindowHandle hWnd, char* buf, int cap)
{
    if (cap <= 0)
        return 0;
    buf[0] = '\0';
    Window* w = Find(hWnd);
    if (!w)
        return 0;
    size_t n = w->title.size() < static_cast<size_t>(cap - 1) ? w->title.size() : static_cast<size_t>(cap - 1);
    memcpy(buf, w->title.data(), n);
    buf[n] = '\0';
    return static_cast<int>(n);
}

uint32_t MemoryTopWindows::GetStyle(WindowHandle hWnd)
{
    Window* w = Find(hWnd);
    return w ? w->style : 0;
}

WindowHandle MemoryTopWindows::GetParentOrOwner(WindowHandle hWnd)
{
    Window* w = Find(hWnd);
    return w ? w->owner : 0;
}

int MemoryTopWindows::GetProcessId(WindowHandle hWnd)
{
    Window* w = Find(hWnd);
    return w ? w->processId : 0;
}

bool MemoryTopWindows::AskIcon(WindowHandle hWnd, int size, unsigned timeoutMs, IconHandle* icon)
{
    ++iconRequests;
    lastIconTimeout = timeoutMs;
    *icon = 0;
    Window* w = Find(hWnd);
    if (!w)
        return false;
    if (w->hung || w->answerMs > timeoutMs) {
        now += timeoutMs;
        return false;
    }
    now += w->answerMs;
    *icon = size == kIconBig ? w->bigIcon : w->icon;
    return true;
}

IconHandle MemoryTopWindows::GetClassIcon(WindowHandle hWnd, int size)
{
    Window* w = Find(hWnd);
    if (!w)
        return 0;
    return size == kIconBig ? w->classIcon : w->classSmallIcon;
}

int MemoryIconImages::PutIcon(int index, IconHandle icon)
{
    if (!icon)
        return -1;
    if (index < 0) {
        images.push_back(icon);
        return static_cast<int>(images.size()) - 1;
    }
    if (static_cast<size_t>(index) >= images.size())
        return -1;
    images[static_cast<size_t>(index)] = icon;
    return index;
}

bool MemoryWindowProbe::Ping(WindowHandle hWnd)
{
    pinged.push_back(hWnd);
    return hung.count(hWnd) == 0;
}
