#include "ProgramRun.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>
#include "framework/Application.h"
#include "mainwindow/MainDialog.h"

uint32_t TraceLine::Arg(const std::string& name) const
{
    auto it = args.find(name);
    return it == args.end() ? 0xFFFFFFFFu : uint32_t(strtoul(it->second.c_str(), nullptr, 0));
}

ProgramRun::ProgramRun() : StateFolder("cadrel-e2e-", true)
{
    ModuleInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
}

int ProgramRun::Run(const std::function<void(Robot&)>& script)
{
    DeleteFileA(TracePath().c_str());  // the program's own calls only, not the test's setup
    const DWORD uiThread = GetCurrentThreadId();
    std::thread robotThread([&] {
        Robot robot(uiThread);
        script(robot);
        // A close the script asked for is under way or done; a second one posted now is dropped.
        if (!Robot::WaitUntil([&] { return robot.MainWindow() == nullptr; }, 200))
            robot.Close();
    });
    int result;
    {
        MainDialog main(cutWaitBounds);
        result = main.RunModal();
    }
    robotThread.join();
    // Every device call runs under the lock: the emulator never sees a wrong or released handle.
    // Nested levels keep the handle they hold: the program never asks the box for a second one.
    for (const TraceLine& line : Trace()) {
        EXPECT_NE(line.result, "0x80070006") << line.op << " was refused its handle";
        EXPECT_FALSE(line.op == "AcquireHandle" && line.result == "0x800700AA" && !otherPrograms) << "a second handle was asked for";
    }
    // A start-up failure leaves its quit message behind; the next run must not see it.
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
    }
    return result;
}

std::vector<TraceLine> ProgramRun::Trace() const
{
    std::vector<TraceLine> lines;
    for (const std::string& raw : TraceLines()) {
        std::istringstream words(raw);
        TraceLine line;
        std::string word;
        if (!(words >> line.ms >> line.op))
            continue;
        while (words >> word && word != "->") {
            const size_t eq = word.find('=');
            std::string value = word.substr(eq + 1);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (eq != std::string::npos)
                line.args[word.substr(0, eq)] = value;
        }
        if (word == "->" && words >> line.result)
            lines.push_back(line);
    }
    return lines;
}

std::vector<TraceLine> ProgramRun::Calls(const std::string& op) const
{
    std::vector<TraceLine> calls = Trace();
    calls.erase(std::remove_if(calls.begin(), calls.end(), [&](const TraceLine& line) { return line.op != op; }), calls.end());
    return calls;
}

void ProgramRun::WriteModuleFile(const std::string& name, size_t bytes) const
{
    std::ofstream out(ModulePath() + "\\" + name + ".bin", std::ios::binary);
    for (size_t i = 0; i < bytes; ++i)
        out.put(char(i * 7 + 3));
}

double ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) { return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool WaitForPoll(Robot& robot, int timeoutMs)
{
    return Robot::WaitUntil([&] { return robot.MainWindow() && !robot.StatusPane(2).empty(); }, timeoutMs);
}
