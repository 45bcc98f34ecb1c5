#include "cutting/CutDiscDialog.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include "common/ByteOrder.h"
#include "cutting/CutProgress.h"
#include "cutting/CutterImage.h"
#include "emulator/BusyDialog.h"
#include "emulator/DeviceLock.h"
#include "emulator/ErrorTable.h"
#include "framework/Control.h"
#include "resources/ResourceIds.h"

CutWaitBounds CutWaitLimits = {20000, 120000};

namespace {

constexpr uint16_t CutterNotReady = 0x8200;
constexpr DWORD WaitPollMs = 100;

const int PanelItems[] = {IDOK, IDC_TEST_MODE, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4};
const int MainButtons[] = {ID_MODE_TOGGLE, ID_CUT_GOLD_DISC};
const int MainMenuItems[] = {ID_MODE_TOGGLE, ID_CUT_GOLD_DISC, ID_EMULATION_MODULES, ID_EMULATION_DEVICE,
                             ID_CUTTING_DEVICE};

void ShowError(HWND window, const char* text)
{
    MessageBoxA(window, text, "Error", MB_OK | MB_ICONEXCLAMATION);
}

// shown: what the control shows, empty when not known.
void ShowText(HWND control, char* shown, size_t size, const char* text)
{
    if (shown[0] != '\0' && strcmp(shown, text) == 0)
        return;
    snprintf(shown, size, "%s", text);
    SetWindowTextA(control, text);
}

}  // namespace

CutDiscDialog::CutDiscDialog(HWND owner, uint32_t cutter, uint32_t emulationDevice, char* const* moduleDirectory,
                             EmulatorDevice* device, EmulatorSink* sink)
    : Dialog(IDD_CUT_DISC, owner), moduleDirectory_(moduleDirectory), cutter_(cutter),
      emulationDevice_(emulationDevice), device_(device), sink_(sink)
{
    device_->AddRef();
    if (sink_)
        sink_->AddRef();
    registry_.Add(new RadioGroup(&speedIndex_, 3, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4));
    registry_.Add(new CheckBox(IDC_TEST_MODE, &testMode_));
}

CutDiscDialog::~CutDiscDialog()
{
    device_->Release();
    if (sink_)
        sink_->Release();
}

int CutDiscDialog::OnInitDialog()
{
    SetDlgItemTextA(owner_, IDC_MESSAGES_GROUP, "Cut Settings");
    SetWindowPos(GetDlgItem(owner_, IDC_MESSAGES), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_HIDEWINDOW);
    SetFocus(window_);
    return Dialog::OnInitDialog();
}

void CutDiscDialog::EnableForCut(BOOL enable)
{
    for (int id : PanelItems)
        EnableWindow(GetDlgItem(window_, id), enable);
    for (int id : MainButtons)
        EnableWindow(GetDlgItem(owner_, id), enable);
    for (int id : MainMenuItems)
        EnableMenuItem(GetMenu(owner_), UINT(id), MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

int CutDiscDialog::CanClose()
{
    // Closing the panel while "Cut CD Now" waits gives the wait up; the wait then closes it.
    if (waiting_) {
        giveUp_ = true;
        return 0;
    }
    EnableForCut(TRUE);
    SetDlgItemTextA(owner_, ID_CUT_GOLD_DISC, "Cut Gold Disk");
    SetDlgItemTextA(owner_, IDC_MESSAGES_GROUP, "Messages");
    SetWindowPos(GetDlgItem(owner_, IDC_MESSAGES), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
    return 1;
}

BOOL CutDiscDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // While the wait runs, the panel's one enabled button stops it.
    if (waiting_ && message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
        giveUp_ = true;
        return TRUE;
    }
    return Dialog::HandleMessage(message, wParam, lParam);
}

void CutDiscDialog::Notify(const char* text)
{
    char line[512];
    snprintf(line, sizeof line, "%s", text);
    if (sink_)
        sink_->Notify(1, line);
}

int CutDiscDialog::ReadCutterImage(uint8_t* image, size_t* length)
{
    char path[MAX_PATH];
    const char* directory = *moduleDirectory_ ? *moduleDirectory_ : "";
    const int written = snprintf(path, sizeof path, "%s\\%s", directory, "cutcd004.bin");
    FILE* file = written > 0 && size_t(written) < sizeof path ? fopen(path, "rb") : nullptr;
    if (!file) {
        ShowError(window_, "Cutter Module not present");
        return 0;
    }
    const size_t read = fread(image, 1, CutterModuleLimit, file);
    const bool failed = ferror(file) != 0;
    fclose(file);
    char text[MAX_PATH + 200];
    if (failed) {
        snprintf(text, sizeof text, "The Cutter Module %s could not be read.\n\n"
                 "Check that no other program holds it open, then press Cut CD Now again.", path);
        ShowError(window_, text);
        return 0;
    }
    if (read == 0) {
        snprintf(text, sizeof text, "The Cutter Module %s is empty.\n\n"
                 "Copy a good cutcd004.bin into the module directory, then press Cut CD Now again.", path);
        ShowError(window_, text);
        return 0;
    }
    *length = BuildCutterImage(image, read, CutSettings{cutter_, emulationDevice_, speedIndex_, testMode_});
    return 1;
}

int CutDiscDialog::StartCut()
{
    uint8_t image[CutterImageCapacity] = {};
    size_t length = 0;
    if (!ReadCutterImage(image, &length))
        return 0;
    EnableForCut(FALSE);
    const DWORD handle = ProcessDeviceLock->Lock(true);
    if (handle == 0 || device_->DownloadCutterModule(handle, image, DWORD(length), 0, 0) < 0) {
        ShowError(window_, "Unable to download the Cutter Module");
        ProcessDeviceLock->Lock(false);
        return 1;
    }
    {
        BusyDialog busy(nullptr, device_, 0, sink_);
        busy.RunModal();
    }
    total_ = 0;
    uint8_t status[StatusBlockSize] = {};
    const WaitEnd end = WaitForCut(handle, status);
    if (end != CutBegan)
        return Abandon(end, handle);
    uint8_t block[CutProgressBlockSize] = {};
    ReadProgressBlock(block);
    ShowTotal(block);
    UpdateCutProgress(status);  // the time left shows at once, not at the next poll
    ProcessDeviceLock->Lock(false);
    return 0;
}

// Waits, with both windows painted and the poll timer ticking, until the emulator reports the
// cut running, the user gives up, or a bound runs out.
CutDiscDialog::WaitEnd CutDiscDialog::WaitForCut(DWORD handle, uint8_t* status)
{
    waiting_ = true;
    giveUp_ = false;
    ShowWaiting("Waiting for the CD Emulator to start the cut...");
    bool prompted = false;
    ULONGLONG since = GetTickCount64();
    WaitEnd end = CutBegan;
    for (;;) {
        if (!IsWindow(window_)) {  // the program is ending: the main window took the panel with it
            end = ProgramClosed;
            break;
        }
        memset(status, 0, StatusBlockSize);
        DWORD size = StatusBlockSize;
        device_->GetStatus(handle, status, &size, StatusKindStatus, 0);
        if (!prompted && LoadBE16(status + 12) == CutterNotReady) {
            ShowWaiting("Waiting for a Gold Disc in the Cutter Drive...");
            MessageBoxA(window_, "Please insert a Gold Disc into the Cutter Drive", "Insert Disk",
                        MB_OK | MB_ICONEXCLAMATION);
            prompted = true;
            since = GetTickCount64();
            device_->GetStatus(handle, status, &size, StatusKindErrorDetail, 0);
        }
        if ((status[11] & 6) == 4) {
            end = CutBegan;
            break;
        }
        if (giveUp_) {
            end = GaveUp;
            break;
        }
        if (GetTickCount64() - since >= (prompted ? CutWaitLimits.noBlankMs : CutWaitLimits.noCutterMs)) {
            end = prompted ? NoBlank : NoCutter;
            break;
        }
        if (!PumpMessages(WaitPollMs)) {
            end = ProgramClosed;
            break;
        }
    }
    waiting_ = false;
    if (end == CutBegan)
        ShowWaiting("");
    return end;
}

void CutDiscDialog::ShowWaiting(const char* text)
{
    SetDlgItemTextA(window_, IDC_CUT_WAIT, text);
    const bool waiting = text[0] != '\0';
    SetDlgItemTextA(window_, IDOK, waiting ? "Stop Waiting" : "Cut CD Now");
    // The panel's button and "Abort Cut" stop a wait; nothing else may interfere.
    EnableWindow(GetDlgItem(window_, IDOK), waiting);
    EnableWindow(GetDlgItem(owner_, ID_CUT_GOLD_DISC), waiting);
    EnableMenuItem(GetMenu(owner_), ID_CUT_GOLD_DISC, MF_BYCOMMAND | (waiting ? MF_ENABLED : MF_GRAYED));
}

// Dispatches messages for up to ms; false when the program is ending (the quit message is put
// back for the main loop).
bool CutDiscDialog::PumpMessages(DWORD ms)
{
    const ULONGLONG until = GetTickCount64() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(int(msg.wParam));
                return false;
            }
            if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)) {
                // Escape gives up; Enter only on the panel's button, never the main window's.
                if (msg.wParam == VK_ESCAPE || GetFocus() == GetDlgItem(window_, IDOK))
                    giveUp_ = true;
                continue;
            }
            if (!IsDialogMessageA(owner_, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        const ULONGLONG now = GetTickCount64();
        if (giveUp_ || now >= until)
            return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(until - now), QS_ALLINPUT);
    }
}

int CutDiscDialog::Abandon(WaitEnd why, DWORD handle)
{
    // The emulator still holds the cutter module and would cut as soon as a blank went in.
    if (device_->Reset(handle, 0) < 0)
        Notify(ResetFailedWarning);
    ProcessDeviceLock->Lock(false);
    if (why == ProgramClosed)
        return 0;
    char text[300];
    switch (why) {
    case NoCutter:
        snprintf(text, sizeof text, "WARNING, the CD Emulator did not start the cut within %lu seconds. "
                 "Check that the Cutter Drive is connected and switched on, then press Cut CD Now again.",
                 static_cast<unsigned long>(CutWaitLimits.noCutterMs / 1000));
        break;
    case NoBlank:
        snprintf(text, sizeof text, "WARNING, no Gold Disc was inserted within %lu seconds, so no cut was made. "
                 "Put a blank Gold Disc into the Cutter Drive, then press Cut CD Now again.",
                 static_cast<unsigned long>(CutWaitLimits.noBlankMs / 1000));
        break;
    default:
        snprintf(text, sizeof text, "Cut stopped before it began: nothing was written, and the CD Emulator was reset.");
        break;
    }
    Notify(text);
    return 1;
}

void CutDiscDialog::ReadProgressBlock(uint8_t* block)
{
    DWORD size = CutProgressBlockSize;
    const DWORD handle = ProcessDeviceLock->Lock(true);
    device_->GetStatus(handle, block, &size, StatusKindCutProgress, 0);
    ProcessDeviceLock->Lock(false);
}

void CutDiscDialog::ShowTotal(const uint8_t* progressBlock)
{
    total_ = CutTotal(progressBlock);
    char text[16];
    snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(total_));
    SetDlgItemTextA(window_, IDC_CUT_TOTAL, text);
    SendDlgItemMessageA(window_, IDC_CUT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, total_ / 100));
    shown_.window = nullptr;  // a new range may move the bar: set everything at the next update
}

void CutDiscDialog::ResumeCut()
{
    EnableForCut(FALSE);
    uint8_t block[CutProgressBlockSize] = {};
    ReadProgressBlock(block);
    speedIndex_ = LoadBE16(block + 8);
    testMode_ = LoadBE16(block + 10);
    registry_.UpdateAll();
    ShowTotal(block);
}

void CutDiscDialog::UpdateCutProgress(const uint8_t* statusBlock)
{
    const CutProgress progress = ComputeCutProgress(statusBlock, total_, speedIndex_);
    // A text set repaints even when it is the same, and most polls move only the count.
    if (shown_.window != window_) {
        shown_ = ShownProgress{};
        shown_.window = window_;
        shown_.bar = GetDlgItem(window_, IDC_CUT_PROGRESS);
        shown_.current = GetDlgItem(window_, IDC_CUT_CURRENT);
        shown_.time = GetDlgItem(window_, IDC_CUT_TIME);
    }
    if (shown_.barPosition != int64_t(progress.barPosition)) {
        shown_.barPosition = progress.barPosition;
        SendMessageA(shown_.bar, PBM_SETPOS, WPARAM(progress.barPosition), 0);
    }
    char text[16];
    snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(progress.position));
    ShowText(shown_.current, shown_.currentText, sizeof shown_.currentText, text);
    snprintf(text, sizeof text, "%lu:%02lu", static_cast<unsigned long>(progress.secondsLeft / 60),
             static_cast<unsigned long>(progress.secondsLeft % 60));
    ShowText(shown_.time, shown_.timeText, sizeof shown_.timeText, text);
}
