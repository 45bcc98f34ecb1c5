// Waits until the emulator answers TestReady, after an upload or the cutter download.
#pragma once
#include "interface/EmulatorInterfaces.h"
#include "framework/Dialog.h"

class BusyDialog : public Dialog {
public:
    // reporter receives the warning when the wait runs out of time; may be null.
    BusyDialog(HWND owner, EmulatorDevice* device, int show, EmulatorSink* reporter = nullptr);
    ~BusyDialog() override;

    // The whole wait; the window is destroyed at its end, so RunModal returns 0 at once.
    int OnInitDialog() override;

private:
    EmulatorDevice* device_;
    EmulatorSink* reporter_;
    int show_;
    // The last wait ran out of time; later waits try once until the emulator answers again.
    static bool stayedBusy_;
};
