#include "mainwindow/MainDialog.h"
#include <cstdarg>
#include <cstdio>
#include "emulator/DeviceLock.h"
#include "emulator/MessageSink.h"
#include "framework/Application.h"
#include "framework/StatusBar.h"
#include "resources/ResourceIds.h"

namespace {
const char NoneText[] = "None";
}

MainDialog::MainDialog() : Dialog(IDD_MAIN, nullptr)
{
    registry_.Add(new StaticText(IDC_TARGET, NoneText));
    registry_.Add(new StaticText(IDC_EMULATION_DEVICE, NoneText));
    registry_.Add(new StaticText(IDC_CUTTING_DEVICE, NoneText));
    statusBar_ = new StatusBar;
    registry_.Add(statusBar_);
}

MainDialog::~MainDialog()
{
    WriteModuleSettings();
    delete ProcessDeviceLock;
    ProcessDeviceLock = nullptr;
    if (sink_) {
        // Until start-up took its own reference the sink may be held only by the component.
        if (!sinkHeld_)
            sink_->AddRef();
        sink_->Release();
    }
    if (device_)
        device_->Release();
    if (system_)
        system_->Release();
    if (settings_)
        settings_->Release();
    if (machineKey_)
        machineKey_->Release();
    if (userKey_)
        userKey_->Release();
    delete[] availableList_;
    delete[] installedList_;
    delete[] modulePath_;
}

BOOL MainDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        Exit();
        return TRUE;
    case WM_TIMER:
        PollStatus();
        return TRUE;
    case WM_MENUSELECT:
        ShowMenuHelp(wParam);
        return TRUE;
    case WM_COMMAND:
        break;
    default:
        return FALSE;
    }
    // The whole wParam is compared: a notification code other than 0 is no command.
    switch (wParam) {
    case ID_EXIT:
        Exit();
        return TRUE;
    case ID_HELP_CONTENTS:
        Help();
        return TRUE;
    case ID_MODE_TOGGLE:
        ToggleMode();
        return TRUE;
    case ID_ABOUT:
        About();
        return TRUE;
    case ID_CUT_GOLD_DISC:
    case ID_EMULATION_DEVICE:
    case ID_CUTTING_DEVICE:
    case ID_EMULATION_MODULES:
        // The cut panel, the device choices and the Module Manager are not part of this build yet.
        return TRUE;
    default:
        return FALSE;
    }
}

void MainDialog::PostMessageLine(const char* format, ...)
{
    if (!sink_)
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    sink_->Notify(1, line);
}

void MainDialog::Exit()
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window_, &placement);
    if (userKey_)
        userKey_->SetBinaryValue("WindowPos", reinterpret_cast<const BYTE*>(&placement), sizeof placement);
    Close(0);
}

void MainDialog::RestorePlacement()
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    DWORD size = sizeof placement;
    if (userKey_->QueryBinaryValue("WindowPos", reinterpret_cast<BYTE*>(&placement), &size) >= 0)
        SetWindowPlacement(window_, &placement);
}

void MainDialog::Help()
{
    WinHelpA(window_, "Control.hlp", HELP_CONTENTS, 0);
}

void MainDialog::About()
{
    Dialog about(IDD_ABOUT, window_);
    about.RunModal();
}

void MainDialog::ShowMenuHelp(WPARAM wParam)
{
    char text[50] = "";
    if (LoadStringA(ModuleInstance, LOWORD(wParam), text, sizeof text) <= 0)
        text[0] = '\0';
    SetDlgItemTextA(window_, IDC_STATUS_BAR, text);
}
