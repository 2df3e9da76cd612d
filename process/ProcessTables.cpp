#include "process/ProcessTables.h"
#include <string.h>

void CopyPathField(char (&dst)[kMaxPathBytes], const char* src)
{
    dst[0] = '\0';
    if (!src)
        return;
    size_t n = 0;
    while (n < kMaxPathBytes - 1 && src[n])
        ++n;
    memcpy(dst, src, n);
    dst[n] = '\0';
}

bool AddProcessRow(ProcessItem* rows, int& count, unsigned long id, const char* path)
{
    if (count < 0 || count >= kMaxProcesses)
        return false;
    ProcessItem& row = rows[count++];
    row.dwProcessID = id;
    CopyPathField(row.szExeFile, path);
    return true;
}

int EntriesFromBytes(unsigned long bytes, int capacity)
{
    unsigned long n = bytes / 4;
    return n > static_cast<unsigned long>(capacity) ? capacity : static_cast<int>(n);
}
