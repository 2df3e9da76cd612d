// CProcess on both platform families under Wine. The test runs in the prefix's Windows 98 mode
// and takes 9x snapshots (tool-help); it starts a copy of itself that Wine runs as Windows XP
// (per-application version), where CProcess takes the psapi path, and compares the process
// numbers the two paths report.
#include "process/Process.h"
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

const char kProbeName[] = "process_nt_probe.exe";
int g_failures = 0;

#define CHECK(cond, ...)                                  \
    do {                                                  \
        if (!(cond)) {                                    \
            ++g_failures;                                 \
            printf("FAIL %s:%d: %s: ", __FILE__, __LINE__, #cond); \
            printf(__VA_ARGS__);                          \
            printf("\n");                                 \
        }                                                 \
    } while (0)

std::set<unsigned long> Ids(const CProcess& p)
{
    std::set<unsigned long> ids;
    for (int i = 0; i < p.m_nProcessCount; ++i)
        ids.insert(p.m_pProcessList[i].dwProcessID);
    return ids;
}

std::string Join(const std::set<unsigned long>& ids)
{
    std::string s;
    for (unsigned long id : ids)
        s += std::to_string(id) + " ";
    return s;
}

bool EndsWithNoCase(const char* text, const char* tail)
{
    size_t n = strlen(text), m = strlen(tail);
    return n >= m && lstrcmpiA(text + n - m, tail) == 0;
}

bool RowsZeroFrom(const CProcess& p, int from)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(p.m_pProcessList + from);
    size_t n = sizeof(ProcessItem) * static_cast<size_t>(CProcess::MaxProcesses - from);
    return std::all_of(bytes, bytes + n, [](unsigned char b) { return b == 0; });
}

// Module checks shared by both families: the own module list and the import walk.
void CheckModules(CProcess& p, const char* family)
{
    HMODULE self = GetModuleHandleA(nullptr);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    p.GetModuleStatue();
    CHECK(p.m_nModuleCount > 1 && p.m_nModuleCount <= CProcess::MaxModules, "%s: %d modules", family,
          p.m_nModuleCount);
    CHECK(p.ModlesInList(self), "%s: own module missing from the module list", family);

    p.EnumAllModules(self);
    CHECK(p.m_nModuleCount > 0, "%s: import walk found nothing", family);
    CHECK(!p.ModlesInList(self), "%s: import walk listed the start module", family);
    CHECK(p.ModlesInList(kernel), "%s: import walk missed kernel32", family);
    std::set<HMODULE> distinct(p.m_hModules, p.m_hModules + p.m_nModuleCount);
    CHECK(static_cast<int>(distinct.size()) == p.m_nModuleCount, "%s: duplicates in the import walk", family);
    CHECK(!distinct.count(nullptr), "%s: null handle in the import walk", family);
}

int Probe(const char* outPath)
{
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    GetVersionExA(&vi);
    CProcess nt;
    CHECK(vi.dwPlatformId == VER_PLATFORM_WIN32_NT, "probe platform id %lu", vi.dwPlatformId);
    CHECK(nt.IsWin32(), "CProcess did not choose the NT path on an NT platform");
    nt.GetProccesStatue();
    CProcess toolhelp(false);
    toolhelp.GetProccesStatue();

    bool foundSelf = false;
    for (int i = 0; i < nt.m_nProcessCount; ++i) {
        const ProcessItem& row = nt.m_pProcessList[i];
        if (row.dwProcessID == GetCurrentProcessId()) {
            foundSelf = true;
            CHECK(EndsWithNoCase(row.szExeFile, kProbeName) && strchr(row.szExeFile, '\\'),
                  "NT path of the probe: \"%s\"", row.szExeFile);
        }
    }
    CHECK(foundSelf, "the probe is missing from its own NT snapshot");
    CHECK(Ids(nt) == Ids(toolhelp), "NT path {%s} vs tool-help {%s} in NT mode", Join(Ids(nt)).c_str(),
          Join(Ids(toolhelp)).c_str());
    CHECK(RowsZeroFrom(nt, nt.m_nProcessCount), "rows past the count are not cleared");

    char name[CProcess::MaxPath];
    HANDLE hSelf = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, GetCurrentProcessId());
    nt.GetModuleName(hSelf, GetModuleHandleA(nullptr), name);
    CloseHandle(hSelf);
    CHECK(EndsWithNoCase(name, kProbeName), "NT module name \"%s\"", name);
    CheckModules(nt, "NT");

    FILE* out = fopen(outPath, "w");
    if (!out)
        return 2;
    for (unsigned long id : Ids(nt))
        fprintf(out, "%lu\n", id);
    fclose(out);
    return g_failures ? 1 : 0;
}

bool RunProbe(const std::string& probePath, const std::string& outPath, DWORD& probeId, DWORD& exitCode)
{
    std::string cmd = "\"" + probePath + "\" --probe \"" + outPath + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    probeId = pi.dwProcessId;
    WaitForSingleObject(pi.hProcess, 60000);
    exitCode = 259;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

std::set<unsigned long> ReadIds(const std::string& path)
{
    std::set<unsigned long> ids;
    FILE* in = fopen(path.c_str(), "r");
    if (!in)
        return ids;
    unsigned long id;
    while (fscanf(in, "%lu", &id) == 1)
        ids.insert(id);
    fclose(in);
    return ids;
}

int Main()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dir(self, strrchr(self, '\\'));
    std::string probe = dir + "\\" + kProbeName;
    std::string outPath = dir + "\\process_nt_probe.txt";

    CProcess p9;
    CHECK(!p9.IsWin32(), "the prefix is expected to run as Windows 98");
    CheckModules(p9, "9x");

    // Wine runs the probe as Windows XP.
    HKEY key;
    std::string appKey = std::string("Software\\Wine\\AppDefaults\\") + kProbeName;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, appKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("winxp"), 6);
        RegCloseKey(key);
    }
    CHECK(CopyFileA(self, probe.c_str(), FALSE), "copy to %s", probe.c_str());

    // A snapshot taken while an extra process lives, then one after it ended: the ended
    // process is gone and the rows past the new count are cleared.
    {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        std::string cmd = "\"" + probe + "\" --idle";
        std::vector<char> line(cmd.begin(), cmd.end());
        line.push_back('\0');
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si,
                           &pi)) {
            p9.GetProccesStatue();
            CHECK(Ids(p9).count(pi.dwProcessId), "suspended child %lu missing", pi.dwProcessId);
            TerminateProcess(pi.hProcess, 0);
            WaitForSingleObject(pi.hProcess, 10000);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
            int before = p9.m_nProcessCount;
            p9.GetProccesStatue();
            CHECK(!Ids(p9).count(pi.dwProcessId), "ended child %lu still listed", pi.dwProcessId);
            CHECK(p9.m_nProcessCount < before, "count %d after %d", p9.m_nProcessCount, before);
            CHECK(RowsZeroFrom(p9, p9.m_nProcessCount), "rows past the count are not cleared");
        } else {
            CHECK(false, "could not start the child");
        }
    }

    // The same process numbers from both families. Other processes may come and go meanwhile:
    // retry until the 9x snapshots before and after the probe agree.
    bool compared = false;
    for (int attempt = 0; attempt < 5 && !compared; ++attempt) {
        DeleteFileA(outPath.c_str());
        p9.GetProccesStatue();
        std::set<unsigned long> before = Ids(p9);
        DWORD probeId = 0, exitCode = 0;
        if (!RunProbe(probe, outPath, probeId, exitCode)) {
            CHECK(false, "could not start the probe");
            break;
        }
        p9.GetProccesStatue();
        std::set<unsigned long> after = Ids(p9);
        if (before != after)
            continue;
        compared = true;
        printf("9x path: %u processes {%s}; probe %lu\n", static_cast<unsigned>(before.size()), Join(before).c_str(),
               probeId);
        CHECK(exitCode == 0, "probe exit code %lu", exitCode);
        std::set<unsigned long> nt = ReadIds(outPath);
        printf("NT path: {%s}\n", Join(nt).c_str());
        std::set<unsigned long> expected = before;
        expected.insert(probeId);
        CHECK(nt == expected, "NT path {%s} vs 9x path {%s} + probe %lu", Join(nt).c_str(), Join(before).c_str(),
              probeId);
        for (int i = 0; i < p9.m_nProcessCount; ++i)
            CHECK(p9.m_pProcessList[i].szExeFile[0] != '\0', "9x row %d has no name", i);
    }
    CHECK(compared, "the process set never held still");
    DeleteFileA(outPath.c_str());
    DeleteFileA(probe.c_str());
    printf("%s: %d failure(s)\n", g_failures ? "FAILED" : "PASSED", g_failures);
    return g_failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && strcmp(argv[1], "--probe") == 0)
        return Probe(argv[2]);
    if (argc >= 2 && strcmp(argv[1], "--idle") == 0) {
        Sleep(60000);
        return 0;
    }
    return Main();
}
