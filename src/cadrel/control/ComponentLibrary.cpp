#include "control/ComponentLibrary.h"

#ifdef _WIN32
ComponentLibrary::~ComponentLibrary()
{
    if (module_)
        FreeLibrary(static_cast<HMODULE>(module_));
}

void ComponentLibrary::Load()
{
    HMODULE module = LoadLibraryA("tamber_co.dll");
    module_ = module;
    if (module)
        factory_ = reinterpret_cast<TamberCOCreateInstanceFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "TamberCOCreateInstance")));
}
#else
// Outside Windows there is no DLL to load: only a factory handed in serves.
ComponentLibrary::~ComponentLibrary() = default;
void ComponentLibrary::Load() {}
#endif

HRESULT ComponentLibrary::CreateInstance(REFCLSID clsid, REFIID iid, void** object)
{
    if (!factory_ && !module_)
        Load();
    if (!factory_)
        return E_FAIL;
    return factory_(clsid, 0, 0, iid, object);
}
