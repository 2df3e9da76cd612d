// The registry over advapi32. Each call opens its key, does one thing and closes it; only the
// dynamic-data keys of the statistics stay open once opened.
#include "common/Registry.h"
#include <windows.h>
#include <string.h>

namespace {

HKEY RootKey(RegRoot root)
{
    switch (root) {
    case RegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegRoot::DynData: return HKEY_DYN_DATA;
    }
    return HKEY_LOCAL_MACHINE;
}

class Win32Registry : public IRegistry {
public:
    ~Win32Registry() override
    {
        for (OpenKey& open : m_dynData) {
            if (open.name[0])
                RegCloseKey(open.h);
        }
    }

    bool CreateKey(RegRoot root, const char* key) override
    {
        HKEY h;
        DWORD disposition;
        if (RegCreateKeyExA(RootKey(root), key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &h,
                            &disposition) != ERROR_SUCCESS)
            return false;
        RegCloseKey(h);
        return true;
    }

    bool QueryValue(RegRoot root, const char* key, const char* name, void* data, uint32_t* size,
                    uint32_t* type) override
    {
        HKEY h;
        bool kept = false;
        bool opened = root == RegRoot::DynData ? OpenDynDataKey(key, &h, &kept)
                                               : RegOpenKeyExA(RootKey(root), key, 0, KEY_READ, &h) == ERROR_SUCCESS;
        if (!opened)
            return false;
        // One byte more than the caller's room: the system may count a terminating zero that the
        // stored text does not have (Wine and the NT family do), and a text that fills the
        // caller's buffer exactly must still read.
        char* buf = new char[*size + 1];
        DWORD cb = *size + 1;
        DWORD t = 0;
        LONG rc = RegQueryValueExA(h, name, nullptr, &t, reinterpret_cast<BYTE*>(buf), &cb);
        if (!kept)
            RegCloseKey(h);
        bool isText = t == REG_SZ || t == REG_EXPAND_SZ || t == REG_MULTI_SZ;
        if (rc == ERROR_SUCCESS && cb == *size + 1 && isText && buf[*size] == '\0')
            --cb;
        bool fits = rc == ERROR_SUCCESS && cb <= *size;
        if (fits)
            memcpy(data, buf, cb);
        delete[] buf;
        if (!fits)
            return false;
        *size = cb;
        if (type)
            *type = t;
        return true;
    }

    bool SetString(RegRoot root, const char* key, const char* name, const char* text, uint32_t bytes) override
    {
        HKEY h;
        if (RegOpenKeyExA(RootKey(root), key, 0, KEY_WRITE, &h) != ERROR_SUCCESS)
            return false;
        LONG rc = RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
        RegCloseKey(h);
        return rc == ERROR_SUCCESS;
    }

    bool DeleteValue(RegRoot root, const char* key, const char* name) override
    {
        HKEY h;
        if (RegOpenKeyExA(RootKey(root), key, 0, KEY_WRITE, &h) != ERROR_SUCCESS)
            return false;
        LONG rc = RegDeleteValueA(h, name);
        RegCloseKey(h);
        return rc == ERROR_SUCCESS;
    }

private:
    // The statistics are read through their data key many times a second, and the dynamic data
    // is meant to be read again and again through one open key: opening and closing it around
    // every read would cost two more calls into the system each time. A key that cannot be
    // opened is tried again at the next read.
    bool OpenDynDataKey(const char* key, HKEY* h, bool* kept)
    {
        OpenKey* free = nullptr;
        for (OpenKey& open : m_dynData) {
            if (open.name[0] && strcmp(open.name, key) == 0) {
                *h = open.h;
                *kept = true;
                return true;
            }
            if (!open.name[0] && !free)
                free = &open;
        }
        if (RegOpenKeyExA(HKEY_DYN_DATA, key, 0, KEY_READ, h) != ERROR_SUCCESS)
            return false;
        // Without room (never with the three statistics keys) the key is closed after the read.
        *kept = free && strlen(key) < sizeof free->name;
        if (*kept) {
            strcpy(free->name, key);
            free->h = *h;
        }
        return true;
    }

    struct OpenKey {
        char name[32] = {};
        HKEY h = nullptr;
    };
    OpenKey m_dynData[4];
};

}  // namespace

IRegistry& DefaultRegistry()
{
    static Win32Registry registry;
    return registry;
}
