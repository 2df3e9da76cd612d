// A hook DLL loaded by Wine into a program the tests drive, on that program's own thread while it
// takes a message: it starts one thread there that waits in the server for the process's whole
// life (see ParkWaiter in Harness.cpp), then tells the harness through a named event.
#include <windows.h>
#include <stdio.h>

namespace {

HINSTANCE g_self = nullptr;
LONG g_started = 0;

DWORD WINAPI Wait(LPVOID)
{
    WaitForSingleObject(GetCurrentProcess(), INFINITE);
    return 0;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_self = self;
    return TRUE;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ParkHookProc(int code, WPARAM wp, LPARAM lp)
{
    if (InterlockedExchange(&g_started, 1) == 0) {
        // Stays loaded for the thread that runs from it, whatever the hook's unloading does.
        char path[MAX_PATH] = "";
        GetModuleFileNameA(g_self, path, sizeof path);
        LoadLibraryA(path);
        HANDLE t = CreateThread(nullptr, 0, Wait, nullptr, 0, nullptr);
        if (t)
            CloseHandle(t);
        char name[64];
        snprintf(name, sizeof name, "KorvaneE2EParked-%lu", GetCurrentProcessId());
        if (HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, name)) {
            SetEvent(done);
            CloseHandle(done);
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
