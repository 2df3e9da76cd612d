// The settings store: text values under one key of the local-machine root, integers as decimal
// text. Every call opens the key, does one thing and closes it again.
#pragma once
#include "common/Registry.h"

#define KORVANE_KEY "Software\\Marrowfen\\Korvane"
#define QUENBRIX_KEY "Software\\Marrowfen\\Quenbrix"
#define RUN_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Run"

class CSysRegInfo {
public:
    CSysRegInfo();
    explicit CSysRegInfo(IRegistry& registry);
    CSysRegInfo(const CSysRegInfo& other);
    CSysRegInfo& operator=(const CSysRegInfo& other);
    virtual ~CSysRegInfo();

    void SetRegSection(const char* section);
    // Creates the key of the current section and writes the first-start values.
    void InitRegKeys(const char* section);
    // Same, with the directory to record given by the caller (nullptr: none is recorded).
    void InitRegKeys(const char* section, const char* directory);
    bool SetRegValue(const char* name, const char* text);
    bool SetRegInt(const char* name, int value);
    // Reads a value into buf, which must hold at least 1024 bytes.
    bool GetRegValue(const char* name, char* buf);
    // Reads a value into buf of cap bytes; fails when it does not fit.
    bool GetRegValue(const char* name, char* buf, unsigned cap);
    int GetRegInt(const char* name);
    void DeleteKey(const char* name);

    // The numbered list: "apicount" and the values "0", "1", ...
    int GetApiCount();
    void GetApiName(int index, char* buf);
    void AddApiList(const char* text);
    bool InApiList(const char* text);
    void DeleteAllApi();

    enum { SectionSize = 1024, ValueSize = 1024 };
    char m_szSection[SectionSize];

private:
    IRegistry* m_pRegistry;
};
