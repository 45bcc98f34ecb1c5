// Cutting a gold disc through the real windows, against the virtual emulator.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <fstream>
#include <tuple>
#include "ProgramRun.h"
#include "cutting/CutDiscDialog.h"
#include "resources/ResourceIds.h"

namespace {

constexpr uint32_t Sectors = 9000;  // at time scale 20: 6 s of writing at x1, 1.5 s at x4
const char Insert[] = "Insert Disk: Please insert a Gold Disc into the Cutter Drive";

// The one scenario of these cuts: the default bus (1 hard disc, 2 PD drive, 3 CD writer), a short
// disc, fast time. blankAtS: when a blank goes into a writer that starts without one; -1 it has one.
std::string CutScenario(int blankAtS, const std::string& faults = "")
{
    return "time_scale = 20\n" + faults + "[disc]\nsectors = " + std::to_string(Sectors) + "\n[cutter]\nblank = " +
           (blankAtS < 0 ? "true\n" : "false\n[[event]]\nat_ms = " + std::to_string(blankAtS * 20000) + "\nblank = true\n");
}

void WriteModule(const std::string& path, long bytes)  // -1: no file
{
    DeleteFileA(path.c_str());
    if (bytes >= 0)
        std::ofstream(path, std::ios::binary) << std::string(size_t(bytes), '\x5A');
}

std::string PanelText(const Robot& robot, int id) { return Robot::WindowText(GetDlgItem(robot.CutPanel(), id)); }

// After the first poll: opens the panel when hidden, sets speed and test mode, "Cut CD Now".
void PressCutCdNow(Robot& robot, int speedIndex, bool test)
{
    robot.WaitForMainWindow();
    Robot::WaitUntil([&] { return !robot.StatusPane(2).empty(); }, 3000);
    if (!robot.CutPanel())
        robot.Command(ID_CUT_GOLD_DISC);
    Robot::WaitUntil([&] { return robot.CutPanel() != nullptr; }, 5000);
    for (int i = 0; i < 4; ++i)  // x1, x2, x4, then Test Mode
        Robot::Ask(GetDlgItem(robot.CutPanel(), IDC_SPEED_X1 + i), BM_SETCHECK, i < 3 ? i == speedIndex : test, 0);
    Robot::Press(robot.CutPanel(), IDOK);
}

// The box that comes before the cut begins, as "caption: text", answered; "" when none came.
std::string AnswerBox(const Robot& robot, int ms)
{
    HWND box = nullptr;
    Robot::WaitUntil([&] {
        return (box = robot.FindDialog("Error")) || (box = robot.FindDialog("Insert Disk")) ||
               robot.StatusPane(1) == "Cutting CD";
    }, ms);
    if (!box)
        return "";
    const std::string shown = Robot::WindowText(box) + ": " + Robot::DialogText(box);
    Robot::Press(box, IDOK);
    Robot::WaitUntil([&] { return !IsWindow(box); }, 2000);  // so a slow close is not a second box
    return shown;
}

// Every control a cut disables: the panel's, and the main window's buttons and menu items.
bool CutControlsAre(const Robot& robot, bool enabled)
{
    bool all = true;
    for (int id : {IDOK, IDC_TEST_MODE, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4})
        all = all && (!robot.CutPanel() || (IsWindowEnabled(GetDlgItem(robot.CutPanel(), id)) != FALSE) == enabled);
    for (int id : {ID_MODE_TOGGLE, ID_CUT_GOLD_DISC, ID_EMULATION_MODULES, ID_EMULATION_DEVICE, ID_CUTTING_DEVICE})
        all = all && ((robot.MenuState(id) & MF_GRAYED) == 0) == enabled &&
              (id > ID_CUT_GOLD_DISC || robot.IsEnabled(id) == enabled);  // the two with buttons
    return all;
}

// The main window given back: panel hidden, Messages shown, everything enabled.
bool Restored(const Robot& robot)
{
    return Robot::WaitUntil([&] {
        return !robot.CutPanel() && CutControlsAre(robot, true) && robot.Text(IDC_MESSAGES_GROUP) == "Messages" &&
               robot.Text(ID_CUT_GOLD_DISC) == "Cut Gold Disk" && IsWindowVisible(GetDlgItem(robot.MainWindow(), IDC_MESSAGES));
    }, 5000);
}

// Until "Finished Cutting CD": every look finds the controls disabled, the cut's status panes, and
// the bar and time left agreeing with "Cut:", which moves on; then the main window given back.
bool FollowCut(const Robot& robot, int speedIndex)
{
    const uint32_t factor = speedIndex ? 2 * speedIndex : 1;
    const std::string states = " Ready LeadIn Writing LeadOut Done ";
    std::vector<uint32_t> positions;
    bool good = true;
    const bool finished = Robot::WaitUntil([&] {
        if (robot.StatusPane(1) != "Cutting CD" && robot.StatusPane(0) == "Finished Cutting CD")
            return !positions.empty();  // else the last cut's line, this one not yet shown
        if (robot.StatusPane(1) != "Cutting CD" || !robot.CutPanel() || PanelText(robot, IDC_CUT_TOTAL) != std::to_string(Sectors))
            return false;
        const uint32_t position = std::min<uint32_t>(std::stoul("0" + PanelText(robot, IDC_CUT_CURRENT)), Sectors);
        unsigned minutes = 99, seconds = 0;
        sscanf(PanelText(robot, IDC_CUT_TIME).c_str(), "%u:%u", &minutes, &seconds);
        const int bar = int(Robot::Ask(GetDlgItem(robot.CutPanel(), IDC_CUT_PROGRESS), PBM_GETPOS, 0, 0));
        const bool look = CutControlsAre(robot, false) && robot.StatusEdges() == std::vector<int>{170, 240, 290, -1} &&
                          states.find(" " + robot.StatusPane(2) + " ") != std::string::npos &&
                          // The robot may read across one poll: 2 s of the cut at this time scale.
                          std::abs(int(minutes * 60 + seconds) - int((Sectors / factor - position / factor) / 75)) <= 6 &&
                          std::abs(bar - int(position / 100)) <= 15;
        if (robot.StatusPane(1) == "Cutting CD" && robot.CutPanel()) {  // else the cut's end overtook this look
            good = good && look;
            positions.push_back(position);
        }
        return false;
    }, 20000);
    return finished && good && positions.size() >= 3 && std::is_sorted(positions.begin(), positions.end()) &&
           positions.back() > positions[0] && Restored(robot);
}

// Each image sent: cutter 3, emulation device 2, speed, test (bytes 3 to 6, which the emulator
// checks), length, refused, and whether the emulator was reset before the next one.
void ExpectSent(const ProgramRun& run, const std::vector<std::vector<uint32_t>>& expected)
{
    const auto sent = run.Calls("DownloadCutterModule"), resets = run.Calls("Reset");
    std::vector<std::vector<uint32_t>> got;
    for (size_t i = 0; i < sent.size(); ++i) {
        const double next = i + 1 < sent.size() ? sent[i + 1].ms : 1e300;
        const bool reset = std::any_of(resets.begin(), resets.end(), [&](auto& r) { return r.ms > sent[i].ms && r.ms < next; });
        const TraceLine& d = sent[i];
        got.push_back({d.Arg("cutter"), d.Arg("source"), d.Arg("speed"), d.Arg("test"), d.Arg("length"), d.Failed(), reset});
    }
    EXPECT_EQ(got, expected);
}

}  // namespace

TEST(Cut, RunsToTheEndAtEachSpeedAndAfterARestart)
{
    ProgramRun run;
    run.Scenario(CutScenario(-1));
    const std::string module = run.ModulePath() + "\\cutcd004.bin";
    std::vector<std::string> boxes;
    bool usable = true, x4 = false, x1 = false, x2 = false;
    run.Run([&](Robot& robot) {
        for (long bytes : {-1L, 0L}) {  // missing, then empty: nothing sent, the panel stays usable
            WriteModule(module, bytes);
            PressCutCdNow(robot, 0, true);
            boxes.push_back(AnswerBox(robot, 3000));
            usable = usable && Robot::WaitUntil([&] { return robot.CutPanel() && CutControlsAre(robot, true); }, 3000);
        }
        WriteModule(module, 12288);
        PressCutCdNow(robot, 2, true);
        x4 = FollowCut(robot, 2);
        PressCutCdNow(robot, 0, true);
        Robot::WaitUntil([&] { return robot.StatusPane(2) == "Writing"; }, 10000);
    });  // then the robot closes the program
    EXPECT_EQ(boxes[0], "Error: Cutter Module not present");
    EXPECT_NE(boxes[1].find("is empty"), std::string::npos) << boxes[1];
    EXPECT_TRUE(usable);
    EXPECT_TRUE(x4);
    ExpectSent(run, {{3, 2, 2, 1, 12292, 0, 1}, {3, 2, 0, 1, 12292, 0, 0}});
    std::vector<LRESULT> checks;  // x1, x2, x4, Test Mode of the cut found running
    run.Run([&](Robot& robot) {
        Robot::WaitUntil([&] { return robot.CutPanel() != nullptr; }, 10000);
        for (int id : {IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4, IDC_TEST_MODE})
            checks.push_back(Robot::Ask(GetDlgItem(robot.CutPanel(), id), BM_GETCHECK, 0, 0));
        x1 = FollowCut(robot, 0);
        WriteModule(module, 1001);
        PressCutCdNow(robot, 1, false);
        x2 = FollowCut(robot, 1);
    });
    EXPECT_EQ(checks, std::vector<LRESULT>({1, 0, 0, 1}));
    EXPECT_TRUE(x1);
    EXPECT_TRUE(x2);
    ExpectSent(run, {{3, 2, 1, 0, 1008, 0, 1}});  // and no cut of its own at start
}

TEST(Cut, ARefusedModuleOrACutThatNeverBeginsLeavesTheProgramUsable)
{
    ProgramRun run;
    run.Scenario(CutScenario(-1, "[[fault]]\nop = \"DownloadCutterModule\"\nnth = 1\n"
                                 "[[fault]]\nop = \"GetStatus.1\"\nalways = true\n"));
    WriteModule(run.ModulePath() + "\\cutcd004.bin", 12288);
    const CutWaitBounds saved = CutWaitLimits;
    CutWaitLimits = {2500, 1500};
    std::string box, line;
    bool refusedRestores = false, boundRestores = false;
    run.Run([&](Robot& robot) {
        PressCutCdNow(robot, 0, true);
        box = AnswerBox(robot, 3000);
        refusedRestores = Restored(robot);
        PressCutCdNow(robot, 0, true);
        Robot::WaitUntil([&] { return !robot.Messages().empty() && robot.Messages().back()[0] == 'W'; }, 8000);
        line = robot.Messages().empty() ? "" : robot.Messages().back();
        boundRestores = Restored(robot);
    });
    CutWaitLimits = saved;
    EXPECT_EQ(box, "Error: Unable to download the Cutter Module");
    EXPECT_TRUE(refusedRestores);
    EXPECT_EQ(line.rfind("WARNING, the CD Emulator did not start the cut within 2 seconds", 0), 0u) << line;
    EXPECT_TRUE(boundRestores);
    ExpectSent(run, {{3, 2, 0, 1, 12292, 1, 0}, {3, 2, 0, 1, 12292, 0, 1}});
}

TEST(Cut, GivingUpTheWaitForABlankLeavesTheProgramUsable)
{
    enum How { Wait, ByButton, ByEscape, ByAbortCut };
    const char stopped[] = "Cut stopped before it began";
    const struct {
        long moduleBytes;
        How how;
        const char* line;  // the last Messages line, at its start
    } cases[] = {
        {1001, ByButton, stopped},
        {49152, ByEscape, stopped},
        {60000, ByAbortCut, stopped},
        {12288, Wait, "WARNING, no Gold Disc was inserted within 1 seconds"},
    };
    ProgramRun run;
    run.Scenario(CutScenario(12));  // the blank goes in after the cases, during the last cut's wait
    const std::string module = run.ModulePath() + "\\cutcd004.bin";
    const CutWaitBounds saved = CutWaitLimits;
    CutWaitLimits = {2500, 1500};
    std::vector<std::string> seen;
    std::string lastBox;
    bool cut = false;
    run.Run([&](Robot& robot) {
        for (const auto& c : cases) {
            WriteModule(module, c.moduleBytes);
            PressCutCdNow(robot, 0, true);
            std::string s = AnswerBox(robot, 2000);
            s += " / " + PanelText(robot, IDC_CUT_WAIT).substr(0, 7);
            if (c.how == Wait)
                s += AnswerBox(robot, 1000);  // the prompt comes once
            if (c.how == ByButton)
                Robot::Press(robot.CutPanel(), IDOK);
            if (c.how == ByEscape)
                PostMessageA(robot.CutPanel(), WM_KEYDOWN, VK_ESCAPE, 0);
            if (c.how == ByAbortCut)
                robot.Command(ID_CUT_GOLD_DISC);
            Robot::WaitUntil([&] { return !robot.Messages().empty() && robot.Messages().back().rfind(c.line, 0) == 0; }, 5000);
            s += " / " + (robot.Messages().empty() ? "" : robot.Messages().back().substr(0, strlen(c.line)));
            // Every lock level given back: the poll takes the handle afresh.
            const size_t acquired = run.Calls("AcquireHandle").size();
            s += Restored(robot) && Robot::WaitUntil([&] { return run.Calls("AcquireHandle").size() >= acquired + 2; }, 3000)
                     ? " / usable" : " / stuck";
            seen.push_back(s);
        }
        CutWaitLimits = saved;
        WriteModule(module, 12288);
        PressCutCdNow(robot, 2, true);
        lastBox = AnswerBox(robot, 15000);
        cut = FollowCut(robot, 2);
    });
    CutWaitLimits = saved;
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(seen.at(i), std::string(Insert) + " / Waiting / " + cases[i].line + " / usable");
    EXPECT_EQ(lastBox, Insert);
    EXPECT_TRUE(cut) << "the blank inserted did not start the cut";
    ExpectSent(run, {{3, 2, 0, 1, 1008, 0, 1}, {3, 2, 0, 1, 49156, 0, 1}, {3, 2, 0, 1, 49156, 0, 1},
                     {3, 2, 0, 1, 12292, 0, 1}, {3, 2, 2, 1, 12292, 0, 1}});
}

// Not a check: cut-pictures.sh runs it to keep pictures of the panel in the middle of a cut and of
// both device dialogs.
TEST(Cut, DISABLED_PosesForPictures)
{
    ProgramRun run;
    run.Scenario("time_scale = 20\n[disc]\nsectors = 60000\n");  // 10 s at x4
    run.Run([&](Robot& robot) {
        for (auto [command, name, title] : {std::tuple(ID_EMULATION_DEVICE, "emulation-device", "Device to Emulate from"),
                                            std::tuple(ID_CUTTING_DEVICE, "cutter-device", "Device to Cut to")}) {
            robot.WaitForMainWindow();
            robot.Command(WPARAM(command));
            HWND dialog = robot.WaitForDialog(title, 5000);
            EXPECT_TRUE(Robot::PoseForPicture(name, title));
            Robot::Press(dialog, IDCANCEL);
            Robot::WaitUntil([&] { return !IsWindow(dialog); }, 5000);
        }
        PressCutCdNow(robot, 2, true);
        Robot::WaitUntil([&] { return std::stoul("0" + PanelText(robot, IDC_CUT_CURRENT)) > 20000; }, 30000);
        EXPECT_TRUE(Robot::PoseForPicture("cut-panel", "Tamber Cadrel"));
    });
}
