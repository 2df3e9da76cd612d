#include "process/ProcessList.h"
#include "common/TextUtil.h"
#include "res/resource.h"
#include <algorithm>
#include <stdio.h>
#include <string.h>

namespace {

const uint32_t kNormal = 32;
const uint32_t kIdle = 64;
const uint32_t kHigh = 128;
const uint32_t kRealtime = 256;
const uint32_t kFreeBlock = 2;

// Sums the first kHeapBlockLimit blocks and takes every later one without counting it: 9x frees
// a walk's state only at the Heap32Next call that finds no more blocks, so a walk stopped early
// would leak it.
class HeapSum : public IHeapBlockSink {
public:
    bool OnBlock(uint32_t size, uint32_t flags) override
    {
        if (visited < kHeapBlockLimit && !(flags & kFreeBlock))
            total += size;
        ++visited;
        return true;
    }
    uint64_t total = 0;
    int visited = 0;
};

// Queued walks wait at most once each, and never more than there can be rows.
const size_t kMaxQueuedWalks = kMaxProcesses;

}  // namespace

const char* PriorityName(uint32_t priorityClass)
{
    switch (priorityClass) {
    case kNormal: return "标准";
    case kIdle: return "低";
    case kHigh: return "高";
    case kRealtime: return "实时";
    default: return "";
    }
}

unsigned PriorityCommand(uint32_t priorityClass)
{
    switch (priorityClass) {
    case kNormal: return ID_PRIORITY_NORMAL;
    case kIdle: return ID_PRIORITY_IDLE;
    case kHigh: return ID_PRIORITY_HIGH;
    case kRealtime: return ID_PRIORITY_REALTIME;
    default: return 0;
    }
}

uint32_t PriorityClassOfCommand(unsigned command)
{
    switch (command) {
    case ID_PRIORITY_REALTIME: return kRealtime;
    case ID_PRIORITY_HIGH: return kHigh;
    case ID_PRIORITY_NORMAL: return kNormal;
    case ID_PRIORITY_IDLE: return kIdle;
    default: return 0;
    }
}

int HeapSizeK(IProcessSystem& system, uint32_t processId)
{
    HeapSum sum;
    // Identifier 0 first. Where the system refuses it (9x names each heap by its entry in the
    // process's heap list), the heap the list flags as the default one is walked instead.
    bool walked = system.WalkHeap(processId, 0, sum);
    if (!walked) {
        uintptr_t heapId = 0;
        walked = system.FindDefaultHeap(processId, &heapId) && heapId != 0 &&
                 system.WalkHeap(processId, heapId, sum);
    }
    if (!walked)
        return 0;
    uint64_t k = sum.total / 1024;
    return k > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(k);
}

CProcessList::CProcessList(IListRows& rows, IProcessSystem& system, int& heapRow, IHeapWorker* worker)
    : m_rows(rows), m_system(system), m_nHeapRow(heapRow), m_pWorker(worker)
{
}

void CProcessList::RefreshProcessList()
{
    // Every row's key is read once; the steps keep the copy in step with the rows.
    ReadRowIds();
    AddNewProcesses();
    UpdateThreadCounts();
    int row = NextHeapRow();
    if (row >= 0) {
        size_t at = static_cast<size_t>(row);
        WalkHeapOf(row, at < m_rowIds.size() ? m_rowIds[at] : static_cast<uint32_t>(GetRowProcessID(row)));
    }
    UpdatePriorities();
    if (m_pWorker && !m_heapQueue.empty())
        m_pWorker->Wake();
    m_shown.Ran();
}

void CProcessList::OnTimerTick(bool shown)
{
    if (m_shown.Tick(shown))
        RefreshProcessList();
}

void CProcessList::OnShown()
{
    if (m_shown.Shown())
        RefreshProcessList();
}

void CProcessList::ReadRowIds()
{
    m_rowIds.clear();
    for (int row = 0, n = m_rows.GetCount(); row < n; ++row)
        m_rowIds.push_back(static_cast<uint32_t>(GetRowProcessID(row)));
}

int CProcessList::GetRowProcessID(int row) const
{
    char text[20];
    if (m_rows.GetText(row, kColumnProcessId, text, sizeof text) <= 0)
        return 0;
    return ParseLeadingInt(text);
}

bool CProcessList::IsProcessNotListed(int processId) const
{
    for (int row = 0, n = m_rows.GetCount(); row < n; ++row) {
        if (GetRowProcessID(row) == processId)
            return false;
    }
    return true;
}

bool CProcessList::SetCellText(int row, int col, const char* text)
{
    char current[kCellBytes];
    m_rows.GetText(row, col, current, sizeof current);
    if (strcmp(current, text) == 0)
        return false;
    m_rows.SetText(row, col, text);
    return true;
}

void CProcessList::AddNewProcesses()
{
    const ProcessItem* table = nullptr;
    int count = m_system.SnapshotProcesses(&table);

    // 9x hands an ended process's number to a new process at once. A listed number whose
    // process now has another image name is that new process: the row takes its name and its
    // heap is walked now; the level and thread count follow in this refresh anyway. The
    // snapshot's positions, ordered by process number, find each row's process.
    m_byNumber.clear();
    for (int i = 0; i < count; ++i)
        m_byNumber.push_back(static_cast<uint32_t>(i));
    auto idAt = [table](uint32_t i) { return static_cast<uint32_t>(table[i].dwProcessID); };
    std::sort(m_byNumber.begin(), m_byNumber.end(), [&](uint32_t a, uint32_t b) { return idAt(a) < idAt(b); });
    for (size_t row = 0; row < m_rowIds.size(); ++row) {
        uint32_t id = m_rowIds[row];
        auto at = std::lower_bound(m_byNumber.begin(), m_byNumber.end(), id,
                                   [&](uint32_t i, uint32_t value) { return idAt(i) < value; });
        if (at == m_byNumber.end() || idAt(*at) != id)
            continue;
        if (SetCellText(static_cast<int>(row), kColumnImage, table[*at].szExeFile))
            WalkHeapOf(static_cast<int>(row), id);
    }

    m_listed.assign(m_rowIds.begin(), m_rowIds.end());
    std::sort(m_listed.begin(), m_listed.end());

    for (int i = 0; i < count; ++i) {
        uint32_t id = static_cast<uint32_t>(table[i].dwProcessID);
        auto at = std::lower_bound(m_listed.begin(), m_listed.end(), id);
        if (at != m_listed.end() && *at == id)
            continue;
        m_listed.insert(at, id);

        int row = m_rows.Insert(kInsertIndex, table[i].szExeFile, -1);
        if (row < 0)
            continue;
        char number[12];
        FormatInt(number, sizeof number, static_cast<int>(id));
        m_rows.SetText(row, kColumnProcessId, number);
        if (static_cast<size_t>(row) <= m_rowIds.size())
            m_rowIds.insert(m_rowIds.begin() + row, id);
        // The heap step that follows in this refresh visits index i.
        m_nHeapRow = i - 1;
    }
}

void CProcessList::UpdateThreadCounts()
{
    // One system-wide thread snapshot serves every row. Without one, the rows are left as they
    // are rather than all taken for ended.
    if (!m_system.SnapshotThreadOwners(m_owners))
        return;
    std::sort(m_owners.begin(), m_owners.end());
    for (int row = 0; row < m_rows.GetCount() && static_cast<size_t>(row) < m_rowIds.size();) {
        uint32_t id = m_rowIds[static_cast<size_t>(row)];
        auto range = std::equal_range(m_owners.begin(), m_owners.end(), id);
        int threads = static_cast<int>(range.second - range.first);
        if (threads == 0) {
            // The process has ended; the row moving into this place is examined next.
            if (m_rows.Delete(row))
                m_rowIds.erase(m_rowIds.begin() + row);
            else
                ++row;
            continue;
        }
        char text[12];
        FormatInt(text, sizeof text, threads);
        SetCellText(row, kColumnThreads, text);
        ++row;
    }
}

void CProcessList::UpdateNextHeapSize()
{
    int row = NextHeapRow();
    if (row < 0)
        return;
    WalkHeapOf(row, static_cast<uint32_t>(GetRowProcessID(row)));
    if (m_pWorker && !m_heapQueue.empty())
        m_pWorker->Wake();
}

void CProcessList::StartHeapPass()
{
    m_nPassStep = 0;
    if (m_pWorker)
        m_pWorker->Wake();
}

bool CProcessList::TakeHeapWalk(uint32_t* processId)
{
    if (!m_heapQueue.empty()) {
        *processId = m_heapQueue.front();
        m_heapQueue.erase(m_heapQueue.begin());
        return true;
    }
    if (m_nPassStep < 0)
        return false;
    int row = -1;
    if (m_nPassStep < m_rows.GetCount())
        row = NextHeapRow();
    if (row < 0) {
        m_nPassStep = -1;
        return false;
    }
    ++m_nPassStep;
    *processId = static_cast<uint32_t>(GetRowProcessID(row));
    return true;
}

void CProcessList::SetHeapSize(uint32_t processId, int sizeK)
{
    for (int row = 0, n = m_rows.GetCount(); row < n; ++row) {
        if (static_cast<uint32_t>(GetRowProcessID(row)) == processId) {
            WriteHeapSize(row, sizeK);
            return;
        }
    }
}

void CProcessList::WalkHeapOf(int row, uint32_t processId)
{
    if (!m_pWorker) {
        WriteHeapSize(row, HeapSizeK(m_system, processId));
        return;
    }
    if (m_heapQueue.size() < kMaxQueuedWalks &&
        std::find(m_heapQueue.begin(), m_heapQueue.end(), processId) == m_heapQueue.end())
        m_heapQueue.push_back(processId);
}

int CProcessList::NextHeapRow()
{
    int count = m_rows.GetCount();
    ++m_nHeapRow;
    if (m_nHeapRow >= count || m_nHeapRow < 0)
        m_nHeapRow = 0;
    return count == 0 ? -1 : m_nHeapRow;
}

void CProcessList::WriteHeapSize(int row, int sizeK)
{
    char text[20];
    snprintf(text, sizeof text, "%d K", sizeK);
    SetCellText(row, kColumnHeap, text);
}

void CProcessList::UpdatePriorities()
{
    int n = m_rows.GetCount();
    for (int row = 0; row < n && static_cast<size_t>(row) < m_rowIds.size(); ++row)
        SetCellText(row, kColumnLevel, PriorityName(m_system.GetPriorityClass(m_rowIds[static_cast<size_t>(row)])));
}

void CProcessList::EndSelectedProcess()
{
    int row = GetSelectedRow();
    if (row < 0)
        return;
    if (m_system.Terminate(static_cast<uint32_t>(GetRowProcessID(row))))
        m_rows.Delete(row);
}

void CProcessList::SetSelectedPriority(unsigned command)
{
    int row = GetSelectedRow();
    uint32_t cls = PriorityClassOfCommand(command);
    if (row < 0 || cls == 0)
        return;
    m_system.SetPriorityClass(static_cast<uint32_t>(GetRowProcessID(row)), cls);
}

unsigned CProcessList::SelectedPriorityCommand()
{
    int row = GetSelectedRow();
    if (row < 0)
        return 0;
    return PriorityCommand(m_system.GetPriorityClass(static_cast<uint32_t>(GetRowProcessID(row))));
}
