// What the poll shows while the emulator runs, and how the mode is switched.
#include <gtest/gtest.h>
#include <algorithm>
#include "ProgramRun.h"
#include "common/ByteOrder.h"
#include "resources/ResourceIds.h"

namespace {

// The median gap between status polls (GetStatus kind 1) in the trace from fromMs to toMs.
double MedianPollGap(const std::vector<TraceLine>& polls, double fromMs, double toMs)
{
    std::vector<double> at, gaps;
    for (const TraceLine& call : polls)
        if (call.Arg("kind") == 1 && call.ms >= fromMs && call.ms <= toMs)
            at.push_back(call.ms);
    for (size_t i = 1; i < at.size(); ++i)
        gaps.push_back(at[i] - at[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    return gaps.empty() ? 0 : gaps[gaps.size() / 2];
}

void WaitForPlay(Robot& robot) { Robot::WaitUntil([&] { return robot.MainWindow() && robot.StatusPane(2) == "Play"; }, 8000); }

}  // namespace

// First start: from the 25th status read on, all fail, and what is shown stays as it was. Then a
// warm start, the drive plays; from 2.5 s to 4.5 s the status carries no position (byte 2); at
// 6 s the target goes off. The poll interval is 100 ms while it plays and 440 ms once it is off.
TEST(Polling, TimeFollowsThePositionStaysOnFailedReadsAndReadsZeroWhenOff)
{
    ProgramRun run;
    run.Scenario(Fault("GetStatus.1", "nth = 25\ncount = 0"));
    std::vector<std::string> kept;
    run.Run([&](Robot& robot) {
        WaitForPlay(robot);
        Sleep(3000);
        for (int i = 0; i < 2; ++i, Sleep(800))
            kept.push_back(robot.StatusPane(2) + " " + robot.StatusPane(3));
    });
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], kept[1]) << "the state or the time moved on without a status read";
    EXPECT_EQ(kept[0].substr(0, 5), "Play ");
    const auto failed = run.Calls("GetStatus");
    EXPECT_GT(std::count_if(failed.begin(), failed.end(), [](const TraceLine& l) { return l.Arg("kind") == 1 && l.Failed(); }), 15)
        << "the timer keeps its interval after a failed read";
    run.Scenario(Event(2500, "position = false") + Event(4500, "position = true") + Event(6000, "power = false"));
    std::vector<std::pair<ULONGLONG, std::string>> samples;
    std::string off;
    run.Run([&](Robot& robot) {
        const ULONGLONG start = GetTickCount64();
        robot.WaitForMainWindow();
        Robot::WaitUntil([&] {
            samples.emplace_back(GetTickCount64() - start, robot.StatusPane(3));
            return robot.StatusPane(2) == "Target Off";
        }, 12000);
        off = robot.StatusPane(2) + " " + robot.StatusPane(3) + " " + robot.StatusPane(1);
        Sleep(2000);  // long enough to measure the slower poll
    });
    auto distinct = [&](ULONGLONG from, ULONGLONG to) {
        std::vector<std::string> shown;
        for (const auto& [at, time] : samples)
            if (at >= from && at <= to && (shown.empty() || shown.back() != time))
                shown.push_back(time);
        return shown;
    };
    const auto playing = distinct(1200, 2300), hidden = distinct(2900, 4300), back = distinct(4900, 5800);
    EXPECT_GE(playing.size(), 4u) << "the time does not follow the disc";
    for (const std::string& t : playing)
        EXPECT_TRUE(t.size() == 8 && t[2] == ':' && t[5] == ':') << t;
    ASSERT_EQ(hidden.size(), 1u) << "the time moved while the status carried no position";
    EXPECT_NE(hidden[0], "00:00:00") << "the time was not kept but read from a block without position";
    EXPECT_GE(back.size(), 4u) << "the time did not move on once the position came back";
    EXPECT_EQ(off, "Target Off 00:00:00 Emulating");
    const auto polls = run.Calls("GetStatus");
    ASSERT_GT(polls.size(), 10u);
    const double active = MedianPollGap(polls, polls.front().ms, polls.front().ms + 2500);
    const double slow = MedianPollGap(polls, polls.back().ms - 1500, polls.back().ms);
    EXPECT_TRUE(active >= 85 && active <= 180) << active << " ms while active";
    EXPECT_TRUE(slow >= 400 && slow <= 600) << slow << " ms while off";
}

TEST(Polling, ModeToggleFromButtonMenuAndEnterKey)
{
    ProgramRun run;
    run.Run(WaitForPlay);  // a first start uploads the modules, switching modes
    std::vector<std::string> seen;  // button, menu item, mode pane, pane count
    run.Run([&](Robot& robot) {
        WaitForPlay(robot);
        HWND button = GetDlgItem(robot.MainWindow(), ID_MODE_TOGGLE), list = GetDlgItem(robot.MainWindow(), IDC_MESSAGES);
        const std::function<void()> actions[] = {
            [] {},
            [&] { PostMessageA(button, BM_CLICK, 0, 0); },  // the button, as a click delivers it
            [&] { robot.Command(ID_MODE_TOGGLE); },          // the menu item sends the same command
            [&] { PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0), PostMessageA(list, WM_KEYUP, VK_RETURN, 0); },  // the default button
        };
        for (const auto& action : actions) {
            const std::string before = robot.Text(ID_MODE_TOGGLE);
            action();
            Robot::WaitUntil([&] { return robot.Text(ID_MODE_TOGGLE) != before; }, seen.empty() ? 0 : 3000);
            seen.push_back(robot.Text(ID_MODE_TOGGLE) + "|" + robot.MenuText(ID_MODE_TOGGLE) + "|" + robot.StatusPane(1) + "|" +
                           std::to_string(robot.StatusEdges().size()));
        }
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"Transfer Mode|&Start Emulation|Emulating|4", "Emulation Mode|&Emulation Mode|File Transfer Mode|2",
                                              "Transfer Mode|&File Transfer Mode|Emulating|4", "Emulation Mode|&Emulation Mode|File Transfer Mode|2"}));
    // The emulation device is the last disc of the table; the mode word carries it from bit 8.
    const std::vector<uint8_t> table = run.ReadSram(0xFFF00, 252);
    ASSERT_EQ(table.size(), 252u);
    uint32_t device = 0;
    for (uint32_t i = 0; i < 7 && LoadBE32(&table[i * 36]) != 0; ++i)
        device = table[i * 36] == 0 || table[i * 36] == 7 ? i + 1 : device;
    std::vector<uint32_t> words;
    for (const TraceLine& call : run.Calls("SetMode"))
        words.push_back(call.Arg("word"));
    EXPECT_EQ(words, (std::vector<uint32_t>{device << 8 | 0, device << 8 | 1, device << 8 | 0}));
    EXPECT_NE(device, 0u);
}
