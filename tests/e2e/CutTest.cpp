// Cutting a gold disc through the real windows, against the virtual emulator.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <fstream>
#include <utility>
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

namespace {

const std::string Insert = "Insert Disk: Please insert a Gold Disc into the Cutter Drive";

// Bus 1 hard disc, 2 PD, 3 writer; 6 s of writing at x1; a blank in or put in blankAtS s after the start.
std::string CutScenario(int blankAtS, const std::string& faults = "")
{
    return "time_scale = 20\n" + faults + "[disc]\nsectors = 9000\n[cutter]\nblank = " +
           (blankAtS < 0 ? "true\n" : "false\n[[event]]\nat_ms = " + std::to_string(blankAtS * 20000) + "\nblank = true\n");
}

void WriteModule(const ProgramRun& run, long bytes)  // -1: no file
{
    DeleteFileA((run.ModulePath() + "\\cutcd004.bin").c_str());
    if (bytes >= 0)
        std::ofstream(run.ModulePath() + "\\cutcd004.bin", std::ios::binary) << std::string(size_t(bytes), '\x5A');
}

std::string PanelText(const Robot& robot, int id) { return Robot::WindowText(GetDlgItem(robot.CutPanel(), id)); }

void PressCutCdNow(Robot& robot, int speedIndex, bool test)  // after the first poll, opening the panel if hidden
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

std::string AnswerBox(const Robot& robot, int ms)  // the next box as "caption: text", answered; "" when none came
{
    HWND box = nullptr;
    Robot::WaitUntil([&] { return (box = robot.FindDialog("Error")) || (box = robot.FindDialog("Insert Disk")); }, ms);
    const std::string shown = box ? Robot::WindowText(box) + ": " + Robot::DialogText(box) : "";
    if (box)
        Robot::Press(box, IDOK);
    Robot::WaitUntil([&] { return !IsWindow(box); }, 2000);
    return shown;
}

bool CutControlsAre(const Robot& robot, bool enabled)  // the panel's and the main window's buttons and menu items
{
    bool all = true;
    for (int id : {IDOK, IDC_TEST_MODE, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4})
        all = all && (!robot.CutPanel() || (IsWindowEnabled(GetDlgItem(robot.CutPanel(), id)) != FALSE) == enabled);
    for (int id : {ID_MODE_TOGGLE, ID_CUT_GOLD_DISC, ID_EMULATION_MODULES, ID_EMULATION_DEVICE, ID_CUTTING_DEVICE})
        all = all && ((robot.MenuState(id) & MF_GRAYED) == 0) == enabled &&
              (id > ID_CUT_GOLD_DISC || robot.IsEnabled(id) == enabled);  // the two with buttons
    return all;
}

bool Restored(const Robot& robot)  // the panel hidden, Messages shown, everything enabled
{
    return Robot::WaitUntil([&] {
        return !robot.CutPanel() && CutControlsAre(robot, true) && robot.Text(IDC_MESSAGES_GROUP) == "Messages" &&
               robot.Text(ID_CUT_GOLD_DISC) == "Cut Gold Disk" && IsWindowVisible(GetDlgItem(robot.MainWindow(), IDC_MESSAGES));
    }, 5000);
}

// To "Finished Cutting CD": each look finds all disabled, the cut's panes, bar and time left fit "Cut:".
bool FollowCut(const Robot& robot, int factor)  // 1, 2 or 4
{
    std::vector<int> positions;  // of each look; -1 for a look that found something wrong
    const bool finished = Robot::WaitUntil([&] {
        if (robot.StatusPane(1) != "Cutting CD" || !robot.CutPanel() || PanelText(robot, IDC_CUT_TOTAL) != "9000")
            return !positions.empty() && robot.StatusPane(0) == "Finished Cutting CD";  // not the last cut's line
        const int position = std::min(std::stoi("0" + PanelText(robot, IDC_CUT_CURRENT)), 9000);
        unsigned minutes = 99, seconds = 0;
        sscanf(PanelText(robot, IDC_CUT_TIME).c_str(), "%u:%u", &minutes, &seconds);
        const int bar = int(Robot::Ask(GetDlgItem(robot.CutPanel(), IDC_CUT_PROGRESS), PBM_GETPOS, 0, 0));
        const bool look = CutControlsAre(robot, false) && robot.StatusEdges() == std::vector<int>{170, 240, 290, -1} &&
               std::string(" Ready LeadIn Writing LeadOut Done ").find(" " + robot.StatusPane(2) + " ") != std::string::npos &&
               std::abs(int(minutes * 60 + seconds) - (9000 / factor - position / factor) / 75) <= 6 &&
               std::abs(bar - position / 100) <= 15;  // a look may span a poll, 2 s of the cut
        if (robot.StatusPane(1) == "Cutting CD" && robot.CutPanel())  // else the cut's end overtook this look
            positions.push_back(look ? position : -1);
        return false;
    }, 20000);
    return finished && positions.size() >= 3 && positions[0] >= 0 && std::is_sorted(positions.begin(), positions.end()) &&
           positions.back() > positions[0] && Restored(robot);
}

// Per image sent: cutter, device, speed, test (bytes 3 to 6), length, refused, the resets after it.
void ExpectSent(const ProgramRun& run, const std::vector<std::vector<uint32_t>>& expected)
{
    const auto sent = run.Calls("DownloadCutterModule"), resets = run.Calls("Reset");
    std::vector<std::vector<uint32_t>> got;
    for (size_t i = 0; i < sent.size(); ++i)
        got.push_back({sent[i].Arg("cutter"), sent[i].Arg("source"), sent[i].Arg("speed"), sent[i].Arg("test"),
                       sent[i].Arg("length"), sent[i].Failed(), uint32_t(std::count_if(resets.begin(), resets.end(), [&](auto& r) {
                           return r.ms > sent[i].ms && (i + 1 == sent.size() || r.ms < sent[i + 1].ms);
                       }))});
    EXPECT_EQ(got, expected);
}

}  // namespace

TEST(Cut, RunsToTheEndAtEachSpeedAndAfterARestart)
{
    ProgramRun run;
    run.Scenario(CutScenario(-1));
    run.Run([&](Robot& robot) {
        WriteModule(run, -1);  // nothing sent, the panel stays usable
        PressCutCdNow(robot, 0, true);
        EXPECT_EQ(AnswerBox(robot, 3000), "Error: Cutter Module not present");
        EXPECT_TRUE(Robot::WaitUntil([&] { return robot.CutPanel() && CutControlsAre(robot, true); }, 3000));
        WriteModule(run, 12288);
        PressCutCdNow(robot, 0, true);
        Robot::WaitUntil([&] { return robot.StatusPane(2) == "Writing"; }, 10000);
    });  // then the robot closes the program
    ExpectSent(run, {{3, 2, 0, 1, 12292, 0, 0}});
    // The x2 cut's first read of its total is refused: the panel asks again instead of showing "of: 0".
    run.Scenario(CutScenario(-1, Fault("GetStatus.3", "nth = 2\ncount = 1")));
    run.Run([&](Robot& robot) {
        Robot::WaitUntil([&] { return robot.CutPanel() != nullptr; }, 10000);
        for (int id : {IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4, IDC_TEST_MODE})  // the running cut's x1, test
            EXPECT_EQ(Robot::Ask(GetDlgItem(robot.CutPanel(), id), BM_GETCHECK, 0, 0), id == IDC_SPEED_X1 || id == IDC_TEST_MODE);
        EXPECT_TRUE(FollowCut(robot, 1));
        WriteModule(run, 1001);
        PressCutCdNow(robot, 1, false);
        EXPECT_TRUE(FollowCut(robot, 2));
    });
    ExpectSent(run, {{3, 2, 1, 0, 1008, 0, 1}});  // and no cut of its own at start
}

TEST(Cut, StoppedBeforeItBeganLeavesTheProgramUsable)  // every lock level given back; then a blank starts a cut
{
    enum How { Refused, ByButton, ByEscape, Wait };
    const struct { long moduleBytes; How how; std::string box, line; } cases[] = {  // line: the last in Messages
        {12288, Refused, "Error: Unable to download the Cutter Module", ""},
        {1001, ByButton, Insert, "Cut stopped before it began"},
        {60000, ByEscape, Insert, "Cut stopped before it began"},
        {12288, Wait, Insert, "WARNING, no Gold Disc was inserted within 1 seconds"},
    };
    ProgramRun run;
    run.Scenario(CutScenario(7, "[[fault]]\nop = \"DownloadCutterModule\"\nnth = 1\n"));
    run.cutWaitBounds = {2500, 1500};
    const ULONGLONG started = GetTickCount64();
    run.Run([&](Robot& robot) {
        for (const auto& c : cases) {
            WriteModule(run, c.moduleBytes);
            PressCutCdNow(robot, 0, true);
            EXPECT_EQ(AnswerBox(robot, 2000), c.box);
            EXPECT_EQ(robot.CutPanel() ? PanelText(robot, IDC_CUT_WAIT).substr(0, 7) : "", c.line.empty() ? "" : "Waiting");
            EXPECT_EQ(AnswerBox(robot, c.how == Wait ? 1000 : 0), "");  // the prompt comes once
            c.how == ByButton ? Robot::Press(robot.CutPanel(), IDOK)
                              : c.how == ByEscape ? void(PostMessageA(robot.CutPanel(), WM_KEYDOWN, VK_ESCAPE, 0)) : void();
            EXPECT_TRUE(Robot::WaitUntil([&] {
                return c.line.empty() || (!robot.Messages().empty() && robot.Messages().back().rfind(c.line, 0) == 0);
            }, 5000));
            const size_t acquired = run.Calls("AcquireHandle").size();  // the poll takes the handle afresh
            EXPECT_TRUE(Restored(robot) && Robot::WaitUntil([&] { return run.Calls("AcquireHandle").size() > acquired + 1; }, 3000));
        }
        // The blank the scenario puts in at 7 s starts the next cut at once.
        Robot::WaitUntil([&] { return GetTickCount64() - started > 8000; }, 9000);
        WriteModule(run, 12288);
        PressCutCdNow(robot, 2, true);
        EXPECT_TRUE(FollowCut(robot, 4)) << "a cut after those given up did not run";
    });
    ExpectSent(run, {{3, 2, 0, 1, 12292, 1, 0}, {3, 2, 0, 1, 1008, 0, 1}, {3, 2, 0, 1, 49156, 0, 1}, {3, 2, 0, 1, 12292, 0, 1},
                     {3, 2, 2, 1, 12292, 0, 1}});
}

TEST(Cut, DISABLED_PosesForPictures)  // not a check: cut-pictures.sh takes the dialogs' and the panel's pictures
{
    ProgramRun run;
    run.Scenario("time_scale = 20\n[disc]\nsectors = 60000\n");  // 10 s at x4
    run.Run([&](Robot& robot) {
        robot.WaitForMainWindow();
        for (auto [command, title] : {std::pair(ID_EMULATION_DEVICE, "Device to Emulate from"),
                                      std::pair(ID_CUTTING_DEVICE, "Device to Cut to")}) {
            robot.Command(WPARAM(command));
            HWND dialog = robot.WaitForDialog(title, 5000);
            EXPECT_TRUE(Robot::PoseForPicture(command == ID_EMULATION_DEVICE ? "emulation-device" : "cutter-device", title));
            Robot::Press(dialog, IDCANCEL);
            Robot::WaitUntil([&] { return !IsWindow(dialog); }, 5000);
        }
        PressCutCdNow(robot, 2, true);
        Robot::WaitUntil([&] { return std::stoi("0" + PanelText(robot, IDC_CUT_CURRENT)) > 20000; }, 30000);
        EXPECT_TRUE(Robot::PoseForPicture("cut-panel", "Tamber Cadrel"));
    });
}
