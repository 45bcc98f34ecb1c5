// One run of the whole program against the virtual emulator: its own state folder, scenario and
// call trace, the real main window on this thread and a robot on another.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "Robot.h"
#include "StateFolder.h"
#include "control/CutStarter.h"

struct TraceLine {
    double ms = 0;
    std::string op;
    std::map<std::string, std::string> args;
    std::string result;
    bool Failed() const { return result.rfind("0x8", 0) == 0; }
    uint32_t Arg(const std::string& name) const;
};

class ProgramRun : public StateFolder {
public:
    ProgramRun();

    // The main window runs on this thread until it closes; script runs on a robot thread. When
    // the script ends with the window still open, the robot closes it. Returns RunModal's value.
    int Run(const std::function<void(Robot&)>& script);

    std::vector<TraceLine> Trace() const;
    std::vector<TraceLine> Calls(const std::string& op) const;
    void WriteModuleFile(const std::string& name, size_t bytes) const;

    CutWaitBounds cutWaitBounds;  // what the cut panel of the next Run waits for
    bool otherPrograms = false;   // another program may hold the box: a busy handle is no fault
};

// CPU time (user + kernel) of this process in milliseconds.
double ProcessCpuMs();

bool Contains(const std::vector<std::string>& lines, const std::string& line);
// Waits for the main window and its first status poll.
bool WaitForPoll(Robot& robot, int timeoutMs = 10000);
