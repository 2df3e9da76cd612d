// Test registry and runner of the end-to-end programs: runs every registered case in order
// (or those whose name contains argv[1]), prints each failure and a summary.
// A case that evaluates no check at all counts as failed: it proved nothing.
// A case that runs past its time limit is reported with the last check it reached, the program
// under test is ended, and the run fails: a hang never leaves a stray process behind.
#include "Check.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

namespace e2e {
namespace {

struct TestCase {
    const char* name;
    TestFn fn;
};

std::vector<TestCase>& Cases()
{
    static std::vector<TestCase> cases;
    return cases;
}

int g_checks = 0;
int g_failed = 0;
const char* g_current = "";
const char* volatile g_lastFile = "";
volatile int g_lastLine = 0;
volatile DWORD g_caseStart = 0;
volatile LONG g_inCase = 0;

// Seconds a single case may run; KORVANE_E2E_CASE_SECONDS overrides.
DWORD CaseLimitMs()
{
    char buf[16] = "";
    DWORD seconds = 150;
    if (GetEnvironmentVariableA("KORVANE_E2E_CASE_SECONDS", buf, sizeof buf) && atoi(buf) > 0)
        seconds = static_cast<DWORD>(atoi(buf));
    return seconds * 1000;
}

DWORD WINAPI Watchdog(LPVOID limit)
{
    const DWORD limitMs = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(limit));
    for (;;) {
        Sleep(500);
        if (!g_inCase || GetTickCount() - g_caseStart < limitMs)
            continue;
        printf("[ HUNG ] %s: still running after %lu s; the last check it reached: %s:%d\n", g_current,
               limitMs / 1000, g_lastFile[0] ? g_lastFile : "(none)", g_lastLine);
        DWORD stepMs = 0;
        if (const char* step = CurrentStep(&stepMs))
            printf("    in the harness: %s, for %lu ms\n", step, stepMs);
        fflush(stdout);
        OnCaseHung();
        printf("%s: the run ends here\n", g_current);
        fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

}  // namespace

TestRegistrar::TestRegistrar(const char* name, TestFn fn) { Cases().push_back({name, fn}); }

bool Report(bool ok, const char* file, int line, const std::string& what)
{
    ++g_checks;
    g_lastFile = file;
    g_lastLine = line;
    if (!ok) {
        ++g_failed;
        printf("%s:%d: FAILED in %s\n    %s\n", file, line, g_current, what.c_str());
        fflush(stdout);
    }
    return ok;
}

}  // namespace e2e

int main(int argc, char** argv)
{
    using namespace e2e;
    setvbuf(stdout, nullptr, _IONBF, 0);
    const char* filter = argc > 1 ? argv[1] : nullptr;
    BeforeAllTests();
    const DWORD limitMs = CaseLimitMs();
    HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(limitMs)), 0, nullptr);
    if (watchdog)
        CloseHandle(watchdog);
    int run = 0, failedCases = 0;
    for (const TestCase& tc : Cases()) {
        if (filter && !strstr(tc.name, filter))
            continue;
        ++run;
        g_current = tc.name;
        printf("[ RUN  ] %s\n", tc.name);
        int checksBefore = g_checks, failedBefore = g_failed;
        g_lastFile = "";
        g_lastLine = 0;
        g_caseStart = GetTickCount();
        InterlockedExchange(&g_inCase, 1);
        tc.fn();
        InterlockedExchange(&g_inCase, 0);
        bool ok = g_failed == failedBefore;
        if (g_checks == checksBefore) {
            printf("    %s evaluated no check\n", tc.name);
            ok = false;
        }
        if (!ok)
            ++failedCases;
        printf("[ %s ] %s (%d checks)\n", ok ? " OK " : "FAIL", tc.name, g_checks - checksBefore);
    }
    printf("%d test cases, %d failed; %d checks, %d failed\n", run, failedCases, g_checks, g_failed);
    return (failedCases || run == 0) ? 1 : 0;
}
