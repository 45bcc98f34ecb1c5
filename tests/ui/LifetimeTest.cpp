// Opening and closing dialogs many times leaves no windows behind and does not grow the process.
#include <gtest/gtest.h>
#include "UiSupport.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int Cycles = 200;
// Wine's working set moves by a few hundred kilobytes on its own; a leaked dialog per cycle
// (window, controls, font, picture) would cost several megabytes over 200 cycles.
constexpr SIZE_T WorkingSetTolerance = 3 * 1024 * 1024;

// Answers every About box as soon as it is created, as the user's OK would: the posted OK waits in
// the queue until the dialog's own loop takes it. Creation, unlike activation, does not depend on
// which window the display lets have the focus.
HHOOK aboutHook = nullptr;
int aboutAnswered = 0;

LRESULT CALLBACK AnswerAbout(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        if (create->lpszName && !IS_INTRESOURCE(create->lpszName) && lstrcmpA(create->lpszName, "About Cadrel") == 0) {
            PostMessageA(HWND(wParam), WM_COMMAND, IDOK, 0);
            ++aboutAnswered;
        }
    }
    return CallNextHookEx(aboutHook, code, wParam, lParam);
}

int CountChildren(HWND parent)
{
    int count = 0;
    EnumChildWindows(parent, [](HWND, LPARAM counter) -> BOOL {
        ++*reinterpret_cast<int*>(counter);
        return TRUE;
    }, LPARAM(&count));
    return count;
}

class Lifetime : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, host.CreateModeless()); }
    void TearDown() override
    {
        host.Close(0);
        PumpMessages(10);
    }
    TestDialog host{IDD_MAIN, nullptr};
};

TEST_F(Lifetime, AboutBoxOpenedAndClosedManyTimesLeavesNothingBehind)
{
    aboutHook = SetWindowsHookExA(WH_CBT, AnswerAbout, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, aboutHook);
    TimerScript watchdog({}, 1000, 60000);
    // The About command of the main window: a plain Dialog on template 106, owned by it.
    auto cycle = [&] {
        Dialog about(IDD_ABOUT, host.Window());
        return about.RunModal();
    };
    for (int i = 0; i < 20; ++i)
        cycle();
    PumpMessages(50);
    const int windowsBefore = CountThreadWindows();
    const SIZE_T memoryBefore = WorkingSetBytes();
    aboutAnswered = 0;
    int okResults = 0;
    for (int i = 0; i < Cycles && !watchdog.TimedOut(); ++i)
        okResults += cycle();
    PumpMessages(50);
    UnhookWindowsHookEx(aboutHook);

    EXPECT_FALSE(watchdog.TimedOut());
    EXPECT_EQ(Cycles, aboutAnswered);
    EXPECT_EQ(Cycles, okResults) << "every run must end through OK with 1";
    EXPECT_EQ(windowsBefore, CountThreadWindows());
    EXPECT_LT(WorkingSetBytes(), memoryBefore + WorkingSetTolerance)
        << "before " << memoryBefore << ", after " << WorkingSetBytes();
    EXPECT_TRUE(IsWindowEnabled(host.Window()));
}

TEST_F(Lifetime, ModelessDialogCreatedAndClosedManyTimesLeavesNothingBehind)
{
    // One object whose window comes and goes, as the cut panel's does.
    TestDialog panel(IDD_CUT_DISC, host.Window());
    int speed = 0, testMode = 1;
    panel.Controls().Add(new RadioGroup(&speed, 3, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4));
    panel.Controls().Add(new CheckBox(IDC_TEST_MODE, &testMode));
    auto cycle = [&] {
        HWND window = panel.CreateModeless();
        PumpMessages(0);
        panel.Close(0);
        return window != nullptr && !IsWindow(window);
    };
    for (int i = 0; i < 20; ++i)
        cycle();
    PumpMessages(50);
    const int windowsBefore = CountThreadWindows();
    const int childrenBefore = CountChildren(host.Window());
    const SIZE_T memoryBefore = WorkingSetBytes();
    int closed = 0;
    for (int i = 0; i < Cycles; ++i)
        closed += cycle();
    PumpMessages(50);

    EXPECT_EQ(Cycles, closed);
    EXPECT_EQ(windowsBefore, CountThreadWindows());
    EXPECT_EQ(childrenBefore, CountChildren(host.Window())) << "panel windows left inside the main window";
    EXPECT_LT(WorkingSetBytes(), memoryBefore + WorkingSetTolerance)
        << "before " << memoryBefore << ", after " << WorkingSetBytes();
}

}  // namespace
