// Snapshot of the running processes and of one process's modules, in fixed-capacity tables.
// The 9x family is served by kernel32's tool-help functions, the NT family by psapi.dll; every
// entry point is looked up by name at run time and never called when it is missing.
#pragma once
#include <windows.h>
#include "process/ProcessTables.h"

class CProcess {
public:
    enum { MaxProcesses = kMaxProcesses, MaxModules = kMaxModules, MaxPath = kMaxPathBytes };

    CProcess();
    // Chooses the platform path explicitly (bNT true: psapi) instead of asking the system.
    explicit CProcess(bool bNT);
    virtual ~CProcess();
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;

    void GetProccesStatue();
    void GetModuleStatue(DWORD dwProcessID);
    void GetModuleStatue();
    void GetModuleName(HANDLE hProcess, HMODULE hModule, char* szName);
    void EnumAllModules(HMODULE hModule);
    bool ModlesInList(HMODULE hModule);
    bool IsWin32();

    ProcessItem* m_pProcessList;
    HMODULE m_hModules[MaxModules];
    int m_nProcessCount;
    int m_nModuleCount;
    bool m_bWin32;

protected:
    void ProcessIn98();
    void ProcessInNT();
    void ModuleIn98(unsigned int dwProcessID);
    void ModuleInNT(unsigned int dwProcessID);
    void ClearProcess();
    void ClearModule();
    void EnumAllModulesLoop(HMODULE hModule);
};
