// The import-table walk over synthetic module images held in memory.
#include "process/ImportWalk.h"
#include <gtest/gtest.h>
#include <ctype.h>
#include <map>
#include <string>
#include <vector>

namespace {

// Builds a PE image, 32-bit or 64-bit, whose import table names the given libraries.
std::vector<uint8_t> MakeImage(const std::vector<std::string>& imports, bool pe64 = false)
{
    const size_t peOffset = 0x40;
    const size_t optional = peOffset + 4 + 20;
    const size_t countOffset = pe64 ? 108 : 92;
    const size_t importRva = 0x200;
    size_t namesRva = importRva + 20 * (imports.size() + 1);
    size_t size = namesRva;
    for (const std::string& name : imports)
        size += name.size() + 1;
    std::vector<uint8_t> image(size, 0);
    auto put16 = [&](size_t at, uint16_t v) { image[at] = v & 0xFF; image[at + 1] = v >> 8; };
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            image[at + i] = (v >> (8 * i)) & 0xFF;
    };
    put16(0, 0x5A4D);
    put32(0x3C, peOffset);
    put32(peOffset, 0x4550);
    put16(optional, pe64 ? 0x20B : 0x10B);
    put32(optional + countOffset, 16);
    put32(optional + countOffset + 4 + 8, importRva);
    size_t nameAt = namesRva;
    for (size_t i = 0; i < imports.size(); ++i) {
        put32(importRva + 20 * i + 12, static_cast<uint32_t>(nameAt));
        memcpy(&image[nameAt], imports[i].c_str(), imports[i].size() + 1);
        nameAt += imports[i].size() + 1;
    }
    return image;
}

// A process memory of synthetic modules, each at its own base, and a loader that knows them
// by their lower-case names only.
class FakeHost : public IImportWalkHost {
public:
    explicit FakeHost(size_t capacity = 250) : m_capacity(capacity) {}

    uintptr_t AddModule(const std::string& name, std::vector<uint8_t> image)
    {
        uintptr_t base = 0x10000000 + 0x100000 * m_images.size();
        m_images[base] = std::move(image);
        m_byName[name] = base;
        return base;
    }
    uintptr_t Base(const std::string& name) const { return m_byName.at(name); }

    bool ReadMemory(uintptr_t address, void* buf, size_t size) override
    {
        auto it = m_images.upper_bound(address);
        if (it == m_images.begin())
            return false;
        --it;
        size_t offset = address - it->first;
        if (offset > it->second.size() || size > it->second.size() - offset)
            return false;
        memcpy(buf, it->second.data() + offset, size);
        return true;
    }
    void LowerCase(char* name) override
    {
        for (; *name; ++name)
            *name = static_cast<char>(tolower(static_cast<unsigned char>(*name)));
    }
    uintptr_t LoadModule(const char* name) override
    {
        loads.push_back(name);
        auto it = m_byName.find(name);
        return it == m_byName.end() ? 0 : it->second;
    }
    bool IsListed(uintptr_t module) override
    {
        for (uintptr_t m : listed) {
            if (m == module)
                return true;
        }
        return false;
    }
    bool Append(uintptr_t module) override
    {
        if (listed.size() >= m_capacity)
            return false;
        listed.push_back(module);
        return true;
    }

    std::vector<std::string> ListedNames() const
    {
        std::vector<std::string> names;
        for (uintptr_t m : listed) {
            for (const auto& entry : m_byName) {
                if (entry.second == m)
                    names.push_back(entry.first);
            }
        }
        return names;
    }

    std::vector<uintptr_t> listed;
    std::vector<std::string> loads;

private:
    size_t m_capacity;
    std::map<uintptr_t, std::vector<uint8_t>> m_images;
    std::map<std::string, uintptr_t> m_byName;
};

using Names = std::vector<std::string>;

TEST(ImportWalk, LibrariesImportingEachOtherAreListedOnceAndTheStartModuleNever)
{
    FakeHost host;
    uintptr_t app = host.AddModule("app.exe", MakeImage({"ALPHA.DLL", "Beta.dll", "kernel32.dll"}));
    host.AddModule("alpha.dll", MakeImage({"beta.dll", "kernel32.dll"}));
    host.AddModule("beta.dll", MakeImage({"ALPHA.dll", "kernel32.dll"}));
    host.AddModule("kernel32.dll", MakeImage({}));

    WalkImports(host, app);

    // Depth first: alpha, then beta through alpha, then kernel32 through beta.
    EXPECT_EQ(host.ListedNames(), (Names{"alpha.dll", "beta.dll", "kernel32.dll"}));
    EXPECT_FALSE(host.IsListed(app));
}

TEST(ImportWalk, SixtyFourBitModulesAreWalkedAtTheirOwnHeaderOffsets)
{
    FakeHost host;
    uintptr_t app = host.AddModule("app.exe", MakeImage({"a.dll", "kernel32.dll"}, true));
    host.AddModule("a.dll", MakeImage({"kernel32.dll"}, true));
    host.AddModule("kernel32.dll", MakeImage({}, true));
    WalkImports(host, app);
    EXPECT_EQ(host.ListedNames(), (Names{"a.dll", "kernel32.dll"}));
}

TEST(ImportWalk, ListsTheStartModuleOnlyWhenALibraryImportsItBack)
{
    FakeHost host;
    uintptr_t app = host.AddModule("app.exe", MakeImage({"hook.dll"}));
    host.AddModule("hook.dll", MakeImage({"APP.EXE"}));
    WalkImports(host, app);
    EXPECT_EQ(host.ListedNames(), (Names{"hook.dll", "app.exe"}));
}

TEST(ImportWalk, FollowsDependenciesDepthFirstInDiscoveryOrder)
{
    FakeHost host;
    uintptr_t app = host.AddModule("app.exe", MakeImage({"a.dll", "c.dll"}));
    host.AddModule("a.dll", MakeImage({"b.dll"}));
    host.AddModule("b.dll", MakeImage({"d.dll"}));
    host.AddModule("c.dll", MakeImage({"d.dll", "b.dll"}));
    host.AddModule("d.dll", MakeImage({}));
    WalkImports(host, app);
    EXPECT_EQ(host.ListedNames(), (Names{"a.dll", "b.dll", "d.dll", "c.dll"}));
}

TEST(ImportWalk, NameNotStartingWithALetterEndsThatModulesWalkOnly)
{
    FakeHost host;
    uintptr_t app = host.AddModule("app.exe", MakeImage({"a.dll", "z.dll"}));
    host.AddModule("a.dll", MakeImage({"b.dll", "_odd.dll", "c.dll"}));
    host.AddModule("b.dll", MakeImage({}));
    host.AddModule("c.dll", MakeImage({}));
    host.AddModule("z.dll", MakeImage({}));
    WalkImports(host, app);
    // c.dll comes after the odd name inside a.dll and is never reached; z.dll in app.exe is.
    EXPECT_EQ(host.ListedNames(), (Names{"a.dll", "b.dll", "z.dll"}));
}

TEST(ImportWalk, LongLibraryNameIsCutTo79Characters)
{
    FakeHost host;
    std::string longName(200, 'q');
    uintptr_t app = host.AddModule("app.exe", MakeImage({longName, "k.dll"}));
    host.AddModule(std::string(79, 'q'), MakeImage({}));
    host.AddModule("k.dll", MakeImage({}));
    WalkImports(host, app);
    ASSERT_EQ(host.loads.size(), 2u);
    EXPECT_EQ(host.loads[0], std::string(79, 'q'));
    EXPECT_EQ(host.ListedNames(), (Names{std::string(79, 'q'), "k.dll"}));
}

TEST(ImportWalk, LibraryThatCannotBeLoadedIsLeftOut)
{
    FakeHost host;
    uintptr_t app = host.AddModule("app.exe", MakeImage({"missing.dll", "k.dll"}));
    host.AddModule("k.dll", MakeImage({}));
    WalkImports(host, app);
    EXPECT_EQ(host.ListedNames(), (Names{"k.dll"}));
    EXPECT_FALSE(host.IsListed(0));
}

TEST(ImportWalk, StopsAtTheListCapacity)
{
    FakeHost host(250);
    std::vector<std::string> imports;
    for (int i = 0; i < 300; ++i) {
        imports.push_back("lib" + std::to_string(i) + ".dll");
        host.AddModule(imports.back(), MakeImage({}));
    }
    uintptr_t app = host.AddModule("app.exe", MakeImage(imports));
    WalkImports(host, app);
    EXPECT_EQ(host.listed.size(), 250u);
    EXPECT_EQ(host.ListedNames().back(), "lib249.dll");
    EXPECT_LE(host.loads.size(), 251u);
}

TEST(ImportWalk, DamagedOrMissingHeadersListNothing)
{
    FakeHost host;
    host.AddModule("k.dll", MakeImage({}));
    WalkImports(host, 0);
    EXPECT_TRUE(host.listed.empty());

    std::vector<uint8_t> noMagic = MakeImage({"k.dll"});
    noMagic[0] = 'X';
    WalkImports(host, host.AddModule("nomagic.exe", noMagic));
    EXPECT_TRUE(host.listed.empty());

    std::vector<uint8_t> otherLayout = MakeImage({"k.dll"});
    otherLayout[0x40 + 24] = 0x07;  // 0x107, a ROM image's optional header: not walked
    WalkImports(host, host.AddModule("rom.exe", otherLayout));
    EXPECT_TRUE(host.listed.empty());
    // A 32-bit layout read as if it were 64-bit finds no import directory where it looks.
    std::vector<uint8_t> mislabelled = MakeImage({"k.dll"});
    mislabelled[0x40 + 24 + 1] = 0x02;
    WalkImports(host, host.AddModule("mislabelled.exe", mislabelled));
    EXPECT_TRUE(host.listed.empty());

    std::vector<uint8_t> farHeader = MakeImage({"k.dll"});
    farHeader[0x3C + 3] = 0x7F;  // new-header offset far outside the image
    WalkImports(host, host.AddModule("far.exe", farHeader));
    EXPECT_TRUE(host.listed.empty());

    // An import table without its terminating descriptor ends where the image's memory ends.
    std::vector<uint8_t> cut = MakeImage({"k.dll"});
    cut.resize(0x200 + 20);
    cut.insert(cut.end(), {'k', '.', 'd', 'l', 'l', 0});
    uint32_t nameRva = 0x200 + 20;
    memcpy(&cut[0x200 + 12], &nameRva, 4);
    WalkImports(host, host.AddModule("cut.exe", cut));
    EXPECT_EQ(host.ListedNames(), (Names{"k.dll"}));
}

}  // namespace
