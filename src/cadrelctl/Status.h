// What the box reports, as cadrelctl shows it: the main window's texts, as lines, one line for
// --watch, or JSON.
#pragma once
#include <cstdint>
#include <string>
#include "control/StatusReader.h"
#include "cutting/CutProgress.h"

class Connection;

struct Snapshot {
    StatusReport report;
    std::string target;      // the main window's "Target" line
    const char* mode = "";   // its status bar: "Emulating", "File Transfer Mode" or "Cutting CD"
    // During a cut: its total, speed and test flag (from the box), and where it stands.
    uint32_t total = 0;
    int speedIndex = 0;
    int testMode = 0;
    CutProgress progress{};
    int percent = 0;
};

// Reads the status (and a running cut's settings) under one lock level. report.read is 0 when the
// status could not be read.
Snapshot TakeSnapshot(Connection& connection);

std::string StatusText(const Snapshot& snapshot);       // "Name: value" lines
std::string StatusLine(const Snapshot& snapshot);       // the same on one line
std::string StatusJson(const Snapshot& snapshot);       // one JSON object on one line
// What --watch compares: everything but the position moving on while the disc plays or is cut.
std::string WatchedPart(const Snapshot& snapshot);
// "Writing 40% (108000 of 270000 sectors), 7:30 left"
std::string CutText(const Snapshot& snapshot);

struct StatusOptions {
    bool json = false;
    bool watch = false;
    int intervalMs = 500;
};
int RunStatus(Connection& connection, const StatusOptions& options);
