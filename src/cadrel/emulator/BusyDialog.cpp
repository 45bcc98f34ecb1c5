#include "emulator/BusyDialog.h"
#include <commctrl.h>
#include "emulator/BoundedRetry.h"
#include "emulator/DeviceLock.h"
#include "resources/ResourceIds.h"

bool BusyDialog::stayedBusy_ = false;

BusyDialog::BusyDialog(HWND owner, EmulatorDevice* device, int show, EmulatorSink* reporter)
    : Dialog(IDD_BUSY, owner), device_(device), reporter_(reporter), show_(show)
{
    device_->AddRef();
    if (reporter_)
        reporter_->AddRef();
}

BusyDialog::~BusyDialog()
{
    if (reporter_)
        reporter_->Release();
    device_->Release();
}

int BusyDialog::OnInitDialog()
{
    if (show_)
        ShowWindow(window_, SW_SHOW);
    const DWORD handle = ProcessDeviceLock->Lock(true);
    auto ready = [&] { return handle != 0 && device_->TestReady(handle, 0) >= 0; };
    auto between = [&] {
        InvalidateRect(GetDlgItem(window_, IDC_BUSY_TEXT), nullptr, TRUE);
        UpdateWindow(GetDlgItem(window_, IDC_BUSY_TEXT));
        SendDlgItemMessageA(window_, IDC_BUSY_PROGRESS, PBM_STEPIT, 0, 0);
        // Keep the windows painted during a long wait; nothing else is dispatched here.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageA(&msg);
    };
    if (handle != 0) {
        // One try while the emulator is known to be stuck: one delay and one warning in all.
        const bool answered = stayedBusy_ ? ready() : RetryWithin(TestReadyBoundMs, ready, between);
        if (!answered && !stayedBusy_ && reporter_) {
            char text[] = "WARNING, the CD Emulator stayed busy for 3 seconds. "
                          "If this goes on, switch the Emulator off then on again.";
            reporter_->Notify(1, text);
        }
        stayedBusy_ = !answered;
    }
    ProcessDeviceLock->Lock(false);
    DestroyWindow(window_);
    return 1;
}
