// The settings mirrors of the application object and the rules that move them between the
// registry, the menu and the timers.
#pragma once
#include "common/Registry.h"
#include <string>

// The menu check marks the settings drive.
class IMenuChecks {
public:
    virtual ~IMenuChecks() = default;
    virtual void CheckItem(unsigned id, bool checked) = 0;
};

enum {
    kSpeedFirstCommand = 32778,  // update-speed index = command id - this
    kSpeedCount = 5,
    kPausedPeriod = -1,
};

// Timer period for an update-speed index chosen from the menu; `fallback` for other indexes.
int MenuSpeedPeriod(int index, int fallback);
// Timer period for an update-speed index loaded at start-up; `fallback` for other indexes.
int LoadedSpeedPeriod(int index, int fallback);
// The period handed to the platform's timer, or 0 for the paused speed (-1), whose timer is
// stopped instead: it never ticks.
unsigned TimerElapse(int period);

// The start-up word: the first argument of the command line that is not an option ('/' or '-').
std::string StartupWord(const char* commandLine);
bool IsAutoBootStart(const char* commandLine);

// First start: true when the settings key has no "Version" yet; then creates the key with its
// first values and turns autostart on for the program in `directory` (nullptr when the program's
// folder is unknown or too long to record: "Directory" and the Run entry are then not written).
bool FirstRunInit(IRegistry& registry, const char* directory);

// The autostart command for a directory: "\"<dir>\korvane.exe\" AUTOBOOT".
std::string AutoBootCommand(const char* directory);

class CKorvaneSettings {
public:
    void LoadSettings(IRegistry& registry);
    void ApplySettingsToMenu(IMenuChecks& menu) const;
    void SaveSettings(IRegistry& registry, int nSelectedTab) const;
    // Flips m_bAutoBoot, writes (on) or deletes (off) the Run entry and sets the check mark of the
    // autostart item. When no "Directory" is recorded, ownDirectory (the running program's
    // folder) names the program.
    void ToggleAutoBoot(IRegistry& registry, IMenuChecks& menu, const char* ownDirectory);
    // A speed chosen from the menu (command id 32778..32782).
    void ChooseSpeed(unsigned commandId);

    int m_nRefreshPeriod = 0;
    int m_bHideOnMin = 0;
    int m_bTopmost = 0;
    int m_bAutoBoot = 0;
    int m_nRefreshSpeed = 0;
    int m_nShowPage = 0;
};
