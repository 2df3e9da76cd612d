#include "process/ProcessSystemWin32.h"
#include "framework/Platform.h"
#include <shellapi.h>
#include <tlhelp32.h>

namespace {

typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE, PROCESSENTRY32*);
typedef BOOL(WINAPI* HeapFirstFn)(HEAPENTRY32*, DWORD, ULONG_PTR);
typedef BOOL(WINAPI* HeapNextFn)(HEAPENTRY32*);
typedef BOOL(WINAPI* HeapListWalkFn)(HANDLE, HEAPLIST32*);

HMODULE Kernel() { return GetModuleHandleA("kernel32.dll"); }

}  // namespace

CProcessSystemWin32::CProcessSystemWin32(CProcess& process) : m_process(process)
{
    // Wine's Heap32First is an unimplemented stub that aborts the process: there the walk is
    // taken as unable to start, as it is where the entry points are missing.
    m_bHeapWalk = !IsWine() && ProcAddress<HeapFirstFn>(Kernel(), "Heap32First") &&
                  ProcAddress<HeapNextFn>(Kernel(), "Heap32Next");
}

int CProcessSystemWin32::SnapshotProcesses(const ProcessItem** rows)
{
    m_process.GetProccesStatue();
    *rows = m_process.m_pProcessList;
    return m_process.m_nProcessCount;
}

bool SnapshotSystemThreadOwners(std::vector<uint32_t>& owners)
{
    owners.clear();
    CreateSnapshotFn pCreate = ProcAddress<CreateSnapshotFn>(Kernel(), "CreateToolhelp32Snapshot");
    ProcessWalkFn pFirst = ProcAddress<ProcessWalkFn>(Kernel(), "Process32First");
    ProcessWalkFn pNext = ProcAddress<ProcessWalkFn>(Kernel(), "Process32Next");
    if (!pCreate || !pFirst || !pNext)
        return false;
    // A process snapshot carries each process's thread count: the owners it gives are those of
    // a thread snapshot, which lists every thread instead (under Wine, three requests to the
    // server for each).
    HANDLE hSnap = pCreate(TH32CS_SNAPPROCESS, 0);
    if (hSnap == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL ok = pFirst(hSnap, &pe); ok; ok = pNext(hSnap, &pe))
        owners.insert(owners.end(), pe.cntThreads, static_cast<uint32_t>(pe.th32ProcessID));
    CloseHandle(hSnap);
    return true;
}

bool CProcessSystemWin32::SnapshotThreadOwners(std::vector<uint32_t>& owners)
{
    return SnapshotSystemThreadOwners(owners);
}

bool CProcessSystemWin32::WalkHeap(uint32_t processId, uintptr_t heapId, IHeapBlockSink& sink)
{
    if (!m_bHeapWalk)
        return false;
    HeapFirstFn pFirst = ProcAddress<HeapFirstFn>(Kernel(), "Heap32First");
    HeapNextFn pNext = ProcAddress<HeapNextFn>(Kernel(), "Heap32Next");
    if (!pFirst || !pNext)
        return false;
    HEAPENTRY32 he = {};
    he.dwSize = sizeof he;
    if (!pFirst(&he, processId, static_cast<ULONG_PTR>(heapId)))
        return false;
    do {
        if (!sink.OnBlock(static_cast<uint32_t>(he.dwBlockSize), he.dwFlags))
            break;
    } while (pNext(&he));
    return true;
}

bool CProcessSystemWin32::FindDefaultHeap(uint32_t processId, uintptr_t* heapId)
{
    if (!m_bHeapWalk)
        return false;
    CreateSnapshotFn pCreate = ProcAddress<CreateSnapshotFn>(Kernel(), "CreateToolhelp32Snapshot");
    HeapListWalkFn pFirst = ProcAddress<HeapListWalkFn>(Kernel(), "Heap32ListFirst");
    HeapListWalkFn pNext = ProcAddress<HeapListWalkFn>(Kernel(), "Heap32ListNext");
    if (!pCreate || !pFirst || !pNext)
        return false;
    HANDLE hSnap = pCreate(TH32CS_SNAPHEAPLIST, processId);
    if (hSnap == INVALID_HANDLE_VALUE)
        return false;
    HEAPLIST32 hl = {};
    hl.dwSize = sizeof hl;
    bool found = false;
    for (BOOL ok = pFirst(hSnap, &hl); ok; ok = pNext(hSnap, &hl)) {
        if (hl.dwFlags & HF32_DEFAULT) {
            *heapId = static_cast<uintptr_t>(hl.th32HeapID);
            found = true;
            break;
        }
    }
    CloseHandle(hSnap);
    return found;
}

uint32_t CProcessSystemWin32::GetPriorityClass(uint32_t processId)
{
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!h)
        return 0;
    DWORD cls = ::GetPriorityClass(h);
    CloseHandle(h);
    return cls;
}

bool CProcessSystemWin32::SetPriorityClass(uint32_t processId, uint32_t priorityClass)
{
    HANDLE h = OpenProcess(PROCESS_SET_INFORMATION, FALSE, processId);
    if (!h)
        return false;
    BOOL ok = ::SetPriorityClass(h, priorityClass);
    CloseHandle(h);
    return ok != FALSE;
}

bool CProcessSystemWin32::Terminate(uint32_t processId)
{
    HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, processId);
    if (!h)
        return false;
    BOOL ok = TerminateProcess(h, 0);
    CloseHandle(h);
    return ok != FALSE;
}

intptr_t CShellOpenWin32::Open(const char* file, const char* parameters, const char* directory)
{
    HINSTANCE h = ShellExecuteA(nullptr, "Open", file, parameters, directory, SW_SHOWNORMAL);
    return reinterpret_cast<intptr_t>(h);
}
