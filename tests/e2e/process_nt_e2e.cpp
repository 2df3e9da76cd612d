// CProcess on both platform families under Wine. The test runs in the prefix's Windows 98 mode,
// where CProcess takes the tool-help path; a copy of it that Wine runs as Windows XP
// (per-program version) takes the psapi path and reports what it saw. Both must list the same
// process numbers.
#include "Harness.h"
#include "process/Process.h"
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace e2e;

namespace {

const char kProbeName[] = "process_nt_probe.exe";
typedef std::set<unsigned long> IdSet;

std::string OwnPath()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    return self;
}

std::string OwnFolder()
{
    std::string self = OwnPath();
    return self.substr(0, self.rfind('\\'));
}

IdSet Ids(const CProcess& p)
{
    IdSet ids;
    for (int i = 0; i < p.m_nProcessCount; ++i)
        ids.insert(p.m_pProcessList[i].dwProcessID);
    return ids;
}

std::string Join(const IdSet& ids)
{
    std::string s;
    for (unsigned long id : ids)
        s += (s.empty() ? "" : " ") + std::to_string(id);
    return s;
}

bool EndsWithNoCase(const std::string& text, const char* tail)
{
    size_t m = strlen(tail);
    return text.size() >= m && _stricmp(text.c_str() + text.size() - m, tail) == 0;
}

bool RowsZeroFrom(const CProcess& p, int from)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(p.m_pProcessList + from);
    size_t n = sizeof(ProcessItem) * static_cast<size_t>(CProcess::MaxProcesses - from);
    return std::all_of(bytes, bytes + n, [](unsigned char b) { return b == 0; });
}

// What a module listing and the import walk from the own module found.
struct ModuleReport {
    int listed = 0;
    bool selfListed = false;
    int walked = 0;
    bool walkDistinct = false;
    bool walkHasSelf = true;
    bool walkHasKernel = false;
};

ModuleReport CheckModules(CProcess& p)
{
    ModuleReport r;
    HMODULE self = GetModuleHandleA(nullptr);
    p.GetModuleStatue();
    r.listed = p.m_nModuleCount;
    r.selfListed = p.ModlesInList(self);
    p.EnumAllModules(self);
    r.walked = p.m_nModuleCount;
    std::set<HMODULE> distinct(p.m_hModules, p.m_hModules + p.m_nModuleCount);
    r.walkDistinct = static_cast<int>(distinct.size()) == p.m_nModuleCount && !distinct.count(nullptr);
    r.walkHasSelf = p.ModlesInList(self);
    r.walkHasKernel = p.ModlesInList(GetModuleHandleA("kernel32.dll"));
    return r;
}

// Run as the probe (under its own name, as Windows XP): writes "key value" lines next to itself
// and ends before the test runner starts.
int ProbeIfStartedAsProbe()
{
    std::string self = OwnPath();
    if (!EndsWithNoCase(self, kProbeName))
        return 0;
    FILE* out = fopen((self + ".txt").c_str(), "w");
    if (!out)
        ExitProcess(2);
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    GetVersionExA(&vi);
    CProcess nt;
    nt.GetProccesStatue();
    CProcess toolhelp(false);
    toolhelp.GetProccesStatue();
    fprintf(out, "platform %lu\nwin32 %d\n", vi.dwPlatformId, nt.IsWin32() ? 1 : 0);
    fprintf(out, "ids %s\ntoolhelp %s\n", Join(Ids(nt)).c_str(), Join(Ids(toolhelp)).c_str());
    fprintf(out, "cleared %d\n", RowsZeroFrom(nt, nt.m_nProcessCount) ? 1 : 0);
    for (int i = 0; i < nt.m_nProcessCount; ++i) {
        if (nt.m_pProcessList[i].dwProcessID == GetCurrentProcessId())
            fprintf(out, "path %s\n", nt.m_pProcessList[i].szExeFile);
    }
    char name[CProcess::MaxPath];
    HANDLE hSelf = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, GetCurrentProcessId());
    nt.GetModuleName(hSelf, GetModuleHandleA(nullptr), name);
    CloseHandle(hSelf);
    fprintf(out, "modname %s\n", name);
    ModuleReport r = CheckModules(nt);
    fprintf(out, "modules %d %d %d %d %d %d\n", r.listed, r.selfListed, r.walked, r.walkDistinct, r.walkHasSelf,
            r.walkHasKernel);
    fclose(out);
    ExitProcess(0);
}
const int g_probe = ProbeIfStartedAsProbe();

// Starts the probe as Windows XP and returns its report (empty when it could not run).
std::map<std::string, std::string> RunProbe(DWORD* probeId)
{
    std::map<std::string, std::string> report;
    std::string probe = OwnFolder() + "\\" + kProbeName;
    std::string out = probe + ".txt";
    DeleteFileA(out.c_str());
    if (!SetWineVersionFor(kProbeName, "winxp") || !CopyFileA(OwnPath().c_str(), probe.c_str(), FALSE))
        return report;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + probe + "\"";
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        *probeId = pi.dwProcessId;
        WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (FILE* f = fopen(out.c_str(), "r")) {
        char buf[4096];
        while (fgets(buf, sizeof buf, f)) {
            std::string l = buf;
            while (!l.empty() && (l.back() == '\n' || l.back() == '\r'))
                l.pop_back();
            size_t space = l.find(' ');
            report[l.substr(0, space)] = space == std::string::npos ? "" : l.substr(space + 1);
        }
        fclose(f);
    }
    DeleteFileA(out.c_str());
    DeleteFileA(probe.c_str());
    SetWineVersionFor(kProbeName, nullptr);
    return report;
}

}  // namespace

E2E_TEST(NtPathListsTheSameProcessNumbersAsThe9xPath)
{
    CProcess p9;
    CHECK_FALSE(p9.IsWin32());
    // Other processes may come and go meanwhile: compare when the 9x snapshots taken before and
    // after the probe agree.
    for (int attempt = 0; attempt < 5; ++attempt) {
        p9.GetProccesStatue();
        IdSet before = Ids(p9);
        DWORD probeId = 0;
        std::map<std::string, std::string> report = RunProbe(&probeId);
        p9.GetProccesStatue();
        if (Ids(p9) != before)
            continue;
        CHECK_EQ(report["platform"], std::string("2"));
        EXPECT_EQ(report["win32"], std::string("1"));
        IdSet expected = before;
        expected.insert(probeId);
        EXPECT_EQ(report["ids"], Join(expected));
        EXPECT_EQ(report["toolhelp"], report["ids"]);
        EXPECT_EQ(report["cleared"], std::string("1"));
        // The NT path, like the 9x one, keeps the file name split off the process's full path.
        EXPECT_TRUE(EndsWithNoCase(report["path"], kProbeName) && report["path"].find('\\') == std::string::npos);
        EXPECT_TRUE(EndsWithNoCase(report["modname"], kProbeName));
        int listed = 0, selfListed = 0, walked = 0, distinct = 0, walkSelf = 1, walkKernel = 0;
        EXPECT_EQ(sscanf(report["modules"].c_str(), "%d %d %d %d %d %d", &listed, &selfListed, &walked, &distinct,
                         &walkSelf, &walkKernel), 6);
        EXPECT_TRUE(listed > 1 && listed <= CProcess::MaxModules);
        EXPECT_EQ(selfListed, 1);
        EXPECT_TRUE(walked > 0);
        EXPECT_EQ(distinct, 1);
        EXPECT_EQ(walkSelf, 0);
        EXPECT_EQ(walkKernel, 1);
        // Every 9x row has a name.
        for (int i = 0; i < p9.m_nProcessCount; ++i)
            EXPECT_NE(std::string(p9.m_pProcessList[i].szExeFile), std::string());
        return;
    }
    EXPECT_TRUE(!"the process set never held still");
}

E2E_TEST(EndedProcessIsGoneFromTheNextSnapshotAndItsRowCleared)
{
    CProcess p9;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + OwnPath() + "\" NoSuchCase";
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    CHECK_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si,
                              &pi));
    p9.GetProccesStatue();
    int before = p9.m_nProcessCount;
    EXPECT_TRUE(Ids(p9).count(pi.dwProcessId));
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    p9.GetProccesStatue();
    EXPECT_FALSE(Ids(p9).count(pi.dwProcessId));
    EXPECT_TRUE(p9.m_nProcessCount < before);
    EXPECT_TRUE(RowsZeroFrom(p9, p9.m_nProcessCount));
}

E2E_TEST(ModuleListAndImportWalkOnThe9xPath)
{
    CProcess p9;
    ModuleReport r = CheckModules(p9);
    EXPECT_TRUE(r.listed > 1 && r.listed <= CProcess::MaxModules);
    EXPECT_TRUE(r.selfListed);
    EXPECT_TRUE(r.walked > 0);
    EXPECT_TRUE(r.walkDistinct);
    EXPECT_FALSE(r.walkHasSelf);
    EXPECT_TRUE(r.walkHasKernel);
    // 9x names only the calling process's modules; the executable is this program.
    char name[CProcess::MaxPath];
    p9.GetModuleName(nullptr, GetModuleHandleA(nullptr), name);
    EXPECT_TRUE(EndsWithNoCase(name, "process_nt_e2e.exe"));
}
