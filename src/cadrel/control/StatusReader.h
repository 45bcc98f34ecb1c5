// The device half of polling: reads the status block, reports a new error code once, and says
// what there is to show (mode, drive or cut state, position, the block itself) without showing it.
#pragma once
#include <cstdint>
#include "emulator/ErrorTable.h"
#include "emulator/StatusBlock.h"
#include "interface/EmulatorInterfaces.h"

class EmulatorSession;

struct StatusReport {
    int read = 0;    // the status block was read; nothing below is set otherwise
    int result = 0;  // what a poll returns: the mode bit, or 0 when the box stopped answering
    uint8_t block[StatusBlockSize] = {};
    StatusView status{};
    const char* stateText = nullptr;    // drive or cut state; null leaves the shown one
    const char* cutterError = nullptr;  // a new cutter error, for the status bar's main text
    int showTime = 0;                   // the position below is current
    int minutes = 0, seconds = 0, frames = 0;
    // The block's error as the user is told it, whether or not it was reported this time: the
    // error line (a cutter code's text) and the solution line; empty without an error.
    char errorLine[ErrorLineSize] = "";
    char solutionLine[ErrorLineSize] = "";
};

class StatusReader {
public:
    explicit StatusReader(EmulatorSession& session) : session_(session) {}

    StatusReport PollStatus();
    // PollStatus, shown through the session's presenter; returns the poll's result.
    int PollAndShow();
    // A non-zero code from a status block, while a lock level is held: the Messages lines of a
    // code not reported last time; the cutter's codes come back as the status bar's text instead.
    // report, when given, receives the lines whether new or not.
    const char* ReportError(uint16_t code, StatusReport* report = nullptr);
    // Off: a new error is not posted as lines (a front end that shows the report's lines itself).
    void PostErrors(bool post) { postErrors_ = post; }

private:
    EmulatorSession& session_;
    uint16_t lastErrorCode_ = 0;
    bool postErrors_ = true;
};
