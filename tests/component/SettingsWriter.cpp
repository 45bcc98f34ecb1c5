// Helper of the durability test: writes numbered values through the DLL until it is killed,
// reporting each number on stdout once its SetValue has returned.
#include <windows.h>
#include <cstdio>
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
    if (!create || create(CLSID_SettingsRegistry, 0, 0, IID_SettingsRegistry, &out) < 0) return 4;
    SettingsKey* key = nullptr;
    if (static_cast<SettingsRegistry*>(out)->OpenKey("\\\\Machine\\CDModules", &key) < 0) return 5;
    const HANDLE report = GetStdHandle(STD_OUTPUT_HANDLE);
    for (unsigned long n = first; n < first + 100000; ++n) {
        const std::string text = SettingsTextFor(n);
        if (key->SetValue("Text", text.c_str()) < 0) return 6;
        DWORD written = 0;
        const unsigned int number = unsigned(n);
        if (!WriteFile(report, &number, sizeof number, &written, nullptr)) return 7;
    }
    return 0;
}
