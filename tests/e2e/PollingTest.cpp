// What the poll shows while the emulator runs, and how the mode is switched.
#include <gtest/gtest.h>
#include <algorithm>
#include "ProgramRun.h"
#include "common/ByteOrder.h"
#include "resources/ResourceIds.h"

namespace {

// Samples a status pane until stop() and returns the texts it showed, repeats collapsed.
std::vector<std::string> Watch(const Robot& robot, int pane, const std::function<bool()>& stop, int timeoutMs)
{
    std::vector<std::string> shown;
    Robot::WaitUntil([&] {
        const std::string text = robot.StatusPane(pane);
        if (shown.empty() || shown.back() != text)
            shown.push_back(text);
        return stop();
    }, timeoutMs);
    return shown;
}

std::string Events(int startMs, int stepMs, const std::vector<int>& states)
{
    std::string toml;
    int at = startMs;
    for (int state : states) {
        toml += "[[event]]\nat_ms = " + std::to_string(at) + "\ndrive_state = " + std::to_string(state) + "\n";
        at += stepMs;
    }
    return toml;
}

std::vector<double> Intervals(const std::vector<TraceLine>& polls, double fromMs, double toMs)
{
    std::vector<double> gaps;
    for (size_t i = 1; i < polls.size(); ++i)
        if (polls[i - 1].ms >= fromMs && polls[i].ms <= toMs)
            gaps.push_back(polls[i].ms - polls[i - 1].ms);
    std::sort(gaps.begin(), gaps.end());
    return gaps;
}

std::vector<TraceLine> StatusPolls(const ProgramRun& run)
{
    std::vector<TraceLine> polls;
    for (const TraceLine& call : run.Calls("GetStatus"))
        if (call.Arg("kind") == 1)
            polls.push_back(call);
    return polls;
}

}  // namespace

TEST(Polling, DriveStateTextsFollowTheTargetsTable)
{
    struct Case {
        int kind;
        std::vector<int> states;
        std::vector<std::string> shown;  // the last distinct texts of pane 2
    };
    const Case cases[] = {
        // 12 and 32 are not Saturn states: "Sec" stays until a known state comes.
        {2, {1, 2, 3, 4, 5, 11, 12, 32, 3}, {"Stop", "Seek", "Play", "Pause", "FF/FR", "Sec", "Play"}},
        // 3 and 11 are not PlayStation states.
        {0xFC, {1, 2, 4, 12, 20, 32, 3, 11, 1}, {"Open", "Stop", "Play", "Pause", "FF/FR", "Access", "Open"}},
    };
    for (const Case& c : cases) {
        ProgramRun run;
        run.Scenario("[target]\nkind = " + std::to_string(c.kind) + "\n" + Events(3000, 500, c.states));
        std::vector<std::string> shown;
        const double endMs = 3000 + 500.0 * c.states.size() + 600;
        run.Run([&](Robot& robot) {
            robot.WaitForMainWindow();
            const ULONGLONG start = GetTickCount64();
            shown = Watch(robot, 2, [&] { return GetTickCount64() - start > endMs; }, 20000);
        });
        ASSERT_GE(shown.size(), c.shown.size()) << "kind " << c.kind;
        const std::vector<std::string> tail(shown.end() - long(c.shown.size()), shown.end());
        EXPECT_EQ(tail, c.shown) << "kind " << c.kind;
    }
}

TEST(Polling, TimeFollowsThePositionWhileActiveAndReadsZeroWhenOff)
{
    ProgramRun run;
    run.Run([](Robot& robot) { Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000); });
    // Warm start: the drive plays; from 2.5 s to 4.5 s the status carries no position; at 6 s the
    // target goes off.
    run.Scenario("[[event]]\nat_ms = 2500\nposition = false\n[[event]]\nat_ms = 4500\nposition = true\n"
                 "[[event]]\nat_ms = 6000\npower = false\n");
    struct Sample {
        ULONGLONG at;
        std::string time;
    };
    std::vector<Sample> samples;
    std::string offState, offTime, offMode;
    run.Run([&](Robot& robot) {
        const ULONGLONG start = GetTickCount64();
        robot.WaitForMainWindow();
        Robot::WaitUntil([&] {
            samples.push_back({GetTickCount64() - start, robot.StatusPane(3)});
            return robot.StatusPane(2) == "Target Off";
        }, 12000);
        offState = robot.StatusPane(2);
        offTime = robot.StatusPane(3);
        offMode = robot.StatusPane(1);
        Sleep(2500);  // long enough to measure the slower poll
    });
    auto distinct = [&](ULONGLONG from, ULONGLONG to) {
        std::vector<std::string> shown;
        for (const Sample& s : samples)
            if (s.at >= from && s.at <= to && (shown.empty() || shown.back() != s.time))
                shown.push_back(s.time);
        return shown;
    };
    const auto playing = distinct(1200, 2300);
    const auto hidden = distinct(2900, 4300);
    const auto back = distinct(4900, 5800);
    EXPECT_GE(playing.size(), 4u) << "the time does not follow the disc";
    for (const std::string& t : playing)
        EXPECT_TRUE(t.size() == 8 && t[2] == ':' && t[5] == ':') << t;
    ASSERT_EQ(hidden.size(), 1u) << "the time moved while the status carried no position";
    EXPECT_NE(hidden[0], "00:00:00") << "the time was not kept but read from a block without position";
    EXPECT_GE(back.size(), 4u) << "the time did not move on once the position came back";
    EXPECT_EQ(offState, "Target Off");
    EXPECT_EQ(offTime, "00:00:00");
    EXPECT_EQ(offMode, "Emulating");

    // Interval: 100 ms while the target plays, 440 ms once it is off.
    const std::vector<TraceLine> polls = StatusPolls(run);
    ASSERT_GT(polls.size(), 10u);
    const std::vector<double> active = Intervals(polls, polls.front().ms, polls.front().ms + 2500);
    const std::vector<double> off = Intervals(polls, polls.back().ms - 1800, polls.back().ms);
    ASSERT_FALSE(active.empty());
    ASSERT_FALSE(off.empty());
    EXPECT_GE(active[active.size() / 2], 85);
    EXPECT_LE(active[active.size() / 2], 180);
    EXPECT_GE(off[off.size() / 2], 400);
    EXPECT_LE(off[off.size() / 2], 600);
}

TEST(Polling, ModeToggleFromButtonMenuAndEnterKey)
{
    ProgramRun run;
    // A first start uploads the modules, switching modes; the second shows the window as built.
    run.Run([](Robot& robot) { Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000); });
    struct Seen {
        std::string button, menu, pane1;
        size_t panes;
    };
    std::vector<Seen> seen;
    run.Run([&](Robot& robot) {
        robot.WaitForMainWindow();
        Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000);
        auto record = [&] {
            seen.push_back({robot.Text(ID_MODE_TOGGLE), robot.MenuText(ID_MODE_TOGGLE), robot.StatusPane(1),
                            robot.StatusEdges().size()});
        };
        record();
        // The button, as a click delivers it.
        PostMessageA(GetDlgItem(robot.MainWindow(), ID_MODE_TOGGLE), BM_CLICK, 0, 0);
        Robot::WaitUntil([&] { return robot.Text(ID_MODE_TOGGLE) == "Emulation Mode"; }, 3000);
        record();
        // The menu item sends the same command.
        robot.Command(ID_MODE_TOGGLE);
        Robot::WaitUntil([&] { return robot.Text(ID_MODE_TOGGLE) == "Transfer Mode"; }, 3000);
        record();
        // Enter presses the default button.
        HWND list = GetDlgItem(robot.MainWindow(), IDC_MESSAGES);
        PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageA(list, WM_KEYUP, VK_RETURN, 0);
        Robot::WaitUntil([&] { return robot.Text(ID_MODE_TOGGLE) == "Emulation Mode"; }, 3000);
        record();
    });
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].button, "Transfer Mode");
    EXPECT_EQ(seen[0].menu, "&Start Emulation");
    EXPECT_EQ(seen[0].pane1, "Emulating");
    EXPECT_EQ(seen[1].button, "Emulation Mode");
    EXPECT_EQ(seen[1].menu, "&Emulation Mode");
    EXPECT_EQ(seen[1].pane1, "File Transfer Mode");
    EXPECT_EQ(seen[1].panes, 2u);
    EXPECT_EQ(seen[2].button, "Transfer Mode");
    EXPECT_EQ(seen[2].menu, "&File Transfer Mode");
    EXPECT_EQ(seen[2].pane1, "Emulating");
    EXPECT_EQ(seen[2].panes, 4u);
    EXPECT_EQ(seen[3].button, "Emulation Mode");

    // The emulation device is the last disc of the table; the mode word carries it from bit 8.
    const std::vector<uint8_t> table = run.ReadSram(0xFFF00, 252);
    ASSERT_EQ(table.size(), 252u);
    uint32_t device = 0;
    for (uint32_t i = 0; i < 7 && LoadBE32(&table[i * 36]) != 0; ++i)
        if (table[i * 36] == 0 || table[i * 36] == 7)
            device = i + 1;
    std::vector<uint32_t> words;
    for (const TraceLine& call : run.Calls("SetMode"))
        words.push_back(call.Arg("word"));
    ASSERT_NE(device, 0u);
    const std::vector<uint32_t> expected = {device << 8 | 0, device << 8 | 1, device << 8 | 0};
    EXPECT_EQ(words, expected);
}

TEST(Polling, FailedStatusReadsChangeNothing)
{
    ProgramRun run;
    // From the 25th read on, every status read fails.
    run.Scenario("[[fault]]\nop = \"GetStatus.1\"\nnth = 25\ncount = 0\n");
    std::string before, after, time;
    run.Run([&](Robot& robot) {
        robot.WaitForMainWindow();
        Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000);
        Sleep(3000);
        before = robot.StatusPane(2);
        time = robot.StatusPane(3);
        Sleep(1000);
        after = robot.StatusPane(2);
        EXPECT_EQ(robot.StatusPane(3), time) << "the time moved on without a status read";
    });
    EXPECT_EQ(before, "Play");
    EXPECT_EQ(after, "Play");
    const std::vector<TraceLine> polls = StatusPolls(run);
    int failed = 0;
    for (const TraceLine& call : polls)
        failed += call.Failed();
    // The timer keeps its interval after a failed read.
    EXPECT_GT(failed, 20);
}
