// Modal and modeless runs of real dialog templates: results, owners, nested loops, and no windows
// or memory left behind after many of them.
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

// What a command handler of a running modal dialog opens and closes; in every case only the
// inner dialog's own loop may end. Each case returns what the handler got back, or a negative
// value for what went wrong.
TEST_F(DialogRunner, ClosingADialogOpenedFromAHandlerEndsOnlyItsOwnLoop)
{
    struct Case { const char* what; int expected; int (*open)(HWND outer); };
    const Case cases[] = {
        {"nested modal dialog closed with OK", 1, [](HWND outer) {
             TestDialog inner(IDD_EMULATION_DEVICE, outer);
             inner.onInit = [&] { PostMessageA(inner.Window(), WM_COMMAND, IDOK, 0); };
             return inner.RunModal();
         }},
        {"modal dialog closing itself in OnInitDialog", 0, [](HWND outer) {
             TestDialog inner(IDD_CUTTER_DEVICE, outer);
             inner.onInit = [&] { inner.Close(5); };
             return inner.RunModal();  // at once: a loop entered would run until the deadline
         }},
        {"modeless dialog closed with Close", 0, [](HWND outer) {
             TestDialog inner(IDD_BUSY, outer);
             HWND window = inner.CreateModeless();
             inner.Close(3);
             return window && !IsWindow(window) ? 0 : -3;
         }},
    };
    for (const Case& c : cases) {
        TestDialog outer(IDD_ABOUT, Host());
        int innerResult = -100;
        bool outerRunsOn = false;
        outer.onInit = [&] { Post(outer.Window(), WM_COMMAND, ID_EMULATION_DEVICE); };
        outer.onCommand = [&](WPARAM command) {
            if (command != ID_EMULATION_DEVICE) return 0;
            innerResult = c.open(outer.Window());
            MSG quit;  // one left behind would end the outer loop
            outerRunsOn = IsWindowEnabled(outer.Window()) && !PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
            Post(outer.Window(), WM_COMMAND, IDCANCEL);
            return 1;
        };
        EXPECT_EQ(0, outer.RunModal()) << c.what << ": the outer dialog must end through its own Cancel";
        EXPECT_EQ(c.expected, innerResult) << c.what << ": result seen by the handler that opened it";
        EXPECT_TRUE(outerRunsOn) << c.what << ": the outer dialog must be usable again, its loop running";
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
