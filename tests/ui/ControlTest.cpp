// Control wrappers bound to the cut panel inside the main window template: what the user sees
// on opening, and what OK reads back into the bound variables.
#include <memory>
#include "UiSupport.h"
#include "framework/Control.h"

namespace {

class CutPanel : public HostedTest {
protected:
    // A speed radio group, the test-mode check box, then any others, registered as the program does
    // at construction; returns what registering each gave.
    std::string Open(int* speed, int* flag, std::initializer_list<Control*> extras = {})
    {
        panel = std::make_unique<TestDialog>(IDD_CUT_DISC, Host());
        std::string added = std::to_string(panel->Controls().Add(new RadioGroup(speed, 3, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4)));
        added += std::to_string(panel->Controls().Add(new CheckBox(IDC_TEST_MODE, flag)));
        for (Control* control : extras) added += std::to_string(panel->Controls().Add(control));
        EXPECT_NE(nullptr, panel->CreateModeless()) << "cut panel template did not load";
        return added;
    }
    LRESULT Checked(int id) const { return SendMessageA(GetDlgItem(panel->Window(), id), BM_GETCHECK, 0, 0); }
    void Click(int id) const { SendMessageA(GetDlgItem(panel->Window(), id), BM_CLICK, 0, 0); }
    std::unique_ptr<TestDialog> panel;
};

// A group with no button checked cannot be read: while enabled it stops OK (and the check box
// after it is not read); disabled, it is passed over. A second control on an id already taken (a
// group is keyed by its first button) is refused and never read.
TEST_F(CutPanel, OkReadsWhatTheUserChoseAndStopsAtAnEnabledControlThatFails)
{
    // Bound before opening; the button the user clicks (-1: none); the check box clicked; the
    // group disabled; bound after reading; RetrieveAll succeeds and OK closes the panel.
    struct Case { int speed, flag, clickSpeed; bool clickFlag, disableGroup; int speedAfter, flagAfter; bool closes; };
    const int speedIds[] = {IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4};
    for (const Case& c : {Case{0, 1, -1, false, false, 0, 1, true}, Case{2, 0, 0, true, false, 0, 1, true},
                          Case{1, 1, 2, true, false, 2, 0, true}, Case{-1, 0, 1, false, false, 1, 0, true},
                          Case{3, 0, -1, true, false, 3, 0, false}, Case{3, 0, -1, true, true, 3, 1, true}}) {
        SCOPED_TRACE(testing::Message() << "speed " << c.speed << " flag " << c.flag << " clicks " << c.clickSpeed
                                        << "/" << c.clickFlag << " group disabled " << c.disableGroup);
        int speed = c.speed, flag = c.flag, refusedFlag = 7;
        CheckBox duplicate(IDC_TEST_MODE, &refusedFlag), onGroup(IDC_SPEED_X1, &refusedFlag);  // not the registry's to delete
        EXPECT_EQ("1100", Open(&speed, &flag, {&duplicate, &onGroup})) << "what registering each control gave";
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(i == c.speed ? BST_CHECKED : BST_UNCHECKED, Checked(speedIds[i])) << "button " << i << " on opening";
        EXPECT_EQ(c.flag, Checked(IDC_TEST_MODE)) << "check box on opening";
        if (c.clickSpeed >= 0) Click(speedIds[c.clickSpeed]);
        if (c.clickFlag) Click(IDC_TEST_MODE);
        EnableWindow(GetDlgItem(panel->Window(), IDC_SPEED_X1), !c.disableGroup);
        HWND window = panel->Window();
        SendMessageA(window, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(c.closes, !IsWindow(window)) << "OK must close exactly when everything is read";
        EXPECT_EQ(c.speedAfter, speed) << "bound speed";
        EXPECT_EQ(c.flagAfter, flag) << "bound test-mode flag";
        EXPECT_EQ(7, refusedFlag) << "a refused control must never be read";
        panel->Close(0);
    }
}

}  // namespace
