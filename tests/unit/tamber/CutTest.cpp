// Cutting a gold disc: the cutter image checks, the cut's states and blocks, the blank disc and
// a cut that outlives the program.
#include "BoxFixture.h"

using namespace TamberResult;

namespace {

struct Progress {
    uint32_t first, end;
    uint16_t speed, test;
};

}  // namespace

class CutTest : public BoxTest {
protected:
    Progress ReadProgress()
    {
        uint8_t b[12] = {};
        uint32_t size = 12;
        EXPECT_EQ(box->GetStatus(handle, b, &size, 3), 0);
        return {LoadBE32(b), LoadBE32(b + 4), LoadBE16(b + 8), LoadBE16(b + 10)};
    }
};

TEST_F(CutTest, DownloadAcceptsAGoodImageAndRefusesEachKindOfBadOne)
{
    // Default table: 1 hard disc, 2 PD drive, 3 CD writer.
    struct Case {
        const char* what;
        std::vector<uint8_t> image;
        bool accepted;
    };
    std::vector<uint8_t> badChecksum = CutterImage(3, 2, 0, 1);
    badChecksum[100] ^= 0x10;
    std::vector<uint8_t> shortened = CutterImage(3, 2, 0, 1);
    shortened.resize(shortened.size() - 2);
    const std::vector<Case> cases = {
        {"1001-byte file sent as 1008 bytes", CutterImage(3, 2, 0, 1), true},
        {"hard disc as source, x4 real", CutterImage(3, 1, 2, 0), true},
        {"largest image, 49156 bytes", CutterImage(3, 2, 1, 0, 49152), true},
        {"checksum wrong", badChecksum, false},
        {"length not a multiple of 4", shortened, false},
        {"too long", CutterImage(3, 2, 0, 1, 49156), false},
        {"cutter number of a hard disc", CutterImage(1, 2, 0, 1), false},
        {"cutter number 0", CutterImage(0, 2, 0, 1), false},
        {"cutter number past the table", CutterImage(9, 2, 0, 1), false},
        {"source is the cutter", CutterImage(3, 3, 0, 1), false},
        {"source number 0", CutterImage(3, 0, 0, 1), false},
        {"speed index 3", CutterImage(3, 2, 3, 1), false},
        {"test flag 2", CutterImage(3, 2, 0, 2), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start();
        const int32_t r = box->DownloadCutterModule(handle, c.image.data(), uint32_t(c.image.size()));
        EXPECT_EQ(r >= 0, c.accepted) << std::hex << r;
        if (!c.accepted) {
            EXPECT_EQ(r, InvalidData);
        }
        EXPECT_EQ(Poll().activity() == 4, c.accepted) << "only a good image starts a cut";
    }
    const uint8_t tiny[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(box->DownloadCutterModule(handle, tiny, 4), InvalidData);
}

TEST_F(CutTest, FullCutAtEachSpeedGoesThroughItsStatesInOrder)
{
    struct Case {
        uint8_t speed, test;
        int64_t writingMs;  // 270000 sectors at 75 a second times 1, 2 or 4
    };
    for (const Case c : {Case{0, 1, 3600000}, Case{1, 0, 1800000}, Case{2, 0, 900000}}) {
        SCOPED_TRACE(int(c.speed));
        Start();
        const std::vector<uint8_t> image = CutterImage(3, 2, c.speed, c.test);
        ASSERT_EQ(box->DownloadCutterModule(handle, image.data(), uint32_t(image.size())), 0);
        const Progress p = ReadProgress();
        EXPECT_EQ(p.first, 0u);
        EXPECT_EQ(p.end, 270000u);
        EXPECT_EQ(p.speed, c.speed);
        EXPECT_EQ(p.test, c.test);

        std::vector<uint8_t> states;
        int64_t writingFrom = -1, writingTo = -1;
        uint32_t lastPosition = 0;
        const int64_t start = clock.ModelMs();
        for (;;) {
            const Status st = Poll();
            if (st.activity() != 4) break;
            if (states.empty() || states.back() != st.state()) states.push_back(st.state());
            if (st.state() == 2) {
                if (writingFrom < 0) writingFrom = clock.ModelMs();
                writingTo = clock.ModelMs();
                EXPECT_GE(st.position(), lastPosition);
                lastPosition = st.position();
            }
            EXPECT_EQ(st.error(), 0);
            clock.Advance(c.speed == 2 ? 100 : 1000);
            ASSERT_LT(clock.ModelMs() - start, c.writingMs + 60000) << "the cut never ends";
        }
        EXPECT_EQ(states, (std::vector<uint8_t>{0, 1, 2, 3, 4}));
        EXPECT_NEAR(double(writingTo - writingFrom), double(c.writingMs), 1000.0);
        EXPECT_GT(lastPosition, 269000u);
        EXPECT_EQ(Poll().activity(), 0) << "after Done the box stops until it is reset";
        EXPECT_EQ(box->BlankPresent(), c.test == 1) << "a real cut uses the blank, a test cut keeps it";
        ASSERT_EQ(box->Reset(handle), 0);
        clock.Advance(400);
        EXPECT_EQ(Poll().activity(), 2);
    }
}

TEST_F(CutTest, NoBlankShows8200UntilOneIsInserted)
{
    Scenario s = DefaultScenario();
    s.blank = false;
    TimelineEvent insert;
    insert.atMs = 10000;
    insert.blank = true;
    s.events.push_back(insert);
    Start(s);
    const std::vector<uint8_t> image = CutterImage(3, 2, 2, 0);
    ASSERT_EQ(box->DownloadCutterModule(handle, image.data(), uint32_t(image.size())), 0);
    for (int i = 0; i < 5; ++i) {
        const Status st = Poll();
        EXPECT_EQ(st.error(), 0x8200);
        EXPECT_NE(st.activity(), 4);
        clock.Advance(1000);
    }
    clock.Advance(10000 - clock.ModelMs());
    const Status st = Poll();
    EXPECT_EQ(st.error(), 0);
    EXPECT_EQ(st.activity(), 4);
    EXPECT_EQ(st.state(), 0) << "Ready from the moment the blank went in";
}

TEST_F(CutTest, ARunningCutIsFoundAfterTheModelRestarts)
{
    const std::string dir = UniqueTempDir("cut");
    Start(DefaultScenario(), dir);
    const std::vector<uint8_t> image = CutterImage(3, 2, 1, 0);
    ASSERT_EQ(box->DownloadCutterModule(handle, image.data(), uint32_t(image.size())), 0);
    clock.Advance(60000);
    const uint32_t before = Poll().position();
    EXPECT_GT(before, 0u);
    const int64_t wallAtStop = clock.WallMs();
    box.reset();

    // Thirty seconds later, a new program (and a new model) on a new clock.
    ManualClock later(wallAtStop + 30000);
    FaultPlan noFaults;
    VirtualEmulator again(DefaultScenario(), later, noFaults, dir);
    uint32_t h = 0;
    ASSERT_EQ(again.AcquireHandle(&h), 0);
    Status st;
    uint32_t size = 20;
    ASSERT_EQ(again.GetStatus(h, st.b, &size, 1), 0);
    EXPECT_EQ(st.activity(), 4);
    EXPECT_EQ(st.state(), 2);
    EXPECT_NEAR(double(st.position()), double(before + 30 * 150), 2.0) << "x2: 150 sectors a second";
    uint8_t progress[12] = {};
    size = 12;
    ASSERT_EQ(again.GetStatus(h, progress, &size, 3), 0);
    EXPECT_EQ(LoadBE32(progress + 4), 270000u);
    EXPECT_EQ(LoadBE16(progress + 8), 1u);
    EXPECT_EQ(LoadBE16(progress + 10), 0u);
}
