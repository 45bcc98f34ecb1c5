// Modal runs of real dialog templates: results, owners, and no windows or memory left behind
// after many of them. (Dialogs opened from a running dialog's handler are run end to end.)
#include "UiSupport.h"
#include <psapi.h>

using DialogRunner = HostedTest;

// A CanClose that refuses keeps the dialog open, its owner disabled and its loop running: the
// repeated close it posts is dispatched by that loop, and then allowed.
TEST_F(DialogRunner, RunModalGivesOneForOkAndZeroForCancelAndFreesTheOwnerOnlyWhenClosed)
{
    struct Case { const char* how; UINT message; WPARAM wParam; int refusals, expected; };  // refusals: how often CanClose says no
    for (const Case& c : {Case{"OK button", WM_COMMAND, IDOK, 0, 1}, Case{"Cancel button", WM_COMMAND, IDCANCEL, 0, 0},
                          Case{"Enter key", WM_KEYDOWN, VK_RETURN, 0, 1}, Case{"Escape key", WM_KEYDOWN, VK_ESCAPE, 0, 0},
                          Case{"close box", WM_SYSCOMMAND, SC_CLOSE, 0, 0}, Case{"OK refused once", WM_COMMAND, IDOK, 1, 1},
                          Case{"Cancel refused once", WM_COMMAND, IDCANCEL, 1, 0}}) {
        TestDialog about(IDD_ABOUT, Host());
        int asked = 0, ownerDisabled = 0;
        about.onInit = [&] { PostMessageA(about.Window(), c.message, c.wParam, 0); };
        about.canClose = [&] {
            ownerDisabled += !IsWindowEnabled(Host());
            if (asked++ < c.refusals) PostMessageA(about.Window(), c.message, c.wParam, 0);
            return asked > c.refusals ? 1 : 0;
        };
        EXPECT_EQ(c.expected, about.RunModal()) << "RunModal's result after " << c.how;
        EXPECT_EQ(c.refusals + 1, asked) << c.how << ": the close after a refusal must reach the dialog";
        EXPECT_EQ(asked, ownerDisabled) << "owner must be disabled while the dialog runs";
        EXPECT_TRUE(IsWindowEnabled(Host()) && !IsWindow(about.Window())) << "owner enabled and window gone after " << c.how;
    }
}

// Wine's working set drifts by about 0.5 MB; the About picture leaked per cycle would add over 4 MB.
TEST_F(DialogRunner, OpenCloseCyclesLeaveWindowCountAndWorkingSetFlat)
{
    const auto cycle = [&] {
        TestDialog about(IDD_ABOUT, Host());
        about.onInit = [&] { PostMessageA(about.Window(), WM_COMMAND, IDOK, 0); };
        return about.RunModal() == 1;
    };
    const auto footprint = [] {  // the thread's windows and the working set, once pending messages are handled
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        int windows = 0;
        EnumThreadWindows(GetCurrentThreadId(), [](HWND, LPARAM count) { return ++*reinterpret_cast<int*>(count), TRUE; }, LPARAM(&windows));
        PROCESS_MEMORY_COUNTERS counters{sizeof counters, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
        return std::pair{windows, counters.WorkingSetSize};
    };
    for (int i = 0; i < 5; ++i) cycle();  // the first openings allocate what Wine keeps for good
    const auto [windowsBefore, memoryBefore] = footprint();
    int done = 0;
    for (int i = 0; i < 100; ++i) done += cycle();
    const auto [windowsAfter, memoryAfter] = footprint();
    EXPECT_EQ(100, done) << "every cycle must open and close";
    EXPECT_EQ(windowsBefore, windowsAfter) << "windows left behind";
    EXPECT_LT(memoryAfter, memoryBefore + 2 * 1024 * 1024) << "working set before " << memoryBefore << ", after " << memoryAfter;
}
