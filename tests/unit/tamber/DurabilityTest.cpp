// A writer killed at any moment never leaves a key unreadable: the value found afterwards is the
// one before the interrupted write or the one it was writing.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <random>
#include "BoxFixture.h"
#include "store/SettingsStore.h"

namespace {

// Long enough that a write takes a while, so kills land inside it too.
std::string TextFor(uint32_t n) { return "n=" + std::to_string(n) + ";" + std::string(6000 + n % 97, char('a' + n % 26)); }

int32_t SetText(SettingsStore& store, const std::string& file, const std::string& t)
{
    return store.Set(file, "Text", false, reinterpret_cast<const uint8_t*>(t.data()), uint32_t(t.size()));
}

}  // namespace

TEST(SettingsDurability, WriterKilledAtRandomMomentsLeavesOldOrNewValue)
{
    const std::string home = UniqueTempDir("durable");
    SettingsStore store(home + "/Machine", home + "/User");
    std::string file;
    ASSERT_TRUE(store.KeyFile("\\\\Machine\\CDModules", file));
    const std::vector<uint8_t> blob(44, 0x5A);
    ASSERT_EQ(store.Set(file, "WindowPos", true, blob.data(), 44), 0);
    ASSERT_EQ(SetText(store, file, TextFor(0)), 0);

    std::mt19937 random(20261206);
    uint32_t current = 0;
    for (int round = 0; round < 220; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {  // the writer: numbered values, each reported once SetValue returned
            close(fds[0]);
            for (uint32_t n = current + 1;; ++n)
                if (SetText(store, file, TextFor(n)) < 0 || write(fds[1], &n, sizeof n) != sizeof n) _exit(3);
        }
        close(fds[1]);
        usleep(std::uniform_int_distribution<int>(0, 4000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own with " << status;
        uint32_t done = current, n = 0;
        while (read(fds[0], &n, sizeof n) == sizeof n) done = n;
        close(fds[0]);

        uint32_t size = 0;
        ASSERT_EQ(store.Query(file, "Text", false, nullptr, &size), 0) << "round " << round << ": key unreadable";
        std::string text(size, '\0');
        ASSERT_EQ(store.Query(file, "Text", false, reinterpret_cast<uint8_t*>(text.data()), &size), 0);
        text.pop_back();
        const uint32_t found = uint32_t(std::stoul(text.substr(2)));
        ASSERT_TRUE(found == done || found == done + 1)
            << "round " << round << ": expected value " << done << " or " << done + 1 << ", found " << found;
        ASSERT_EQ(text, TextFor(found)) << "round " << round << ": value " << found << " is whole";
        std::vector<uint8_t> back(44);
        size = 44;
        ASSERT_EQ(store.Query(file, "WindowPos", true, back.data(), &size), 0);
        ASSERT_EQ(back, blob) << "round " << round << ": the other value of the key is intact";
        current = found;
    }
}
