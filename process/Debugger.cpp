#include "process/Debugger.h"
#include "app/SysRegInfo.h"
#include <stdio.h>
#include <string.h>

namespace {

// Reads the key's default value into an 80-byte buffer, always terminated. Registry strings
// need not carry their terminating zero; a value with no room left for one doesn't fit.
bool ReadDefaultValue(IRegistry& registry, const char* key, char (&buf)[kDebuggerPathBytes])
{
    uint32_t size = sizeof buf;
    if (!registry.QueryValue(RegRoot::LocalMachine, key, "", buf, &size)) {
        buf[0] = '\0';
        return false;
    }
    if (size < sizeof buf) {
        buf[size] = '\0';
        return true;
    }
    if (buf[sizeof buf - 1] == '\0')
        return true;
    buf[0] = '\0';
    return false;
}

}  // namespace

bool BuildStudioDebuggerCommand(IRegistry& registry, int processId, char (&path)[kDebuggerPathBytes],
                                char (&parameters)[kDebuggerPathBytes])
{
    path[0] = '\0';
    parameters[0] = '\0';
    char value[kDebuggerPathBytes];
    if (!ReadDefaultValue(registry, STUDIO_DEBUGGER_KEY, value))
        return false;
    const char* comma = strchr(value, ',');
    if (!comma || comma == value)
        return false;
    size_t n = static_cast<size_t>(comma - value);
    memcpy(path, value, n);
    path[n] = '\0';
    snprintf(parameters, sizeof parameters, "-p %d", processId);
    return true;
}

bool BuildQuenbrixCommand(IRegistry& registry, int processId, char (&directory)[kDebuggerPathBytes],
                          char (&path)[kDebuggerPathBytes], char (&parameters)[kDebuggerPathBytes])
{
    directory[0] = '\0';
    path[0] = '\0';
    parameters[0] = '\0';
    CSysRegInfo store(registry);
    store.SetRegSection(QUENBRIX_KEY);
    if (!store.GetRegValue("Directory", directory, sizeof directory))
        return false;
    int n = snprintf(path, sizeof path, "%s\\quenbrix.exe", directory);
    if (n < 0 || static_cast<size_t>(n) >= sizeof path) {
        directory[0] = '\0';
        path[0] = '\0';
        return false;
    }
    // The sibling debugger takes the number negated, as a 32-bit signed value.
    int32_t negated = static_cast<int32_t>(0u - static_cast<uint32_t>(processId));
    snprintf(parameters, sizeof parameters, "p%d", static_cast<int>(negated));
    return true;
}

bool LaunchStudioDebugger(IRegistry& registry, IShellOpen& shell, int processId)
{
    char path[kDebuggerPathBytes];
    char parameters[kDebuggerPathBytes];
    if (!BuildStudioDebuggerCommand(registry, processId, path, parameters))
        return false;
    // Above 32 is success; 32 itself (SE_ERR_DLLNOTFOUND) is a debugger that cannot start.
    return shell.Open(path, parameters, nullptr) > 32;
}

QuenbrixLaunch LaunchQuenbrix(IRegistry& registry, IShellOpen& shell, int processId)
{
    char directory[kDebuggerPathBytes];
    char path[kDebuggerPathBytes];
    char parameters[kDebuggerPathBytes];
    if (!BuildQuenbrixCommand(registry, processId, directory, path, parameters))
        return QuenbrixLaunch::NotInstalled;
    shell.Open(path, parameters, directory);
    return QuenbrixLaunch::Started;
}
