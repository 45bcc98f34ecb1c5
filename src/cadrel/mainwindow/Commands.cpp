// The main window's messages and menu commands.
#include "mainwindow/MainDialog.h"
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
    case ID_EMULATION_DEVICE:
    case ID_CUTTING_DEVICE:
    case ID_EMULATION_MODULES:
        // The cut panel, the device choices and the Module Manager are not part of this build yet.
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

void MainDialog::ShowMenuHelp(WPARAM wParam)
{
    char text[50] = "";
    if (LoadStringA(ModuleInstance, LOWORD(wParam), text, sizeof text) <= 0)
        text[0] = '\0';
    SetDlgItemTextA(window_, IDC_STATUS_BAR, text);
}
