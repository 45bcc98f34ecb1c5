// The main window: information lines, Messages list, mode and cut buttons, status bar.
#pragma once
#include "framework/Dialog.h"

class StatusBar;

class MainDialog : public Dialog {
public:
    MainDialog();
    ~MainDialog() override;

    int OnInitDialog() override;
    BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    StatusBar* GetStatusBar() const { return statusBar_; }

private:
    void Exit();
    void ShowMenuHelp(WPARAM wParam);

    StatusBar* statusBar_ = nullptr;
};
