// The new-task dialog's command history: values "NewTask0" (most recent) to "NewTask20" in the
// settings key. Readers stop at the first missing value.
#pragma once
#include "app/SysRegInfo.h"
#include <stdint.h>
#include <string>
#include <vector>

const int kNewTaskHistoryMax = 21;

// The history, most recent first, as far as it can be read without a gap.
std::vector<std::string> LoadNewTaskHistory(CSysRegInfo& store);

// True when the shell's answer to "Open" says the command started: above 32. 32 itself is
// SE_ERR_DLLNOTFOUND, a program one of whose libraries is missing.
bool ShellOpenSucceeded(intptr_t result);

// True when a command that just succeeded enters the history: it does not when the most recent
// entry (as loaded when the dialog opened; nullptr for an empty history) begins with it, which
// also keeps an empty command out.
bool ShouldRecordNewTask(const char* command, const char* mostRecent);

// Records a successful command: shifts NewTask0..19 one place down and writes it as NewTask0,
// unless ShouldRecordNewTask says no. Returns whether it was recorded.
bool RecordNewTask(CSysRegInfo& store, const char* command, const char* mostRecent);
