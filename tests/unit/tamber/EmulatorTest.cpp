// The virtual box as the program meets it: module data and errors, and the drive's start.
// (Modes and handles are driven through the DLL under Wine and end to end.)
#include "BoxFixture.h"

using namespace TamberResult;

TEST_F(BoxTest, ModuleDataAndErrorsFollowWhatSramHolds)
{
    struct Case { const char* what; uint8_t kind; bool install; std::vector<Module> modules; bool corrupt; uint16_t data, error; };
    const Case cases[] = {
        {"fresh SRAM", 2, false, {}, false, 0xFFFF, 0x83D0},  // then good modules: seen by the fresh start, end to end
        {"valid block, empty directory", 2, true, {}, false, 0, 0x83D0},
        {"only a PlayStation module for a Saturn", 2, true, {{0x00FC, 4000, 3}}, false, 1, 0x83D1},
        {"image checksum wrong", 2, true, {{0x0002, 40000, 1}}, true, 1, 0x8384},
        {"good PlayStation module", 0xFC, true, {{0x0002, 400, 1}, {0x00FC, 30004, 9}}, false, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start(Kind(c.kind));
        if (c.install) Install(c.modules, c.corrupt);
        uint8_t target[200];
        uint32_t size = 200;
        ASSERT_EQ(box->GetTargetInfo(handle, target, &size), 0);
        EXPECT_EQ(LoadBE16(target + 36), c.data) << "target block: 0xFFFF for no module data, else the module count";
        EXPECT_EQ(Poll().error(), c.error);
        EXPECT_EQ(!box->TakeMessages().empty(), c.error == 0x8384) << "a failed checksum goes to the Messages list";
    }
}

TEST_F(BoxTest, DriveBootsThroughItsConsolesStatesAndPlaysInBcd)
{
    struct Case { uint8_t kind; std::vector<uint8_t> states; };  // Stop, Seek/Access, Play as the console numbers them
    for (const Case& c : {Case{2, {1, 2, 3}}, Case{0xFC, {2, 0x20, 4}}}) {
        SCOPED_TRACE(int(c.kind));
        const int64_t base = clock.ModelMs();
        Start(Kind(c.kind));
        Install({{0x0002, 40000, 1}, {0x00FC, 30004, 2}});
        std::vector<uint8_t> seen;
        for (int i = 0; i < 30; ++i, clock.Advance(100))
            if (const uint8_t state = Poll().state(); seen.empty() || seen.back() != state) seen.push_back(state);
        EXPECT_EQ(seen, c.states) << "drive states seen in 100 ms polls over 3 s";
        // Playing from the first Stop at 1 s: 12:34:56 is (12 * 60 + 34) * 75 + 56 sectors later.
        clock.Advance(base + 1000 + (56606 * 1000 + 74) / 75 - clock.ModelMs());
        const Status st = Poll();
        EXPECT_EQ(std::vector<uint8_t>(st.b + 7, st.b + 10), (std::vector<uint8_t>{0x12, 0x34, 0x56}));
    }
}
