// A computer-based-training hook (korvane_e2e_cbt.dll, next to korvane.exe) that Wine loads into
// the program: it records each system command that reaches the default handling of one of the
// program's windows and refuses it, so that nothing it would start runs; and, when asked, it
// refuses to create the program's top-level dialog windows, as a 9x machine whose USER heap is
// exhausted would.
#pragma once
#include <windows.h>

namespace cbt_hook {

const char kSharedName[] = "KorvaneE2ECbtHook";
const char kDllName[] = "korvane_e2e_cbt.dll";
const char kProcName[] = "KorvaneCbtHookProc";

struct Shared {
    LONG refuseDialogs;  // nonzero: no top-level window of the dialog class is created
    LONG count;          // system commands recorded
    DWORD commands[64];
};

}  // namespace cbt_hook

#ifndef KORVANE_CBT_HOOK_DLL
#include "Harness.h"
#include <string>
#include <vector>

namespace cbt_hook {

// Hooks one thread of the program (a suspended one too) for the life of this object.
class CbtHook {
public:
    explicit CbtHook(DWORD threadId, bool refuseDialogs = false)
    {
        m_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Shared), kSharedName);
        m_shared = m_mapping ? static_cast<Shared*>(MapViewOfFile(m_mapping, FILE_MAP_WRITE, 0, 0, sizeof(Shared)))
                             : nullptr;
        if (!m_shared)
            return;
        ZeroMemory(m_shared, sizeof *m_shared);
        m_shared->refuseDialogs = refuseDialogs ? 1 : 0;
        m_dll = LoadLibraryA((e2e::KorvaneDir() + "\\" + kDllName).c_str());
        HOOKPROC proc =
            m_dll ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(m_dll, kProcName))) : nullptr;
        m_hook = proc ? SetWindowsHookExA(WH_CBT, proc, m_dll, threadId) : nullptr;
    }
    ~CbtHook()
    {
        if (m_hook)
            UnhookWindowsHookEx(m_hook);
        if (m_dll)
            FreeLibrary(m_dll);
        if (m_shared)
            UnmapViewOfFile(m_shared);
        if (m_mapping)
            CloseHandle(m_mapping);
    }
    CbtHook(const CbtHook&) = delete;
    CbtHook& operator=(const CbtHook&) = delete;

    bool ok() const { return m_hook != nullptr; }
    std::vector<DWORD> Commands() const
    {
        std::vector<DWORD> out;
        LONG n = m_shared ? m_shared->count : 0;
        for (LONG i = 0; i < n && i < 64; ++i)
            out.push_back(m_shared->commands[i]);
        return out;
    }

private:
    HANDLE m_mapping = nullptr;
    Shared* m_shared = nullptr;
    HMODULE m_dll = nullptr;
    HHOOK m_hook = nullptr;
};

}  // namespace cbt_hook
#endif
