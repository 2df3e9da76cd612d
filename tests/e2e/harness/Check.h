// A small check framework for the end-to-end programs: test cases registered with E2E_TEST,
// EXPECT_* checks that record a failure and go on, CHECK_* checks that end the test case.
// The cross compiler's win32 thread model has no std::mutex, so GoogleTest cannot be used here.
#pragma once
#include <stdio.h>
#include <string>
#include <type_traits>

namespace e2e {

using TestFn = void (*)();

struct TestRegistrar {
    TestRegistrar(const char* name, TestFn fn);
};

// What the harness is doing at the moment, for the watchdog's report of a hang: a Wine call
// that waits on another process (memory, threads, modules of the program) or on the display.
// The text must outlive the step (a literal). Defined by the harness.
void SetStep(const char* what);
const char* CurrentStep(unsigned long* forMs);  // nullptr when in no step
struct Step {
    explicit Step(const char* what) { SetStep(what); }
    ~Step() { SetStep(nullptr); }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
};

// Called by the runner before the first test case (defined by the harness).
void BeforeAllTests();
// Called by the runner's watchdog when a case runs past its time limit, just before the run
// ends: says what the program under test is doing and ends it (defined by the harness).
void OnCaseHung();

// Records one evaluated check; prints it when it failed. Returns ok.
bool Report(bool ok, const char* file, int line, const std::string& what);

inline std::string Show(const std::string& s) { return "\"" + s + "\""; }
inline std::string Show(const char* s) { return s ? Show(std::string(s)) : std::string("(null)"); }
inline std::string Show(char* s) { return Show(static_cast<const char*>(s)); }
inline std::string Show(bool b) { return b ? "true" : "false"; }
template <class T>
std::string Show(const T& v)
{
    if constexpr (std::is_pointer_v<T>) {
        char buf[32];
        snprintf(buf, sizeof buf, "%p", static_cast<const void*>(v));
        return buf;
    } else if constexpr (std::is_enum_v<T>) {
        return std::to_string(static_cast<long long>(v));
    } else {
        return std::to_string(v);
    }
}

template <class A, class B>
bool ReportEq(const A& a, const B& b, const char* ea, const char* eb, const char* file, int line, bool wantEqual)
{
    bool equal = (a == b);
    if (equal == wantEqual)
        return Report(true, file, line, "");
    return Report(false, file, line,
                  std::string(ea) + (wantEqual ? " == " : " != ") + eb + "\n    left:  " + Show(a) +
                      "\n    right: " + Show(b));
}

}  // namespace e2e

#define E2E_TEST(name)                                                   \
    static void name();                                                  \
    static ::e2e::TestRegistrar name##_registrar(#name, &name);          \
    static void name()

#define EXPECT_TRUE(c) ::e2e::Report(static_cast<bool>(c), __FILE__, __LINE__, "expected true: " #c)
#define EXPECT_FALSE(c) ::e2e::Report(!static_cast<bool>(c), __FILE__, __LINE__, "expected false: " #c)
#define EXPECT_EQ(a, b) ::e2e::ReportEq((a), (b), #a, #b, __FILE__, __LINE__, true)
#define EXPECT_NE(a, b) ::e2e::ReportEq((a), (b), #a, #b, __FILE__, __LINE__, false)
#define EXPECT_STREQ(a, b) EXPECT_EQ(std::string(a), std::string(b))

// The CHECK_ forms end the current test case when they fail.
#define CHECK_TRUE(c)   do { if (!EXPECT_TRUE(c)) return; } while (0)
#define CHECK_FALSE(c)  do { if (!EXPECT_FALSE(c)) return; } while (0)
#define CHECK_EQ(a, b)  do { if (!EXPECT_EQ(a, b)) return; } while (0)
#define CHECK_NE(a, b)  do { if (!EXPECT_NE(a, b)) return; } while (0)
#define CHECK_STREQ(a, b) do { if (!EXPECT_STREQ(a, b)) return; } while (0)
