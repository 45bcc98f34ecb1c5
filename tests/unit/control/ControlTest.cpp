// The control layer against the virtual emulator's model: what it asks of the box, and what it
// tells the user, when things go right and when the box or the files fail.
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include "FakeComponent.h"
#include "ScenarioText.h"
#include "common/ByteOrder.h"
#include "control/CutStarter.h"
#include "control/EmulatorSession.h"
#include "control/ModuleSettings.h"
#include "control/ModuleUploader.h"
#include "control/Presenter.h"
#include "control/StatusReader.h"
#include "emulator/ErrorTable.h"
#include "modules/RecordBlock.h"

namespace {

// What the user would have seen: lines, and problems as "caption: text". Waits run in model time:
// each pause moves the box's clock on; stopAfter pauses the user gives up.
class Shown : public Presenter, public EmulatorSink {
public:
    void Line(const char* text) override { lines.push_back(text); }
    void Problem(const char* caption, const char* text) override { problems.push_back(std::string(caption) + ": " + text); }
    WaitEnd Wait(BoundedWait& wait) override
    {
        return wait.Run([this, &wait](DWORD ms) {
            fake->Clock().Advance(ms ? ms : 1);
            return !wait.Stoppable() || ++pauses != stopAfter;
        });
    }
    void ShowStatus(const StatusReport&) override {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override { *out = static_cast<EmulatorSink*>(this); return S_OK; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Notify(DWORD kind, char* text) override { if (kind == 1) lines.push_back(text); return 1; }

    FakeComponent* fake = nullptr;
    std::vector<std::string> lines, problems;
    int pauses = 0, stopAfter = -1;
};

class Control : public testing::Test {
protected:
    void Open(const std::string& scenario)
    {
        session.reset();
        fake = std::make_unique<FakeComponent>(scenario);
        shown.fake = fake.get();
        session = std::make_unique<EmulatorSession>(shown, FakeComponent::Factory());
        ASSERT_EQ(session->Open(&shown), EmulatorSession::Opened);
        session->EmulationDevice() = 2;
    }
    // The program builds "folder\name": here that is a file of that name in the temporary folder.
    void WriteFile(const std::string& name, size_t bytes)
    {
        std::ofstream(folder + "\\" + name, std::ios::binary) << std::string(bytes, '\x5A');
    }
    std::string Last() const { return shown.lines.empty() ? "" : shown.lines.back(); }

    std::string folder = testing::TempDir() + "control";
    Shown shown;
    std::unique_ptr<FakeComponent> fake;
    std::unique_ptr<EmulatorSession> session;
};

TEST_F(Control, CutStartEndsBegunOrGivenUpAndAlwaysSaysWhy)
{
    const std::string noBlank = "[cutter]\nblank = false\n";
    const struct { std::string scenario; int stopAfter; CutStarter::End end; int resets; std::string problem, line; } cases[] = {
        {"", -1, CutStarter::Began, 0, "", "Virtual emulator: cutter module loaded"},
        {noBlank, 3, CutStarter::GaveUp, 1, "Insert Disk: Please insert a Gold Disc into the Cutter Drive",
         "Cut stopped before it began: nothing was written, and the CD Emulator was reset."},
        // The box refused the reset: the user is told so and nothing claims otherwise.
        {noBlank + "[[fault]]\nop = \"Reset\"\n", 3, CutStarter::GaveUp, 1, "Insert Disk: Please insert a Gold Disc into the Cutter Drive",
         "Cut stopped before it began: nothing was written."},
        {"[[fault]]\nop = \"GetStatus.1\"\n", -1, CutStarter::NoCutter, 1, "",
         "WARNING, the CD Emulator did not start the cut within 1 seconds. "
         "Check that the Cutter Drive is connected and switched on, then press Cut CD Now again."},
    };
    WriteFile("cutcd004.bin", 1001);
    char* directory = folder.data();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
        shown = Shown();
        shown.stopAfter = c.stopAfter;
        Open(c.scenario);
        CutStarter starter(*session, CutWaitBounds{1000, 1000}, 3, 2, &directory);
        ASSERT_TRUE(starter.ReadImage(2, 1, shown));
        const CutStarter::Outcome outcome = starter.Begin(shown);
        EXPECT_EQ(outcome.end, c.end);
        EXPECT_EQ(fake->Count("Reset"), c.resets);
        EXPECT_EQ(shown.problems, c.problem.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.problem});
        EXPECT_EQ(Last().substr(0, c.line.size()), c.line);
        EXPECT_EQ(std::count(shown.lines.begin(), shown.lines.end(), ResetFailedWarning),
                  c.scenario.find("Reset") != std::string::npos);
        EXPECT_EQ(outcome.total, c.end == CutStarter::Began ? fake->Box().DiscSectors() : 0u);
        EXPECT_EQ(session->Lock().GetHandle(), 0u) << "a lock level was kept";
    }
}

// Start-up's upload into a box with no module data, or whose directory does not list the installed
// modules. Modules go down from the top of the module area; one that would reach below the box's
// floor, or below address 0, is out of space, never written at an address that wrapped round. The
// record block lists what went in; when nothing did, the box keeps the block it had.
TEST_F(Control, UploadPlacesModulesDownwardsAndListsWhatWentIn)
{
    using Writes = std::vector<std::pair<uint32_t, uint32_t>>;  // address, length; not checked when empty
    std::string many;
    for (int i = 0; i < 21; ++i)
        many += "SatCD100491520;";
    const std::string both = "SatCD100400000;DexCD100300010;", sat = "Emulation module " + folder + "\\SatCD100.bin uploaded.",
                      dex = "Emulation module " + folder + "\\DexCD100.bin uploaded.", record = "WARNING, upload of module record data failed.",
                      keeps = "WARNING, no module could be uploaded, so the CD Emulator keeps the modules it had. Cadrel uploads "
                              "them again when the Module Manager next closes, and at its next start.";
    auto failed = [&](const char* why) { return "WARNING: upload of module " + folder + "\\SatCD100.bin failed - " + why; };
    const struct { std::string installed; long satBytes, dexBytes; uint32_t floor; std::string fault; Writes writes; std::string last, problem; } cases[] = {
        {both, 40000, 30001, 0, "", {{0xEA1C0, 40000}, {0xE2C8C, 30004}, {0xFFE00, 512}}, dex, ""},
        {"SatCD100000000;", 0, -1, 0, "", {{0xF3E00, 0}, {0xFFE00, 512}}, sat, ""},
        {"SatCD100600000;", 60000, -1, 0, "", {{0xF3E00 - 49152, 49152}, {0xFFE00, 512}}, sat, ""},
        {both, -1, 30001, 0, "", {{0xF3E00 - 30004, 30004}, {0xFFE00, 512}}, dex,
         "File Not Found: The module file " + folder + "\\SatCD100.bin could not be found"},
        {both, 40000, 30001, 0, Fault("WriteMemory", "nth = 1"), {{0xEA1C0, 40000}, {0xE2C8C, 30004}, {0xFFE00, 512}}, dex, ""},
        {"SatCD100400000;", 40000, -1, 0, Fault("ReadMemory", "nth = 2"), {{0xEA1C0, 40000}}, record, ""},
        {"SatCD100400000;", 40000, -1, 0, Fault("WriteMemory", "nth = 2"), {{0xEA1C0, 40000}, {0xFFE00, 512}}, record, ""},
        {"SatCD100400000;", 40000, -1, 0, Fault("SetMode", "nth = 1"), {}, keeps, ""},
        {many, 49152, -1, 0, "", {}, failed("SRAM Space Exhausted"), ""},
        {"DexCD100300010;SatCD100400000;", 40000, 30001, 0xF0000, "", {}, keeps, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installed.substr(0, 30) + " " + c.fault);
        shown = Shown();
        Open(c.fault);
        for (const auto& [name, bytes] : {std::pair{"SatCD100.bin", c.satBytes}, {"DexCD100.bin", c.dexBytes}})
            bytes < 0 ? void(remove((folder + "\\" + name).c_str())) : WriteFile(name, size_t(bytes));
        if (c.floor) {  // a box that holds a record block with a floor, and no module
            std::vector<uint8_t> block(fake->Box().Sram() + 0xFFE00, fake->Box().Sram() + 0x100000);
            std::fill(block.begin(), block.begin() + 256, 0);
            StoreBE16(block.data(), 4);
            StoreBE32(block.data() + 18, c.floor);
            SealRecordBlock(block.data());
            uint32_t handle = 0;
            fake->Box().AcquireHandle(&handle);
            fake->Box().WriteMemory(handle, 0xFFE00, block.data(), 512);
            fake->Box().ReleaseHandle(handle);
        }
        ModuleSettings settings;
        fake->Settings() = {{"ModsInstalled", c.installed}, {"Path", folder}, {"DefModule", "Dex"}};
        settings.Read(session->MachineKey(), shown);
        StatusReader reader(*session);
        ModuleUploader uploader(*session, reader, settings);
        session->ReadTarget();
        if (c.floor)  // the floor a box's block holds counts from the next upload on: the Module Manager's
            uploader.ReadRecordBlock(), uploader.UploadInstalledModules();
        else
            uploader.BringUpToDate(false);
        Writes writes;
        for (const std::string& call : fake->Calls()) {
            uint32_t address = 0, length = 0;
            if (sscanf(call.c_str(), "WriteMemory %u %u", &address, &length) == 2)
                writes.emplace_back(address, length);
        }
        EXPECT_TRUE(std::all_of(writes.begin(), writes.end(), [](auto& w) { return w.first < 0x100000; })) << "a wrapped address";
        if (!c.writes.empty())
            EXPECT_EQ(writes, c.writes);
        std::vector<std::string> lines;
        std::copy_if(shown.lines.begin(), shown.lines.end(), std::back_inserter(lines),
                     [](const std::string& line) { return line.find("module") != std::string::npos; });
        EXPECT_EQ(lines.empty() ? "" : lines.back(), c.last);
        EXPECT_EQ(shown.problems, c.problem.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.problem});
    }
}

TEST_F(Control, AResetRefusedAfterAModuleChangeIsSaidAndNotWaitedOn)
{
    Open("[[fault]]\nop = \"Reset\"\n");
    ModuleSettings settings;
    StatusReader reader(*session);
    ModuleUploader uploader(*session, reader, settings);
    uploader.UploadInstalledModules();  // none: the box now holds module data, so a change needs a reset
    uploader.UploadAfterChange();
    EXPECT_EQ(Last(), ResetFailedWarning);
    const auto& calls = fake->Calls();
    const auto reset = std::find_if(calls.rbegin(), calls.rend(), [](const std::string& c) { return c.rfind("Reset", 0) == 0; });
    ASSERT_NE(reset, calls.rend());
    EXPECT_TRUE(std::none_of(calls.rbegin(), reset, [](const std::string& c) { return c.rfind("TestReady", 0) == 0; }))
        << "waited on a box that was not reset";
}

TEST_F(Control, SettingsWriteBackKeepsWhatAnotherProgramChangedMeanwhile)
{
    Open("");
    fake->Settings() = {{"Modules", "SatCD100400000;"}, {"ModsInstalled", "SatCD100400000;"}, {"Path", folder}, {"DefModule", "Sat"}};
    ModuleSettings settings;
    settings.Read(session->MachineKey(), shown);
    fake->Settings()["Modules"] = "SatCD100400000;DexCD100300010;";  // another program installed a module
    fake->Settings()["DefModule"] = "Nun";
    settings.installed[13] = '1';  // this program locked its module
    settings.Write(session->MachineKey());
    EXPECT_EQ(fake->Settings(), (std::map<std::string, std::string>{{"Modules", "SatCD100400000;DexCD100300010;"},
              {"ModsInstalled", "SatCD100400001;"}, {"Path", folder}, {"DefModule", "Nun"}}));
    EXPECT_EQ(fake->Count("SetValue.ModsInstalled") + fake->Count("SetValue.Modules") + fake->Count("SetValue.Path"), 1);
    settings.Read(session->MachineKey(), shown);  // read afresh, as the Module Manager does when it opens
    EXPECT_STREQ(settings.available, "SatCD100400000;DexCD100300010;");
    settings.Write(session->MachineKey());
    EXPECT_EQ(fake->Count("SetValue.ModsInstalled"), 1) << "a value written once counts as read";
}

}  // namespace
