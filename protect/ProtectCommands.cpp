// The super-task commands of the main window: lock, takeover, shutdown, unlock password.
#include "app/KorvaneApp.h"
#include "app/KorvaneDlg.h"
#include "framework/Controls.h"
#include "protect/ChangePasswordDialog.h"
#include "protect/CoverWindow.h"
#include "protect/LockDialog.h"
#include "protect/ProtectWin32.h"
#include "protect/UnlockPassword.h"
#include "res/resource.h"

namespace {

const char kTaskbarClass[] = "Shell_TrayWnd";

// On Windows 95/98/ME a running screen saver makes the system ignore Ctrl+Alt+Del, Alt+Tab and
// Ctrl+Esc. The previous state is not needed; the buffer only keeps systems that write it safe.
void SetScreenSaverRunning(bool running)
{
    BOOL previous = FALSE;
    ::SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

void ShowTaskbar(int nCmdShow)
{
    HWND hTaskbar = ::FindWindowA(kTaskbarClass, nullptr);
    if (hTaskbar)
        ::ShowWindow(hTaskbar, nCmdShow);
}

}  // namespace

bool CKorvaneApp::CheckUnlockPassword(const char* password)
{
    return IsUnlockingEntry(DefaultRegistry(), password);
}

void CKorvaneDlg::OnLockComputer()
{
    if (m_bTakeover || m_bLocked)
        return;
    // From here on nothing may show the main window (see WindowProc) until the password is given.
    m_bLocked = true;
    SetScreenSaverRunning(true);
    ShowTaskbar(SW_HIDE);
    ShowWindow(SW_HIDE);

    CCoverWindow* pCover = new CCoverWindow;
    pCover->CreateOverDesktop();
    pCover->CoverScreen();
    pCover->ShowWindow(SW_SHOW);
    pCover->BringWindowToTop();

    CLockDialog dlg(this);
    dlg.DoModal();

    m_bLocked = false;
    ShowTaskbar(SW_SHOW);
    pCover->DestroyWindow();
    delete pCover;
    ShowWindow(SW_SHOW);
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
        m_pCoverWindow = new CCoverWindow;
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
    SetForegroundWindow();
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
    CWin32ProgramStarter starter;
    StartQuickShutdown(starter);
}

void CKorvaneDlg::OnSetUnlockPassword()
{
    CChangePasswordDialog dlg(this);
    dlg.DoModal();
}
