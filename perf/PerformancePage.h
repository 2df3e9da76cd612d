// The Performance page (dialog 131).
#pragma once
#include "framework/Dialog.h"

class CPerformancePage : public CDialog {
public:
    explicit CPerformancePage(CDialog* pParent = nullptr) : CDialog(131, pParent) {}
    void RefreshPerformance() {}

    int m_nCpuUsage = 0;
    int m_nCommitPeak = 0;
    int m_nAvailPhys = 0;
    int m_nTotalPhys = 0;

protected:
    void OnOK() override {}
    void OnCancel() override {}
};
