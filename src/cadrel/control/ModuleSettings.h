// The module settings the program keeps while it runs: the module lists of the machine and of the
// box, the module directory, and the default target. The three texts are heap buffers whose
// capacity is the size the store reported; the Module Manager may replace the two lists with
// larger ones.
#pragma once
#include "interface/EmulatorInterfaces.h"

struct ModuleSettings {
    ModuleSettings() = default;
    ModuleSettings(const ModuleSettings&) = delete;
    ModuleSettings& operator=(const ModuleSettings&) = delete;
    ~ModuleSettings();

    // "Modules", "ModsInstalled", "Path" and "DefModule" from the machine key.
    void Read(SettingsKey* key);
    // Each text back as it stands; a value the store did not have (capacity 0) is not written,
    // nor an empty default.
    void Write(SettingsKey* key) const;

    char* available = nullptr;
    DWORD availableSize = 0;
    char* installed = nullptr;
    DWORD installedSize = 0;
    char* path = nullptr;
    DWORD pathSize = 0;
    char defaultModule[4] = {};
};
