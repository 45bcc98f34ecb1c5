#include "control/StatusReader.h"
#include <cstdio>
#include "control/EmulatorSession.h"
#include "control/Presenter.h"

StatusReport StatusReader::PollStatus()
{
    StatusReport report;
    DeviceLock& lock = session_.Lock();
    const DWORD handle = lock.Lock(true);
    if (handle == 0) {
        lock.Lock(false);
        return report;
    }
    DWORD size = sizeof report.block;
    // A block that claims to be longer than the program's is not the one the program knows.
    if (session_.Device()->GetStatus(handle, report.block, &size, StatusKindStatus, 0) < 0 || size > sizeof report.block) {
        lock.Lock(false);
        return report;
    }
    report.status = DecodeStatusBlock(report.block);
    if (report.status.errorCode != 0)
        report.cutterError = ReportError(report.status.errorCode, &report);
    lock.Lock(false);
    report.read = 1;
    report.result = report.status.emulationMode;

    switch (report.status.activity) {
    case ActivityTargetOff:
        report.stateText = "Target Off";
        report.showTime = 1;
        return report;
    case ActivityCutting:
        report.stateText = CutStateText(report.status.state);
        break;
    default:
        report.stateText = DriveStateText(session_.TargetKind(), report.status.state);
        break;
    }
    // The position counts only while the box still gives access.
    if (lock.Lock(true) == 0) {
        lock.Lock(false);
        report.result = 0;
        return report;
    }
    if (report.status.hasPosition) {
        report.showTime = 1;
        report.minutes = report.status.minutes;
        report.seconds = report.status.seconds;
        report.frames = report.status.frames;
    }
    lock.Lock(false);
    return report;
}

int StatusReader::PollAndShow()
{
    const StatusReport report = PollStatus();
    session_.Front().ShowStatus(report);
    return report.result;
}

const char* StatusReader::ReportError(uint16_t code, StatusReport* report)
{
    uint8_t detail[ErrorDetailBlockSize] = {};
    DWORD size = sizeof detail;
    session_.Device()->GetStatus(session_.Lock().GetHandle(), detail, &size, StatusKindErrorDetail, 0);
    const char* cutterText = CutterErrorText(code);
    char error[ErrorLineSize] = "";
    char solution[ErrorLineSize] = "";
    if (cutterText)
        snprintf(error, sizeof error, "%s", cutterText);
    else
        FormatErrorLines(code, detail, error, solution);
    if (report) {
        snprintf(report->errorLine, sizeof report->errorLine, "%s", error);
        snprintf(report->solutionLine, sizeof report->solutionLine, "%s", solution);
    }
    if (code == lastErrorCode_)
        return nullptr;
    lastErrorCode_ = code;
    if (cutterText)
        return cutterText;
    if (!postErrors_)
        return nullptr;
    Presenter& presenter = session_.Front();
    presenter.Line("");
    presenter.Line(error);
    if (solution[0])
        presenter.Line(solution);
    return nullptr;
}
