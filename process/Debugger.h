// Starting an outside debugger on a process: where each debugger's executable is found and the
// command line it gets. The shell is reached through IShellOpen so that tests can see what
// would be started.
#pragma once
#include "common/Registry.h"
#include <stdint.h>

class IShellOpen {
public:
    virtual ~IShellOpen() = default;
    // The shell's "Open" on file with parameters and working directory (either may be null),
    // shown normally. Returns the shell's result: above 32 for success.
    virtual intptr_t Open(const char* file, const char* parameters, const char* directory) = 0;
};

#define STUDIO_DEBUGGER_KEY "Software\\classes\\dswfile\\defaultIcon"
#define KORVANE_HOME_PAGE "http://www.marrowfen.example/"
#define QUENBRIX_DOWNLOAD_PAGE "http://www.marrowfen.example/quenbrix/download.html"

enum { kDebuggerPathBytes = 80 };

// The development studio's debugger: from the workspace icon's value "path,index" to the path
// and "-p <id>". False, with both outputs empty, when the value is missing, too long for
// 80 bytes, or has no comma before which a path stands.
bool BuildStudioDebuggerCommand(IRegistry& registry, int processId, char (&path)[kDebuggerPathBytes],
                                char (&parameters)[kDebuggerPathBytes]);

// The sibling debugger: from its "Directory" value to "<dir>\quenbrix.exe" and "p<-id>".
// False, with all outputs empty, when the value is missing or the path doesn't fit 80 bytes.
bool BuildQuenbrixCommand(IRegistry& registry, int processId, char (&directory)[kDebuggerPathBytes],
                          char (&path)[kDebuggerPathBytes], char (&parameters)[kDebuggerPathBytes]);

// Starts the studio debugger; false when the caller must say it was not found (string 107).
bool LaunchStudioDebugger(IRegistry& registry, IShellOpen& shell, int processId);

enum class QuenbrixLaunch { Started, NotInstalled };
// Starts the sibling debugger in its own directory; a failed start is not examined.
QuenbrixLaunch LaunchQuenbrix(IRegistry& registry, IShellOpen& shell, int processId);
