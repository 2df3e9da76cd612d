// The hook DLL of cbt_hook.h, loaded by Wine into the program the tests drive.
#define KORVANE_CBT_HOOK_DLL
#include "../cbt_hook.h"

namespace {

// The dialog class, by its atom or its name.
bool IsDialogClass(LPCSTR cls)
{
    if (IS_INTRESOURCE(cls))
        return reinterpret_cast<ULONG_PTR>(cls) == 0x8002;
    return cls && lstrcmpA(cls, "#32770") == 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK KorvaneCbtHookProc(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_SYSCOMMAND || code == HCBT_CREATEWND) {
        bool refuse = false;
        if (HANDLE h = OpenFileMappingA(FILE_MAP_WRITE, FALSE, cbt_hook::kSharedName)) {
            auto* shared = static_cast<cbt_hook::Shared*>(MapViewOfFile(h, FILE_MAP_WRITE, 0, 0, sizeof(cbt_hook::Shared)));
            if (shared && code == HCBT_SYSCOMMAND) {
                LONG i = InterlockedIncrement(&shared->count) - 1;
                if (i < 64)
                    shared->commands[i] = static_cast<DWORD>(wp);
                refuse = true;
            } else if (shared && shared->refuseDialogs) {
                const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lp)->lpcs;
                refuse = cs && !(cs->style & WS_CHILD) && IsDialogClass(cs->lpszClass);
            }
            if (shared)
                UnmapViewOfFile(shared);
            CloseHandle(h);
        }
        if (refuse)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
