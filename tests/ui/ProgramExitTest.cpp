// The real cadrel.exe, started beside this test, ends with exit code 0 however its main window
// is closed.
#include <string>
#include "UiSupport.h"

namespace {

// The process's visible main window, or null.
HWND MainWindowOf(DWORD process)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, nullptr, "Tamber Cadrel"));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

struct CloseWay {
    const char* name;
    void (*close)(HWND main);
};

class ProgramExit : public testing::TestWithParam<CloseWay> {};

TEST_P(ProgramExit, IsZeroHoweverTheMainWindowIsClosed)
{
    char path[MAX_PATH] = "", temp[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string command = path;
    command = "\"" + command.substr(0, command.find_last_of("\\/") + 1) + "cadrel.exe\"";
    // A state directory of its own, so no earlier run's settings or SRAM play a part.
    GetTempPathA(sizeof temp, temp);
    const std::string home = std::string(temp) + "cadrel-ui-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(home.c_str(), nullptr);
    SetEnvironmentVariableA("TAMBER_HOME", home.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION cadrel{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &cadrel))
        << "cannot start " << command;
    HWND main = nullptr;
    for (int i = 0; i < 600 && !main && WaitForSingleObject(cadrel.hProcess, 50) == WAIT_TIMEOUT; ++i)
        main = MainWindowOf(cadrel.dwProcessId);
    EXPECT_NE(nullptr, main) << "cadrel.exe showed no main window within 30 s";
    if (main) {
        Sleep(200);  // let start-up finish its first poll
        GetParam().close(main);
    }
    DWORD code = 259;
    if (WaitForSingleObject(cadrel.hProcess, 20000) == WAIT_TIMEOUT)
        TerminateProcess(cadrel.hProcess, 259);
    GetExitCodeProcess(cadrel.hProcess, &code);
    EXPECT_EQ(0u, code) << "exit code after closing with " << GetParam().name << " (259: still running after 20 s)";
    CloseHandle(cadrel.hThread);
    CloseHandle(cadrel.hProcess);
}

INSTANTIATE_TEST_SUITE_P(Ways, ProgramExit, testing::Values(
    CloseWay{"ExitButton", [](HWND main) { PostMessageA(GetDlgItem(main, ID_EXIT), BM_CLICK, 0, 0); }},
    CloseWay{"FileExitMenu", [](HWND main) { PostMessageA(main, WM_COMMAND, ID_EXIT, 0); }},
    CloseWay{"CloseBox", [](HWND main) { PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    CloseWay{"EscapeKey", [](HWND main) { PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0x00010001); }}),
    [](const testing::TestParamInfo<CloseWay>& info) { return std::string(info.param.name); });

}  // namespace
