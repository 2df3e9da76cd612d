// The windows, icon images, probe and end-task actions of the Applications page over user32.
#pragma once
#include "apps/TopWindows.h"
#include "framework/Controls.h"

inline HWND ToHwnd(WindowHandle h) { return reinterpret_cast<HWND>(static_cast<intptr_t>(h)); }
inline WindowHandle FromHwnd(HWND h) { return static_cast<WindowHandle>(reinterpret_cast<intptr_t>(h)); }

class CTopWindowsWin32 : public ITopWindows {
public:
    CTopWindowsWin32() = default;
    ~CTopWindowsWin32() override;
    CTopWindowsWin32(const CTopWindowsWin32&) = delete;
    CTopWindowsWin32& operator=(const CTopWindowsWin32&) = delete;
    void EnumTopWindows(IWindowVisitor& visitor) override;
    int GetTitle(WindowHandle hWnd, char* buf, int cap) override;
    uint32_t GetStyle(WindowHandle hWnd) override;
    WindowHandle GetParentOrOwner(WindowHandle hWnd) override;
    int GetProcessId(WindowHandle hWnd) override;
    bool AskIcon(WindowHandle hWnd, int size, unsigned timeoutMs, IconHandle* icon) override;
    IconHandle GetClassIcon(WindowHandle hWnd, int size) override;
    unsigned TickCount() override { return ::GetTickCount(); }

private:
    IconHandle ProgramFileIcon(HWND hWnd);
    HICON m_hProgramIcon = nullptr;  // the last icon taken from a program file
};

class CImageListIcons : public IIconImages {
public:
    explicit CImageListIcons(CImageList*& pImageList) : m_pImageList(pImageList) {}
    int PutIcon(int index, IconHandle icon) override;

private:
    CImageList*& m_pImageList;
};

// The hang check's probe: a null message with a 50 ms limit, paced to one window per 50 ms.
class CWindowProbeWin32 : public IWindowProbe {
public:
    bool Ping(WindowHandle hWnd) override;
};

// True when the window's thread processes a null message within timeoutMs.
bool WindowAnswers(HWND hWnd, UINT timeoutMs);
