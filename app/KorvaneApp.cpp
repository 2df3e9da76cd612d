// Start-up, single instance and the orderly end of the program.
#include "app/KorvaneApp.h"
#include "app/KorvaneDlg.h"
#include "app/SysRegInfo.h"
#include "common/TextUtil.h"
#include "res/resource.h"
#include <commctrl.h>
#include <shellapi.h>
#include <string.h>

CKorvaneApp theApp;

namespace {
const char kMutexName[] = "KORVANE_MUTEX";
const char kMainTitle[] = "Windows 任务管理器";

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

const CommandEntry<CKorvaneApp> kCommands[] = {
    Command(ID_APP_EXIT, &CKorvaneApp::OnAppExit),
    Command(ID_HELP_CONTENTS, &CKorvaneApp::OnHelpContents),
    Command<CKorvaneApp>(ID_HELP, &CKorvaneApp::OnHelp),
};
}  // namespace

bool CKorvaneApp::OnCmdMsg(UINT nID)
{
    return DispatchCommand(this, kCommands, nID);
}

CKorvaneDlg* CKorvaneApp::GetMainDlg() const
{
    return static_cast<CKorvaneDlg*>(m_pMainWnd);
}

void CKorvaneApp::FindProgramDirectory()
{
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path - 1);
    m_szProgramDir[0] = '\0';
    if (n == 0 || n >= sizeof path - 1)
        return;
    int offset = GetFileNameOffset(path);
    if (offset <= 0)
        return;
    path[offset - 1] = '\0';
    // A folder that does not fit the 80-byte buffers is not recorded rather than cut.
    CopyText(m_szProgramDir, sizeof m_szProgramDir, path);
}

BOOL CKorvaneApp::InitInstance()
{
    InitCommonControls();
    SetLeadByteTest(IsAnsiLeadByte);  // paths are split in the system's code page, GBK here

    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    GetVersionExA(&vi);
    if (vi.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        char text[256];
        AfxLoadString(IDS_NEED_WIN9X, text, sizeof text);
        MessageBoxA(nullptr, text, "Korvane", MB_OK);
        return FALSE;
    }

    HANDLE hMutex = CreateMutexA(nullptr, TRUE, kMutexName);  // kept open until the process ends
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND hRunning = FindWindowA("#32770", kMainTitle);
        if (hRunning) {
            // As Switch To does: closing and hide-on-minimise leave the window minimised as well
            // as hidden, and a plain show would only bring back its taskbar button. While the
            // running one is locked its window refuses to be shown.
            if (IsIconic(hRunning))
                ShowWindow(hRunning, SW_RESTORE);
            ShowWindow(hRunning, SW_SHOW);
            SetForegroundWindow(hRunning);
        }
        return FALSE;
    }

    FindProgramDirectory();
    FirstRunInit(DefaultRegistry(), m_szProgramDir[0] ? m_szProgramDir : nullptr);

    bool autoBoot = IsAutoBootStart(m_lpCmdLine);

    CKorvaneDlg* pDlg = new CKorvaneDlg;
    m_pMainWnd = pDlg;
    LoadSettings(DefaultRegistry());
    if (!pDlg->Create(IDD_KORVANE_DIALOG, static_cast<HWND>(nullptr))) {
        // USER's or GDI's heaps of 9x exhausted: without its window the program could do
        // nothing, and the mutex it held would keep every later start from working.
        // Closing the only handle removes the mutex at once; the process then ends.
        m_pMainWnd = nullptr;
        delete pDlg;
        if (hMutex)
            CloseHandle(hMutex);
        return FALSE;
    }
    pDlg->ApplySettingsToMenu();
    if (!autoBoot)
        pDlg->ShowWindow(SW_SHOW);

    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    RegisterHotKey(pDlg->m_hWnd, HOTKEY_RESTORE, MOD_CONTROL, 'T');
    RegisterHotKey(pDlg->m_hWnd, HOTKEY_LOCK, MOD_CONTROL | MOD_ALT, 'L');
    RegisterHotKey(pDlg->m_hWnd, HOTKEY_TAKEOVER, MOD_CONTROL | MOD_ALT, VK_INSERT);

    // The program's own loop: no dialog navigation and no accelerators but F5 (refresh now).
    HACCEL hAccel = LoadAcceleratorsA(m_hInstance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (hAccel && pDlg->m_hWnd && TranslateAcceleratorA(pDlg->m_hWnd, hAccel, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return FALSE;
}

void CKorvaneApp::OnAppExit()
{
    CKorvaneDlg* pDlg = GetMainDlg();
    HWND hMain = pDlg ? pDlg->m_hWnd : nullptr;
    UnregisterHotKey(hMain, HOTKEY_RESTORE);
    UnregisterHotKey(hMain, HOTKEY_LOCK);
    UnregisterHotKey(hMain, HOTKEY_TAKEOVER);
    // No takeover outlives the program: every lowered process gets its class back first.
    if (pDlg && pDlg->m_bTakeover)
        pDlg->OnQuickTakeover();
    PostQuitMessage(0);
}

void CKorvaneApp::OnHelpContents()
{
    // The help file beside the program, not in the current folder: started from the Run key the
    // program's current folder is the Windows folder.
    const char kHelpFile[] = "Korvane.hlp";
    char path[MAX_PATH + sizeof kHelpFile] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    int offset = GetFileNameOffset(path);
    memcpy(path + (offset < 0 ? 0 : offset), kHelpFile, sizeof kHelpFile);
    CKorvaneDlg* pDlg = GetMainDlg();
    ShellExecuteA(pDlg ? pDlg->m_hWnd : nullptr, "Open", path, nullptr, nullptr, SW_SHOW);
}
