// Module upload into the virtual emulator's SRAM, read back through the component.
#include <gtest/gtest.h>
#include <algorithm>
#include "ProgramRun.h"
#include "common/ByteOrder.h"
#include "common/Checksum.h"

namespace {

using Writes = std::vector<std::pair<uint32_t, uint32_t>>;  // address, length

// The directory of the record block as the emulator holds it now: target code and load address.
std::vector<std::pair<uint16_t, uint32_t>> Directory(const ProgramRun& run)
{
    const std::vector<uint8_t> block = run.ReadSram(0xFFE00, 512);
    std::vector<std::pair<uint16_t, uint32_t>> entries;
    for (size_t at = 22; block.size() == 512 && at + 20 <= 256 && LoadBE32(&block[at + 8]); at += 20)
        entries.emplace_back(LoadBE16(&block[at]), LoadBE32(&block[at + 8]));
    return entries;
}

Writes WritesOf(const ProgramRun& run)
{
    Writes writes;
    for (const TraceLine& call : run.Calls("WriteMemory"))
        writes.emplace_back(call.Arg("address"), call.Arg("length"));
    return writes;
}

// Runs until the first status poll; returns the Messages list.
std::vector<std::string> RunToFirstPoll(ProgramRun& run)
{
    std::vector<std::string> messages;
    run.Run([&](Robot& robot) {
        Robot::WaitUntil([&] { return robot.MainWindow() && !robot.StatusPane(2).empty(); }, 15000);
        messages = robot.Messages();
    });
    return messages;
}

}  // namespace

// A fresh box gets both demo modules and boots.
TEST(Upload, FreshEmulatorGetsBothDemoModulesAndBoots)
{
    ProgramRun run;
    std::vector<std::string> messages;
    run.Run([&](Robot& robot) {
        EXPECT_TRUE(Robot::WaitUntil([&] { return robot.MainWindow() && robot.StatusPane(2) == "Play"; }, 8000));
        messages = robot.Messages();
    });
    EXPECT_EQ(WritesOf(run), (Writes{{0xEA1C0, 40000}, {0xE2C8C, 30004}, {0xFFE00, 512}}));
    // One 256-byte read of the device table; after the block: file transfer, the block read back, emulation.
    std::vector<std::string> after;
    int tableReads = 0;
    bool written = false;
    for (const TraceLine& call : run.Trace()) {
        tableReads += call.op == "ReadMemory" && call.Arg("address") == 0xFFF00 && call.Arg("length") == 256;
        written |= call.op == "WriteMemory" && call.Arg("address") == 0xFFE00;
        if (written && (call.op == "SetMode" || call.op == "ReadMemory"))
            after.push_back(call.op + " " + std::to_string(call.Arg(call.op == "SetMode" ? "mode" : "address")));
    }
    EXPECT_EQ(tableReads, 1);
    EXPECT_EQ(after, (std::vector<std::string>{"SetMode 0", "ReadMemory " + std::to_string(0xFFE00), "SetMode 1"}));
    std::vector<uint8_t> block = run.ReadSram(0xFFE00, 512);
    ASSERT_EQ(block.size(), 512u);
    EXPECT_EQ(Directory(run), (std::vector<std::pair<uint16_t, uint32_t>>{{0x0002, 0xEA1C0}, {0x00FC, 0xE2C8C}}));
    EXPECT_EQ(LoadBE16(&block[2]) * 10 + LoadBE16(&block[4]), 21) << "two modules; DefModule Sat names the first";
    EXPECT_EQ(LoadLE32(&block[508]), XorChecksum(block.data(), 127));
    // Before the upload a fresh box rightly says it has no modules; after it, nothing is wrong.
    const std::string path = run.ModulePath();
    EXPECT_TRUE(Contains(messages, "Emulation module " + path + "\\SatCD100.bin uploaded."));
    auto uploaded = std::find(messages.begin(), messages.end(), "Emulation module " + path + "\\DexCD100.bin uploaded.");
    ASSERT_NE(uploaded, messages.end());
    EXPECT_TRUE(std::none_of(uploaded, messages.end(), [](const std::string& m) { return m.find("Error") != m.npos; }));

}

// Two newer Saturn modules are available: the last newer one in the list replaces the unlocked
// installed one, keeps its lock character, and is uploaded.
TEST(Upload, NewerAvailableModuleReplacesAnUnlockedInstalledOne)
{
    ProgramRun run;
    RunToFirstPoll(run);  // the demo modules are in the box now
    run.WriteModuleFile("SatCD120", 38000);
    run.WriteModuleFile("SatCD110", 36000);
    run.WriteSetting(ProgramRun::MachineKey, "Modules", "SatCD100400000;SatCD120380000;DexCD100300010;SatCD110360000;");
    run.WriteSetting(ProgramRun::MachineKey, "DefModule", "Dex");
    RunToFirstPoll(run);
    EXPECT_EQ(int(run.ReadSram(0xFFE00, 6).at(5)), 2) << "the default module number follows DefModule";
    EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "ModsInstalled"), "SatCD110360000;DexCD100300010;");
    EXPECT_EQ(WritesOf(run), (Writes{{0xF3E00 - 36000, 36000}, {0xF3E00 - 36000 - 30004, 30004}, {0xFFE00, 512}}));
}
