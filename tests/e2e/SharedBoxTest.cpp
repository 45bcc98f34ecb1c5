// Cadrel and another program on one box at once (the test client, or cadrelctl): what the other
// does shows in the window at its next poll, the other killed while it holds the handle leaves the
// box to Cadrel, and a module setting the other changes survives the window's exit.
#include <gtest/gtest.h>
#include "ChildProgram.h"
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

namespace {

std::string Mode(const Robot& robot) { return robot.Text(ID_MODE_TOGGLE) + "|" + robot.StatusPane(1); }

ProgramResult RunCtl(const ProgramRun& run, const std::string& args)
{
    return RunProgram(BesideThisProgram("cadrelctl.exe") + " " + args, run.Home());
}

// The window plays, then other(robot) runs beside it; the modes it showed, and no warning line.
std::vector<std::string> Beside(ProgramRun& run, const std::function<void(Robot&, std::vector<std::string>&)>& other)
{
    run.otherPrograms = true;
    std::vector<std::string> shown;
    run.Run([&](Robot& robot) {
        Robot::WaitUntil([&] { return robot.MainWindow() && robot.StatusPane(2) == "Play"; }, 10000);
        shown.push_back(Mode(robot));
        other(robot, shown);
        for (const std::string& line : robot.Messages())
            EXPECT_EQ(line.find("WARNING"), std::string::npos) << line;
    });
    return shown;
}

}  // namespace

TEST(SharedBox, AnotherProgramsModeAndItsEndShowAtTheNextPoll)
{
    ProgramRun run;
    DWORD backMs = 0;
    const auto shown = Beside(run, [&](Robot& robot, std::vector<std::string>& shown) {
        ChildProgram client(BesideThisProgram("tamber_box_client.exe"));
        for (const char* step : {"acquire", "mode 0x200", "release"}) EXPECT_EQ(client.Ask(step), "0x00000000") << step;
        Robot::WaitUntil([&] { return Mode(robot) != shown.back(); }, 1000);
        shown.push_back(Mode(robot));
        // Back to emulation, and killed with the handle held while Cadrel's poll waits for it.
        for (const char* step : {"acquire", "mode 0x201"}) EXPECT_EQ(client.Ask(step), "0x00000000") << step;
        Sleep(300);
        client.Kill();
        const DWORD killed = GetTickCount();
        Robot::WaitUntil([&] { return Mode(robot) != shown.back(); }, 3000);
        backMs = GetTickCount() - killed;
        shown.push_back(Mode(robot));
    });
    EXPECT_EQ(shown, (std::vector<std::string>{"Transfer Mode|Emulating", "Emulation Mode|File Transfer Mode", "Transfer Mode|Emulating"}));
    EXPECT_LT(backMs, 1000u) << "the box came back to Cadrel";
    int busy = 0, cameBack = 0;
    for (const std::string& line : run.TraceLines()) {
        busy += line.find("AcquireHandle handle=0 -> 0x800700AA") != std::string::npos;
        cameBack += line.find("came back from process") != std::string::npos;
    }
    EXPECT_GT(busy, 0) << "Cadrel never waited for the other program's handle";
    EXPECT_EQ(cameBack, 1) << "the trace notes the handle taken back from the killed program";
}

TEST(SharedBox, WhatCadrelctlDoesShowsInTheWindowAndItsModuleChangeSurvivesTheExit)
{
    ProgramRun run;
    std::string status;
    const auto shown = Beside(run, [&](Robot& robot, std::vector<std::string>& shown) {
        EXPECT_EQ(RunCtl(run, "mode transfer").code, 0);
        Robot::WaitUntil([&] { return Mode(robot) != shown.back(); }, 1000);  // the window polls every 100 ms
        shown.push_back(Mode(robot));
        const ProgramResult r = RunCtl(run, "status --json");
        EXPECT_EQ(r.code, 0);
        status = r.out;
        EXPECT_EQ(RunCtl(run, "modules lock DexCD100").code, 0);
    });
    EXPECT_EQ(shown, (std::vector<std::string>{"Transfer Mode|Emulating", "Emulation Mode|File Transfer Mode"}));
    EXPECT_NE(status.find("\"mode\":\"File Transfer Mode\""), std::string::npos) << status;
    EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "ModsInstalled"), "SatCD100400000;DexCD100300011;")
        << "cadrelctl's lock survives Cadrel's exit";
}
