#include "control/DeviceLock.h"
#include "control/BoundedWait.h"
#include "control/Presenter.h"

DeviceLock::DeviceLock(EmulatorDevice* device, Presenter& reporter)
    : device_(ComRef<EmulatorDevice>::Share(device)), reporter_(reporter)
{
}

DeviceLock::~DeviceLock()
{
    if (count_ != 0 && handle_ != 0)
        device_->ReleaseHandle(handle_, 0, 0);
}

void DeviceLock::Acquire()
{
    // After one timeout, a single try per level: polling must not freeze the window again.
    BoundedWait wait(refused_ ? 0 : AcquireHandleBoundMs, [this] {
        DWORD handle = 0;
        if (device_->AcquireHandle(0, &handle, 0, 0) >= 0 && handle != 0) {
            handle_ = handle;
            return true;
        }
        return false;
    });
    if (wait.Run() == WaitEnd::Done) {
        refused_ = false;
        return;
    }
    if (!refused_)
        PostLine(reporter_, "WARNING, the CD Emulator gave no access for %lu seconds. "
                            "Check that it is switched on and connected.",
                 static_cast<unsigned long>(AcquireHandleBoundMs / 1000));
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
