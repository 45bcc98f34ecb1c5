// The main window's status bar and Messages list, read back the way the user sees them. (The
// information lines and the counted device lock are checked end to end.)
#include "UiSupport.h"
#include <commctrl.h>
#include <string>
#include "emulator/MessageSink.h"
#include "framework/StatusBar.h"

namespace {

// Each pane's right edge and text.
std::string Shown(HWND window)
{
    HWND status = GetDlgItem(window, IDC_STATUS_BAR);
    int edges[16] = {};
    const int count = int(SendMessageA(status, SB_GETPARTS, 16, LPARAM(edges)));
    std::string shown;
    for (int pane = 0; pane < count; ++pane) {
        char text[1024] = "";  // SB_GETTEXT takes no size; every text shown is far shorter
        SendMessageA(status, SB_GETTEXTA, pane, LPARAM(text));
        shown += std::to_string(edges[pane]) + " " + text + "|";
    }
    return shown;
}

TEST(StatusBar, PanesAndTextsFollowEveryMode)
{
    TestDialog main(IDD_MAIN, nullptr);
    StatusBar* bar = new StatusBar;  // owned by the main window's registry
    main.Controls().Add(bar);
    ASSERT_NE(nullptr, main.CreateModeless());
    EXPECT_EQ(Shown(main.Window()), "170 Welcome to Cadrel|230 Emulating|290 |-1 |") << "the main window opens in emulation mode";
    const struct { int mode; const char* shown; } cases[] = {
        {StatusModeTransfer, "170 Welcome to Cadrel|-1 File Transfer Mode|"},
        {StatusModeCutting, "170 Welcome to Cadrel|240 Cutting CD|290 |-1 |"},
        {StatusModeEmulating, "170 Welcome to Cadrel|230 Emulating|290 Play|-1 01:02:03|"},
    };
    for (const auto& c : cases) {
        bar->ShowMode(c.mode);
        if (c.mode == StatusModeEmulating) bar->ShowState("Play"), bar->ShowTime(1, 2, 3);
        EXPECT_EQ(Shown(main.Window()), c.shown) << "mode " << c.mode;
    }
    main.Close(0);
}

using MainWindow = HostedTest;

// The program's path for every device message: kind 1 is a line for the Messages list.
TEST_F(MainWindow, OnlyKindOneReachesTheMessagesListOneLineEachWithTheNewestInView)
{
    HWND list = GetDlgItem(Host(), IDC_MESSAGES);
    RECT client;
    GetClientRect(list, &client);
    const int rows = int(client.bottom / SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(rows, 3);
    EmulatorSink* sink = new MessageSink(Host());
    sink->AddRef();
    for (int i = 0; i < 3 * rows; ++i) {
        std::string other = "not for the list", line = "File " + std::to_string(i) + " not found\nCheck the directory\n";
        EXPECT_EQ(sink->Notify(i % 2 ? 0 : 2, other.data()), 1);
        EXPECT_EQ(sink->Notify(1, line.data()), 1);
        ASSERT_EQ(i + 1, SendMessageA(list, LB_GETCOUNT, 0, 0)) << "each kind 1 message, and only those, adds one line";
        char shown[256] = "";
        SendMessageA(list, LB_GETTEXT, i, LPARAM(shown));
        ASSERT_EQ("File " + std::to_string(i) + " not found Check the directory ", std::string(shown)) << "line feeds show as spaces";
        const int top = int(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
        ASSERT_TRUE(top <= i && i < top + rows) << "line " << i << " is out of view; top row is " << top;
    }
    EXPECT_EQ(sink->Release(), 0u);
}

}  // namespace
