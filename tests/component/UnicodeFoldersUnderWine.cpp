// Folders named with letters the ANSI code page lacks, as a user name such as "Łukasz" gives
// them under a Western code page: the box's SRAM and the window placement are saved there and
// found again by the next load; the module folder, which the program names in ANSI, is left unset.
#include <cstring>
#include <gtest/gtest.h>
#include <filesystem>
#include "StateFolder.h"

TEST(TamberCo, FoldersWithLettersOutsideTheCodePageKeepTheStateAndSettings)
{
    const std::wstring root = std::filesystem::temp_directory_path().wstring() + L"\u0141ukasz-\u03A9\u03BC\u03AD\u03B3\u03B1-" +
                              std::to_wstring(GetCurrentProcessId());
    const struct { const wchar_t* home; std::wstring sram, key; } cases[] = {
        {L"\\home", L"\\home\\sram.bin", L"\\home\\User\\Cadrel.key"},
        {nullptr, L"\\Local\\Tamber\\sram.bin", L"\\Roaming\\Tamber\\User\\Cadrel.key"},  // the AppData folders
    };
    const BYTE placement[4] = {0x2C, 0, 0xC3, 0x81};
    for (const auto& c : cases) {
        SetEnvironmentVariableW(L"TAMBER_HOME", c.home ? (root + c.home).c_str() : nullptr);
        for (const auto& [name, folder] : {std::pair{L"APPDATA", L"\\Roaming"}, {L"LOCALAPPDATA", L"\\Local"}, {L"ProgramData", L"\\Data"}})
            SetEnvironmentVariableW(name, (root + folder).c_str());
        for (int load = 0; load < 2; ++load) {  // the second load finds what the first saved
            const HMODULE dll = LoadLibraryA("tamber_co.dll");
            const TamberCOCreateInstanceFn create = FactoryOf(dll);
            EmulatorSystem* system = nullptr;
            EmulatorDevice* device = nullptr;
            SettingsRegistry* registry = nullptr;
            SettingsKey *user = nullptr, *machine = nullptr;
            DWORD handle = 0, size = 4;
            BYTE sram[4] = {}, value[4] = {};
            ASSERT_TRUE(create(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, reinterpret_cast<void**>(&system)) == S_OK &&
                        create(CLSID_SettingsRegistry, 0, 0, IID_SettingsRegistry, reinterpret_cast<void**>(&registry)) == S_OK &&
                        system->OpenDevice(IID_EmulatorDevice, reinterpret_cast<void**>(&device), 0, 0, 0) == S_OK &&
                        device->AcquireHandle(0, &handle, 0, 0) == S_OK && registry->OpenKey("\\\\User\\Cadrel", &user) == S_OK &&
                        registry->OpenKey("\\\\Machine\\CDModules", &machine) == S_OK);
            if (load == 0) {
                EXPECT_TRUE(device->WriteMemory(handle, 0x3000, placement, 4) == S_OK && user->SetBinaryValue("WindowPos", placement, 4) == S_OK);
            } else {
                EXPECT_TRUE(device->ReadMemory(handle, 0x3000, sram, &size) == S_OK && !std::memcmp(sram, placement, 4)) << "SRAM lost";
                EXPECT_TRUE(user->QueryBinaryValue("WindowPos", value, &size) == S_OK && !std::memcmp(value, placement, 4)) << "placement lost";
                EXPECT_LT(machine->QueryValue("Path", nullptr, &(size = 0)), 0) << "a module folder the program cannot name";
            }
            device->ReleaseHandle(handle, 0, 0);
            for (IUnknown* object : std::initializer_list<IUnknown*>{machine, user, registry, device, system}) object->Release();
            FreeLibrary(dll);
        }
        for (const std::wstring& file : {c.sram, c.key})
            EXPECT_NE(GetFileAttributesW((root + file).c_str()), INVALID_FILE_ATTRIBUTES) << "not where it belongs";
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}
