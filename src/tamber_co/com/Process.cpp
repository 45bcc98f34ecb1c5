#include "com/Process.h"
#include "interface/EmulatorInterfaces.h"
#include <cstdio>
#include <cstring>
#include "store/AtomicFile.h"
#include "store/NamedBoxShare.h"

volatile LONG LiveObjects = 0;

namespace {

// A variable of the environment in UTF-8, read through the wide API so every letter of a user
// name survives whatever the ANSI code page. Empty when unset.
std::string Environment(const wchar_t* name)
{
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    const DWORD n = value.empty() ? 0 : GetEnvironmentVariableW(name, value.data(), DWORD(value.size()));
    return n > 0 && n < value.size() ? Utf8(value.substr(0, n)) : std::string();
}

// A folder from the environment as a full path: "/tmp/home" under Wine becomes "Z:\tmp\home", so
// the module path stored in the settings still works after the program changes its drive.
std::string FullPath(const std::string& path)
{
    const std::wstring wide = WidePath(path);
    std::wstring full(path.empty() ? 0 : GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD n = full.empty() ? 0 : GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr);
    return n > 0 && n < full.size() ? Utf8(full.substr(0, n)) : path;
}

void Setup(Process& p)
{
    const std::string home = FullPath(Environment(L"TAMBER_HOME"));
    std::string machineRoot, userRoot;
    if (!home.empty()) {
        p.stateDir = home;
        machineRoot = JoinPath(home, "Machine");
        userRoot = JoinPath(home, "User");
        p.moduleFolder = JoinPath(home, "Modules");
    } else {
        const std::string programData = Environment(L"ProgramData");
        const std::string appData = Environment(L"APPDATA");
        const std::string localAppData = Environment(L"LOCALAPPDATA");
        if (programData.empty() || appData.empty() || localAppData.empty()) {
            TraceText("setup failed: neither TAMBER_HOME nor ProgramData, APPDATA and LOCALAPPDATA are set");
            return;
        }
        p.stateDir = JoinPath(localAppData, "Tamber");
        machineRoot = JoinPath(JoinPath(programData, "Tamber"), "Machine");
        userRoot = JoinPath(JoinPath(appData, "Tamber"), "User");
        p.moduleFolder = JoinPath(JoinPath(programData, "Tamber"), "Modules");
    }
    p.scenario = DefaultScenario();
    const std::string file = FullPath(Environment(L"TAMBER_EMULATOR"));
    if (!file.empty()) {
        std::string error;
        if (!LoadScenarioFile(file, p.scenario, error)) {
            // Every factory call fails from here on; the trace says why.
            TraceText("scenario error: %s", error.c_str());
            return;
        }
        TraceText("scenario %s", file.c_str());
    }
    p.faults = std::make_unique<FaultPlan>(p.scenario.faults);
    p.clock = std::make_unique<RealClock>(p.scenario.timeScale);
    p.store = std::make_unique<SettingsStore>(machineRoot, userRoot);
    TraceText("state %s", p.stateDir.c_str());
    p.ready = true;
}

}  // namespace

static Process* TheProcessMade = nullptr;  // for the unload, which must not make one

Process& TheProcess()
{
    // Never destroyed: objects the program still holds at exit keep a valid process behind them.
    static Process* process = [] {
        Process* p = new Process;
        Setup(*p);
        return TheProcessMade = p;
    }();
    return *process;
}

VirtualEmulator* TheBox(Process& p)
{
    if (p.box) return p.box.get();
    std::string error;
    if (!p.share) p.share = OpenNamedBox(p.stateDir, error);
    if (!p.share) {
        TraceText("box error: %s", error.c_str());
        return nullptr;
    }
    auto box = std::make_unique<VirtualEmulator>(p.scenario, *p.clock, *p.faults, p.stateDir, p.share.get());
    for (const std::string& note : box->TakeTraceNotes()) TraceText("%s", note.c_str());
    if (box->Opened()) p.box = std::move(box);
    return p.box.get();
}

void CloseTheBox()
{
    Process* p = TheProcessMade;
    if (!p) return;
    std::lock_guard<std::mutex> guard(p->lock);
    p->box.reset();
    p->share.reset();
}

long NextSerial() noexcept
{
    static volatile LONG serial = 0;
    return InterlockedIncrement(&serial);
}

TraceWord GuidName(const GUID& id) noexcept
{
    struct Known {
        const GUID* id;
        const char* name;
    };
    static const GUID unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    static const Known known[] = {
        {&CLSID_EmulatorSystem, "CLSID_EmulatorSystem"}, {&IID_EmulatorSystem, "IID_EmulatorSystem"},
        {&IID_EmulatorDevice, "IID_EmulatorDevice"},     {&IID_EmulatorSink, "IID_EmulatorSink"},
        {&CLSID_SettingsRegistry, "CLSID_SettingsRegistry"}, {&IID_SettingsRegistry, "IID_SettingsRegistry"},
        {&IID_SettingsKey, "IID_SettingsKey"},           {&unknown, "IID_IUnknown"},
    };
    TraceWord word;
    for (const Known& k : known) {
        if (IsEqualGUID(id, *k.id)) {
            std::snprintf(word.text, sizeof word.text, "%s", k.name);
            return word;
        }
    }
    std::snprintf(word.text, sizeof word.text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
                  id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return word;
}

TraceWord Shown(const char* text) noexcept
{
    TraceWord word;
    if (!text) std::snprintf(word.text, sizeof word.text, "(null)");
    else std::snprintf(word.text, sizeof word.text, std::strlen(text) > 120 ? "%.120s..." : "%s", text);
    return word;
}
