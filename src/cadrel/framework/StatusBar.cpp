#include "framework/StatusBar.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include "framework/Dpi.h"
#include "resources/ResourceIds.h"

StatusBar::StatusBar() : StatusWindow(IDC_STATUS_BAR, "Welcome to Cadrel") {}

void StatusBar::OnAttach()
{
    StatusWindow::OnAttach();
    shownMode_ = -1;
    ShowMode(StatusModeEmulating);
}

void StatusBar::ShowMode(int mode)
{
    if (mode == shownMode_)
        return;
    shownMode_ = mode;
    // A change of panes may empty the state and time panes: set them again at the next poll.
    shownState_[0] = shownTime_[0] = '\0';
    static const int emulating[] = {170, 230, 290, -1};
    static const int transfer[] = {170, -1};
    static const int cutting[] = {170, 240, 290, -1};
    const int* edges = cutting;
    int panes = 4;
    const char* text = "Cutting CD";
    if (mode == StatusModeEmulating) {
        edges = emulating;
        text = "Emulating";
    } else if (mode == StatusModeTransfer) {
        edges = transfer;
        panes = 2;
        text = "File Transfer Mode";
    }
    int scaled[4];
    for (int i = 0; i < panes; ++i)
        scaled[i] = edges[i] < 0 ? edges[i] : ScalePixels(parent_, edges[i]);
    SendMessageA(handle_, SB_SETPARTS, WPARAM(panes), LPARAM(scaled));
    SendMessageA(handle_, SB_SETTEXTA, 1, LPARAM(text));
}

void StatusBar::ShowState(const char* text)
{
    ShowPane(2, shownState_, sizeof shownState_, text);
}

void StatusBar::ShowTime(int a, int b, int c)
{
    char text[20];
    snprintf(text, sizeof text, "%.2d:%.2d:%.2d", a, b, c);
    ShowPane(3, shownTime_, sizeof shownTime_, text);
}

void StatusBar::ShowPane(int pane, char* shown, size_t size, const char* text)
{
    // An empty record means the pane's text is not known.
    if (shown[0] != '\0' && strcmp(shown, text) == 0)
        return;
    snprintf(shown, size, "%s", text);
    SendMessageA(handle_, SB_SETTEXTA, WPARAM(pane), LPARAM(text));
}
