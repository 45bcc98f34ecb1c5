// Modal runs of real dialog templates: results, owners, and no windows or memory left behind
// after many of them. (Dialogs opened from a running dialog's handler are run end to end.)
#include "UiSupport.h"
#include <psapi.h>

namespace {

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
        about.onInit = [&] { Post(about.Window(), c.message, c.wParam); };
        about.canClose = [&] {
            ownerDisabled += !IsWindowEnabled(Host());
            if (asked++ < c.refusals) Post(about.Window(), c.message, c.wParam);
            return asked > c.refusals ? 1 : 0;
        };
        EXPECT_EQ(c.expected, about.RunModal()) << "RunModal's result after " << c.how;
        EXPECT_EQ(c.refusals + 1, asked) << c.how << ": the close after a refusal must reach the dialog";
        EXPECT_EQ(asked, ownerDisabled) << "owner must be disabled while the dialog runs";
        EXPECT_TRUE(IsWindowEnabled(Host())) << "owner must be enabled again after " << c.how;
        EXPECT_FALSE(IsWindow(about.Window())) << "window must be gone after " << c.how;
    }
}

// The thread's windows and the working set, once the messages a close posted are handled.
std::pair<int, SIZE_T> Footprint()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    int windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND, LPARAM count) { return ++*reinterpret_cast<int*>(count), TRUE; }, LPARAM(&windows));
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {windows, counters.WorkingSetSize};
}

TEST_F(DialogRunner, OpenCloseCyclesLeaveWindowCountAndWorkingSetFlat)
{
    // Wine's working set moves by about half a megabyte on its own; the About box's picture, leaked
    // once per cycle, would cost over four megabytes here.
    constexpr int Cycles = 100;
    constexpr SIZE_T Tolerance = 2 * 1024 * 1024;
    const auto cycle = [&] {
        TestDialog about(IDD_ABOUT, Host());
        about.onInit = [&] { PostMessageA(about.Window(), WM_COMMAND, IDOK, 0); };
        return about.RunModal() == 1;
    };
    for (int i = 0; i < 5; ++i) cycle();  // the first openings allocate what Wine keeps for good
    const auto [windowsBefore, memoryBefore] = Footprint();
    int done = 0;
    for (int i = 0; i < Cycles; ++i) done += cycle();
    const auto [windowsAfter, memoryAfter] = Footprint();
    EXPECT_EQ(Cycles, done) << "every cycle must open and close";
    EXPECT_EQ(windowsBefore, windowsAfter) << "windows left behind";
    EXPECT_LT(memoryAfter, memoryBefore + Tolerance) << "working set before " << memoryBefore << ", after " << memoryAfter;
}

}  // namespace
