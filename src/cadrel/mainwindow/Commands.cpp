// The main window's messages and menu commands.
#include "mainwindow/MainDialog.h"
#include <cstring>
#include "cutting/CutDiscDialog.h"
#include "cutting/DeviceDialog.h"
#include "framework/Application.h"
#include "modules/ModuleManagerDialog.h"
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
    case WM_QUERYENDSESSION:  // nothing to ask the user: the session may end
        SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            EndSession();
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
    case ID_EMULATION_MODULES:
        ManageModules();
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
    default:
        return FALSE;
    }
}

void MainDialog::SavePlacement()
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window_, &placement);
    session_.WriteWindowPlacement(reinterpret_cast<const BYTE*>(&placement), sizeof placement);
}

void MainDialog::Exit()
{
    SavePlacement();
    Close(0);
}

// Log-off or shut-down: Windows may end the process as soon as this returns, so what Exit and the
// destructor save goes to disc now, once.
void MainDialog::EndSession()
{
    SavePlacement();
    SaveModuleSettings();
}

void MainDialog::SaveModuleSettings()
{
    if (settingsSaved_)
        return;
    settingsSaved_ = true;
    settings_.Write(session_.MachineKey());
}

// A stored placement counts only when it is whole: a short or damaged value would put the window
// at the screen's corner with no size. A window left hidden or minimised comes back normal.
void MainDialog::RestorePlacement()
{
    WINDOWPLACEMENT placement{};
    DWORD size = sizeof placement;
    if (!session_.ReadWindowPlacement(reinterpret_cast<BYTE*>(&placement), &size) || size != sizeof placement ||
        placement.length != sizeof placement)
        return;
    if (placement.showCmd != SW_SHOWMAXIMIZED)
        placement.showCmd = SW_SHOWNORMAL;
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

void MainDialog::ChooseEmulationDevice()
{
    int chosen;
    {
        EmulatorDeviceDialog dialog(window_, uploader_.DeviceTable(), &session_.EmulationDevice());
        chosen = dialog.RunModal();
    }
    if (!chosen || session_.EmulationDevice() == 0)
        return;
    // Through file transfer, so the emulator ends up emulating from the new device whatever its mode.
    SwitchMode(0);
    SwitchMode(1);
    ShowDeviceLine(IDC_EMULATION_DEVICE, session_.EmulationDevice());
}

void MainDialog::ChooseCutter()
{
    int chosen;
    {
        CutterDeviceDialog dialog(window_, uploader_.DeviceTable(), &session_.Cutter());
        chosen = dialog.RunModal();
    }
    if (chosen && session_.Cutter() != 0)
        ShowDeviceLine(IDC_CUTTING_DEVICE, session_.Cutter());
}

void MainDialog::ShowMenuHelp(WPARAM wParam)
{
    char text[50] = "";
    if (LoadStringA(ModuleInstance, LOWORD(wParam), text, sizeof text) <= 0)
        text[0] = '\0';
    SetDlgItemTextA(window_, IDC_STATUS_BAR, text);
}

// The Module Manager; a change of the installed modules is uploaded at once, and an emulator
// that already held modules is reset so it runs the new ones. An upload that left a module out
// is tried again.
void MainDialog::ManageModules()
{
    // It shows the settings as they are now, with what another program (cadrelctl) changed
    // meanwhile; this program's own changes are stored first, so none is lost.
    settings_.Write(session_.MachineKey());
    settings_.Read(session_.MachineKey(), *this);
    int changed = 0;
    {
        ModuleManagerDialog manager(window_, settings_.available, settings_.availableSize, settings_.installed,
                                    settings_.installedSize, settings_.defaultModule,
                                    RecordBlockAddress - uploader_.SramFloor(), settings_.path, settings_.pathSize,
                                    changed);
        manager.RunModal();
    }
    if (changed || uploader_.UploadPending())
        uploader_.UploadAfterChange();
}
