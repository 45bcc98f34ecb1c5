// Opening and closing dialogs many times leaves no windows behind and does not grow the process.
#include "UiSupport.h"
#include <psapi.h>

namespace {

void DispatchPendingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
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

using Lifetime = HostedTest;

TEST_F(Lifetime, TwoHundredOpenCloseCyclesLeaveWindowCountAndWorkingSetFlat)
{
    constexpr int Cycles = 200;
    // Wine's working set moves by a few hundred kilobytes on its own; a leaked dialog per cycle
    // (window, controls, font, picture) would cost several megabytes over 200 cycles.
    constexpr SIZE_T Tolerance = 3 * 1024 * 1024;
    TestDialog busy(IDD_BUSY, Host());  // one object whose window comes and goes
    // cycle: true when the dialog opened and closed as the user expects
    struct Case { const char* what; std::function<bool()> cycle; };
    for (const Case& c : {
             // The main window's About command: template 106 run modally, answered with OK.
             Case{"About box", [&] {
                      TestDialog about(IDD_ABOUT, Host());
                      about.onInit = [&] { PostMessageA(about.Window(), WM_COMMAND, IDOK, 0); };
                      return about.RunModal() == 1 && IsWindowEnabled(Host());
                  }},
             Case{"modeless busy dialog", [&] {
                      HWND window = busy.CreateModeless();
                      DispatchPendingMessages();
                      busy.Close(0);
                      return window && !IsWindow(window);
                  }}}) {
        for (int i = 0; i < 5; ++i)  // the first openings allocate what Wine keeps for good
            c.cycle();
        DispatchPendingMessages();
        const int windowsBefore = CountThreadWindows();
        const SIZE_T memoryBefore = WorkingSetBytes();
        int done = 0;
        for (int i = 0; i < Cycles; ++i)
            done += c.cycle();
        DispatchPendingMessages();
        EXPECT_EQ(Cycles, done) << c.what << ": every cycle must open, close and give the owner back";
        EXPECT_EQ(windowsBefore, CountThreadWindows()) << c.what << ": windows left behind";
        EXPECT_LT(WorkingSetBytes(), memoryBefore + Tolerance)
            << c.what << ": working set before " << memoryBefore << ", after " << WorkingSetBytes();
    }
}

}  // namespace
