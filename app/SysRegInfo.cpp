#include "app/SysRegInfo.h"
#include "common/TextUtil.h"
#include <stdio.h>
#include <string.h>

CSysRegInfo::CSysRegInfo() : CSysRegInfo(DefaultRegistry()) {}

CSysRegInfo::CSysRegInfo(IRegistry& registry) : m_pRegistry(&registry)
{
    memset(m_szSection, 0, sizeof m_szSection);
    strcpy(m_szSection, QUENBRIX_KEY);
}

CSysRegInfo::CSysRegInfo(const CSysRegInfo& other) : m_pRegistry(other.m_pRegistry)
{
    memcpy(m_szSection, other.m_szSection, sizeof m_szSection);
}

CSysRegInfo& CSysRegInfo::operator=(const CSysRegInfo& other)
{
    memcpy(m_szSection, other.m_szSection, sizeof m_szSection);
    m_pRegistry = other.m_pRegistry;
    return *this;
}

CSysRegInfo::~CSysRegInfo() = default;

void CSysRegInfo::SetRegSection(const char* section)
{
    // A path that does not fit is refused rather than cut: the store then names no key.
    if (!CopyText(m_szSection, sizeof m_szSection, section))
        m_szSection[0] = '\0';
}

void CSysRegInfo::InitRegKeys(const char* section)
{
    InitRegKeys(section, nullptr);
}

void CSysRegInfo::InitRegKeys(const char* /*section*/, const char* directory)
{
    if (!m_pRegistry->CreateKey(RegRoot::LocalMachine, m_szSection))
        return;
    SetRegValue("Version", "1");
    if (directory)
        SetRegValue("Directory", directory);
    SetRegValue("ShowPage", "0");
    SetRegValue("RefreshSpeed", "0");
}

bool CSysRegInfo::SetRegValue(const char* name, const char* text)
{
    if (!m_szSection[0])
        return false;
    return m_pRegistry->SetString(RegRoot::LocalMachine, m_szSection, name, text,
                                  static_cast<uint32_t>(strlen(text)));
}

bool CSysRegInfo::SetRegInt(const char* name, int value)
{
    char buf[12];
    FormatInt(buf, sizeof buf, value);
    return SetRegValue(name, buf);
}

bool CSysRegInfo::GetRegValue(const char* name, char* buf)
{
    return GetRegValue(name, buf, ValueSize);
}

bool CSysRegInfo::GetRegValue(const char* name, char* buf, unsigned cap)
{
    if (cap == 0)
        return false;
    if (!m_szSection[0]) {
        buf[0] = '\0';
        return false;
    }
    // Leave room for a terminating zero: string data need not carry one in the registry.
    uint32_t size = cap - 1;
    if (!m_pRegistry->QueryValue(RegRoot::LocalMachine, m_szSection, name, buf, &size)) {
        buf[0] = '\0';
        return false;
    }
    buf[size] = '\0';
    return true;
}

int CSysRegInfo::GetRegInt(const char* name)
{
    char buf[ValueSize];
    if (!GetRegValue(name, buf))
        return -1;
    return ParseLeadingInt(buf);
}

void CSysRegInfo::DeleteKey(const char* name)
{
    if (m_szSection[0])
        m_pRegistry->DeleteValue(RegRoot::LocalMachine, m_szSection, name);
}

int CSysRegInfo::GetApiCount()
{
    char buf[20];
    if (!GetRegValue("apicount", buf, sizeof buf))
        return -1;
    return ParseLeadingInt(buf);
}

void CSysRegInfo::GetApiName(int index, char* buf)
{
    char name[12];
    FormatInt(name, sizeof name, index);
    GetRegValue(name, buf);
}

void CSysRegInfo::AddApiList(const char* text)
{
    int n = GetApiCount();
    if (InApiList(text))
        return;
    if (n < 0)
        n = 0;
    SetRegInt("apicount", n + 1);
    char name[12];
    FormatInt(name, sizeof name, n);
    SetRegValue(name, text);
}

bool CSysRegInfo::InApiList(const char* text)
{
    int count = GetApiCount();
    size_t len = strlen(text);
    for (int i = 0; i < count; ++i) {
        char name[12];
        char entry[80];
        FormatInt(name, sizeof name, i);
        if (!GetRegValue(name, entry, sizeof entry))
            continue;
        if (PrefixEquals(entry, text, len))
            return true;
    }
    return false;
}

void CSysRegInfo::DeleteAllApi()
{
    int count = GetApiCount();
    for (int i = 0; i < count; ++i) {
        char name[12];
        FormatInt(name, sizeof name, i);
        DeleteKey(name);
    }
    DeleteKey("apicount");
}
