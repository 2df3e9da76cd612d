// The super-task commands of the main window: lock, takeover, shutdown, unlock password.
#include "app/KorvaneApp.h"
#include "app/KorvaneDlg.h"
#include "framework/Controls.h"
#include "protect/ChangePasswordDialog.h"
#include "protect/CoverWindow.h"
#include "protect/LockDialog.h"
#include "protect/ProtectWin32.h"
#include "res/resource.h"
#include <string.h>
#include <vector>

namespace {

struct OpenDialogs {
    HWND hMain;
    std::vector<HWND> windows;
};

// The program's dialogs open when the lock starts (new task and its open-file dialog, about,
// password, message boxes): disabled for the length of the lock, as the lock's owner is.
BOOL CALLBACK DisableOpenDialog(HWND hWnd, LPARAM lParam)
{
    OpenDialogs* open = reinterpret_cast<OpenDialogs*>(lParam);
    char cls[16] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (hWnd != open->hMain && strcmp(cls, "#32770") == 0 && ::IsWindowVisible(hWnd) && ::IsWindowEnabled(hWnd)) {
        ::EnableWindow(hWnd, FALSE);
        open->windows.push_back(hWnd);
    }
    return TRUE;
}

}  // namespace

void CKorvaneDlg::OnLockComputer()
{
    if (m_bTakeover || m_bLocked)
        return;
    // No lock without its cover. It is made first, still hidden: where the system cannot make it
    // (USER's resources run out on 9x), nothing has been changed yet and the program stays
    // unlocked. No message of the string table tells of this.
    CCoverWindow* pCover = new CCoverWindow(this);
    if (!pCover->CreateOverDesktop()) {
        delete pCover;
        return;
    }
    // From here on nothing may show the main window (see WindowProc) until the password is given.
    m_bLocked = true;
    m_bSystemReleased = false;
    SetScreenSaverRunning(true);
    ShowTaskbar(SW_HIDE);
    ShowWindow(SW_HIDE);
    OpenDialogs open = {m_hWnd, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), DisableOpenDialog, reinterpret_cast<LPARAM>(&open));

    pCover->m_bLockCover = true;
    pCover->CoverScreen();
    pCover->ShowWindow(SW_SHOW);
    pCover->BringWindowToTop();

    CLockDialog dlg(this, pCover->m_hWnd, &m_bSystemReleased);
    dlg.RunLock();

    m_bLocked = false;
    ShowTaskbar(SW_SHOW);
    pCover->DestroyWindow();
    delete pCover;
    for (HWND hDialog : open.windows)
        if (::IsWindow(hDialog))
            ::EnableWindow(hDialog, TRUE);
    ShowWindow(SW_SHOW);
    SetScreenSaverRunning(false);
}

void CKorvaneDlg::ReleaseSystemForSessionEnd()
{
    // The process ends without reaching the unlock: the next user of the machine would have no
    // taskbar and no Ctrl+Alt+Del, Alt+Tab or Ctrl+Esc until a restart.
    if (!m_bLocked)
        return;
    m_bSystemReleased = true;  // the lock's checks take neither back
    ShowTaskbar(SW_SHOW);
    SetScreenSaverRunning(false);
}

void CKorvaneDlg::OnQuickTakeover()
{
    if (m_bLocked)
        return;
    m_bTakeover = !m_bTakeover;
    if (m_bTakeover)
        DemoteOtherProcesses();
    else
        RestoreOtherProcesses();

    CMenu menu(GetMenu());
    if (m_bTakeover) {
        SetScreenSaverRunning(true);
        m_pCoverWindow = new CCoverWindow(this);
        m_pCoverWindow->CreateOverDesktop();
        m_pCoverWindow->ShowWindow(SW_SHOW);
        m_pCoverWindow->CoverScreen();
        menu.CheckMenuItem(ID_QUICK_TAKEOVER, true);
    } else {
        if (m_pCoverWindow) {
            m_pCoverWindow->DestroyWindow();
            delete m_pCoverWindow;
            m_pCoverWindow = nullptr;
        }
        SetScreenSaverRunning(false);
        menu.CheckMenuItem(ID_QUICK_TAKEOVER, false);
    }

    ShowWindow(SW_RESTORE);
    // Above the cover the main window must share its topmost band; afterwards it keeps the band
    // only when "always on top" is chosen.
    bool topmost = m_bTakeover || theApp.m_bTopmost;
    SetWindowPos(topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    BringWindowToTop();
    TakeForeground(m_hWnd);
}

void CKorvaneDlg::DemoteOtherProcesses()
{
    CWin32ProcessPriorities system;
    DemoteProcesses(system, m_savedPriorities);
}

void CKorvaneDlg::RestoreOtherProcesses()
{
    CWin32ProcessPriorities system;
    RestoreProcesses(system, m_savedPriorities);
}

void CKorvaneDlg::OnQuickShutdown()
{
    // Windows ends with no end-of-session message: the settings are kept first, as Exit does.
    SaveSettings();
    CWin32ProgramStarter starter;
    StartQuickShutdown(starter);
}

void CKorvaneDlg::OnSetUnlockPassword()
{
    CChangePasswordDialog dlg(this);
    dlg.DoModal();
}
