// Entry points looked up at run time, and what the platform is.
#pragma once
#include <windows.h>

// GetProcAddress with the entry point's own type; nullptr when it is missing.
template <class Fn>
Fn ProcAddress(HMODULE hModule, const char* name)
{
    return hModule ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hModule, name))) : nullptr;
}

// A library loaded by name for the length of one operation and released when it ends.
class CLibrary {
public:
    explicit CLibrary(const char* name) : m_hModule(::LoadLibraryA(name)) {}
    ~CLibrary()
    {
        if (m_hModule)
            ::FreeLibrary(m_hModule);
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
    operator HMODULE() const { return m_hModule; }

private:
    HMODULE m_hModule;
};

// True under Wine (ntdll exports wine_get_version), where some 9x facilities are missing.
inline bool IsWine()
{
    HMODULE hNtdll = ::GetModuleHandleA("ntdll.dll");
    return hNtdll && ::GetProcAddress(hNtdll, "wine_get_version") != nullptr;
}

// True on Windows 95 (4.00), which lacks flags that 98 added, such as SWP_ASYNCWINDOWPOS.
inline bool IsWindows95()
{
    OSVERSIONINFOA vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
    return ::GetVersionExA(&vi) && vi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && vi.dwMajorVersion == 4 &&
           vi.dwMinorVersion == 0;
}
