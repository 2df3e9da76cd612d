#include "process/ProcessTables.h"
#include "common/TextUtil.h"
#include <string.h>

void CopyImageName(char (&dst)[kMaxPathBytes], const char* path)
{
    dst[0] = '\0';
    if (!path)
        return;
    int offset = GetFileNameOffset(path);
    const char* name = offset < 0 ? path : path + offset;
    size_t n = FitCharacters(name, kMaxPathBytes - 1);
    memcpy(dst, name, n);
    dst[n] = '\0';
}

bool AddProcessRow(ProcessItem* rows, int& count, unsigned long id, const char* path)
{
    if (count < 0 || count >= kMaxProcesses)
        return false;
    ProcessItem& row = rows[count++];
    row.dwProcessID = id;
    CopyImageName(row.szExeFile, path);
    return true;
}

int EntriesFromBytes(unsigned long bytes, int capacity)
{
    unsigned long n = bytes / 4;
    return n > static_cast<unsigned long>(capacity) ? capacity : static_cast<int>(n);
}
