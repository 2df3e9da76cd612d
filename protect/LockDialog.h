// The "computer locked" dialog (145): it ends only when the unlock password is entered.
#pragma once
#include "framework/Dialog.h"
#include "protect/LockRules.h"
#include <string>

class CLockDialog : public CDialog {
public:
    // pParent: the main window, which the lock holds disabled; hCover: the cover it keeps in front;
    // pbSystemReleased: true once Windows is ending and the system keys are given back, which
    // the lock then no longer takes again.
    CLockDialog(CDialog* pParent, HWND hCover, const bool* pbSystemReleased)
        : CDialog(145, pParent), m_hCover(hCover), m_pbSystemReleased(pbSystemReleased)
    {
    }

    // Shows the dialog and runs its own message loop until the password in force, read here
    // once, is entered. A quit message that arrives meanwhile does not end the lock: it is kept
    // and posted again after the unlock.
    void RunLock();

    std::string m_strPassword;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnCmdMsg(UINT nID) override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR nIDEvent) override;
    INT_PTR WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnChangePassword();

private:
    // Puts the cover, this dialog and its open message box back over any other program's
    // window that has risen above the cover, and gives the keyboard to the window of the lock
    // that takes typing when another of the program's windows has it. With takeForeground
    // (the periodic check, and a window's first taking of the foreground) it also takes the
    // keyboard back from another program. Each call sets the screen-saver flag again if
    // something cleared it.
    void KeepInFront(bool takeForeground);

    HWND m_hCover;
    const bool* m_pbSystemReleased;
    CForegroundReturns m_foregroundReturns;
    std::string m_strPasswordInForce;
    bool m_bUnlocked = false;
};

// The shell's "QueryCancelAutoPlay" message: answered 1 while locked, so a disc starts nothing.
UINT QueryCancelAutoPlayMessage();
