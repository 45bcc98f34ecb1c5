// Cutting a gold disc: the cutter image checks, the cut's states and time at each speed. (The wait
// for a blank and a cut that outlives the program are followed end to end.)
#include "BoxFixture.h"

using namespace TamberResult;

TEST_F(BoxTest, CutterDownloadAcceptsAGoodImageAndRefusesEachKindOfBadOne)
{
    // Default table: 1 hard disc, 2 PD drive, 3 CD writer.
    std::vector<uint8_t> badChecksum = CutterImage(3, 2, 0, 1);
    badChecksum[100] ^= 0x10;
    const struct { const char* what; std::vector<uint8_t> image; bool accepted; } cases[] = {
        {"1001-byte file sent as 1008 bytes", CutterImage(3, 2, 0, 1), true},
        {"largest image, 49156 bytes", CutterImage(3, 2, 1, 0, 49152), true},
        {"checksum wrong", badChecksum, false},
        {"too long", CutterImage(3, 2, 0, 1, 49156), false},
        {"cutter number of a hard disc", CutterImage(1, 2, 0, 1), false},
        {"source is the cutter", CutterImage(3, 3, 0, 1), false},
        {"speed index 3", CutterImage(3, 2, 3, 1), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Start();
        EXPECT_EQ(Download(c.image), c.accepted ? 0 : InvalidData);
        EXPECT_EQ(Poll().activity() == 4, c.accepted) << "only a good image starts a cut";
    }
}

TEST_F(BoxTest, CutGoesThroughItsStatesAtItsSpeedAndARealOneUsesTheBlank)
{
    struct Case { uint8_t speed, test; int64_t writingMs; };  // 270000 sectors at 75 a second times 1, 2 or 4
    for (const Case c : {Case{0, 1, 3600000}, Case{1, 0, 1800000}, Case{2, 0, 900000}}) {
        SCOPED_TRACE(int(c.speed));
        Start();
        ASSERT_EQ(Download(CutterImage(3, 2, c.speed, c.test)), 0);
        std::vector<uint8_t> states;
        int64_t writingMs = 0;
        const int64_t end = clock.ModelMs() + 2 * c.writingMs;
        for (Status st = Poll(); st.activity() == 4 && clock.ModelMs() < end; clock.Advance(1000), st = Poll()) {
            if (states.empty() || states.back() != st.state()) states.push_back(st.state());
            writingMs += st.state() == 2 ? 1000 : 0;
        }
        EXPECT_EQ(states, (std::vector<uint8_t>{0, 1, 2, 3, 4})) << "Ready, Lead-in, Writing, Lead-out, Done";
        EXPECT_NEAR(double(writingMs), double(c.writingMs), 2000.0) << "writing time at this speed";
        EXPECT_EQ(box->BlankPresent(), c.test == 1) << "a real cut uses the blank, a test cut keeps it";
    }
}
