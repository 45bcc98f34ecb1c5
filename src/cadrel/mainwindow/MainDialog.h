// The main window: owns the connection to the emulator and everything start-up reads from it.
#pragma once
#include <cstdint>
#include "emulator/ComponentLibrary.h"
#include "interface/EmulatorInterfaces.h"
#include "framework/Dialog.h"
#include "modules/RecordBlock.h"

class StatusBar;
class CutDiscDialog;
class MessageSink;

class MainDialog : public Dialog {
public:
    MainDialog();
    ~MainDialog() override;

    int OnInitDialog() override;                                              // the start-up sequence
    BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // 1 when the emulator reports emulation mode; 0 for file transfer or a failed read.
    int PollStatus();
    // 1 when SetMode succeeded. mode: 0 file transfer, 1 emulation.
    int SwitchMode(int mode);
    void ReportError(uint16_t code);
    int UploadModule(char* moduleName, int isDefault);
    void UploadInstalledModules();

    // A line for the Messages list, through the sink like every other line.
    void PostMessageLine(const char* format, ...);

    StatusBar* GetStatusBar() const { return statusBar_; }

private:
    int Connect();
    int OpenSettings();
    void ReadModuleSettings();
    void WriteModuleSettings();
    void ShowTarget();
    int ReadRecordBlock();
    void TakeRecordBlock();
    void ShowDevices();
    void ShowDeviceLine(int id, uint32_t number);
    void RestorePlacement();
    void ToggleMode();
    void Exit();
    void Help();
    void About();
    void ManageModules();
    void ShowMenuHelp(WPARAM wParam);
    void ShowModeDisplay(int emulationMode);
    void FailStartUp(const char* text);
    void ArmPollTimer(UINT interval);
    void ToggleCutPanel();
    void ChooseEmulationDevice();
    void ChooseCutter();

    ComponentLibrary library_;  // destroyed after the interfaces are released
    EmulatorSystem* system_ = nullptr;
    EmulatorDevice* device_ = nullptr;
    SettingsRegistry* settings_ = nullptr;
    SettingsKey* machineKey_ = nullptr;
    SettingsKey* userKey_ = nullptr;
    EmulatorSink* sink_ = nullptr;
    bool sinkHeld_ = false;  // start-up took the sink's own reference
    StatusBar* statusBar_ = nullptr;
    CutDiscDialog* cutPanel_ = nullptr;  // created at start-up; its window comes and goes
    UINT pollInterval_ = 0;              // the poll timer's, 0 before it is armed
    uint8_t recordBlock_[RecordBlockSize] = {};
    char* availableList_ = nullptr;
    DWORD availableSize_ = 0;
    char* installedList_ = nullptr;
    DWORD installedSize_ = 0;
    char defaultModule_[4] = {};
    char* modulePath_ = nullptr;
    DWORD modulePathSize_ = 0;
    uint32_t emulationDevice_ = 0;
    uint32_t cutter_ = 0;
    uint32_t nextLoadAddress_ = ModuleAreaTop;
    uint32_t sramFloor_ = 0;
    uint16_t moduleCount_ = 0;
    uint16_t firstHeaderWord_ = FreshFirstHeaderWord;
    DWORD configuration_[2] = {};
    uint16_t lastErrorCode_ = 0;
    uint8_t targetBlock_[TargetBlockSize] = {};
    uint8_t* deviceTable_ = recordBlock_ + DeviceTableOffset;
    int cutting_ = 0;
    int transferModeShown_ = 0;
};
