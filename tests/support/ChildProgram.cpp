#include "ChildProgram.h"
#include <gtest/gtest.h>
#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    std::string lines;
    for (char c : text)
        if (c != '\r')
            lines += c;
    return lines;
}

HANDLE Inheritable(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::vector<std::string> ProgramResult::ErrLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

ProgramResult RunProgram(const std::string& commandLine, const std::string& folder, const std::string& ctrlCWhen)
{
    const std::string out = folder + "\\out.txt", err = folder + "\\err.txt";
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = Inheritable(out);
    start.hStdError = Inheritable(err);
    std::string command = commandLine;
    PROCESS_INFORMATION process = {};
    // Under Wine 8 a Ctrl-C reaches a child only in a console of its own (one without a window
    // here), addressed to its process group: a test has no console to share, and Ctrl-Break does
    // not arrive at all.
    const DWORD flags = ctrlCWhen.empty() ? 0 : CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW;
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &start,
                                        &process);
    CloseHandle(start.hStdOutput);
    CloseHandle(start.hStdError);
    ProgramResult result;
    if (!started) {
        ADD_FAILURE() << "cannot start " << command;
        return result;
    }
    bool pressed = ctrlCWhen.empty();
    while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT)
        if (!pressed && (ReadAll(err) + ReadAll(out)).find(ctrlCWhen) != std::string::npos) {
            FreeConsole();
            AttachConsole(process.dwProcessId);
            SetConsoleCtrlHandler(nullptr, TRUE);  // not for this test itself
            pressed = GenerateConsoleCtrlEvent(CTRL_C_EVENT, process.dwProcessId) != 0;
            FreeConsole();
        }
    EXPECT_TRUE(pressed) << "no Ctrl-C sent: \"" << ctrlCWhen << "\" never came";
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    result.code = int(code);
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    return result;
}

