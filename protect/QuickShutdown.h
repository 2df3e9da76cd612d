// The quick shutdown: the 16-bit kernel's exit entry, started through rundll32 with no window.
#pragma once

// Starts outside programs.
class IProgramStarter {
public:
    virtual ~IProgramStarter() = default;
    // Starts commandLine with the given show state; false when it could not be started.
    virtual bool Start(const char* commandLine, int showCommand) = 0;
};

extern const char kQuickShutdownCommand[];

// Ends Windows 95/98/ME at once: no confirmation, nothing saved; the result is not examined.
void StartQuickShutdown(IProgramStarter& starter);
