// tamber_co.dll, loaded on first use; a missing DLL or export is a failed factory call.
#pragma once
#include "interface/EmulatorInterfaces.h"

class ComponentLibrary {
public:
    // factory: a stand-in for the DLL's export (the host tree's tests); null loads the DLL.
    explicit ComponentLibrary(TamberCOCreateInstanceFn factory = nullptr) : factory_(factory) {}
    ComponentLibrary(const ComponentLibrary&) = delete;
    ComponentLibrary& operator=(const ComponentLibrary&) = delete;
    ~ComponentLibrary();

    // TamberCOCreateInstance (class, 0, 0, interface, out); E_FAIL when the library is missing.
    HRESULT CreateInstance(REFCLSID clsid, REFIID iid, void** object);

private:
    void Load();

    void* module_ = nullptr;
    TamberCOCreateInstanceFn factory_;
};
