// Temporary files that a killed writer left behind: the next write of the same file removes
// those older than a minute, and nothing else.
#include "BoxFixture.h"
#include "store/AtomicFile.h"

TEST(AtomicFile, ReplacingAFileSweepsOnlyItsOwnOldTemporaries)
{
    struct Case {
        const char* name;
        int ageMinutes;
        bool kept;
    };
    const Case cases[] = {
        {"Cadrel.key.tmp4242-0", 5, false},  // a writer killed long ago
        {"Cadrel.key.tmp4243-7", 0, true},   // may belong to a writer at work now
        {"CDModules.key.tmp17-0", 5, true},  // another file's: its own next write sweeps it
        {"Cadrel.key.damaged", 5, true},     // not a temporary at all
    };
    const std::string dir = UniqueTempDir("sweep");
    const auto now = std::filesystem::file_time_type::clock::now();
    for (const Case& c : cases) {
        const std::string path = JoinPath(dir, c.name);
        ASSERT_TRUE(ReplaceFileAtomically(path, "x", 1, false)) << c.name;
        std::filesystem::last_write_time(path, now - std::chrono::minutes(c.ageMinutes));
    }
    ASSERT_TRUE(ReplaceFileAtomically(JoinPath(dir, "Cadrel.key"), "new", 3, false));
    for (const Case& c : cases)
        EXPECT_EQ(FileExists(JoinPath(dir, c.name)), c.kept) << c.name << (c.kept ? " was removed" : " was left");
    std::string text;
    ASSERT_TRUE(ReadWholeFile(JoinPath(dir, "Cadrel.key"), text));
    EXPECT_EQ(text, "new");
}
