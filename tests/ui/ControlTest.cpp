// Control wrappers bound to the cut panel and main window templates: what the registry binds,
// what OK reads back, and how each wrapper carries its variable to the control and back.
#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <string>
#include "UiSupport.h"
#include "framework/ControlRegistry.h"
#include "resources/ResourceIds.h"

namespace {

// The cut panel (a child template) inside the main window template, both modeless.
class CutPanel : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, host.CreateModeless()); }
    void TearDown() override
    {
        host.Close(0);
        PumpMessages(10);
    }
    // Registers through the construction-time path, then creates the panel's window.
    HWND Open()
    {
        panel = std::make_unique<TestDialog>(IDD_CUT_DISC, host.Window());
        for (Control* control : pending)
            panel->Controls().Add(control);
        pending.clear();
        HWND window = panel->CreateModeless();
        EXPECT_NE(nullptr, window) << "cut panel template did not load";
        return window;
    }
    HWND Item(int id) const { return GetDlgItem(panel->Window(), id); }
    LRESULT Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0); }
    void Click(int id) const { SendMessageA(Item(id), BM_CLICK, 0, 0); }

    TestDialog host{IDD_MAIN, nullptr};
    std::unique_ptr<TestDialog> panel;
    std::vector<Control*> pending;
};

struct RetrieveCase {
    const char* what;
    int failingId;      // item of the failing control; 4321 names no item of the template
    bool disabled;      // its item disabled by the dialog
    int expected;       // RetrieveAll
};

class RetrieveAll : public CutPanel, public testing::WithParamInterface<RetrieveCase> {};

TEST_P(RetrieveAll, StopsOnlyAtAnEnabledControlThatFails)
{
    const RetrieveCase& c = GetParam();
    auto* before = new ProbeControl(IDC_SPEED_X1);
    auto* failing = new ProbeControl(c.failingId, 0);
    auto* after = new ProbeControl(IDC_CUT_CURRENT);
    pending = {before, failing, after};
    HWND window = Open();
    if (c.disabled)
        EnableWindow(Item(c.failingId), FALSE);

    EXPECT_EQ(c.expected, panel->Controls().RetrieveAll()) << c.what;
    EXPECT_EQ(1, before->retrieves);
    EXPECT_EQ(1, failing->retrieves);
    EXPECT_EQ(c.expected, after->retrieves) << "controls after the failing one are read only when it is passed over";

    // The OK button runs the same walk: it stays open on failure, else validates and closes.
    SendMessageA(window, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(c.expected, panel->validateCalls) << c.what;
    EXPECT_EQ(c.expected == 0, IsWindow(window) != FALSE) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, RetrieveAll, testing::Values(
    RetrieveCase{"enabled check box that fails", IDC_TEST_MODE, false, 0},
    RetrieveCase{"disabled check box that fails", IDC_TEST_MODE, true, 1},
    RetrieveCase{"control with no item in the template", 4321, false, 1}),
    [](const testing::TestParamInfo<RetrieveCase>& info) { return CaseName(info.param.what); });

TEST_F(CutPanel, RadioGroupWithNothingCheckedBlocksOkUntilItsFirstButtonIsDisabled)
{
    int speed = 7;  // out of range: no button gets checked
    int testMode = 0;
    pending = {new RadioGroup(&speed, 3, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4),
               new CheckBox(IDC_TEST_MODE, &testMode)};
    HWND window = Open();
    Click(IDC_TEST_MODE);

    SendMessageA(window, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(IsWindow(window)) << "OK must not close while no speed is chosen";
    EXPECT_EQ(7, speed);
    EXPECT_EQ(0, testMode) << "controls after the failing group must not be read";

    EnableWindow(Item(IDC_SPEED_X1), FALSE);
    SendMessageA(window, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(7, speed);
    EXPECT_EQ(1, testMode);
}

TEST_F(CutPanel, RefusedValidationKeepsThePanelOpenWithTheValuesRead)
{
    int speed = 0, testMode = 1;
    pending = {new RadioGroup(&speed, 3, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4),
               new CheckBox(IDC_TEST_MODE, &testMode)};
    HWND window = Open();
    panel->validate = [] { return 0; };
    Click(IDC_SPEED_X4);
    Click(IDC_TEST_MODE);
    SendMessageA(window, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(2, speed);
    EXPECT_EQ(0, testMode);
}

TEST_F(CutPanel, SecondControlWithTheSameIdIsNotRegistered)
{
    auto* first = new ProbeControl(IDC_TEST_MODE);
    auto* duplicate = new ProbeControl(IDC_TEST_MODE);
    int speed = 0, flag = 0;
    auto* group = new RadioGroup(&speed, 3, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4);
    auto* onFirstButton = new CheckBox(IDC_SPEED_X1, &flag);  // a group is keyed by its first button

    panel = std::make_unique<TestDialog>(IDD_CUT_DISC, host.Window());
    ControlRegistry& registry = panel->Controls();
    EXPECT_EQ(1, registry.Add(first));
    EXPECT_EQ(0, registry.Add(duplicate));
    EXPECT_EQ(1, registry.Add(group));
    EXPECT_EQ(0, registry.Add(onFirstButton));
    ASSERT_NE(nullptr, panel->CreateModeless());
    registry.RetrieveAll();

    EXPECT_EQ(1, first->attaches);
    EXPECT_EQ(1, first->updates);
    EXPECT_EQ(Item(IDC_TEST_MODE), first->Handle());
    EXPECT_EQ(Item(IDC_SPEED_X1), group->Handle());
    EXPECT_EQ(0, duplicate->attaches + duplicate->updates + duplicate->retrieves);
    EXPECT_EQ(nullptr, duplicate->Handle());
    EXPECT_EQ(nullptr, onFirstButton->Handle());
    // Rejected controls are not the registry's to delete.
    delete duplicate;
    delete onFirstButton;
}

struct RadioCase {
    int value;             // bound before the panel opens
    int shown;             // index checked on opening, -1 none
    int clicked;           // index the user clicks, -1 none
    int retrieveResult;
    int after;             // bound value after OK's read
};

class RadioGroupRoundTrip : public CutPanel, public testing::WithParamInterface<RadioCase> {};

TEST_P(RadioGroupRoundTrip, ShowsTheIndexAndReadsTheUsersChoice)
{
    const RadioCase& c = GetParam();
    const int ids[] = {IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4};
    int speed = c.value;
    auto* group = new RadioGroup(&speed, 3, IDC_SPEED_X1, IDC_SPEED_X2, IDC_SPEED_X4);
    pending = {group};
    Open();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(i == c.shown ? BST_CHECKED : BST_UNCHECKED, Checked(ids[i])) << "value " << c.value << ", button " << i;
    if (c.clicked >= 0)
        Click(ids[c.clicked]);
    EXPECT_EQ(c.retrieveResult, group->Retrieve());
    EXPECT_EQ(c.after, speed);
}

INSTANTIATE_TEST_SUITE_P(Cases, RadioGroupRoundTrip, testing::Values(
    RadioCase{0, 0, -1, 1, 0},
    RadioCase{0, 0, 1, 1, 1},
    RadioCase{2, 2, 0, 1, 0},
    RadioCase{1, 1, 2, 1, 2},
    RadioCase{3, -1, -1, 0, 3},      // one past the last button: nothing checked, nothing read
    RadioCase{-1, -1, -1, 0, -1},
    RadioCase{-1, -1, 1, 1, 1}),
    [](const testing::TestParamInfo<RadioCase>& info) {
        const RadioCase& c = info.param;
        return CaseName("value " + std::to_string(c.value) + (c.value < 0 ? " negative" : "") +
                        (c.clicked < 0 ? " no click" : " click " + std::to_string(c.clicked)));
    });

struct CheckCase {
    int value;
    int clicks;
    int after;
};

class CheckBoxRoundTrip : public CutPanel, public testing::WithParamInterface<CheckCase> {};

TEST_P(CheckBoxRoundTrip, ShowsTheFlagAndReadsTheUsersChoice)
{
    const CheckCase& c = GetParam();
    int testMode = c.value;
    auto* box = new CheckBox(IDC_TEST_MODE, &testMode);
    pending = {box};
    Open();
    EXPECT_EQ(c.value, Checked(IDC_TEST_MODE));
    for (int i = 0; i < c.clicks; ++i)
        Click(IDC_TEST_MODE);
    EXPECT_EQ(1, box->Retrieve());
    EXPECT_EQ(c.after, testMode);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckBoxRoundTrip, testing::Values(
    CheckCase{1, 0, 1}, CheckCase{1, 1, 0}, CheckCase{0, 1, 1}, CheckCase{0, 2, 0}),
    [](const testing::TestParamInfo<CheckCase>& info) {
        return CaseName("flag " + std::to_string(info.param.value) + " clicks " + std::to_string(info.param.clicks));
    });

TEST(StaticText, ShowsTheCallersTextAsItIsNowAndReadsNothingBack)
{
    char target[32] = "None";
    const char* const none = "None";
    TestDialog main(IDD_MAIN, nullptr);
    auto* text = new StaticText(IDC_TARGET, target);
    main.Controls().Add(text);
    main.Controls().Add(new StaticText(IDC_EMULATION_DEVICE, none));
    main.Controls().Add(new StaticText(IDC_CUTTING_DEVICE, none));
    HWND window = main.CreateModeless();
    ASSERT_NE(nullptr, window);

    for (int id : {IDC_TARGET, IDC_EMULATION_DEVICE, IDC_CUTTING_DEVICE})
        EXPECT_EQ("None", ItemText(window, id)) << "item " << id;

    // The wrapper holds the caller's buffer, not a copy: a later update shows the new text.
    strcpy(target, "Sega Saturn");
    main.Controls().UpdateAll();
    EXPECT_EQ("Sega Saturn", ItemText(window, IDC_TARGET));

    SetDlgItemTextA(window, IDC_TARGET, "changed on screen");
    EXPECT_EQ(1, text->Retrieve());
    EXPECT_STREQ("Sega Saturn", target);
    main.Close(0);
}

}  // namespace
