// The new-task history and its prefix rule, and the Applications page's title rules, over texts
// of any length and bytes (invalid GBK included).
#include "app/NewTaskHistory.h"
#include "apps/MemoryTopWindows.h"
#include "apps/TaskList.h"
#include "common/MemoryListRows.h"
#include "common/MemoryRegistry.h"
#include <stdint.h>
#include <stdlib.h>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\n') {
            parts.push_back(bytes.substr(start, i - start));
            start = i + 1;
        }
    }

    // History: stored entries of any shape, with gaps; the command is the first part.
    MemoryRegistry registry;
    registry.CreateKey(RegRoot::LocalMachine, KORVANE_KEY);
    for (size_t i = 1; i < parts.size() && i < 30; ++i) {
        if (!parts[i].empty() && parts[i][0] == '#')
            continue;  // a gap
        registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "NewTask" + std::to_string(i - 1), parts[i]);
    }
    CSysRegInfo store(registry);
    store.SetRegSection(KORVANE_KEY);
    std::vector<std::string> history = LoadNewTaskHistory(store);
    if (history.size() > 30)
        abort();
    std::string command = parts[0].substr(0, parts[0].find('\0'));
    const char* recent = history.empty() ? nullptr : history[0].c_str();
    bool recorded = RecordNewTask(store, command.c_str(), recent);
    if (recorded && command.empty())
        abort();  // an empty command never enters the history
    if (recorded && LoadNewTaskHistory(store).at(0) != command)
        abort();  // a recorded command is the most recent entry
    if (registry.HasValue(RegRoot::LocalMachine, KORVANE_KEY, "NewTask21") != (parts.size() > 22 && parts[22][0] != '#'))
        abort();  // nothing beyond NewTask20 is ever written

    // Titles: windows named by every part, listed, retitled and removed.
    MemoryTopWindows windows;
    MemoryListRows rows;
    MemoryIconImages images;
    CTaskList list(rows, windows, images);
    int handle = 100;
    for (const std::string& part : parts)
        windows.Add(handle++, part.substr(0, part.find('\0')));
    list.RefreshWindowList();
    for (auto& w : windows.windows)
        w.title = w.title.empty() ? std::string(1500, 'x') : w.title.substr(0, w.title.size() / 2);
    list.RefreshWindowList();
    if (!windows.windows.empty())
        windows.Destroy(windows.windows.front().handle);
    list.RefreshWindowList();
    for (int r = 0; r < rows.GetCount(); ++r) {
        if (rows.Cell(r, 0).size() > 1023)
            abort();  // titles are read through 1024-byte buffers
        (void)CTaskList::IsExcludedTitle(rows.Cell(r, 0).c_str());
    }
    return 0;
}
