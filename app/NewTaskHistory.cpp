#include "app/NewTaskHistory.h"
#include <stdio.h>
#include <string.h>

namespace {

void ValueName(char* buf, size_t cap, int index)
{
    snprintf(buf, cap, "NewTask%d", index);
}

}  // namespace

std::vector<std::string> LoadNewTaskHistory(CSysRegInfo& store)
{
    std::vector<std::string> history;
    for (int i = 0;; ++i) {
        char name[24];
        char text[CSysRegInfo::ValueSize];
        ValueName(name, sizeof name, i);
        if (!store.GetRegValue(name, text, sizeof text))
            break;
        history.push_back(text);
    }
    return history;
}

bool ShouldRecordNewTask(const char* command, const char* mostRecent)
{
    if (!command[0])
        return false;
    if (!mostRecent)
        return true;
    return strncmp(mostRecent, command, strlen(command)) != 0;
}

bool RecordNewTask(CSysRegInfo& store, const char* command, const char* mostRecent)
{
    if (!ShouldRecordNewTask(command, mostRecent))
        return false;
    for (int i = kNewTaskHistoryMax - 2; i >= 0; --i) {
        char from[24], to[24];
        char text[CSysRegInfo::ValueSize];
        ValueName(from, sizeof from, i);
        ValueName(to, sizeof to, i + 1);
        if (store.GetRegValue(from, text, sizeof text))
            store.SetRegValue(to, text);
    }
    store.SetRegValue("NewTask0", command);
    return true;
}

bool ShellOpenSucceeded(intptr_t result)
{
    return result > 32;
}
