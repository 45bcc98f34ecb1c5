// cadrelctl.exe as a build script runs it: a child process with its own state folder, scenario and
// call trace, its two output streams and its exit code captured.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "interface/EmulatorInterfaces.h"

struct CtlResult {
    int code = -1;
    std::string out, err;  // line ends as "\n"
    std::vector<std::string> ErrLines() const;
};

class CtlHome {
public:
    CtlHome();
    ~CtlHome();
    CtlHome(const CtlHome&) = delete;
    CtlHome& operator=(const CtlHome&) = delete;

    void Scenario(const std::string& toml);
    // Runs "cadrelctl.exe args" to its end. With ctrlCWhen, Ctrl-C is pressed once the error
    // stream holds that text.
    CtlResult Run(const std::string& args, const std::string& ctrlCWhen = "");
    // Keeps the box open between runs (as a running Cadrel would), so its mode outlives them.
    void KeepBox();

    std::vector<std::string> Trace() const;            // the runs' call trace
    int Count(const std::string& traced) const;        // trace lines holding this text
    std::string Setting(const char* name, const char* key = "\\\\Machine\\CDModules") const;
    void SetSetting(const char* name, const std::string& value) const;
    std::string ModulePath() const { return Setting("Path"); }
    const std::string& Home() const { return home_; }
    std::string& Program() { return program_; }  // the cadrelctl.exe run, by default the one beside the test

private:
    std::string home_;
    std::string program_;
    HMODULE keeper_ = nullptr;
    EmulatorSystem* system_ = nullptr;
    EmulatorDevice* device_ = nullptr;
};

// A file of bytes written into folder (made when missing); returns its path.
std::string WriteBytes(const std::string& folder, const std::string& name, size_t bytes);
