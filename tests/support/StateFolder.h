// A state folder of the virtual emulator's own for one test: TAMBER_HOME names it while it lives,
// and a scenario and a call trace live in it. Settings and SRAM are reached through the component,
// as the programs reach them.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "ScenarioText.h"
#include "interface/EmulatorInterfaces.h"

// The component's one export, as the programs find it.
inline TamberCOCreateInstanceFn FactoryOf(HMODULE dll)
{
    return dll ? reinterpret_cast<TamberCOCreateInstanceFn>(reinterpret_cast<void*>(GetProcAddress(dll, "TamberCOCreateInstance"))) : nullptr;
}

// The component loaded for as long as this lives; what it opened is released with it.
struct Component {
    Component();
    ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;
    SettingsKey* Key(const char* path);
    // The device, and with acquire its handle too.
    EmulatorDevice* Device(bool acquire = true);

    HMODULE module;
    SettingsRegistry* registry = nullptr;
    SettingsKey* key = nullptr;
    EmulatorSystem* system = nullptr;
    EmulatorDevice* device = nullptr;
    DWORD handle = 0;
};

class StateFolder {
public:
    // traced: the call trace goes to TracePath() from now on.
    explicit StateFolder(const char* prefix, bool traced = false);
    virtual ~StateFolder();
    StateFolder(const StateFolder&) = delete;
    StateFolder& operator=(const StateFolder&) = delete;

    void Scenario(const std::string& toml);
    void ClearScenario();  // back to the built-in default, e.g. to inspect after a faulty run
    std::vector<std::string> TraceLines() const;

    std::string ReadSetting(const char* key, const char* name) const;
    void WriteSetting(const char* key, const char* name, const std::string& value) const;
    std::vector<uint8_t> ReadBinarySetting(const char* key, const char* name) const;
    void WriteBinarySetting(const char* key, const char* name, const std::vector<uint8_t>& value) const;
    std::vector<uint8_t> ReadSram(uint32_t address, uint32_t length) const;
    void WriteSram(uint32_t address, const std::vector<uint8_t>& data) const;
    std::string ModulePath() const { return ReadSetting(MachineKey, "Path"); }

    const std::string& Home() const { return home_; }
    std::string TracePath() const { return home_ + "\\trace.txt"; }
    static constexpr const char* MachineKey = "\\\\Machine\\CDModules";
    static constexpr const char* UserKey = "\\\\User\\Cadrel";

private:
    std::string home_;
};

// A file of bytes written into folder (made when missing); returns its path.
std::string WriteBytes(const std::string& folder, const std::string& name, size_t bytes);
