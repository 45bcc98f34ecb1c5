// Helper of the durability test: writes numbered values through the DLL until it is killed,
// reporting each number on stdout once its SetValue has returned.
#include <windows.h>
#include <cstdlib>
#include <string>
#include "SettingsText.h"
#include "interface/EmulatorInterfaces.h"

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    const unsigned long first = std::strtoul(argv[1], nullptr, 10);
    HMODULE dll = LoadLibraryA("tamber_co.dll");
    if (!dll) return 3;
    auto create = reinterpret_cast<TamberCOCreateInstanceFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "TamberCOCreateInstance")));
    void* out = nullptr;
    SettingsKey* key = nullptr;
    if (!create || create(CLSID_SettingsRegistry, 0, 0, IID_SettingsRegistry, &out) < 0 ||
        static_cast<SettingsRegistry*>(out)->OpenKey("\\\\Machine\\CDModules", &key) < 0)
        return 4;
    const HANDLE report = GetStdHandle(STD_OUTPUT_HANDLE);
    for (unsigned long n = first; n < first + 100000; ++n) {
        const std::string text = SettingsTextFor(n);
        DWORD written = 0;
        const unsigned int number = unsigned(n);
        if (key->SetValue("Text", text.c_str()) < 0 || !WriteFile(report, &number, sizeof number, &written, nullptr)) return 4;
    }
    return 0;
}
