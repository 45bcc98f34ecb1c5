// The main window's start-up: connect to the emulator, read the settings, bring the modules up
// to date, show target and devices, start polling and restore the window where it was.
#include <cstring>
#include "cutting/CutDiscDialog.h"
#include "emulator/MessageSink.h"
#include "emulator/StatusBlock.h"
#include "framework/Application.h"
#include "mainwindow/MainDialog.h"
#include "modules/DeviceTable.h"
#include "modules/ModuleRecord.h"
#include "resources/ResourceIds.h"

int MainDialog::OnInitDialog()
{
    SendMessageA(window_, WM_SETICON, ICON_BIG, LPARAM(LoadIconA(ModuleInstance, MAKEINTRESOURCEA(IDI_CADREL))));
    Dialog::OnInitDialog();

    const EmulatorSession::OpenResult opened = session_.Open(new MessageSink(window_));
    if (opened != EmulatorSession::Opened) {
        FailStartUp(EmulatorSession::OpenFailureText(opened));
        return 1;
    }
    settings_.Read(session_.MachineKey(), *this);
    const int upgraded = UpgradeInstalledModules(settings_.installed, settings_.available);
    session_.ReadTarget();
    ShowTarget();
    uploader_.BringUpToDate(upgraded != 0);
    ShowDevices();
    cutPanel_ = new CutDiscDialog(window_, session_,
                                  CutStarter(session_, cutWaitBounds_, session_.Cutter(), session_.EmulationDevice(),
                                             &settings_.path));
    PollStatus();
    RestorePlacement();
    return 1;
}

void MainDialog::FailStartUp(const char* text)
{
    MessageBoxA(window_, text, "Error", MB_OK | MB_ICONEXCLAMATION);
    // Closing now must end the program: the modal loop has not started yet.
    SetModal(1);
    Close(0);
}

void MainDialog::ShowTarget()
{
    const TargetTexts texts = TargetTextsFor(session_.TargetKind());
    if (!texts.line)
        return;
    SetDlgItemTextA(window_, IDC_TARGET, texts.line);
    Line(texts.message);
}

// A device line of the main window: the identification of the table's record number (1-based).
void MainDialog::ShowDeviceLine(int id, uint32_t number)
{
    DeviceRecord record;
    memcpy(record.bytes, uploader_.DeviceTable() + (number - 1) * DeviceRecordSize, DeviceRecordSize);
    SetDlgItemTextA(window_, id, FormatDeviceId(record));
}

void MainDialog::ShowDevices()
{
    uint32_t& cutter = session_.Cutter();
    uint32_t& emulation = session_.EmulationDevice();
    FindDevices(uploader_.DeviceTable(), &cutter, &emulation);
    if (cutter)
        ShowDeviceLine(IDC_CUTTING_DEVICE, cutter);
    if (emulation)
        ShowDeviceLine(IDC_EMULATION_DEVICE, emulation);
    if (cutter) {
        EnableWindow(GetDlgItem(window_, ID_CUT_GOLD_DISC), TRUE);
        EnableMenuItem(GetMenu(window_), ID_CUTTING_DEVICE, MF_BYCOMMAND | MF_ENABLED);
    }
}
