// Scenario faults (which calls fail, a busy box, noisy status blocks) and scenario files.
#include <algorithm>
#include "BoxFixture.h"

using namespace TamberResult;

class FaultTest : public BoxTest {
protected:
    static Scenario With(const FaultRule& rule) { Scenario s = DefaultScenario(); s.faults = {rule}; return s; }
    // Which of the first n ReadMemory calls fail under the rule; each failure gives the rule's result.
    std::string Pattern(const FaultRule& rule, int n)
    {
        Start(With(rule));
        std::string out;
        for (uint32_t i = 0, size = 4; i < uint32_t(n); ++i) {
            uint8_t b[4];
            const int32_t r = box->ReadMemory(handle, 0, b, &size);
            EXPECT_EQ(r, r < 0 ? rule.result : 0) << "a failing call answers the rule's result";
            out += r < 0 ? 'x' : '.';
            Poll();  // calls of other operations do not move the rule's count or draws
        }
        return out;
    }
};

TEST_F(FaultTest, OperationFailsOnItsNthCallForACountAlwaysOrBySeededChance)
{
    const struct { const char* what; FaultRule rule; std::string pattern; } cases[] = {
        {"third call, own result", {.op = "ReadMemory", .nth = 3, .result = int32_t(0x80041234)}, "..x......."},
        {"three from the second", {.op = "ReadMemory", .nth = 2, .count = 3}, ".xxx......"},
        {"for ever from the fourth", {.op = "ReadMemory", .nth = 4, .count = 0}, "...xxxxxxx"},
        {"another operation's rule", {.op = "WriteMemory", .always = true}, ".........."},
    };
    for (const auto& c : cases) EXPECT_EQ(Pattern(c.rule, 10), c.pattern) << c.what;

    const FaultRule chance{.op = "ReadMemory", .probability = 0.3, .seed = 1234};
    const std::string a = Pattern(chance, 2000);
    EXPECT_EQ(a, Pattern(chance, 2000)) << "same seed, same failures";
    EXPECT_NEAR(double(std::count(a.begin(), a.end(), 'x')) / 2000, 0.3, 0.05) << "failures at the set chance";
}

// Busy from the first call, counted from it; busy for ever is seen by the program's bounded wait, end to end.
TEST_F(FaultTest, TestReadyBusyForATimeFromItsFirstCall)
{
    clock.Advance(1000);
    Start(With({.op = "TestReady", .busyMs = 2500}));
    EXPECT_EQ(box->TestReady(handle), Busy) << "busy from the first call";
    clock.Advance(2499);
    EXPECT_EQ(box->TestReady(handle), Busy) << "busy 1 ms before the time is up";
    clock.Advance(1);
    EXPECT_EQ(box->TestReady(handle), 0) << "ready when the time is up";
}

TEST_F(FaultTest, RandomStatusBlocksAreReproducibleNoise)
{
    const Scenario s = With({.op = "GetStatus.1", .nth = 2, .count = 2, .seed = 77, .random = true});
    std::vector<std::string> blocks;  // two runs of four polls
    for (int i = 0; i < 8; ++i) {
        if (i % 4 == 0) Start(s);
        blocks.emplace_back(reinterpret_cast<const char*>(Poll().b), 20);
    }
    EXPECT_EQ(std::vector(blocks.begin(), blocks.begin() + 4), std::vector(blocks.begin() + 4, blocks.end())) << "same seed, same noise";
    EXPECT_TRUE(blocks[0] == blocks[3] && blocks[1] != blocks[0] && blocks[2] != blocks[1]) << "calls 2 and 3 noise, 1 and 4 the model's own";
}

// A mistake in a scenario is refused with a message that says where; the shipped demos are good.
TEST(ScenarioFile, MistakesAreRefusedSayingWhereAndTheDemosAreRead)
{
    const struct { std::string text, error; } cases[] = {
        {"time_scale = 20\n[target]\nkind = 0xFC\n[[fault]]\nop = \"ReadMemory\"\nnth = 2\n", ""},
        {"tim_scale = 20\n", "scenario: unknown key 'tim_scale'"},
        {"[target]\nkind = \"Saturn\"\n", "kind must be an integer"},
        {"[[fault]]\nnth = 2\n", "op is required"},
        {"[[fault]]\nop = \"ReadMemory\"\nprobability = 1.5\n", "probability must be from 0 to 1"},
        {"[[event]]\nerror = 0x8190\n", "at_ms is required"},
        {"[target]\npower = true\n[target]\n", "line 3: "},
        {"# caf\xC3\xA9\n", "line 1: only ASCII text is read"},
    };
    Scenario s = DefaultScenario();
    std::string error;
    for (const auto& c : cases) {
        EXPECT_EQ(ParseScenario(c.text, s, error), c.error.empty()) << c.text;
        EXPECT_TRUE(error.find(c.error) != std::string::npos && error.empty() == c.error.empty()) << c.text << error;
        error.clear();
    }
    for (const char* demo : {"saturn-plays.toml", "playstation-missing-file.toml", "cut-waits-for-blank.toml", "every-key.toml"})
        EXPECT_TRUE(LoadScenarioFile(std::string(TAMBER_SCENARIO_DIR "/") + demo, s, error)) << error;
}
