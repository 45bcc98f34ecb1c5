// The main window's status bar and Messages list, read back the way the user sees them.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "UiSupport.h"
#include "framework/MessageList.h"
#include "framework/StatusBar.h"
#include "resources/ResourceIds.h"

namespace {

class MainWindowTemplate : public testing::Test {
protected:
    void SetUp() override
    {
        bar = new StatusBar;
        main.Controls().Add(bar);
        ASSERT_NE(nullptr, main.CreateModeless());
        statusWindow = GetDlgItem(main.Window(), IDC_STATUS_BAR);
        ASSERT_NE(nullptr, statusWindow) << "no status window with id 201";
    }
    void TearDown() override
    {
        main.Close(0);
        PumpMessages(10);
    }

    std::vector<int> Edges() const
    {
        int edges[16] = {};
        const int count = int(SendMessageA(statusWindow, SB_GETPARTS, 16, LPARAM(edges)));
        return std::vector<int>(edges, edges + (count > 0 ? count : 0));
    }
    std::string Pane(int pane) const
    {
        char text[256] = "";
        const LRESULT length = LOWORD(SendMessageA(statusWindow, SB_GETTEXTLENGTHA, pane, 0));
        if (length >= LRESULT(sizeof text))
            return "<too long>";
        SendMessageA(statusWindow, SB_GETTEXTA, pane, LPARAM(text));
        return text;
    }

    TestDialog main{IDD_MAIN, nullptr};
    StatusBar* bar = nullptr;
    HWND statusWindow = nullptr;
};

TEST_F(MainWindowTemplate, StatusBarOpensWithWelcomeAndEmulatingInFourPanes)
{
    EXPECT_EQ((std::vector<int>{170, 230, 290, -1}), Edges());
    EXPECT_EQ("Welcome to Cadrel", Pane(0));
    EXPECT_EQ("Emulating", Pane(1));
    EXPECT_EQ("", Pane(2));
    EXPECT_EQ("", Pane(3));
    // Along the bottom edge of the main window, across its whole width.
    RECT client, bottom;
    GetClientRect(main.Window(), &client);
    GetWindowRect(statusWindow, &bottom);
    MapWindowPoints(nullptr, main.Window(), reinterpret_cast<POINT*>(&bottom), 2);
    EXPECT_EQ(client.bottom, bottom.bottom);
    EXPECT_EQ(client.right - client.left, bottom.right - bottom.left);
}

struct ModeCase {
    int mode;
    std::vector<int> edges;
    const char* text;
};

TEST_F(MainWindowTemplate, StatusBarLayoutFollowsEveryMode)
{
    const ModeCase cases[] = {
        {1, {170, -1}, "File Transfer Mode"},
        {0, {170, 230, 290, -1}, "Emulating"},
        {2, {170, 240, 290, -1}, "Cutting CD"},
        {1, {170, -1}, "File Transfer Mode"},
        {7, {170, 240, 290, -1}, "Cutting CD"},
        {-1, {170, 240, 290, -1}, "Cutting CD"},
        {0, {170, 230, 290, -1}, "Emulating"},
    };
    for (const ModeCase& c : cases) {
        bar->ShowMode(c.mode);
        EXPECT_EQ(c.edges, Edges()) << "mode " << c.mode;
        EXPECT_EQ(c.text, Pane(1)) << "mode " << c.mode;
        EXPECT_EQ("Welcome to Cadrel", Pane(0)) << "mode " << c.mode << " must leave the main text";
    }
}

TEST_F(MainWindowTemplate, StatusBarShowsStateTimeAndMainText)
{
    struct TimeCase {
        int a, b, c;
        const char* shown;
    };
    for (const TimeCase& t : {TimeCase{0, 0, 0, "00:00:00"}, TimeCase{1, 2, 3, "01:02:03"},
                              TimeCase{12, 34, 56, "12:34:56"}, TimeCase{100, 5, 999, "100:05:999"}}) {
        bar->ShowTime(t.a, t.b, t.c);
        EXPECT_EQ(t.shown, Pane(3));
    }
    bar->ShowState("Play");
    EXPECT_EQ("Play", Pane(2));
    // Menu help and error texts reach pane 0 as the window text of item 201.
    SetDlgItemTextA(main.Window(), IDC_STATUS_BAR, "Leave Cadrel");
    EXPECT_EQ("Leave Cadrel", Pane(0));
    main.Controls().UpdateAll();
    EXPECT_EQ("Welcome to Cadrel", Pane(0));
    EXPECT_EQ("Play", Pane(2));
}

TEST_F(MainWindowTemplate, MessageWithLineFeedsIsOneLineWithSpaces)
{
    char text[] = "File not found\nPlease check the module directory\n";
    AddMessageLine(main.Window(), text);
    HWND list = GetDlgItem(main.Window(), IDC_MESSAGES);
    ASSERT_EQ(1, SendMessageA(list, LB_GETCOUNT, 0, 0));
    char shown[128] = "";
    SendMessageA(list, LB_GETTEXT, 0, LPARAM(shown));
    EXPECT_STREQ("File not found Please check the module directory ", shown);
    EXPECT_STREQ(shown, text) << "the line feeds are replaced in the caller's text";
}

TEST_F(MainWindowTemplate, MessagesListKeepsItsNewestLineInView)
{
    HWND list = GetDlgItem(main.Window(), IDC_MESSAGES);
    RECT client;
    GetClientRect(list, &client);
    const int rows = int(client.bottom / SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(rows, 3);
    for (int i = 0; i < 3 * rows; ++i) {
        char line[32];
        snprintf(line, sizeof line, "line %d", i);
        AddMessageLine(main.Window(), line);
        const int top = int(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
        ASSERT_LE(top, i) << "after line " << i;
        ASSERT_LT(i, top + rows) << "line " << i << " is below the visible rows";
    }
    EXPECT_EQ(3 * rows, SendMessageA(list, LB_GETCOUNT, 0, 0)) << "lines are appended, not sorted";
    char last[32] = "";
    SendMessageA(list, LB_GETTEXT, 3 * rows - 1, LPARAM(last));
    EXPECT_EQ("line " + std::to_string(3 * rows - 1), std::string(last));
}

// A list box that reports itself full once it holds a given number of lines, as a real one does
// when its storage runs out (Wine's practically never does).
WNDPROC listBoxProc = nullptr;
LRESULT fullAt = 0;

LRESULT CALLBACK FillingListBox(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LB_ADDSTRING && CallWindowProcA(listBoxProc, window, LB_GETCOUNT, 0, 0) >= fullAt)
        return LB_ERRSPACE;
    return CallWindowProcA(listBoxProc, window, message, wParam, lParam);
}

TEST_F(MainWindowTemplate, FullMessagesListIsEmptiedAndStartsAfresh)
{
    HWND list = GetDlgItem(main.Window(), IDC_MESSAGES);
    fullAt = 5;
    listBoxProc = WNDPROC(SetWindowLongPtrA(list, GWLP_WNDPROC, LONG_PTR(FillingListBox)));
    for (int i = 0; i < 5; ++i) {
        char line[] = "older line";
        AddMessageLine(main.Window(), line);
    }
    ASSERT_EQ(5, SendMessageA(list, LB_GETCOUNT, 0, 0));
    char lost[] = "the line that did not fit";
    AddMessageLine(main.Window(), lost);
    EXPECT_EQ(0, SendMessageA(list, LB_GETCOUNT, 0, 0)) << "a full list is emptied and the new line lost";
    char next[] = "next line";
    AddMessageLine(main.Window(), next);
    ASSERT_EQ(1, SendMessageA(list, LB_GETCOUNT, 0, 0));
    char shown[32] = "";
    SendMessageA(list, LB_GETTEXT, 0, LPARAM(shown));
    EXPECT_STREQ("next line", shown);
    SetWindowLongPtrA(list, GWLP_WNDPROC, LONG_PTR(listBoxProc));
}

}  // namespace
