// The module total kept by process, counted again in turn.
#include "perf/ModuleTotal.h"
#include <string.h>

int CModuleTotal::FindPrevious(unsigned long id, int hint) const
{
    // Snapshots mostly list the processes in the same order: look where it was first.
    if (hint < m_nPrevious && m_previous[hint].id == id)
        return hint;
    for (int i = 0; i < m_nPrevious; ++i) {
        if (m_previous[i].id == id)
            return i;
    }
    return -1;
}

void CModuleTotal::Count(Entry& entry, int64_t now, IModuleCounter& counter, IFineClock& clock)
{
    int64_t start = clock.Microseconds();
    int modules = counter.CountModules(static_cast<uint32_t>(entry.id));
    int64_t cost = clock.Microseconds() - start;
    if (cost < kModuleCountMinCost)
        cost = kModuleCountMinCost;
    entry.modules = modules < 0 ? 0 : modules > kMaxModules ? kMaxModules : modules;
    entry.counted = now;
    m_nCountCost = m_nCountCost ? (3 * m_nCountCost + cost) / 4 : cost;
    m_nBudget -= cost;
    if (m_nBudget < -kModuleCountBudget)
        m_nBudget = -kModuleCountBudget;
}

int CModuleTotal::Update(const ProcessItem* rows, int count, IModuleCounter& counter, IFineClock& clock)
{
    int64_t now = clock.Microseconds();
    int64_t gap = m_bUpdated ? now - m_nLastUpdate : 0;
    if (gap < 0)
        gap = 0;
    if (gap > kModuleRecountBound)
        gap = kModuleRecountBound;
    m_bUpdated = true;
    m_nLastUpdate = now;

    // The processes of this snapshot: those seen before keep their count, unless the number now
    // belongs to another program; new ones are counted at once.
    memcpy(m_previous, m_entries, sizeof(Entry) * static_cast<size_t>(m_nEntries));
    m_nPrevious = m_nEntries;
    m_nEntries = 0;
    for (int i = 0; i < count && m_nEntries < kMaxProcesses; ++i) {
        Entry& entry = m_entries[m_nEntries++];
        int previous = FindPrevious(rows[i].dwProcessID, i);
        if (previous >= 0 && strcmp(m_previous[previous].name, rows[i].szExeFile) == 0) {
            entry = m_previous[previous];
            continue;
        }
        entry.id = rows[i].dwProcessID;
        memcpy(entry.name, rows[i].szExeFile, sizeof entry.name);
        entry.name[sizeof entry.name - 1] = '\0';
        Count(entry, now, counter, clock);
    }

    // The running processes, counted again oldest first: those whose count would be too old by
    // the next refresh, the share that spreads one turn over the time the bound leaves, and more
    // while the spare budget lasts.
    int64_t oldest = kModuleRecountBound - gap;  // the age at which a count is taken again at the latest
    m_nPaceCredit += gap * m_nEntries;
    if (m_nPaceCredit > oldest * m_nEntries)
        m_nPaceCredit = oldest * m_nEntries;
    m_nBudget += gap * kModuleCountBudget / 1000000;
    if (m_nBudget > kModuleCountBudget)
        m_nBudget = kModuleCountBudget;
    for (;;) {
        Entry* next = nullptr;
        for (int i = 0; i < m_nEntries; ++i) {
            if (m_entries[i].counted < now && (!next || m_entries[i].counted < next->counted))
                next = &m_entries[i];
        }
        if (!next)
            break;
        bool due = now - next->counted >= oldest;
        bool paced = oldest > 0 && m_nPaceCredit >= oldest;
        bool spare = m_nBudget >= m_nCountCost;
        if (!due && !paced && !spare)
            break;
        Count(*next, now, counter, clock);
        m_nPaceCredit = m_nPaceCredit > oldest ? m_nPaceCredit - oldest : 0;
    }

    int total = 0;
    for (int i = 0; i < m_nEntries; ++i)
        total += m_entries[i].modules;
    return total;
}

bool CModuleCountCache::Find(uint32_t id, uint64_t size, uint32_t nowMs, int* count) const
{
    for (const Slot& slot : m_slots) {
        if (slot.used && slot.id == id) {
            if (slot.size != size || nowMs - slot.countedMs >= static_cast<uint32_t>(kMaxAgeMs))
                return false;
            *count = slot.count;
            return true;
        }
    }
    return false;
}

void CModuleCountCache::Store(uint32_t id, uint64_t size, uint32_t nowMs, int count)
{
    Slot* target = nullptr;
    for (Slot& slot : m_slots) {
        if (slot.used && slot.id == id) {
            target = &slot;
            break;
        }
        if (!slot.used && !target)
            target = &slot;
    }
    if (!target) {
        target = &m_slots[m_nNext];
        m_nNext = (m_nNext + 1) % kMaxProcesses;
    }
    *target = Slot{true, id, size, nowMs, count};
}
