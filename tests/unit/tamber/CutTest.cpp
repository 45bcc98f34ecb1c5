// Cutting a gold disc: the cutter image checks, the cut's states and blocks, and a cut that
// outlives the program. (Waiting for a blank is followed end to end.)
#include "BoxFixture.h"

using namespace TamberResult;

class CutTest : public BoxTest {
protected:
    // The cut progress block: first sector, end sector, speed index, test flag.
    std::vector<uint32_t> Progress()
    {
        uint8_t b[12] = {};
        uint32_t size = 12;
        EXPECT_EQ(box->GetStatus(handle, b, &size, 3), 0);
        return {LoadBE32(b), LoadBE32(b + 4), LoadBE16(b + 8), LoadBE16(b + 10)};
    }
};

TEST_F(CutTest, CutterDownloadAcceptsAGoodImageAndRefusesEachKindOfBadOne)
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

TEST_F(CutTest, FullCutAtEachSpeedGoesThroughItsStatesInOrder)
{
    struct Case { uint8_t speed, test; int64_t writingMs; };  // 270000 sectors at 75 a second times 1, 2 or 4
    for (const Case c : {Case{0, 1, 3600000}, Case{1, 0, 1800000}, Case{2, 0, 900000}}) {
        SCOPED_TRACE(int(c.speed));
        Start();
        ASSERT_EQ(Download(CutterImage(3, 2, c.speed, c.test)), 0);
        EXPECT_EQ(Progress(), (std::vector<uint32_t>{0, 270000, c.speed, c.test}));
        std::vector<uint8_t> states;
        int64_t writingFrom = -1, writingTo = -1;
        uint32_t lastPosition = 0;
        const int64_t start = clock.ModelMs();
        for (Status st = Poll(); st.activity() == 4; clock.Advance(c.speed == 2 ? 100 : 1000), st = Poll()) {
            if (states.empty() || states.back() != st.state()) states.push_back(st.state());
            if (st.state() == 2) {
                writingFrom = writingFrom < 0 ? clock.ModelMs() : writingFrom;
                writingTo = clock.ModelMs();
                lastPosition = st.position();
            }
            ASSERT_LT(clock.ModelMs() - start, c.writingMs * 2) << "the cut never ends";
        }
        EXPECT_EQ(states, (std::vector<uint8_t>{0, 1, 2, 3, 4})) << "Ready, Lead-in, Writing, Lead-out, Done";
        EXPECT_NEAR(double(writingTo - writingFrom), double(c.writingMs), 1000.0) << "writing time at this speed";
        EXPECT_GT(lastPosition, 269000u) << "position reaches the end of the disc";
        EXPECT_EQ(box->BlankPresent(), c.test == 1) << "a real cut uses the blank, a test cut keeps it";
    }
}

TEST_F(CutTest, ARunningCutAndTheModulesAreFoundAfterTheModelRestarts)
{
    const std::string dir = UniqueTempDir("cut");
    Start(DefaultScenario(), dir);
    InstallSaturnAndPlayStation();
    ASSERT_EQ(Download(CutterImage(3, 2, 1, 0)), 0);
    clock.Advance(60000);
    const uint32_t before = Poll().position();
    box.reset();
    clock.Advance(30000);  // thirty seconds later, a new program and a new model
    Start(DefaultScenario(), dir);
    const Status st = Poll();
    EXPECT_EQ(std::vector<int>({st.activity(), st.state()}), std::vector<int>({4, 2})) << "still cutting, still writing";
    EXPECT_NEAR(double(st.position()), double(before + 30 * 150), 2.0) << "x2: 150 sectors a second";
    EXPECT_EQ(Progress(), (std::vector<uint32_t>{0, 270000, 1, 0}));
    EXPECT_EQ(ModuleData(), 2) << "the modules in SRAM survive too";
}
