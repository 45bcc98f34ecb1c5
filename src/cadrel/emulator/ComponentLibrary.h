// tamber_co.dll, loaded at start-up; a missing DLL or export is a failed factory call.
#pragma once
#include "interface/EmulatorInterfaces.h"

class ComponentLibrary {
public:
    ComponentLibrary() = default;
    ComponentLibrary(const ComponentLibrary&) = delete;
    ComponentLibrary& operator=(const ComponentLibrary&) = delete;
    ~ComponentLibrary();

    // TamberCOCreateInstance (class, 0, 0, interface, out); E_FAIL when the library is missing.
    HRESULT CreateInstance(REFCLSID clsid, REFIID iid, void** object);

private:
    HMODULE module_ = nullptr;
    TamberCOCreateInstanceFn factory_ = nullptr;
};
