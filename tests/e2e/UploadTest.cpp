// Module upload into the virtual emulator's SRAM, read back through the component.
#include <gtest/gtest.h>
#include <algorithm>
#include "ProgramRun.h"
#include "common/ByteOrder.h"
#include "common/Checksum.h"
#include "resources/ResourceIds.h"

namespace {

struct Entry {
    uint16_t target;
    uint32_t address;
    uint32_t length;
};

// The directory of the record block as the emulator holds it now.
std::vector<Entry> Directory(const std::vector<uint8_t>& block)
{
    std::vector<Entry> entries;
    for (size_t at = 22; block.size() == 512 && at + 20 <= 256; at += 20) {
        const uint32_t address = LoadBE32(&block[at + 8]);
        if (address == 0)
            break;
        entries.push_back({LoadBE16(&block[at]), address, LoadBE32(&block[at + 12])});
    }
    return entries;
}

std::vector<std::pair<uint32_t, uint32_t>> Writes(const ProgramRun& run)
{
    std::vector<std::pair<uint32_t, uint32_t>> writes;
    for (const TraceLine& call : run.Calls("WriteMemory"))
        writes.emplace_back(call.Arg("address"), call.Arg("length"));
    return writes;
}

// Runs until the first status poll has shown something, collecting the Messages list.
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

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(Upload, FreshEmulatorGetsBothDemoModulesAndBootsWithoutModuleError)
{
    ProgramRun run;
    std::vector<std::string> messages;
    std::string state;
    run.Run([&](Robot& robot) {
        robot.WaitForMainWindow();
        Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000);
        state = robot.StatusPane(2);
        messages = robot.Messages();
    });
    const auto writes = Writes(run);
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {0xEA1C0, 40000}, {0xE2C8C, 30004}, {0xFFE00, 512}};
    EXPECT_EQ(writes, expected);
    int blockReads = 0;
    for (const TraceLine& call : run.Calls("ReadMemory"))
        blockReads += call.Arg("address") == 0xFFF00 && call.Arg("length") == 256;
    EXPECT_EQ(blockReads, 1);
    // After the upload: file transfer and back to emulation, then the block is read again.
    std::vector<std::string> after;
    bool written = false;
    for (const TraceLine& call : run.Trace()) {
        if (call.op == "WriteMemory" && call.Arg("address") == 0xFFE00)
            written = true;
        else if (written && (call.op == "SetMode" || call.op == "ReadMemory"))
            after.push_back(call.op + " " + std::to_string(call.op == "SetMode" ? call.Arg("mode") : call.Arg("address")));
    }
    const std::vector<std::string> expectedAfter = {"SetMode 0", "ReadMemory " + std::to_string(0xFFE00), "SetMode 1"};
    EXPECT_EQ(after, expectedAfter);

    const std::vector<uint8_t> block = run.ReadSram(0xFFE00, 512);
    ASSERT_EQ(block.size(), 512u);
    const auto entries = Directory(block);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].target, 0x0002);
    EXPECT_EQ(entries[0].address, 0xEA1C0u);
    EXPECT_EQ(entries[1].target, 0x00FC);
    EXPECT_EQ(entries[1].address, 0xE2C8Cu);
    EXPECT_EQ(LoadBE16(&block[2]), 2);
    EXPECT_EQ(LoadBE16(&block[4]), 1) << "DefModule Sat names the first module";
    EXPECT_EQ(LoadLE32(&block[508]), XorChecksum(block.data(), 127));

    EXPECT_EQ(state, "Play");
    // Before the upload a fresh box rightly says it has no modules; after it, nothing is wrong.
    const std::string path = run.ModulePath();
    auto uploaded = std::find(messages.begin(), messages.end(), "Emulation module " + path + "\\DexCD100.bin uploaded.");
    EXPECT_NE(uploaded, messages.end());
    for (auto m = uploaded; m != messages.end(); ++m)
        EXPECT_EQ(m->find("Error"), std::string::npos) << *m;
    EXPECT_TRUE(Contains(messages, "Emulation module " + path + "\\SatCD100.bin uploaded."));
    EXPECT_TRUE(Contains(messages, "Emulation module " + path + "\\DexCD100.bin uploaded."));

    // A second start finds the modules in place and uploads nothing.
    RunToFirstPoll(run);
    EXPECT_TRUE(Writes(run).empty());
}

TEST(Upload, ModuleFilesAndFailuresGiveTheirEffectAndMessage)
{
    struct Case {
        const char* name;
        const char* installed;
        std::vector<std::pair<std::string, size_t>> files;  // module files to write
        const char* fault;
        std::vector<std::pair<uint32_t, uint32_t>> writes;  // expected WriteMemory calls
        std::vector<std::string> lines;                     // expected Messages lines, %P = module folder
        const char* box;                                    // expected File Not Found text
    };
    const Case cases[] = {
        {"empty file", "SatCD120000000;", {{"SatCD120", 0}}, "",
         {{0xF3E00, 0}, {0xFFE00, 512}}, {"Emulation module %P\\SatCD120.bin uploaded."}, nullptr},
        {"file over 49152 bytes", "SatCD120600000;", {{"SatCD120", 60000}}, "",
         {{0xF3E00 - 49152, 49152}, {0xFFE00, 512}}, {"Emulation module %P\\SatCD120.bin uploaded."}, nullptr},
        {"missing file", "SatCD300400000;DexCD100300010;", {}, "",
         {{0xF3E00 - 30004, 30004}, {0xFFE00, 512}}, {"Emulation module %P\\DexCD100.bin uploaded."},
         "The module file %P\\SatCD300.bin could not be found"},
        {"image write fails", "SatCD100400000;DexCD100300010;", {}, "op = \"WriteMemory\"\nnth = 1\n",
         {{0xEA1C0, 40000}, {0xE2C8C, 30004}, {0xFFE00, 512}},
         {"WARNING: upload of module %P\\SatCD100.bin failed - cannot send memory",
          "Emulation module %P\\DexCD100.bin uploaded."}, nullptr},
        {"record block read fails", "SatCD100400000;", {}, "op = \"ReadMemory\"\nnth = 2\n",
         {{0xEA1C0, 40000}}, {"WARNING, upload of module record data failed."}, nullptr},
        {"record block write fails", "SatCD100400000;", {}, "op = \"WriteMemory\"\nnth = 2\n",
         {{0xEA1C0, 40000}, {0xFFE00, 512}}, {"WARNING, upload of module record data failed."}, nullptr},
        {"door does not open", "SatCD100400000;", {}, "op = \"SetMode\"\nnth = 1\n",
         {{0xFFE00, 512}}, {"WARNING: upload of module %P\\SatCD100.bin failed - Can't open door"}, nullptr},
    };
    for (const Case& c : cases) {
        ProgramRun run;
        const std::string path = run.ModulePath();
        auto expand = [&](std::string text) {
            if (auto at = text.find("%P"); at != std::string::npos)
                text.replace(at, 2, path);
            return text;
        };
        run.WriteSetting(ProgramRun::MachineKey, "ModsInstalled", c.installed);
        for (const auto& [name, size] : c.files)
            run.WriteModuleFile(name, size);
        if (*c.fault)
            run.Scenario(std::string("[[fault]]\n") + c.fault);
        std::vector<std::string> boxes;
        const std::vector<std::string> messages = RunToFirstPoll(run, &boxes);
        auto writes = Writes(run);
        // Mode switches around the upload write nothing else; keep only what the upload wrote.
        EXPECT_EQ(writes, c.writes) << c.name;
        for (const std::string& line : c.lines)
            EXPECT_TRUE(Contains(messages, expand(line))) << c.name << ": no line '" << expand(line) << "'";
        if (c.box) {
            ASSERT_EQ(boxes.size(), 1u) << c.name;
            EXPECT_EQ(boxes[0], expand(c.box)) << c.name;
        } else {
            EXPECT_TRUE(boxes.empty()) << c.name;
        }
    }
}

TEST(Upload, DefaultModuleNumberFollowsDefModule)
{
    struct Case {
        const char* defModule;
        uint16_t number;
    };
    const Case cases[] = {{"Dex", 2}, {"Sat", 1}, {"Nun", 0}, {"", 2}};
    for (const Case& c : cases) {
        ProgramRun run;
        run.WriteSetting(ProgramRun::MachineKey, "DefModule", c.defModule);
        RunToFirstPoll(run);
        const std::vector<uint8_t> block = run.ReadSram(0xFFE00, 512);
        ASSERT_EQ(block.size(), 512u);
        EXPECT_EQ(LoadBE16(&block[4]), c.number) << "DefModule '" << c.defModule << "'";
        bool written = false;
        for (const TraceLine& call : run.Calls("SetValue"))
            written |= call.args.count("name") && call.args.at("name") == "DefModule";
        EXPECT_EQ(written, *c.defModule != '\0') << "DefModule '" << c.defModule << "' written back";
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
    const std::string path = run.ModulePath();
    EXPECT_TRUE(Contains(messages, "WARNING: upload of module " + path + "\\SatCD100.bin failed - SRAM Space Exhausted"));
    EXPECT_TRUE(Contains(messages, "WARNING: upload of module " + path + "\\DexCD100.bin failed - SRAM Space Exhausted"));
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {{0xFFE00, 512}};
    EXPECT_EQ(Writes(run), expected);
    EXPECT_TRUE(Directory(run.ReadSram(0xFFE00, 512)).empty());
}

TEST(Upload, NewerAvailableModuleReplacesAnUnlockedInstalledOneOnly)
{
    struct Case {
        const char* installed;
        const char* afterwards;
        bool uploads;
    };
    const Case cases[] = {
        // Two newer Saturn modules: the last newer one in the list wins, the lock character stays.
        {"SatCD100400000;DexCD100300010;", "SatCD110360000;DexCD100300010;", true},
        {"SatCD100400001;DexCD100300010;", "SatCD100400001;DexCD100300010;", false},
    };
    for (const Case& c : cases) {
        ProgramRun run;
        RunToFirstPoll(run);  // the demo modules are in the box now
        run.WriteModuleFile("SatCD120", 38000);
        run.WriteModuleFile("SatCD110", 36000);
        run.WriteSetting(ProgramRun::MachineKey, "Modules",
                         "SatCD100400000;SatCD120380000;DexCD100300010;SatCD110360000;");
        run.WriteSetting(ProgramRun::MachineKey, "ModsInstalled", c.installed);
        RunToFirstPoll(run);
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "ModsInstalled"), c.afterwards) << c.installed;
        const auto writes = Writes(run);
        if (c.uploads) {
            const std::vector<std::pair<uint32_t, uint32_t>> expected = {
                {0xF3E00 - 36000, 36000}, {0xF3E00 - 36000 - 30004, 30004}, {0xFFE00, 512}};
            EXPECT_EQ(writes, expected) << c.installed;
        } else {
            EXPECT_TRUE(writes.empty()) << c.installed;
        }
    }
}
