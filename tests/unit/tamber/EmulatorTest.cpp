// The virtual box as the program meets it: module data and errors, drive, modes, handles.
#include "BoxFixture.h"

using namespace TamberResult;

TEST_F(BoxTest, ModuleDataAndErrorsFollowWhatSramHolds)
{
    struct Case {
        const char* what;
        uint8_t targetKind;
        bool install;
        std::vector<Module> modules;
        bool corrupt;
        uint8_t byte36, byte37;
        uint16_t error;
    };
    const std::vector<Case> cases = {
        {"fresh SRAM", 2, false, {}, false, 0xFF, 0xFF, 0x83D0},
        {"valid block, empty directory", 2, true, {}, false, 0, 0, 0x83D0},
        {"only a PlayStation module for a Saturn", 2, true, {{0x00FC, Image(4000, 3)}}, false, 0, 1, 0x83D1},
        {"only a Saturn module for a PlayStation", 0xFC, true, {{0x0002, Image(4000, 3)}}, false, 0, 1, 0x83D1},
        {"image checksum wrong", 2, true, {{0x0002, Image(40000, 1)}}, true, 0, 1, 0x8384},
        {"good Saturn module", 2, true, {{0x0002, Image(40000, 1)}, {0x00FC, Image(30004, 2)}}, false, 0, 2, 0},
        {"good PlayStation module", 0xFC, true, {{0x0002, Image(400, 1)}, {0x00FC, Image(30004, 9)}}, false, 0, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scenario s = DefaultScenario();
        s.targetKind = c.targetKind;
        Start(s);
        if (c.install) Install(c.modules, c.corrupt);
        const std::vector<uint8_t> t = Target();
        EXPECT_EQ(t[36], c.byte36) << "target byte 36: 0xFF means no module data";
        EXPECT_EQ(t[37], c.byte37) << "target byte 37: module count, 0xFF with no module data";
        const Status st = Poll();
        EXPECT_EQ(st.error(), c.error) << "module error in the status block";
        EXPECT_EQ(!box->TakeMessages().empty(), c.error == 0x8384) << "a failed checksum goes to the Messages list";
    }
}

TEST_F(BoxTest, DriveBootsThroughItsConsolesStatesAndPlaysInBcd)
{
    struct Case {
        uint8_t kind;
        std::vector<uint8_t> states;  // Stop, Seek/Access, Play as the console numbers them
    };
    for (const Case& c : {Case{2, {1, 2, 3}}, Case{0xFC, {2, 0x20, 4}}}) {
        SCOPED_TRACE(int(c.kind));
        Scenario s = DefaultScenario();
        s.targetKind = c.kind;
        const int64_t base = clock.ModelMs();
        Start(s);
        InstallSaturnAndPlayStation();
        std::vector<uint8_t> seen;
        for (int i = 0; i < 30; ++i, clock.Advance(100)) {
            const uint8_t state = Poll().state();
            if (seen.empty() || seen.back() != state) seen.push_back(state);
        }
        EXPECT_EQ(seen, c.states) << "drive states seen in 100 ms polls over 3 s";
        const uint32_t before = Poll().position();
        clock.Advance(2000);
        EXPECT_EQ(Poll().position() - before, 150u) << "75 sectors a second while playing";
        const int64_t sectors = (12 * 60 + 34) * 75 + 56;
        clock.Advance(base + 1000 + (sectors * 1000 + 74) / 75 - clock.ModelMs());
        const Status st = Poll();
        EXPECT_EQ(std::vector<uint8_t>(st.b + 7, st.b + 10), (std::vector<uint8_t>{0x12, 0x34, 0x56}))
            << "position 12:34:56 in BCD";
    }
}

TEST_F(BoxTest, SetModeDecodesTheWordAndRefusesDevicesThatHoldNoDisc)
{
    // Default table: 1 hard disc, 2 PD drive, 3 CD writer. Device 0 keeps the current device.
    struct Case { uint32_t word; bool accepted, emulation; uint8_t device, configuration; };
    const Case cases[] = {
        {0x101, true, true, 1, 0},  {0x2F1, true, true, 2, 15}, {0x200, true, false, 2, 0},
        {0x130, true, false, 1, 3}, {0x001, true, true, 2, 0},  {0x301, false, true, 2, 0},
        {0x801, false, true, 2, 0}, {0x102, false, true, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        Start();
        EXPECT_EQ(box->SetMode(handle, c.word) >= 0, c.accepted);
        uint8_t first[2] = {}, second[2] = {};
        ASSERT_EQ(box->QueryMode(handle, first, 2, second), 0);
        EXPECT_EQ(std::vector<uint8_t>({first[0], first[1], second[0]}),
                  std::vector<uint8_t>({uint8_t(c.emulation), c.configuration, c.device}))
            << "QueryMode: emulation, configuration, device";
        EXPECT_EQ(Poll().emulation(), c.emulation) << "status block emulation bit";
    }
}

TEST_F(BoxTest, WrongOrReleasedHandlesAreRefusedByEveryCall)
{
    Start();
    uint32_t other = 0;
    EXPECT_EQ(box->AcquireHandle(&other), Busy) << "one handle at a time";
    const uint32_t held = handle;
    ASSERT_EQ(box->ReleaseHandle(held), 0);
    ASSERT_EQ(box->AcquireHandle(&handle), 0);
    EXPECT_NE(handle, held) << "a released handle is not given out again at once";
    const std::vector<uint8_t> image = CutterImage(3, 2, 0, 1);
    for (const uint32_t bad : {0u, held, handle + 1}) {
        SCOPED_TRACE(bad);
        uint8_t buffer[256] = {};
        uint32_t size = sizeof buffer;
        const int32_t results[] = {box->GetStatus(bad, buffer, &size, 1),
                                   box->ReadMemory(bad, 0, buffer, &size),
                                   box->WriteMemory(bad, 0, buffer, 4),
                                   box->GetTargetInfo(bad, buffer, &size),
                                   box->SetMode(bad, 0x201),
                                   box->QueryMode(bad, buffer, 2, buffer + 2),
                                   box->TestReady(bad),
                                   box->Reset(bad),
                                   box->DownloadCutterModule(bad, image.data(), uint32_t(image.size())),
                                   box->ReleaseHandle(bad)};
        for (size_t i = 0; i < std::size(results); ++i) EXPECT_EQ(results[i], BadHandle) << "call " << i;
    }
    EXPECT_EQ(box->TestReady(handle), 0) << "the live handle still works";
}

TEST_F(BoxTest, FileErrorDetailHoldsTheNameInSwappedBytePairs)
{
    Scenario s = DefaultScenario();
    s.events = {{.atMs = 100, .error = 0x8190, .file = "GAME.BIN"}};
    Start(s);
    InstallSaturnAndPlayStation();
    clock.Advance(200);
    EXPECT_EQ(Poll().error(), 0x8190);
    uint8_t detail[42] = {};
    uint32_t size = 42;
    ASSERT_EQ(box->GetStatus(handle, detail, &size, 2), 0);
    EXPECT_EQ(std::string(detail + 30, detail + 42), "AGEM    IB N") << "GAME.BIN as 8.3, byte pairs swapped";
}
