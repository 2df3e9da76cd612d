// The main window's status bar: process count, CPU use and memory, on the main window's timer 10.
#include "app/KorvaneDlg.h"
#include "framework/App.h"
#include "perf/PerformancePage.h"
#include "res/resource.h"
#include <stdio.h>
#include <string.h>

void CKorvaneDlg::UpdateStatusBar()
{
    static const UINT kFormats[3] = {IDS_PROCESS_COUNT, IDS_CPU_USAGE, IDS_MEMORY_USAGE};
    for (int i = 0; i < 3; ++i) {
        if (!m_szStatusFormats[i][0])
            AfxLoadString(kFormats[i], m_szStatusFormats[i], sizeof m_szStatusFormats[i]);
    }
    int64_t start = m_clock.Microseconds();
    char text[128];
    snprintf(text, sizeof text, m_szStatusFormats[0], CountRunningProcesses());
    SetStatusField(IDC_STATUS_PROCESSES, text);

    snprintf(text, sizeof text, m_szStatusFormats[1], m_pPerformancePage->m_nCpuUsage);
    SetStatusField(IDC_STATUS_CPU, text);

    snprintf(text, sizeof text, m_szStatusFormats[2], m_pPerformancePage->m_nAvailPhys, m_pPerformancePage->m_nTotalPhys);
    SetStatusField(IDC_STATUS_MEMORY, text);
    m_statusShown.Ran();
    m_statusPacer.Ran(start, m_clock.Microseconds());
}

void CKorvaneDlg::SetStatusField(int id, const char* text)
{
    // A static repaints itself on every new text, even an equal one.
    // The fields are looked up once: each look-up is a round trip to the system under Wine.
    static const int kIds[3] = {IDC_STATUS_PROCESSES, IDC_STATUS_CPU, IDC_STATUS_MEMORY};
    HWND hField = nullptr;
    for (int i = 0; i < 3; ++i) {
        if (kIds[i] == id) {
            if (!m_hStatusFields[i])
                m_hStatusFields[i] = ::GetDlgItem(m_hWnd, id);
            hField = m_hStatusFields[i];
        }
    }
    char current[128];
    int length = ::GetWindowTextA(hField, current, sizeof current);
    if (length >= 0 && static_cast<size_t>(length) == strlen(text) && strcmp(current, text) == 0)
        return;
    ::SetWindowTextA(hField, text);
}
