#include "UiSupport.h"
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <cctype>
#include <gtest/gtest.h>
#include "framework/Application.h"

namespace {
TimerScript* runningScript = nullptr;
}

TimerScript::TimerScript(std::vector<std::function<void()>> steps, UINT intervalMs, DWORD deadlineMs)
    : steps_(std::move(steps)), deadline_(GetTickCount() + deadlineMs)
{
    runningScript = this;
    timer_ = SetTimer(nullptr, 0, intervalMs, Tick);
}

TimerScript::~TimerScript()
{
    KillTimer(nullptr, timer_);
    runningScript = nullptr;
    // A quit posted by the deadline after the last loop ended must not reach the next test.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void CALLBACK TimerScript::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (runningScript)
        runningScript->RunNext();
}

void TimerScript::RunNext()
{
    if (LONG(GetTickCount() - deadline_) > 0) {
        timedOut_ = true;
        PostQuitMessage(TimedOutResult);
        return;
    }
    // A step that opens a modal dialog runs ticks from inside its own loop: do not re-enter it.
    if (running_ || Finished())
        return;
    running_ = true;
    std::function<void()> step = steps_[next_++];
    step();
    running_ = false;
}

int TestDialog::OnInitDialog()
{
    const int result = Dialog::OnInitDialog();
    if (onInit)
        onInit();
    return result;
}

int TestDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    commands.push_back(wParam);
    return onCommand ? onCommand(wParam) : 0;
}

int TestDialog::Validate()
{
    ++validateCalls;
    return validate ? validate() : 1;
}

int CountThreadWindows()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND, LPARAM counter) -> BOOL {
        ++*reinterpret_cast<int*>(counter);
        return TRUE;
    }, LPARAM(&count));
    return count;
}

SIZE_T WorkingSetBytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
}

std::string WindowText(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ItemText(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

void PumpMessages(DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    } while (LONG(GetTickCount() - end) < 0);
}

std::string CaseName(const std::string& description)
{
    std::string name;
    bool upper = true;
    for (char c : description) {
        if (isalnum(static_cast<unsigned char>(c))) {
            name += upper ? char(toupper(static_cast<unsigned char>(c))) : c;
            upper = false;
        } else {
            upper = true;
        }
    }
    return name;
}

std::string ExecutableDirectory()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

// The program's own resources are linked into this executable, so dialogs come from it exactly
// as they do in cadrel.exe.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    ModuleInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    return RUN_ALL_TESTS();
}
