// What the window tests share: a timer-driven script that plays the user's part from inside
// whichever message loop runs, a test dialog with hooks, and the main window as an owner.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <functional>
#include <vector>
#include "framework/Dialog.h"
#include "resources/ResourceIds.h"

// Runs one step per timer tick, dispatched by whichever loop runs, so a step can act on a modal
// dialog from inside its own loop. A script not finished within 8 s ends every running loop, so
// RunModal gives -999: the test fails instead of hanging.
class TimerScript {
public:
    explicit TimerScript(std::vector<std::function<void()>> steps)
        : steps_(std::move(steps)), timer_(SetTimer(nullptr, 0, 15, Tick)), deadline_(GetTickCount() + 8000)
    {
        running = this;
    }
    ~TimerScript()
    {
        KillTimer(nullptr, timer_);
        running = nullptr;
        MSG msg;  // a quit posted after the last loop ended must not reach the next test
        while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE) || PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (running && LONG(GetTickCount() - running->deadline_) > 0)
            PostQuitMessage(-999);
        else if (running && running->next_ < running->steps_.size())
            running->steps_[running->next_++]();
    }
    static inline TimerScript* running = nullptr;
    std::vector<std::function<void()>> steps_;
    size_t next_ = 0;
    UINT_PTR timer_;
    DWORD deadline_;
};

// A dialog whose initialisation, close check and commands a test can replace.
class TestDialog : public Dialog {
public:
    TestDialog(int templateId, HWND owner) : Dialog(templateId, owner) {}
    int OnInitDialog() override
    {
        const int result = Dialog::OnInitDialog();
        if (onInit) onInit();
        return result;
    }
    int CanClose() override { return canClose ? canClose() : 1; }
    int OnCommand(WPARAM wParam, LPARAM) override { return onCommand ? onCommand(wParam) : 0; }
    std::function<void()> onInit;
    std::function<int()> canClose;
    std::function<int(WPARAM)> onCommand;
};

// The main window's template, shown modeless, owns the dialogs under test.
class HostedTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, host.CreateModeless()) << "main window template did not load"; }
    void TearDown() override { host.Close(0); }
    HWND Host() const { return host.Window(); }
    TestDialog host{IDD_MAIN, nullptr};
};
