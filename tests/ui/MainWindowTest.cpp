// The main window's status bar, information line and Messages list, read back the way the user
// sees them. (The counted device lock is checked in every end-to-end run.)
#include "UiSupport.h"
#include <commctrl.h>
#include <cstring>
#include <string>
#include <vector>
#include "emulator/MessageSink.h"
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
    }
    // The pane edges, then the text of each pane.
    std::vector<std::string> Shown() const
    {
        HWND status = GetDlgItem(Host(), IDC_STATUS_BAR);
        int edges[16] = {};
        const int count = int(SendMessageA(status, SB_GETPARTS, 16, LPARAM(edges)));
        std::vector<std::string> shown;
        for (int i = 0; i < count; ++i)
            shown.push_back(std::to_string(edges[i]));
        for (int pane = 0; pane < count; ++pane) {
            char text[1024] = "";  // SB_GETTEXT takes no size; every text shown is far shorter
            SendMessageA(status, SB_GETTEXTA, pane, LPARAM(text));
            shown.push_back(text);
        }
        return shown;
    }
    std::string Line() const
    {
        char text[64] = "";
        GetDlgItemTextA(Host(), IDC_TARGET, text, sizeof text);
        return text;
    }
    char target[32] = "None";
    StatusBar* bar = new StatusBar;  // owned by the main window's registry
};

TEST_F(MainWindow, StatusBarPanesAndTextsFollowEveryMode)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Shown(), (V{"170", "230", "290", "-1", "Welcome to Cadrel", "Emulating", "", ""}))
        << "the main window opens in emulation mode";
    const struct { int mode; V shown; } cases[] = {
        {StatusModeTransfer, {"170", "-1", "Welcome to Cadrel", "File Transfer Mode"}},
        {StatusModeCutting, {"170", "240", "290", "-1", "Welcome to Cadrel", "Cutting CD", "", ""}},
        {StatusModeEmulating, {"170", "230", "290", "-1", "Welcome to Cadrel", "Emulating", "", ""}},
    };
    for (const auto& c : cases) {
        bar->ShowMode(c.mode);
        EXPECT_EQ(Shown(), c.shown) << "mode " << c.mode;
    }
    bar->ShowState("Play");
    bar->ShowTime(1, 2, 3);
    EXPECT_EQ(Shown(), (V{"170", "230", "290", "-1", "Welcome to Cadrel", "Emulating", "Play", "01:02:03"}));
}

// The wrapper holds the caller's buffer, not a copy: a later update shows the new text, and
// reading the window back never writes into the buffer.
TEST_F(MainWindow, InformationLineShowsTheCallersTextAsItIsNowAndReadsNothingBack)
{
    EXPECT_EQ("None", Line());
    strcpy(target, "Sega Saturn");
    host.Controls().UpdateAll();
    EXPECT_EQ("Sega Saturn", Line());
    SetDlgItemTextA(Host(), IDC_TARGET, "changed on screen");
    EXPECT_EQ(1, host.Controls().RetrieveAll());
    EXPECT_STREQ("Sega Saturn", target);
}

// The program's path for every device message: kind 1 is a line for the Messages list.
TEST(MessageSink, OnlyKindOneReachesTheListOneLineEachWithTheNewestInView)
{
    TestDialog main(IDD_MAIN, nullptr);
    HWND window = main.CreateModeless();
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, IDC_MESSAGES);
    RECT client;
    GetClientRect(list, &client);
    const int rows = int(client.bottom / SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(rows, 3);
    EmulatorSink* sink = new MessageSink(window);
    sink->AddRef();
    for (int i = 0; i < 3 * rows; ++i) {
        std::string other = "not for the list", line = "File " + std::to_string(i) + " not found\nCheck the directory\n";
        EXPECT_EQ(sink->Notify(i % 2 ? 0 : 2, other.data()), 1);
        EXPECT_EQ(sink->Notify(1, line.data()), 1);
        ASSERT_EQ(i + 1, SendMessageA(list, LB_GETCOUNT, 0, 0)) << "each kind 1 message, and only those, adds one line";
        char shown[256] = "";
        SendMessageA(list, LB_GETTEXT, i, LPARAM(shown));
        ASSERT_EQ("File " + std::to_string(i) + " not found Check the directory ", std::string(shown))
            << "line feeds must show as spaces, in the order added";
        const int top = int(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
        ASSERT_TRUE(top <= i && i < top + rows) << "line " << i << " is out of view; top row is " << top;
    }
    EXPECT_EQ(sink->Release(), 0u);
    main.Close(0);
}

}  // namespace
