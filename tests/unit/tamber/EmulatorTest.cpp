// The virtual box as the program meets it: target block, module checks, drive, modes, handles.
#include <cstdio>
#include "BoxFixture.h"

using namespace TamberResult;

TEST_F(BoxTest, FreshSramHasNoModuleDataUntilAValidRecordBlockArrives)
{
    Start();
    std::vector<uint8_t> t = Target();
    EXPECT_EQ(t[36], 0xFF);
    EXPECT_EQ(t[37], 0xFF);
    EXPECT_EQ(t[39], 2) << "Saturn target by default";
    EXPECT_EQ(Read(0x00000, 4), std::vector<uint8_t>(4, 0xFF)) << "fresh SRAM reads 0xFF";
    // The device table is in SRAM from power-on, where the program reads it before uploading.
    const std::vector<uint8_t> table = Read(0xFFF00, 252);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[36], 7);
    EXPECT_EQ(table[72], 4);
    EXPECT_EQ(std::string(table.begin() + 72 + 8, table.begin() + 72 + 16), "YAMAHA  ");
    EXPECT_EQ(std::vector<uint8_t>(table.begin() + 108, table.begin() + 112), std::vector<uint8_t>(4, 0))
        << "the table ends with a zero record";

    InstallSaturnAndPlayStation();
    t = Target();
    EXPECT_EQ(t[36], 0);
    EXPECT_EQ(t[37], 2) << "module count";

    // A damaged record block is no module data again.
    std::vector<uint8_t> one = Read(0xFFE00 + 30, 1);
    one[0] ^= 0x40;
    ASSERT_EQ(box->WriteMemory(handle, 0xFFE00 + 30, one.data(), 1), 0);
    t = Target();
    EXPECT_EQ(t[36], 0xFF);
    EXPECT_EQ(t[37], 0xFF);
}

TEST_F(BoxTest, ModuleErrorsFollowWhatSramHolds)
{
    struct Case {
        const char* what;
        uint8_t targetKind;
        std::vector<Module> modules;
        bool corrupt;
        uint16_t error;
    };
    const std::vector<Case> cases = {
        {"fresh SRAM", 2, {}, false, 0x83D0},
        {"valid block, empty directory", 2, {{}}, false, 0x83D0},
        {"only a PlayStation module for a Saturn", 2, {{0x00FC, Image(4000, 3)}}, false, 0x83D1},
        {"only a Saturn module for a PlayStation", 0xFC, {{0x0002, Image(4000, 3)}}, false, 0x83D1},
        {"unknown target kind", 0x42, {{0x0002, Image(400, 3)}, {0x00FC, Image(400, 4)}}, false, 0x83D1},
        {"image checksum wrong", 2, {{0x0002, Image(40000, 1)}}, true, 0x8384},
        {"good Saturn module", 1, {{0x0002, Image(40000, 1)}}, false, 0},
        {"good PlayStation module", 0xFC, {{0x0002, Image(400, 1)}, {0x00FC, Image(30004, 9)}}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scenario s = DefaultScenario();
        s.targetKind = c.targetKind;
        Start(s);
        box->TakeMessages();
        if (c.modules.size() == 1 && c.modules[0].image.empty()) {
            Install({});
        } else if (!c.modules.empty()) {
            Install(c.modules, c.corrupt);
        }
        const Status st = Poll();
        EXPECT_EQ(st.error(), c.error);
        EXPECT_TRUE(st.emulation());
        const std::vector<std::string> lines = box->TakeMessages();
        EXPECT_EQ(c.error == 0x8384, !lines.empty()) << "a failed checksum is reported to the Messages list";
        if (c.error == 0) {
            clock.Advance(5000);
            EXPECT_EQ(Poll().error(), 0);
            EXPECT_EQ(Poll().activity(), 6) << "a good module lets the drive run";
        }
    }
}

TEST_F(BoxTest, DriveBootsThroughItsConsolesStatesAndPlaysInBcd)
{
    struct Case {
        uint8_t kind;
        uint8_t stop, seek, play;
    };
    for (const Case c : {Case{2, 1, 2, 3}, Case{1, 1, 2, 3}, Case{0xFC, 2, 0x20, 4}}) {
        SCOPED_TRACE(int(c.kind));
        Scenario s = DefaultScenario();
        s.targetKind = c.kind;
        const int64_t base = clock.ModelMs();
        Start(s);
        InstallSaturnAndPlayStation();
        // The drive starts over from the last change; walk it in 100 ms polls.
        std::vector<uint8_t> seen;
        for (int i = 0; i < 30; ++i) {
            const Status st = Poll();
            if (seen.empty() || seen.back() != st.state()) seen.push_back(st.state());
            clock.Advance(100);
        }
        EXPECT_EQ(seen, (std::vector<uint8_t>{c.stop, c.seek, c.play}));
        Status st = Poll();
        EXPECT_EQ(st.activity(), 6);
        EXPECT_EQ(st.b[2] & 0x0F, 1) << "position present";
        const uint32_t before = st.position();
        clock.Advance(2000);
        st = Poll();
        EXPECT_EQ(st.position() - before, 150u) << "75 sectors a second";
        // 12:34:56 in BCD after that long of playing.
        const int64_t sectors = (12 * 60 + 34) * 75 + 56;
        clock.Advance(base + 1000 + (sectors * 1000 + 74) / 75 - clock.ModelMs());
        st = Poll();
        EXPECT_EQ(st.b[7], 0x12);
        EXPECT_EQ(st.b[8], 0x34);
        EXPECT_EQ(st.b[9], 0x56);
    }
}

TEST_F(BoxTest, TheDiscComesFromTheScenarioAndNoDiscIs8010)
{
    const std::string dir = UniqueTempDir("disc");
    const auto image = [&](const char* name, size_t bytes) {
        const std::string path = dir + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        const std::vector<char> zeros(bytes, 0);
        std::fwrite(zeros.data(), 1, bytes, f);
        std::fclose(f);
        return path;
    };
    struct Case {
        const char* what;
        DiscConfig disc;
        uint16_t error;
        uint32_t sectors;  // end sector of a cut from it
    };
    const Case cases[] = {
        {"synthetic", {true, "", false, 1234}, 0, 1234},
        {"image of 2048-byte sectors", {true, image("a.iso", 2048 * 400 + 100), false, 5}, 0, 400},
        {"raw image of 2352-byte sectors", {true, image("b.bin", 2352 * 300), true, 5}, 0, 300},
        {"image that cannot be opened", {true, dir + "/missing.iso", false, 5}, 0x8010, 0},
        {"no disc", {false, "", false, 5}, 0x8010, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scenario s = DefaultScenario();
        s.disc = c.disc;
        Start(s);
        InstallSaturnAndPlayStation();
        clock.Advance(3000);
        const Status st = Poll();
        EXPECT_EQ(st.error(), c.error);
        EXPECT_EQ(st.activity(), c.error ? 2 : 6);
        const std::vector<uint8_t> cutter = CutterImage(3, 2, 0, 1);
        const int32_t r = box->DownloadCutterModule(handle, cutter.data(), uint32_t(cutter.size()));
        EXPECT_EQ(r >= 0, c.sectors != 0) << "no cut from no disc";
        uint8_t progress[12] = {};
        uint32_t size = 12;
        ASSERT_EQ(box->GetStatus(handle, progress, &size, 3), 0);
        if (c.sectors) {
            EXPECT_EQ(LoadBE32(progress + 4), c.sectors);
        }
    }
}

TEST_F(BoxTest, SetModeDecodesTheWordAndRefusesDevicesThatHoldNoDisc)
{
    // Default table: 1 hard disc (type 0), 2 PD drive (type 7), 3 CD writer (type 4). Device 0
    // keeps the box on its current device (2, the last disc device).
    struct Case {
        uint32_t word;
        bool accepted;
        bool emulation;
        uint8_t device, configuration;
    };
    const Case cases[] = {
        {0x101, true, true, 1, 0},  {0x201, true, true, 2, 0},   {0x2F1, true, true, 2, 15},
        {0x200, true, false, 2, 0}, {0x130, true, false, 1, 3},  {0x301, false, true, 2, 0},
        {0x801, false, true, 2, 0}, {0x001, true, true, 2, 0},   {0x102, false, true, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        Start();
        const int32_t r = box->SetMode(handle, c.word);
        EXPECT_EQ(r >= 0, c.accepted);
        uint8_t first[2] = {}, second[2] = {};
        ASSERT_EQ(box->QueryMode(handle, first, 2, second), 0);
        EXPECT_EQ(first[0], c.emulation ? 1 : 0);
        EXPECT_EQ(first[1], c.configuration);
        EXPECT_EQ(second[0], c.device);
        EXPECT_EQ(Poll().emulation(), c.emulation);
        if (c.accepted) {
            EXPECT_LT(box->TestReady(handle), 0) << "busy during the switch";
            clock.Advance(150);
            EXPECT_EQ(box->TestReady(handle), 0);
        }
    }
}

TEST_F(BoxTest, WrongOrReleasedHandlesAreRefusedByEveryCall)
{
    Start();
    uint32_t other = 0;
    EXPECT_EQ(box->AcquireHandle(&other), Busy) << "one handle at a time";
    const uint32_t held = handle;
    ASSERT_EQ(box->ReleaseHandle(held), 0);
    uint32_t fresh = 0;
    ASSERT_EQ(box->AcquireHandle(&fresh), 0);
    EXPECT_NE(fresh, 0u);
    EXPECT_NE(fresh, held) << "a released handle is not given out again at once";

    for (const uint32_t bad : {0u, held, fresh + 1}) {
        SCOPED_TRACE(bad);
        uint8_t buffer[256] = {};
        uint32_t size = sizeof buffer;
        const std::vector<uint8_t> image = CutterImage(3, 2, 0, 1);
        EXPECT_EQ(box->GetStatus(bad, buffer, &size, 1), BadHandle);
        EXPECT_EQ(box->ReadMemory(bad, 0, buffer, &size), BadHandle);
        EXPECT_EQ(box->WriteMemory(bad, 0, buffer, 4), BadHandle);
        EXPECT_EQ(box->GetTargetInfo(bad, buffer, &size), BadHandle);
        EXPECT_EQ(box->SetMode(bad, 0x201), BadHandle);
        EXPECT_EQ(box->QueryMode(bad, buffer, 2, buffer + 2), BadHandle);
        EXPECT_EQ(box->TestReady(bad), BadHandle);
        EXPECT_EQ(box->Reset(bad), BadHandle);
        EXPECT_EQ(box->DownloadCutterModule(bad, image.data(), uint32_t(image.size())), BadHandle);
        EXPECT_EQ(box->ReleaseHandle(bad), BadHandle);
    }
    handle = fresh;
    EXPECT_EQ(Read(0, 1)[0], 0xFF) << "the live handle still works";
}

TEST_F(BoxTest, MemoryStaysInsideSramAndWritesKeepTheBoxBusy)
{
    Start();
    uint8_t data[32 * 1024] = {};
    uint32_t length = 1;
    EXPECT_EQ(box->ReadMemory(handle, 0xFFFFF, data, &length), 0);
    length = 2;
    EXPECT_EQ(box->ReadMemory(handle, 0xFFFFF, data, &length), InvalidArg);
    length = 1;
    EXPECT_EQ(box->ReadMemory(handle, 0x100000, data, &length), InvalidArg);
    EXPECT_EQ(box->WriteMemory(handle, 0xFFFFE, data, 4), InvalidArg);
    EXPECT_EQ(box->WriteMemory(handle, 0xFFFFFFFF, data, 2), InvalidArg);
    EXPECT_EQ(Read(0xFFFFE, 2), std::vector<uint8_t>(2, 0xFF)) << "a refused write changes nothing";

    ASSERT_EQ(box->WriteMemory(handle, 0x1000, data, sizeof data), 0);  // two 16 KiB blocks: 40 ms
    EXPECT_EQ(box->TestReady(handle), Busy);
    clock.Advance(39);
    EXPECT_EQ(box->TestReady(handle), Busy);
    clock.Advance(1);
    EXPECT_EQ(box->TestReady(handle), 0);
}

TEST_F(BoxTest, ResetClearsErrorsReturnsToEmulationAndIsBusy)
{
    Scenario s = DefaultScenario();
    TimelineEvent e;
    e.atMs = 100;
    e.error = 0x8190;
    e.file = "GAME.BIN";
    s.events.push_back(e);
    Start(s);
    InstallSaturnAndPlayStation();
    ASSERT_EQ(box->SetMode(handle, 0x200), 0);
    clock.Advance(200);
    Status st = Poll();
    EXPECT_EQ(st.error(), 0x8190);
    EXPECT_FALSE(st.emulation());

    // The detail block holds the 8.3 name in swapped byte pairs.
    uint8_t detail[42] = {};
    uint32_t size = 42;
    ASSERT_EQ(box->GetStatus(handle, detail, &size, 2), 0);
    EXPECT_EQ(size, 42u);
    const uint8_t expected[] = {'A', 'G', 'E', 'M', ' ', ' ', ' ', ' ', 'I', 'B', ' ', 'N'};
    EXPECT_EQ(std::vector<uint8_t>(detail + 30, detail + 42), std::vector<uint8_t>(expected, expected + 12));

    ASSERT_EQ(box->Reset(handle), 0);
    EXPECT_EQ(box->TestReady(handle), Busy);
    clock.Advance(400);
    EXPECT_EQ(box->TestReady(handle), 0);
    st = Poll();
    EXPECT_EQ(st.error(), 0);
    EXPECT_TRUE(st.emulation());
    EXPECT_EQ(st.state(), 1) << "drive stopped after a reset";
}

TEST_F(BoxTest, TimelineChangesTheTargetAndTheDriveState)
{
    Scenario s = DefaultScenario();
    auto at = [&](int64_t ms) -> TimelineEvent& {
        s.events.push_back(TimelineEvent{});
        s.events.back().atMs = ms;
        return s.events.back();
    };
    at(1000).power = false;
    at(2000).power = true;
    at(5000).driveState = 0x0B;
    at(6000).targetKind = 0xFC;
    at(7000).driveState = -1;
    Start(s);
    InstallSaturnAndPlayStation();
    struct Step {
        int64_t at;
        uint8_t activity, state, kind;
    };
    const Step steps[] = {{200, 2, 1, 2},     {1500, 0, 0, 0xFF},   {4500, 6, 3, 2},
                          {5500, 6, 0x0B, 2}, {6500, 6, 0x0B, 0xFC}, {9500, 6, 4, 0xFC}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.at);
        clock.Advance(step.at - clock.ModelMs());
        const Status st = Poll();
        EXPECT_EQ(st.activity(), step.activity);
        EXPECT_EQ(st.state(), step.state);
        EXPECT_EQ(Target()[39], step.kind);
    }
}

TEST_F(BoxTest, SramSurvivesARestartUnlessFreshIsAsked)
{
    const std::string dir = UniqueTempDir("sram");
    Scenario s = DefaultScenario();
    s.freshSram = true;
    Start(s, dir);
    InstallSaturnAndPlayStation();
    s.freshSram = false;
    s.devices.pop_back();  // a different bus after the power cycle: the block stays valid
    Start(s, dir);
    std::vector<uint8_t> t = Target();
    EXPECT_EQ(t[37], 2);
    EXPECT_EQ(Read(0xFFF00 + 72, 4), std::vector<uint8_t>(4, 0)) << "device table rewritten at power-on";
    s.freshSram = true;
    Start(s, dir);
    EXPECT_EQ(Target()[36], 0xFF);
}
