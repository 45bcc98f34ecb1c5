#include "framework/StatusBar.h"
#include <commctrl.h>
#include <cstdio>
#include "framework/Dpi.h"
#include "resources/ResourceIds.h"

StatusBar::StatusBar() : StatusWindow(IDC_STATUS_BAR, "Welcome to Cadrel") {}

void StatusBar::OnAttach()
{
    StatusWindow::OnAttach();
    ShowMode(StatusModeEmulating);
}

void StatusBar::ShowMode(int mode)
{
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
    SendMessageA(handle_, SB_SETTEXTA, 2, LPARAM(text));
}

void StatusBar::ShowTime(int a, int b, int c)
{
    char text[20];
    snprintf(text, sizeof text, "%.2d:%.2d:%.2d", a, b, c);
    SendMessageA(handle_, SB_SETTEXTA, 3, LPARAM(text));
}
