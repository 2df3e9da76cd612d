// The Win32 sides of the takeover's process table and of the program starter.
#pragma once
#include "protect/QuickShutdown.h"
#include "protect/Takeover.h"

class CWin32ProcessPriorities : public IProcessPriorities {
public:
    uint32_t OwnProcessId() override;
    void ListProcesses(std::vector<uint32_t>& ids) override;
    void SetOwnClass(uint32_t priorityClass) override;
    uint32_t ExchangeClass(uint32_t processId, uint32_t newClass) override;
    bool SetClass(uint32_t processId, uint32_t priorityClass) override;
};

class CWin32ProgramStarter : public IProgramStarter {
public:
    bool Start(const char* commandLine, int showCommand) override;
};
