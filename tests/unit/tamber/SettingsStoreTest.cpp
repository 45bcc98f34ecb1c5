// The settings store's own text format: values with every kind of byte written and read back,
// and damaged files. (Missing values and key paths are checked through the DLL, under Wine.)
#include "BoxFixture.h"
#include "store/AtomicFile.h"
#include "store/SettingsStore.h"

using namespace TamberResult;

class StoreTest : public ::testing::Test {
protected:
    StoreTest() : home(UniqueTempDir("store")), store(JoinPath(home, "Machine"), JoinPath(home, "User"))
    {
        EXPECT_TRUE(store.KeyFile("\\\\Machine\\CDModules", machine));
        EXPECT_TRUE(store.KeyFile("\\\\User\\Cadrel", user));
    }
    int32_t Set(const std::string& key, const char* name, const std::string& bytes, bool binary = false)
    {
        return store.Set(key, name, binary, reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()));
    }
    // The program's size probe: size 0 first, then a buffer of the size it gave.
    std::string Probe(const std::string& key, const char* name, bool binary = false)
    {
        uint32_t size = 0;
        store.Query(key, name, binary, nullptr, &size);
        if (size == 0) return "<size 0>";
        std::string buffer(size, '\xCC');
        EXPECT_EQ(store.Query(key, name, binary, reinterpret_cast<uint8_t*>(buffer.data()), &size), 0);
        if (binary) return buffer;
        EXPECT_EQ(buffer.back(), '\0') << "the size probe counts the terminator, and it is copied";
        return buffer.substr(0, buffer.size() - 1);
    }

    std::string home;
    SettingsStore store;
    std::string machine, user;
};

TEST_F(StoreTest, StringsAndBinaryValuesComeBackAsWritten)
{
    const struct { bool binary; std::string bytes; } cases[] = {
        {false, "SatCD123491520;DexCD100040961;"},
        {false, "C:\\Tamber\\Modules"},
        {false, "quote \" and backslash \\ and \x01\x7F\xE9 bytes"},
        {false, std::string(5000, 'x')},
        {true, std::string("\x2C\0\x01\xFF\x80 window placement", 22)},
    };
    for (const auto& c : cases) {
        ASSERT_GE(Set(c.binary ? user : machine, "Value", c.bytes, c.binary), 0);
        EXPECT_EQ(Probe(c.binary ? user : machine, "Value", c.binary), c.bytes) << "read back as written";
    }
}

TEST_F(StoreTest, DamagedFileIsReportedAndKeptBesideTheNewOne)
{
    ASSERT_EQ(Set(machine, "Path", "C:\\Modules"), 0);
    const std::string damaged = "TamberSettings 1\nPath=s\"C:\\\\Mod";
    ASSERT_TRUE(ReplaceFileAtomically(machine, damaged.data(), damaged.size(), false));
    uint32_t size = 0;
    EXPECT_EQ(store.Query(machine, "Path", false, nullptr, &size), InvalidData) << "damage reported on read";
    EXPECT_EQ(Set(machine, "Path", "D:\\New"), 1) << "success, with the damage reported";
    EXPECT_EQ(Probe(machine, "Path"), "D:\\New");
    std::string kept;
    ASSERT_TRUE(ReadWholeFile(machine + ".damaged", kept)) << "the damaged copy is kept";
    EXPECT_EQ(kept, damaged);
}
