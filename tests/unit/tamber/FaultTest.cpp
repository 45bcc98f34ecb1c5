// Faults from a scenario: which calls fail, reproducibly; a box that stays busy; status blocks
// full of noise. And the scenario file that describes them.
#include <algorithm>
#include "BoxFixture.h"

using namespace TamberResult;

namespace {

FaultRule Rule(const char* op)
{
    FaultRule r;
    r.op = op;
    return r;
}

// Which of the first n calls of op fail under the rule.
std::string Pattern(const FaultRule& rule, const char* op, int n)
{
    FaultPlan plan({rule});
    std::string out;
    for (int i = 0; i < n; ++i) out += plan.Check(op).fail ? 'x' : '.';
    return out;
}

}  // namespace

TEST(FaultPlan, NthCallCountAlwaysAndSeededProbability)
{
    struct Case {
        const char* what;
        FaultRule rule;
        std::string pattern;
    };
    FaultRule third = Rule("ReadMemory");
    third.nth = 3;
    FaultRule threeFromSecond = Rule("ReadMemory");
    threeFromSecond.nth = 2;
    threeFromSecond.count = 3;
    FaultRule foreverFromFourth = Rule("ReadMemory");
    foreverFromFourth.nth = 4;
    foreverFromFourth.count = 0;
    FaultRule always = Rule("ReadMemory");
    always.always = true;
    FaultRule otherOp = Rule("WriteMemory");
    otherOp.always = true;
    const std::vector<Case> cases = {
        {"third call", third, "..x......."},
        {"three from the second", threeFromSecond, ".xxx......"},
        {"for ever from the fourth", foreverFromFourth, "...xxxxxxx"},
        {"always", always, "xxxxxxxxxx"},
        {"another operation's rule", otherOp, ".........."},
    };
    for (const Case& c : cases) EXPECT_EQ(Pattern(c.rule, "ReadMemory", 10), c.pattern) << c.what;

    FaultRule chance = Rule("ReadMemory");
    chance.probability = 0.3;
    chance.seed = 1234;
    const std::string a = Pattern(chance, "ReadMemory", 2000);
    EXPECT_EQ(a, Pattern(chance, "ReadMemory", 2000)) << "same seed, same failures";
    const double share = double(std::count(a.begin(), a.end(), 'x')) / double(a.size());
    EXPECT_NEAR(share, 0.3, 0.05);
    chance.seed = 1235;
    EXPECT_NE(a, Pattern(chance, "ReadMemory", 2000)) << "another seed, other failures";

    // Interleaved calls of other operations do not move a rule's draws.
    chance.seed = 1234;
    FaultPlan plan({chance});
    std::string interleaved;
    for (int i = 0; i < 2000; ++i) {
        plan.Check("GetStatus", "GetStatus.1");
        interleaved += plan.Check("ReadMemory").fail ? 'x' : '.';
    }
    EXPECT_EQ(interleaved, a);
}

TEST_F(BoxTest, FaultsReachTheOperationsWithTheirResult)
{
    Scenario s = DefaultScenario();
    FaultRule read = Rule("ReadMemory");
    read.nth = 2;
    read.result = int32_t(0x80041234);
    FaultRule statusKind2 = Rule("GetStatus.2");
    statusKind2.always = true;
    FaultRule acquire = Rule("AcquireHandle");
    acquire.nth = 2;
    s.faults = {read, statusKind2, acquire};
    Start(s);
    uint8_t b[64];
    uint32_t size = 4;
    EXPECT_EQ(box->ReadMemory(handle, 0, b, &size), 0);
    EXPECT_EQ(box->ReadMemory(handle, 0, b, &size), int32_t(0x80041234));
    EXPECT_EQ(box->ReadMemory(handle, 0, b, &size), 0);
    size = 42;
    EXPECT_LT(box->GetStatus(handle, b, &size, 2), 0);
    size = 20;
    EXPECT_EQ(box->GetStatus(handle, b, &size, 1), 0) << "a rule for one kind leaves the others alone";
    ASSERT_EQ(box->ReleaseHandle(handle), 0);
    EXPECT_EQ(box->AcquireHandle(&handle), int32_t(0x80004005)) << "second acquisition fails";
    EXPECT_EQ(box->AcquireHandle(&handle), 0) << "and a retry succeeds";
}

TEST_F(BoxTest, TestReadyBusyForATimeOrForEver)
{
    struct Case {
        int64_t busyMs;
        bool forever;
    };
    for (const Case c : {Case{2500, false}, Case{-1, true}}) {
        SCOPED_TRACE(c.busyMs);
        Scenario s = DefaultScenario();
        FaultRule busy = Rule("TestReady");
        busy.busyMs = c.busyMs;
        busy.busyForever = c.forever;
        s.faults = {busy};
        clock.Advance(1000);  // counted from TestReady's first call, not from the start
        Start(s);
        EXPECT_EQ(box->TestReady(handle), Busy);
        clock.Advance(2499);
        EXPECT_EQ(box->TestReady(handle), Busy);
        clock.Advance(1);
        EXPECT_EQ(box->TestReady(handle) == Busy, c.forever);
        clock.Advance(3600 * 1000);
        EXPECT_EQ(box->TestReady(handle) == Busy, c.forever);
    }
}

TEST_F(BoxTest, RandomStatusBlocksAreReproducibleNoise)
{
    Scenario s = DefaultScenario();
    FaultRule noise = Rule("GetStatus.1");
    noise.random = true;
    noise.nth = 2;
    noise.count = 2;
    noise.seed = 77;
    s.faults = {noise};
    auto run = [&] {
        Start(s);
        std::vector<std::vector<uint8_t>> blocks;
        for (int i = 0; i < 4; ++i) {
            uint8_t b[20] = {};
            uint32_t size = 20;
            EXPECT_EQ(box->GetStatus(handle, b, &size, 1), 0) << "noise still succeeds";
            blocks.emplace_back(b, b + 20);
        }
        return blocks;
    };
    const auto first = run();
    EXPECT_EQ(first, run());
    EXPECT_EQ(first[0], first[3]) << "calls 1 and 4 are the model's own";
    EXPECT_NE(first[1], first[0]);
    EXPECT_NE(first[2], first[1]);
}

TEST(ScenarioFile, ReadsEveryPartAndSaysWhereItIsWrong)
{
    const char* text = R"(
time_scale = 20
fresh_sram = true
[target]
kind = 0xFC
power = false
[[device]]
type = 0
vendor = "IBM"
product = "DORS-32160"
revision = "WA0A"
[[device]]
type = 4
vendor = "YAMAHA"
product = "CDR400"
revision = "1.0"
[disc]
sectors = 1000
[cutter]
blank = false
[timings]
reset_ms = 50
[settings]
seed_defaults = false
[[fault]]
op = "GetStatus.1"
probability = 0.25
seed = 9
result = 0x80070015
[[event]]
at_ms = 3000
blank = true
[[event]]
at_ms = 1000
error = 0x8190
file = "GAME.BIN"
)";
    Scenario s = DefaultScenario();
    std::string error;
    ASSERT_TRUE(ParseScenario(text, s, error)) << error;
    EXPECT_EQ(s.timeScale, 20.0);
    EXPECT_TRUE(s.freshSram);
    EXPECT_EQ(s.targetKind, 0xFC);
    EXPECT_FALSE(s.targetPower);
    ASSERT_EQ(s.devices.size(), 2u) << "listed devices replace the default table";
    EXPECT_EQ(s.devices[1].type, 4);
    EXPECT_EQ(s.disc.sectors, 1000u);
    EXPECT_FALSE(s.blank);
    EXPECT_EQ(s.timings.resetMs, 50);
    EXPECT_EQ(s.timings.modeSwitchMs, 150) << "unset timings keep their defaults";
    EXPECT_FALSE(s.seedDefaults);
    ASSERT_EQ(s.faults.size(), 1u);
    EXPECT_EQ(s.faults[0].result, int32_t(0x80070015));
    ASSERT_EQ(s.events.size(), 2u);
    EXPECT_EQ(s.events[0].atMs, 1000) << "events in time order";
    EXPECT_EQ(*s.events[0].error, 0x8190);

    struct Bad {
        const char* text;
        const char* mentions;
    };
    const Bad bad[] = {
        {"[target]\nkinds = 1\n", "unknown key 'kinds'"},
        {"[[fault]]\nop = \"ReadMemory\"\nprobability = 2\n", "probability"},
        {"[[fault]]\nop = \"ReadMemory\"\nresult = 5\n", "result"},
        {"[[fault]]\nnth = 2\n", "op is required"},
        {"[[event]]\nblank = true\n", "at_ms"},
        {"[target]\nkind = 300\n", "kind"},
        {"time_scale = 0\n", "time_scale"},
        {"[disc\n", "line 1"},
        {"time_scale = 2\n[!'\n", "line 2: a table header"},  // toml++ itself would assert here
        {"[[[fault]]]\n", "line 1"},
        {"# caf\xC3\xA9\n", "only ASCII"},
    };
    for (const Bad& b : bad) {
        Scenario ignored = DefaultScenario();
        std::string why;
        EXPECT_FALSE(ParseScenario(b.text, ignored, why)) << b.text;
        EXPECT_NE(why.find(b.mentions), std::string::npos) << why;
    }
}

TEST(ScenarioFile, TheShippedDemoScenariosAreValid)
{
#ifdef TAMBER_SCENARIO_DIR
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TAMBER_SCENARIO_DIR)) {
        if (entry.path().extension() != ".toml") continue;
        Scenario s = DefaultScenario();
        std::string error;
        EXPECT_TRUE(LoadScenarioFile(entry.path().string(), s, error)) << error;
        ++count;
    }
    EXPECT_GE(count, 3);
#else
    GTEST_SKIP() << "the scenario folder is read in the host tree";
#endif
}
