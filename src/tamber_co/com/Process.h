// What the library keeps per process: the scenario, the faults, the virtual box, the settings
// store, the trace and the count of live objects.
#pragma once
#include <windows.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include "model/Clock.h"
#include "model/FaultPlan.h"
#include "model/Scenario.h"
#include "model/VirtualEmulator.h"
#include "store/SettingsStore.h"

extern volatile LONG LiveObjects;

struct Process {
    std::mutex lock;             // one call into the model or the store at a time
    bool ready = false;          // environment and scenario read without error
    Scenario scenario;
    std::unique_ptr<FaultPlan> faults;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<BoxShare> share;       // the box as every process with this state folder sees it
    std::unique_ptr<VirtualEmulator> box;  // opened with the first EmulatorSystem
    std::unique_ptr<SettingsStore> store;
    std::string stateDir, moduleFolder;
    bool seedChecked = false;
};

// Reads TAMBER_HOME, TAMBER_EMULATOR and the scenario once; later calls return the same object.
Process& TheProcess();
// The box, opened on first use; null (and the trace says why) when it cannot be. Call with the
// lock held.
VirtualEmulator* TheBox(Process& p);
// Lets go of the box when the library is unloaded: a handle this process holds is given back.
void CloseTheBox();

long NextSerial();
std::string GuidName(const GUID& id);

// Trace lines, written only when TAMBER_TRACE names a file, each flushed as it is written.
void TraceCall(const char* op, HRESULT result, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void TraceCount(const char* op, const char* object, long count);
void TraceText(const char* format, ...) __attribute__((format(printf, 1, 2)));
void TraceLiveObjects();
void TraceStart();
void TraceStop();

// Runs body, turning anything thrown into a failure: no C++ exception leaves the library.
template <typename F>
HRESULT Guarded(F body) noexcept
{
    try {
        return body();
    } catch (...) {
        return E_UNEXPECTED;
    }
}
