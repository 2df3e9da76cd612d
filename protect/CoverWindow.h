// The full-screen window in the desktop colour that the lock and the takeover put over the desktop.
#pragma once
#include "framework/Dialog.h"

class CCoverWindow : public CDialog {
public:
    // Commands that reach the cover go on to pOwner, the main window, never straight to the
    // application object.
    explicit CCoverWindow(CDialog* pOwner) : CDialog(kTemplate, pOwner) {}
    // Creates the cover as a child of the desktop window, hidden.
    bool CreateOverDesktop();
    // Places it in the topmost band over every monitor (the primary screen on Windows 95); it
    // fits itself to the screen again when the display changes.
    void CoverScreen() const;

    enum { kTemplate = 144 };

    // The lock's cover: it answers the screen saver's and the task switches' system commands
    // itself (it is the screen saver while locked).
    bool m_bLockCover = false;

protected:
    INT_PTR WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Enter, Esc and their commands would otherwise hide the cover.
    void OnOK() override {}
    void OnCancel() override {}
};
