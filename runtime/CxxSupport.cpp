// What the compiler and the standard library's header templates call, in place of libsupc++ and
// libstdc++: the program uses no exceptions, so every error they would throw ends the process.
#include <windows.h>
#include <string>
#include "runtime/Format.h"

namespace {
[[noreturn]] void Fatal(const char* what)
{
    ::FatalAppExitA(0, what);
    ::ExitProcess(3);
}
}  // namespace

// std::string's members, instantiated here once instead of taken from libstdc++'s compiled copy.
template class std::__cxx11::basic_string<char>;

namespace std {
void __throw_bad_alloc() { Fatal("bad_alloc"); }
void __throw_bad_array_new_length() { Fatal("bad_array_new_length"); }
void __throw_length_error(const char* what) { Fatal(what); }
void __throw_logic_error(const char* what) { Fatal(what); }
void __throw_out_of_range(const char* what) { Fatal(what); }
void __throw_out_of_range_fmt(const char* what, ...) { Fatal(what); }
void __throw_invalid_argument(const char* what) { Fatal(what); }
}  // namespace std

// A call of a pure virtual function (from a constructor or destructor of an abstract class).
extern "C" void __cxa_pure_virtual() { Fatal("pure virtual call"); }

// mingw's <stdio.h> turns snprintf and vsnprintf into calls of these two.
extern "C" int __mingw_vsnprintf(char* buf, size_t cap, const char* format, va_list args)
{
    return RuntimeFormatV(buf, cap, format, args);
}

extern "C" int __mingw_snprintf(char* buf, size_t cap, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = RuntimeFormatV(buf, cap, format, args);
    va_end(args);
    return n;
}
