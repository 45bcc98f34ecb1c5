#include "cutting/CutDiscDialog.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include "control/EmulatorSession.h"
#include "cutting/CutProgress.h"
#include "emulator/BusyDialog.h"
#include "framework/Control.h"
#include "resources/ResourceIds.h"

namespace {

const int PanelItems[] = {IDOK, IDC_TEST_MODE, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4};
const int MainButtons[] = {ID_MODE_TOGGLE, ID_CUT_GOLD_DISC};
const int MainMenuItems[] = {ID_MODE_TOGGLE, ID_CUT_GOLD_DISC, ID_EMULATION_MODULES, ID_EMULATION_DEVICE,
                             ID_CUTTING_DEVICE};

// shown: what the control shows, empty when not known.
void ShowText(HWND control, char* shown, size_t size, const char* text)
{
    if (shown[0] != '\0' && strcmp(shown, text) == 0)
        return;
    snprintf(shown, size, "%s", text);
    SetWindowTextA(control, text);
}

}  // namespace

CutDiscDialog::CutDiscDialog(HWND owner, EmulatorSession& session, CutStarter starter)
    : Dialog(IDD_CUT_DISC, owner), session_(session), starter_(std::move(starter))
{
    registry_.Add(new RadioGroup(&speedIndex_, 3, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4));
    registry_.Add(new CheckBox(IDC_TEST_MODE, &testMode_));
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

void CutDiscDialog::Line(const char* text)
{
    session_.Front().Line(text);
}

void CutDiscDialog::Problem(const char* caption, const char* text)
{
    MessageBoxA(window_, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

void CutDiscDialog::ShowStatus(const StatusReport& status)
{
    session_.Front().ShowStatus(status);
}

int CutDiscDialog::StartCut()
{
    if (!starter_.ReadImage(speedIndex_, testMode_, *this))
        return 0;
    EnableForCut(FALSE);
    const CutStarter::Outcome outcome = starter_.Begin(*this);
    switch (outcome.end) {
    case CutStarter::Began:
        ShowWaiting("");
        ShowTotal(outcome.totalKnown, outcome.total);
        UpdateCutProgress(outcome.status);  // the time left shows at once, not at the next poll
        return 0;
    case CutStarter::ProgramClosing:
        return 0;
    default:  // refused or given up: the panel closes and gives the main window back
        return 1;
    }
}

// While the box is busy the panel only stays painted; while the cut has yet to begin, the whole
// program runs (the poll ticks, the panel's button and Escape give the wait up).
WaitEnd CutDiscDialog::Wait(BoundedWait& wait)
{
    if (!wait.Stoppable())
        return RunBusyWait(wait);
    waiting_ = true;
    giveUp_ = false;
    closing_ = false;
    ShowWaiting(wait.What());
    WaitEnd end = wait.Run([this](DWORD ms) {
        // The program is ending when the main window took the panel with it.
        closing_ = !IsWindow(window_) || !PumpMessages(ms);
        return !closing_ && !giveUp_;
    });
    waiting_ = false;
    if (end == WaitEnd::Stopped && closing_)
        end = WaitEnd::Closing;
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

// Dispatches messages for up to ms, or until the main window's poll; false when the program is
// ending (the quit message is put back for the main loop).
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
            // The main window has just polled: the wait reads the box in the same wake-up, so the
            // program wakes once a tick, not twice.
            if (msg.message == WM_TIMER && msg.hwnd == owner_)
                return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (giveUp_ || now >= until)
            return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(until - now), QS_ALLINPUT);
    }
}

// A total the box would not give is asked for again at each poll; until then the panel shows
// neither a total nor a time left, rather than wrong ones.
void CutDiscDialog::ShowTotal(bool known, uint32_t total)
{
    totalKnown_ = known;
    total_ = known ? total : 0;
    char text[16] = "";
    if (known)
        snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(total_));
    SetDlgItemTextA(window_, IDC_CUT_TOTAL, text);
    SendDlgItemMessageA(window_, IDC_CUT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, total_ / 100));
    shown_.window = nullptr;  // a new range may move the bar: set everything at the next update
}

void CutDiscDialog::ResumeCut()
{
    EnableForCut(FALSE);
    const CutStarter::RunningCut cut = starter_.ReadRunningCut();
    speedIndex_ = cut.speedIndex;
    testMode_ = cut.testMode;
    registry_.UpdateAll();
    ShowTotal(cut.known, cut.total);
}

void CutDiscDialog::UpdateCutProgress(const uint8_t* statusBlock)
{
    if (!totalKnown_) {
        const CutStarter::RunningCut cut = starter_.ReadRunningCut();
        if (cut.known) {
            speedIndex_ = cut.speedIndex;
            testMode_ = cut.testMode;
            registry_.UpdateAll();
            ShowTotal(true, cut.total);
        }
    }
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
    text[0] = '\0';
    if (totalKnown_)
        snprintf(text, sizeof text, "%lu:%02lu", static_cast<unsigned long>(progress.secondsLeft / 60),
                 static_cast<unsigned long>(progress.secondsLeft % 60));
    ShowText(shown_.time, shown_.timeText, sizeof shown_.timeText, text);
}
