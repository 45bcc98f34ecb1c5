// The real cadrel.exe, started beside this test, ends with exit code 0 however its main window
// is closed.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include "UiSupport.h"
#include "resources/ResourceIds.h"

namespace {

struct Found {
    DWORD process;
    const char* title;
    HWND window;
};

HWND FindProcessWindow(DWORD process, const char* title)
{
    Found found{process, title, nullptr};
    EnumWindows([](HWND window, LPARAM param) -> BOOL {
        auto* f = reinterpret_cast<Found*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == f->process && IsWindowVisible(window) && WindowText(window) == f->title) {
            f->window = window;
            return FALSE;
        }
        return TRUE;
    }, LPARAM(&found));
    return found.window;
}

// Texts of the static items of a message box, to say what it reported.
std::string BoxText(HWND box)
{
    std::string text;
    EnumChildWindows(box, [](HWND child, LPARAM param) -> BOOL {
        char cls[32] = "";
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0)
            *reinterpret_cast<std::string*>(param) += WindowText(child) + " ";
        return TRUE;
    }, LPARAM(&text));
    return text;
}

class CadrelProcess {
public:
    CadrelProcess()
    {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        static int runs = 0;
        home_ = std::string(temp) + "cadrel-ui-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs);
        CreateDirectoryA(home_.c_str(), nullptr);
        // A state directory of its own, so no earlier run's settings or SRAM play a part.
        SetEnvironmentVariableA("TAMBER_HOME", home_.c_str());
        std::string command = "\"" + ExecutableDirectory() + "cadrel.exe\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_);
        SetEnvironmentVariableA("TAMBER_HOME", nullptr);
    }
    ~CadrelProcess()
    {
        if (started_) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(info_.hProcess, 99);
            CloseHandle(info_.hThread);
            CloseHandle(info_.hProcess);
        }
    }
    bool Started() const { return started_ != FALSE; }
    DWORD Id() const { return info_.dwProcessId; }

    // The main window, or null; a message box shown instead is reported through problem.
    HWND WaitForMainWindow(std::string& problem)
    {
        for (int i = 0; i < 600; ++i) {
            if (HWND main = FindProcessWindow(Id(), "Tamber Cadrel"))
                return main;
            for (const char* caption : {"Error", "Validation Error", "Module Delete"}) {
                if (HWND box = FindProcessWindow(Id(), caption)) {
                    problem = std::string("\"") + caption + "\" box: " + BoxText(box);
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                    return nullptr;
                }
            }
            if (WaitForSingleObject(info_.hProcess, 50) == WAIT_OBJECT_0) {
                problem = "cadrel.exe ended before showing its main window";
                return nullptr;
            }
        }
        problem = "no main window within 30 seconds";
        return nullptr;
    }

    // The exit code, or -1 when the process is still running after the wait.
    long WaitForExit(DWORD ms)
    {
        if (WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return long(code);
    }

private:
    std::string home_;
    PROCESS_INFORMATION info_{};
    BOOL started_ = FALSE;
};

struct CloseWay {
    const char* name;
    void (*close)(HWND main);
};

class ProgramExit : public testing::TestWithParam<CloseWay> {};

TEST_P(ProgramExit, IsZeroHoweverTheMainWindowIsClosed)
{
    CadrelProcess cadrel;
    ASSERT_TRUE(cadrel.Started()) << "cadrel.exe not found beside the test";
    std::string problem;
    HWND main = cadrel.WaitForMainWindow(problem);
    ASSERT_NE(nullptr, main) << problem;
    Sleep(200);  // let start-up finish its first poll
    GetParam().close(main);
    EXPECT_EQ(0, cadrel.WaitForExit(20000)) << "after closing with " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Ways, ProgramExit, testing::Values(
    CloseWay{"ExitButton", [](HWND main) {
        // A real click on the button: the dialog sends WM_COMMAND 2 with BN_CLICKED.
        PostMessageA(GetDlgItem(main, ID_EXIT), BM_CLICK, 0, 0);
    }},
    CloseWay{"FileExitMenu", [](HWND main) { PostMessageA(main, WM_COMMAND, ID_EXIT, 0); }},
    CloseWay{"CloseBox", [](HWND main) { PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    CloseWay{"EscapeKey", [](HWND main) { PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0x00010001); }}),
    [](const testing::TestParamInfo<CloseWay>& info) { return std::string(info.param.name); });

// What the screenshot shows, checked item by item on the running program.
TEST(Program, MainWindowShowsMenuInformationLinesMessagesButtonsAndStatusBar)
{
    CadrelProcess cadrel;
    ASSERT_TRUE(cadrel.Started());
    std::string problem;
    HWND main = cadrel.WaitForMainWindow(problem);
    ASSERT_NE(nullptr, main) << problem;

    // Wine keeps menus per process, so only the menu bar's presence can be seen from here.
    EXPECT_NE(nullptr, GetMenu(main));
    for (int id : {IDC_TARGET, IDC_EMULATION_DEVICE, IDC_CUTTING_DEVICE}) {
        HWND line = GetDlgItem(main, id);
        EXPECT_TRUE(IsWindowVisible(line)) << "information line " << id;
        EXPECT_FALSE(WindowText(line).empty()) << "information line " << id << " is blank";
    }
    EXPECT_EQ("Messages", ItemText(main, IDC_MESSAGES_GROUP));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(main, IDC_MESSAGES)));
    for (int id : {ID_MODE_TOGGLE, ID_CUT_GOLD_DISC, ID_EXIT})
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(main, id))) << "button " << id;
    EXPECT_EQ("Exit", ItemText(main, ID_EXIT));
    HWND status = GetDlgItem(main, IDC_STATUS_BAR);
    ASSERT_NE(nullptr, status) << "no status bar";
    EXPECT_TRUE(IsWindowVisible(status));
    // The parts' texts need a buffer in the program's process; their count does not.
    EXPECT_EQ(4, SendMessageA(status, SB_GETPARTS, 0, 0)) << "emulation mode shows four panes";
    EXPECT_EQ("Welcome to Cadrel", WindowText(status)) << "pane 0 is the status bar's window text";

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, cadrel.WaitForExit(20000));
}

}  // namespace
