// Module upload into the virtual emulator's SRAM, read back through the component.
#include <gtest/gtest.h>
#include <algorithm>
#include "ProgramRun.h"
#include "common/ByteOrder.h"
#include "common/Checksum.h"
#include "resources/ResourceIds.h"

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

// Runs until the first status poll has shown something, answering "File Not Found" boxes;
// returns the Messages list. %P in expected lines stands for the module folder.
std::vector<std::string> RunToFirstPoll(ProgramRun& run, std::vector<std::string>* boxes = nullptr)
{
    std::vector<std::string> messages;
    run.Run([&](Robot& robot) {
        Robot::WaitUntil([&] {
            if (HWND box = robot.FindDialog("File Not Found")) {
                if (boxes)
                    boxes->push_back(Robot::DialogText(box));
                Robot::Press(box, IDOK);
                Sleep(100);
            }
            return robot.MainWindow() && !robot.StatusPane(2).empty();
        }, 15000);
        messages = robot.Messages();
    });
    return messages;
}

std::string Expand(std::string text, const std::string& path)
{
    if (auto at = text.find("%P"); at != std::string::npos)
        text.replace(at, 2, path);
    return text;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(Upload, FreshEmulatorGetsBothDemoModulesAndBootsWithoutModuleError)
{
    ProgramRun run;
    std::vector<std::string> messages;
    run.Run([&](Robot& robot) {
        EXPECT_TRUE(Robot::WaitUntil([&] { return robot.MainWindow() && robot.StatusPane(2) == "Play"; }, 8000));
        messages = robot.Messages();
    });
    EXPECT_EQ(WritesOf(run), (Writes{{0xEA1C0, 40000}, {0xE2C8C, 30004}, {0xFFE00, 512}}));
    // One 256-byte read of the device table; after the block: file transfer, the block read
    // back, emulation again.
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

    const std::vector<uint8_t> block = run.ReadSram(0xFFE00, 512);
    ASSERT_EQ(block.size(), 512u);
    EXPECT_EQ(Directory(run), (std::vector<std::pair<uint16_t, uint32_t>>{{0x0002, 0xEA1C0}, {0x00FC, 0xE2C8C}}));
    EXPECT_EQ(LoadBE16(&block[2]), 2);
    EXPECT_EQ(LoadBE16(&block[4]), 1) << "DefModule Sat names the first module";
    EXPECT_EQ(LoadLE32(&block[508]), XorChecksum(block.data(), 127));
    // Before the upload a fresh box rightly says it has no modules; after it, nothing is wrong.
    const std::string path = run.ModulePath();
    EXPECT_TRUE(Contains(messages, "Emulation module " + path + "\\SatCD100.bin uploaded."));
    auto uploaded = std::find(messages.begin(), messages.end(), "Emulation module " + path + "\\DexCD100.bin uploaded.");
    ASSERT_NE(uploaded, messages.end());
    for (auto m = uploaded; m != messages.end(); ++m)
        EXPECT_EQ(m->find("Error"), std::string::npos) << *m;

    RunToFirstPoll(run);
    EXPECT_TRUE(WritesOf(run).empty()) << "a second start finds the modules in place";
}

TEST(Upload, ModuleFilesAndFailuresGiveTheirEffectAndMessage)
{
    struct Case {
        const char* name;
        const char* installed;
        std::vector<std::pair<std::string, size_t>> files;  // module files to write
        const char* fault;
        Writes writes;
        std::vector<std::string> lines;  // expected Messages lines
        const char* box;                 // expected File Not Found text
    };
    const Case cases[] = {
        {"empty file", "SatCD120000000;", {{"SatCD120", 0}}, "", {{0xF3E00, 0}, {0xFFE00, 512}},
         {"Emulation module %P\\SatCD120.bin uploaded."}, nullptr},
        {"file over 49152 bytes", "SatCD120600000;", {{"SatCD120", 60000}}, "", {{0xF3E00 - 49152, 49152}, {0xFFE00, 512}},
         {"Emulation module %P\\SatCD120.bin uploaded."}, nullptr},
        {"missing file", "SatCD300400000;DexCD100300010;", {}, "", {{0xF3E00 - 30004, 30004}, {0xFFE00, 512}},
         {"Emulation module %P\\DexCD100.bin uploaded."}, "The module file %P\\SatCD300.bin could not be found"},
        {"image write fails", "SatCD100400000;DexCD100300010;", {}, "op = \"WriteMemory\"\nnth = 1\n",
         {{0xEA1C0, 40000}, {0xE2C8C, 30004}, {0xFFE00, 512}},
         {"WARNING: upload of module %P\\SatCD100.bin failed - cannot send memory",
          "Emulation module %P\\DexCD100.bin uploaded."}, nullptr},
        {"record block read fails", "SatCD100400000;", {}, "op = \"ReadMemory\"\nnth = 2\n", {{0xEA1C0, 40000}},
         {"WARNING, upload of module record data failed."}, nullptr},
        {"record block write fails", "SatCD100400000;", {}, "op = \"WriteMemory\"\nnth = 2\n",
         {{0xEA1C0, 40000}, {0xFFE00, 512}}, {"WARNING, upload of module record data failed."}, nullptr},
        {"door does not open", "SatCD100400000;", {}, "op = \"SetMode\"\nnth = 1\n", {{0xFFE00, 512}},
         {"WARNING: upload of module %P\\SatCD100.bin failed - Can't open door"}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramRun run;
        const std::string path = run.ModulePath();
        run.WriteSetting(ProgramRun::MachineKey, "ModsInstalled", c.installed);
        for (const auto& [name, size] : c.files)
            run.WriteModuleFile(name, size);
        if (*c.fault)
            run.Scenario(std::string("[[fault]]\n") + c.fault);
        std::vector<std::string> boxes;
        const std::vector<std::string> messages = RunToFirstPoll(run, &boxes);
        EXPECT_EQ(WritesOf(run), c.writes);
        for (const std::string& line : c.lines)
            EXPECT_TRUE(Contains(messages, Expand(line, path))) << "no line " << Expand(line, path);
        EXPECT_EQ(boxes, c.box ? std::vector<std::string>{Expand(c.box, path)} : std::vector<std::string>{});
    }
}

TEST(Upload, DefaultModuleNumberFollowsDefModuleWhichIsWrittenBackUnlessEmpty)
{
    for (const auto& [defModule, number] : {std::pair{"Dex", 2}, {"Nun", 0}, {"", 2}}) {
        ProgramRun run;
        run.WriteSetting(ProgramRun::MachineKey, "DefModule", defModule);
        RunToFirstPoll(run);
        const std::vector<uint8_t> block = run.ReadSram(0xFFE00, 512);
        ASSERT_EQ(block.size(), 512u);
        EXPECT_EQ(LoadBE16(&block[4]), number) << "DefModule '" << defModule << "'";
        const auto calls = run.Calls("SetValue");
        EXPECT_EQ(std::any_of(calls.begin(), calls.end(), [](const TraceLine& l) { return l.args.count("name") && l.args.at("name") == "DefModule"; }),
                  *defModule != '\0') << "DefModule '" << defModule << "' written back";
    }
}

TEST(Upload, SramFloorRefusesTheModuleAndEveryLaterOne)
{
    ProgramRun run;
    RunToFirstPoll(run);
    // The emulator now reports a floor above where the modules go.
    std::vector<uint8_t> block = run.ReadSram(0xFFE00, 512);
    ASSERT_EQ(block.size(), 512u);
    StoreBE32(&block[18], 0xF0000);
    StoreLE32(&block[508], XorChecksum(block.data(), 127));
    run.WriteSram(0xFFE00, block);
    std::vector<std::string> messages;
    run.Run([&](Robot& robot) {
        Robot::WaitUntil([&] { return robot.MainWindow() && !robot.StatusPane(2).empty(); }, 8000);
        robot.Send(ProgramRun::UploadAllMessage, 0, 0);
        messages = robot.Messages();
    });
    for (const char* module : {"SatCD100", "DexCD100"})
        EXPECT_TRUE(Contains(messages, "WARNING: upload of module " + run.ModulePath() + "\\" + module +
                                           ".bin failed - SRAM Space Exhausted")) << module;
    EXPECT_EQ(WritesOf(run), (Writes{{0xFFE00, 512}}));
    EXPECT_TRUE(Directory(run).empty());
}

// Two newer Saturn modules are available: the last newer one in the list wins, its lock
// character stays, and it is uploaded; a locked installed module is kept and nothing is sent.
TEST(Upload, NewerAvailableModuleReplacesAnUnlockedInstalledOneOnly)
{
    const struct { const char *installed, *afterwards; Writes writes; } cases[] = {
        {"SatCD100400000;DexCD100300010;", "SatCD110360000;DexCD100300010;",
         {{0xF3E00 - 36000, 36000}, {0xF3E00 - 36000 - 30004, 30004}, {0xFFE00, 512}}},
        {"SatCD100400001;DexCD100300010;", "SatCD100400001;DexCD100300010;", {}},
    };
    for (const auto& c : cases) {
        ProgramRun run;
        RunToFirstPoll(run);  // the demo modules are in the box now
        run.WriteModuleFile("SatCD120", 38000);
        run.WriteModuleFile("SatCD110", 36000);
        run.WriteSetting(ProgramRun::MachineKey, "Modules", "SatCD100400000;SatCD120380000;DexCD100300010;SatCD110360000;");
        run.WriteSetting(ProgramRun::MachineKey, "ModsInstalled", c.installed);
        RunToFirstPoll(run);
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "ModsInstalled"), c.afterwards) << c.installed;
        EXPECT_EQ(WritesOf(run), c.writes) << c.installed;
    }
}
