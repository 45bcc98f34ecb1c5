// The main window's start-up: connect to the emulator, read the settings, bring the modules up
// to date, show target and devices, start polling and restore the window where it was.
#include <cstring>
#include "cutting/CutDiscDialog.h"
#include "emulator/BoundedRetry.h"
#include "emulator/DeviceLock.h"
#include "emulator/MessageSink.h"
#include "emulator/StatusBlock.h"
#include "framework/Application.h"
#include "mainwindow/MainDialog.h"
#include "modules/DeviceTable.h"
#include "modules/ModuleRecord.h"
#include "resources/ResourceIds.h"

namespace {

const char EmulatorErrorText[] =
    "An Error Has Occurred with the CD Emulator.\n\nPlease Ensure the Tamber_CO and Tambercde Dll files\n"
    "are correctly installed and that the emulator\nis connected and switched on.";
const char SettingsErrorText[] = "The CD Emulator Settings in the machine's registry are incorrect";

}  // namespace

int MainDialog::OnInitDialog()
{
    SendMessageA(window_, WM_SETICON, ICON_BIG, LPARAM(LoadIconA(ModuleInstance, MAKEINTRESOURCEA(IDI_CADREL))));
    Dialog::OnInitDialog();

    sink_ = new MessageSink(window_);
    if (!Connect()) {
        FailStartUp(EmulatorErrorText);
        return 1;
    }
    if (!OpenSettings()) {
        FailStartUp(SettingsErrorText);
        return 1;
    }
    ProcessDeviceLock = new DeviceLock(device_, sink_);
    ReadModuleSettings();
    const int upgraded = UpgradeInstalledModules(installedList_, availableList_);

    ProcessDeviceLock->Lock(true);
    memset(targetBlock_, 0, sizeof targetBlock_);
    if (const DWORD handle = ProcessDeviceLock->GetHandle()) {
        DWORD size = sizeof targetBlock_;
        device_->GetTargetInfo(handle, targetBlock_, &size, 0);
    }
    ProcessDeviceLock->Lock(false);
    ShowTarget();

    ProcessDeviceLock->Lock(true);
    const int readOk = ReadRecordBlock();
    RecordBlockHeader header{};
    const bool headerValid = ReadRecordBlockHeader(recordBlock_, &header) != 0;
    const bool noModuleData = targetBlock_[36] == 0xFF && targetBlock_[37] == 0xFF;
    if (upgraded || noModuleData || (readOk && !headerValid)) {
        moduleCount_ = 0;
        sramFloor_ = 0;
        nextLoadAddress_ = ModuleAreaTop;
        firstHeaderWord_ = FreshFirstHeaderWord;
        UploadInstalledModules();
        SwitchMode(0);
        // A box that could not be read a moment ago is not waited on a second time.
        if (readOk)
            ReadRecordBlock();
        SwitchMode(1);
    }
    ProcessDeviceLock->Lock(false);
    TakeRecordBlock();
    ShowDevices();
    cutPanel_ = new CutDiscDialog(window_, cutter_, emulationDevice_, &modulePath_, device_, sink_);

    PollStatus();
    RestorePlacement();
    return 1;
}

int MainDialog::Connect()
{
    if (library_.CreateInstance(CLSID_EmulatorSystem, IID_EmulatorSystem, reinterpret_cast<void**>(&system_)) < 0) {
        system_ = nullptr;
        return 0;
    }
    if (system_->Initialise(sink_, 0, 0, 0) < 0)
        return 0;
    if (system_->OpenDevice(IID_EmulatorDevice, reinterpret_cast<void**>(&device_), 0, 0, 0) < 0) {
        device_ = nullptr;
        return 0;
    }
    EmulatorSink* own = nullptr;
    if (sink_->QueryInterface(IID_EmulatorSink, reinterpret_cast<void**>(&own)) < 0)
        return 0;
    sink_ = own;
    sinkHeld_ = true;
    if (device_->SetMessageSink(sink_, 0, 0, 0, 0, 0) < 0)
        return 0;
    return device_->GetConfiguration(&configuration_[0], &configuration_[1], 0, 0, 0) >= 0;
}

int MainDialog::OpenSettings()
{
    if (library_.CreateInstance(CLSID_SettingsRegistry, IID_SettingsRegistry, reinterpret_cast<void**>(&settings_)) < 0) {
        settings_ = nullptr;
        return 0;
    }
    if (settings_->OpenKey("\\\\Machine\\CDModules", &machineKey_) < 0) {
        machineKey_ = nullptr;
        return 0;
    }
    if (settings_->OpenKey("\\\\User\\Cadrel", &userKey_) < 0) {
        userKey_ = nullptr;
        return 0;
    }
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
    const TargetTexts texts = TargetTextsFor(targetBlock_[39]);
    if (!texts.line)
        return;
    SetDlgItemTextA(window_, IDC_TARGET, texts.line);
    PostMessageLine("%s", texts.message);
}

int MainDialog::ReadRecordBlock()
{
    memset(recordBlock_, 0, sizeof recordBlock_);
    const DWORD handle = ProcessDeviceLock->GetHandle();
    const bool read = handle != 0 && RetryWithin(StartupReadBoundMs, [&] {
        DWORD length = sizeof recordBlock_;
        return device_->ReadMemory(handle, RecordBlockAddress, recordBlock_, &length) >= 0;
    });
    if (!read) {
        memset(recordBlock_, 0, sizeof recordBlock_);
        PostMessageLine("WARNING, the module record data could not be read from the CD Emulator. "
                        "Check that it is switched on and connected, then start Cadrel again.");
    }
    return read;
}

void MainDialog::TakeRecordBlock()
{
    RecordBlockHeader header{};
    header.nextLoadAddress = nextLoadAddress_;
    ReadRecordBlockHeader(recordBlock_, &header);
    firstHeaderWord_ = header.firstHeaderWord;
    sramFloor_ = header.sramFloor;
    moduleCount_ = header.moduleCount;
    nextLoadAddress_ = header.nextLoadAddress;
}

// A device line of the main window: the identification of the table's record number (1-based).
void MainDialog::ShowDeviceLine(int id, uint32_t number)
{
    DeviceRecord record;
    memcpy(record.bytes, deviceTable_ + (number - 1) * DeviceRecordSize, DeviceRecordSize);
    SetDlgItemTextA(window_, id, FormatDeviceId(record));
}

void MainDialog::ShowDevices()
{
    uint32_t cutter = 0;
    uint32_t emulation = 0;
    FindDevices(deviceTable_, &cutter, &emulation);
    if (cutter)
        ShowDeviceLine(IDC_CUTTING_DEVICE, cutter);
    if (emulation)
        ShowDeviceLine(IDC_EMULATION_DEVICE, emulation);
    cutter_ = cutter;
    emulationDevice_ = emulation;
    if (cutter_) {
        EnableWindow(GetDlgItem(window_, ID_CUT_GOLD_DISC), TRUE);
        EnableMenuItem(GetMenu(window_), ID_CUTTING_DEVICE, MF_BYCOMMAND | MF_ENABLED);
    }
}
