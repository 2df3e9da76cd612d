// Entry points looked up at run time, and what the platform is.
#pragma once
#include <windows.h>

// GetProcAddress with the entry point's own type; nullptr when it is missing.
template <class Fn>
Fn ProcAddress(HMODULE hModule, const char* name)
{
    return hModule ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hModule, name))) : nullptr;
}

// True under Wine (ntdll exports wine_get_version), where some 9x facilities are missing.
inline bool IsWine()
{
    HMODULE hNtdll = ::GetModuleHandleA("ntdll.dll");
    return hNtdll && ::GetProcAddress(hNtdll, "wine_get_version") != nullptr;
}
