#include "emulator/ComponentLibrary.h"

ComponentLibrary::~ComponentLibrary()
{
    if (module_)
        FreeLibrary(module_);
}

HRESULT ComponentLibrary::CreateInstance(REFCLSID clsid, REFIID iid, void** object)
{
    if (!module_) {
        module_ = LoadLibraryA("tamber_co.dll");
        if (module_)
            factory_ = reinterpret_cast<TamberCOCreateInstanceFn>(
                reinterpret_cast<void*>(GetProcAddress(module_, "TamberCOCreateInstance")));
    }
    if (!factory_)
        return E_FAIL;
    return factory_(clsid, 0, 0, iid, object);
}
