// The main window's messages and menu commands.
#include "mainwindow/MainDialog.h"
#include <cstring>
#include "cutting/CutDiscDialog.h"
#include "cutting/DeviceDialog.h"
#include "modules/DeviceTable.h"
#include "framework/Application.h"
#include "resources/ResourceIds.h"

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
        ToggleCutPanel();
        return TRUE;
    case ID_EMULATION_DEVICE:
        ChooseEmulationDevice();
        return TRUE;
    case ID_CUTTING_DEVICE:
        ChooseCutter();
        return TRUE;
    case ID_EMULATION_MODULES:
        // The Module Manager is not part of this build yet.
        return TRUE;
    default:
        return FALSE;
    }
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

void MainDialog::ToggleCutPanel()
{
    if (!cutPanel_)
        return;
    if (IsWindow(cutPanel_->Window())) {
        SetDlgItemTextA(window_, ID_CUT_GOLD_DISC, "Cut Gold Disk");
        cutPanel_->Close(0);
        return;
    }
    SetDlgItemTextA(window_, ID_CUT_GOLD_DISC, "Abort Cut");
    cutPanel_->CreateModeless();
}

namespace {

void ShowDeviceLine(HWND window, int id, const uint8_t* table, uint32_t number)
{
    DeviceRecord record;
    memcpy(record.bytes, table + (number - 1) * DeviceRecordSize, DeviceRecordSize);
    SetDlgItemTextA(window, id, FormatDeviceId(record));
}

}  // namespace

void MainDialog::ChooseEmulationDevice()
{
    int chosen;
    {
        EmulatorDeviceDialog dialog(window_, deviceTable_, &emulationDevice_);
        chosen = dialog.RunModal();
    }
    if (!chosen || emulationDevice_ == 0)
        return;
    // Through file transfer, so the emulator ends up emulating from the new device whatever its mode.
    SwitchMode(0);
    SwitchMode(1);
    ShowDeviceLine(window_, IDC_EMULATION_DEVICE, deviceTable_, emulationDevice_);
}

void MainDialog::ChooseCutter()
{
    int chosen;
    {
        CutterDeviceDialog dialog(window_, deviceTable_, &cutter_);
        chosen = dialog.RunModal();
    }
    if (chosen && cutter_ != 0)
        ShowDeviceLine(window_, IDC_CUTTING_DEVICE, deviceTable_, cutter_);
}

void MainDialog::ShowMenuHelp(WPARAM wParam)
{
    char text[50] = "";
    if (LoadStringA(ModuleInstance, LOWORD(wParam), text, sizeof text) <= 0)
        text[0] = '\0';
    SetDlgItemTextA(window_, IDC_STATUS_BAR, text);
}
