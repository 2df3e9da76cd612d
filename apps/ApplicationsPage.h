// The Applications page (dialog 134).
#pragma once
#include "framework/Dialog.h"

class CApplicationsPage : public CDialog {
public:
    explicit CApplicationsPage(CDialog* pParent = nullptr) : CDialog(134, pParent) {}
    void RefreshWindowList() {}

protected:
    void OnOK() override {}
    void OnCancel() override {}
};
