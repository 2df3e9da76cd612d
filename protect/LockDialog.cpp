#include "protect/LockDialog.h"
#include "app/KorvaneApp.h"
#include "protect/ChangePasswordDialog.h"
#include "protect/ProtectWin32.h"
#include "protect/UnlockPassword.h"
#include "res/resource.h"
#include <vector>

namespace {

const UINT_PTR kKeepInFrontTimer = 1;
const UINT kKeepInFrontPeriod = 250;  // ms
// Posted to itself when it lost the activation: the windows are put back in order once the
// change is complete.
const UINT WM_KEEP_IN_FRONT = WM_APP + 0x41;

bool IsOwnThreadWindow(HWND hWnd)
{
    return ::GetWindowThreadProcessId(hWnd, nullptr) == ::GetCurrentThreadId();
}

void PlaceTopmost(HWND hWnd)
{
    ::SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Just below `hAbove`, in the topmost band with it.
void PlaceBelow(HWND hWnd, HWND hAbove)
{
    ::SetWindowPos(hWnd, hAbove, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

UINT QueryCancelAutoPlayMessage()
{
    static const UINT message = ::RegisterWindowMessageA("QueryCancelAutoPlay");
    return message;
}

void CLockDialog::RunLock()
{
    // A password written or removed while locked, by a program started before the lock, does
    // not count for this lock.
    m_strPasswordInForce = ReadUnlockPassword(DefaultRegistry());
    m_bUnlocked = false;
    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    bool ownerWasEnabled = hOwner && ::IsWindowEnabled(hOwner);
    if (!Create(m_nIDTemplate, m_pParentWnd))
        return;
    if (hOwner)
        ::EnableWindow(hOwner, FALSE);
    ShowWindow(SW_SHOW);
    // Windows 98 and ME refuse a plain request to a program that did not get the last input
    // (the hot key's press went to another program's window).
    TakeForeground(m_hWnd);
    SetTimer(kKeepInFrontTimer, kKeepInFrontPeriod);

    // The dialog box's own loop would end the dialog on a quit message; this one keeps it.
    bool quit = false;
    WPARAM quitCode = 0;
    while (!m_bUnlocked && m_hWnd) {
        MSG msg;
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = msg.wParam;
            continue;
        }
        if (got < 0 || ::IsDialogMessageA(m_hWnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    // The owner first, so that the activation does not go to another program's window.
    if (hOwner && ownerWasEnabled)
        ::EnableWindow(hOwner, TRUE);
    DestroyWindow();
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
}

BOOL CLockDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    char name[80] = {};
    DWORD size = sizeof name;
    if (::GetUserNameA(name, &size))
        SetDlgItemText(IDC_USER_NAME, name);
    // Above the cover, which lies in the topmost band.
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return TRUE;
}

void CLockDialog::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_PASSWORD, m_strPassword);
}

bool CLockDialog::OnCmdMsg(UINT nID)
{
    if (nID == IDC_CHANGE_PASSWORD) {
        OnChangePassword();
        return true;
    }
    return CDialog::OnCmdMsg(nID);
}

void CLockDialog::OnOK()
{
    UpdateData(true);
    if (IsUnlockingEntry(m_strPasswordInForce, m_strPassword.c_str())) {
        m_bUnlocked = true;
        return;
    }
    AfxMessageBox(m_hWnd, IDS_WRONG_PASSWORD, MB_OK);
}

void CLockDialog::OnCancel()
{
    // Escape and close requests arrive here: the only way out of the lock is the password.
}

void CLockDialog::OnChangePassword()
{
    // Checked against, and on success replacing, the password of this lock.
    CChangePasswordDialog dlg(this, &m_strPasswordInForce);
    dlg.DoModal();
}

void CLockDialog::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kKeepInFrontTimer)
        KeepInFront(true);
}

INT_PTR CLockDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            PostMessage(WM_KEEP_IN_FRONT);
        return FALSE;  // the default handling keeps the focus of the edit
    case WM_ACTIVATEAPP:
        if (!wParam)
            PostMessage(WM_KEEP_IN_FRONT);
        return FALSE;
    case WM_KEEP_IN_FRONT: {
        // A window that takes the keyboard from the lock gives it back at once the first time,
        // a quick hand in the box the shell opens on a key of its own included; after that the
        // periodic check takes it back.
        HWND hForeground = ::GetForegroundWindow();
        bool foreign = hForeground && !IsOwnThreadWindow(hForeground);
        KeepInFront(foreign && m_foregroundReturns.AtOnce(reinterpret_cast<ForegroundHandle>(hForeground)));
        return TRUE;
    }
    case WM_SYSCOMMAND:
        // The foreground window gets the system's request to start the screen saver, whose
        // default handling would start it over the lock; and the task switches go nowhere.
        if (LockAnswersSysCommand(true, wParam))
            return SetMsgResult(0);
        return CDialog::WindowProc(msg, wParam, lParam);
    default:
        // The shell asks the foreground window, which the lock dialog is.
        if (msg == QueryCancelAutoPlayMessage())
            return SetMsgResult(1);
        return CDialog::WindowProc(msg, wParam, lParam);
    }
}

void CLockDialog::KeepInFront(bool takeForeground)
{
    // A screen saver clears the flag as it ends, and the system keys are on again.
    if (!*m_pbSystemReleased)
        RenewScreenSaverRunning();
    // Cheap enough for every tick: the foreground, and the few windows above the cover.
    HWND hForeground = ::GetForegroundWindow();
    bool foreignForeground = !hForeground || !IsOwnThreadWindow(hForeground);
    bool foreignAbove = false;
    for (HWND h = ::GetWindow(::GetDesktopWindow(), GW_CHILD); h && h != m_hCover; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (::IsWindowVisible(h) && !IsOwnThreadWindow(h)) {
            foreignAbove = true;
            break;
        }
    }
    // The window of the lock that should have the keyboard: the dialog or message box the lock
    // dialog runs, or the lock dialog itself.
    HWND hTarget = FindOwnedPopup(m_hWnd);
    if (!hTarget)
        hTarget = m_hWnd;
    if (!foreignForeground) {
        // One of the program's own windows has the keyboard; the cover or the hidden main
        // window cannot use it, so it goes where the typing belongs.
        if (hForeground != hTarget)
            TakeForeground(hTarget);
        if (!foreignAbove)
            return;
    }

    // Whatever the lock dialog runs, then the lock dialog, then the cover, each below the one
    // before. Placed from the top down, so that no window passes over one that belongs above
    // it, not even for a moment: the cover never hides the lock dialog.
    std::vector<HWND> chain;
    for (HWND h = hTarget; h && h != m_hWnd; h = ::GetWindow(h, GW_OWNER))
        chain.push_back(h);
    chain.push_back(m_hWnd);
    if (m_hCover)
        chain.push_back(m_hCover);
    PlaceTopmost(chain[0]);
    for (size_t i = 1; i < chain.size(); ++i)
        PlaceBelow(chain[i], chain[i - 1]);
    // Another program that takes the foreground back at once would make this a contest at full
    // speed: the keyboard is taken back from the check, at most once a period, and a lost
    // activation only puts the windows back in order.
    if (foreignForeground && takeForeground)
        TakeForeground(hTarget);
}
