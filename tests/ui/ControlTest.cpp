// Control wrappers bound to the cut panel inside the main window template: what the user sees
// on opening, and what OK reads back into the bound variables.
#include <memory>
#include "UiSupport.h"
#include "framework/Control.h"

namespace {

class CutPanel : public HostedTest {
protected:
    // Registers the controls, as the program does at construction, then opens the panel.
    HWND Open(std::initializer_list<Control*> controls)
    {
        panel = std::make_unique<TestDialog>(IDD_CUT_DISC, Host());
        for (Control* control : controls)
            EXPECT_EQ(1, panel->Controls().Add(control)) << "control " << control->Id() << " not registered";
        HWND window = panel->CreateModeless();
        EXPECT_NE(nullptr, window) << "cut panel template did not load";
        return window;
    }
    HWND Item(int id) const { return GetDlgItem(panel->Window(), id); }
    LRESULT Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0); }
    void Click(int id) const { SendMessageA(Item(id), BM_CLICK, 0, 0); }

    std::unique_ptr<TestDialog> panel;
};

// A speed radio group, then the test-mode check box. A group with no button checked cannot be
// read: while enabled it stops OK (and the check box after it is not read); disabled, it is
// passed over.
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
        int speed = c.speed, flag = c.flag;
        HWND window = Open({new RadioGroup(&speed, 3, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4),
                            new CheckBox(IDC_TEST_MODE, &flag)});
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(i == c.speed ? BST_CHECKED : BST_UNCHECKED, Checked(speedIds[i])) << "button " << i << " on opening";
        EXPECT_EQ(c.flag, Checked(IDC_TEST_MODE)) << "check box on opening";
        if (c.clickSpeed >= 0) Click(speedIds[c.clickSpeed]);
        if (c.clickFlag) Click(IDC_TEST_MODE);
        EnableWindow(Item(IDC_SPEED_X1), !c.disableGroup);
        EXPECT_EQ(int(c.closes), panel->Controls().RetrieveAll()) << "RetrieveAll (1: everything read)";
        EXPECT_EQ(c.speedAfter, speed) << "bound speed";
        EXPECT_EQ(c.flagAfter, flag) << "bound test-mode flag";
        SendMessageA(window, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(c.closes, !IsWindow(window)) << "OK must close exactly when everything is read";
        panel->Close(0);
    }
}

TEST_F(CutPanel, SecondControlWithTheSameIdIsNotRegistered)
{
    int speed = 0, flag = 1, duplicateFlag = 7, onGroupFlag = 7;
    panel = std::make_unique<TestDialog>(IDD_CUT_DISC, Host());
    ControlRegistry& registry = panel->Controls();
    CheckBox duplicate(IDC_TEST_MODE, &duplicateFlag);  // rejected controls are not the registry's to delete
    CheckBox onFirstButton(IDC_SPEED_X1, &onGroupFlag);  // a group is keyed by its first button
    EXPECT_EQ(1, registry.Add(new CheckBox(IDC_TEST_MODE, &flag)));
    EXPECT_EQ(0, registry.Add(&duplicate)) << "a second control with id IDC_TEST_MODE was accepted";
    EXPECT_EQ(1, registry.Add(new RadioGroup(&speed, 3, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4)));
    EXPECT_EQ(0, registry.Add(&onFirstButton)) << "a control on the radio group's first button was accepted";
    ASSERT_NE(nullptr, panel->CreateModeless());
    EXPECT_EQ(BST_CHECKED, Checked(IDC_TEST_MODE)) << "the check box must show the first control's flag";
    Click(IDC_TEST_MODE);
    EXPECT_EQ(1, registry.RetrieveAll());
    EXPECT_EQ(0, flag) << "the first control must read the click";
    EXPECT_EQ(7, duplicateFlag) << "the rejected check box must never be read";
    EXPECT_EQ(7, onGroupFlag) << "the control rejected on the group's button must never be read";
    EXPECT_EQ(nullptr, duplicate.Handle());
}

}  // namespace
