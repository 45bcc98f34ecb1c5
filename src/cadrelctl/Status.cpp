#include "Status.h"
#include <nlohmann/json.hpp>
#include <cstdio>
#include "Connection.h"
#include "Console.h"
#include "ExitCodes.h"
#include "control/CutStarter.h"

namespace {

std::string Position(const StatusReport& report)
{
    char text[16];
    snprintf(text, sizeof text, "%02d:%02d:%02d", report.minutes, report.seconds, report.frames);
    return text;
}

std::string Target(uint8_t kind)
{
    if (const char* line = TargetTextsFor(kind).line)
        return line;
    char text[32];
    snprintf(text, sizeof text, "Unknown (kind %u)", unsigned(kind));
    return text;
}

const char* ActivityName(int activity)
{
    switch (activity) {
    case ActivityTargetOff: return "off";
    case ActivityCutting: return "cutting";
    default: return "active";
    }
}

}  // namespace

Snapshot TakeSnapshot(Connection& connection)
{
    Snapshot snapshot;
    if (connection.Hold() != ExitDone)
        return snapshot;
    connection.session.ReadTarget();
    snapshot.report = connection.reader.PollStatus();
    const StatusView& status = snapshot.report.status;
    snapshot.target = Target(connection.session.TargetKind());
    snapshot.mode = status.activity == ActivityCutting ? "Cutting CD"
                    : status.emulationMode           ? "Emulating"
                                                     : "File Transfer Mode";
    if (snapshot.report.read && status.activity == ActivityCutting) {
        CutStarter cut(connection.session, {}, 0, 0, &connection.settings.path);
        const CutStarter::RunningCut running = cut.ReadRunningCut();
        snapshot.total = running.total;
        snapshot.speedIndex = running.speedIndex;
        snapshot.testMode = running.testMode;
        snapshot.progress = ComputeCutProgress(snapshot.report.block, running.total, running.speedIndex);
        const uint64_t done = snapshot.progress.position < running.total ? snapshot.progress.position : running.total;
        snapshot.percent = running.total ? int(done * 100 / running.total) : 0;
    }
    connection.Release();
    return snapshot;
}

std::string CutText(const Snapshot& s)
{
    char text[160];
    snprintf(text, sizeof text, "%s%s%d%% (%lu of %lu sectors), %lu:%02lu left",
             s.report.stateText ? s.report.stateText : "", s.report.stateText ? " " : "", s.percent,
             static_cast<unsigned long>(s.progress.position), static_cast<unsigned long>(s.total),
             static_cast<unsigned long>(s.progress.secondsLeft / 60), static_cast<unsigned long>(s.progress.secondsLeft % 60));
    return text;
}

std::string StatusText(const Snapshot& s)
{
    const StatusReport& r = s.report;
    std::string text = "Target:   " + s.target + "\nMode:     " + s.mode + "\n";
    if (r.status.activity == ActivityCutting)
        text += "Cut:      " + CutText(s) + "\n";
    else if (r.stateText)
        text += std::string("Drive:    ") + r.stateText + "\n";
    if (r.showTime)
        text += "Position: " + Position(r) + "\n";
    if (r.errorLine[0]) {
        text += std::string("Error:    ") + r.errorLine + "\n";
        if (r.solutionLine[0])
            text += std::string("          ") + r.solutionLine + "\n";
    }
    return text;
}

std::string StatusLine(const Snapshot& s)
{
    const StatusReport& r = s.report;
    std::string line = std::string(s.mode) + ", " + s.target;
    if (r.status.activity == ActivityCutting)
        line += ", " + CutText(s);
    else if (r.stateText)
        line += std::string(", ") + r.stateText;
    if (r.showTime)
        line += ", " + Position(r);
    if (r.errorLine[0])
        line += std::string(", ") + r.errorLine + (r.solutionLine[0] ? " " : "") + r.solutionLine;
    return line;
}

std::string WatchedPart(const Snapshot& s)
{
    const StatusReport& r = s.report;
    char part[64];
    snprintf(part, sizeof part, "|%d|%d|%d|%d|", r.status.emulationMode, r.status.activity, r.status.state,
             r.status.activity == ActivityCutting ? s.percent : -1);
    return s.target + part + r.errorLine;
}

std::string StatusJson(const Snapshot& s)
{
    const StatusReport& r = s.report;
    nlohmann::ordered_json json = {
        {"target", s.target},
        {"mode", s.mode},
        {"emulation", r.status.emulationMode != 0},
        {"activity", ActivityName(r.status.activity)},
        {"state", r.status.state},
        {"drive", nullptr},
        {"position", nullptr},
        {"error", nullptr},
        {"cut", nullptr},
    };
    if (r.stateText && r.status.activity != ActivityCutting)
        json["drive"] = r.stateText;
    if (r.showTime)
        json["position"] = Position(r);
    if (r.errorLine[0])
        json["error"] = {{"code", r.status.errorCode},
                         {"text", r.errorLine},
                         {"remedy", r.solutionLine[0] ? nlohmann::ordered_json(r.solutionLine) : nlohmann::ordered_json()}};
    if (r.status.activity == ActivityCutting) {
        char left[16];
        snprintf(left, sizeof left, "%lu:%02lu", static_cast<unsigned long>(s.progress.secondsLeft / 60),
                 static_cast<unsigned long>(s.progress.secondsLeft % 60));
        json["cut"] = {{"state", r.stateText ? nlohmann::ordered_json(r.stateText) : nlohmann::ordered_json()},
                       {"sectors", s.progress.position},
                       {"total", s.total},
                       {"percent", s.percent},
                       {"secondsLeft", s.progress.secondsLeft},
                       {"timeLeft", left},
                       {"speed", s.speedIndex == 0 ? 1 : 2 * s.speedIndex},
                       {"test", s.testMode != 0}};
    }
    return json.dump();
}

int RunStatus(Connection& connection, const StatusOptions& options)
{
    // The status shows the error itself; as a line on the error stream it would come twice.
    connection.reader.PostErrors(false);
    if (!options.watch) {
        const Snapshot snapshot = TakeSnapshot(connection);
        if (!snapshot.report.read) {
            if (connection.session.Lock().TimedOut())
                return ExitBound;
            ErrorLine("The CD Emulator did not answer the status read. Check that it is switched on and connected, "
                      "then try again.");
            return ExitFailed;
        }
        fputs((options.json ? StatusJson(snapshot) + "\n" : StatusText(snapshot)).c_str(), stdout);
        return ExitDone;
    }
    // One line per change; a read that fails changes nothing shown, as in the window.
    std::string shown;
    while (!CtrlCPressed()) {
        const Snapshot snapshot = TakeSnapshot(connection);
        if (snapshot.report.read && WatchedPart(snapshot) != shown) {
            shown = WatchedPart(snapshot);
            fputs(((options.json ? StatusJson(snapshot) : StatusLine(snapshot)) + "\n").c_str(), stdout);
            fflush(stdout);
        }
        SleepUnlessCtrlC(DWORD(options.intervalMs));
    }
    return ExitStopped;
}
