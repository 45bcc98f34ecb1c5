#include "control/ComponentLibrary.h"
#include <cwchar>

#ifdef _WIN32
ComponentLibrary::~ComponentLibrary()
{
    if (module_)
        FreeLibrary(static_cast<HMODULE>(module_));
}

// Only the copy beside the program: a tamber_co.dll in the working folder or on PATH is never
// loaded in its place.
void ComponentLibrary::Load()
{
    wchar_t path[MAX_PATH + 16];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    wchar_t* name = wcsrchr(path, L'\\');
    if (!name)
        return;
    wcscpy(name + 1, L"tamber_co.dll");
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
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
