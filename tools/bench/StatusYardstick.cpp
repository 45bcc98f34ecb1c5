// The yardstick for tools/bench-ctl: the least a console program does to read the box's status.
// It loads tamber_co.dll, connects, reads one status block and exits; exit code 0 when it did.
#include <windows.h>
#include "interface/EmulatorInterfaces.h"

int main()
{
    HMODULE module = LoadLibraryA("tamber_co.dll");
    auto factory = module ? reinterpret_cast<TamberCOCreateInstanceFn>(
                                reinterpret_cast<void*>(GetProcAddress(module, "TamberCOCreateInstance")))
                          : nullptr;
    EmulatorSystem* system = nullptr;
    EmulatorDevice* device = nullptr;
    DWORD handle = 0;
    BYTE status[20] = {};
    DWORD size = sizeof status;
    const bool read = factory && factory(CLSID_EmulatorSystem, 0, 0, IID_EmulatorSystem, reinterpret_cast<void**>(&system)) >= 0 &&
                      system->Initialise(nullptr, 0, 0, 0) >= 0 &&
                      system->OpenDevice(IID_EmulatorDevice, reinterpret_cast<void**>(&device), 0, 0, 0) >= 0 &&
                      device->AcquireHandle(0, &handle, 0, 0) >= 0 && device->GetStatus(handle, status, &size, StatusKindStatus, 0) >= 0;
    if (handle)
        device->ReleaseHandle(handle, 0, 0);
    if (device)
        device->Release();
    if (system)
        system->Release();
    if (module)
        FreeLibrary(module);
    return read ? 0 : 1;
}
