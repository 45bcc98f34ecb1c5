// A writer killed at any moment never leaves a key unreadable: the value found afterwards is the
// one before the interrupted write or the one it was writing.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <random>
#include "BoxFixture.h"
#include "store/SettingsStore.h"

namespace {

std::string TextFor(uint32_t n)
{
    // Long enough that a write takes a while, so kills land inside it too.
    return "n=" + std::to_string(n) + ";" + std::string(6000 + n % 97, char('a' + n % 26));
}

uint32_t NumberIn(const std::string& text)
{
    return uint32_t(std::stoul(text.substr(2, text.find(';') - 2)));
}

[[noreturn]] void Writer(SettingsStore& store, const std::string& file, uint32_t first, int pipeOut)
{
    for (uint32_t n = first; n < first + 100000; ++n) {
        const std::string t = TextFor(n);
        if (store.Set(file, "Text", false, reinterpret_cast<const uint8_t*>(t.data()), uint32_t(t.size())) < 0) _exit(3);
        if (write(pipeOut, &n, sizeof n) != sizeof n) _exit(4);
    }
    _exit(0);
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
    const std::string initial = TextFor(0);
    ASSERT_EQ(store.Set(file, "Text", false, reinterpret_cast<const uint8_t*>(initial.data()), uint32_t(initial.size())), 0);

    std::mt19937 random(20261206);
    uint32_t current = 0;
    int interrupted = 0;
    for (int round = 0; round < 220; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            Writer(store, file, current + 1, fds[1]);
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
        ASSERT_EQ(store.Query(file, "Text", false, nullptr, &size), 0) << "round " << round;
        std::vector<uint8_t> buffer(size);
        ASSERT_EQ(store.Query(file, "Text", false, buffer.data(), &size), 0);
        const uint32_t found = NumberIn(reinterpret_cast<char*>(buffer.data()));
        ASSERT_TRUE(found == done || found == done + 1) << "round " << round << ": found " << found
                                                        << " after " << done << " completed";
        ASSERT_EQ(std::string(reinterpret_cast<char*>(buffer.data())), TextFor(found));
        if (found == done + 1) ++interrupted;
        std::vector<uint8_t> back(44);
        size = 44;
        ASSERT_EQ(store.Query(file, "WindowPos", true, back.data(), &size), 0);
        ASSERT_EQ(back, blob) << "the other value of the key is intact";
        current = found;
    }
    std::printf("[ info ] %u values written, %d kills landed after the rename and before the report\n", current,
                interrupted);
}
