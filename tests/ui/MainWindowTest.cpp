// The Messages list as device messages reach it (which lines the program writes: end to end).
#include "UiSupport.h"
#include <string>
#include "emulator/MessageSink.h"

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
        EXPECT_TRUE(sink->Notify(i % 2 ? 0 : 2, other.data()) == 1 && sink->Notify(1, line.data()) == 1);
        ASSERT_EQ(i + 1, SendMessageA(list, LB_GETCOUNT, 0, 0)) << "each kind 1 message, and only those, adds one line";
        char shown[256] = "";
        SendMessageA(list, LB_GETTEXT, i, LPARAM(shown));
        ASSERT_EQ("File " + std::to_string(i) + " not found Check the directory ", std::string(shown)) << "line feeds show as spaces";
        const int top = int(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
        ASSERT_TRUE(top <= i && i < top + rows) << "line " << i << " is out of view; top row is " << top;
    }
    EXPECT_EQ(sink->Release(), 0u);
}
