// The full-screen window in the desktop colour that the lock and the takeover put over the desktop.
#pragma once
#include "framework/Dialog.h"

class CCoverWindow : public CDialog {
public:
    CCoverWindow() : CDialog(kTemplate, nullptr) {}
    // Creates the cover as a child of the desktop window, hidden.
    bool CreateOverDesktop();
    // Places it in the topmost band over the whole primary screen.
    void CoverScreen() const;

    enum { kTemplate = 144 };

protected:
    INT_PTR WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
