// The about box (dialog 100).
#pragma once
#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CDialog* pParent = nullptr) : CDialog(100, pParent) {}
};
