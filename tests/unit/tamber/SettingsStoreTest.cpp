// The settings store as the program uses it: values written and read back, size probes,
// missing values, wrong key paths, damaged files, and the first run on a fresh machine.
#include <chrono>
#include <cstring>
#include "BoxFixture.h"
#include "store/AtomicFile.h"
#include "store/DemoMaterial.h"
#include "store/SettingsStore.h"

using namespace TamberResult;

class StoreTest : public ::testing::Test {
protected:
    StoreTest() : home(UniqueTempDir("store")), store(JoinPath(home, "Machine"), JoinPath(home, "User"))
    {
        EXPECT_TRUE(store.KeyFile("\\\\Machine\\CDModules", machine));
        EXPECT_TRUE(store.KeyFile("\\\\User\\Cadrel", user));
    }
    int32_t SetText(const std::string& key, const char* name, const std::string& text)
    {
        return store.Set(key, name, false, reinterpret_cast<const uint8_t*>(text.c_str()), uint32_t(text.size()));
    }
    // The program's size probe: size 0 first, then a buffer of the size it gave.
    std::string Probe(const std::string& key, const char* name, int32_t* result = nullptr)
    {
        uint32_t size = 0;
        const int32_t r = store.Query(key, name, false, nullptr, &size);
        if (result) *result = r;
        if (size == 0) return "<size 0>";
        std::vector<uint8_t> buffer(size, 0xCC);
        EXPECT_EQ(store.Query(key, name, false, buffer.data(), &size), 0);
        EXPECT_EQ(buffer[size - 1], 0) << "terminator copied";
        return std::string(reinterpret_cast<char*>(buffer.data()));
    }

    std::string home;
    SettingsStore store;
    std::string machine, user;
};

TEST_F(StoreTest, StringsAndBinaryValuesComeBackAsWritten)
{
    const std::string texts[] = {"SatCD123491520;DexCD100040961;", "C:\\Tamber\\Modules", "",
                                 "quote \" and backslash \\ and \x01\x7F\xE9 bytes", std::string(5000, 'x')};
    for (const std::string& t : texts) {
        ASSERT_GE(SetText(machine, "Modules", t), 0);
        EXPECT_EQ(Probe(machine, "Modules"), t.empty() ? std::string() : t);
    }
    uint32_t size = 0;
    ASSERT_EQ(store.Query(machine, "Modules", false, nullptr, &size), 0);
    EXPECT_EQ(size, 5001u) << "size needed includes the terminator";

    std::vector<uint8_t> placement(44);
    for (size_t i = 0; i < placement.size(); ++i) placement[i] = uint8_t(i * 29);
    placement[0] = 44;
    ASSERT_EQ(store.Set(user, "WindowPos", true, placement.data(), 44), 0);
    std::vector<uint8_t> back(44, 0);
    size = 44;
    ASSERT_EQ(store.Query(user, "WindowPos", true, back.data(), &size), 0);
    EXPECT_EQ(size, 44u);
    EXPECT_EQ(back, placement);
    ASSERT_EQ(store.Set(user, "Empty", true, nullptr, 0), 0);
    size = 16;
    EXPECT_EQ(store.Query(user, "Empty", true, back.data(), &size), 0);
    EXPECT_EQ(size, 0u);

    // Both keys live in their own readable files.
    std::string text;
    ASSERT_TRUE(ReadWholeFile(user, text));
    EXPECT_NE(text.find("WindowPos=x2C"), std::string::npos) << text;
    ASSERT_TRUE(ReadWholeFile(machine, text));
    EXPECT_NE(text.find("Modules=s\""), std::string::npos) << text;
}

TEST_F(StoreTest, SmallBuffersMissingValuesAndWrongKinds)
{
    ASSERT_EQ(SetText(machine, "DefModule", "Sat"), 0);
    uint8_t buffer[8] = {};
    uint32_t size = 3;
    EXPECT_EQ(store.Query(machine, "DefModule", false, buffer, &size), BufferTooSmall);
    EXPECT_EQ(size, 4u) << "a buffer too small learns the size needed";
    size = 4;
    EXPECT_EQ(store.Query(machine, "DefModule", false, buffer, &size), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "Sat");

    struct Case {
        const char* what;
        std::string key;
        const char* name;
        bool binary;
        int32_t result;
    };
    const Case cases[] = {
        {"missing value", machine, "Path", false, NotFound},
        {"missing key file", user, "WindowPos", true, NotFound},
        {"string read as binary", machine, "DefModule", true, InvalidArg},
        {"empty name", machine, "", false, InvalidArg},
        {"name with '='", machine, "a=b", false, InvalidArg},
    };
    for (const Case& c : cases) {
        uint32_t n = sizeof buffer;
        EXPECT_EQ(store.Query(c.key, c.name, c.binary, buffer, &n), c.result) << c.what;
        EXPECT_EQ(n, 0u) << c.what << ": a value that cannot be read leaves size 0";
        n = 0;
        EXPECT_LT(store.Query(c.key, c.name, c.binary, nullptr, &n), 0) << c.what;
        EXPECT_EQ(n, 0u) << c.what;
    }
}

TEST_F(StoreTest, OnlyMachineAndUserKeyPathsAreKeys)
{
    struct Case {
        const char* path;
        bool valid;
    };
    const Case cases[] = {
        {"\\\\Machine\\CDModules", true}, {"\\\\User\\Cadrel", true},   {"\\\\Machine\\A\\B c", true},
        {"\\\\System\\CDModules", false}, {"Machine\\CDModules", false}, {"\\\\Machine\\", false},
        {"\\\\Machine", false},           {"", false},                  {"\\\\User\\..\\x", false},
        {"\\\\User\\a\\\\b", false},      {"\\\\User\\a/b", false},      {"\\\\User\\a:b", false},
    };
    for (const Case& c : cases) {
        std::string file;
        EXPECT_EQ(store.KeyFile(c.path, file), c.valid) << c.path;
    }
}

TEST_F(StoreTest, DamagedFileIsReportedAndKeptBesideTheNewOne)
{
    ASSERT_EQ(SetText(machine, "Path", "C:\\Modules"), 0);
    const std::string damaged[] = {"TamberSettings 1\nPath=s\"C:\\\\Mod", "garbage\n", "TamberSettings 1\nPath\nend\n",
                                   "TamberSettings 1\nX=s\"ok\"\nend\ntrailing\n", ""};
    int round = 0;
    for (const std::string& content : damaged) {
        SCOPED_TRACE(content);
        ASSERT_TRUE(ReplaceFileAtomically(machine, content.data(), content.size(), false));
        uint32_t size = 0;
        EXPECT_EQ(store.Query(machine, "Path", false, nullptr, &size), InvalidData);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(SetText(machine, "Path", "D:\\New"), 1) << "success, with the damage reported";
        EXPECT_EQ(Probe(machine, "Path"), "D:\\New");
        std::string kept;
        ASSERT_TRUE(ReadWholeFile(machine + (round == 0 ? ".damaged" : ".damaged" + std::to_string(round + 1)), kept));
        EXPECT_EQ(kept, content);
        ++round;
    }
}

TEST_F(StoreTest, TemporariesOfKilledWritersAreSweptWhenOld)
{
    ASSERT_EQ(SetText(machine, "Path", "C:\\Modules"), 0);
    ASSERT_EQ(SetText(user, "Other", "x"), 0);
    namespace fs = std::filesystem;
    const std::string old = machine + ".tmp4242-0", young = machine + ".tmp4243-0", other = user + ".tmp4244-0";
    for (const std::string& p : {old, young, other}) ASSERT_TRUE(ReplaceFileAtomically(p, "x", 1, false));
    fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::minutes(5));
    fs::last_write_time(other, fs::file_time_type::clock::now() - std::chrono::minutes(5));
    ASSERT_EQ(SetText(machine, "Path", "D:\\Modules"), 0);
    EXPECT_FALSE(fs::exists(old)) << "an old temporary of this key is removed";
    EXPECT_TRUE(fs::exists(young)) << "a young one may belong to a writer still at work";
    EXPECT_TRUE(fs::exists(other)) << "another key's files are not touched";
    EXPECT_EQ(Probe(machine, "Path"), "D:\\Modules");
}

TEST_F(StoreTest, FirstRunSeedsModulesAndSettingsOnce)
{
    const std::string folder = JoinPath(home, "Modules");
    ASSERT_TRUE(SeedDefaultSettings(store, machine, folder));
    EXPECT_EQ(Probe(machine, "Path"), folder);
    EXPECT_EQ(Probe(machine, "Modules"), "SatCD100400000;DexCD100300010;");
    EXPECT_EQ(Probe(machine, "ModsInstalled"), "SatCD100400000;DexCD100300010;");
    EXPECT_EQ(Probe(machine, "DefModule"), "Sat");
    struct File {
        const char* name;
        size_t size;
    };
    for (const File f : {File{"SatCD100.bin", 40000}, File{"DexCD100.bin", 30001}, File{"cutcd004.bin", 0}}) {
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(JoinPath(folder, f.name), bytes)) << f.name;
        if (f.size) {
            EXPECT_EQ(bytes.size(), f.size) << f.name;
        }
        EXPECT_GE(bytes.size(), 8u) << f.name;
    }
    std::string first, second;
    ASSERT_TRUE(ReadWholeFile(JoinPath(folder, "SatCD100.bin"), first));
    ASSERT_TRUE(WriteDemoFiles(JoinPath(home, "Again")));
    ASSERT_TRUE(ReadWholeFile(JoinPath(JoinPath(home, "Again"), "SatCD100.bin"), second));
    EXPECT_EQ(first, second) << "demo modules are the same bytes every time";

    ASSERT_EQ(SetText(machine, "ModsInstalled", "SatCD100400001;"), 0);
    EXPECT_FALSE(SeedDefaultSettings(store, machine, folder)) << "a machine with a Path is left alone";
    EXPECT_EQ(Probe(machine, "ModsInstalled"), "SatCD100400001;");
}
