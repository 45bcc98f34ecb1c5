// The connection to the box: the component library, its interfaces, the settings keys, the sink
// and the one DeviceLock, with the operations the rest of the control layer builds on.
#pragma once
#include <cstdint>
#include <memory>
#include "control/ComRef.h"
#include "control/ComponentLibrary.h"
#include "control/DeviceLock.h"

class Presenter;

class EmulatorSession {
public:
    // presenter shows the lines and problems of every operation that is not given its own.
    explicit EmulatorSession(Presenter& presenter, TamberCOCreateInstanceFn factory = nullptr);
    EmulatorSession(const EmulatorSession&) = delete;
    EmulatorSession& operator=(const EmulatorSession&) = delete;
    ~EmulatorSession() { Close(); }

    enum OpenResult { Opened, EmulatorFailed, SettingsFailed };
    // What the user is told when Open fails.
    static const char* OpenFailureText(OpenResult result);
    // Connects with sink as the box's callback (the session keeps a reference), opens the settings
    // keys and makes the DeviceLock. The first failing step ends it.
    OpenResult Open(EmulatorSink* sink);
    // Gives a held handle back and releases everything in turn: sink, device, system, settings.
    void Close();

    // Reads the target block afresh (under a lock level of its own); a refused read keeps it.
    void ReadTarget();
    uint8_t TargetKind() const { return targetBlock_[39]; }
    // The box holds no module record data (target block bytes 36 and 37 both 0xFF).
    bool HoldsNoModuleData() const { return targetBlock_[36] == 0xFF && targetBlock_[37] == 0xFF; }

    // The 512-byte record block from SRAM, retried within its bound; the caller holds a lock
    // level. On failure the block is left cleared and the user is told.
    int ReadRecordBlock(uint8_t* block);
    // SetMode after a successful QueryMode: 1 when the box took the switch. mode: 0 file transfer,
    // 1 emulation, on the emulation device the session holds.
    int SwitchMode(int mode);
    // 1 when the box took the reset; otherwise presenter is told.
    int Reset(Presenter& presenter);
    // Until the box answers TestReady, within its bound; presenter keeps its front end alive.
    void WaitUntilReady(Presenter& presenter);

    // The window placement the user key keeps.
    int ReadWindowPlacement(BYTE* data, DWORD* size);
    void WriteWindowPlacement(const BYTE* data, DWORD size);

    EmulatorDevice* Device() const { return device_.Get(); }
    SettingsKey* MachineKey() const { return machineKey_.Get(); }
    SettingsKey* UserKey() const { return userKey_.Get(); }
    EmulatorSink* Sink() const { return sink_.Get(); }
    DeviceLock& Lock() { return *lock_; }
    Presenter& Front() const { return presenter_; }
    // 1-based positions in the device table, 0 for none; the device dialogs write them.
    uint32_t& EmulationDevice() { return emulationDevice_; }
    uint32_t& Cutter() { return cutter_; }

private:
    Presenter& presenter_;
    ComponentLibrary library_;  // freed after every interface is released
    ComRef<EmulatorSink> sink_;
    ComRef<EmulatorSystem> system_;
    ComRef<EmulatorDevice> device_;
    ComRef<SettingsRegistry> registry_;
    ComRef<SettingsKey> machineKey_;
    ComRef<SettingsKey> userKey_;
    std::unique_ptr<DeviceLock> lock_;
    DWORD configuration_[2] = {};
    uint8_t targetBlock_[TargetBlockSize] = {};
    uint32_t emulationDevice_ = 0;
    uint32_t cutter_ = 0;
};
