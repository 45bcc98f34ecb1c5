// The main window's own behaviour: error reports, menu help, Help, leaving, and waits with bounds.
#include <gtest/gtest.h>
#include <algorithm>
#include "ProgramRun.h"
#include <commctrl.h>
#include "resources/ResourceIds.h"

TEST(Errors, EachCodeIsReportedOnceWithItsSolution)
{
    ProgramRun run;
    // The first start finds no modules in the fresh box and says so; count from the second.
    run.Run([](Robot& robot) { Robot::WaitUntil([&] { return robot.StatusPane(2) == "Play"; }, 8000); });
    const char* events[] = {"0x8190\nfile = \"GAME.BIN\"", "0", "0x8190\nfile = \"GAME.BIN\"", "0x8010", "0x8190", "0x8200", "0x8141", "0x81AB"};
    std::string toml;
    for (size_t i = 0; i < std::size(events); ++i)
        toml += Event(int(2500 + 400 * i), std::string("error = ") + events[i]);
    run.Scenario(toml);
    std::vector<std::string> messages, errors;
    std::string cutterText;
    run.Run([&](Robot& robot) {
        Robot::WaitUntil([&] { return robot.MainWindow() && robot.StatusPane(0) == "Cutter is not ready"; }, 12000);
        cutterText = robot.StatusPane(0);
        Robot::WaitUntil([&] { return robot.HasMessage("Error 81ab - Unknown."); }, 6000);
        messages = robot.Messages();
    });
    std::copy_if(messages.begin(), messages.end(), std::back_inserter(errors),
                 [](const std::string& m) { return m.empty() || m.rfind("Error", 0) == 0 || m.rfind("Solution", 0) == 0; });
    EXPECT_EQ(errors, (std::vector<std::string>{"", "Error 8190 - File GAME.BIN Not Found.", "Solution: Refresh Disc.",
                                                "", "Error 8010: No Disc is inserted.", "Solution: Insert a Disc.",
                                                "", "Error 8190 - Disc may be corrupt.", "Solution: Refresh Disc.",
                                                "", "Error 8141 - Unknown.", "", "Error 81ab - Unknown."}));
    EXPECT_EQ(cutterText, "Cutter is not ready");
    EXPECT_FALSE(Contains(messages, "Cutter is not ready")) << "cutter codes stay in the status bar";
}

// Escape, the close box, Exit after Help without Control.hlp, and the end of the Windows session:
// each saves "WindowPos" and writes back, once, only the module values the program changed, so a
// change another program made meanwhile survives; the next start puts the window back where it
// was left. At the session's end the program has a change of its own: start-up upgraded a module.
// Menu help shows in the first pane on the way, and clears when the menu closes.
TEST(MainWindow, EveryWayOutSavesThePlacementForTheNextStartAndTheModuleSettings)
{
    const std::pair<WPARAM, const char*> menuHelp[] = {
        {MAKEWPARAM(ID_MODE_TOGGLE, MF_HILITE), "Open or close the door"},
        {MAKEWPARAM(ID_CUTTING_DEVICE, MF_HILITE | MF_GRAYED), "Select a CD cutting cevice"},
        {MAKEWPARAM(ID_EXIT, MF_HILITE), "Leave Cadrel"},
        {MAKEWPARAM(ID_EMULATION_MODULES, MF_HILITE), "Select Emulation Modules"},
        {MAKEWPARAM(0, 0xFFFF), ""},  // the menu closed
    };
    enum Way { EscapeKey, CloseBox, ExitMenuAfterHelp, SessionEnd };
    for (Way way : {EscapeKey, CloseBox, ExitMenuAfterHelp, SessionEnd}) {
        SCOPED_TRACE(way);
        ProgramRun run;
        if (way == EscapeKey)
            run.WriteSetting(ProgramRun::MachineKey, "DefModule", "");  // an empty value is not written back
        const std::string modules = run.ReadSetting(ProgramRun::MachineKey, "Modules");
        const std::string upgraded = "SatCD120380000;DexCD100300010;";
        if (way == SessionEnd) {
            run.WriteModuleFile("SatCD120", 38000);
            run.WriteSetting(ProgramRun::MachineKey, "Modules", modules + "SatCD120380000;");
        }
        const int left = 30 + 20 * way;
        EXPECT_EQ(run.Run([&](Robot& robot) {
            WaitForPoll(robot, 5000);
            run.WriteSetting(ProgramRun::MachineKey, "Modules", modules + "SatCD090400000;");  // as cadrelctl would
            HWND main = robot.MainWindow(), list = GetDlgItem(main, IDC_MESSAGES);
            SetWindowPos(main, nullptr, left, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            if (way == EscapeKey)
                PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0), PostMessageA(list, WM_KEYUP, VK_ESCAPE, 0);
            if (way == CloseBox)
                robot.Send(WM_SYSCOMMAND, SC_CLOSE, 0);
            if (way == ExitMenuAfterHelp) {
                for (const auto& [wParam, text] : menuHelp) {
                    robot.Send(WM_MENUSELECT, wParam, 0);
                    EXPECT_EQ(robot.StatusPane(0), text);
                }
                robot.Command(ID_HELP_CONTENTS);  // the help viewer complains in its own window
                Sleep(1500);
                EnumWindows([](HWND window, LPARAM) -> BOOL {
                    if (Robot::WindowText(window) == "ERROR")
                        PostMessageA(window, WM_COMMAND, IDOK, 0);
                    return TRUE;
                }, 0);
                robot.Command(ID_EXIT);
            }
            if (way == SessionEnd) {  // Windows may end the process as soon as the window has answered
                EXPECT_NE(Robot::Ask(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0);
                Robot::Ask(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
                EXPECT_EQ(run.ReadBinarySetting(ProgramRun::UserKey, "WindowPos").size(), 44u);
                EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "ModsInstalled"), upgraded) << "not on disc";
                robot.Command(ID_EXIT);
            }
            Robot::WaitUntil([&] { return robot.MainWindow() == nullptr; }, 5000);
        }), 0);
        EXPECT_EQ(run.ReadBinarySetting(ProgramRun::UserKey, "WindowPos").size(), 44u);
        std::vector<std::string> written;
        for (const TraceLine& call : run.Calls("SetValue"))
            written.push_back(call.args.count("name") ? call.args.at("name") : "?");
        const std::vector<std::string> expected =
            way == SessionEnd ? std::vector<std::string>{"Modules", "ModsInstalled"} : std::vector<std::string>{"Modules"};
        EXPECT_EQ(written, expected) << "the other program's write, then ours";
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "Modules"), modules + "SatCD090400000;");
        if (way != CloseBox)
            continue;  // the placement is read back the same way whichever way it was saved
        RECT restored{};
        run.Run([&](Robot& robot) { robot.WaitForMainWindow(), GetWindowRect(robot.MainWindow(), &restored); });
        EXPECT_EQ(std::pair(restored.left, restored.top), std::pair(LONG(left), LONG(50)));
    }
}

// A "WindowPos" that is not a whole placement (short, or its length member wrong) is not used:
// the window keeps the template's place and size. A whole one left minimised comes back normal.
TEST(MainWindow, OnlyAWholeStoredPlacementMovesTheWindow)
{
    WINDOWPLACEMENT stored{};
    stored.length = sizeof stored;
    stored.showCmd = SW_SHOWMINIMIZED;
    stored.rcNormalPosition = {210, 160, 624, 524};
    const struct { size_t bytes; UINT length; LONG left; } cases[] = {{10, sizeof stored, -1}, {44, 40, -1}, {44, sizeof stored, 210}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bytes) + " bytes, length " + std::to_string(c.length));
        ProgramRun run;
        stored.length = c.length;
        const auto* bytes = reinterpret_cast<const uint8_t*>(&stored);
        run.WriteBinarySetting(ProgramRun::UserKey, "WindowPos", std::vector<uint8_t>(bytes, bytes + c.bytes));
        RECT shown{};
        bool normal = false;
        run.Run([&](Robot& robot) {
            WaitForPoll(robot, 5000);
            GetWindowRect(robot.MainWindow(), &shown);
            normal = IsWindowVisible(robot.MainWindow()) && !IsIconic(robot.MainWindow());
        });
        EXPECT_TRUE(normal && shown.right - shown.left > 300 && shown.bottom - shown.top > 200) << "a window that cannot be used";
        EXPECT_EQ(shown.left == 210, c.left == 210) << "the stored place used or not";
    }
}

TEST(MainWindow, WaitsThatNeverEndAreBoundedWarnedAndCheap)
{
    // The program's own bound for the wait (a stuck box costs it once, not once per later call)
    // and its warning (null: nothing to warn about).
    const struct { const char *op, *when; int boundMs; const char* warning; } cases[] = {
        {"TestReady", "busy_forever = true", 3000,
         "WARNING, the CD Emulator stayed busy for 3 seconds. If this goes on, switch the Emulator off then on again."},
        {"AcquireHandle", "always = true", 2000,
         "WARNING, the CD Emulator gave no access for 2 seconds. Check that it is switched on and connected."},
        {"GetStatus.1", "always = true", 0, nullptr},
        {"ReadMemory", "always = true", 2000, "WARNING, the module record data could not be read from the CD Emulator. "
                                              "Check that it is switched on and connected, then start Cadrel again."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + c.when);
        ProgramRun run;
        const std::string modules = run.ReadSetting(ProgramRun::MachineKey, "Modules");
        run.Scenario(Fault(c.op, c.when));
        std::vector<std::string> messages;
        double cpuMs = 0, wallMs = 0, exitMs = 0;
        run.Run([&](Robot& robot) {
            const double cpu0 = ProcessCpuMs();
            const ULONGLONG t0 = GetTickCount64();
            robot.WaitForMainWindow(20000);
            Sleep(1000);
            cpuMs = ProcessCpuMs() - cpu0, wallMs = double(GetTickCount64() - t0);
            messages = robot.Messages();
            robot.Command(ID_EXIT);
            Robot::WaitUntil([&] { return robot.MainWindow() == nullptr; }, 10000);
            exitMs = double(GetTickCount64() - t0) - wallMs;
        });
        if (c.warning)
            EXPECT_EQ(std::count(messages.begin(), messages.end(), c.warning), 1);
        else
            EXPECT_EQ(std::count_if(messages.begin(), messages.end(), [](const std::string& m) { return m.rfind("WARNING", 0) == 0; }), 0);
        EXPECT_LT(wallMs, c.boundMs + 1000 + 2000) << "start-up waited longer than its bound";
        EXPECT_LT(exitMs, 2000) << "exit was not prompt";
        EXPECT_LT(cpuMs, 0.10 * wallMs) << cpuMs << " ms of CPU in " << wallMs << " ms";
        EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "Modules"), modules);
    }
}

// Run by pictures.sh on a display scaled to 192 DPI: the sizes the program gives in pixels grow
// with it (status bar panes, list columns, the list icons); the two windows then pose.
TEST(HighDpi, DISABLED_PixelSizesFollowTheDisplay)
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(dpi, 192) << "the display was not scaled";
    const auto scaled = [&](int pixels) { return MulDiv(pixels, dpi, 96); };
    ProgramRun run;
    run.Run([&](Robot& robot) {
        WaitForPoll(robot);
        EXPECT_EQ(robot.StatusEdges(), (std::vector<int>{scaled(170), scaled(230), scaled(290), -1}));
        EXPECT_TRUE(Robot::PoseForPicture("main-window-192dpi", "Tamber Cadrel"));
        robot.Command(ID_EMULATION_MODULES);
        HWND manager = robot.WaitForDialog("Module Manager", 5000), list = GetDlgItem(manager, IDC_INSTALLED_MODULES);
        int side = 0, ignored = 0;
        ImageList_GetIconSize(HIMAGELIST(Robot::Ask(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)), &side, &ignored);
        EXPECT_EQ((std::vector<LRESULT>{Robot::Ask(list, LVM_GETCOLUMNWIDTH, 0, 0), Robot::Ask(list, LVM_GETCOLUMNWIDTH, 1, 0),
                                        Robot::Ask(list, LVM_GETCOLUMNWIDTH, 2, 0), side}),
                  (std::vector<LRESULT>{scaled(102), scaled(60), scaled(50), scaled(15)}));
        EXPECT_TRUE(Robot::PoseForPicture("module-manager-192dpi", "Module Manager"));
        Robot::Press(manager, IDCANCEL);
    });
}
