// Status polling on the main window's timer, showing what a poll read, and switching between
// emulation and file transfer.
#include "cutting/CutDiscDialog.h"
#include "framework/StatusBar.h"
#include "mainwindow/MainDialog.h"
#include "resources/ResourceIds.h"

namespace {
constexpr UINT PollTimerId = 1;
constexpr UINT IdlePollMs = 440;
constexpr UINT ActivePollMs = 100;
}  // namespace

void MainDialog::ArmPollTimer(UINT interval)
{
    // Only a change of pace needs the timer set again; each set is a call to the window system.
    if (interval == pollInterval_)
        return;
    pollInterval_ = interval;
    SetTimer(window_, PollTimerId, interval, nullptr);
}

int MainDialog::PollStatus()
{
    const StatusReport report = reader_.PollStatus();
    ShowStatus(report);
    return report.result;
}

void MainDialog::ShowStatus(const StatusReport& report)
{
    if (!report.read)
        return;
    if (report.cutterError)
        SetDlgItemTextA(window_, IDC_STATUS_BAR, report.cutterError);
    ShowModeDisplay(report.status.emulationMode);

    switch (report.status.activity) {
    case ActivityTargetOff:
        ArmPollTimer(IdlePollMs);
        break;
    case ActivityCutting:
        ArmPollTimer(ActivePollMs);
        // A cut running without its panel (closed, or started before this program): show it.
        if (cutPanel_ && !IsWindow(cutPanel_->Window())) {
            cutPanel_->CreateModeless();
            cutPanel_->ResumeCut();
        }
        cutting_ = 1;
        statusBar_->ShowMode(StatusModeCutting);
        if (cutPanel_)
            cutPanel_->UpdateCutProgress(report.block);
        break;
    default:
        ArmPollTimer(ActivePollMs);
        break;
    }
    if (report.stateText)
        statusBar_->ShowState(report.stateText);
    if (report.showTime)
        statusBar_->ShowTime(report.minutes, report.seconds, report.frames);
    if (report.status.activity == ActivityTargetOff) {
        ShowCutEnded();
        cutting_ = 0;
    }
}

// The box stopped cutting: close the panel and reset the box, which waits after a cut.
void MainDialog::ShowCutEnded()
{
    if (!cutting_ || !cutPanel_ || !IsWindow(cutPanel_->Window()))
        return;
    cutPanel_->Close(0);
    session_.Reset(*this);
    statusBar_->ShowMode(StatusModeEmulating);
    SetDlgItemTextA(window_, IDC_STATUS_BAR, "Finished Cutting CD");
}

void MainDialog::ShowModeDisplay(int emulationMode)
{
    const char* menuText;
    const char* buttonText;
    if (emulationMode && transferModeShown_) {
        transferModeShown_ = 0;
        menuText = "&File Transfer Mode";
        buttonText = "Transfer Mode";
        statusBar_->ShowMode(StatusModeEmulating);
    } else if (!emulationMode && !transferModeShown_) {
        transferModeShown_ = 1;
        menuText = "&Emulation Mode";
        buttonText = "Emulation Mode";
        statusBar_->ShowMode(StatusModeTransfer);
    } else {
        return;
    }
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_TYPE;
    item.fType = MFT_STRING;
    item.dwTypeData = const_cast<char*>(menuText);
    SetMenuItemInfoA(GetMenu(window_), ID_MODE_TOGGLE, FALSE, &item);
    SetDlgItemTextA(window_, ID_MODE_TOGGLE, buttonText);
}

int MainDialog::SwitchMode(int mode)
{
    const int result = session_.SwitchMode(mode);
    PollStatus();
    return result;
}

void MainDialog::ToggleMode()
{
    SwitchMode(PollStatus() == 1 ? 0 : 1);
}
