// Writers killed at random moments, 200 times each: the settings key and the box always open and
// hold what the writer last finished or what it was writing, never a mix.
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <vector>
#include "ChildProgram.h"
#include <gtest/gtest.h>
#include "StateFolder.h"

namespace {

// Long enough that a write takes a while, so kills land inside it too.
std::string SettingsTextFor(unsigned long n)
{
    return "n=" + std::to_string(n) + ";" + std::string(6000 + n % 97, char('a' + n % 26));
}

SettingsKey* OpenMachineKey(HMODULE dll)
{
    SettingsRegistry* registry = nullptr;
    SettingsKey* key = nullptr;
    if (FactoryOf(dll) && FactoryOf(dll)(CLSID_SettingsRegistry, 0, 0, IID_SettingsRegistry, reinterpret_cast<void**>(&registry)) >= 0)
        registry->OpenKey("\\\\Machine\\CDModules", &key), registry->Release();
    return key;
}

// Started as "<this program> --write-settings N" (with TAMBER_HOME inherited), the program is the
// settings writer: numbered values from N until killed, "done N" once each SetValue returned.
const bool writerRun = [] {
    const char* from = std::strstr(GetCommandLineA(), "--write-settings ");
    if (!from) return false;
    SettingsKey* key = OpenMachineKey(LoadLibraryA("tamber_co.dll"));
    for (unsigned long n = std::strtoul(from + 17, nullptr, 10); key && key->SetValue("Text", SettingsTextFor(n).c_str()) >= 0; ++n)
        std::printf("done %lu\n", n), std::fflush(stdout);
    ExitProcess(4);
}();

}  // namespace

TEST(TamberCo, WritersKilledAtRandomMomentsLeaveOldOrNewState)
{
    const StateFolder folder("tamber-co-durable-", true);
    const HMODULE dll = LoadLibraryA("tamber_co.dll");
    SettingsKey* key = OpenMachineKey(dll);
    EmulatorSystem* system = nullptr;
    EmulatorDevice* device = nullptr;
    ASSERT_TRUE(key && FactoryOf(dll)(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, reinterpret_cast<void**>(&system)) >= 0 &&
                system->OpenDevice(IID_EmulatorDevice, reinterpret_cast<void**>(&device), 0, 0, 0) >= 0 &&
                key->SetValue("Text", SettingsTextFor(0).c_str()) == S_OK);
    // The box reads back whole: SRAM at 0x10000 one number throughout, the configuration the low
    // bits of that number or of the one before (the writer was killed between the two calls).
    // The killed writer's handle comes back at once, and this process kept the box open, so
    // what the writer left half done in the shared state is seen here.
    const auto readBox = [&]() -> unsigned long {
        DWORD handle = 0, size = 32768;
        std::vector<DWORD> block(8192);
        BYTE mode[2] = {};
        if (device->AcquireHandle(0, &handle, 0, 0) != S_OK) return ADD_FAILURE() << "the handle did not come back", 0;
        EXPECT_EQ(device->ReadMemory(handle, 0x10000, reinterpret_cast<BYTE*>(block.data()), &size), S_OK);
        EXPECT_EQ(device->QueryMode(handle, mode, 2, nullptr, 0), S_OK);
        device->ReleaseHandle(handle, 0, 0);
        EXPECT_EQ(std::vector<DWORD>(block.size(), block[0]), block) << "SRAM half written";
        EXPECT_TRUE(mode[1] == (block[0] & 15) || mode[1] == ((block[0] - 1) & 15)) << int(mode[1]) << " with " << block[0];
        return block[0];
    };
    const auto readKey = [&]() -> unsigned long {
        DWORD size = 0;
        key->QueryValue("Text", nullptr, &size);
        std::string text(size, '\0');
        if (size < 2 || key->QueryValue("Text", reinterpret_cast<BYTE*>(text.data()), &size) != S_OK) return ADD_FAILURE() << "unreadable", 0;
        text.pop_back();  // the terminator
        const unsigned long found = std::strtoul(text.c_str() + 2, nullptr, 10);
        EXPECT_EQ(text, SettingsTextFor(found));
        return found;
    };
    ChildProgram(BesideThisProgram("tamber_box_client.exe") + " churn 0").ReadLine();  // the box's first state, 0
    const struct { const char* what; std::string writer; std::function<unsigned long()> read; } cases[] = {
        {"settings", BesideThisProgram("tamber_component_tests.exe") + " --write-settings ", readKey},
        {"box", BesideThisProgram("tamber_box_client.exe") + " churn ", readBox},
    };
    std::mt19937 random(1206);
    for (const auto& c : cases) {
        unsigned long current = c.read();
        int landed = 0;
        for (int round = 0; round < 200 && !testing::Test::HasFailure(); ++round) {
            ChildProgram writer(c.writer + std::to_string(current + 1));
            ASSERT_TRUE(writer.Started()) << c.what << " round " << round << ": the writer did not start, error " << GetLastError();
            // Let it start (loading the DLL takes a while under wine), then kill it somewhere.
            Sleep(DWORD(std::uniform_int_distribution<int>(5, 60)(random)));
            writer.Kill();
            unsigned long done = current;
            for (std::string line; !(line = writer.ReadLine()).empty();) done = std::strtoul(line.c_str() + 5, nullptr, 10);
            const unsigned long found = c.read();
            ASSERT_TRUE(found == done || found == done + 1) << c.what << " round " << round << ": found " << found << " after " << done << " completed";
            landed += found != current;
            current = found;
        }
        EXPECT_GT(landed, 20) << c.what << ": most kills came before the writer wrote anything; the test proves little";
    }
    std::ifstream in(folder.TracePath());
    int undone = 0;
    for (std::string line; std::getline(in, line);) undone += line.find("box recovered: ") != std::string::npos && line.find("undone") != std::string::npos;
    EXPECT_GT(undone, 0) << "no kill landed inside a memory write; the test proves little";
    key->Release(), device->Release(), system->Release();
    FreeLibrary(dll);
}
