// The library's entry points: DllMain starts and ends the trace, TamberCOCreateInstance makes
// the two classes of object.
#include "com/ComBase.h"
#include "com/Objects.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) TraceStart();
    // Unloaded by FreeLibrary, the library closes the box, so a box that nobody else has open
    // starts afresh at the next load. At process exit Windows closes it, and another program
    // takes back a handle left held.
    if (reason == DLL_PROCESS_DETACH && !reserved) Guarded([] { return CloseTheBox(), S_OK; });
    if (reason == DLL_PROCESS_DETACH) TraceStop();  // last line: the objects still alive
    return TRUE;
}

extern "C" HRESULT STDMETHODCALLTYPE TamberCOCreateInstance(REFCLSID clsid, ULONG_PTR, ULONG_PTR, REFIID iid,
                                                           void** out) noexcept
{
    TraceWord name = {"-"};
    const char* kind = IsEqualGUID(clsid, CLSID_EmulatorSystem)     ? "EmulatorSystem"
                       : IsEqualGUID(clsid, CLSID_SettingsRegistry) ? "SettingsRegistry"
                                                                     : nullptr;
    const HRESULT r = Guarded([&]() -> HRESULT {
        if (!out) return E_POINTER;
        *out = nullptr;
        Process& p = TheProcess();
        if (!p.ready) return E_FAIL;
        if (kind) {
            std::lock_guard<std::mutex> guard(p.lock);
            const std::string particular = std::string("TamberCOCreateInstance.") + kind;
            const FaultVerdict v = p.faults->Check("TamberCOCreateInstance", particular);
            if (v.fail) return HRESULT(v.result);
        }
        if (IsEqualGUID(clsid, CLSID_EmulatorSystem)) return CreateEmulatorSystem(iid, out, name);
        if (IsEqualGUID(clsid, CLSID_SettingsRegistry)) return CreateSettingsRegistry(iid, out, name);
        return CLASS_E_CLASSNOTAVAILABLE;
    });
    TraceCall("TamberCOCreateInstance", r, "clsid=%s iid=%s out=%s", GuidName(clsid).text, GuidName(iid).text,
              name.text);
    return r;
}
