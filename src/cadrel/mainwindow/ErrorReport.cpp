// Emulator error codes, reported once each: Messages lines, or the status bar for the cutter.
#include "emulator/DeviceLock.h"
#include "emulator/ErrorTable.h"
#include "mainwindow/MainDialog.h"
#include "resources/ResourceIds.h"

void MainDialog::ReportError(uint16_t code)
{
    uint8_t detail[ErrorDetailBlockSize] = {};
    DWORD size = sizeof detail;
    device_->GetStatus(ProcessDeviceLock->GetHandle(), detail, &size, StatusKindErrorDetail, 0);
    if (code == lastErrorCode_)
        return;
    lastErrorCode_ = code;
    if (const char* text = CutterErrorText(code)) {
        SetDlgItemTextA(window_, IDC_STATUS_BAR, text);
        return;
    }
    char error[ErrorLineSize];
    char solution[ErrorLineSize];
    FormatErrorLines(code, detail, error, solution);
    PostMessageLine("%s", "");
    PostMessageLine("%s", error);
    if (solution[0])
        PostMessageLine("%s", solution);
}
