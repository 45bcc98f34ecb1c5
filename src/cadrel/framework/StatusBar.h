// The main window's status bar: main text, mode, state and time panes.
#pragma once
#include "framework/Control.h"

enum StatusBarMode { StatusModeEmulating = 0, StatusModeTransfer = 1, StatusModeCutting = 2 };

class StatusBar : public StatusWindow {
public:
    StatusBar();
    void OnAttach() override;

    void ShowMode(int mode);
    void ShowState(const char* text);
    void ShowTime(int a, int b, int c);
};
