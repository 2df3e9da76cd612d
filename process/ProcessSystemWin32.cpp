#include "process/ProcessSystemWin32.h"
#include "framework/Platform.h"
#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>
#include <string.h>

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

CWineProcessList& CWineProcessList::Shared()
{
    static CWineProcessList list;
    return list;
}

CWineProcessList::CWineProcessList()
{
    if (!IsWine())
        return;
    m_pQuery = ProcAddress<QueryFn>(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
    m_pWideToAnsi = ProcAddress<WideToAnsiFn>(Kernel(), "WideCharToMultiByte");
}

CWineProcessList::~CWineProcessList() { delete[] m_pBuffer; }

namespace {
const int kProcessInformation = 5;
const long kLengthMismatch = static_cast<long>(0xC0000004L);
}  // namespace

bool CWineProcessList::Update()
{
    if (!m_pQuery || !m_pWideToAnsi)
        return false;
    DWORD now = ::GetTickCount();
    if (m_pBuffer && m_reuse.Fresh(now))
        return true;
    // The size alone: with no room the server counts the processes, threads and path lengths
    // and nothing of /proc is read.
    unsigned long size = 0;
    char none[sizeof(void*)];
    bool sized = m_pQuery(kProcessInformation, none, 0, &size) == kLengthMismatch && size;
    if (m_pBuffer && sized && m_reuse.MayReuse(size, now))
        return true;
    m_reuse.Forget();
    long status = kLengthMismatch;
    for (int tries = 0; tries < 8 && status == kLengthMismatch; ++tries) {
        if (!m_pBuffer) {
            m_nBufferSize = m_nBufferSize ? m_nBufferSize * 2 : 0x10000;
            m_pBuffer = new char[m_nBufferSize];
        }
        unsigned long needed = 0;
        status = m_pQuery(kProcessInformation, m_pBuffer, m_nBufferSize, &needed);
        if (status == kLengthMismatch) {
            delete[] m_pBuffer;
            m_pBuffer = nullptr;
        }
    }
    if (status != 0)
        return false;
    Parse();
    if (sized)
        m_reuse.Taken(size, now);
    return true;
}

void CWineProcessList::Parse()
{
    m_owners.clear();
    m_nRows = 0;
    m_nThreads = 0;
    for (unsigned long at = 0;;) {
        const SYSTEM_PROCESS_INFORMATION* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(m_pBuffer + at);
        uint32_t id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p->UniqueProcessId));
        char name[MAX_PATH] = "";
        if (p->ImageName.Buffer && p->ImageName.Length) {
            int n = m_pWideToAnsi(CP_ACP, 0, p->ImageName.Buffer, p->ImageName.Length / 2, name, sizeof name - 1,
                                  nullptr, nullptr);
            name[n > 0 ? n : 0] = '\0';
        }
        // Past the table's capacity a process still owns its threads.
        AddProcessRow(m_rows, m_nRows, id, name);
        m_owners.insert(m_owners.end(), p->NumberOfThreads, id);
        m_nThreads += static_cast<int>(p->NumberOfThreads);
        if (!p->NextEntryOffset || at + p->NextEntryOffset >= m_nBufferSize)
            break;
        at += p->NextEntryOffset;
    }
}

bool CWineProcessList::Take(ProcessItem* rows, int* count, std::vector<uint32_t>* owners, int* threads)
{
    if (!Update())
        return false;
    memcpy(rows, m_rows, sizeof(ProcessItem) * static_cast<size_t>(m_nRows));
    *count = m_nRows;
    if (owners)
        *owners = m_owners;
    if (threads)
        *threads = m_nThreads;
    return true;
}

bool CWineProcessList::Count(int* count)
{
    if (!Update())
        return false;
    *count = m_nRows;
    return true;
}

int CProcessSystemWin32::SnapshotProcesses(const ProcessItem** rows)
{
    *rows = m_process.m_pProcessList;
    m_bOwnersUnread = false;
    if (!m_process.IsWin32()) {
        memset(m_process.m_pProcessList, 0, sizeof(ProcessItem) * CProcess::MaxProcesses);
        m_process.m_nProcessCount = 0;
        if (CWineProcessList::Shared().Take(m_process.m_pProcessList, &m_process.m_nProcessCount, &m_owners, nullptr) ||
            SnapshotProcessTable(m_process.m_pProcessList, &m_process.m_nProcessCount, &m_owners, nullptr)) {
            m_bOwnersUnread = true;
            return m_process.m_nProcessCount;
        }
    }
    m_process.GetProccesStatue();
    return m_process.m_nProcessCount;
}

bool SnapshotProcessTable(ProcessItem* rows, int* count, std::vector<uint32_t>* owners, int* threads)
{
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
    if (owners)
        owners->clear();
    int total = 0;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL ok = pFirst(hSnap, &pe); ok; ok = pNext(hSnap, &pe)) {
        if (owners)
            owners->insert(owners->end(), pe.cntThreads, static_cast<uint32_t>(pe.th32ProcessID));
        total += static_cast<int>(pe.cntThreads);
        // Past the table's capacity a process still owns its threads.
        if (rows)
            AddProcessRow(rows, *count, pe.th32ProcessID, pe.szExeFile);
    }
    CloseHandle(hSnap);
    if (threads)
        *threads = total;
    return true;
}

bool CProcessSystemWin32::SnapshotThreadOwners(std::vector<uint32_t>& owners)
{
    if (m_bOwnersUnread) {
        m_bOwnersUnread = false;
        owners.swap(m_owners);
        return true;
    }
    return SnapshotProcessTable(nullptr, nullptr, &owners, nullptr);
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
