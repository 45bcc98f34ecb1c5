// The main window's own behaviour: error reports, menu help, Help, leaving, and waits with bounds.
#include <gtest/gtest.h>
#include <algorithm>
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

namespace {

std::vector<std::string> ErrorLines(const std::vector<std::string>& messages)
{
    std::vector<std::string> lines;
    for (const std::string& m : messages)
        if (m.empty() || m.rfind("Error", 0) == 0 || m.rfind("Solution", 0) == 0)
            lines.push_back(m);
    return lines;
}

}  // namespace

TEST(Errors, EachCodeIsReportedOnceWithItsSolution)
{
    ProgramRun run;
    // The first start finds no modules in the fresh box and says so; count from the second.
    run.Run([](Robot& robot) { Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000); });
    const std::vector<std::pair<const char*, const char*>> events = {  // code, file name
        {"0x8190", "GAME.BIN"}, {"0", nullptr}, {"0x8190", "GAME.BIN"}, {"0x8010", nullptr},
        {"0x8190", nullptr}, {"0x8200", nullptr}, {"0x8141", nullptr}, {"0x81AB", nullptr}};
    std::string toml;
    for (size_t i = 0; i < events.size(); ++i) {
        toml += "[[event]]\nat_ms = " + std::to_string(2500 + 400 * i) + "\nerror = " + events[i].first + "\n";
        if (events[i].second)
            toml += std::string("file = \"") + events[i].second + "\"\n";
    }
    run.Scenario(toml);
    std::vector<std::string> messages;
    std::string cutterText;
    run.Run([&](Robot& robot) {
        robot.WaitForMainWindow();
        Robot::WaitUntil([&] { return robot.StatusPane(0) == "Cutter is not ready"; }, 12000);
        cutterText = robot.StatusPane(0);
        Robot::WaitUntil([&] { return robot.HasMessage("Error 81ab - Unknown."); }, 6000);
        messages = robot.Messages();
    });
    const std::vector<std::string> expected = {
        "", "Error 8190 - File GAME.BIN Not Found.", "Solution: Refresh Disc.",
        "", "Error 8010: No Disc is inserted.", "Solution: Insert a Disc.",
        "", "Error 8190 - Disc may be corrupt.", "Solution: Refresh Disc.",
        "", "Error 8141 - Unknown.",
        "", "Error 81ab - Unknown.",
    };
    EXPECT_EQ(ErrorLines(messages), expected);
    EXPECT_EQ(cutterText, "Cutter is not ready");
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "Cutter is not ready"), 0) << "cutter codes stay in the status bar";
}

TEST(MainWindow, MenuHelpShowsInTheFirstPaneAndClearsWhenTheMenuCloses)
{
    const struct { WPARAM wParam; const char* text; } cases[] = {
        {MAKEWPARAM(ID_MODE_TOGGLE, MF_HILITE), "Open or close the door"},
        {MAKEWPARAM(ID_CUTTING_DEVICE, MF_HILITE | MF_GRAYED), "Select a CD cutting cevice"},
        {MAKEWPARAM(ID_EXIT, MF_HILITE), "Leave Cadrel"},
        {MAKEWPARAM(ID_EMULATION_MODULES, MF_HILITE), "Select Emulation Modules"},
        {MAKEWPARAM(0, 0xFFFF), ""},  // the menu closed
    };
    ProgramRun run;
    std::vector<std::string> shown;
    run.Run([&](Robot& robot) {
        robot.WaitForMainWindow();
        for (const auto& c : cases) {
            robot.Send(WM_MENUSELECT, c.wParam, 0);
            shown.push_back(robot.StatusPane(0));
        }
    });
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(shown[i], cases[i].text) << "case " << i;
}

// Exit, Escape, the close box, and Exit after Help without Control.hlp: each saves "WindowPos"
// and writes the module values back; the next start puts the window back where it was left.
TEST(MainWindow, EveryWayOutSavesThePlacementForTheNextStartAndTheModuleSettings)
{
    enum Way { ExitButton, EscapeKey, CloseBox, ExitMenuAfterHelp };
    for (Way way : {ExitButton, EscapeKey, CloseBox, ExitMenuAfterHelp}) {
        SCOPED_TRACE(way);
        ProgramRun run;
        const std::string modules = run.ReadSetting(ProgramRun::MachineKey, "Modules");
        const int left = 30 + 20 * way;
        EXPECT_EQ(run.Run([&](Robot& robot) {
            robot.WaitForMainWindow();
            Robot::WaitUntil([&] { return !robot.StatusPane(2).empty(); }, 5000);
            HWND main = robot.MainWindow(), list = GetDlgItem(main, IDC_MESSAGES);
            SetWindowPos(main, nullptr, left, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            if (way == ExitButton)
                PostMessageA(GetDlgItem(main, ID_EXIT), BM_CLICK, 0, 0);
            if (way == EscapeKey)
                PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0), PostMessageA(list, WM_KEYUP, VK_ESCAPE, 0);
            if (way == CloseBox)
                robot.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
            if (way == ExitMenuAfterHelp) {
                robot.Command(ID_HELP_CONTENTS);  // the help viewer complains in its own window
                Sleep(1500);
                EnumWindows([](HWND window, LPARAM) -> BOOL {
                    if (Robot::WindowText(window) == "ERROR")
                        PostMessageA(window, WM_COMMAND, IDOK, 0);
                    return TRUE;
                }, 0);
                robot.Command(ID_EXIT);
            }
            Robot::WaitUntil([&] { return robot.MainWindow() == nullptr; }, 5000);
        }), 0);
        EXPECT_EQ(run.ReadBinarySetting(ProgramRun::UserKey, "WindowPos").size(), 44u);
        std::vector<std::string> written;
        for (const TraceLine& call : run.Calls("SetValue"))
            written.push_back(call.args.count("name") ? call.args.at("name") : "?");
        EXPECT_EQ(written, (std::vector<std::string>{"Modules", "ModsInstalled", "Path", "DefModule"}));
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "Modules"), modules);
        if (way != CloseBox)
            continue;  // the placement is read back the same way whichever way it was saved
        RECT restored{};
        run.Run([&](Robot& robot) {
            robot.WaitForMainWindow();
            GetWindowRect(robot.MainWindow(), &restored);
        });
        EXPECT_EQ(std::pair(restored.left, restored.top), std::pair(LONG(left), LONG(50)));
    }
}

TEST(MainWindow, WaitsThatNeverEndAreBoundedWarnedAndCheap)
{
    // The program's own bound for the wait (a stuck box costs it once, not once per later call)
    // and its warning (null: nothing to warn about).
    const struct { const char *name, *fault; int boundMs; const char* warning; } cases[] = {
        {"TestReady busy for ever", "op = \"TestReady\"\nbusy_forever = true\n", 3000,
         "WARNING, the CD Emulator stayed busy for 3 seconds. If this goes on, switch the Emulator off then on again."},
        {"AcquireHandle always fails", "op = \"AcquireHandle\"\nalways = true\n", 2000,
         "WARNING, the CD Emulator gave no access for 2 seconds. Check that it is switched on and connected."},
        {"AcquireHandle refused five times", "op = \"AcquireHandle\"\nnth = 1\ncount = 5\n", 0, nullptr},
        {"status reads fail", "op = \"GetStatus.1\"\nalways = true\n", 0, nullptr},
        {"memory reads fail", "op = \"ReadMemory\"\nalways = true\n", 2000,
         "WARNING, the module record data could not be read from the CD Emulator. "
         "Check that it is switched on and connected, then start Cadrel again."},
    };
    for (const auto& c : cases) {
        ProgramRun run;
        const std::string modules = run.ReadSetting(ProgramRun::MachineKey, "Modules");
        run.Scenario(std::string("[[fault]]\n") + c.fault);
        std::vector<std::string> messages;
        double cpuMs = 0, wallMs = 0, exitMs = 0;
        run.Run([&](Robot& robot) {
            const double cpu0 = ProcessCpuMs();
            const ULONGLONG t0 = GetTickCount64();
            robot.WaitForMainWindow(20000);
            Sleep(1000);
            cpuMs = ProcessCpuMs() - cpu0;
            wallMs = double(GetTickCount64() - t0);
            messages = robot.Messages();
            const ULONGLONG t1 = GetTickCount64();
            robot.Command(ID_EXIT);
            Robot::WaitUntil([&] { return robot.MainWindow() == nullptr; }, 10000);
            exitMs = double(GetTickCount64() - t1);
        });
        const auto warning = [](const std::string& m) { return m.rfind("WARNING", 0) == 0; };
        if (c.warning)
            EXPECT_EQ(std::count(messages.begin(), messages.end(), c.warning), 1) << c.name;
        else
            EXPECT_EQ(std::count_if(messages.begin(), messages.end(), warning), 0) << c.name;
        EXPECT_LT(wallMs, c.boundMs + 1000 + 2000) << c.name << ": start-up waited longer than its bound";
        EXPECT_LT(exitMs, 2000) << c.name << ": exit was not prompt";
        EXPECT_LT(cpuMs, 0.10 * wallMs) << c.name << ": " << cpuMs << " ms of CPU in " << wallMs << " ms";
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "Modules"), modules) << c.name;
    }
}
