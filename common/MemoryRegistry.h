// An in-memory registry for tests: keys are case-insensitive paths, values keep their type and bytes.
#pragma once
#include "common/Registry.h"
#include <map>
#include <string>
#include <vector>

class MemoryRegistry : public IRegistry {
public:
    struct Value {
        uint32_t type = 1;
        std::string data;  // raw bytes
    };

    bool CreateKey(RegRoot root, const char* key) override;
    bool QueryValue(RegRoot root, const char* key, const char* name, void* data, uint32_t* size,
                    uint32_t* type = nullptr) override;
    bool SetString(RegRoot root, const char* key, const char* name, const char* text, uint32_t bytes) override;
    bool DeleteValue(RegRoot root, const char* key, const char* name) override;

    // Test helpers: direct access without the open/close rules.
    bool HasKey(RegRoot root, const std::string& key) const;
    bool HasValue(RegRoot root, const std::string& key, const std::string& name) const;
    std::string Get(RegRoot root, const std::string& key, const std::string& name) const;
    void Put(RegRoot root, const std::string& key, const std::string& name, const std::string& data, uint32_t type = 1);
    size_t ValueCount(RegRoot root, const std::string& key) const;

    int writes = 0;
    std::vector<std::string> queries;  // "key|name" of every query, in order
    bool failWrites = false;

private:
    using Values = std::map<std::string, Value>;
    static std::string Fold(RegRoot root, const std::string& key);
    static std::string FoldName(const char* name);
    std::map<std::string, Values> m_keys;
};
