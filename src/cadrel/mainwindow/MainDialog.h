// The main window: owns the session with the emulator, calls the control layer for everything
// it does to the box and shows what comes back.
#pragma once
#include <cstdint>
#include "control/CutStarter.h"
#include "control/EmulatorSession.h"
#include "control/ModuleSettings.h"
#include "control/ModuleUploader.h"
#include "control/Presenter.h"
#include "control/StatusReader.h"
#include "framework/Dialog.h"

class StatusBar;
class CutDiscDialog;

class MainDialog : public Dialog, public Presenter {
public:
    // cutWaitBounds: how long the cut panel waits for a cut to begin.
    explicit MainDialog(CutWaitBounds cutWaitBounds = {});
    ~MainDialog() override;

    int OnInitDialog() override;                                              // the start-up sequence
    BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // 1 when the emulator reports emulation mode; 0 for file transfer or a failed read.
    int PollStatus();
    // 1 when SetMode succeeded. mode: 0 file transfer, 1 emulation.
    int SwitchMode(int mode);

    void Line(const char* text) override;
    void Problem(const char* caption, const char* text) override;
    WaitEnd Wait(BoundedWait& wait) override;
    void ShowStatus(const StatusReport& status) override;

private:
    void FailStartUp(const char* text);
    void ShowTarget();
    void ShowDevices();
    void ShowDeviceLine(int id, uint32_t number);
    void SavePlacement();
    void RestorePlacement();
    void SaveModuleSettings();
    void EndSession();
    void ToggleMode();
    void Exit();
    void Help();
    void About();
    void ManageModules();
    void ShowMenuHelp(WPARAM wParam);
    void ShowModeDisplay(int emulationMode);
    void ShowCutEnded();
    void ArmPollTimer(UINT interval);
    void ToggleCutPanel();
    void ChooseEmulationDevice();
    void ChooseCutter();

    EmulatorSession session_{*this};
    ModuleSettings settings_;
    StatusReader reader_{session_};
    ModuleUploader uploader_{session_, reader_, settings_};
    CutWaitBounds cutWaitBounds_;
    StatusBar* statusBar_ = nullptr;
    CutDiscDialog* cutPanel_ = nullptr;  // created at start-up; its window comes and goes
    UINT pollInterval_ = 0;              // the poll timer's, 0 before it is armed
    bool settingsSaved_ = false;
    int cutting_ = 0;
    int transferModeShown_ = 0;
};
