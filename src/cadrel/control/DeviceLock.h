// The one counted lock around device calls: the access handle is taken when the first level is
// taken and given back when the last is dropped, so nested levels keep it. It also remembers
// whether the box was last found stuck, so that a stuck box costs one delay and one warning,
// not one per module or per poll.
#pragma once
#include "control/ComRef.h"

class Presenter;

class DeviceLock {
public:
    // reporter receives the warning when the handle cannot be had.
    DeviceLock(EmulatorDevice* device, Presenter& reporter);
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;
    ~DeviceLock();

    // take: one level more, returns the handle (0 when none could be had). !take: one level less;
    // returns the handle, or 0 when giving it back failed.
    DWORD Lock(bool take);
    DWORD GetHandle() const { return handle_; }
    // The last try to take the handle ran out of time (the box is busy with another program, or
    // does not answer).
    bool TimedOut() const { return refused_; }

    // The last wait for the box to be ready ran out of time: later waits try once until it answers.
    bool StayedBusy() const { return stayedBusy_; }
    void SetStayedBusy(bool stayed) { stayedBusy_ = stayed; }

private:
    void Acquire();

    ComRef<EmulatorDevice> device_;
    Presenter& reporter_;
    DWORD handle_ = 0;
    DWORD count_ = 0;
    bool refused_ = false;  // the last acquisition ran out of time: try once until one succeeds
    bool stayedBusy_ = false;
};
