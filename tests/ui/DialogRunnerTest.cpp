// Modal and modeless runs of real dialog templates: results, owners, nested loops.
#include <gtest/gtest.h>
#include <memory>
#include "UiSupport.h"
#include "resources/ResourceIds.h"

namespace {

// The main window's template, shown modeless, stands in as the owner of the dialogs under test.
class DialogRunner : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, host.CreateModeless()) << "main window template did not load";
    }
    void TearDown() override
    {
        host.Close(0);
        PumpMessages(10);
    }
    HWND Host() const { return host.Window(); }

    TestDialog host{IDD_MAIN, nullptr};
};

void Post(HWND window, WPARAM command)
{
    PostMessageA(window, WM_COMMAND, command, 0);
}

struct CloseCase {
    const char* how;
    UINT message;
    WPARAM wParam;
    int expected;
};

class RunModalResult : public DialogRunner, public testing::WithParamInterface<CloseCase> {};

TEST_P(RunModalResult, GivesTheCloseResultAndFreesTheOwner)
{
    const CloseCase& c = GetParam();
    TestDialog about(IDD_ABOUT, Host());
    BOOL ownerEnabledDuringRun = TRUE;
    BOOL visibleDuringRun = FALSE;
    TimerScript script({
        [&] {
            ownerEnabledDuringRun = IsWindowEnabled(Host());
            visibleDuringRun = IsWindowVisible(about.Window());
            PostMessageA(about.Window(), c.message, c.wParam, 0);
        },
    });
    const int result = about.RunModal();

    EXPECT_FALSE(script.TimedOut()) << c.how << " did not end the dialog";
    EXPECT_EQ(c.expected, result) << c.how;
    EXPECT_FALSE(ownerEnabledDuringRun) << "owner must be disabled while the dialog runs";
    EXPECT_TRUE(visibleDuringRun);
    EXPECT_TRUE(IsWindowEnabled(Host())) << "owner must be enabled again after " << c.how;
    EXPECT_FALSE(IsWindow(about.Window())) << "window must be gone after " << c.how;
}

INSTANTIATE_TEST_SUITE_P(Ways, RunModalResult, testing::Values(
    CloseCase{"OK button", WM_COMMAND, IDOK, 1},
    CloseCase{"Cancel command", WM_COMMAND, IDCANCEL, 0},
    CloseCase{"Enter key (default OK button)", WM_KEYDOWN, VK_RETURN, 1},
    CloseCase{"Escape key", WM_KEYDOWN, VK_ESCAPE, 0},
    CloseCase{"close box", WM_SYSCOMMAND, SC_CLOSE, 0}),
    [](const testing::TestParamInfo<CloseCase>& info) { return CaseName(info.param.how); });

TEST_F(DialogRunner, OkOrCancelWithANotificationCodeIsAnOrdinaryCommand)
{
    TestDialog dialog(IDD_EMULATION_DEVICE, Host());
    bool openAfterwards = false;
    TimerScript script({
        [&] {
            Post(dialog.Window(), MAKEWPARAM(IDOK, 1));
            Post(dialog.Window(), MAKEWPARAM(IDCANCEL, 1));
        },
        [&] {
            openAfterwards = IsWindow(dialog.Window());
            Post(dialog.Window(), IDCANCEL);
        },
    });
    EXPECT_EQ(0, dialog.RunModal());
    EXPECT_TRUE(openAfterwards);
    EXPECT_EQ(0, dialog.validateCalls) << "OK must not run for a notification code other than 0";
    EXPECT_EQ((std::vector<WPARAM>{MAKEWPARAM(IDOK, 1), MAKEWPARAM(IDCANCEL, 1)}), dialog.commands);
}

class RefusedClose : public DialogRunner, public testing::WithParamInterface<CloseCase> {};

TEST_P(RefusedClose, KeepsDialogOwnerAndLoop)
{
    const CloseCase& c = GetParam();
    TestDialog dialog(IDD_CUTTER_DEVICE, Host());
    int allow = 0, asked = 0;
    dialog.canClose = [&] { ++asked; return allow; };
    bool openAfterRefusal = false, ownerStillDisabled = false;
    TimerScript script({
        [&] { Post(dialog.Window(), c.wParam); },
        // This tick is dispatched by the dialog's own loop, so that loop is still running.
        [&] {
            openAfterRefusal = IsWindow(dialog.Window()) && IsWindowVisible(dialog.Window());
            ownerStillDisabled = !IsWindowEnabled(Host());
            allow = 1;
            Post(dialog.Window(), c.wParam);
        },
    });
    const int result = dialog.RunModal();

    EXPECT_FALSE(script.TimedOut());
    EXPECT_TRUE(openAfterRefusal) << c.how << " closed a dialog whose CanClose said no";
    EXPECT_TRUE(ownerStillDisabled);
    EXPECT_EQ(2, asked);
    EXPECT_EQ(c.expected, result);
    EXPECT_TRUE(IsWindowEnabled(Host()));
}

INSTANTIATE_TEST_SUITE_P(Ways, RefusedClose, testing::Values(
    CloseCase{"OK", WM_COMMAND, IDOK, 1},
    CloseCase{"Cancel", WM_COMMAND, IDCANCEL, 0}),
    [](const testing::TestParamInfo<CloseCase>& info) { return CaseName(info.param.how); });

TEST_F(DialogRunner, NestedModalDialogEndsOnlyItsOwnLoop)
{
    TestDialog outer(IDD_ABOUT, Host());
    TestDialog* inner = nullptr;
    int innerResult = -1;
    bool outerDisabledUnderInner = false, outerRunningAfterInner = false, outerEnabledAfterInner = false;
    outer.onCommand = [&](WPARAM command) {
        if (command != ID_EMULATION_DEVICE)
            return 0;
        TestDialog device(IDD_EMULATION_DEVICE, outer.Window());
        inner = &device;
        innerResult = device.RunModal();
        inner = nullptr;
        return 1;
    };
    TimerScript script({
        [&] { Post(outer.Window(), ID_EMULATION_DEVICE); },
        [&] {
            ASSERT_NE(nullptr, inner) << "the inner dialog is not running";
            outerDisabledUnderInner = !IsWindowEnabled(outer.Window());
            Post(inner->Window(), IDOK);
        },
        // Dispatched by the outer loop again: the inner OK did not end it.
        [&] {
            outerRunningAfterInner = IsWindow(outer.Window()) && inner == nullptr;
            outerEnabledAfterInner = IsWindowEnabled(outer.Window());
            Post(outer.Window(), IDCANCEL);
        },
    });
    const int outerResult = outer.RunModal();

    EXPECT_FALSE(script.TimedOut());
    EXPECT_EQ(1, innerResult) << "the inner dialog's OK result goes to the code that opened it";
    EXPECT_TRUE(outerDisabledUnderInner);
    EXPECT_TRUE(outerRunningAfterInner);
    EXPECT_TRUE(outerEnabledAfterInner);
    EXPECT_EQ(0, outerResult);
}

TEST_F(DialogRunner, DialogClosingItselfWhileInitialisingReturnsZeroAtOnce)
{
    TestDialog dialog(IDD_ABOUT, Host());
    dialog.onInit = [&] { dialog.Close(5); };
    const DWORD start = GetTickCount();
    EXPECT_EQ(0, dialog.RunModal());
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_FALSE(IsWindow(dialog.Window()));
    EXPECT_TRUE(IsWindowEnabled(Host()));
    MSG quit;
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "a quit message would end the caller's loop";
}

TEST_F(DialogRunner, DialogClosingItselfWhileInitialisingLeavesCallersLoopRunning)
{
    TestDialog outer(IDD_ABOUT, Host());
    int innerResult = -1;
    outer.onCommand = [&](WPARAM command) {
        TestDialog failing(IDD_CUTTER_DEVICE, outer.Window());
        failing.onInit = [&] { failing.Close(5); };
        innerResult = failing.RunModal();
        return 1;
    };
    bool outerStillRunning = false;
    TimerScript script({
        [&] { Post(outer.Window(), ID_CUTTING_DEVICE); },
        [&] {
            outerStillRunning = IsWindow(outer.Window()) && IsWindowEnabled(outer.Window());
            Post(outer.Window(), IDOK);
        },
    });
    EXPECT_EQ(1, outer.RunModal());
    EXPECT_FALSE(script.TimedOut());
    EXPECT_EQ(0, innerResult);
    EXPECT_TRUE(outerStillRunning);
}

TEST_F(DialogRunner, ModelessDialogRunsInTheCurrentLoopAndItsCloseEndsNoLoop)
{
    TestDialog outer(IDD_ABOUT, Host());
    std::unique_ptr<TestDialog> panel;
    HWND first = nullptr, second = nullptr;
    bool firstGone = false, outerRunning = false;
    TimerScript script({
        [&] {
            panel = std::make_unique<TestDialog>(IDD_BUSY, outer.Window());
            first = panel->CreateModeless();
            Post(first, 4242);
        },
        [&] {
            panel->Close(3);
            firstGone = !IsWindow(first);
            // Opened again, as the cut panel is: a new window each time.
            second = panel->CreateModeless();
        },
        [&] {
            outerRunning = IsWindow(outer.Window());
            panel->Close(3);
            Post(outer.Window(), IDOK);
        },
    });
    EXPECT_EQ(1, outer.RunModal()) << "the modeless close must not have ended the outer loop";
    EXPECT_FALSE(script.TimedOut());
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(std::vector<WPARAM>{4242}, panel->commands) << "the outer loop dispatches the modeless dialog's messages";
    EXPECT_TRUE(firstGone);
    EXPECT_TRUE(outerRunning);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_FALSE(panel->IsModal());
}

TEST_F(DialogRunner, MissingTemplateMakesNoWindowAndBindsNothing)
{
    TestDialog dialog(4999, Host());
    auto* probe = new ProbeControl(IDOK);
    dialog.Controls().Add(probe);
    bool initialised = false;
    dialog.onInit = [&] { initialised = true; };
    EXPECT_EQ(0, dialog.RunModal());
    EXPECT_EQ(nullptr, dialog.CreateModeless());
    EXPECT_FALSE(initialised);
    EXPECT_EQ(0, probe->attaches + probe->updates);
    EXPECT_TRUE(IsWindowEnabled(Host()));
}

}  // namespace
