#include "app/Settings.h"
#include "app/SysRegInfo.h"
#include "res/resource.h"
#include <string.h>

int MenuSpeedPeriod(int index, int fallback)
{
    static const int kPeriods[kSpeedCount] = {500, 1000, 5000, kPausedPeriod, 50};
    return index >= 0 && index < kSpeedCount ? kPeriods[index] : fallback;
}

int LoadedSpeedPeriod(int index, int fallback)
{
    // Index 1 restarts at 2000 ms although the menu gives 1000 ms.
    static const int kPeriods[kSpeedCount] = {500, 2000, 5000, kPausedPeriod, 50};
    return index >= 0 && index < kSpeedCount ? kPeriods[index] : fallback;
}

unsigned TimerElapse(int period)
{
    return period < 0 ? 0u : static_cast<unsigned>(period);
}

std::string StartupWord(const char* commandLine)
{
    const char* p = commandLine ? commandLine : "";
    while (*p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            break;
        std::string arg;
        bool quoted = false;
        for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
            if (*p == '"')
                quoted = !quoted;
            else
                arg += *p;
        }
        if (!arg.empty() && (arg[0] == '/' || arg[0] == '-'))
            continue;
        return arg;
    }
    return std::string();
}

bool IsAutoBootStart(const char* commandLine)
{
    return StartupWord(commandLine) == "AUTOBOOT";
}

std::string AutoBootCommand(const char* directory)
{
    // Quoted: the system hands the text on as the command line, and a folder with a space
    // ("C:\Program Files") would otherwise end the program's path at that space.
    return "\"" + std::string(directory) + "\\korvane.exe\" AUTOBOOT";
}

bool FirstRunInit(IRegistry& registry, const char* directory)
{
    CSysRegInfo reg(registry);
    reg.SetRegSection(KORVANE_KEY);
    char version[CSysRegInfo::ValueSize];
    if (reg.GetRegValue("Version", version))
        return false;
    reg.InitRegKeys(KORVANE_KEY, directory);
    char dir[CSysRegInfo::ValueSize];
    if (!reg.GetRegValue("Directory", dir))
        return true;
    reg.SetRegSection(RUN_KEY);
    reg.SetRegValue("Korvane", AutoBootCommand(dir).c_str());
    return true;
}

void CKorvaneSettings::LoadSettings(IRegistry& registry)
{
    CSysRegInfo reg(registry);
    reg.SetRegSection(KORVANE_KEY);
    m_bAutoBoot = reg.GetRegInt("AutoBoot");
    m_bHideOnMin = reg.GetRegInt("HideOnMin");
    m_nRefreshSpeed = reg.GetRegInt("RefreshSpeed");
    m_nShowPage = reg.GetRegInt("ShowPage");
    m_bTopmost = reg.GetRegInt("Topmost");
    // An index outside the table (absent, damaged) would leave the period at 0 and make the timers
    // fire without pause; it loads as the first start's speed instead.
    if (m_nRefreshSpeed < 0 || m_nRefreshSpeed >= kSpeedCount)
        m_nRefreshSpeed = 0;
    m_nRefreshPeriod = LoadedSpeedPeriod(m_nRefreshSpeed, m_nRefreshPeriod);
}

void CKorvaneSettings::ApplySettingsToMenu(IMenuChecks& menu) const
{
    menu.CheckItem(ID_OPTIONS_AUTOBOOT, m_bAutoBoot != 0);
    menu.CheckItem(ID_OPTIONS_TOPMOST, m_bTopmost != 0);
    menu.CheckItem(ID_OPTIONS_HIDE_ON_MIN, m_bHideOnMin != 0);
    menu.CheckItem(static_cast<unsigned>(kSpeedFirstCommand + m_nRefreshSpeed), true);
}

void CKorvaneSettings::SaveSettings(IRegistry& registry, int nSelectedTab) const
{
    CSysRegInfo reg(registry);
    reg.SetRegSection(KORVANE_KEY);
    reg.SetRegInt("AutoBoot", m_bAutoBoot);
    reg.SetRegInt("ShowPage", nSelectedTab);
    reg.SetRegInt("RefreshSpeed", m_nRefreshSpeed);
    reg.SetRegInt("Topmost", m_bTopmost);
    reg.SetRegInt("HideOnMin", m_bHideOnMin);
}

void CKorvaneSettings::ToggleAutoBoot(IRegistry& registry, IMenuChecks& menu, const char* ownDirectory)
{
    CSysRegInfo reg(registry);
    reg.SetRegSection(KORVANE_KEY);
    char dir[CSysRegInfo::ValueSize];
    bool haveDir = reg.GetRegValue("Directory", dir);
    reg.SetRegSection(RUN_KEY);
    m_bAutoBoot = m_bAutoBoot == 0 ? 1 : 0;
    if (m_bAutoBoot) {
        const char* programDir = haveDir && dir[0] ? dir : ownDirectory;
        // Without any directory there is no program to name: the entry is left alone.
        if (programDir && programDir[0])
            reg.SetRegValue("Korvane", AutoBootCommand(programDir).c_str());
        menu.CheckItem(ID_OPTIONS_AUTOBOOT, true);
    } else {
        // Not a value that names no program: the shell starts every Run value as Windows
        // starts, and one it cannot find is an error box at each start.
        reg.DeleteKey("Korvane");
        menu.CheckItem(ID_OPTIONS_AUTOBOOT, false);
    }
}

void CKorvaneSettings::ChooseSpeed(unsigned commandId)
{
    int index = static_cast<int>(commandId) - kSpeedFirstCommand;
    m_nRefreshPeriod = MenuSpeedPeriod(index, m_nRefreshPeriod);
    m_nRefreshSpeed = index;
}
