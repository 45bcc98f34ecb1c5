// The settings store as the program uses it: values written and read back, size probes,
// missing values, wrong key paths and damaged files.
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

TEST_F(StoreTest, MissingValuesAndUnknownKeyPathsGiveSizeZero)
{
    ASSERT_EQ(Set(machine, "DefModule", "Sat"), 0);
    const struct { const char* what; std::string key; const char* name; bool binary; } missing[] = {
        {"missing value", machine, "Path", false},
        {"missing key file", user, "WindowPos", true},
        {"string read as binary", machine, "DefModule", true},
    };
    for (const auto& c : missing) {
        uint8_t buffer[8];
        uint32_t size = sizeof buffer;
        EXPECT_LT(store.Query(c.key, c.name, c.binary, buffer, &size), 0) << c.what;
        EXPECT_EQ(size, 0u) << c.what << ": a value that cannot be read leaves size 0";
    }
    const struct { const char* path; bool valid; } paths[] = {
        {"\\\\Machine\\A\\B c", true},    {"\\\\System\\CDModules", false}, {"Machine\\CDModules", false},
        {"\\\\Machine\\", false},         {"", false},                     {"\\\\User\\..\\x", false},
        {"\\\\User\\a/b", false},         {"\\\\User\\a:b", false},
    };
    for (const auto& p : paths) {
        std::string file;
        EXPECT_EQ(store.KeyFile(p.path, file), p.valid) << p.path << (p.valid ? " is a key" : " is not a key");
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
