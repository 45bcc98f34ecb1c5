#include "emulator/BusyDialog.h"
#include <commctrl.h>

int BusyDialog::OnInitDialog()
{
    if (show_)
        ShowWindow(window_, SW_SHOW);
    end_ = wait_.Run([this](DWORD ms) {
        InvalidateRect(GetDlgItem(window_, IDC_BUSY_TEXT), nullptr, TRUE);
        UpdateWindow(GetDlgItem(window_, IDC_BUSY_TEXT));
        SendDlgItemMessageA(window_, IDC_BUSY_PROGRESS, PBM_STEPIT, 0, 0);
        // Keep the windows painted during a long wait; nothing else is dispatched here.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageA(&msg);
        if (ms)
            Sleep(ms);
        return true;
    });
    DestroyWindow(window_);
    return 1;
}

WaitEnd RunBusyWait(BoundedWait& wait)
{
    BusyDialog busy(nullptr, wait, 0);
    busy.RunModal();
    return busy.End();
}
