// The settings store's text format: every kind of byte read back, damaged files, and the
// temporaries a killed writer leaves. (Missing values and key paths: through the DLL, under Wine.)
#include <gtest/gtest.h>
#include <chrono>
#include <filesystem>
#include "model/VirtualEmulator.h"
#include "store/AtomicFile.h"
#include "store/SettingsStore.h"

using namespace TamberResult;

// A new empty folder, removed when the test is done.
struct TempDir {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("tamber-store-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))).string();
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir() { std::filesystem::remove_all(path); }
};

class StoreTest : public ::testing::Test {
protected:
    StoreTest() : store(JoinPath(home.path, "Machine"), JoinPath(home.path, "User"))
    {
        EXPECT_TRUE(store.KeyFile("\\\\Machine\\CDModules", machine));
    }
    int32_t Set(const char* name, const std::string& bytes, bool binary = false)
    {
        return store.Set(machine, name, binary, reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()));
    }
    // The program's size probe: size 0 first, then a buffer of the size it gave.
    std::string Probe(const char* name, bool binary = false)
    {
        uint32_t size = 0;
        store.Query(machine, name, binary, nullptr, &size);
        std::string buffer(size, '\xCC');
        EXPECT_EQ(store.Query(machine, name, binary, reinterpret_cast<uint8_t*>(buffer.data()), &size), 0);
        return binary ? buffer : buffer.substr(0, size - 1);
    }

    TempDir home;
    SettingsStore store;
    std::string machine;
};

TEST_F(StoreTest, StringsAndBinaryValuesComeBackAsWritten)
{
    const struct { bool binary; std::string bytes; } cases[] = {
        {false, "quote \" and backslash \\ and \x01\x7F\xE9 bytes" + std::string(5000, 'x')},
        {true, std::string("\x2C\0\x01\xFF\x80 window placement", 22)},
    };
    for (const auto& c : cases) {
        ASSERT_GE(Set("Value", c.bytes, c.binary), 0);
        EXPECT_EQ(Probe("Value", c.binary), c.bytes) << "read back as written";
    }
}

TEST_F(StoreTest, DamagedFileIsReportedAndKeptBesideTheNewOne)
{
    ASSERT_EQ(Set("Path", "C:\\Modules"), 0);
    const std::string damaged = "TamberSettings 1\nPath=s\"C:\\\\Mod";
    ASSERT_TRUE(ReplaceFileAtomically(machine, damaged.data(), damaged.size(), false));
    uint32_t size = 0;
    EXPECT_EQ(store.Query(machine, "Path", false, nullptr, &size), InvalidData) << "damage reported on read";
    EXPECT_EQ(Set("Path", "D:\\New"), 1) << "success, with the damage reported";
    EXPECT_EQ(Probe("Path"), "D:\\New");
    std::string kept;
    EXPECT_TRUE(ReadWholeFile(machine + ".damaged", kept) && kept == damaged) << "the damaged copy is kept";
}

// The next write of a file removes its own temporaries older than a minute, and nothing else.
TEST(AtomicFile, ReplacingAFileSweepsOnlyItsOwnOldTemporaries)
{
    const struct { const char* name; int ageMinutes; bool kept; } cases[] = {
        {"Cadrel.key.tmp4242-0", 5, false},  // a writer killed long ago
        {"Cadrel.key.tmp4243-7", 0, true},   // may belong to a writer at work now
        {"CDModules.key.tmp17-0", 5, true},  // another file's: its own next write sweeps it
        {"Cadrel.key.damaged", 5, true},     // not a temporary at all
    };
    const TempDir temp;
    for (const auto& c : cases) {
        ASSERT_TRUE(ReplaceFileAtomically(JoinPath(temp.path, c.name), "x", 1, false)) << c.name;
        std::filesystem::last_write_time(JoinPath(temp.path, c.name), std::filesystem::file_time_type::clock::now() - std::chrono::minutes(c.ageMinutes));
    }
    ASSERT_TRUE(ReplaceFileAtomically(JoinPath(temp.path, "Cadrel.key"), "new", 3, false));
    for (const auto& c : cases) EXPECT_EQ(FileExists(JoinPath(temp.path, c.name)), c.kept) << c.name;
}
