// CProcess over tool-help (9x family) and psapi.dll (NT family). Each operation loads its
// library by name, looks its entry points up, and releases the library before it returns.
#include "process/Process.h"
#include "framework/Platform.h"
#include "process/ImportWalk.h"
#include <tlhelp32.h>
#include <string.h>

namespace {

typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE, PROCESSENTRY32*);
typedef BOOL(WINAPI* ModuleWalkFn)(HANDLE, MODULEENTRY32*);
typedef BOOL(WINAPI* EnumProcessesFn)(DWORD*, DWORD, DWORD*);
typedef BOOL(WINAPI* EnumProcessModulesFn)(HANDLE, HMODULE*, DWORD, DWORD*);
typedef DWORD(WINAPI* GetModuleFileNameExFn)(HANDLE, HMODULE, char*, DWORD);

const DWORD kQueryAndRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x410

bool IsNtPlatform()
{
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    return GetVersionExA(&vi) && vi.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// The import walk over the calling process's own memory, filling a CProcess's module list.
class CImportHost : public IImportWalkHost {
public:
    explicit CImportHost(CProcess& process) : m_process(process) {}
    bool ReadMemory(uintptr_t address, void* buf, size_t size) override
    {
        memcpy(buf, reinterpret_cast<const void*>(address), size);
        return true;
    }
    void LowerCase(char* name) override { CharLowerA(name); }
    // The reference LoadLibrary adds is kept: every module found stays loaded.
    uintptr_t LoadModule(const char* name) override { return reinterpret_cast<uintptr_t>(LoadLibraryA(name)); }
    bool IsListed(uintptr_t module) override { return m_process.ModlesInList(reinterpret_cast<HMODULE>(module)); }
    bool Append(uintptr_t module) override
    {
        if (m_process.m_nModuleCount >= CProcess::MaxModules)
            return false;
        m_process.m_hModules[m_process.m_nModuleCount++] = reinterpret_cast<HMODULE>(module);
        return true;
    }

private:
    CProcess& m_process;
};

}  // namespace

CProcess::CProcess() : CProcess(IsNtPlatform()) {}

CProcess::CProcess(bool bNT) : m_nProcessCount(0), m_nModuleCount(0), m_bWin32(bNT)
{
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

void CProcess::GetModuleName(HANDLE hProcess, HMODULE hModule, char* szName)
{
    szName[0] = '\0';
    if (m_bWin32) {
        CLibrary psapi("psapi.dll");
        GetModuleFileNameExFn pName = ProcAddress<GetModuleFileNameExFn>(psapi, "GetModuleFileNameExA");
        if (pName && !pName(hProcess, hModule, szName, MaxPath))
            szName[0] = '\0';
    } else {
        // 9x names modules of the calling process only; the process handle is not used.
        if (!GetModuleFileNameA(hModule, szName, MaxPath))
            szName[0] = '\0';
    }
    // Some systems leave a name cut at the limit unterminated.
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
    CLibrary kernel("kernel32.dll");
    CreateSnapshotFn pCreate = ProcAddress<CreateSnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    ProcessWalkFn pFirst = ProcAddress<ProcessWalkFn>(kernel, "Process32First");
    ProcessWalkFn pNext = ProcAddress<ProcessWalkFn>(kernel, "Process32Next");
    if (pCreate && pFirst && pNext) {
        HANDLE hSnap = pCreate(TH32CS_SNAPPROCESS, 0);
        if (hSnap != INVALID_HANDLE_VALUE) {
            PROCESSENTRY32 pe = {};
            pe.dwSize = sizeof pe;
            for (BOOL ok = pFirst(hSnap, &pe); ok; ok = pNext(hSnap, &pe)) {
                if (!AddProcessRow(m_pProcessList, m_nProcessCount, pe.th32ProcessID, pe.szExeFile))
                    break;
            }
            CloseHandle(hSnap);
        }
    }
}

void CProcess::ProcessInNT()
{
    CLibrary psapi("psapi.dll");
    EnumProcessesFn pEnum = ProcAddress<EnumProcessesFn>(psapi, "EnumProcesses");
    GetModuleFileNameExFn pName = ProcAddress<GetModuleFileNameExFn>(psapi, "GetModuleFileNameExA");
    EnumProcessModulesFn pModules = ProcAddress<EnumProcessModulesFn>(psapi, "EnumProcessModules");
    DWORD ids[MaxProcesses];
    DWORD cb = 0;
    if (pEnum && pName && pModules && pEnum(ids, sizeof ids, &cb)) {
        int count = EntriesFromBytes(cb, MaxProcesses);
        for (int i = 0; i < count; ++i) {
            ProcessItem& row = m_pProcessList[i];
            row.dwProcessID = ids[i];
            // A process that can't be opened (the idle process is one) keeps an empty name.
            HANDLE hProcess = OpenProcess(kQueryAndRead, FALSE, ids[i]);
            if (!hProcess)
                continue;
            HMODULE hExe = nullptr;
            DWORD needed = 0;
            char path[MAX_PATH];
            if (pModules(hProcess, &hExe, sizeof hExe, &needed) && pName(hProcess, hExe, path, sizeof path)) {
                path[sizeof path - 1] = '\0';
                CopyImageName(row.szExeFile, path);
            }
            CloseHandle(hProcess);
        }
        m_nProcessCount = count;
    }
}

void CProcess::ModuleIn98(unsigned int dwProcessID)
{
    CLibrary kernel("kernel32.dll");
    CreateSnapshotFn pCreate = ProcAddress<CreateSnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    ModuleWalkFn pFirst = ProcAddress<ModuleWalkFn>(kernel, "Module32First");
    ModuleWalkFn pNext = ProcAddress<ModuleWalkFn>(kernel, "Module32Next");
    if (pCreate && pFirst && pNext) {
        HANDLE hSnap = pCreate(TH32CS_SNAPMODULE, dwProcessID);
        if (hSnap != INVALID_HANDLE_VALUE) {
            MODULEENTRY32 me = {};
            me.dwSize = sizeof me;
            for (BOOL ok = pFirst(hSnap, &me); ok && m_nModuleCount < MaxModules; ok = pNext(hSnap, &me))
                m_hModules[m_nModuleCount++] = me.hModule;
            CloseHandle(hSnap);
        }
    }
}

void CProcess::ModuleInNT(unsigned int dwProcessID)
{
    CLibrary psapi("psapi.dll");
    EnumProcessModulesFn pModules = ProcAddress<EnumProcessModulesFn>(psapi, "EnumProcessModules");
    if (pModules) {
        HANDLE hProcess = OpenProcess(kQueryAndRead, FALSE, dwProcessID);
        if (hProcess) {
            DWORD cb = 0;
            // The byte count that comes back is what the process has, which may be more than
            // the list holds.
            if (pModules(hProcess, m_hModules, sizeof m_hModules, &cb))
                m_nModuleCount = EntriesFromBytes(cb, MaxModules);
            CloseHandle(hProcess);
        }
    }
}

void CProcess::EnumAllModulesLoop(HMODULE hModule)
{
    CImportHost host(*this);
    WalkImports(host, reinterpret_cast<uintptr_t>(hModule));
}
