// The yardsticks of tools/bench-poll: Cadrel's own main window and cut panel, from its resource
// script, showing on a 100 ms timer what Cadrel shows, with no emulator behind them.
//   bench_yardstick play|cut
// play: the state and time panes of a playing Saturn. cut: the status bar, the progress bar,
// "Cut:" and the time remaining of the x4 cut that tools/bench-poll's cut.state describes.
// Each item is written when what it shows changes, as often as Cadrel's changes: the least a
// window can do to show the same.
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include "resources/ResourceIds.h"

namespace {

// The cut of tools/bench-poll: 270000 sectors at x4 (300 a second), five minutes in: Ready 1 s
// and LeadIn 3 s behind it, 296 s of writing done.
constexpr unsigned CutTotal = 270000;
constexpr unsigned CutFactor = 4;
constexpr unsigned CutFirstShown = 296 * 300;

bool cutting = false;
HWND statusBar = nullptr, panel = nullptr, progress = nullptr, cutText = nullptr, leftText = nullptr;
ULONGLONG started = 0;

// What each item shows now, so that a write happens only when it changes.
char shownPane[4][32];
char shownCut[16];
char shownLeft[16];
unsigned shownBar = 0;

void SetPane(int pane, const char* text)
{
    if (strcmp(shownPane[pane], text) == 0)
        return;
    snprintf(shownPane[pane], sizeof shownPane[pane], "%s", text);
    SendMessageA(statusBar, SB_SETTEXTA, WPARAM(pane), LPARAM(text));
}

void SetText(HWND control, char* shown, size_t size, const char* text)
{
    if (strcmp(shown, text) == 0)
        return;
    snprintf(shown, size, "%s", text);
    SetWindowTextA(control, text);
}

void ShowSector(unsigned sector)
{
    char text[20];
    snprintf(text, sizeof text, "%.2u:%.2u:%.2u", sector / 75 / 60, sector / 75 % 60, sector % 75);
    SetPane(3, text);
}

void Tick()
{
    const ULONGLONG ms = GetTickCount64() - started;
    if (!cutting) {
        SetPane(2, "Play");
        ShowSector(unsigned(ms * 75 / 1000));
        return;
    }
    unsigned sector = CutFirstShown + unsigned(ms * 75 * CutFactor / 1000);
    if (sector > CutTotal)
        sector = CutTotal;
    SetPane(1, "Cutting CD");
    if (sector / 100 != shownBar) {
        shownBar = sector / 100;
        SendMessageA(progress, PBM_SETPOS, WPARAM(shownBar), 0);
    }
    char text[16];
    snprintf(text, sizeof text, "%u", sector);
    SetText(cutText, shownCut, sizeof shownCut, text);
    const unsigned left = (CutTotal / CutFactor - sector / CutFactor) / 75;
    snprintf(text, sizeof text, "%u:%02u", left / 60, left % 60);
    SetText(leftText, shownLeft, sizeof shownLeft, text);
    SetPane(2, "Writing");
    ShowSector(sector);
}

INT_PTR CALLBACK PanelProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The cut panel as Cadrel lays it over the Messages list for a running x4 test cut.
void OpenPanel(HWND window)
{
    panel = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CUT_DISC), window, PanelProc, 0);
    SetDlgItemTextA(window, IDC_MESSAGES_GROUP, "Cut Settings");
    ShowWindow(GetDlgItem(window, IDC_MESSAGES), SW_HIDE);
    static const int panelItems[] = {IDOK, IDC_TEST_MODE, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4};
    for (int id : panelItems)
        EnableWindow(GetDlgItem(panel, id), FALSE);
    EnableWindow(GetDlgItem(window, ID_MODE_TOGGLE), FALSE);
    EnableWindow(GetDlgItem(window, ID_CUT_GOLD_DISC), FALSE);
    CheckDlgButton(panel, IDC_SPEED_X4, BST_CHECKED);
    CheckDlgButton(panel, IDC_TEST_MODE, BST_CHECKED);
    char text[16];
    snprintf(text, sizeof text, "%u", CutTotal);
    SetDlgItemTextA(panel, IDC_CUT_TOTAL, text);
    progress = GetDlgItem(panel, IDC_CUT_PROGRESS);
    SendMessageA(progress, PBM_SETRANGE, 0, MAKELPARAM(0, CutTotal / 100));
    cutText = GetDlgItem(panel, IDC_CUT_CURRENT);
    leftText = GetDlgItem(panel, IDC_CUT_TIME);
    ShowWindow(panel, SW_SHOW);
}

INT_PTR CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        static const int emulating[] = {170, 230, 290, -1};
        static const int cut[] = {170, 240, 290, -1};
        SetWindowTextA(window, cutting ? "Cut yardstick" : "Poll yardstick");
        statusBar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "Welcome to Cadrel", window, IDC_STATUS_BAR);
        SendMessageA(statusBar, SB_SETPARTS, 4, LPARAM(cutting ? cut : emulating));
        SetPane(1, "Emulating");
        if (cutting)
            OpenPanel(window);
        started = GetTickCount64();
        Tick();
        SetTimer(window, 1, 100, nullptr);
        return TRUE;
    }
    case WM_TIMER:
        Tick();
        return TRUE;
    case WM_COMMAND:
        if (wParam == ID_EXIT || wParam == IDCANCEL)
            PostQuitMessage(0);
        return TRUE;
    case WM_CLOSE:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    cutting = argc > 1 && strcmp(argv[1], "cut") == 0;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // Built and run as Cadrel runs its main window: modeless, with its own message loop.
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainProc, 0);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOW);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) == 1) {
        if (!IsDialogMessageA(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
