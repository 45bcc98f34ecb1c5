// What the window tests share: a timer-driven script that plays the user's part from inside
// whichever message loop runs, test dialogs with hooks, and readers of what a window shows.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "framework/Control.h"
#include "framework/Dialog.h"

// Runs one step per timer tick on this thread. The ticks are dispatched by whichever loop runs,
// so a step can act on a modal dialog from inside its own loop. A script that has not finished
// by its deadline ends every running loop (PostQuitMessage with TimedOutResult on each tick) so
// the test fails instead of hanging.
class TimerScript {
public:
    static constexpr int TimedOutResult = -999;
    explicit TimerScript(std::vector<std::function<void()>> steps, UINT intervalMs = 15, DWORD deadlineMs = 8000);
    ~TimerScript();
    TimerScript(const TimerScript&) = delete;
    TimerScript& operator=(const TimerScript&) = delete;

    bool Finished() const { return next_ >= steps_.size(); }
    bool TimedOut() const { return timedOut_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void RunNext();

    std::vector<std::function<void()>> steps_;
    size_t next_ = 0;
    UINT_PTR timer_ = 0;
    DWORD deadline_;
    bool timedOut_ = false;
    bool running_ = false;
};

// A dialog whose overridable operations a test can replace and count.
class TestDialog : public Dialog {
public:
    TestDialog(int templateId, HWND owner) : Dialog(templateId, owner) {}

    int OnInitDialog() override;
    int CanClose() override { return canClose ? canClose() : 1; }
    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    int Validate() override;

    std::function<void()> onInit;           // after the base initialisation
    std::function<int()> canClose;
    std::function<int(WPARAM)> onCommand;
    std::function<int()> validate;
    int validateCalls = 0;
    std::vector<WPARAM> commands;           // every command that reached OnCommand
};

// A control that records what the registry does to it and answers Retrieve as told.
class ProbeControl : public Control {
public:
    ProbeControl(int id, int retrieveResult = 1) : Control(id), retrieveResult_(retrieveResult) {}
    int Retrieve() override { ++retrieves; return retrieveResult_; }
    int Update() override { ++updates; return 1; }
    void OnAttach() override { ++attaches; }

    int retrieves = 0, updates = 0, attaches = 0;

private:
    int retrieveResult_;
};

// Top-level windows of this thread (EnumThreadWindows).
int CountThreadWindows();
SIZE_T WorkingSetBytes();
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// Dispatches this thread's messages for about the given time.
void PumpMessages(DWORD ms);
// A parameterised case's name for test lists: the letters and digits of a description.
std::string CaseName(const std::string& description);
// The directory of the running test executable, with a trailing backslash.
std::string ExecutableDirectory();
