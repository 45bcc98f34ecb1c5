// Control wrappers on the cut panel: what the user sees on opening, what OK reads back.
#include "UiSupport.h"
#include "framework/Control.h"

namespace {

using CutPanel = HostedTest;

// A group with no button checked stops OK while enabled (the check box after it is not read) and is
// passed over when disabled. A second control on a taken id (a group's first button) is refused.
TEST_F(CutPanel, OkReadsWhatTheUserChoseAndStopsAtAnEnabledControlThatFails)
{
    // Bound before opening; the button clicked (-1: none); check box clicked; group disabled; bound after OK.
    struct Case { int speed, flag, clickSpeed; bool clickFlag, disableGroup; int speedAfter, flagAfter; bool closes; };
    const int ids[] = {IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4, IDC_TEST_MODE};
    for (const Case& c : {Case{0, 1, -1, false, false, 0, 1, true}, Case{2, 0, 0, true, false, 0, 1, true},
                          Case{1, 1, 2, true, false, 2, 0, true}, Case{-1, 0, 1, false, false, 1, 0, true},
                          Case{3, 0, -1, true, false, 3, 0, false}, Case{3, 0, -1, true, true, 3, 1, true}}) {
        SCOPED_TRACE(testing::Message() << "speed " << c.speed << " flag " << c.flag << " clicks " << c.clickSpeed
                                        << "/" << c.clickFlag << " group disabled " << c.disableGroup);
        int speed = c.speed, flag = c.flag, refusedFlag = 7;
        CheckBox duplicate(IDC_TEST_MODE, &refusedFlag), onGroup(IDC_SPEED_X1, &refusedFlag);  // not the registry's to delete
        TestDialog panel(IDD_CUT_DISC, Host());
        std::string added;
        for (Control* control : std::initializer_list<Control*>{new RadioGroup(&speed, 3, ids[0], ids[1], ids[2]),
                                                                new CheckBox(IDC_TEST_MODE, &flag), &duplicate, &onGroup})
            added += std::to_string(panel.Controls().Add(control));
        EXPECT_EQ("1100", added) << "what registering each control gave";
        ASSERT_NE(nullptr, panel.CreateModeless()) << "cut panel template did not load";
        HWND window = panel.Window();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(i < 3 ? i == c.speed : c.flag, SendDlgItemMessageA(window, ids[i], BM_GETCHECK, 0, 0)) << "button " << i << " on opening";
        if (c.clickSpeed >= 0) SendDlgItemMessageA(window, ids[c.clickSpeed], BM_CLICK, 0, 0);
        if (c.clickFlag) SendDlgItemMessageA(window, IDC_TEST_MODE, BM_CLICK, 0, 0);
        EnableWindow(GetDlgItem(window, IDC_SPEED_X1), !c.disableGroup);
        SendMessageA(window, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(c.closes, !IsWindow(window)) << "OK must close exactly when everything is read";
        EXPECT_EQ(c.speedAfter, speed) << "bound speed";
        EXPECT_EQ(c.flagAfter, flag) << "bound test-mode flag";
        EXPECT_EQ(7, refusedFlag) << "a refused control must never be read";
        panel.Close(0);
    }
}

}  // namespace
