// The process: its module instance handle and its exit code (always 0).
#pragma once
#include <windows.h>

// Every dialog creation and every icon, bitmap and string load uses this handle.
extern HINSTANCE ModuleInstance;

class Application {
public:
    Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    int ExitCode() const { return exitCode_; }

private:
    int exitCode_ = 0;
};
