// Registry integers, settings values of any shape and the command line.
#include "app/Settings.h"
#include "app/SysRegInfo.h"
#include "common/MemoryRegistry.h"
#include "common/TextUtil.h"
#include <stdint.h>
#include <stdlib.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string text = bytes.substr(0, bytes.find('\0'));

    // The command line: the start-up word is always one of the arguments.
    std::string word = StartupWord(text.c_str());
    if (!word.empty() && text.find(word.substr(0, 1)) == std::string::npos)
        abort();

    // Any value, of any type and length, loads into sane settings.
    MemoryRegistry registry;
    const char* names[] = {"AutoBoot", "HideOnMin", "RefreshSpeed", "ShowPage", "Topmost", "Version", "Directory"};
    size_t i = 0;
    for (const char* name : names) {
        size_t start = i * size / 7, end = (i + 1) * size / 7;
        registry.Put(RegRoot::LocalMachine, KORVANE_KEY, name, bytes.substr(start, end - start), data[0] & 7u);
        ++i;
    }
    CKorvaneSettings settings;
    settings.LoadSettings(registry);
    if (settings.m_nRefreshSpeed < 0 || settings.m_nRefreshSpeed >= kSpeedCount)
        abort();
    if (settings.m_nRefreshPeriod == 0)
        abort();
    registry.CreateKey(RegRoot::LocalMachine, RUN_KEY);
    struct : IMenuChecks {
        void CheckItem(unsigned, bool) override {}
    } menu;
    settings.ToggleAutoBoot(registry, menu, "C:\\K");
    FirstRunInit(registry, text.size() < 80 ? text.c_str() : nullptr);

    // The numbered list with a damaged count.
    CSysRegInfo reg(registry);
    reg.SetRegSection(KORVANE_KEY);
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "apicount", text.substr(0, 4));
    if (reg.GetApiCount() <= 1000)
        reg.InApiList(text.c_str());
    (void)ParseLeadingInt(text.c_str());
    return 0;
}
