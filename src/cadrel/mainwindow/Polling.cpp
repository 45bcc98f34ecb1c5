// Status polling on the main window's timer, and switching between emulation and file transfer.
#include <cstring>
#include "common/ByteOrder.h"
#include "cutting/CutDiscDialog.h"
#include "emulator/DeviceLock.h"
#include "emulator/ErrorTable.h"
#include "emulator/StatusBlock.h"
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
    const DWORD handle = ProcessDeviceLock->Lock(true);
    if (handle == 0) {
        ProcessDeviceLock->Lock(false);
        return 0;
    }
    uint8_t block[StatusBlockSize] = {};
    DWORD size = sizeof block;
    if (device_->GetStatus(handle, block, &size, StatusKindStatus, 0) < 0) {
        ProcessDeviceLock->Lock(false);
        return 0;
    }
    const StatusView status = DecodeStatusBlock(block);
    if (status.errorCode != 0)
        ReportError(status.errorCode);
    ProcessDeviceLock->Lock(false);

    ShowModeDisplay(status.emulationMode);

    switch (status.activity) {
    case ActivityTargetOff:
        ArmPollTimer(IdlePollMs);
        statusBar_->ShowState("Target Off");
        statusBar_->ShowTime(0, 0, 0);
        // A cut has ended: close its panel and reset the emulator, which waits after a cut.
        if (cutting_ && cutPanel_ && IsWindow(cutPanel_->Window())) {
            cutPanel_->Close(0);
            const DWORD handle = ProcessDeviceLock->Lock(true);
            if (handle == 0 || device_->Reset(handle, 0) < 0)
                PostMessageLine("%s", ResetFailedWarning);
            ProcessDeviceLock->Lock(false);
            statusBar_->ShowMode(StatusModeEmulating);
            SetDlgItemTextA(window_, IDC_STATUS_BAR, "Finished Cutting CD");
        }
        cutting_ = 0;
        return status.emulationMode;
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
            cutPanel_->UpdateCutProgress(block);
        if (const char* text = CutStateText(status.state))
            statusBar_->ShowState(text);
        break;
    default:
        ArmPollTimer(ActivePollMs);
        if (const char* text = DriveStateText(targetBlock_[39], status.state))
            statusBar_->ShowState(text);
        break;
    }

    if (ProcessDeviceLock->Lock(true) == 0) {
        ProcessDeviceLock->Lock(false);
        return 0;
    }
    if (status.hasPosition)
        statusBar_->ShowTime(status.minutes, status.seconds, status.frames);
    ProcessDeviceLock->Lock(false);
    return status.emulationMode;
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
    const DWORD handle = ProcessDeviceLock->Lock(true);
    int result = 0;
    uint8_t query[2] = {};
    uint8_t second[2] = {};
    if (handle != 0 && device_->QueryMode(handle, query, sizeof query, second, 0) >= 0)
        result = device_->SetMode(handle, ModeWord(emulationDevice_, configuration_[0], DWORD(mode)), 0) >= 0;
    ProcessDeviceLock->Lock(false);
    PollStatus();
    return result;
}

void MainDialog::ToggleMode()
{
    SwitchMode(PollStatus() == 1 ? 0 : 1);
}
