// The main window's status bar: main text, mode, state and time panes.
#pragma once
#include "framework/Control.h"

enum StatusBarMode { StatusModeEmulating = 0, StatusModeTransfer = 1, StatusModeCutting = 2 };

class StatusBar : public StatusWindow {
public:
    StatusBar();
    void OnAttach() override;

    // Each sets only what changed: most polls find the mode and state the panes already show.
    void ShowMode(int mode);
    void ShowState(const char* text);
    void ShowTime(int a, int b, int c);

private:
    void ShowPane(int pane, char* shown, size_t size, const char* text);

    int shownMode_ = -1;
    char shownState_[32] = "";
    char shownTime_[20] = "";
};
