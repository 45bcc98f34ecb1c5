#include "StateFolder.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>

Component::Component() : module(LoadLibraryA("tamber_co.dll")) {}

Component::~Component()
{
    if (handle)
        device->ReleaseHandle(handle, 0, 0);
    for (IUnknown* object : std::initializer_list<IUnknown*>{key, registry, device, system})
        if (object)
            object->Release();
    FreeLibrary(module);
}

namespace {

HRESULT Create(HMODULE module, REFCLSID clsid, REFIID iid, void** out)
{
    const TamberCOCreateInstanceFn factory = FactoryOf(module);
    return factory ? factory(clsid, 0, 0, iid, out) : E_FAIL;
}

}  // namespace

SettingsKey* Component::Key(const char* path)
{
    if (Create(module, CLSID_SettingsRegistry, IID_SettingsRegistry, reinterpret_cast<void**>(&registry)) < 0 ||
        registry->OpenKey(path, &key) < 0)
        return key = nullptr;
    return key;
}

EmulatorDevice* Component::Device(bool acquire)
{
    if (Create(module, CLSID_EmulatorSystem, IID_EmulatorSystem, reinterpret_cast<void**>(&system)) < 0 ||
        system->OpenDevice(IID_EmulatorDevice, reinterpret_cast<void**>(&device), 0, 0, 0) < 0)
        return device = nullptr;
    return acquire && device->AcquireHandle(0, &handle, 0, 0) < 0 ? nullptr : device;
}

StateFolder::StateFolder(const char* prefix, bool traced)
{
    static int folders = 0;
    home_ = (std::filesystem::temp_directory_path() /
             (prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++folders)))
                .string();
    std::filesystem::remove_all(home_);
    std::filesystem::create_directories(home_);
    SetEnvironmentVariableA("TAMBER_HOME", home_.c_str());
    SetEnvironmentVariableA("TAMBER_TRACE", traced ? TracePath().c_str() : nullptr);
    ClearScenario();
}

StateFolder::~StateFolder()
{
    std::error_code ignored;
    if (!getenv("CADREL_KEEP_E2E"))
        std::filesystem::remove_all(home_, ignored);
}

void StateFolder::ClearScenario() { SetEnvironmentVariableA("TAMBER_EMULATOR", nullptr); }

void StateFolder::Scenario(const std::string& toml)
{
    const std::string path = home_ + "\\scenario.toml";
    std::ofstream(path, std::ios::binary) << toml;
    SetEnvironmentVariableA("TAMBER_EMULATOR", path.c_str());
}

std::vector<std::string> StateFolder::TraceLines() const
{
    std::ifstream in(TracePath(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
    return lines;
}

std::string StateFolder::ReadSetting(const char* key, const char* name) const
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

void StateFolder::WriteSetting(const char* key, const char* name, const std::string& value) const
{
    Component component;
    if (SettingsKey* settings = component.Key(key))
        settings->SetValue(name, value.c_str());
}

std::vector<uint8_t> StateFolder::ReadBinarySetting(const char* key, const char* name) const
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

void StateFolder::WriteBinarySetting(const char* key, const char* name, const std::vector<uint8_t>& value) const
{
    Component component;
    if (SettingsKey* settings = component.Key(key))
        settings->SetBinaryValue(name, value.data(), DWORD(value.size()));
}

std::vector<uint8_t> StateFolder::ReadSram(uint32_t address, uint32_t length) const
{
    Component component;
    std::vector<uint8_t> data(length);
    EmulatorDevice* device = component.Device();
    DWORD size = length;
    if (!device || device->ReadMemory(component.handle, address, data.data(), &size) < 0)
        return {};
    return data;
}

void StateFolder::WriteSram(uint32_t address, const std::vector<uint8_t>& data) const
{
    Component component;
    if (EmulatorDevice* device = component.Device())
        device->WriteMemory(component.handle, address, data.data(), DWORD(data.size()));
}

std::string WriteBytes(const std::string& folder, const std::string& name, size_t bytes)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    std::ofstream out(folder + "\\" + name, std::ios::binary);
    for (size_t i = 0; i < bytes; ++i)
        out.put(char(i * 13 + 5));
    return folder + "\\" + name;
}
