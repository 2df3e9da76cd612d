// Test registry and runner of the end-to-end programs: runs every registered case in order
// (or those whose name contains argv[1]), prints each failure and a summary.
// A case that evaluates no check at all counts as failed: it proved nothing.
#include "Check.h"
#include <stdio.h>
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

}  // namespace

TestRegistrar::TestRegistrar(const char* name, TestFn fn) { Cases().push_back({name, fn}); }

bool Report(bool ok, const char* file, int line, const std::string& what)
{
    ++g_checks;
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
    int run = 0, failedCases = 0;
    for (const TestCase& tc : Cases()) {
        if (filter && !strstr(tc.name, filter))
            continue;
        ++run;
        g_current = tc.name;
        printf("[ RUN  ] %s\n", tc.name);
        int checksBefore = g_checks, failedBefore = g_failed;
        tc.fn();
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
