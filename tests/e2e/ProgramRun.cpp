#include "ProgramRun.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include "emulator/EmulatorInterfaces.h"
#include "framework/Application.h"
#include "mainwindow/MainDialog.h"

namespace {

std::string MakeHome()
{
    char base[MAX_PATH] = "";
    GetTempPathA(sizeof base, base);
    char dir[MAX_PATH] = "";
    snprintf(dir, sizeof dir, "%scadrel-e2e-%lu-%llu", base, GetCurrentProcessId(),
             (unsigned long long)GetTickCount64());
    CreateDirectoryA(dir, nullptr);
    return dir;
}

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = dir + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

// The component, loaded for the test's own setup and inspection, released before the program runs.
class Component {
public:
    Component()
    {
        module_ = LoadLibraryA("tamber_co.dll");
        if (module_)
            factory_ = reinterpret_cast<TamberCOCreateInstanceFn>(
                reinterpret_cast<void*>(GetProcAddress(module_, "TamberCOCreateInstance")));
    }
    ~Component()
    {
        if (key_)
            key_->Release();
        if (registry_)
            registry_->Release();
        if (device_) {
            if (handle_)
                device_->ReleaseHandle(handle_, 0, 0);
            device_->Release();
        }
        if (system_)
            system_->Release();
        if (module_)
            FreeLibrary(module_);
    }
    SettingsKey* Key(const char* path)
    {
        if (!factory_ || factory_(CLSID_SettingsRegistry, 0, 0, IID_SettingsRegistry,
                                  reinterpret_cast<void**>(&registry_)) < 0)
            return nullptr;
        if (registry_->OpenKey(path, &key_) < 0)
            key_ = nullptr;
        return key_;
    }
    EmulatorDevice* Device()
    {
        if (!factory_ ||
            factory_(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, reinterpret_cast<void**>(&system_)) < 0)
            return nullptr;
        if (system_->OpenDevice(IID_EmulatorDevice, reinterpret_cast<void**>(&device_), 0, 0, 0) < 0)
            return device_ = nullptr;
        if (device_->AcquireHandle(0, &handle_, 0, 0) < 0)
            return nullptr;
        return device_;
    }
    DWORD Handle() const { return handle_; }

private:
    HMODULE module_ = nullptr;
    TamberCOCreateInstanceFn factory_ = nullptr;
    SettingsRegistry* registry_ = nullptr;
    SettingsKey* key_ = nullptr;
    EmulatorSystem* system_ = nullptr;
    EmulatorDevice* device_ = nullptr;
    DWORD handle_ = 0;
};

// The real main window; one extra message lets a test ask for the full re-upload that the
// Module Manager's command would run.
class TestMainDialog : public MainDialog {
public:
    BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == ProgramRun::UploadAllMessage) {
            UploadInstalledModules();
            return TRUE;
        }
        return MainDialog::HandleMessage(message, wParam, lParam);
    }
};

}  // namespace

uint32_t TraceLine::Arg(const std::string& name) const
{
    auto it = args.find(name);
    return it == args.end() ? 0xFFFFFFFFu : uint32_t(strtoul(it->second.c_str(), nullptr, 0));
}

ProgramRun::ProgramRun() : home_(MakeHome())
{
    ModuleInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    tracePath_ = home_ + "\\trace.txt";
    scenarioPath_ = home_ + "\\scenario.toml";
    _putenv_s("TAMBER_HOME", home_.c_str());
    _putenv_s("TAMBER_TRACE", tracePath_.c_str());
    _putenv_s("TAMBER_EMULATOR", "");
}

ProgramRun::~ProgramRun()
{
    if (!getenv("CADREL_KEEP_E2E"))
        RemoveTree(home_);
}

void ProgramRun::ClearScenario()
{
    _putenv_s("TAMBER_EMULATOR", "");
}

void ProgramRun::Scenario(const std::string& toml)
{
    std::ofstream(scenarioPath_, std::ios::binary) << toml;
    _putenv_s("TAMBER_EMULATOR", scenarioPath_.c_str());
}

int ProgramRun::Run(const std::function<void(Robot&)>& script)
{
    // Trace only the program's own calls, not the test's setup.
    DeleteFileA(tracePath_.c_str());
    const DWORD uiThread = GetCurrentThreadId();
    std::thread robotThread([&] {
        Robot robot(uiThread);
        script(robot);
        if (!Robot::WaitUntil([&] { return robot.MainWindow() == nullptr; }, 1000) && robot.MainWindow())
            robot.Close();
    });
    int result;
    {
        TestMainDialog main;
        result = main.RunModal();
    }
    robotThread.join();
    // Every device call runs under the lock: the emulator never sees a wrong or released handle.
    for (const TraceLine& line : Trace())
        EXPECT_NE(line.result, "0x80070006") << line.op << " was refused its handle";
    // A start-up failure leaves its quit message behind; the next run must not see it.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    return result;
}

std::string ProgramRun::TraceText() const
{
    std::ifstream in(tracePath_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<TraceLine> ProgramRun::Trace() const
{
    std::vector<TraceLine> lines;
    std::istringstream in(TraceText());
    std::string raw;
    while (std::getline(in, raw)) {
        std::istringstream words(raw);
        TraceLine line;
        if (!(words >> line.ms >> line.op))
            continue;
        std::string word;
        bool result = false;
        while (words >> word) {
            if (word == "->") {
                result = true;
            } else if (result) {
                line.result = word;
            } else if (auto eq = word.find('='); eq != std::string::npos) {
                std::string value = word.substr(eq + 1);
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
                line.args[word.substr(0, eq)] = value;
            }
        }
        if (result)
            lines.push_back(line);
    }
    return lines;
}

std::vector<TraceLine> ProgramRun::Calls(const std::string& op) const
{
    std::vector<TraceLine> calls;
    for (const TraceLine& line : Trace())
        if (line.op == op)
            calls.push_back(line);
    return calls;
}

std::string ProgramRun::ReadSetting(const char* key, const char* name) const
{
    Component component;
    SettingsKey* settings = component.Key(key);
    if (!settings)
        return "<no key>";
    DWORD size = 0;
    settings->QueryValue(name, nullptr, &size);
    if (size == 0)
        return "";
    std::string text(size, '\0');
    settings->QueryValue(name, reinterpret_cast<BYTE*>(text.data()), &size);
    text.resize(strlen(text.c_str()));
    return text;
}

bool ProgramRun::HasSetting(const char* key, const char* name) const
{
    Component component;
    SettingsKey* settings = component.Key(key);
    DWORD size = 0;
    return settings && (settings->QueryValue(name, nullptr, &size), size != 0);
}

void ProgramRun::WriteSetting(const char* key, const char* name, const std::string& value) const
{
    Component component;
    if (SettingsKey* settings = component.Key(key))
        settings->SetValue(name, value.c_str());
}

std::vector<uint8_t> ProgramRun::ReadBinarySetting(const char* key, const char* name) const
{
    Component component;
    SettingsKey* settings = component.Key(key);
    std::vector<uint8_t> data(1024);
    DWORD size = DWORD(data.size());
    if (!settings || settings->QueryBinaryValue(name, data.data(), &size) < 0)
        return {};
    data.resize(size);
    return data;
}

std::vector<uint8_t> ProgramRun::ReadSram(uint32_t address, uint32_t length) const
{
    Component component;
    std::vector<uint8_t> data(length);
    EmulatorDevice* device = component.Device();
    DWORD size = length;
    if (!device || device->ReadMemory(component.Handle(), address, data.data(), &size) < 0)
        return {};
    return data;
}

void ProgramRun::WriteSram(uint32_t address, const std::vector<uint8_t>& data) const
{
    Component component;
    if (EmulatorDevice* device = component.Device())
        device->WriteMemory(component.Handle(), address, data.data(), DWORD(data.size()));
}

void ProgramRun::WriteModuleFile(const std::string& name, size_t bytes) const
{
    const std::string path = ModulePath() + "\\" + name + ".bin";
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < bytes; ++i)
        out.put(char(i * 7 + 3));
}

double ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) { return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}
