// The fixed-capacity tables of a process snapshot and the bounded writes that fill them. No
// platform calls here: the platform paths in Process.cpp feed these from tool-help or psapi.
#pragma once
#include <stddef.h>
#include <stdint.h>

// One row of the process table: the process number (unsigned long is the platform's 32-bit
// DWORD) and the image name, the file name of the process's program.
struct ProcessItem {
    unsigned long dwProcessID;
    char szExeFile[80];
};

enum { kMaxProcesses = 255, kMaxModules = 250, kMaxPathBytes = 80 };

// Copies the file name of a full path into an 80-byte field. The name is split off the whole
// path (9x snapshots hold up to 259 bytes) and only then cut to 79 bytes, never inside a
// double-byte character; the field is always terminated. A null path leaves it empty.
void CopyImageName(char (&dst)[kMaxPathBytes], const char* path);

// Appends a row to a table of kMaxProcesses rows. Returns false, writing nothing, when the
// table is already full (the caller's walk should stop there).
bool AddProcessRow(ProcessItem* rows, int& count, unsigned long id, const char* path);

// Number of 4-byte entries in a byte count a system call returned, never more than capacity.
int EntriesFromBytes(unsigned long bytes, int capacity);

// Whether the last full process list may serve again. Under Wine a full list reads several
// files of /proc for every process and every thread, while the size it would take is one request
// to the server. That size counts the processes, their threads and the lengths of their image
// paths, so an equal size means the same processes with the same threads, unless in between one
// process ended and another of exactly its size started: a full list is taken again at least
// every kMaxAgeMs all the same. A list whose size was found unchanged less than kFreshMs ago
// serves without asking again (the status bar's tick that follows the Performance page's
// refresh). Times are system ticks in ms (wrapping).
class CListReuse {
public:
    enum { kMaxAgeMs = 1000, kFreshMs = 20 };
    // True when the list may serve without even its size being asked.
    bool Fresh(uint32_t nowMs) const { return m_bTaken && nowMs - m_nCheckedMs < static_cast<uint32_t>(kFreshMs); }
    // True when a list of the same size as the last full one, taken less than kMaxAgeMs ago, may
    // serve; its size counts as checked at nowMs.
    bool MayReuse(uint32_t size, uint32_t nowMs)
    {
        if (!m_bTaken || size != m_nSize || nowMs - m_nTakenMs >= static_cast<uint32_t>(kMaxAgeMs))
            return false;
        m_nCheckedMs = nowMs;
        return true;
    }
    // A full list was taken at nowMs, after its size was asked and found to be `size`.
    void Taken(uint32_t size, uint32_t nowMs)
    {
        m_bTaken = true;
        m_nSize = size;
        m_nTakenMs = nowMs;
        m_nCheckedMs = nowMs;
    }
    void Forget() { m_bTaken = false; }

private:
    bool m_bTaken = false;
    uint32_t m_nSize = 0;
    uint32_t m_nTakenMs = 0;
    uint32_t m_nCheckedMs = 0;
};
