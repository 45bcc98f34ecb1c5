#include "CtlRun.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Beside(const char* name)
{
    char self[MAX_PATH];
    const std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

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

TamberCOCreateInstanceFn Factory(HMODULE module)
{
    return reinterpret_cast<TamberCOCreateInstanceFn>(reinterpret_cast<void*>(GetProcAddress(module, "TamberCOCreateInstance")));
}

// The settings key through the component, loaded for this one use.
struct Key {
    HMODULE module = LoadLibraryA("tamber_co.dll");
    SettingsRegistry* registry = nullptr;
    SettingsKey* key = nullptr;
    explicit Key(const char* path)
    {
        if (Factory(module)(CLSID_SettingsRegistry, 0, 0, IID_SettingsRegistry, reinterpret_cast<void**>(&registry)) < 0 ||
            registry->OpenKey(path, &key) < 0)
            key = nullptr;
    }
    ~Key()
    {
        if (key)
            key->Release();
        if (registry)
            registry->Release();
        FreeLibrary(module);
    }
};

}  // namespace

std::vector<std::string> CtlResult::ErrLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

CtlHome::CtlHome()
{
    static int homes = 0;
    home_ = (std::filesystem::temp_directory_path() /
             ("cadrelctl-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++homes))).string();
    std::filesystem::remove_all(home_);
    std::filesystem::create_directories(home_);
    program_ = Beside("cadrelctl.exe");
    SetEnvironmentVariableA("TAMBER_HOME", home_.c_str());
    SetEnvironmentVariableA("TAMBER_EMULATOR", nullptr);
    SetEnvironmentVariableA("TAMBER_TRACE", nullptr);
}

CtlHome::~CtlHome()
{
    if (device_)
        device_->Release();
    if (system_)
        system_->Release();
    if (keeper_)
        FreeLibrary(keeper_);
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}

void CtlHome::Scenario(const std::string& toml)
{
    const std::string path = home_ + "\\scenario.toml";
    std::ofstream(path, std::ios::binary) << toml;
    SetEnvironmentVariableA("TAMBER_EMULATOR", path.c_str());
}

void CtlHome::KeepBox()
{
    keeper_ = LoadLibraryA("tamber_co.dll");
    ASSERT_GE(Factory(keeper_)(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, reinterpret_cast<void**>(&system_)), 0);
    ASSERT_GE(system_->OpenDevice(IID_EmulatorDevice, reinterpret_cast<void**>(&device_), 0, 0, 0), 0);
}

CtlResult CtlHome::Run(const std::string& args, const std::string& ctrlCWhen)
{
    const std::string out = home_ + "\\out.txt", err = home_ + "\\err.txt";
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = Inheritable(out);
    start.hStdError = Inheritable(err);
    std::string command = "\"" + program_ + "\" " + args;
    PROCESS_INFORMATION process = {};
    // Only the child's calls go to the trace. Under Wine 8 a Ctrl-C reaches a child only in a
    // console of its own (one without a window here), addressed to its process group: this test
    // has no console to share, and Ctrl-Break does not arrive at all.
    SetEnvironmentVariableA("TAMBER_TRACE", (home_ + "\\trace.txt").c_str());
    const DWORD flags = ctrlCWhen.empty() ? 0 : CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW;
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &start,
                                        &process);
    SetEnvironmentVariableA("TAMBER_TRACE", nullptr);
    CloseHandle(start.hStdOutput);
    CloseHandle(start.hStdError);
    CtlResult result;
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

std::vector<std::string> CtlHome::Trace() const
{
    std::istringstream in(ReadAll(home_ + "\\trace.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int CtlHome::Count(const std::string& traced) const
{
    int count = 0;
    for (const std::string& line : Trace())
        count += line.find(traced) != std::string::npos;
    return count;
}

std::string CtlHome::Setting(const char* name, const char* path) const
{
    Key key(path);
    DWORD size = 0;
    if (!key.key || key.key->QueryValue(name, nullptr, &size) < 0 || size == 0)
        return "<none>";
    std::string text(size, '\0');
    key.key->QueryValue(name, reinterpret_cast<BYTE*>(text.data()), &size);
    return text.c_str();
}

void CtlHome::SetSetting(const char* name, const std::string& value) const
{
    Key key("\\\\Machine\\CDModules");
    if (key.key)
        key.key->SetValue(name, value.c_str());
}

std::string WriteBytes(const std::string& folder, const std::string& name, size_t bytes)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    std::ofstream out(folder + "\\" + name, std::ios::binary);
    for (size_t i = 0; i < bytes; ++i)
        out.put(char(i * 13 + 5));
    return folder + "\\" + name;
}
