#include "ProgramRun.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include "interface/EmulatorInterfaces.h"
#include "framework/Application.h"
#include "mainwindow/MainDialog.h"

namespace {

// The component as the test itself uses it, for setup and inspection; unloaded after each use
// so the program starts it afresh.
struct Component {
    HMODULE module = LoadLibraryA("tamber_co.dll");
    SettingsRegistry* registry = nullptr;
    SettingsKey* key = nullptr;
    EmulatorSystem* system = nullptr;
    EmulatorDevice* device = nullptr;
    DWORD handle = 0;

    ~Component()
    {
        if (handle)
            device->ReleaseHandle(handle, 0, 0);
        for (IUnknown* object : std::initializer_list<IUnknown*>{key, registry, device, system})
            if (object)
                object->Release();
        FreeLibrary(module);
    }
    HRESULT Create(REFCLSID clsid, REFIID iid, void** out)
    {
        auto factory = reinterpret_cast<TamberCOCreateInstanceFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "TamberCOCreateInstance")));
        return factory ? factory(clsid, 0, 0, iid, out) : E_FAIL;
    }
    SettingsKey* Key(const char* path)
    {
        if (Create(CLSID_SettingsRegistry, IID_SettingsRegistry, reinterpret_cast<void**>(&registry)) < 0 ||
            registry->OpenKey(path, &key) < 0)
            return key = nullptr;
        return key;
    }
    EmulatorDevice* Device()
    {
        if (Create(CLSID_EmulatorSystem, IID_EmulatorSystem, reinterpret_cast<void**>(&system)) < 0 ||
            system->OpenDevice(IID_EmulatorDevice, reinterpret_cast<void**>(&device), 0, 0, 0) < 0)
            return device = nullptr;
        return device->AcquireHandle(0, &handle, 0, 0) < 0 ? nullptr : device;
    }
};

// The real main window; one extra message lets a test ask for the full re-upload that the
// Module Manager's command would run.
class TestMainDialog : public MainDialog {
public:
    explicit TestMainDialog(CutWaitBounds bounds) : MainDialog(bounds) {}
    BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != ProgramRun::UploadAllMessage)
            return MainDialog::HandleMessage(message, wParam, lParam);
        Uploader().UploadInstalledModules();
        return TRUE;
    }
};

}  // namespace

uint32_t TraceLine::Arg(const std::string& name) const
{
    auto it = args.find(name);
    return it == args.end() ? 0xFFFFFFFFu : uint32_t(strtoul(it->second.c_str(), nullptr, 0));
}

ProgramRun::ProgramRun()
{
    static int runs = 0;
    home_ = (std::filesystem::temp_directory_path() /
             ("cadrel-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs)))
                .string();
    std::filesystem::remove_all(home_);
    std::filesystem::create_directories(home_);
    ModuleInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    tracePath_ = home_ + "\\trace.txt";
    _putenv_s("TAMBER_HOME", home_.c_str());
    _putenv_s("TAMBER_TRACE", tracePath_.c_str());
    ClearScenario();
}

ProgramRun::~ProgramRun()
{
    std::error_code ignored;
    if (!getenv("CADREL_KEEP_E2E"))
        std::filesystem::remove_all(home_, ignored);
}

void ProgramRun::ClearScenario() { _putenv_s("TAMBER_EMULATOR", ""); }

void ProgramRun::Scenario(const std::string& toml)
{
    const std::string path = home_ + "\\scenario.toml";
    std::ofstream(path, std::ios::binary) << toml;
    _putenv_s("TAMBER_EMULATOR", path.c_str());
}

int ProgramRun::Run(const std::function<void(Robot&)>& script)
{
    DeleteFileA(tracePath_.c_str());  // the program's own calls only, not the test's setup
    const DWORD uiThread = GetCurrentThreadId();
    std::thread robotThread([&] {
        Robot robot(uiThread);
        script(robot);
        // A close the script asked for is under way or done; a second one posted now is dropped.
        if (!Robot::WaitUntil([&] { return robot.MainWindow() == nullptr; }, 200))
            robot.Close();
    });
    int result;
    {
        TestMainDialog main(cutWaitBounds);
        result = main.RunModal();
    }
    robotThread.join();
    // Every device call runs under the lock: the emulator never sees a wrong or released handle.
    // Nested levels keep the handle they hold: the program never asks the box for a second one.
    for (const TraceLine& line : Trace()) {
        EXPECT_NE(line.result, "0x80070006") << line.op << " was refused its handle";
        EXPECT_FALSE(line.op == "AcquireHandle" && line.result == "0x800700AA") << "a second handle was asked for";
    }
    // A start-up failure leaves its quit message behind; the next run must not see it.
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
    }
    return result;
}

std::vector<TraceLine> ProgramRun::Trace() const
{
    std::vector<TraceLine> lines;
    std::ifstream in(tracePath_, std::ios::binary);
    std::string raw;
    while (std::getline(in, raw)) {
        std::istringstream words(raw);
        TraceLine line;
        std::string word;
        if (!(words >> line.ms >> line.op))
            continue;
        while (words >> word && word != "->") {
            const size_t eq = word.find('=');
            std::string value = word.substr(eq + 1);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (eq != std::string::npos)
                line.args[word.substr(0, eq)] = value;
        }
        if (word == "->" && words >> line.result)
            lines.push_back(line);
    }
    return lines;
}

std::vector<TraceLine> ProgramRun::Calls(const std::string& op) const
{
    std::vector<TraceLine> calls = Trace();
    calls.erase(std::remove_if(calls.begin(), calls.end(), [&](const TraceLine& line) { return line.op != op; }), calls.end());
    return calls;
}

std::string ProgramRun::ReadSetting(const char* key, const char* name) const
{
    Component component;
    SettingsKey* settings = component.Key(key);
    DWORD size = 0;
    if (!settings || (settings->QueryValue(name, nullptr, &size), size == 0))
        return settings ? "" : "<no key>";
    std::string text(size, '\0');
    settings->QueryValue(name, reinterpret_cast<BYTE*>(text.data()), &size);
    return text.c_str();
}

void ProgramRun::WriteSetting(const char* key, const char* name, const std::string& value) const
{
    Component component;
    if (SettingsKey* settings = component.Key(key))
        settings->SetValue(name, value.c_str());
}

void ProgramRun::WriteBinarySetting(const char* key, const char* name, const std::vector<uint8_t>& value) const
{
    Component component;
    if (SettingsKey* settings = component.Key(key))
        settings->SetBinaryValue(name, value.data(), DWORD(value.size()));
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
    if (!device || device->ReadMemory(component.handle, address, data.data(), &size) < 0)
        return {};
    return data;
}

void ProgramRun::WriteSram(uint32_t address, const std::vector<uint8_t>& data) const
{
    Component component;
    if (EmulatorDevice* device = component.Device())
        device->WriteMemory(component.handle, address, data.data(), DWORD(data.size()));
}

void ProgramRun::WriteModuleFile(const std::string& name, size_t bytes) const
{
    std::ofstream out(ModulePath() + "\\" + name + ".bin", std::ios::binary);
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

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool WaitForPoll(Robot& robot, int timeoutMs)
{
    return Robot::WaitUntil([&] { return robot.MainWindow() && !robot.StatusPane(2).empty(); }, timeoutMs);
}
