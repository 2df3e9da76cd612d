// Resource identifiers shared by the .rc files and the code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC                  (-1)
#endif

// Dialogs
#define IDD_ABOUTBOX                100
#define IDD_KORVANE_DIALOG          102
#define IDD_PROCESS_PAGE            130
#define IDD_PERFORMANCE_PAGE        131
#define IDD_APPLICATIONS_PAGE       134
#define IDD_NEW_TASK                136
#define IDD_END_PROGRAM             140
#define IDD_COVER_WINDOW            144
#define IDD_LOCK                    145
#define IDD_DEBUGGER_NOT_FOUND      146
#define IDD_CHANGE_PASSWORD         147

// Menus and accelerators
#define IDR_MAINFRAME               128
#define IDR_MAIN_MENU               133
#define IDR_POPUP_MENU              137

// Icons and bitmaps
#define IDI_KORVANE                 128
#define IDI_CPU_LEVEL_0             132   // 132 + level, level 0..10
#define IDI_CPU_LEVEL_10            142
#define IDI_END_PROGRAM             143
#define IDI_DEBUGGER                148
#define IDB_GENERIC_WINDOW          139

// Strings
#define IDS_ABOUTBOX                101
#define IDS_PROCESS_COUNT           102
#define IDS_CPU_USAGE               103
#define IDS_MEMORY_USAGE            104
#define IDS_FILE_NOT_FOUND          105
#define IDS_APP_TITLE               106
#define IDS_NO_VS_DEBUGGER          107
#define IDS_PROCESS_END_FAILED      108
#define IDS_PRIORITY_FAILED         109
#define IDS_HELP_FILE               110
#define IDS_WRONG_PASSWORD          111
#define IDS_PASSWORD_MISMATCH       112
#define IDS_NEED_WIN9X              113

// Main window (dialog 102)
#define IDC_TAB_PAGES               1000
#define IDC_STATUS_PROCESSES        1010
#define IDC_STATUS_CPU              1003
#define IDC_STATUS_MEMORY           1015

// Processes page (dialog 130)
#define IDC_PROCESS_LIST            1001
#define IDC_END_PROCESS             1002

// Performance page (dialog 131)
#define IDC_CPU_METER               1003
#define IDC_CPU_GRAPH               1004
#define IDC_MEM_METER               1008
#define IDC_MEM_GRAPH               1009
#define IDC_TOTALS                  1011
#define IDC_PHYSICAL_MEMORY         1012
#define IDC_COMMIT_CHARGE           1013
#define IDC_KERNEL_MEMORY           1014

// Applications page (dialog 134)
#define IDC_TASK_LIST               1001
#define IDC_SWITCH_TO               1006
#define IDC_END_TASK                1017

// New task dialog (136)
#define IDC_COMMAND                 1018
#define IDC_BROWSE                  1019

// Lock dialog (145), change password (147), debugger not found (146)
#define IDC_CHANGE_PASSWORD         1005
#define IDC_USER_NAME               1020
#define IDC_PASSWORD                1021
#define IDC_OLD_PASSWORD            1022
#define IDC_NEW_PASSWORD            1023
#define IDC_CONFIRM_PASSWORD        1024
#define IDC_VISIT_HOME_PAGE         1005
#define IDC_DOWNLOAD_DEBUGGER       1006

// Commands
#define ID_SET_UNLOCK_PASSWORD      1005
#define ID_FILE_NEW_TASK            32772
#define ID_OPTIONS_TOPMOST          32773
#define ID_VIEW_REFRESH_NOW         32774
#define ID_HELP_CONTENTS            32775
#define ID_OPTIONS_HIDE_ON_MIN      32777
#define ID_SPEED_HIGH               32778
#define ID_SPEED_NORMAL             32779
#define ID_SPEED_LOW                32780
#define ID_SPEED_PAUSED             32781
#define ID_SPEED_REALTIME           32782
#define ID_PROCESS_DEBUG            32784
#define ID_PRIORITY_REALTIME        32786
#define ID_PRIORITY_HIGH            32787
#define ID_PRIORITY_NORMAL          32788
#define ID_PRIORITY_IDLE            32789
#define ID_PROCESS_DEBUG_QUENBRIX   32792
#define ID_LOCK_COMPUTER            32793
#define ID_QUICK_TAKEOVER           32794
#define ID_QUICK_SHUTDOWN           32795
#define ID_OPTIONS_AUTOBOOT         32796
#define ID_WINDOW_TOPMOST           32800
#define ID_WINDOW_NOTOPMOST         32801
#define ID_RESTORE                  32805
#define ID_APP_ABOUT                57664
#define ID_APP_EXIT                 57665
#define ID_HELP                     57670

// Window messages and timers
#define WM_TRAYNOTIFY               0x800
#define TIMER_REFRESH               10
#define TIMER_HANG_CHECK            20

// Global hot keys
#define HOTKEY_RESTORE              1000
#define HOTKEY_LOCK                 1001
#define HOTKEY_TAKEOVER             1002
