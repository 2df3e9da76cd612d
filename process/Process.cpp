// CProcess: the 9x tool-help path. (The NT path and the import walk follow.)
#include "process/Process.h"
#include "framework/Platform.h"
#include <tlhelp32.h>
#include <string.h>

CProcess::CProcess() : m_nProcessCount(0), m_nModuleCount(0)
{
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    m_bWin32 = GetVersionExA(&vi) && vi.dwPlatformId == VER_PLATFORM_WIN32_NT;
    m_pProcessList = new ProcessItem[MaxProcesses];
    ClearProcess();
    ClearModule();
}

CProcess::~CProcess() { delete[] m_pProcessList; }

void CProcess::ClearProcess()
{
    memset(m_pProcessList, 0, sizeof(ProcessItem) * MaxProcesses);
    m_nProcessCount = 0;
}

void CProcess::ClearModule()
{
    memset(m_hModules, 0, sizeof m_hModules);
    m_nModuleCount = 0;
}

bool CProcess::IsWin32() { return m_bWin32; }

void CProcess::GetProccesStatue()
{
    ClearProcess();
    if (m_bWin32)
        ProcessInNT();
    else
        ProcessIn98();
}

void CProcess::GetModuleStatue(DWORD dwProcessID)
{
    ClearModule();
    if (m_bWin32)
        ModuleInNT(dwProcessID);
    else
        ModuleIn98(dwProcessID);
}

void CProcess::GetModuleStatue() { GetModuleStatue(GetCurrentProcessId()); }

void CProcess::GetModuleName(HANDLE, HMODULE hModule, char* szName)
{
    szName[0] = '\0';
    GetModuleFileNameA(hModule, szName, MaxPath);
    szName[MaxPath - 1] = '\0';
}

void CProcess::EnumAllModules(HMODULE hModule)
{
    ClearModule();
    EnumAllModulesLoop(hModule);
}

bool CProcess::ModlesInList(HMODULE hModule)
{
    for (int i = 0; i < m_nModuleCount; ++i) {
        if (m_hModules[i] == hModule)
            return true;
    }
    return false;
}

void CProcess::ProcessIn98()
{
    typedef HANDLE(WINAPI * CreateSnapshotFn)(DWORD, DWORD);
    typedef BOOL(WINAPI * ProcessWalkFn)(HANDLE, PROCESSENTRY32*);
    HMODULE hKernel = LoadLibraryA("kernel32.dll");
    if (!hKernel)
        return;
    CreateSnapshotFn pCreate = ProcAddress<CreateSnapshotFn>(hKernel, "CreateToolhelp32Snapshot");
    ProcessWalkFn pFirst = ProcAddress<ProcessWalkFn>(hKernel, "Process32First");
    ProcessWalkFn pNext = ProcAddress<ProcessWalkFn>(hKernel, "Process32Next");
    if (pCreate && pFirst && pNext) {
        HANDLE hSnap = pCreate(TH32CS_SNAPPROCESS, 0);
        if (hSnap != INVALID_HANDLE_VALUE) {
            PROCESSENTRY32 pe = {};
            pe.dwSize = sizeof pe;
            for (BOOL ok = pFirst(hSnap, &pe); ok && m_nProcessCount < MaxProcesses; ok = pNext(hSnap, &pe)) {
                ProcessItem& row = m_pProcessList[m_nProcessCount++];
                row.dwProcessID = pe.th32ProcessID;
                strncpy(row.szExeFile, pe.szExeFile, MaxPath - 1);
                row.szExeFile[MaxPath - 1] = '\0';
            }
            CloseHandle(hSnap);
        }
    }
    FreeLibrary(hKernel);
}

void CProcess::ProcessInNT() {}
void CProcess::ModuleIn98(unsigned int) {}
void CProcess::ModuleInNT(unsigned int) {}
void CProcess::EnumAllModulesLoop(HMODULE) {}
