// Cadrel and cadrelctl at once on one box: what cadrelctl does shows in the window at its next
// poll, and a module setting it changes while the window is open survives the window's exit.
#include <gtest/gtest.h>
#include <fstream>
#include "../component/ChildProgram.h"
#include "ProgramRun.h"
#include "resources/ResourceIds.h"

namespace {

// cadrelctl beside the test, run to its end: exit code and output.
std::pair<DWORD, std::string> RunCtl(const ProgramRun& run, const std::string& args)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const std::string outPath = run.Home() + "\\ctl-out.txt";
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA start = {};
    start.cb = sizeof start, start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = out, start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string command = BesideThisProgram("cadrelctl.exe") + " " + args;
    PROCESS_INFORMATION process = {};
    DWORD code = 0xFFFF;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process)) {
        WaitForSingleObject(process.hProcess, 30000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    std::ifstream in(outPath, std::ios::binary);
    return {code, std::string((std::istreambuf_iterator<char>(in)), {})};
}

}  // namespace

TEST(SideBySide, WhatCadrelctlDoesShowsInTheWindowAndItsModuleChangeSurvivesTheExit)
{
    ProgramRun run;
    // cadrelctl's hold makes the window's AcquireHandle busy now and then, which the run's own
    // check takes for a second handle asked for within Cadrel: this trace is read here.
    const std::string tracePath = run.Home() + "\\both-trace.txt";
    _putenv_s("TAMBER_TRACE", tracePath.c_str());
    std::vector<std::string> shown, messages;
    std::string status;
    run.Run([&](Robot& robot) {
        const auto mode = [&] { return robot.Text(ID_MODE_TOGGLE) + "|" + robot.StatusPane(1); };
        Robot::WaitUntil([&] { return robot.MainWindow() && robot.StatusPane(2) == "Play"; }, 10000);
        shown.push_back(mode());
        EXPECT_EQ(RunCtl(run, "mode transfer").first, 0u);
        Robot::WaitUntil([&] { return mode() != shown.back(); }, 1000);  // the window polls every 100 ms
        shown.push_back(mode());
        const auto [code, out] = RunCtl(run, "status --json");
        EXPECT_EQ(code, 0u);
        status = out;
        EXPECT_EQ(RunCtl(run, "modules lock DexCD100").first, 0u);
        messages = robot.Messages();
    });
    EXPECT_EQ(shown, (std::vector<std::string>{"Transfer Mode|Emulating", "Emulation Mode|File Transfer Mode"}));
    EXPECT_NE(status.find("\"mode\":\"File Transfer Mode\""), std::string::npos) << status;
    EXPECT_EQ(run.ReadSetting(ProgramRun::MachineKey, "ModsInstalled"), "SatCD100400000;DexCD100300011;")
        << "cadrelctl's lock survives Cadrel's exit";
    for (const std::string& line : messages)
        EXPECT_EQ(line.find("WARNING"), std::string::npos) << line;
    std::ifstream in(tracePath);
    for (std::string line; std::getline(in, line);)
        EXPECT_EQ(line.find("-> 0x80070006"), std::string::npos) << "a call refused its handle: " << line;
}
