// The one counted lock around device calls: the access handle is taken when the first level is
// taken and given back when the last is dropped, so nested levels keep it.
#pragma once
#include "interface/EmulatorInterfaces.h"

class DeviceLock {
public:
    // reporter receives the warning when the handle cannot be had; may be null.
    DeviceLock(EmulatorDevice* device, EmulatorSink* reporter);
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;
    ~DeviceLock();

    // take: one level more, returns the handle (0 when none could be had). !take: one level less;
    // returns the handle, or 0 when giving it back failed.
    DWORD Lock(bool take);
    DWORD GetHandle() const { return handle_; }

private:
    void Acquire();

    EmulatorDevice* device_;
    EmulatorSink* reporter_;
    DWORD handle_ = 0;
    DWORD count_ = 0;
    bool refused_ = false;  // the last acquisition ran out of time: try once until one succeeds
};

// Created by the main window at start-up, destroyed with it.
extern DeviceLock* ProcessDeviceLock;
