// The quick takeover's bookkeeping: every other process lowered to the idle class while the
// program runs in the real-time class, and each lowered process's class put back afterwards.
#pragma once
#include <stdint.h>
#include <vector>

// The quick takeover's record of one lowered process.
struct SAVED_PRIORITY {
    uint32_t dwProcessId;
    uint32_t dwPriorityClass;  // the class before the takeover; 0 when it could not be read
};

// The platform's priority-class values.
enum : uint32_t {
    kIdlePriorityClass = 0x40,
    kHighPriorityClass = 0x80,
    kRealtimePriorityClass = 0x100,
};

// The processes of the system as the takeover sees them. Every call on another process opens it
// (for query and set), does its work and closes it again.
class IProcessPriorities {
public:
    virtual ~IProcessPriorities() = default;
    virtual uint32_t OwnProcessId() = 0;
    // A fresh snapshot of the running processes' ids, in snapshot order.
    virtual void ListProcesses(std::vector<uint32_t>& ids) = 0;
    virtual void SetOwnClass(uint32_t priorityClass) = 0;
    // Reads the process's class and, when that worked, sets it to newClass. Returns the class
    // read, or 0 when the process could not be opened or its class could not be read.
    virtual uint32_t ExchangeClass(uint32_t processId, uint32_t newClass) = 0;
    // False when the process could not be opened (it has ended) or refused the class.
    virtual bool SetClass(uint32_t processId, uint32_t priorityClass) = 0;
};

// Takeover on: own process real-time, then every other process of a new snapshot idle, in
// snapshot order; `saved` is emptied first and then holds one record per lowered process.
void DemoteProcesses(IProcessPriorities& system, std::vector<SAVED_PRIORITY>& saved);

// Takeover off: own process back to the high class, then every saved class put back in the
// order of the records. A process that has ended meanwhile is skipped.
void RestoreProcesses(IProcessPriorities& system, const std::vector<SAVED_PRIORITY>& saved);
