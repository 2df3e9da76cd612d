// The Processes page (dialog 130).
#pragma once
#include "framework/Dialog.h"

class CProcessPage : public CDialog {
public:
    explicit CProcessPage(CDialog* pParent = nullptr) : CDialog(130, pParent) {}
    void RefreshProcessList() {}

protected:
    void OnOK() override {}
    void OnCancel() override {}
};
