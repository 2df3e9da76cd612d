// Counters of the dynamic registry, and the system calls that stand in where it has none.
#include "perf/StatCounters.h"
#include <string.h>

const char kStatCpuUsage[] = "KERNEL\\CPUUsage";
const char kStatThreads[] = "KERNEL\\Threads";
const char kStatPagesFree[] = "VMM\\cpgFree";
const char kStatPagesLocked[] = "VMM\\cpgLocked";

namespace {
const char kStartKey[] = "PerfStats\\StartStat";
const char kDataKey[] = "PerfStats\\StatData";
const char kStopKey[] = "PerfStats\\StopStat";

void StoreInt32(unsigned char* buffer, int32_t value)
{
    uint32_t u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        buffer[i] = static_cast<unsigned char>(u >> (8 * i));
}
}  // namespace

void CDynDataCounters::Start(const char* name)
{
    // Querying a value under the start key is what starts the statistic; the data is of no use.
    unsigned char buffer[kStatBufferSize];
    uint32_t size = sizeof buffer;
    m_registry.QueryValue(RegRoot::DynData, kStartKey, name, buffer, &size);
}

void CDynDataCounters::Stop(const char* name)
{
    unsigned char buffer[kStatBufferSize];
    uint32_t size = sizeof buffer;
    m_registry.QueryValue(RegRoot::DynData, kStopKey, name, buffer, &size);
}

bool CDynDataCounters::Query(const char* name, unsigned char* buffer, uint32_t size)
{
    return m_registry.QueryValue(RegRoot::DynData, kDataKey, name, buffer, &size);
}

int CpuPercentBetween(uint64_t idle0, uint64_t kernel0, uint64_t user0, uint64_t idle1, uint64_t kernel1,
                      uint64_t user1)
{
    if (idle1 < idle0 || kernel1 < kernel0 || user1 < user0)
        return -1;
    uint64_t total = (kernel1 - kernel0) + (user1 - user0);
    uint64_t idle = idle1 - idle0;
    if (total < kMinCpuSpan)
        return -1;
    if (idle > total)
        idle = total;
    return static_cast<int>((total - idle) * 100 / total);
}

void CFallbackCounters::Start(const char* name)
{
    m_primary.Start(name);
    if (strcmp(name, kStatCpuUsage) == 0) {
        int ignored;
        SampleCpu(&ignored);  // the first reading: the base of the first difference
    }
}

bool CFallbackCounters::SampleCpu(int* percent)
{
    uint64_t idle, kernel, user;
    if (!m_system.GetSystemTimes(&idle, &kernel, &user))
        return false;
    if (m_bHaveSample) {
        int p = CpuPercentBetween(m_idle, m_kernel, m_user, idle, kernel, user);
        if (p < 0 && idle >= m_idle && kernel >= m_kernel && user >= m_user) {
            // Too soon after the last reading: keep its base and repeat the last figure.
            *percent = m_nLastPercent;
            return true;
        }
        if (p >= 0)
            m_nLastPercent = p;
    }
    m_bHaveSample = true;
    m_idle = idle;
    m_kernel = kernel;
    m_user = user;
    *percent = m_nLastPercent;
    return true;
}

bool CFallbackCounters::QueryPrimary(const char* name, unsigned char* buffer, uint32_t size)
{
    if (!m_pClock)
        return m_primary.Query(name, buffer, size);
    int64_t now = m_pClock->Microseconds();
    Miss* miss = nullptr;
    Miss* free = nullptr;
    for (Miss& m : m_misses) {
        if (m.name[0] && strcmp(m.name, name) == 0)
            miss = &m;
        else if (!m.name[0] && !free)
            free = &m;
    }
    // A clock that went back asks at once.
    if (miss && now >= miss->at && now - miss->at < kRegistryRetryUs)
        return false;
    if (m_primary.Query(name, buffer, size)) {
        if (miss)
            miss->name[0] = '\0';
        return true;
    }
    if (!miss)
        miss = free;
    if (miss && strlen(name) < sizeof miss->name) {
        strcpy(miss->name, name);
        miss->at = now;
    }
    return false;
}

bool CFallbackCounters::Query(const char* name, unsigned char* buffer, uint32_t size)
{
    if (QueryPrimary(name, buffer, size))
        return true;
    if (size < 4)
        return false;
    int value;
    if (strcmp(name, kStatCpuUsage) == 0) {
        if (!SampleCpu(&value))
            return false;
    } else if (strcmp(name, kStatThreads) == 0) {
        if (!m_system.CountThreads(&value))
            return false;
    } else {
        return false;  // the page counts have no stand-in: they read 0
    }
    StoreInt32(buffer, value);
    return true;
}
