// The window side of a wait the user sits out (the box busy after an upload or the cutter
// download): the whole wait runs while the dialog initialises, painting as it goes.
#pragma once
#include "control/BoundedWait.h"
#include "framework/Dialog.h"
#include "resources/ResourceIds.h"

class BusyDialog : public Dialog {
public:
    BusyDialog(HWND owner, BoundedWait& wait, int show) : Dialog(IDD_BUSY, owner), wait_(wait), show_(show) {}

    // Runs the wait; the window is destroyed at its end, so RunModal returns 0 at once.
    int OnInitDialog() override;
    WaitEnd End() const { return end_; }

private:
    BoundedWait& wait_;
    int show_;
    WaitEnd end_ = WaitEnd::TimedOut;
};

// Runs wait in a hidden BusyDialog with no owner, as uploads and the cutter download do.
WaitEnd RunBusyWait(BoundedWait& wait);
