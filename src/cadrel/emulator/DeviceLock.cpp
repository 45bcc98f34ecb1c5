#include "emulator/DeviceLock.h"
#include "emulator/BoundedRetry.h"

DeviceLock* ProcessDeviceLock = nullptr;

DeviceLock::DeviceLock(EmulatorDevice* device, EmulatorSink* reporter) : device_(device), reporter_(reporter)
{
    device_->AddRef();
    if (reporter_)
        reporter_->AddRef();
}

DeviceLock::~DeviceLock()
{
    if (count_ != 0 && handle_ != 0)
        device_->ReleaseHandle(handle_, 0, 0);
    if (reporter_)
        reporter_->Release();
    device_->Release();
}

void DeviceLock::Acquire()
{
    auto attempt = [this] {
        DWORD handle = 0;
        if (device_->AcquireHandle(0, &handle, 0, 0) >= 0 && handle != 0) {
            handle_ = handle;
            return true;
        }
        return false;
    };
    // After one timeout, a single try per level: polling must not freeze the window again.
    const bool got = refused_ ? attempt() : RetryWithin(AcquireHandleBoundMs, attempt);
    if (got) {
        refused_ = false;
        return;
    }
    if (!refused_ && reporter_) {
        char text[] = "WARNING, the CD Emulator gave no access for 2 seconds. "
                      "Check that it is switched on and connected.";
        reporter_->Notify(1, text);
    }
    refused_ = true;
}

DWORD DeviceLock::Lock(bool take)
{
    if (take) {
        if (count_++ == 0)
            Acquire();
        return handle_;
    }
    if (count_ == 0)
        return 0;
    if (--count_ > 0)
        return handle_;
    const DWORD handle = handle_;
    handle_ = 0;
    if (handle == 0 || device_->ReleaseHandle(handle, 0, 0) < 0)
        return 0;
    return handle;
}
