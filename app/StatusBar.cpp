// The main window's status bar: process count, CPU use and memory, on the main window's timer 10.
#include "app/KorvaneDlg.h"
#include "framework/App.h"
#include "perf/PerformancePage.h"
#include "process/Process.h"
#include "res/resource.h"
#include <stdio.h>

void CKorvaneDlg::UpdateStatusBar()
{
    char format[64];
    char text[128];
    CProcess process;
    process.GetProccesStatue();

    AfxLoadString(IDS_PROCESS_COUNT, format, sizeof format);
    snprintf(text, sizeof text, format, process.m_nProcessCount);
    SetDlgItemText(IDC_STATUS_PROCESSES, text);

    AfxLoadString(IDS_CPU_USAGE, format, sizeof format);
    snprintf(text, sizeof text, format, m_pPerformancePage->m_nCpuUsage);
    SetDlgItemText(IDC_STATUS_CPU, text);

    AfxLoadString(IDS_MEMORY_USAGE, format, sizeof format);
    snprintf(text, sizeof text, format, m_pPerformancePage->m_nAvailPhys, m_pPerformancePage->m_nTotalPhys);
    SetDlgItemText(IDC_STATUS_MEMORY, text);
}
