// What cadrelctl's exit code tells a build script.
#pragma once

enum ExitCode {
    ExitDone = 0,
    ExitFailed = 1,       // the box refused or failed an operation, or a rule refused it
    ExitUsage = 2,        // the command line is wrong
    ExitUnreachable = 3,  // the component is missing or the connection failed
    ExitBound = 4,        // a wait reached its bound: the handle, the box's readiness, a cut's start
    ExitStopped = 130,    // Ctrl-C
};

// The text --help ends with.
inline constexpr char ExitCodesText[] =
    "Exit codes:\n"
    "  0    done\n"
    "  1    the CD Emulator refused or failed the operation, or a module rule refused it\n"
    "  2    usage error\n"
    "  3    the CD Emulator cannot be reached (component missing, connection failed)\n"
    "  4    a bound was reached (access handle busy, not ready in time, cut never began)\n"
    "  130  stopped by Ctrl-C\n";
