#include "protect/Takeover.h"

void DemoteProcesses(IProcessPriorities& system, std::vector<SAVED_PRIORITY>& saved)
{
    saved.clear();
    std::vector<uint32_t> ids;
    system.ListProcesses(ids);
    system.SetOwnClass(kRealtimePriorityClass);
    uint32_t own = system.OwnProcessId();
    for (uint32_t id : ids) {
        if (id == own)
            continue;
        uint32_t before = system.ExchangeClass(id, kIdlePriorityClass);
        saved.push_back(SAVED_PRIORITY{id, before});
    }
}

void RestoreProcesses(IProcessPriorities& system, const std::vector<SAVED_PRIORITY>& saved)
{
    system.SetOwnClass(kHighPriorityClass);
    for (const SAVED_PRIORITY& record : saved) {
        if (record.dwPriorityClass == 0)
            continue;  // its class was never read, so it was never lowered
        system.SetClass(record.dwProcessId, record.dwPriorityClass);
    }
}
