// Cadrel and another program on one box (tamber_box_client): a mode the other sets shows at the
// next poll, and the other killed while it holds the handle leaves the box to Cadrel's next poll.
#include <gtest/gtest.h>
#include <fstream>
#include "../component/ChildProgram.h"
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

TEST(SharedBox, AnotherProgramsModeAndItsEndShowAtTheNextPoll)
{
    ProgramRun run;
    // The other program's hold makes Cadrel's AcquireHandle busy, which the run's own check of
    // the trace takes for a second handle asked for within Cadrel: this trace is read here.
    const std::string tracePath = run.Home() + "\\shared-trace.txt";
    _putenv_s("TAMBER_TRACE", tracePath.c_str());
    std::vector<std::string> shown, messages;
    DWORD backMs = 0;
    run.Run([&](Robot& robot) {
        const auto mode = [&] { return robot.Text(ID_MODE_TOGGLE) + "|" + robot.StatusPane(1); };
        Robot::WaitUntil([&] { return robot.MainWindow() && robot.StatusPane(2) == "Play"; }, 10000);
        shown.push_back(mode());
        ChildProgram client(BesideThisProgram("tamber_box_client.exe"));
        for (const char* step : {"acquire", "mode 0x200", "release"}) EXPECT_EQ(client.Ask(step), "0x00000000") << step;
        Robot::WaitUntil([&] { return mode() != shown.back(); }, 1000);
        shown.push_back(mode());
        // Back to emulation, and killed with the handle held while Cadrel's poll waits for it.
        for (const char* step : {"acquire", "mode 0x201"}) EXPECT_EQ(client.Ask(step), "0x00000000") << step;
        Sleep(300);
        client.Kill();
        const DWORD killed = GetTickCount();
        Robot::WaitUntil([&] { return mode() != shown.back(); }, 3000);
        backMs = GetTickCount() - killed;
        shown.push_back(mode());
        messages = robot.Messages();
    });
    EXPECT_EQ(shown, (std::vector<std::string>{"Transfer Mode|Emulating", "Emulation Mode|File Transfer Mode", "Transfer Mode|Emulating"}));
    EXPECT_LT(backMs, 1000u) << "the box came back to Cadrel";
    for (const std::string& line : messages) EXPECT_EQ(line.find("WARNING"), std::string::npos) << line;
    std::ifstream in(tracePath);
    int busy = 0, cameBack = 0;
    for (std::string line; std::getline(in, line);) {
        EXPECT_EQ(line.find("-> 0x80070006"), std::string::npos) << "a call refused its handle: " << line;
        busy += line.find("AcquireHandle handle=0 -> 0x800700AA") != std::string::npos;
        cameBack += line.find("came back from process") != std::string::npos;
    }
    EXPECT_GT(busy, 0) << "Cadrel never waited for the other program's handle";
    EXPECT_EQ(cameBack, 1) << "the trace notes the handle taken back from the killed program";
}
