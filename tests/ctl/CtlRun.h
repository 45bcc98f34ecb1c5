// cadrelctl.exe as a build script runs it: a child process with its own state folder, scenario and
// call trace, its two output streams and its exit code captured.
#pragma once
#include <memory>
#include <string>
#include "ChildProgram.h"
#include "StateFolder.h"

using CtlResult = ProgramResult;

class CtlHome : public StateFolder {
public:
    CtlHome();

    // Runs "cadrelctl.exe args" to its end. With ctrlCWhen, Ctrl-C is pressed once the error
    // stream holds that text.
    CtlResult Run(const std::string& args, const std::string& ctrlCWhen = "");
    // Keeps the box open between runs (as a running Cadrel would), so its mode outlives them.
    void KeepBox();

    int Count(const std::string& traced) const;        // trace lines holding this text
    std::string& Program() { return program_; }  // the cadrelctl.exe run, by default the one beside the test

private:
    std::string program_;
    std::unique_ptr<Component> keeper_;
};
