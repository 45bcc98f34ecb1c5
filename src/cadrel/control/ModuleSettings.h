// The module settings the program keeps while it runs: the module lists of the machine and of the
// box, the module directory, and the default target. The three texts are heap buffers whose
// capacity is the size the store reported; the Module Manager may replace the two lists with
// larger ones.
#pragma once
#include <string>
#include "interface/EmulatorInterfaces.h"

class Presenter;

// Longer than any module list or folder path: a store that reports more is damaged.
constexpr DWORD SettingsTextLimit = 65536;

struct ModuleSettings {
    ModuleSettings() = default;
    ModuleSettings(const ModuleSettings&) = delete;
    ModuleSettings& operator=(const ModuleSettings&) = delete;
    ~ModuleSettings();

    // "Modules", "ModsInstalled", "Path" and "DefModule" from the machine key, afresh: what was
    // held before is dropped. A text the store sizes past SettingsTextLimit is taken as absent
    // (and so never written back), and presenter is told.
    void Read(SettingsKey* key, Presenter& presenter);
    // Writes back only the values this program changed since it read them, so a change another
    // program made meanwhile survives; what was written counts as read. A value the store did not
    // have (capacity 0) is not written, nor an empty default.
    void Write(SettingsKey* key);

    char* available = nullptr;
    DWORD availableSize = 0;
    char* installed = nullptr;
    DWORD installedSize = 0;
    char* path = nullptr;
    DWORD pathSize = 0;
    char defaultModule[4] = {};

private:
    void Free();

    // The texts as read (or last written).
    std::string readAvailable_, readInstalled_, readPath_, readDefault_;
};
