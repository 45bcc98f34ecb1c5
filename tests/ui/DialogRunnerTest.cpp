// Modal and modeless runs of real dialog templates: results, owners, nested loops.
#include "UiSupport.h"

namespace {

using DialogRunner = HostedTest;

void Post(HWND window, WPARAM command) { PostMessageA(window, WM_COMMAND, command, 0); }

// A CanClose that refuses keeps the dialog open, its owner disabled and its loop running: the
// script's second step, dispatched by that loop, repeats the close, which CanClose then allows.
TEST_F(DialogRunner, RunModalGivesOneForOkAndZeroForCancelAndFreesTheOwnerOnlyWhenClosed)
{
    struct Case { const char* how; UINT message; WPARAM wParam; int refusals, expected; };  // refusals: how often CanClose says no
    for (const Case& c : {Case{"OK button", WM_COMMAND, IDOK, 0, 1}, Case{"Cancel button", WM_COMMAND, IDCANCEL, 0, 0},
                          Case{"Enter key", WM_KEYDOWN, VK_RETURN, 0, 1}, Case{"Escape key", WM_KEYDOWN, VK_ESCAPE, 0, 0},
                          Case{"close box", WM_SYSCOMMAND, SC_CLOSE, 0, 0},
                          Case{"OK refused once", WM_COMMAND, IDOK, 1, 1},
                          Case{"Cancel refused once", WM_COMMAND, IDCANCEL, 1, 0}}) {
        TestDialog about(IDD_ABOUT, Host());
        int refusals = c.refusals;
        about.canClose = [&] { return refusals-- > 0 ? 0 : 1; };
        bool ownerDisabled = false, stillRunningAfterRefusal = false;
        TimerScript script({
            [&] {
                ownerDisabled = !IsWindowEnabled(Host());
                PostMessageA(about.Window(), c.message, c.wParam, 0);
            },
            [&] {
                stillRunningAfterRefusal = IsWindowVisible(about.Window()) && !IsWindowEnabled(Host());
                PostMessageA(about.Window(), c.message, c.wParam, 0);
            },
        });
        EXPECT_EQ(c.expected, about.RunModal()) << "RunModal's result after " << c.how;
        EXPECT_FALSE(script.TimedOut()) << c.how << " did not end the dialog";
        EXPECT_TRUE(ownerDisabled) << "owner must be disabled while the dialog runs";
        EXPECT_EQ(c.refusals > 0, stillRunningAfterRefusal) << c.how << ": dialog, disabled owner and loop after a refusal";
        EXPECT_TRUE(IsWindowEnabled(Host())) << "owner must be enabled again after " << c.how;
        EXPECT_FALSE(IsWindow(about.Window())) << "window must be gone after " << c.how;
    }
}

// What a command handler of a running modal dialog opens and closes; in every case only the
// inner dialog's own loop may end.
TEST_F(DialogRunner, ClosingADialogOpenedFromAHandlerEndsOnlyItsOwnLoop)
{
    struct Case { const char* what; int expected; int (*open)(HWND outer); };  // expected: what the handler gets back
    const Case cases[] = {
        {"nested modal dialog closed with OK", 1, [](HWND outer) {
             TestDialog inner(IDD_EMULATION_DEVICE, outer);
             bool outerDisabled = false;
             inner.onInit = [&] { Post(inner.Window(), IDOK); };
             inner.canClose = [&] {
                 outerDisabled = !IsWindowEnabled(outer);
                 return 1;
             };
             const int result = inner.RunModal();
             return outerDisabled ? result : -1;  // -1: the outer dialog was usable under the inner one
         }},
        {"modal dialog closing itself in OnInitDialog", 0, [](HWND outer) {
             TestDialog inner(IDD_CUTTER_DEVICE, outer);
             inner.onInit = [&] { inner.Close(5); };
             const DWORD start = GetTickCount();
             const int result = inner.RunModal();
             return GetTickCount() - start < 2000 ? result : -2;  // -2: RunModal did not return at once
         }},
        {"modeless dialog closed with Close", 0, [](HWND outer) {
             TestDialog inner(IDD_BUSY, outer);
             HWND window = inner.CreateModeless();
             inner.Close(3);
             return window && !IsWindow(window) ? 0 : -3;  // -3: not opened, or not closed
         }},
    };
    for (const Case& c : cases) {
        TestDialog outer(IDD_ABOUT, Host());
        int innerResult = -100;
        outer.onCommand = [&](WPARAM) {
            innerResult = c.open(outer.Window());
            return 1;
        };
        bool outerRunningAfterInner = false;
        TimerScript script({
            [&] { Post(outer.Window(), ID_EMULATION_DEVICE); },
            // Dispatched by the outer loop again: the inner close did not end it.
            [&] {
                outerRunningAfterInner = IsWindow(outer.Window()) && IsWindowEnabled(outer.Window());
                Post(outer.Window(), IDCANCEL);
            },
        });
        EXPECT_EQ(0, outer.RunModal()) << c.what << ": the outer dialog must end through its own Cancel";
        EXPECT_FALSE(script.TimedOut()) << c.what;
        EXPECT_EQ(c.expected, innerResult) << c.what << ": result seen by the handler that opened it";
        EXPECT_TRUE(outerRunningAfterInner) << c.what << ": the outer dialog must stay open and enabled";
    }
}

}  // namespace
