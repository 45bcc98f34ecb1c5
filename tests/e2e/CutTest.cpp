// Cutting a gold disc through the real windows, against the virtual emulator.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include "ProgramRun.h"
#include "cutting/CutDiscDialog.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int TimeScale = 40;
constexpr uint32_t DiscSectors = 15000;  // 5 s of writing at x1 at this time scale
const char BlankFromTheStart[] = "";

// The one scenario of these cuts: the default bus (1 hard disc, 2 PD drive, 3 CD writer), a short
// synthetic disc and time running fast. blankAtMs: the real time a blank goes into a writer that
// starts without one (-1: never). faults: [[fault]] tables.
std::string CutScenario(bool blank, int blankAtMs = -1, const std::string& faults = "",
                        uint32_t sectors = DiscSectors)
{
    std::string toml = "time_scale = " + std::to_string(TimeScale) + "\n" + faults + "[disc]\nsectors = " +
                       std::to_string(sectors) + "\n[cutter]\nblank = " + (blank ? "true" : "false") + "\n";
    if (blankAtMs >= 0)
        toml += "[[event]]\nat_ms = " + std::to_string(blankAtMs * TimeScale) + "\nblank = true\n";
    return toml;
}

void WaitForFirstPoll(Robot& robot)
{
    robot.WaitForMainWindow();
    Robot::WaitUntil([&] { return !robot.StatusPane(2).empty(); }, 10000);
}

// Opens the panel when it is hidden, sets speed and test mode as a user clicks them, presses
// "Cut CD Now".
void PressCutCdNow(const Robot& robot, int speedIndex, bool test)
{
    if (!robot.CutPanel())
        robot.Command(ID_CUT_GOLD_DISC);
    Robot::WaitUntil([&] { return robot.CutPanel() != nullptr; }, 5000);
    for (int i = 0; i < 3; ++i)
        robot.SetPanelCheck(IDC_SPEED_X1 + i, i == speedIndex);
    robot.SetPanelCheck(IDC_TEST_MODE, test);
    Robot::Press(robot.CutPanel(), IDOK);
}

// Every control a cut disables: the panel's, the main window's buttons and its menu items.
bool CutControlsAre(const Robot& robot, bool enabled)
{
    if (robot.CutPanel())
        for (int id : {IDOK, IDC_TEST_MODE, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4})
            if (robot.PanelEnabled(id) != enabled)
                return false;
    for (int id : {ID_MODE_TOGGLE, ID_CUT_GOLD_DISC})
        if (robot.IsEnabled(id) != enabled)
            return false;
    for (int id : {ID_MODE_TOGGLE, ID_CUT_GOLD_DISC, ID_EMULATION_MODULES, ID_EMULATION_DEVICE, ID_CUTTING_DEVICE})
        if (((robot.MenuState(id) & MF_GRAYED) == 0) != enabled)
            return false;
    return true;
}

// The main window as it is with the panel hidden and no cut running.
bool MainWindowRestored(const Robot& robot)
{
    return !robot.CutPanel() && CutControlsAre(robot, true) && robot.Text(IDC_MESSAGES_GROUP) == "Messages" &&
           robot.Text(ID_CUT_GOLD_DISC) == "Cut Gold Disk" && IsWindowVisible(GetDlgItem(robot.MainWindow(), IDC_MESSAGES));
}

struct CutWatch {
    bool finished = false;           // "Finished Cutting CD" came
    std::vector<uint32_t> positions;  // "Cut:" while the total was shown
    std::vector<std::string> states;  // pane 2 during the cut, repeats collapsed
    std::string total;
    bool laidOut = false;             // the status bar had the cut's panes
    bool disabled = true;             // every cut control, at every look
    int mismatches = 0;               // looks where the bar or the time disagreed with "Cut:"
};

// Watches the panel and the status bar until the cut has finished.
CutWatch FollowCut(const Robot& robot, int speedIndex, uint32_t total, int timeoutMs)
{
    CutWatch w;
    const uint32_t factor = speedIndex ? 2 * speedIndex : 1;
    w.finished = Robot::WaitUntil([&] {
        if (robot.StatusPane(0) == "Finished Cutting CD")
            return true;
        if (robot.StatusPane(1) != "Cutting CD" || !robot.CutPanel())
            return false;
        const bool laidOut = robot.StatusEdges() == std::vector<int>{170, 240, 290, -1};
        const std::string state = robot.StatusPane(2);
        const bool disabled = CutControlsAre(robot, false);
        const std::string shownTotal = robot.PanelText(IDC_CUT_TOTAL);
        const uint32_t position = strtoul(robot.PanelText(IDC_CUT_CURRENT).c_str(), nullptr, 10);
        unsigned minutes = 0, seconds = 0;
        sscanf(robot.PanelText(IDC_CUT_TIME).c_str(), "%u:%u", &minutes, &seconds);
        DWORD_PTR bar = 0;
        SendMessageTimeoutA(GetDlgItem(robot.CutPanel(), IDC_CUT_PROGRESS), PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &bar);
        // A look that the cut's end overtook is no look at the cut.
        if (robot.StatusPane(1) != "Cutting CD" || !robot.CutPanel())
            return false;
        w.laidOut = w.laidOut || laidOut;
        if (w.states.empty() || w.states.back() != state)
            w.states.push_back(state);
        w.disabled = w.disabled && disabled;
        w.total = shownTotal;
        if (shownTotal != std::to_string(total))
            return false;
        w.positions.push_back(position);
        // One poll apart at most: the robot may read between two ticks.
        const uint32_t shown = std::min(position, total);
        const int left = int((total / factor - shown / factor) / 75);
        if (std::abs(int(minutes * 60 + seconds) - left) > 6 || std::abs(int(bar) - int(shown / 100)) > 15)
            ++w.mismatches;
        return false;
    }, timeoutMs);
    return w;
}

// AcquireHandle calls after a moment: while a lock level is left taken, the poll takes none.
size_t AcquiresAfter(const ProgramRun& run, double ms)
{
    const auto calls = run.Calls("AcquireHandle");
    return size_t(std::count_if(calls.begin(), calls.end(), [&](const TraceLine& c) { return c.ms > ms; }));
}

bool ResetAfter(const ProgramRun& run, double ms)
{
    for (const TraceLine& call : run.Calls("Reset"))
        if (call.ms > ms && !call.Failed())
            return true;
    return false;
}

void WriteCutterModule(const ProgramRun& run, long bytes)
{
    const std::string path = run.ModulePath() + "\\cutcd004.bin";
    if (bytes < 0) {
        DeleteFileA(path.c_str());
        return;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (long i = 0; i < bytes; ++i)
        out.put(char(i * 11 + 1));
}

}  // namespace

TEST(Cut, RunsFromCutCdNowToFinishedAtEachSpeed)
{
    struct Case {
        int speedIndex;
        bool test;
    };
    const Case cases[] = {{0, true}, {1, false}, {2, true}, {2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE("speed index " + std::to_string(c.speedIndex) + (c.test ? ", test" : ", real"));
        ProgramRun run;
        run.Scenario(CutScenario(true));
        CutWatch watch;
        bool restored = false;
        run.Run([&](Robot& robot) {
            WaitForFirstPoll(robot);
            PressCutCdNow(robot, c.speedIndex, c.test);
            watch = FollowCut(robot, c.speedIndex, DiscSectors, 30000);
            restored = Robot::WaitUntil([&] { return MainWindowRestored(robot); }, 3000);
        });
        EXPECT_TRUE(watch.finished) << "no \"Finished Cutting CD\"";
        EXPECT_TRUE(restored) << "the main window was not given back after the cut";
        EXPECT_EQ(watch.total, std::to_string(DiscSectors));
        EXPECT_TRUE(watch.laidOut) << "no \"Cutting CD\" panes";
        EXPECT_TRUE(watch.disabled) << "a control stayed usable during the cut";
        EXPECT_EQ(watch.mismatches, 0) << "the bar or the time left did not follow \"Cut:\"";
        ASSERT_GE(watch.positions.size(), 3u);
        EXPECT_TRUE(std::is_sorted(watch.positions.begin(), watch.positions.end()));
        EXPECT_GT(watch.positions.back(), watch.positions.front()) << "\"Cut:\" never moved";
        EXPECT_NE(std::find(watch.states.begin(), watch.states.end(), "Writing"), watch.states.end());
        for (const std::string& state : watch.states)
            EXPECT_TRUE(state == "Ready" || state == "LeadIn" || state == "Writing" || state == "LeadOut" ||
                        state == "Done") << state;
        const auto downloads = run.Calls("DownloadCutterModule");
        ASSERT_EQ(downloads.size(), 1u);
        EXPECT_FALSE(downloads[0].Failed());
        EXPECT_EQ(downloads[0].Arg("cutter"), 3u);
        EXPECT_EQ(downloads[0].Arg("source"), 2u);
        EXPECT_EQ(downloads[0].Arg("speed"), uint32_t(c.speedIndex));
        EXPECT_EQ(downloads[0].Arg("test"), c.test ? 1u : 0u);
        EXPECT_EQ(downloads[0].Arg("length"), 12292u);  // the demo module, 12288 bytes
        EXPECT_TRUE(ResetAfter(run, downloads[0].ms)) << "the emulator was not reset after the cut";
    }
}

TEST(Cut, CutterModuleIsSentWholeWordsWithItsChecksum)
{
    struct Case {
        long fileBytes;
        uint32_t sent;
    };
    const Case cases[] = {{1001, 1008}, {49152, 49156}, {60000, 49156}};
    ProgramRun run;
    run.Scenario(CutScenario(false));  // no blank: each cut waits, and is given up
    std::vector<int> prompts;
    run.Run([&](Robot& robot) {
        WaitForFirstPoll(robot);
        for (const Case& c : cases) {
            WriteCutterModule(run, c.fileBytes);
            PressCutCdNow(robot, 1, false);
            HWND box = robot.WaitForDialog("Insert Disk", 5000);
            prompts.push_back(box ? 1 : 0);
            Robot::Press(box, IDOK);
            Sleep(300);
            Robot::Press(robot.CutPanel(), IDOK);  // "Stop Waiting"
            Robot::WaitUntil([&] { return MainWindowRestored(robot); }, 5000);
        }
    });
    EXPECT_EQ(prompts, std::vector<int>(std::size(cases), 1));
    const auto downloads = run.Calls("DownloadCutterModule");
    ASSERT_EQ(downloads.size(), std::size(cases));
    for (size_t i = 0; i < downloads.size(); ++i) {
        EXPECT_EQ(downloads[i].Arg("length"), cases[i].sent) << cases[i].fileBytes << " bytes";
        // The emulator checks the checksum and bytes 3 to 6: it took the image.
        EXPECT_FALSE(downloads[i].Failed()) << cases[i].fileBytes << " bytes";
        EXPECT_EQ(downloads[i].Arg("speed"), 1u);
        EXPECT_EQ(downloads[i].Arg("test"), 0u);
    }
}

TEST(Cut, CutterModuleProblemsAreToldAndNothingIsLost)
{
    struct Case {
        const char* what;
        long fileBytes;  // -1: no file
        const char* faults;
        const char* box;  // the start of the "Error" box's text
        bool panelStays;
        size_t downloads;
    };
    const Case cases[] = {
        {"missing", -1, "", "Cutter Module not present", true, 0},
        {"empty", 0, "", "The Cutter Module ", true, 0},
        {"refused", 12288, "[[fault]]\nop = \"DownloadCutterModule\"\nalways = true\n",
         "Unable to download the Cutter Module", false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramRun run;
        run.Scenario(CutScenario(true, -1, c.faults));
        WriteCutterModule(run, c.fileBytes);
        std::string box;
        bool panelOpen = false, usable = false;
        double dismissedMs = 0;
        run.Run([&](Robot& robot) {
            WaitForFirstPoll(robot);
            PressCutCdNow(robot, 0, true);
            HWND error = robot.WaitForDialog("Error", 5000);
            box = Robot::DialogText(error);
            Robot::Press(error, IDOK);
            Sleep(1500);
            panelOpen = robot.CutPanel() != nullptr;
            usable = panelOpen ? CutControlsAre(robot, true) && robot.PanelText(IDOK) == "Cut CD Now"
                               : MainWindowRestored(robot);
        });
        EXPECT_EQ(box.rfind(c.box, 0), 0u) << box;
        EXPECT_EQ(panelOpen, c.panelStays);
        EXPECT_TRUE(usable);
        const auto downloads = run.Calls("DownloadCutterModule");
        ASSERT_EQ(downloads.size(), c.downloads);
        if (!downloads.empty())
            EXPECT_GE(AcquiresAfter(run, downloads[0].ms), 2u) << "a lock level was kept after the refusal";
    }
}

TEST(Cut, GivingUpTheWaitLeavesTheProgramUsable)
{
    enum How { PanelButton, Escape, AbortCut, BlankBound, CutterBound };
    struct Case {
        How how;
        const char* faults;
        const char* line;  // the start of the Messages line that says what happened
    };
    const char* noStatus = "[[fault]]\nop = \"GetStatus.1\"\nalways = true\n";
    const Case cases[] = {
        {PanelButton, BlankFromTheStart, "Cut stopped before it began"},
        {Escape, BlankFromTheStart, "Cut stopped before it began"},
        {AbortCut, BlankFromTheStart, "Cut stopped before it began"},
        {BlankBound, BlankFromTheStart, "WARNING, no Gold Disc was inserted within 1 seconds"},
        {CutterBound, noStatus, "WARNING, the CD Emulator did not start the cut within 1 seconds"},
    };
    const CutWaitBounds saved = CutWaitLimits;
    CutWaitLimits = {1500, 1500};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const bool statusWorks = c.how != CutterBound;
        ProgramRun run;
        run.Scenario(CutScenario(false, statusWorks ? 7000 : -1, c.faults));
        int prompts = 0;
        std::string waitText, lastLine;
        bool restored = false;
        CutWatch second;
        run.Run([&](Robot& robot) {
            robot.WaitForMainWindow();
            if (statusWorks)
                WaitForFirstPoll(robot);
            PressCutCdNow(robot, 0, true);
            if (HWND box = robot.WaitForDialog("Insert Disk", statusWorks ? 5000 : 500)) {
                ++prompts;
                Robot::Press(box, IDOK);
            }
            Sleep(300);
            waitText = robot.PanelText(IDC_CUT_WAIT);
            if (robot.WaitForDialog("Insert Disk", 500))
                ++prompts;
            if (c.how == PanelButton)
                Robot::Press(robot.CutPanel(), IDOK);
            else if (c.how == Escape)
                PostMessageA(robot.CutPanel(), WM_KEYDOWN, VK_ESCAPE, 0);
            else if (c.how == AbortCut)
                robot.Command(ID_CUT_GOLD_DISC);
            restored = Robot::WaitUntil([&] { return MainWindowRestored(robot); }, 5000);
            const auto lines = robot.Messages();
            lastLine = lines.empty() ? "" : lines.back();
            if (!statusWorks)
                return;
            CutWaitLimits = saved;
            // A second cut: prompted again, and started by the blank the timeline inserts.
            PressCutCdNow(robot, 2, true);
            if (HWND box = robot.WaitForDialog("Insert Disk", 5000))
                Robot::Press(box, IDOK);
            second = FollowCut(robot, 2, DiscSectors, 20000);
        });
        CutWaitLimits = {1500, 1500};
        EXPECT_EQ(prompts, statusWorks ? 1 : 0);
        EXPECT_FALSE(waitText.empty()) << "the panel did not say what it waits for";
        EXPECT_TRUE(restored);
        EXPECT_EQ(lastLine.rfind(c.line, 0), 0u) << lastLine;
        const auto downloads = run.Calls("DownloadCutterModule");
        ASSERT_GE(downloads.size(), 1u);
        EXPECT_TRUE(ResetAfter(run, downloads[0].ms)) << "the pending cut was not dropped";
        if (statusWorks) {
            EXPECT_GE(AcquiresAfter(run, downloads[0].ms), 4u) << "a lock level was kept after giving up";
            EXPECT_TRUE(second.finished) << "the second cut did not run";
        }
    }
    CutWaitLimits = saved;
}

TEST(Cut, ACutRunningAtStartIsShownAndFollowedToTheEnd)
{
    const uint32_t sectors = 60000;  // 10 s at x2: time to close the program and start it again
    ProgramRun run;
    run.Scenario(CutScenario(true, -1, "", sectors));
    run.Run([&](Robot& robot) {
        WaitForFirstPoll(robot);
        PressCutCdNow(robot, 1, false);
        Robot::WaitUntil([&] { return robot.StatusPane(2) == "Writing"; }, 10000);
    });  // the robot closes the program
    bool shown = false, x2 = false, real = false;
    CutWatch watch;
    run.Run([&](Robot& robot) {
        robot.WaitForMainWindow();
        shown = Robot::WaitUntil([&] { return robot.CutPanel() != nullptr; }, 3000);
        x2 = !robot.PanelChecked(IDC_SPEED_X1) && robot.PanelChecked(IDC_SPEED_X2) && !robot.PanelChecked(IDC_SPEED_X4);
        real = !robot.PanelChecked(IDC_TEST_MODE);
        watch = FollowCut(robot, 1, sectors, 20000);
    });
    EXPECT_TRUE(shown) << "the first poll did not open the panel";
    EXPECT_TRUE(x2) << "the running cut's speed is not shown";
    EXPECT_TRUE(real) << "the running cut's test mode is not shown";
    EXPECT_TRUE(watch.disabled);
    EXPECT_EQ(watch.total, std::to_string(sectors));
    EXPECT_TRUE(watch.finished);
    EXPECT_EQ(watch.mismatches, 0);
    EXPECT_TRUE(run.Calls("DownloadCutterModule").empty()) << "the second run started a cut of its own";
}

// Not a check: run by cut-pictures.sh, which keeps a picture of the panel in the middle of a cut.
TEST(Cut, DISABLED_PosesForPictures)
{
    const uint32_t sectors = 270000;  // 22 s at x4 at this time scale
    ProgramRun run;
    run.Scenario(CutScenario(true, -1, "", sectors));
    run.Run([&](Robot& robot) {
        WaitForFirstPoll(robot);
        PressCutCdNow(robot, 2, true);
        Robot::WaitUntil([&] { return strtoul(robot.PanelText(IDC_CUT_CURRENT).c_str(), nullptr, 10) > 90000; }, 30000);
        EXPECT_TRUE(Robot::PoseForPicture("cut-panel", "Tamber Cadrel"));
    });
}
