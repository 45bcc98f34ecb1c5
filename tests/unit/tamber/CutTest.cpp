// Cutting a gold disc: the cutter image checks and the cut's states. (Each speed's time, the wait
// for a blank and a cut that outlives the program are followed end to end.)
#include "BoxFixture.h"

using namespace TamberResult;

TEST_F(BoxTest, CutterDownloadAcceptsAGoodImageAndRefusesEachKindOfBadOne)
{
    // Default table: 1 hard disc, 2 PD drive, 3 CD writer.
    std::vector<uint8_t> badChecksum = CutterImage(3, 2, 0, 1), shortened = badChecksum;
    badChecksum[100] ^= 0x10, shortened.resize(shortened.size() - 2);
    const struct { const char* what; std::vector<uint8_t> image; bool accepted; } cases[] = {
        {"1001-byte file sent as 1008 bytes", CutterImage(3, 2, 0, 1), true},
        {"largest image, 49156 bytes", CutterImage(3, 2, 1, 0, 49152), true},
        {"checksum wrong", badChecksum, false},
        {"length not a multiple of 4", shortened, false},
        {"too long", CutterImage(3, 2, 0, 1, 49156), false},
        {"cutter number of a hard disc", CutterImage(1, 2, 0, 1), false},
        {"cutter number past the table", CutterImage(9, 2, 0, 1), false},
        {"source is the cutter", CutterImage(3, 3, 0, 1), false},
        {"source number 0", CutterImage(3, 0, 0, 1), false},
        {"speed index 3", CutterImage(3, 2, 3, 1), false},
        {"test flag 2", CutterImage(3, 2, 0, 2), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Start();
        EXPECT_EQ(Download(c.image), c.accepted ? 0 : InvalidData);
        EXPECT_EQ(Poll().activity() == 4, c.accepted) << "only a good image starts a cut";
    }
}

TEST_F(BoxTest, CutGoesThroughItsStatesAndARealOneUsesTheBlank)
{
    for (const uint8_t test : {1, 0}) {
        SCOPED_TRACE(int(test));
        Start();
        ASSERT_EQ(Download(CutterImage(3, 2, 2, test)), 0);
        std::vector<uint8_t> states;
        const int64_t end = clock.ModelMs() + 2000000;  // x4: 900 s of writing
        for (Status st = Poll(); st.activity() == 4 && clock.ModelMs() < end; clock.Advance(1000), st = Poll())
            if (states.empty() || states.back() != st.state()) states.push_back(st.state());
        EXPECT_EQ(states, (std::vector<uint8_t>{0, 1, 2, 3, 4})) << "Ready, Lead-in, Writing, Lead-out, Done";
        EXPECT_EQ(box->BlankPresent(), test == 1) << "a real cut uses the blank, a test cut keeps it";
    }
}
