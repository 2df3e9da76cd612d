// WinMain and the application object's framework side.
#include "framework/App.h"
#include "framework/CommonControls.h"
#include <shellapi.h>
#include <string.h>

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp() { g_pApp = this; }
CWinApp::~CWinApp() { if (g_pApp == this) g_pApp = nullptr; }

CWinApp* AfxGetApp() { return g_pApp; }
HINSTANCE AfxGetInstanceHandle() { return g_pApp ? g_pApp->m_hInstance : ::GetModuleHandleA(nullptr); }

int CWinApp::Run()
{
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void CWinApp::OnHelp()
{
    char path[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(m_hInstance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    // The extension of the file name (not of a folder) gives way to ".hlp".
    DWORD end = n;
    for (DWORD i = n; i > 0 && path[i - 1] != '\\'; --i) {
        if (path[i - 1] == '.') {
            end = i - 1;
            break;
        }
    }
    if (end + sizeof ".hlp" > sizeof path)
        return;
    memcpy(path + end, ".hlp", sizeof ".hlp");
    // Through the shell, which does not wait for the viewer: WinHelp hands the request over with a
    // sent message, and a viewer stopped at its own message box (a missing file) would hold this
    // thread, and every timer of the program, until the user answered it.
    HWND hOwner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    ::ShellExecuteA(hOwner, "Open", path, nullptr, nullptr, SW_SHOW);
}

int AfxLoadString(UINT nID, char* buf, int cap)
{
    if (cap <= 0)
        return 0;
    buf[0] = '\0';
    return ::LoadStringA(AfxGetInstanceHandle(), nID, buf, cap);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType)
{
    HWND hOwner = nullptr;
    if (g_pApp && g_pApp->m_pMainWnd)
        hOwner = ::GetLastActivePopup(g_pApp->m_pMainWnd->m_hWnd);
    if (hOwner && !::IsWindowVisible(hOwner))
        hOwner = nullptr;
    return AfxMessageBox(hOwner, nIDPrompt, nType);
}

int AfxMessageBox(HWND hOwner, UINT nIDPrompt, UINT nType)
{
    char text[512];
    char title[64];
    AfxLoadString(nIDPrompt, text, sizeof text);
    AfxLoadString(106, title, sizeof title);  // the program's name
    return ::MessageBoxA(hOwner, text, title, nType);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine ? lpCmdLine : "";
    DetectCommonControls();
    int code = 0;
    if (pApp->InitInstance())
        code = pApp->Run();
    // The main window's destruction handling runs here (settings saved, pages deleted).
    if (pApp->m_pMainWnd) {
        pApp->m_pMainWnd->DestroyWindow();
        delete pApp->m_pMainWnd;
        pApp->m_pMainWnd = nullptr;
    }
    int exitCode = pApp->ExitInstance();
    return code ? code : exitCode;
}
