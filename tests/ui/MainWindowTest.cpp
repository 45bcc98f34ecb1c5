// The main window's status bar and information line, read back the way the user sees them.
// (Its Messages list is tested with the message sink that fills it.)
#include "UiSupport.h"
#include <commctrl.h>
#include <cstring>
#include <string>
#include <vector>
#include "framework/StatusBar.h"

namespace {

// The main window template with the program's status bar and its first information line.
class MainWindow : public HostedTest {
protected:
    void SetUp() override
    {
        host.Controls().Add(bar);
        host.Controls().Add(new StaticText(IDC_TARGET, target));
        HostedTest::SetUp();
        status = GetDlgItem(Host(), IDC_STATUS_BAR);
        ASSERT_NE(nullptr, status) << "no status window with id 201";
    }
    std::vector<int> Edges() const
    {
        int edges[16] = {};
        const int count = int(SendMessageA(status, SB_GETPARTS, 16, LPARAM(edges)));
        return std::vector<int>(edges, edges + (count > 0 ? count : 0));
    }
    std::string Pane(int pane) const
    {
        char text[1024] = "";  // SB_GETTEXT takes no size; every text shown is far shorter
        SendMessageA(status, SB_GETTEXTA, pane, LPARAM(text));
        return text;
    }
    std::string Line(int id) const
    {
        char text[64] = "";
        GetDlgItemTextA(Host(), id, text, sizeof text);
        return text;
    }
    char target[32] = "None";
    StatusBar* bar = new StatusBar;  // owned by the main window's registry
    HWND status = nullptr;
};

TEST_F(MainWindow, StatusBarPanesAndTextsFollowEveryMode)
{
    EXPECT_EQ((std::vector<int>{170, 230, 290, -1}), Edges()) << "the main window opens in emulation mode";
    EXPECT_EQ("Emulating", Pane(1));
    EXPECT_EQ("", Pane(2));
    EXPECT_EQ("", Pane(3));
    struct Case {
        int mode;
        std::vector<int> edges;
        const char* text;
    };
    for (const Case& c : {Case{StatusModeTransfer, {170, -1}, "File Transfer Mode"},
                          Case{StatusModeCutting, {170, 240, 290, -1}, "Cutting CD"},
                          Case{StatusModeEmulating, {170, 230, 290, -1}, "Emulating"}}) {
        bar->ShowMode(c.mode);
        EXPECT_EQ(c.edges, Edges()) << "pane edges in mode " << c.mode;
        EXPECT_EQ(c.text, Pane(1)) << "mode text in mode " << c.mode;
        EXPECT_EQ("Welcome to Cadrel", Pane(0)) << "mode " << c.mode << " must leave the main text";
    }
    bar->ShowState("Play");
    bar->ShowTime(1, 2, 3);
    EXPECT_EQ("Play", Pane(2)) << "state pane";
    EXPECT_EQ("01:02:03", Pane(3)) << "time pane";
}

TEST_F(MainWindow, InformationLineShowsTheCallersTextAsItIsNowAndReadsNothingBack)
{
    EXPECT_EQ("None", Line(IDC_TARGET));
    // The wrapper holds the caller's buffer, not a copy: a later update shows the new text.
    strcpy(target, "Sega Saturn");
    host.Controls().UpdateAll();
    EXPECT_EQ("Sega Saturn", Line(IDC_TARGET)) << "the update must show the buffer's current text";
    SetDlgItemTextA(Host(), IDC_TARGET, "changed on screen");
    EXPECT_EQ(1, host.Controls().RetrieveAll());
    EXPECT_STREQ("Sega Saturn", target) << "a static text must not write back";
}

}  // namespace
