#include "common/MemoryRegistry.h"
#include <ctype.h>
#include <string.h>

std::string MemoryRegistry::Fold(RegRoot root, const std::string& key)
{
    std::string s = std::to_string(static_cast<int>(root)) + ":";
    for (char c : key)
        s += static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string MemoryRegistry::FoldName(const char* name)
{
    std::string s;
    for (const char* p = name ? name : ""; *p; ++p)
        s += static_cast<char>(tolower(static_cast<unsigned char>(*p)));
    return s;
}

bool MemoryRegistry::CreateKey(RegRoot root, const char* key)
{
    if (failWrites)
        return false;
    // Parents exist implicitly as soon as a child does.
    std::string path = key;
    for (size_t pos = 0; (pos = path.find('\\', pos)) != std::string::npos; ++pos)
        m_keys[Fold(root, path.substr(0, pos))];
    m_keys[Fold(root, path)];
    return true;
}

bool MemoryRegistry::QueryValue(RegRoot root, const char* key, const char* name, void* data, uint32_t* size,
                                uint32_t* type)
{
    queries.push_back(std::string(key) + "|" + (name ? name : ""));
    auto k = m_keys.find(Fold(root, key));
    if (k == m_keys.end())
        return false;
    auto v = k->second.find(FoldName(name));
    if (v == k->second.end())
        return false;
    if (v->second.data.size() > *size)
        return false;
    memcpy(data, v->second.data.data(), v->second.data.size());
    *size = static_cast<uint32_t>(v->second.data.size());
    if (type)
        *type = v->second.type;
    return true;
}

bool MemoryRegistry::SetString(RegRoot root, const char* key, const char* name, const char* text, uint32_t bytes)
{
    if (failWrites)
        return false;
    auto k = m_keys.find(Fold(root, key));
    if (k == m_keys.end())
        return false;
    ++writes;
    Value& v = k->second[FoldName(name)];
    v.type = 1;
    v.data.assign(text, bytes);
    return true;
}

bool MemoryRegistry::DeleteValue(RegRoot root, const char* key, const char* name)
{
    auto k = m_keys.find(Fold(root, key));
    if (k == m_keys.end())
        return false;
    return k->second.erase(FoldName(name)) > 0;
}

bool MemoryRegistry::HasKey(RegRoot root, const std::string& key) const
{
    return m_keys.count(Fold(root, key)) > 0;
}

bool MemoryRegistry::HasValue(RegRoot root, const std::string& key, const std::string& name) const
{
    auto k = m_keys.find(Fold(root, key));
    return k != m_keys.end() && k->second.count(FoldName(name.c_str())) > 0;
}

std::string MemoryRegistry::Get(RegRoot root, const std::string& key, const std::string& name) const
{
    auto k = m_keys.find(Fold(root, key));
    if (k == m_keys.end())
        return "<no key>";
    auto v = k->second.find(FoldName(name.c_str()));
    return v == k->second.end() ? "<absent>" : v->second.data;
}

void MemoryRegistry::Put(RegRoot root, const std::string& key, const std::string& name, const std::string& data,
                         uint32_t type)
{
    CreateKey(root, key.c_str());
    Value& v = m_keys[Fold(root, key)][FoldName(name.c_str())];
    v.type = type;
    v.data = data;
}

size_t MemoryRegistry::ValueCount(RegRoot root, const std::string& key) const
{
    auto k = m_keys.find(Fold(root, key));
    return k == m_keys.end() ? 0 : k->second.size();
}
