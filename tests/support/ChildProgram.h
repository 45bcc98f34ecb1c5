// Another program beside the test: started with pipes on its input and output, killed (if it
// still runs) with the object.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// A program run to its end: its exit code and its two output streams, line ends as "\n".
struct ProgramResult {
    int code = -1;
    std::string out, err;
    std::vector<std::string> ErrLines() const;
};
// Runs commandLine to its end, its streams kept in files in folder. With ctrlCWhen, Ctrl-C is
// pressed once its output holds that text.
ProgramResult RunProgram(const std::string& commandLine, const std::string& folder, const std::string& ctrlCWhen = "");

class ChildProgram {
public:
    explicit ChildProgram(std::string commandLine)
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        STARTUPINFOA start = {};
        start.cb = sizeof start, start.dwFlags = STARTF_USESTDHANDLES, start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        CreatePipe(&start.hStdInput, &in_, &inherit, 0), CreatePipe(&out_, &start.hStdOutput, &inherit, 1 << 16);
        SetHandleInformation(in_, HANDLE_FLAG_INHERIT, 0), SetHandleInformation(out_, HANDLE_FLAG_INHERIT, 0);
        // Under load Wine now and then refuses to start a process; that is not what is tested here.
        for (int attempt = 0; attempt < 5 && !CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process_); ++attempt)
            Sleep(100);
        CloseHandle(start.hStdInput), CloseHandle(start.hStdOutput);
    }
    ~ChildProgram() { Kill(), CloseHandle(in_), CloseHandle(out_); }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    bool Started() const { return process_.hProcess != nullptr; }
    // One line to the program and its one line of answer.
    std::string Ask(const std::string& line)
    {
        DWORD written = 0;
        WriteFile(in_, (line + "\n").data(), DWORD(line.size() + 1), &written, nullptr);
        return ReadLine();
    }
    // The next whole line it wrote, without its end; empty once it has ended (a line cut short
    // by a kill does not count).
    std::string ReadLine()
    {
        char chunk[4096];
        size_t end;
        for (DWORD got = 0; (end = buffer_.find('\n')) == std::string::npos; buffer_.append(chunk, got))
            if (!ReadFile(out_, chunk, sizeof chunk, &got, nullptr) || got == 0) return {};
        const std::string line = buffer_.substr(0, end - (end > 0 && buffer_[end - 1] == '\r'));
        buffer_.erase(0, end + 1);
        return line;
    }
    void Kill()
    {
        if (!Started()) return;
        TerminateProcess(process_.hProcess, 99), WaitForSingleObject(process_.hProcess, INFINITE);
        CloseHandle(process_.hThread), CloseHandle(process_.hProcess);
        process_ = {};
    }

private:
    HANDLE in_ = nullptr, out_ = nullptr;
    PROCESS_INFORMATION process_ = {};
    std::string buffer_;
};

// A program built beside the running test; quoted, for a command line.
inline std::string BesidePath(const char* name)
{
    char self[MAX_PATH];
    const std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}
inline std::string BesideThisProgram(const char* name) { return "\"" + BesidePath(name) + "\""; }
