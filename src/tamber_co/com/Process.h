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

long NextSerial() noexcept;

// Words for the trace in fixed buffers: making them allocates nothing and cannot throw, so the
// trace can be written from any interface call, guarded or not.
struct TraceWord {
    char text[136];
};
TraceWord GuidName(const GUID& id) noexcept;
// A caller's text as the trace shows it: "(null)", or at most 120 characters and "...".
TraceWord Shown(const char* text) noexcept;

// Trace lines, written only when TAMBER_TRACE names a file, each flushed as it is written.
bool Tracing() noexcept;
void TraceCall(const char* op, HRESULT result, const char* format, ...) noexcept
    __attribute__((format(printf, 3, 4)));
void TraceCount(const char* op, const char* object, long count) noexcept;
void TraceText(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));
void TraceLiveObjects() noexcept;
void TraceStart() noexcept;
void TraceStop() noexcept;

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
